#include "common/DesktopLink.h"

namespace kvtest {

bool DesktopLink::ConnectAndGreet(uint16_t port, int timeoutMs) {
  if (!socket_.ConnectWithin(port, timeoutMs)) return false;
  return socket_.Send("{\"type\":0}") && socket_.Receive(timeoutMs) == "1";
}

bool DesktopLink::SendCookies(const std::string& session, const std::string& account) {
  return socket_.Send(R"({"type":1,"values":[{"domain":"127.0.0.1","name":"GSESSIONID","value":")" +
                      session +
                      R"(","path":"/"},{"domain":"127.0.0.1","name":"cookieUserAccount",)" +
                      R"("value":")" + account + R"(","path":"/"}]})");
}

bool DesktopLink::Start(int timeoutMs) {
  return socket_.Send("{\"type\":10}") && socket_.Receive(timeoutMs) == "7";
}

bool DesktopLink::StartKvup(uint16_t port, const std::string& account) {
  return ConnectAndGreet(port) && SendCookies("session-" + account, account) && Start();
}

}  // namespace kvtest
