// The upload engine's messages to the windows. Records are handed over to
// the message queue, which frees them whether or not the window still lives.
#pragma once

#include <cstdint>

#include "platform/MessageQueue.h"
#include "session/Messages.h"

namespace upload_notify {

// Posted (any thread): progress, the remote id, the end of a job.
void PostProgress(platform::HWND window, int32_t taskIndex, int64_t fid, int64_t size,
                  int64_t breakPoint, uint32_t remainingMs, uint32_t speed);
void PostInfo(platform::HWND window, int64_t fid, int32_t taskIndex);
void PostEnd(platform::HWND window, int32_t taskIndex, int64_t fid, int64_t breakPoint,
             const msg::TaskStateRecord& state);
// Sent: the caller waits until the window handled them.
void SendEnd(platform::HWND window, int32_t taskIndex, int64_t fid, int64_t breakPoint,
             const msg::TaskStateRecord& state);
void SendStatus(platform::HWND window, int32_t taskIndex, const msg::TaskStateRecord& state);

}  // namespace upload_notify
