#include "tools/kvup-service/ServiceOptions.h"

#include <cerrno>
#include <cstdlib>

namespace {

bool ToInt64(const std::string& text, int64_t* out) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  long long v = std::strtoll(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0') return false;
  *out = v;
  return true;
}

bool AddSession(const std::string& text, ServiceOptions* out) {
  size_t eq = text.find('=');
  if (eq == 0 || eq == std::string::npos || eq + 1 == text.size()) return false;
  out->sessions[text.substr(0, eq)] = text.substr(eq + 1);
  return true;
}

}  // namespace

const char* ServiceOptions::Usage() {
  return "usage: kvup-service --root DIR [--port N] [--session ID=ACCOUNT]...\n"
         "                    [--quota BYTES] [--max-file-size BYTES]\n"
         "                    [--control] [--fault RULE]... [--log-level LEVEL]\n";
}

bool ServiceOptions::Parse(int argc, char** argv, ServiceOptions* out, std::string* error) {
  for (int i = 1; i < argc; ++i) {
    std::string name = argv[i];
    if (name == "--control") {
      out->control = true;
      continue;
    }
    if (i + 1 >= argc) {
      *error = name + " needs a value";
      return false;
    }
    std::string value = argv[++i];
    int64_t number = 0;
    bool ok = true;
    if (name == "--port") {
      ok = ToInt64(value, &number) && number >= 0 && number <= 65535;
      out->port = static_cast<int>(number);
    } else if (name == "--root") {
      out->root = value;
    } else if (name == "--session") {
      ok = AddSession(value, out);
    } else if (name == "--quota") {
      ok = ToInt64(value, &out->quota) && out->quota >= 0;
    } else if (name == "--max-file-size") {
      ok = ToInt64(value, &out->maxFileSize) && out->maxFileSize >= 0;
    } else if (name == "--fault") {
      out->faults.push_back(value);
    } else if (name == "--log-level") {
      out->logLevel = value;
    } else {
      *error = "unknown option " + name;
      return false;
    }
    if (!ok) {
      *error = "bad value for " + name + ": " + value;
      return false;
    }
  }
  if (out->root.empty()) {
    *error = "--root is required";
    return false;
  }
  return true;
}
