#include "platform/MessageBox.h"

#include <cstdio>
#include <mutex>
#include <utility>

namespace platform {
namespace {

std::mutex g_handlerMutex;
MessageBoxHandler g_handler;
thread_local MessageBoxHandler t_threadHandler;

}  // namespace

ScopedThreadMessageBoxHandler::ScopedThreadMessageBoxHandler(MessageBoxHandler handler)
    : m_previous(std::exchange(t_threadHandler, std::move(handler))) {}

ScopedThreadMessageBoxHandler::~ScopedThreadMessageBoxHandler() { t_threadHandler = std::move(m_previous); }

int ShowMessageBox(const MessageBoxRequest& request) {
  if (t_threadHandler) return t_threadHandler(request);
  MessageBoxHandler handler;
  {
    std::lock_guard<std::mutex> lock(g_handlerMutex);
    handler = g_handler;
  }
  return handler ? handler(request) : DefaultMessageBox(request);
}

int ShowMessage(const std::string& text, const std::string& caption, MessageBoxIcon icon) {
  MessageBoxRequest box;
  box.text = text;
  box.caption = caption;
  box.icon = icon;
  return ShowMessageBox(box);
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler) {
  std::lock_guard<std::mutex> lock(g_handlerMutex);
  return std::exchange(g_handler, std::move(handler));
}

int DefaultAnswer(MessageBoxButtons buttons) {
  switch (buttons) {
    case MessageBoxButtons::kYesNo:
    case MessageBoxButtons::kYesNoCancel:
      return kAnswerYes;
    case MessageBoxButtons::kOk:
    case MessageBoxButtons::kOkCancel:
      break;
  }
  return kAnswerOk;
}

int MessageBoxToStderr(const MessageBoxRequest& request) {
  std::fprintf(stderr, "%s: %s\n", request.caption.c_str(), request.text.c_str());
  std::fflush(stderr);
  return DefaultAnswer(request.buttons);
}

struct MessageBoxErrorWatch::State {
  std::mutex mutex;
  int errors = 0;
  std::string last;
};

MessageBoxErrorWatch::MessageBoxErrorWatch() : m_state(std::make_shared<State>()) {
  MessageBoxHandler previous = SetMessageBoxHandler(nullptr);
  m_previous = previous;
  std::shared_ptr<State> state = m_state;
  SetMessageBoxHandler([state, previous](const MessageBoxRequest& request) {
    if (request.icon == MessageBoxIcon::kError) {
      std::lock_guard<std::mutex> lock(state->mutex);
      ++state->errors;
      state->last = request.text;
    }
    return previous ? previous(request) : DefaultMessageBox(request);
  });
}

MessageBoxErrorWatch::~MessageBoxErrorWatch() { SetMessageBoxHandler(m_previous); }

int MessageBoxErrorWatch::ErrorCount() const {
  std::lock_guard<std::mutex> lock(m_state->mutex);
  return m_state->errors;
}

std::string MessageBoxErrorWatch::LastError() const {
  std::lock_guard<std::mutex> lock(m_state->mutex);
  return m_state->last;
}

}  // namespace platform
