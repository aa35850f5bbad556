#include "session/Messages.h"

namespace msg {

bool PostUploadDone(platform::HWND target, std::unique_ptr<UploadEndRecord> end,
                    std::unique_ptr<TaskStateRecord> state) {
  return platform::PostOwnedMessage(target, WM_UPLOAD_DONE, std::move(end), std::move(state));
}

platform::LRESULT SendUploadDone(platform::HWND target, std::unique_ptr<UploadEndRecord> end,
                                 std::unique_ptr<TaskStateRecord> state) {
  return platform::SendOwnedMessage(target, WM_UPLOAD_DONE, std::move(end), std::move(state));
}

platform::LRESULT SendUploadStatus(platform::HWND target, int32_t taskIndex,
                                   const TaskStateRecord& state) {
  const auto* base = static_cast<const platform::MessageRecord*>(&state);
  return platform::SendMessage(target, WM_UPLOAD_STATUS, static_cast<platform::WPARAM>(taskIndex),
                               reinterpret_cast<platform::LPARAM>(base));
}

const TaskStateRecord* LentState(platform::LPARAM parameter) {
  return dynamic_cast<const TaskStateRecord*>(
      reinterpret_cast<const platform::MessageRecord*>(parameter));
}

}  // namespace msg
