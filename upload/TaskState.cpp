#include "upload/TaskState.h"

#include <array>

namespace {

struct StateRow {
  const char* text;
  bool start, pause, destroy, reupload;
};

constexpr std::array<StateRow, 9> kStates = {{
    {"就绪", true, false, true, false},
    {"传输中", false, true, true, false},
    {"完成", false, false, true, true},
    {"网络出错", true, false, true, true},
    {"暂停", true, false, true, true},
    {"秒传", false, false, true, false},
    {"撤销", false, false, false, false},
    {"暂停中", false, false, true, false},
    {"撤销中", false, false, false, false},
}};

const StateRow* Row(int32_t state) {
  if (state < 0 || state >= static_cast<int32_t>(kStates.size())) return nullptr;
  return &kStates[static_cast<size_t>(state)];
}

}  // namespace

std::string StateDisplayText(int32_t state) {
  const StateRow* row = Row(state);
  if (row) return row->text;
  return "未知状态码: " + std::to_string(state);
}

std::string StateText(int32_t state, const std::string& message) {
  std::string text = StateDisplayText(state);
  if (!message.empty() && state != TaskState::NetworkError) text += ": " + message;
  return text;
}

std::string StateLogText(int32_t state, const std::string& message) {
  return std::to_string(state) + " - " + StateText(state, message);
}

bool StateAllows(int32_t state, TaskOperation operation) {
  const StateRow* row = Row(state);
  if (!row) return false;
  switch (operation) {
    case TaskOperation::Start:
      return row->start;
    case TaskOperation::Pause:
      return row->pause;
    case TaskOperation::Destroy:
    case TaskOperation::Stop:
      return row->destroy;
    case TaskOperation::ReUpload:
      return row->reupload;
  }
  return false;
}
