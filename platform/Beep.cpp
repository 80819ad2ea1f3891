#include "platform/Beep.h"

#include <atomic>

namespace platform {
namespace {

std::atomic<BeepHandler> g_beepHandler{nullptr};

}  // namespace

void Beep() {
  const BeepHandler handler = g_beepHandler.load();
  if (handler != nullptr) {
    handler();
  } else {
    DefaultBeep();
  }
}

BeepHandler SetBeepHandler(BeepHandler handler) { return g_beepHandler.exchange(handler); }

}  // namespace platform
