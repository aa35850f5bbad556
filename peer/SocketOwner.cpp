#include "peer/SocketOwner.h"

#include <cinttypes>
#include <cstdio>
#include <fstream>

namespace peer {
namespace {

struct Endpoint {
  uint32_t address;  // as the kernel prints it: the raw network-order word
  uint32_t port;     // host order
};

bool SameEndpoint(const Endpoint& e, const sockaddr_in& a) {
  return e.address == a.sin_addr.s_addr && e.port == ntohs(a.sin_port);
}

bool ParseLine(const std::string& line, Endpoint* local, Endpoint* remote, uid_t* uid) {
  unsigned slot = 0;
  unsigned state = 0;
  unsigned long owner = 0;
  const int n = std::sscanf(
      line.c_str(),
      " %u: %8" SCNx32 ":%4" SCNx32 " %8" SCNx32 ":%4" SCNx32 " %x %*x:%*x %*x:%*x %*x %lu", &slot,
      &local->address, &local->port, &remote->address, &remote->port, &state, &owner);
  if (n != 7) return false;
  *uid = static_cast<uid_t>(owner);
  return true;
}

}  // namespace

bool FindSocketOwner(const std::string& tablePath, const sockaddr_in& local,
                     const sockaddr_in& remote, uid_t* owner) {
  std::ifstream table(tablePath);
  if (!table) return false;
  std::string line;
  std::getline(table, line);  // column titles
  while (std::getline(table, line)) {
    Endpoint l{};
    Endpoint r{};
    uid_t uid = 0;
    if (!ParseLine(line, &l, &r, &uid)) continue;
    if (SameEndpoint(l, local) && SameEndpoint(r, remote)) {
      *owner = uid;
      return true;
    }
  }
  return false;
}

}  // namespace peer
