// Upload task states, their texts, and which controller operation each allows.
#pragma once

#include <cstdint>
#include <string>

namespace TaskState {
enum : int32_t {
  Ready = 0,
  Transferring = 1,
  Done = 2,
  NetworkError = 3,
  Paused = 4,
  Instant = 5,
  Destroyed = 6,
  Pausing = 7,
  Destroying = 8,
};
}  // namespace TaskState

enum class TaskOperation { Start, Pause, Destroy, Stop, ReUpload };

// "就绪", "传输中", ... or "未知状态码: %d".
std::string StateDisplayText(int32_t state);
// The display text, joined with the message as "%s: %s" when there is one,
// except for NetworkError whose text never carries its message.
std::string StateText(int32_t state, const std::string& message = std::string());
// "%d - %s" of the number and StateText.
std::string StateLogText(int32_t state, const std::string& message = std::string());
bool StateAllows(int32_t state, TaskOperation operation);
