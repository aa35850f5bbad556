// The notification messages that workers post (a few send) to the windows:
// numbers, names, and the records that travel with them.
//
// Ownership: a record that a sender allocates travels as a
// std::unique_ptr<MessageRecord> through PostOwnedMessage/SendOwnedMessage;
// the queue frees it after the handler returned, or when the message is
// dropped because its window is gone. Handlers only borrow it
// (RecordFrom) and never delete it. The one record that is lent instead of
// handed over is the task state of WM_UPLOAD_STATUS, which the sender keeps:
// it travels as a plain pointer and only inside a synchronous send.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/MessageQueue.h"

namespace msg {

using platform::UINT;

// To the upload manager window.
constexpr UINT WM_UPLOAD_PROGRESS = 0x84F;  // w: owned UploadProgressRecord (may be 0)
constexpr UINT WM_UPLOAD_DONE = 0x850;      // w: owned UploadEndRecord, l: owned TaskStateRecord
constexpr UINT WM_UPLOAD_STATUS = 0x851;    // w: task index, l: lent TaskStateRecord (sent)
constexpr UINT WM_UPLOAD_INFO = 0x852;      // w: owned UploadInfoRecord (may be 0)

// To the drop window; both parameters 0 unless noted.
constexpr UINT WM_CLIENT_LOGIN = 0x857;
constexpr UINT WM_NETWORK_FAILED = 0x858;
constexpr UINT WM_CLIENT_EVENT = 0x85A;
constexpr UINT WM_UPLOADS_DRAINED = 0x85B;
constexpr UINT WM_DIGEST_DONE = 0x85D;   // w: owned CalcShaResult, or 0 for a failure
constexpr UINT WM_SHOW_MANAGER = 0x85E;  // sent
constexpr UINT WM_CLIENT_LOGOUT = 0x85F;
constexpr UINT WM_BACKUP_NOTIFY = 0x860;
constexpr UINT WM_SPEED_CHANGED = 0x863;
constexpr UINT WM_WALK_DONE = 0x864;
constexpr UINT WM_COMPARE_DONE = 0x865;
constexpr UINT WM_TOGGLE_DROP = 0x866;
constexpr UINT WM_SHOW_MAIN = 0x867;
constexpr UINT WM_DROP_PATHS = 0x868;    // w: owned DropPathsRecord
constexpr UINT WM_MENU_COMMAND = 0x7F0;  // l: the chosen menu item's control (not owned)

// The first and last numbers of the private range.
constexpr UINT kFirstWorkerMessage = WM_UPLOAD_PROGRESS;
constexpr UINT kLastWorkerMessage = WM_DROP_PATHS;

struct UploadProgressRecord : platform::MessageRecord {
  int32_t taskIndex = 0;
  int64_t fid = 0;
  int64_t size = 0;
  int64_t breakPoint = 0;
  uint32_t remainingMs = 0;
  uint32_t speed = 0;  // bytes per second
};

struct UploadEndRecord : platform::MessageRecord {
  int32_t taskIndex = 0;
  int64_t fid = 0;
  int64_t breakPoint = 0;
};

// A task's state and its message text.
struct TaskStateRecord : platform::MessageRecord {
  int32_t state = 0;
  std::string message;
  // The service's own words when it refused the upload outright.
  std::string refusal;
};

struct UploadInfoRecord : platform::MessageRecord {
  int64_t fid = 0;
  int32_t taskIndex = 0;
};

// A digest job's result.
struct CalcShaResult : platform::MessageRecord {
  std::string path;
  std::string digest;  // may be empty
  int64_t size = 0;
};

// Absolute local paths to handle as if the user had dropped them.
struct DropPathsRecord : platform::MessageRecord {
  std::vector<std::string> paths;
};

// The record a handler was given, or nullptr when the parameter is 0 or
// holds another record type. The queue still owns it.
template <class Record>
Record* RecordFrom(uintptr_t parameter) {
  return dynamic_cast<Record*>(reinterpret_cast<platform::MessageRecord*>(parameter));
}

// Posts a message that carries one owned record in wParam. Any thread.
template <class Record>
bool PostRecord(platform::HWND target, UINT message, std::unique_ptr<Record> record) {
  return platform::PostOwnedMessage(target, message, std::move(record), nullptr);
}

// Posts WM_UPLOAD_DONE or sends it (synchronous senders); both records are
// handed over. Any thread.
bool PostUploadDone(platform::HWND target, std::unique_ptr<UploadEndRecord> end,
                    std::unique_ptr<TaskStateRecord> state);
platform::LRESULT SendUploadDone(platform::HWND target, std::unique_ptr<UploadEndRecord> end,
                                 std::unique_ptr<TaskStateRecord> state);
// Sends WM_UPLOAD_STATUS with a state the caller keeps; returns after the
// handler read it. Any thread.
platform::LRESULT SendUploadStatus(platform::HWND target, int32_t taskIndex,
                                   const TaskStateRecord& state);
// The lent state of WM_UPLOAD_STATUS, for its handler.
const TaskStateRecord* LentState(platform::LPARAM parameter);

}  // namespace msg
