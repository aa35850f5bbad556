#include "app/CommandLine.h"

#include <charconv>
#include <cstdlib>
#include <cstring>

#include "session/ServiceConfig.h"

namespace {

const char* Env(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : nullptr;
}

bool ParseNumber(const std::string& text, int low, int high, int* out) {
  int value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return false;
  if (value < low || value > high) return false;
  *out = value;
  return true;
}

// "--name value" or "--name=value"; advances *i past a separate value.
bool TakeValue(int argc, const char* const* argv, int* i, const std::string& name,
               std::string* value, bool* matched) {
  const std::string arg = argv[*i];
  *matched = false;
  if (arg == name) {
    *matched = true;
    if (*i + 1 >= argc) return false;
    *value = argv[++*i];
    return true;
  }
  if (arg.compare(0, name.size() + 1, name + "=") == 0) {
    *matched = true;
    *value = arg.substr(name.size() + 1);
    return true;
  }
  return true;
}

}  // namespace

CommandLine::Result CommandLine::Parse(int argc, const char* const* argv, LaunchOptions* out,
                                       std::string* error) {
  LaunchOptions options;
  const char* url = Env("KVUP_SERVICE_URL");
  options.serviceUrl = url != nullptr ? url : ServiceConfig::kDefaultUrl;
  options.headless = Env("DISPLAY") == nullptr && Env("WAYLAND_DISPLAY") == nullptr;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") return Result::kHelp;
    if (arg == "--headless") {
      options.headless = true;
      continue;
    }
    if (arg == "--ui-timing") {
      options.uiTiming = true;
      continue;
    }
    if (arg == "--no-resume-journal") {
      options.resumeJournal = false;
      continue;
    }
    struct Valued {
      const char* name;
      std::string* target;
    };
    std::string port;
    std::string readyWait;
    const Valued valued[] = {{"--service", &options.serviceUrl},
                             {"--host", &options.host},
                             {"--user-data", &options.userDataDir},
                             {"--port", &port},
                             {"--ready-wait", &readyWait}};
    bool known = false;
    for (const Valued& option : valued) {
      bool matched = false;
      if (!TakeValue(argc, argv, &i, option.name, option.target, &matched)) {
        *error = std::string("option ") + option.name + " needs a value";
        return Result::kError;
      }
      if (!matched) continue;
      known = true;
      if (option.target == &port && !ParseNumber(port, 1, 65535, &options.linkPort)) {
        *error = "--port needs a number from 1 to 65535, not '" + port + "'";
        return Result::kError;
      }
      if (option.target == &readyWait &&
          !ParseNumber(readyWait, 0, 3600000, &options.readyWaitMs)) {
        *error = "--ready-wait needs milliseconds from 0 to 3600000, not '" + readyWait + "'";
        return Result::kError;
      }
      break;
    }
    if (!known) {
      *error = "unknown option '" + arg + "'";
      return Result::kError;
    }
  }
  *out = options;
  return Result::kRun;
}

std::string CommandLine::Usage(const char* program) {
  return std::string("Usage: ") + program +
         " [options]\n"
         "The upload companion of the desktop client.\n\n"
         "Options:\n"
         "  --service URL     service base URL (default: $KVUP_SERVICE_URL, else " +
         ServiceConfig::kDefaultUrl +
         ",\n"
         "                    the local stand-in service)\n"
         "  --host NAME       enterprise host named in the Host: line (default: the URL's host)\n"
         "  --user-data DIR   user-data folder (default: $XDG_CONFIG_HOME/Quorel/User Data);\n"
         "                    it must exist\n"
         "  --port N          local port of the desktop-client link (default: 23175)\n"
         "  --ready-wait MS   how long start-up waits for the service's first answer before\n"
         "                    the windows open offline (default: 30000)\n"
         "  --headless        run without windows (default when there is no display)\n"
         "  --no-resume-journal  write the unfinished work only when closing or going\n"
         "                    offline, as a measurement's baseline (a crash loses it)\n"
         "  --ui-timing       time every handler of the user-interface thread and log\n"
         "                    the histogram at exit (a measurement aid)\n"
         "  --help            show this text\n";
}
