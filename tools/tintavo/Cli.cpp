#include "tools/tintavo/Cli.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tools/tintavo/Reporter.h"

namespace {

bool IsNegativeNumber(const std::string& arg) {
  return arg.size() >= 2 && arg[0] == '-' && arg[1] >= '0' && arg[1] <= '9';
}

bool Contains(const std::vector<std::string>& names, const std::string& name) {
  for (const std::string& n : names) {
    if (n == name) return true;
  }
  return false;
}

}  // namespace

bool ParseCommandLine(const std::vector<std::string>& args, const std::vector<std::string>& valued,
                      const std::vector<std::string>& flags, CommandLine* line, std::string* error) {
  *line = CommandLine();
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-' || IsNegativeNumber(arg)) {
      line->positional.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      line->help = true;
      continue;
    }
    std::string name = arg;
    std::string value;
    bool hasValue = false;
    const auto equals = arg.find('=');
    if (equals != std::string::npos) {
      name = arg.substr(0, equals);
      value = arg.substr(equals + 1);
      hasValue = true;
    }
    if (Contains(flags, name)) {
      if (hasValue) {
        *error = "option '" + name + "' takes no value";
        return false;
      }
      line->options[name] = std::string();
      continue;
    }
    if (!Contains(valued, name)) {
      *error = "unknown option '" + name + "'";
      return false;
    }
    if (!hasValue) {
      if (i + 1 >= args.size()) {
        *error = "option '" + name + "' needs a value";
        return false;
      }
      value = args[++i];
    }
    line->options[name] = value;
  }
  return true;
}

bool ParseCommandLine(const std::vector<std::string>& args, const std::vector<std::string>& valued,
                      CommandLine* line, std::string* error) {
  return ParseCommandLine(args, valued, {}, line, error);
}

bool ParseInteger(const std::string& text, int minimum, int maximum, int* value) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || end == text.c_str() || *end != '\0' || v < minimum || v > maximum) return false;
  *value = static_cast<int>(v);
  return true;
}

int Fail(const std::string& message) {
  Reporter::Get().Error(message);
  return kExitFailure;
}

int UsageError(const std::string& command, const std::string& message) {
  Reporter::Get().Line("tintavo " + command + ": " + message + "\nTry 'tintavo " + command + " --help'.");
  return kExitUsage;
}

std::string SystemReason() {
  const int code = errno;
  return code != 0 ? std::strerror(code) : "unknown error";
}

std::string PlainReason(const std::string& text) {
  if (text.find("PICTURE_MAX_MEMORY") != std::string::npos) {
    return "the picture is too large to decode";
  }
  std::string plain = text;
  for (const char* prefix : {"Load: ", "Decode: ", "Template: ", "Picture: "}) {
    const std::size_t n = std::strlen(prefix);
    if (plain.compare(0, n, prefix) == 0) plain.erase(0, n);
  }
  return plain.empty() ? std::string("it cannot be decoded") : plain;
}
