#include "FTL/CFExitNet.h"

#include <cxxabi.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "log/KvLog.h"

namespace FTL {

namespace {

bool StrictByDefault() {
#ifndef NDEBUG
  return true;
#else
  const char* value = std::getenv("KVUP_STRICT_EXIT");
  return value != nullptr && std::strcmp(value, "1") == 0;
#endif
}

std::atomic<bool>& Strict() {
  static std::atomic<bool> strict{StrictByDefault()};
  return strict;
}

std::string TypeName(const std::type_info& type) {
  int status = 0;
  std::unique_ptr<char, decltype(&std::free)> name(
      abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), &std::free);
  return status == 0 && name ? name.get() : type.name();
}

}  // namespace

bool ExitNetStrict() {
  return Strict().load();
}

void SetExitNetStrict(bool strict) {
  Strict() = strict;
}

void CatchLeftRunning(const std::type_info& type, const std::function<void()>& stop) {
  const std::string name = TypeName(type);
  KV_ERROR("", "%s still runs at exit: its owner did not stop it, stopping it now", name.c_str());
  stop();
  if (!ExitNetStrict()) return;
  // Logging may go nowhere (tests): standard error always reaches the runner.
  std::fprintf(stderr, "kvup: %s was left running at exit\n", name.c_str());
  std::fflush(stderr);
  std::abort();
}

}  // namespace FTL
