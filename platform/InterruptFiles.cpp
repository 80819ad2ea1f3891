#include "platform/InterruptFiles_p.h"

#include <csignal>
#include <cstring>
#include <mutex>

#include "platform/Console.h"

namespace platform::detail {
namespace {

// A path is written before its slot is armed; the handler reads only armed
// slots.
char g_paths[kInterruptSlots][4096];
volatile std::sig_atomic_t g_armed[kInterruptSlots];
std::mutex g_slots;

}  // namespace

int ArmInterruptFile(const char* path) {
  std::lock_guard<std::mutex> lock(g_slots);
  for (int i = 0; i < kInterruptSlots; ++i) {
    if (g_armed[i]) continue;
    std::strncpy(g_paths[i], path, sizeof g_paths[i] - 1);
    g_paths[i][sizeof g_paths[i] - 1] = '\0';
    g_armed[i] = 1;
    return i;
  }
  return -1;
}

void DisarmInterruptFile(int slot) {
  if (slot < 0 || slot >= kInterruptSlots) return;
  std::lock_guard<std::mutex> lock(g_slots);
  g_armed[slot] = 0;
}

void RemoveArmedInterruptFiles(void (*remove)(const char* path)) {
  for (int i = 0; i < kInterruptSlots; ++i) {
    if (g_armed[i]) remove(g_paths[i]);
  }
}

}  // namespace platform::detail
