#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>

#include "common/TempDir.h"
#include "platform/LastError.h"
#include "platform/SingleInstance.h"

using namespace platform;

TEST(SingleInstanceLockTest, SecondHolderIsRefusedUntilTheFirstReleases) {
  kvtest::TempDir dir;
  const std::string path = dir.Sub("kvup.lock");
  SingleInstanceLock first, second;
  ASSERT_TRUE(first.Acquire(path));
  EXPECT_TRUE(first.Acquire(path));  // holding it already
  EXPECT_FALSE(second.Acquire(path));
  EXPECT_EQ(GetLastError(), kErrorAlreadyExists);
  EXPECT_FALSE(second.Held());
  first.Release();
  EXPECT_FALSE(first.Held());
  EXPECT_TRUE(second.Acquire(path));
  {
    SingleInstanceLock scoped;
    EXPECT_FALSE(scoped.Acquire(path));
  }
  second.Release();
  {
    SingleInstanceLock scoped;
    EXPECT_TRUE(scoped.Acquire(path));
  }
  EXPECT_TRUE(first.Acquire(path));  // the destructor let it go
}

TEST(SingleInstanceLockTest, LockOfAKilledHolderProcessIsFree) {
  kvtest::TempDir dir;
  const std::string path = dir.Sub("kvup.lock");
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    SingleInstanceLock held;
    const char ok = held.Acquire(path) ? '1' : '0';
    if (write(ready[1], &ok, 1) != 1) _exit(2);
    for (;;) pause();
  }
  close(ready[1]);
  char ok = 0;
  ASSERT_EQ(read(ready[0], &ok, 1), 1);
  close(ready[0]);
  EXPECT_EQ(ok, '1');
  SingleInstanceLock mine;
  EXPECT_FALSE(mine.Acquire(path));
  EXPECT_EQ(GetLastError(), kErrorAlreadyExists);
  kill(child, SIGKILL);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(mine.Acquire(path));
}

TEST(SingleInstanceLockTest, FailsOnAMissingFolderOrASymbolicLink) {
  kvtest::TempDir dir;
  SingleInstanceLock lock;
  EXPECT_FALSE(lock.Acquire(dir.Sub("missing/kvup.lock")));
  EXPECT_NE(GetLastError(), kErrorAlreadyExists);
  const std::string target = dir.Sub("target");
  ASSERT_EQ(symlink(target.c_str(), dir.Sub("link.lock").c_str()), 0);
  EXPECT_FALSE(lock.Acquire(dir.Sub("link.lock")));
  struct stat st;
  EXPECT_NE(stat(target.c_str(), &st), 0);  // the link was not followed
}

TEST(SingleInstanceLockTest, DefaultPathIsInTheRuntimeFolderElseInTmpPerUser) {
  const char* old = std::getenv("XDG_RUNTIME_DIR");
  const std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
  setenv("XDG_RUNTIME_DIR", "/run/user/4711", 1);
  EXPECT_EQ(SingleInstanceLock::DefaultPath(), "/run/user/4711/kvup.lock");
  setenv("XDG_RUNTIME_DIR", "", 1);
  const std::string tmp = "/tmp/kvup-" + std::to_string(getuid()) + ".lock";
  EXPECT_EQ(SingleInstanceLock::DefaultPath(), tmp);
  unsetenv("XDG_RUNTIME_DIR");
  EXPECT_EQ(SingleInstanceLock::DefaultPath(), tmp);
  if (saved) setenv("XDG_RUNTIME_DIR", saved->c_str(), 1);
}
