#include "platform/MessageBox.h"

#include <gtest/gtest.h>

#include "tests/support/MessageBoxRecorder.h"

namespace {

TEST(MessageBoxTest, InstalledHandlerSeesTheBoxAndAnswers) {
  MessageBoxRecorder recorder(platform::kAnswerCancel);
  platform::MessageBoxRequest box;
  box.text = "text";
  box.caption = "caption";
  box.buttons = platform::MessageBoxButtons::kOkCancel;
  EXPECT_EQ(platform::kAnswerCancel, platform::ShowMessageBox(box));
  ASSERT_EQ(1u, recorder.Boxes().size());
  EXPECT_EQ("text", recorder.Boxes()[0].text);
  EXPECT_EQ("caption", recorder.Boxes()[0].caption);
}

TEST(MessageBoxTest, TextBoxAnswersTheDefaultButton) {
  platform::MessageBoxRequest box;
  box.caption = "Tintavo";
  box.text = "a line for the console";
  testing::internal::CaptureStderr();
  EXPECT_EQ(platform::kAnswerOk, platform::MessageBoxToStderr(box));
  box.buttons = platform::MessageBoxButtons::kYesNo;
  EXPECT_EQ(platform::kAnswerYes, platform::MessageBoxToStderr(box));
  const std::string printed = testing::internal::GetCapturedStderr();
  EXPECT_NE(std::string::npos, printed.find("Tintavo: a line for the console\n"));
}

}  // namespace
