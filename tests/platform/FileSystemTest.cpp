#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <cstdlib>
#include <ctime>
#include <map>
#include <optional>

#include "common/TempDir.h"
#include "platform/FileSystem.h"
#include "platform/LastError.h"

using namespace platform;

namespace {

// Sets an environment variable for the life of the object, then restores it.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    const char* old = std::getenv(name);
    if (old != nullptr) old_ = old;
    if (value != nullptr)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  ~ScopedEnv() {
    if (old_)
      setenv(name_, old_->c_str(), 1);
    else
      unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

}  // namespace

TEST(FileSystemTest, ExistenceAndDirectoryTests) {
  kvtest::TempDir tmp;
  const std::string file = tmp.WriteFile("a.txt", "x");
  EXPECT_TRUE(PathFileExists(file));
  EXPECT_TRUE(PathFileExists(tmp.path()));
  EXPECT_TRUE(PathIsDirectory(tmp.path()));
  EXPECT_FALSE(PathIsDirectory(file));

  SetLastError(0);
  EXPECT_FALSE(PathFileExists(tmp.Sub("missing")));
  EXPECT_EQ(GetLastError(), kErrorFileNotFound);
  EXPECT_FALSE(PathIsDirectory(tmp.Sub("missing")));
  EXPECT_FALSE(PathFileExists(""));
}

TEST(FileSystemTest, CreateAndRemoveDirectory) {
  kvtest::TempDir tmp;
  const std::string dir = tmp.Sub("d");
  ASSERT_TRUE(CreateDirectory(dir));
  EXPECT_TRUE(PathIsDirectory(dir));
  EXPECT_FALSE(CreateDirectory(dir));
  EXPECT_EQ(GetLastError(), kErrorAlreadyExists);
  EXPECT_FALSE(CreateDirectory(tmp.Sub("no/such/parent")));
  EXPECT_EQ(GetLastError(), kErrorFileNotFound);

  tmp.WriteFile("d/f", "1");
  EXPECT_FALSE(RemoveDirectory(dir));
  EXPECT_EQ(GetLastError(), kErrorDirNotEmpty);
  EXPECT_TRUE(PathFileExists(dir + "/f"));

  ASSERT_TRUE(DeleteFile(dir + "/f"));
  EXPECT_FALSE(PathFileExists(dir + "/f"));
  EXPECT_TRUE(RemoveDirectory(dir));
  EXPECT_FALSE(PathFileExists(dir));
}

TEST(FileSystemTest, DeleteFileRefusesFoldersAndMissingFiles) {
  kvtest::TempDir tmp;
  ASSERT_TRUE(CreateDirectory(tmp.Sub("d")));
  EXPECT_FALSE(DeleteFile(tmp.Sub("d")));
  EXPECT_EQ(GetLastError(), kErrorAccessDenied);
  EXPECT_TRUE(PathIsDirectory(tmp.Sub("d")));
  EXPECT_FALSE(DeleteFile(tmp.Sub("missing")));
  EXPECT_EQ(GetLastError(), kErrorFileNotFound);
}

TEST(FileSystemTest, ListDirectoryGivesSortedEntriesWithoutDots) {
  kvtest::TempDir tmp;
  tmp.WriteFile("b.txt", "b");
  tmp.WriteFile("a.txt", "a");
  tmp.WriteFile("sub/inner.txt", "i");
  tmp.WriteFile(".hidden", "h");
  ASSERT_EQ(symlink(tmp.Sub("sub").c_str(), tmp.Sub("link").c_str()), 0);

  std::vector<DirEntry> entries{{"stale", true}};
  ASSERT_TRUE(ListDirectory(tmp.path(), &entries));
  ASSERT_EQ(entries.size(), 5u);
  const std::vector<std::string> names{".hidden", "a.txt", "b.txt", "link", "sub"};
  const std::vector<bool> dirs{false, false, false, false, true};
  for (size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(entries[i].name, names[i]);
    EXPECT_EQ(entries[i].isDirectory, dirs[i]) << entries[i].name;
  }
}

// Only regular files (and links to them) are ever read: a FIFO would block
// a reader for ever, a link to a folder could loop.
TEST(FileSystemTest, OnlyRegularFilesAndLinksToThemCountAsFiles) {
  kvtest::TempDir tmp;
  tmp.WriteFile("plain", "p");
  tmp.WriteFile("sub/inner.txt", "i");
  ASSERT_EQ(symlink(tmp.Sub("plain").c_str(), tmp.Sub("to-file").c_str()), 0);
  ASSERT_EQ(symlink(tmp.Sub("sub").c_str(), tmp.Sub("to-folder").c_str()), 0);
  ASSERT_EQ(symlink(tmp.Sub("gone").c_str(), tmp.Sub("dangling").c_str()), 0);
  ASSERT_EQ(mkfifo(tmp.Sub("fifo").c_str(), 0600), 0);

  std::vector<DirEntry> entries;
  ASSERT_TRUE(ListDirectory(tmp.path(), &entries));
  std::map<std::string, std::pair<bool, bool>> kinds;  // name: folder, file
  for (const DirEntry& e : entries) kinds[e.name] = {e.isDirectory, e.isFile};
  EXPECT_EQ(kinds["plain"], std::make_pair(false, true));
  EXPECT_EQ(kinds["to-file"], std::make_pair(false, true));
  EXPECT_EQ(kinds["sub"], std::make_pair(true, false));
  EXPECT_EQ(kinds["to-folder"], std::make_pair(false, false));
  EXPECT_EQ(kinds["dangling"], std::make_pair(false, false));
  EXPECT_EQ(kinds["fifo"], std::make_pair(false, false));

  EXPECT_TRUE(PathIsRegularFile(tmp.Sub("to-file")));
  EXPECT_FALSE(PathIsRegularFile(tmp.Sub("fifo")));
  EXPECT_FALSE(PathIsRegularFile(tmp.Sub("sub")));
  const int fd = OpenRegularFile(tmp.Sub("to-file"));
  EXPECT_GE(fd, 0);
  if (fd >= 0) close(fd);
  // Returns at once instead of waiting for a writer.
  EXPECT_EQ(OpenRegularFile(tmp.Sub("fifo")), -1);
  EXPECT_EQ(OpenRegularFile(tmp.Sub("sub")), -1);
  EXPECT_EQ(OpenRegularFile(tmp.Sub("gone")), -1);
}

TEST(FileSystemTest, ListDirectoryOfEmptyAndMissingFolders) {
  kvtest::TempDir tmp;
  std::vector<DirEntry> entries;
  ASSERT_TRUE(ListDirectory(tmp.path(), &entries));
  EXPECT_TRUE(entries.empty());

  EXPECT_FALSE(ListDirectory("", &entries));
  EXPECT_EQ(GetLastError(), kErrorFileNotFound);
  EXPECT_FALSE(ListDirectory(tmp.Sub("missing"), &entries));
  EXPECT_EQ(GetLastError(), kErrorFileNotFound);
  const std::string file = tmp.WriteFile("f", "x");
  EXPECT_FALSE(ListDirectory(file, &entries));
  EXPECT_EQ(GetLastError(), kErrorPathNotFound);
}

TEST(FileSystemTest, FileTimesGiveModificationAndCreation) {
  kvtest::TempDir tmp;
  const time_t before = time(nullptr);
  const std::string file = tmp.WriteFile("f", "x");
  const utimbuf times{1000000000, 1234567890};
  ASSERT_EQ(utime(file.c_str(), &times), 0);

  int64_t creation = 0;
  int64_t lastWrite = 0;
  ASSERT_TRUE(GetFileTimes(file, &creation, &lastWrite));
  EXPECT_EQ(lastWrite, 1234567890);
  // Birth time or status-change time: both fall within the test's run.
  EXPECT_GE(creation, before);
  EXPECT_LE(creation, time(nullptr));
}

TEST(FileSystemTest, FileTimesOfMissingFileFailAndKeepOutputs) {
  kvtest::TempDir tmp;
  int64_t creation = 7;
  int64_t lastWrite = 8;
  EXPECT_FALSE(GetFileTimes(tmp.Sub("missing"), &creation, &lastWrite));
  EXPECT_EQ(GetLastError(), kErrorFileNotFound);
  EXPECT_EQ(creation, 7);
  EXPECT_EQ(lastWrite, 8);
}

TEST(FileSystemTest, ProgramFolderHoldsThisTestProgram) {
  const std::string folder = ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.front(), '/');
  EXPECT_EQ(folder.back(), '/');
  EXPECT_TRUE(PathFileExists(folder + "kvup_platform_tests"));
}

TEST(FileSystemTest, UserDataFolderCountsOnlyWhenItExists) {
  kvtest::TempDir tmp;
  ScopedEnv xdg("XDG_CONFIG_HOME", tmp.path().c_str());
  std::string out = "unchanged";
  EXPECT_FALSE(UserDataFolder(&out));
  EXPECT_EQ(out, "unchanged");

  tmp.WriteFile("Quorel/User Data/marker", "");
  ASSERT_TRUE(UserDataFolder(&out));
  EXPECT_EQ(out, tmp.path() + "/Quorel/User Data");
}

TEST(FileSystemTest, UserDataFolderDefaultsToHomeConfig) {
  kvtest::TempDir tmp;
  ScopedEnv xdg("XDG_CONFIG_HOME", nullptr);
  ScopedEnv home("HOME", tmp.path().c_str());
  tmp.WriteFile(".config/Quorel/User Data/marker", "");
  std::string out;
  ASSERT_TRUE(UserDataFolder(&out));
  EXPECT_EQ(out, tmp.path() + "/.config/Quorel/User Data");

  ScopedEnv relative("XDG_CONFIG_HOME", "relative/path");
  out.clear();
  ASSERT_TRUE(UserDataFolder(&out));
  EXPECT_EQ(out, tmp.path() + "/.config/Quorel/User Data");
}
