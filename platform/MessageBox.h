#pragma once
// Message boxes behind one replaceable handler.
//
// Every user-visible message of the system goes through ShowMessageBox.  The
// default handler is the platform's own box (MessageBoxA on Windows) or a line
// "caption: text" on stderr (POSIX, and Windows with TINTAVO_HEADLESS set, for
// hosts and tests without a desktop).  Tests install a recorder, so no test
// ever waits on a modal box.

#include <functional>
#include <memory>
#include <string>

namespace platform {

enum class MessageBoxButtons { kOk, kOkCancel, kYesNo, kYesNoCancel };
enum class MessageBoxIcon { kNone, kError, kWarning, kInformation, kQuestion };

// Answers, with the values of the Win32 IDOK ... IDNO codes.
enum MessageBoxAnswer : int { kAnswerOk = 1, kAnswerCancel = 2, kAnswerYes = 6, kAnswerNo = 7 };

struct MessageBoxRequest {
  void* owner = nullptr;  // owner window, or none
  std::string text;
  std::string caption;
  MessageBoxButtons buttons = MessageBoxButtons::kOk;
  MessageBoxIcon icon = MessageBoxIcon::kNone;
};

using MessageBoxHandler = std::function<int(const MessageBoxRequest&)>;

// Shows the box through the installed handler and answers the button pressed.
int ShowMessageBox(const MessageBoxRequest& request);

// A box with one OK button.
int ShowMessage(const std::string& text, const std::string& caption, MessageBoxIcon icon = MessageBoxIcon::kNone);

// Installs a handler (an empty one restores the default); answers the old one.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

// While it lives, the boxes shown on the thread that made it go to its
// handler instead of the process's one.  A worker thread that must not put a
// box on the screen (it would appear behind a modal dialog and block the
// dialog waiting for the worker) records them for its owner to show.
class ScopedThreadMessageBoxHandler {
 public:
  explicit ScopedThreadMessageBoxHandler(MessageBoxHandler handler);
  ~ScopedThreadMessageBoxHandler();
  ScopedThreadMessageBoxHandler(const ScopedThreadMessageBoxHandler&) = delete;
  ScopedThreadMessageBoxHandler& operator=(const ScopedThreadMessageBoxHandler&) = delete;

 private:
  MessageBoxHandler m_previous;
};

// The platform's own box.
int DefaultMessageBox(const MessageBoxRequest& request);

// The answer a box gives when nobody can press a button: its default button.
int DefaultAnswer(MessageBoxButtons buttons);

// Writes "caption: text" to stderr and answers the default button.
int MessageBoxToStderr(const MessageBoxRequest& request);

// While it lives, every box still reaches the handler that was installed
// before it, and the boxes with the error icon are counted: a caller learns
// whether the work it ran reported an error to the user.
class MessageBoxErrorWatch {
 public:
  MessageBoxErrorWatch();
  ~MessageBoxErrorWatch();
  MessageBoxErrorWatch(const MessageBoxErrorWatch&) = delete;
  MessageBoxErrorWatch& operator=(const MessageBoxErrorWatch&) = delete;

  int ErrorCount() const;
  // The text of the last error box.
  std::string LastError() const;

 private:
  struct State;
  std::shared_ptr<State> m_state;
  MessageBoxHandler m_previous;
};

}  // namespace platform
