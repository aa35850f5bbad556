// The GTK 3 host: each window is a GtkWindow holding one drawing area that the
// paint manager paints. GTK events become the window messages (mouse, hover
// after a short rest, leave, wheel, keys, focus, close from the window manager,
// file drops as text/uri-list); the platform message queue wakes GLib's main
// loop through a source on its wake descriptor and its timer due times, so
// posted messages are handled at once without polling. User-interface thread.
#pragma once

#include <gtk/gtk.h>

#include <memory>
#include <string>
#include <unordered_map>

#include "duilib/CGtkWindow.h"
#include "duilib/CUIHost.h"

namespace DuiLib {

class CGtkHost : public CUIHost {
 public:
  // Initialises GTK once; false when no display can be opened.
  static bool DisplayAvailable();

  CGtkHost();
  ~CGtkHost() override;

  // The native window of a window (null when none), and a screenshot of it.
  GtkWidget* NativeWindow(HWND hwnd) const;
  bool Screenshot(HWND hwnd, const std::string& pngPath) const;
  // Runs GLib's main context (and so the message queue) for about ms milliseconds.
  static void Pump(int ms);

  bool IsHeadless() const override { return false; }
  void CreateNative(CWindowWnd* wnd) override;
  void DestroyNative(HWND hwnd) override;
  void SyncGeometry(HWND hwnd) override;
  void SyncVisible(HWND hwnd, bool activate) override;
  void SyncStyle(HWND hwnd) override;
  void SyncTitle(HWND hwnd) override;
  void Invalidate(HWND hwnd) override;
  void SetToolTip(HWND hwnd, const std::string& text, int width) override;
  void BeginMoveDrag(HWND hwnd) override;
  RECT WorkAreaAt(POINT pt) override;
  RECT ScreenRect() override;
  void MessageBox(HWND owner, const std::string& text, const std::string& caption) override;
  int RunLoop() override;

 private:
  CGtkWindow* Find(HWND hwnd) const;

  std::unordered_map<HWND, std::unique_ptr<CGtkWindow>> m_natives;
  GSource* m_queueSource = nullptr;
};

}  // namespace DuiLib
