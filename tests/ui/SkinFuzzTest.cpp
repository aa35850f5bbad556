// The windows opened on damaged copies of their own skins: each either opens
// or refuses to, and never crashes (a control the code looks up may be
// missing or of another kind).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "ManagerWindowWorld.h"
#include "common/TextMutator.h"
#include "duilib/CHeadlessHost.h"
#include "duilib/CUIHost.h"
#include "ui/CToolTipUiDlg.h"

namespace managertest {
namespace {

namespace fs = std::filesystem;
using DuiLib::CHeadlessHost;
using DuiLib::CUIHost;
using DuiLib::WS_POPUP;

const std::string kBuiltSkins = std::string(KVUP_BUILD_DIR) + "/skin/";

// The build's skin folder, with one skin file replaced by the text given.
class DamagedSkinFolder {
 public:
  explicit DamagedSkinFolder(const std::string& path) : path_(path + "/") {
    fs::create_directories(path_);
    for (const fs::directory_entry& e : fs::directory_iterator(kBuiltSkins))
      fs::create_symlink(e.path(), path_ + e.path().filename().string());
  }
  void Put(const std::string& file, const std::string& text) const {
    fs::remove(path_ + file);
    std::ofstream(path_ + file, std::ios::binary) << text;
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

template <typename Window>
class OnFolder : public Window {
 public:
  template <typename... Args>
  explicit OnFolder(std::string folder, Args&&... args)
      : Window(std::forward<Args>(args)...), folder_(std::move(folder)) {}
  std::string GetSkinFolder() override { return folder_; }

 private:
  std::string folder_;
};

std::string ReadSkin(const std::string& file) {
  std::ifstream in(kBuiltSkins + file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class SkinFuzzTest : public ManagerWindowWorld {
 protected:
  void SetUp() override {
    CUIHost::Install(std::make_unique<CHeadlessHost>());
    ManagerWindowWorld::SetUp();
  }
  static constexpr int kRounds = 1000;
  // A window that cannot be made deletes itself: nullptr then.
  CMainUiDlg* OpenManager(const std::string& folder) {
    auto* window = new OnFolder<CMainUiDlg>(folder, PageServices(), LogDatabase());
    return window->Create(nullptr, "kvup", WS_POPUP, 0, 200, 120, 430, 468) ? window : nullptr;
  }
};

TEST_F(SkinFuzzTest, ManagerWindowAndToolTipOnDamagedSkinsOpenOrRefuseNeverCrash) {
  const DamagedSkinFolder folder(dir_.Sub("skin"));
  const std::string manager = ReadSkin("quorel.xml");
  const std::string tip = ReadSkin("tooltip.xml");
  ASSERT_FALSE(manager.empty());
  ASSERT_FALSE(tip.empty());
  folder.Put("quorel.xml", "<Window><Nothing");
  EXPECT_EQ(OpenManager(folder.path()), nullptr) << "the damaged copy is the one read";
  std::mt19937 rng(20261209);
  int opened = 0;
  for (int i = 0; i < kRounds; ++i) {
    folder.Put("quorel.xml", kvtest::Mutated(manager, rng));
    CMainUiDlg* window = OpenManager(folder.path());
    if (window == nullptr) continue;
    ++opened;
    folder.Put("tooltip.xml", kvtest::Mutated(tip, rng));
    auto* tipWindow = new OnFolder<CToolTipUiDlg>(folder.path());
    if (tipWindow->Create(window->GetHWND(), "", WS_POPUP, 0, 0, 0, CToolTipUiDlg::kCreateWidth,
                          CToolTipUiDlg::kCreateHeight) != nullptr) {
      window->SetToolTipWindow(tipWindow);
    }
    window->SetDropWindow(&link_, nullptr);
    window->DestroyWindow();
  }
  EXPECT_GT(opened, 0) << "some damage leaves a skin that still opens";
  std::printf("%d of %d damaged manager skins opened\n", opened, kRounds);
}

}  // namespace
}  // namespace managertest
