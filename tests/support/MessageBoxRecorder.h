#pragma once
// Installs a message-box handler that records every box and answers a chosen
// button; the previous handler comes back when the recorder goes.

#include <vector>

#include "platform/MessageBox.h"

class MessageBoxRecorder {
 public:
  explicit MessageBoxRecorder(int answer = platform::kAnswerOk) {
    m_previous = platform::SetMessageBoxHandler([this, answer](const platform::MessageBoxRequest& r) {
      m_boxes.push_back(r);
      return answer;
    });
  }
  ~MessageBoxRecorder() { platform::SetMessageBoxHandler(m_previous); }
  MessageBoxRecorder(const MessageBoxRecorder&) = delete;
  MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

  const std::vector<platform::MessageBoxRequest>& Boxes() const { return m_boxes; }

 private:
  platform::MessageBoxHandler m_previous;
  std::vector<platform::MessageBoxRequest> m_boxes;
};
