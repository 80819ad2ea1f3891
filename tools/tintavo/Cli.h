#pragma once
// Shared pieces of the tintavo command-line tool: argument parsing, messages
// and exit codes.

#include <map>
#include <string>
#include <vector>

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;  // the work failed (a file, a picture, the run)
constexpr int kExitUsage = 2;    // the command line was wrong

struct CommandLine {
  std::vector<std::string> positional;
  std::map<std::string, std::string> options;  // "--name" -> value ("" for a flag)
  bool help = false;

  bool Has(const std::string& option) const { return options.count(option) != 0; }
};

// Parses the arguments after the command's name.  `valued` lists the options
// that take a value ("--name value" or "--name=value"), `flags` those that
// take none; "--help" and "-h" are always known; anything else starting
// with "-" is an error - except "-" itself (standard input or output) and a
// negative number ("-30"), which are positional.  After "--" everything is
// positional.
bool ParseCommandLine(const std::vector<std::string>& args, const std::vector<std::string>& valued,
                      const std::vector<std::string>& flags, CommandLine* line, std::string* error);
bool ParseCommandLine(const std::vector<std::string>& args, const std::vector<std::string>& valued,
                      CommandLine* line, std::string* error);

// A whole decimal number within [minimum, maximum]; false otherwise.
bool ParseInteger(const std::string& text, int minimum, int maximum, int* value);

// Prints "tintavo: <message>" on stderr and answers kExitFailure.
int Fail(const std::string& message);
// Prints "tintavo <command>: <message>" and a hint to the help; kExitUsage.
int UsageError(const std::string& command, const std::string& message);

// The system's reason for the last failed C library call (errno), as
// "No such file or directory".
std::string SystemReason();

// The subcommands; each answers the process's exit code.
int RunApply(const std::vector<std::string>& args);
int RunConvert(const std::vector<std::string>& args);
int RunInfo(const std::vector<std::string>& args);
int RunSettings(const std::vector<std::string>& args);
int RunPresets(const std::vector<std::string>& args);

// A decoder's error as the user reads it: without the internal prefixes
// ("Load: ", "Decode: ", "Template: ") and with the memory limit's name said
// in words.
std::string PlainReason(const std::string& text);
