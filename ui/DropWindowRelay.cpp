#include "ui/DropWindowRelay.h"

void DropWindowRelay::diskFull() {
  if (m_target != nullptr) m_target->diskFull();
}

void DropWindowRelay::ShowStatusText(const std::string& text) {
  if (m_target != nullptr) m_target->ShowStatusText(text);
}

void DropWindowRelay::SendCode(int32_t code) {
  if (m_target != nullptr) m_target->SendCode(code);
}

bool DropWindowRelay::hasFailures() const {
  return m_target != nullptr && m_target->hasFailures();
}

void DropWindowRelay::SetFinishedNormally(bool finished) {
  if (m_target != nullptr) m_target->SetFinishedNormally(finished);
}
