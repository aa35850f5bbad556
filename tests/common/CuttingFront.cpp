#include "common/CuttingFront.h"

namespace kvtest {

void CuttingFront::Cut(int ms) {
  cutEndNs_ = (Clock::now() + std::chrono::milliseconds(ms)).time_since_epoch().count();
}

bool CuttingFront::Cutting() const {
  return Clock::now().time_since_epoch().count() < cutEndNs_;
}

void CuttingFront::Serve(int clientFd) {
  LoopbackClient client(clientFd);
  LoopbackClient target;
  if (Cutting() || !target.Connect(targetPort())) {
    ++refused_;
    return;
  }
  Relay(client, target, [this] { return Cutting(); });
}

}  // namespace kvtest
