#include "platform/MessageQueue.h"

#include <windows.h>

namespace platform {

struct MessageQueue::State {
  HWND window = nullptr;
};

bool PostWindowMessage(WindowHandle window, unsigned id, std::uintptr_t wParam, std::intptr_t lParam) {
  return window != nullptr && PostMessageA(static_cast<HWND>(window), id, static_cast<WPARAM>(wParam),
                                           static_cast<LPARAM>(lParam)) != 0;
}

MessageQueue::MessageQueue() : m_state(std::make_unique<State>()) {
  // A message-only window: it is never shown and receives only posted messages.
  m_state->window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    GetModuleHandleA(nullptr), nullptr);
}

MessageQueue::~MessageQueue() {
  if (m_state->window != nullptr) DestroyWindow(m_state->window);
}

WindowHandle MessageQueue::Handle() const { return m_state->window; }

bool MessageQueue::PeekRemove(unsigned first, unsigned last, WindowMessage* message) {
  MSG msg;
  if (m_state->window == nullptr || !PeekMessageA(&msg, m_state->window, first, last, PM_REMOVE)) return false;
  *message = WindowMessage{msg.message, static_cast<std::uintptr_t>(msg.wParam), static_cast<std::intptr_t>(msg.lParam)};
  return true;
}

bool MessageQueue::Wait(unsigned first, unsigned last, WindowMessage* message, int timeoutMs) {
  if (m_state->window == nullptr) return false;
  const DWORD start = GetTickCount();
  for (;;) {
    if (PeekRemove(first, last, message)) return true;
    DWORD wait = INFINITE;
    if (timeoutMs >= 0) {
      const DWORD spent = GetTickCount() - start;
      if (spent >= static_cast<DWORD>(timeoutMs)) return false;
      wait = static_cast<DWORD>(timeoutMs) - spent;
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_POSTMESSAGE);
  }
}

}  // namespace platform
