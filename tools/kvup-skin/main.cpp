// kvup-skin SKIN.xml [--png OUT.png] [--size WxH]: shows a skin in a window, or
// renders it into a PNG file (headless), so that skins can be reviewed by eye.
// Menu skins ("Menu", "MenuElement") are understood as well.
#include <log4cplus/consoleappender.h>
#include <log4cplus/initializer.h>
#include <log4cplus/layout.h>
#include <log4cplus/logger.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "duilib/CHeadlessHost.h"
#include "duilib/CUIAttributes.h"
#include "duilib/CUIHost.h"
#include "duilib/WindowImplBase.h"
#include "platform/MessageQueue.h"
#include "ui/CMenuBuilderCallback.h"

namespace {

class SkinWindow : public DuiLib::WindowImplBase {
 public:
  explicit SkinWindow(std::string file) : file_(std::move(file)) {}
  std::string GetWindowClassName() const override { return "KvupSkinTool"; }
  void Notify(DuiLib::TNotifyUI& msg) override {
    if (msg.sType != DuiLib::DUI_MSGTYPE_TIMER)
      std::printf("%s %s\n", msg.sType.c_str(), msg.pSender ? msg.pSender->GetName().c_str() : "");
    WindowImplBase::Notify(msg);
  }
  DuiLib::LRESULT HandleMessage(DuiLib::UINT msg, DuiLib::WPARAM w, DuiLib::LPARAM l) override {
    if (msg == DuiLib::WM_DESTROY) platform::PostQuitMessage(0);
    if (msg == DuiLib::WM_NCHITTEST) return DuiLib::HTCLIENT;
    return WindowImplBase::HandleMessage(msg, w, l);
  }
  // The program's own classes, so that menu skins can be looked at too.
  DuiLib::CControlUI* CreateControl(const std::string& className) override {
    return menuClasses_.CreateControl(className);
  }

 protected:
  std::string GetSkinFolder() override { return ""; }
  std::string GetSkinFile() override { return file_; }

 private:
  std::string file_;
  DuiLib::CMenuBuilderCallback menuClasses_;
};

// What is wrong with a skin (file and line) goes to standard error.
void LogToStandardError() {
  log4cplus::Logger root = log4cplus::Logger::getRoot();
  log4cplus::SharedAppenderPtr err(new log4cplus::ConsoleAppender(true, true));
  err->setLayout(std::make_unique<log4cplus::PatternLayout>("%-5p %m%n"));
  root.addAppender(err);
  root.setLogLevel(log4cplus::ERROR_LOG_LEVEL);
}

int Usage() {
  std::fprintf(stderr, "usage: kvup-skin SKIN.xml [--png OUT.png] [--size WxH]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  log4cplus::Initializer logging;
  LogToStandardError();
  std::string skin, png;
  DuiLib::SIZE size;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--png") == 0 && i + 1 < argc) {
      png = argv[++i];
    } else if (std::strcmp(argv[i], "--size") == 0 && i + 1 < argc) {
      std::string text = argv[++i];
      const size_t x = text.find('x');
      if (x == std::string::npos) return Usage();
      text[x] = ',';
      if (!DuiLib::CUIAttributes::ParseSize(text, &size) || size.cx <= 0 || size.cy <= 0)
        return Usage();
    } else if (argv[i][0] != '-' && skin.empty()) {
      skin = argv[i];
    } else {
      return Usage();
    }
  }
  if (skin.empty()) return Usage();
  char resolved[4096];
  if (realpath(skin.c_str(), resolved) == nullptr) {
    std::fprintf(stderr, "kvup-skin: %s: no such file\n", skin.c_str());
    return 1;
  }
  skin = resolved;
  DuiLib::CPaintManagerUI::SetResourcePath(skin.substr(0, skin.rfind('/') + 1));
  const bool gtk = DuiLib::CUIHost::InstallDefault(!png.empty());
  if (!gtk && png.empty()) {
    std::fprintf(stderr, "kvup-skin: no display; use --png to render the skin\n");
    return 1;
  }
  auto* wnd = new SkinWindow(skin);
  if (wnd->Create(nullptr, skin, DuiLib::WS_POPUP | DuiLib::WS_CAPTION | DuiLib::WS_SYSMENU, 0, 100,
                  100, 400, 300) == nullptr) {
    std::fprintf(stderr, "kvup-skin: the skin cannot be built\n");
    delete wnd;
    return 1;
  }
  if (size.cx > 0) wnd->ResizeClient(size.cx, size.cy);
  int code = 0;
  if (!png.empty()) {
    code = wnd->GetPaintManager().RenderToPng(png) ? 0 : 1;
    if (code != 0) std::fprintf(stderr, "kvup-skin: %s cannot be written\n", png.c_str());
    wnd->DestroyWindow();
  } else {
    wnd->ShowWindow(true, true);
    code = DuiLib::CPaintManagerUI::MessageLoop();
    if (wnd->GetHWND() != nullptr) wnd->DestroyWindow();
  }
  delete wnd;
  return code;
}
