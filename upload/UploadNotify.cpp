#include "upload/UploadNotify.h"

namespace upload_notify {
namespace {

std::unique_ptr<msg::UploadEndRecord> EndRecord(int32_t taskIndex, int64_t fid,
                                                int64_t breakPoint) {
  auto end = std::make_unique<msg::UploadEndRecord>();
  end->taskIndex = taskIndex;
  end->fid = fid;
  end->breakPoint = breakPoint;
  return end;
}

std::unique_ptr<msg::TaskStateRecord> StateCopy(const msg::TaskStateRecord& state) {
  auto copy = std::make_unique<msg::TaskStateRecord>();
  copy->state = state.state;
  copy->message = state.message;
  copy->refusal = state.refusal;
  return copy;
}

}  // namespace

void PostProgress(platform::HWND window, int32_t taskIndex, int64_t fid, int64_t size,
                  int64_t breakPoint, uint32_t remainingMs, uint32_t speed) {
  auto record = std::make_unique<msg::UploadProgressRecord>();
  record->taskIndex = taskIndex;
  record->fid = fid;
  record->size = size;
  record->breakPoint = breakPoint;
  record->remainingMs = remainingMs;
  record->speed = speed;
  msg::PostRecord(window, msg::WM_UPLOAD_PROGRESS, std::move(record));
}

void PostInfo(platform::HWND window, int64_t fid, int32_t taskIndex) {
  auto record = std::make_unique<msg::UploadInfoRecord>();
  record->fid = fid;
  record->taskIndex = taskIndex;
  msg::PostRecord(window, msg::WM_UPLOAD_INFO, std::move(record));
}

void PostEnd(platform::HWND window, int32_t taskIndex, int64_t fid, int64_t breakPoint,
             const msg::TaskStateRecord& state) {
  msg::PostUploadDone(window, EndRecord(taskIndex, fid, breakPoint), StateCopy(state));
}

void SendEnd(platform::HWND window, int32_t taskIndex, int64_t fid, int64_t breakPoint,
             const msg::TaskStateRecord& state) {
  msg::SendUploadDone(window, EndRecord(taskIndex, fid, breakPoint), StateCopy(state));
}

void SendStatus(platform::HWND window, int32_t taskIndex, const msg::TaskStateRecord& state) {
  msg::SendUploadStatus(window, taskIndex, state);
}

}  // namespace upload_notify
