#include "platform/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "platform/LastError.h"

namespace platform {
namespace {

// Returns false so that callers can end with `return Fail();`.
bool Fail(int err = errno) {
  switch (err) {
    case ENOTEMPTY:
      SetLastError(kErrorDirNotEmpty);
      break;
    case EISDIR:
      SetLastError(kErrorAccessDenied);
      break;
    default:
      SetLastError(ErrorFromErrno(err));
  }
  return false;
}

bool IsDotEntry(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

DirEntry EntryOf(const std::string& dir, const dirent* entry) {
  DirEntry out{entry->d_name};
  const std::string full = dir + "/" + entry->d_name;
  struct stat st;
  if (entry->d_type == DT_DIR || entry->d_type == DT_REG) {
    out.isDirectory = entry->d_type == DT_DIR;
    out.isFile = entry->d_type == DT_REG;
  } else if (entry->d_type == DT_UNKNOWN && lstat(full.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
    out.isDirectory = S_ISDIR(st.st_mode);
    out.isFile = S_ISREG(st.st_mode);
  } else if (entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) {
    // A link counts as the regular file it points to; never as a folder.
    out.isFile = stat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode);
  }
  return out;
}

std::string ConfigHome() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && xdg[0] == '/') return xdg;  // relative values are ignored
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] != '\0') return std::string(home) + "/.config";
  const passwd* pw = getpwuid(getuid());
  if (pw != nullptr && pw->pw_dir != nullptr) return std::string(pw->pw_dir) + "/.config";
  return std::string();
}

}  // namespace

bool PathFileExists(const std::string& path) {
  struct stat st;
  if (path.empty()) return Fail(ENOENT);
  return stat(path.c_str(), &st) == 0 || Fail();
}

bool PathIsRegularFile(const std::string& path) {
  struct stat st;
  if (path.empty()) return Fail(ENOENT);
  if (stat(path.c_str(), &st) != 0) return Fail();
  return S_ISREG(st.st_mode) || Fail(EINVAL);
}

int OpenRegularFile(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    Fail();
    return -1;
  }
  struct stat st;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) return fd;
  close(fd);
  Fail(EINVAL);
  return -1;
}

bool PathIsDirectory(const std::string& path) {
  struct stat st;
  if (path.empty()) return Fail(ENOENT);
  if (stat(path.c_str(), &st) != 0) return Fail();
  return S_ISDIR(st.st_mode) || Fail(ENOTDIR);
}

bool CreateDirectory(const std::string& path) {
  if (path.empty()) return Fail(ENOENT);
  return mkdir(path.c_str(), 0777) == 0 || Fail();
}

bool DeleteFile(const std::string& path) {
  if (path.empty()) return Fail(ENOENT);
  return unlink(path.c_str()) == 0 || Fail();
}

bool RemoveDirectory(const std::string& path) {
  if (path.empty()) return Fail(ENOENT);
  return rmdir(path.c_str()) == 0 || Fail();
}

bool ListDirectory(const std::string& dir, std::vector<DirEntry>* out) {
  out->clear();
  // An empty folder name would make callers' joined paths start at the root.
  if (dir.empty()) return Fail(ENOENT);
  DIR* handle = opendir(dir.c_str());
  if (handle == nullptr) return Fail();
  for (;;) {
    errno = 0;
    const dirent* entry = readdir(handle);
    if (entry == nullptr) break;
    if (IsDotEntry(entry->d_name)) continue;
    out->push_back(EntryOf(dir, entry));
  }
  const int err = errno;
  closedir(handle);
  if (err != 0) return Fail(err);
  std::sort(out->begin(), out->end(),
            [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
  return true;
}

bool GetFileTimes(const std::string& path, int64_t* creation, int64_t* lastWrite) {
  struct statx stx;
  if (path.empty()) return Fail(ENOENT);
  const unsigned mask = STATX_BTIME | STATX_MTIME | STATX_CTIME;
  if (statx(AT_FDCWD, path.c_str(), 0, mask, &stx) != 0) return Fail();
  const bool hasBirth = (stx.stx_mask & STATX_BTIME) != 0 && stx.stx_btime.tv_sec != 0;
  if (creation != nullptr) *creation = hasBirth ? stx.stx_btime.tv_sec : stx.stx_ctime.tv_sec;
  if (lastWrite != nullptr) *lastWrite = stx.stx_mtime.tv_sec;
  return true;
}

std::string ProgramFolder() {
  std::string buf(256, '\0');
  for (;;) {
    const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
    if (n < 0) {
      Fail();
      return std::string();
    }
    if (static_cast<size_t>(n) < buf.size()) {
      buf.resize(static_cast<size_t>(n));
      break;
    }
    buf.resize(buf.size() * 2);
  }
  return buf.substr(0, buf.rfind('/') + 1);
}

bool UserDataFolder(std::string* out) {
  const std::string home = ConfigHome();
  if (home.empty()) return Fail(ENOENT);
  const std::string folder = home + "/Quorel/User Data";
  if (!PathIsDirectory(folder)) return false;
  *out = folder;
  return true;
}

}  // namespace platform
