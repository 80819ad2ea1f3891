#pragma once
// Posting messages to a window, and a window that is only a message queue.
//
// Workers report to their owner by posted messages, never sent ones, so they
// never wait for the owner.  A WindowHandle is an HWND on Windows.  Where no
// real window exists (POSIX, the command-line tool, the plug-in run without a
// dialog) a MessageQueue stands in: on Windows a message-only window read
// with the thread's message calls, on POSIX a thread-safe queue.

#include <cstdint>
#include <memory>

namespace platform {

using WindowHandle = void*;

struct WindowMessage {
  unsigned id = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
};

// Posts a message to a window (or to a MessageQueue's handle); false when it
// cannot be posted.
bool PostWindowMessage(WindowHandle window, unsigned id, std::uintptr_t wParam, std::intptr_t lParam);

class MessageQueue {
 public:
  // Made on the thread that will read it (Windows binds the queue to it).
  MessageQueue();
  ~MessageQueue();
  MessageQueue(const MessageQueue&) = delete;
  MessageQueue& operator=(const MessageQueue&) = delete;

  // The handle to post to.
  WindowHandle Handle() const;
  // Takes the oldest message numbered first..last; false when there is none.
  bool PeekRemove(unsigned first, unsigned last, WindowMessage* message);
  // Waits (without time limit when timeoutMs < 0) for a message numbered
  // first..last and takes it; false when the time ran out.
  bool Wait(unsigned first, unsigned last, WindowMessage* message, int timeoutMs = -1);

  struct State;  // the platform's queue; PostWindowMessage reaches it through the handle

 private:
  std::unique_ptr<State> m_state;
};

}  // namespace platform
