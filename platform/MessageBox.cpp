#include "platform/MessageBox.h"

#include <cstdio>
#include <mutex>
#include <utility>

namespace platform {
namespace {

std::mutex g_handlerMutex;
MessageBoxHandler g_handler;

}  // namespace

int ShowMessageBox(const MessageBoxRequest& request) {
  MessageBoxHandler handler;
  {
    std::lock_guard<std::mutex> lock(g_handlerMutex);
    handler = g_handler;
  }
  return handler ? handler(request) : DefaultMessageBox(request);
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

}  // namespace platform
