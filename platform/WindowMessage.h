// The vocabulary of window messages: handles, message numbers, the records
// that travel by pointer and the handler interface of a window.
#pragma once

#include <cstdint>

namespace platform {

using HWND = struct WindowHandle_*;  // opaque, never dereferenced; nullptr = none
using UINT = uint32_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;

constexpr UINT WM_NULL = 0;
constexpr UINT WM_CREATE = 1;
constexpr UINT WM_DESTROY = 2;
constexpr UINT WM_SIZE = 5;
constexpr UINT WM_CLOSE = 0x10;
constexpr UINT WM_QUIT = 0x12;
constexpr UINT WM_TIMER = 0x113;
constexpr UINT WM_USER = 0x400;
// Further WM_* numbers live with the code that uses them.

// Every record that travels by pointer in a posted or sent message derives
// from this, so the queue can free it whether the message is handled or dropped.
struct MessageRecord {
  virtual ~MessageRecord() = default;
};

// A window's message handler. HandleMessage runs on the user-interface thread.
class MessageHandler {
 public:
  virtual ~MessageHandler() = default;
  virtual LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) = 0;
};

}  // namespace platform
