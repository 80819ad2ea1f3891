#include "ui/UiLog.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace ui {
namespace {

std::mutex g_mutex;

const char* LogPath() {
  const char* path = std::getenv("TINTAVO_UI_LOG");
  return path != nullptr && *path != '\0' ? path : nullptr;
}

}  // namespace

bool UiLogEnabled() { return LogPath() != nullptr; }

void UiLogLine(const std::string& line) {
  const char* path = LogPath();
  if (path == nullptr) return;
  std::lock_guard<std::mutex> lock(g_mutex);
  if (std::FILE* f = std::fopen(path, "ab")) {
    std::fputs(line.c_str(), f);
    std::fputc('\n', f);
    std::fclose(f);
  }
}

void UiLogControl(int id, const Rect& screen) {
  if (!UiLogEnabled()) return;
  UiLogLine("control " + std::to_string(id) + " " + std::to_string(screen.left) + " " + std::to_string(screen.top) +
            " " + std::to_string(screen.Width()) + " " + std::to_string(screen.Height()));
}

}  // namespace ui
