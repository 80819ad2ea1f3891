// tintavo: the Tintavo colour transfer on picture files, without an editor.

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "image/Framework.h"
#include "image/Status.h"
#include "imagefiles/LibraryVersions.h"
#include "platform/MessageBox.h"
#include "resources/ProductInfo.h"
#include "tools/tintavo/Cli.h"
#include "tools/tintavo/ToolCommand.h"

namespace {

const char kHelp[] =
    "Usage: tintavo COMMAND [ARGS]\n"
    "\n"
    "Repaints pictures in the colours of a template picture, as the Tintavo\n"
    "filter plug-in does inside an editor.\n"
    "\n"
    "Commands:\n"
    "  apply      repaint a picture:  tintavo apply --template T SRC OUT\n"
    "             or many:            tintavo apply --template T SRC... --output-dir DIR\n"
    "  convert    decode a picture as a template and write it as PNG/JPEG/TIFF/BMP\n"
    "  info       what Tintavo sees in a picture file\n"
    "  settings   show or change the settings the plug-in starts from\n"
    "  presets    list, save, load and delete named presets\n"
    "\n"
    "  tintavo COMMAND --help   help on one command\n"
    "  tintavo --version        version and linked libraries\n";

void PrintVersion() {
  std::printf("tintavo %s (%s)\n", TINTAVO_VERSION_TEXT, TINTAVO_FILE_DESCRIPTION);
  for (const LibraryVersion& v : LinkedLibraryVersions()) std::printf("  %s %s\n", v.name.c_str(), v.version.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  // Messages of the framework and of the run are lines on stderr here.
  platform::SetMessageBoxHandler(&platform::MessageBoxToStderr);
  (void)InitImageFramework();
  ToolCommand::InstallBeepCatcher();

  std::vector<std::string> args(argv + (argc > 1 ? 2 : 1), argv + argc);
  const std::string command = argc > 1 ? argv[1] : "";
  try {
    if (command.empty()) {
      std::fputs(kHelp, stderr);
      return kExitUsage;
    }
    if (command == "--help" || command == "-h" || command == "help") {
      std::fputs(kHelp, stdout);
      return kExitOk;
    }
    if (command == "--version") {
      PrintVersion();
      return kExitOk;
    }
    if (command == "apply") return RunApply(args);
    if (command == "convert") return RunConvert(args);
    if (command == "info") return RunInfo(args);
    if (command == "settings") return RunSettings(args);
    if (command == "presets") return RunPresets(args);
    std::fprintf(stderr, "tintavo: unknown command '%s'\nTry 'tintavo --help'.\n", command.c_str());
    return kExitUsage;
  } catch (const CJException& e) {
    return Fail(e.Code() == keErrOutOfMemory ? std::string("not enough memory") : std::string(e.what()));
  } catch (const std::bad_alloc&) {
    return Fail("not enough memory");
  } catch (const std::exception& e) {
    return Fail(e.what());
  }
}
