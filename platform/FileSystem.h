// Files and folders: existence, creation, deletion, listing, file times and
// the two folders the program starts from. Failures return false and set the
// thread's last error (platform/LastError.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

constexpr uint32_t kErrorDirNotEmpty = 145;

bool PathFileExists(const std::string& path);
bool PathIsDirectory(const std::string& path);
// A regular file, or a symbolic link to one: the only paths whose bytes are
// read (a FIFO or a device would block or never end).
bool PathIsRegularFile(const std::string& path);
// A descriptor of a regular file opened for reading, or -1 (last error set).
// Never blocks on a FIFO that took the file's place.
int OpenRegularFile(const std::string& path);
// Fails with kErrorAlreadyExists when the path exists.
bool CreateDirectory(const std::string& path);
// Removes a file (or a symbolic link); never a folder.
bool DeleteFile(const std::string& path);
// Removes an empty folder; kErrorDirNotEmpty otherwise.
bool RemoveDirectory(const std::string& path);

struct DirEntry {
  std::string name;
  // A real folder; a symbolic link is an entry of its own, so walks never loop.
  bool isDirectory = false;
  // A regular file or a link to one; links to folders, FIFOs, sockets and
  // devices are neither.
  bool isFile = false;
};

// The entries of dir sorted by name, never "." or "..". out is replaced.
bool ListDirectory(const std::string& dir, std::vector<DirEntry>* out);

// Seconds since 1970-01-01 UTC. Creation is the birth time where the file
// system records it, else the status-change time. Either output may be null.
bool GetFileTimes(const std::string& path, int64_t* creation, int64_t* lastWrite);

// The folder of the running executable, ending with '/'; empty on failure.
std::string ProgramFolder();

// $XDG_CONFIG_HOME/Quorel/User Data (default ~/.config/Quorel/User Data).
// Counts only if that folder exists: then out is set and the result is true.
bool UserDataFolder(std::string* out);

}  // namespace platform
