#include "tools/tintavo/Cli.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

bool ParseCommandLine(const std::vector<std::string>& args, const std::vector<std::string>& valued,
                      CommandLine* line, std::string* error) {
  *line = CommandLine();
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-' || arg == "-") {
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
    bool known = false;
    for (const std::string& v : valued) known = known || v == name;
    if (!known) {
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
  std::fprintf(stderr, "tintavo: %s\n", message.c_str());
  return kExitFailure;
}

int UsageError(const std::string& command, const std::string& message) {
  std::fprintf(stderr, "tintavo %s: %s\nTry 'tintavo %s --help'.\n", command.c_str(), message.c_str(),
               command.c_str());
  return kExitUsage;
}
