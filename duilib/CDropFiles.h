// Files dropped on a window: the host posts WM_DROPFILES with a drop handle in
// wParam (an owned record, freed by the queue after the handler returns), which
// DragQueryFile reads and DragFinish releases early.
#pragma once

#include <string>
#include <vector>

#include "duilib/UIDefs.h"

namespace DuiLib {

class CDropFiles : public platform::MessageRecord {
 public:
  explicit CDropFiles(std::vector<std::string> paths) : m_paths(std::move(paths)) {}
  const std::vector<std::string>& Paths() const { return m_paths; }
  void Finish() { m_paths.clear(); }

 private:
  std::vector<std::string> m_paths;
};

using HDROP = CDropFiles*;

// The drop handle that WM_DROPFILES carries in wParam.
inline HDROP DropFromWParam(WPARAM w) {
  return static_cast<CDropFiles*>(reinterpret_cast<platform::MessageRecord*>(w));
}

// index 0xFFFFFFFF: the number of files. Otherwise copies path index into buf
// (cut to size - 1 bytes, never inside a UTF-8 sequence, always terminated) and
// returns its length; with a null buf, the length the full path needs.
UINT DragQueryFile(HDROP drop, UINT index, char* buf, UINT size);
inline UINT DragQueryFileA(HDROP drop, UINT index, char* buf, UINT size) {
  return DragQueryFile(drop, index, buf, size);
}
void DragFinish(HDROP drop);
// Posts WM_DROPFILES for the paths to the window (any thread).
bool PostDropFiles(HWND hwnd, std::vector<std::string> paths);

}  // namespace DuiLib
