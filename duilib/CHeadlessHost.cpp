#include "duilib/CHeadlessHost.h"

#include <cstdio>

#include "platform/MessageQueue.h"

namespace DuiLib {

void CHeadlessHost::SetScreen(const RECT& screen, const RECT& workArea) {
  m_rcScreen = screen;
  m_rcWork = workArea;
}

std::string CHeadlessHost::ToolTipOf(HWND hwnd) const {
  for (const auto& [owner, text] : m_toolTips) {
    if (owner == hwnd) return text;
  }
  return std::string();
}

void CHeadlessHost::DestroyNative(HWND hwnd) {
  SetToolTip(hwnd, "", 0);
}

void CHeadlessHost::SetToolTip(HWND hwnd, const std::string& text, int /*width*/) {
  for (auto it = m_toolTips.begin(); it != m_toolTips.end(); ++it) {
    if (it->first != hwnd) continue;
    if (text.empty()) {
      m_toolTips.erase(it);
    } else {
      it->second = text;
    }
    return;
  }
  if (!text.empty()) m_toolTips.emplace_back(hwnd, text);
}

RECT CHeadlessHost::WorkAreaAt(POINT /*pt*/) {
  return m_rcWork;
}

void CHeadlessHost::MessageBox(HWND /*owner*/, const std::string& text,
                               const std::string& caption) {
  std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}

int CHeadlessHost::RunLoop() {
  return platform::RunMessageLoop();
}

}  // namespace DuiLib
