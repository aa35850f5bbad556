#include "tools/kvup-service/SocketCutter.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdlib>

namespace {

int PortOf(int fd, bool peer) {
  sockaddr_in addr{};
  socklen_t len = sizeof addr;
  int rc = peer ? getpeername(fd, reinterpret_cast<sockaddr*>(&addr), &len)
                : getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  if (rc != 0 || addr.sin_family != AF_INET) return -1;
  return ntohs(addr.sin_port);
}

}  // namespace

bool SocketCutter::Cut(int localPort, int remotePort) {
  DIR* dir = opendir("/proc/self/fd");
  if (dir == nullptr) return false;
  bool cut = false;
  while (dirent* d = readdir(dir)) {
    int fd = std::atoi(d->d_name);
    if (d->d_name[0] == '.' || fd == dirfd(dir)) continue;
    if (PortOf(fd, false) == localPort && PortOf(fd, true) == remotePort) {
      cut = shutdown(fd, SHUT_RDWR) == 0;
      break;
    }
  }
  closedir(dir);
  return cut;
}
