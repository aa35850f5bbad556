#include "duilib/CDropFiles.h"

#include <cstring>
#include <memory>

#include "platform/MessageQueue.h"

namespace DuiLib {

UINT DragQueryFile(HDROP drop, UINT index, char* buf, UINT size) {
  if (drop == nullptr) return 0;
  const auto& paths = drop->Paths();
  if (index == 0xFFFFFFFFu) return static_cast<UINT>(paths.size());
  if (index >= paths.size()) return 0;
  const std::string& path = paths[index];
  if (buf == nullptr) return static_cast<UINT>(path.size());
  if (size == 0) return 0;
  size_t n = std::min<size_t>(path.size(), size - 1);
  // Never end inside a multi-byte character.
  while (n > 0 && n < path.size() && (static_cast<unsigned char>(path[n]) & 0xC0) == 0x80) --n;
  std::memcpy(buf, path.data(), n);
  buf[n] = '\0';
  return static_cast<UINT>(n);
}

void DragFinish(HDROP drop) {
  if (drop != nullptr) drop->Finish();
}

bool PostDropFiles(HWND hwnd, std::vector<std::string> paths) {
  return platform::PostOwnedMessage(hwnd, WM_DROPFILES,
                                    std::make_unique<CDropFiles>(std::move(paths)), nullptr);
}

}  // namespace DuiLib
