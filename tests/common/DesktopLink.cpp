#include "common/DesktopLink.h"

#include <json/json.h>

namespace kvtest {

bool DesktopLink::ConnectAndGreet(uint16_t port, int timeoutMs) {
  if (!socket_.ConnectWithin(port, timeoutMs)) return false;
  return socket_.Send("{\"type\":0}") && socket_.Receive(timeoutMs) == "1";
}

namespace {

std::string CookieMessage(int type, const std::string& session, const std::string& account) {
  return R"({"type":)" + std::to_string(type) +
         R"(,"values":[{"domain":"127.0.0.1","name":"GSESSIONID","value":")" + session +
         R"(","path":"/"},{"domain":"127.0.0.1","name":"cookieUserAccount",)" + R"("value":")" +
         account + R"(","path":"/"}]})";
}

}  // namespace

bool DesktopLink::SendCookies(const std::string& session, const std::string& account) {
  return socket_.Send(CookieMessage(1, session, account));
}

bool DesktopLink::LogIn(const std::string& session, const std::string& account) {
  return socket_.Send(CookieMessage(14, session, account));
}

bool DesktopLink::Drop(const std::string& path) {
  Json::Value message(Json::objectValue);
  message["type"] = 20;
  message["paths"].append(path);
  Json::StreamWriterBuilder compact;
  compact["indentation"] = "";
  compact["emitUTF8"] = true;
  return socket_.Send(Json::writeString(compact, message));
}

bool DesktopLink::LogOut() {
  return socket_.Send("{\"type\":13}");
}

bool DesktopLink::Quit() {
  return socket_.Send("{\"type\":9}");
}

bool DesktopLink::Start(int timeoutMs) {
  return socket_.Send("{\"type\":10}") && socket_.Receive(timeoutMs) == "7";
}

bool DesktopLink::StartKvup(uint16_t port, const std::string& account) {
  return ConnectAndGreet(port) && SendCookies("session-" + account, account) && Start();
}

}  // namespace kvtest
