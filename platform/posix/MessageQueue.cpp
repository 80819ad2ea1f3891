#include "platform/MessageQueue.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace platform {

struct MessageQueue::State {
  std::mutex mutex;
  std::condition_variable posted;
  std::deque<WindowMessage> messages;

  bool Take(unsigned first, unsigned last, WindowMessage* message) {
    for (auto it = messages.begin(); it != messages.end(); ++it) {
      if (it->id >= first && it->id <= last) {
        *message = *it;
        messages.erase(it);
        return true;
      }
    }
    return false;
  }
};

bool PostWindowMessage(WindowHandle window, unsigned id, std::uintptr_t wParam, std::intptr_t lParam) {
  auto* state = static_cast<MessageQueue::State*>(window);
  if (state == nullptr) return false;
  {
    std::lock_guard<std::mutex> lock(state->mutex);
    state->messages.push_back(WindowMessage{id, wParam, lParam});
  }
  state->posted.notify_all();
  return true;
}

MessageQueue::MessageQueue() : m_state(std::make_unique<State>()) {}
MessageQueue::~MessageQueue() = default;

WindowHandle MessageQueue::Handle() const { return m_state.get(); }

bool MessageQueue::PeekRemove(unsigned first, unsigned last, WindowMessage* message) {
  std::lock_guard<std::mutex> lock(m_state->mutex);
  return m_state->Take(first, last, message);
}

bool MessageQueue::Wait(unsigned first, unsigned last, WindowMessage* message, int timeoutMs) {
  std::unique_lock<std::mutex> lock(m_state->mutex);
  const auto ready = [&] { return m_state->Take(first, last, message); };
  if (timeoutMs < 0) {
    m_state->posted.wait(lock, ready);
    return true;
  }
  return m_state->posted.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready);
}

}  // namespace platform
