#include "ClientOptions.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>

#include "ClientMessages.h"

namespace kvclient {
namespace {

constexpr int kHello = 0, kCookies = 1, kQuit = 9, kStart = 10, kToggle = 11, kShow = 12,
              kLogout = 13, kLogin = 14;

bool ToInt(const std::string& text, int low, int* out) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || v < low || v > INT_MAX) return false;
  *out = static_cast<int>(v);
  return true;
}

// "--name=value" or "--name value"; advances *i past what it used.
bool OptionValue(int argc, char** argv, int* i, const std::string& name, std::string* value) {
  const std::string arg = argv[*i];
  const std::string prefix = "--" + name;
  if (arg.rfind(prefix + "=", 0) == 0) {
    *value = arg.substr(prefix.size() + 1);
    return true;
  }
  if (arg != prefix || *i + 1 >= argc) return false;
  *value = argv[++*i];
  return true;
}

bool ParseOption(int argc, char** argv, int* i, ClientOptions* o, std::string* error) {
  const std::string arg = argv[*i];
  std::string v;
  if (arg == "--help" || arg == "-h") {
    o->help = true;
    return true;
  }
  if (OptionValue(argc, argv, i, "port", &v)) {
    if (ToInt(v, 1, &o->port) && o->port <= 65535) return true;
  } else if (OptionValue(argc, argv, i, "connect-wait", &v)) {
    if (ToInt(v, 0, &o->connectWaitMs)) return true;
  } else if (OptionValue(argc, argv, i, "timeout", &v)) {
    if (ToInt(v, 0, &o->waitTimeoutMs)) return true;
  } else if (OptionValue(argc, argv, i, "session", &v)) {
    o->cookies.insert(o->cookies.begin(), {"GSESSIONID", v});
    return true;
  } else if (OptionValue(argc, argv, i, "account", &v)) {
    o->cookies.emplace_back("cookieUserAccount", v);
    return true;
  } else if (OptionValue(argc, argv, i, "domain", &v)) {
    o->domain = v;
    return true;
  } else if (OptionValue(argc, argv, i, "path", &v)) {
    o->path = v;
    return true;
  } else if (OptionValue(argc, argv, i, "cookie", &v)) {
    const size_t eq = v.find('=');
    if (eq != std::string::npos && eq > 0) {
      o->cookies.emplace_back(v.substr(0, eq), v.substr(eq + 1));
      return true;
    }
  }
  *error = "bad option: " + arg;
  return false;
}

Command Send(const std::string& name, std::string text) {
  Command c;
  c.name = name;
  c.text = std::move(text);
  return c;
}

bool ParseTimed(Command::Kind kind, const std::string& name, const std::string& arg, Command* c) {
  c->kind = kind;
  c->name = name;
  return ToInt(arg, 0, &c->ms);
}

bool ParseWait(const std::string& name, const std::string& arg, int defaultMs, Command* c) {
  c->kind = Command::Kind::kWait;
  c->name = name;
  c->ms = defaultMs;
  const size_t comma = arg.find(',');
  if (comma != std::string::npos && !ToInt(arg.substr(comma + 1), 0, &c->ms)) return false;
  // CODE or CODE/CODE/...: the first of them that arrives ends the wait.
  const std::string codes = arg.substr(0, comma);
  c->codes.clear();
  for (size_t begin = 0;;) {
    const size_t slash = codes.find('/', begin);
    int code = 0;
    if (!ToInt(codes.substr(begin, slash - begin), 0, &code)) return false;
    c->codes.push_back(code);
    if (slash == std::string::npos) return true;
    begin = slash + 1;
  }
}

bool ParseCommand(const std::string& word, const ClientOptions& o, Command* c) {
  const size_t eq = word.find('=');
  const std::string verb = word.substr(0, eq);
  const std::string arg = eq == std::string::npos ? std::string() : word.substr(eq + 1);
  const bool hasArg = eq != std::string::npos;
  static const CookieList kNone;
  const std::pair<const char*, int> plain[] = {{"hello", kHello},   {"start", kStart},
                                               {"toggle", kToggle}, {"show", kShow},
                                               {"logout", kLogout}, {"quit", kQuit}};
  for (const auto& [name, type] : plain) {
    if (verb == name && !hasArg) {
      *c = Send(word, TypeMessage(type, kNone, o.domain, o.path));
      return true;
    }
  }
  if ((verb == "cookies" || verb == "login") && !hasArg) {
    *c = Send(word, TypeMessage(verb == "login" ? kLogin : kCookies, o.cookies, o.domain, o.path));
    return verb == "login" || !o.cookies.empty();
  }
  if (verb == "drop" && !arg.empty()) {
    *c = Send(word, DropMessage({std::filesystem::absolute(arg).lexically_normal().string()}));
    return true;
  }
  if (verb == "send" && hasArg) {
    *c = Send(word, arg);
    return true;
  }
  if (verb == "wait") return ParseWait(word, arg, o.waitTimeoutMs, c);
  // The end of a batch: finished (3), nothing to upload (5), stopped (6) or
  // with failed files (8).
  if (verb == "end")
    return ParseWait(word, "3/5/6/8" + (hasArg ? "," + arg : ""), o.waitTimeoutMs, c);
  if (verb == "sleep") return ParseTimed(Command::Kind::kSleep, word, arg, c);
  if (verb == "hold") {
    c->kind = Command::Kind::kHold;
    c->name = word;
    return !hasArg || ToInt(arg, 0, &c->ms);
  }
  if (verb == "close" && !hasArg) {
    c->kind = Command::Kind::kClose;
    c->name = word;
    return true;
  }
  return false;
}

}  // namespace

bool ParseCommandLine(int argc, char** argv, ClientOptions* options, std::string* error) {
  std::vector<std::string> words;
  for (int i = 1; i < argc; ++i) {
    if (argv[i][0] == '-' && argv[i][1] == '-') {
      if (!ParseOption(argc, argv, &i, options, error)) return false;
    } else if (std::string(argv[i]) == "-h") {
      options->help = true;
    } else {
      words.emplace_back(argv[i]);
    }
  }
  for (const std::string& word : words) {
    Command c;
    if (!ParseCommand(word, *options, &c)) {
      *error = "bad command: " + word;
      return false;
    }
    options->commands.push_back(std::move(c));
  }
  if (options->commands.empty() && !options->help) {
    *error = "no commands given";
    return false;
  }
  return true;
}

std::string UsageText() {
  return R"(Usage: kvup-client [OPTIONS] COMMAND...
Stand-in desktop client: connects to kvup's link on 127.0.0.1, runs the commands
in order, prints every status code kvup sends with a time stamp, and closes the
link at the end (kvup ends when its client goes away).

Options:
  --port N            link port (default 23175)
  --session ID        cookie GSESSIONID=ID (the service session)
  --account NAME      cookie cookieUserAccount=NAME
  --cookie NAME=VAL   a further cookie (repeatable)
  --domain D          cookie domain (default 127.0.0.1)
  --path P            cookie path (default /)
  --connect-wait MS   keep trying to connect this long (default 5000)
  --timeout MS        default time limit of wait (default 10000)
  --help              this text

Commands:
  hello               type 0: greet (kvup answers 1)
  cookies             type 1 with the cookies: hand over the account's session
  start               type 10: let kvup start working (answered 7 while it waits)
  toggle              type 11: show or hide the drop window
  show                type 12: show the upload manager
  logout              type 13: go offline
  login               type 14 with the cookies: back online
  quit                type 9: end kvup
  drop=PATH           type 20: upload PATH as if dropped on the drop window
  send=TEXT           send TEXT as it is
  wait=CODE[,MS]      wait until status CODE arrives (exit 1 after MS); CODE/CODE/...
                      waits for the first of several codes
  end[=MS]            wait for the end of a batch: status 3, 5, 6 or 8
  sleep=MS            pause, still printing status codes
  hold[=MS]           keep the link open (MS, or until kvup closes it)
  close               close the link now

Exit codes: 0 done, 1 a wait timed out, 2 bad command line, 3 no connection
or a send failed, 4 kvup closed the link during a wait.
)";
}

}  // namespace kvclient
