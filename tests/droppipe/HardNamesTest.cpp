// Local names and files that are hard to handle, dropped as one folder: what
// the service accepts is mirrored, what it refuses ends in the failed list
// with its words, what is not a regular file is never read, and the batch
// ends.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "PipelineWorld.h"
#include "session/COptions.h"

namespace pipetest {
namespace {

namespace fs = std::filesystem;

class HardNamesTest : public PipelineWorld {
 protected:
  void SetUp() override {
    PipelineWorld::SetUp();
    COptions::Instance().m_retryCount = 0;
  }

  // A file below folders whose full path is longer than PATH_MAX, made one
  // level at a time; returns its path.
  static std::string MakeDeepFile(const std::string& root, const std::string& content) {
    const std::string level(200, 'd');
    std::string path = root;
    int dir = open(root.c_str(), O_RDONLY | O_DIRECTORY);
    while (path.size() < 4200 && dir >= 0) {
      mkdirat(dir, level.c_str(), 0700);
      const int next = openat(dir, level.c_str(), O_RDONLY | O_DIRECTORY);
      close(dir);
      dir = next;
      path += "/" + level;
    }
    const int fd = dir < 0 ? -1 : openat(dir, "deep.txt", O_WRONLY | O_CREAT | O_TRUNC, 0600);
    EXPECT_GE(fd, 0);
    if (fd >= 0) {
      EXPECT_EQ(write(fd, content.data(), content.size()), static_cast<ssize_t>(content.size()));
      close(fd);
    }
    if (dir >= 0) close(dir);
    return path + "/deep.txt";
  }

  std::set<std::string> FailedPaths() {
    std::set<std::string> paths;
    for (const FailedUpload& f : Queue().PermanentFailures()) paths.insert(f.file.path);
    return paths;
  }
};

TEST_F(HardNamesTest, AcceptedNamesAreMirroredRefusedOnesListedAndOtherKindsNeverRead) {
  Start();
  const std::string root = dir_.Sub("hard");
  fs::create_directories(root);
  const std::vector<std::string> accepted{"-dash.txt",
                                          "--help",
                                          "quote\"'s `x`.txt",
                                          "50% off %41%%.txt",
                                          std::string(251, 'n') + ".txt",
                                          [] {
                                            std::string s;
                                            for (int i = 0; i < 85; ++i) s += "名";
                                            return s;
                                          }()};
  const std::vector<std::string> refused{"new\nline.txt", "back\\slash.txt", "bell\x07.txt"};
  // Bytes that are not UTF-8 travel as U+FFFD, as the service takes names.
  const std::string notUtf8 = "bad\xff\xfe.bin";
  MakeFile("hard/" + notUtf8, 100);
  for (const auto* names : {&accepted, &refused})
    for (const std::string& name : *names) MakeFile("hard/" + name, 3000 + name.size());
  const std::string deep = MakeDeepFile(root, "far below");
  ASSERT_EQ(symlink("loop", (root + "/loop").c_str()), 0);
  ASSERT_EQ(symlink("..", (root + "/up").c_str()), 0);
  ASSERT_EQ(mkfifo((root + "/pipe").c_str(), 0600), 0);
  if (geteuid() == 0) {
    ASSERT_EQ(mknod((root + "/zero").c_str(), S_IFCHR | 0600, makedev(1, 5)), 0);
  }

  Pipeline().OnDrop({root});
  ASSERT_TRUE(PumpUntilRetrying([&] { return CodeCount(DropPipeline::kCodeFailures) > 0; }))
      << "the batch never ended";
  ASSERT_EQ(CodeCount(DropPipeline::kCodeFailures), 1);
  EXPECT_EQ(CodeCount(DropPipeline::kCodeFinished), 0);
  EXPECT_EQ(store_.RemainingFiles(), 0);

  const std::map<std::string, RemoteEntry> remote = RemoteTree();
  for (const std::string& name : accepted) {
    ASSERT_TRUE(remote.count("hard/" + name)) << name;
    EXPECT_EQ(ReadAll(remote.at("hard/" + name).content), ReadAll(root + "/" + name)) << name;
  }
  const std::set<std::string> failed = FailedPaths();
  for (const std::string& name : refused) EXPECT_TRUE(failed.count(root + "/" + name)) << name;
  for (const FailedUpload& f : Queue().PermanentFailures())
    EXPECT_FALSE(f.description.empty()) << "the service's or kvup's words for " << f.file.path;
  ASSERT_TRUE(remote.count("hard/bad\uFFFD\uFFFD.bin"));
  EXPECT_EQ(ReadAll(remote.at("hard/bad\uFFFD\uFFFD.bin").content), ReadAll(root + "/" + notUtf8));
  // The folder too deep to be read by its path stands for its file.
  const auto holdsDeep = [&](const std::string& p) { return deep.starts_with(p + "/"); };
  EXPECT_EQ(std::count_if(failed.begin(), failed.end(), holdsDeep), 1) << "the deep folder";
  EXPECT_EQ(failed.size(), refused.size() + 1) << "nothing else failed";
  for (const char* other : {"loop", "up", "pipe", "zero"}) {
    EXPECT_FALSE(remote.count(std::string("hard/") + other)) << other;
    EXPECT_FALSE(failed.count(root + "/" + other)) << other;
  }
}

// Nothing in the drop could be read: the batch still ends, with the folder
// listed as failed.
TEST_F(HardNamesTest, DropOfOnlyAnUnreadableFolderEndsTheBatchWithIt) {
  Start();
  const std::string root = dir_.Sub("only-deep");
  fs::create_directories(root);
  const std::string deep = MakeDeepFile(root, "x");
  Pipeline().OnDrop({root});
  ASSERT_TRUE(PumpUntilCode(DropPipeline::kCodeFailures)) << "the batch never ended";
  ASSERT_EQ(Queue().PermanentFailures().size(), 1u);
  EXPECT_TRUE(deep.starts_with(Queue().PermanentFailures()[0].file.path + "/"));
  EXPECT_EQ(Queue().PermanentFailures()[0].errorCode, FailedUpload::kUnreadable);
  EXPECT_EQ(store_.RemainingFiles(), 0);
}

// Files changed while their chunks travel: one grows, one shrinks, one
// vanishes. The batch ends; the service never holds a mix of old and new
// bytes; a file it does not hold is listed failed.
TEST_F(HardNamesTest, FilesThatChangeOrVanishMidUploadAreNeverHeldMixed) {
  Start();
  const std::string counter = "breakPointUploadAction:delay=150";
  AddFault(counter);
  const size_t size = 6 * 131072;
  std::map<std::string, std::string> before;
  for (const char* name : {"grows.bin", "shrinks.bin", "vanishes.bin"})
    before[name] = ReadAll(MakeFile(std::string("changing/") + name, size));
  const std::string root = dir_.Sub("changing");
  Pipeline().OnDrop({root});
  ASSERT_TRUE(PumpUntil([&] { return Seen(counter) >= 4; })) << "uploads under way";
  std::ofstream(root + "/grows.bin", std::ios::app) << std::string(300000, 'g');
  ASSERT_EQ(truncate((root + "/shrinks.bin").c_str(), 131072 + 5), 0);
  ASSERT_EQ(unlink((root + "/vanishes.bin").c_str()), 0);
  ClearFaults();
  ASSERT_TRUE(PumpUntilRetrying([&] {
    return CodeCount(DropPipeline::kCodeFailures) + CodeCount(DropPipeline::kCodeFinished) > 0;
  })) << "the batch never ended";
  ASSERT_EQ(CodeCount(DropPipeline::kCodeFailures) + CodeCount(DropPipeline::kCodeFinished), 1);
  EXPECT_EQ(store_.RemainingFiles(), 0);
  const std::map<std::string, RemoteEntry> remote = RemoteTree();
  const std::set<std::string> failed = FailedPaths();
  for (const auto& [name, old] : before) {
    const std::string path = root + "/" + name;
    const auto held = remote.find("changing/" + name);
    const bool complete = held != remote.end() && held->second.status == 1;
    if (complete) {
      const std::string content = ReadAll(held->second.content);
      EXPECT_TRUE(content == old || content == ReadAll(path)) << name << " held mixed";
    }
    // Held as it was when digested, or as it is now; else listed failed.
    EXPECT_TRUE(complete || failed.count(path)) << name << " silently not held";
  }
}

}  // namespace
}  // namespace pipetest
