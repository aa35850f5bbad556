#include <gtest/gtest.h>

#include <filesystem>

#include "common/LogCapture.h"
#include "common/TempDir.h"
#include "session/DataFolder.h"

namespace {

namespace fs = std::filesystem;

TEST(DataFolder, CacheFolderIsCreatedStepByStep) {
  kvtest::TempDir dir;
  EXPECT_TRUE(datafolder::CreateCacheFolder(dir.Sub("user")));
  EXPECT_TRUE(fs::is_directory(dir.Sub("user/kvd/cache")));
  EXPECT_TRUE(datafolder::CreateCacheFolder(dir.Sub("user")));  // all there already
  dir.WriteFile("other/kvd", "file in the way");
  kvtest::LogCapture log;
  EXPECT_FALSE(datafolder::CreateCacheFolder(dir.Sub("other")));
  EXPECT_TRUE(log.Contains("Function [CreateDirectory(" + dir.Sub("other/kvd") +
                           ")] failed: GetLastError [183]"));
}

TEST(DataFolder, RemovesFilesAndEmptySubfolders) {
  kvtest::TempDir dir;
  dir.WriteFile("kvd/a", "1");
  dir.WriteFile("kvd/b", "2");
  fs::create_directories(dir.Sub("kvd/cache"));
  EXPECT_TRUE(datafolder::RemoveFolder(dir.Sub("kvd")));
  EXPECT_FALSE(fs::exists(dir.Sub("kvd")));
  EXPECT_TRUE(datafolder::RemoveFolder(dir.Sub("kvd")));  // missing counts as removed
}

TEST(DataFolder, FilesInSubfoldersStayAndTheFolderWithThem) {
  kvtest::TempDir dir;
  dir.WriteFile("kvd/a", "1");
  dir.WriteFile("kvd/cache/01_x/part", "2");
  kvtest::LogCapture log;
  EXPECT_FALSE(datafolder::RemoveFolder(dir.Sub("kvd")));
  EXPECT_FALSE(fs::exists(dir.Sub("kvd/a")));
  EXPECT_TRUE(fs::exists(dir.Sub("kvd/cache/01_x/part")));
  EXPECT_TRUE(log.Contains("Function [RemoveDirectory(" + dir.Sub("kvd") +
                           ")] failed: GetLastError [145]"));
}

}  // namespace
