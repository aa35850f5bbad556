#include "upload/CUploaderContext.h"

#include "log/KvLog.h"
#include "session/COptions.h"

namespace {
const char* const kLog = "CTXT";
}

CUploaderContext::CUploaderContext()
    : m_inheritedSetting(COptions::Instance().m_taskContextValue) {}

void CUploaderContext::SetState(int32_t state, const std::string& message) {
  std::lock_guard<std::recursive_mutex> hold(m_lock);
  ChangeState(state, message);
}

void CUploaderContext::ChangeState(int32_t state, const std::string& message) {
  if (state != m_status.state)
    KV_DEBUG(kLog, "Task[%02d]: StateChanged from [%s] to [%s]", m_param.taskIndex,
             StateLogText(m_status.state, m_status.message).c_str(),
             StateLogText(state, message).c_str());
  if (m_status.state == TaskState::Destroying && state != TaskState::Destroyed) {
    KV_DEBUG(kLog, "Task[%02d]: [%s]->[%s] changed to [%s]-[%s]", m_param.taskIndex,
             StateLogText(m_status.state, m_status.message).c_str(),
             StateLogText(state, message).c_str(),
             StateLogText(m_status.state, m_status.message).c_str(),
             StateLogText(TaskState::Destroyed).c_str());
    state = TaskState::Destroyed;
  }
  m_status.state = state;
  m_status.message = message;
  if (state == TaskState::Destroying) m_breaker.Break();
}

int32_t CUploaderContext::GetState() {
  std::lock_guard<std::recursive_mutex> hold(m_lock);
  return m_status.state;
}

void CUploaderContext::GetStateAndMessage(msg::TaskStateRecord* out) {
  std::lock_guard<std::recursive_mutex> hold(m_lock);
  *out = m_status;
}

void CUploaderContext::SetDestroyFlag(uint8_t flag) {
  m_destroyFlag = flag;
}

uint8_t CUploaderContext::GetDestroyFlag() const {
  return m_destroyFlag;
}
