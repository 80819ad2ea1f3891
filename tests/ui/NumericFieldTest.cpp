#include "ui/NumericField.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using ui::CNumericField;
using ui::NumericFormat;

CNumericField IntegerField() { return CNumericField(-100, 100, NumericFormat::kInteger); }

TEST(NumericFieldTest, TypedTextBeyondTheRangeStaysWhileTypingAndIsClampedWhenTheFocusLeaves) {
  CNumericField field = IntegerField();
  // The pane reads the field every 50 ms while "150" is being typed.
  EXPECT_EQ(field.ReadValue("150"), 100);
  // The pane does not force its sets: the typed text stays.
  const CNumericField::SetAction set = field.SetValue(100, false, true, true, "150");
  EXPECT_FALSE(set.replaceText);
  EXPECT_EQ(field.OnFocusLeft("150"), "100");
  EXPECT_EQ(field.Value(), 100);
  // Text that already is the clamped value stays as it is.
  EXPECT_EQ(field.OnFocusLeft("-25"), "");
  EXPECT_EQ(field.Value(), -25);
}

struct CharCase {
  const char* name;
  NumericFormat format;
  const char* decimal;  // the locale's separator
  const char* text;
  int selStart, selEnd;
  char c;
  bool accepted;
};

class NumericFieldCharTest : public testing::TestWithParam<CharCase> {};

TEST_P(NumericFieldCharTest, Filter) {
  const CharCase& k = GetParam();
  CNumericField::Locale locale;
  locale.decimal = k.decimal;
  CNumericField field(-100, 100, k.format, locale);
  EXPECT_EQ(field.AcceptChar(k.text, k.selStart, k.selEnd, k.c), k.accepted);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NumericFieldCharTest,
    testing::Values(CharCase{"digit", NumericFormat::kInteger, ".", "1", 1, 1, '7', true},
                    CharCase{"integer_refuses_point", NumericFormat::kInteger, ".", "1", 1, 1, '.', false},
                    CharCase{"minus_at_start", NumericFormat::kInteger, ".", "25", 0, 0, '-', true},
                    CharCase{"minus_anywhere", NumericFormat::kInteger, ".", "25", 1, 1, '-', true},
                    CharCase{"e_after_digit", NumericFormat::kInteger, ".", "1", 1, 1, 'e', true},
                    CharCase{"E_after_digit", NumericFormat::kInteger, ".", "1", 1, 1, 'E', true},
                    CharCase{"e_at_start", NumericFormat::kInteger, ".", "1", 0, 0, 'e', false},
                    CharCase{"second_e", NumericFormat::kInteger, ".", "1e2", 3, 3, 'e', false},
                    CharCase{"e_replacing_the_e", NumericFormat::kInteger, ".", "1e2", 1, 2, 'E', true},
                    CharCase{"letter", NumericFormat::kInteger, ".", "1", 1, 1, 'x', false},
                    CharCase{"space", NumericFormat::kInteger, ".", "1", 1, 1, ' ', false},
                    CharCase{"backspace", NumericFormat::kInteger, ".", "1", 1, 1, '\b', true},
                    CharCase{"ctrl_a", NumericFormat::kInteger, ".", "1", 1, 1, '\x01', true},
                    CharCase{"point_once", NumericFormat::kOneDecimal, ".", "1", 1, 1, '.', true},
                    CharCase{"second_point", NumericFormat::kTwoDecimals, ".", "1.5", 3, 3, '.', false},
                    CharCase{"point_over_the_point", NumericFormat::kTwoDecimals, ".", "1.5", 1, 2, '.', true},
                    CharCase{"comma_locale", NumericFormat::kThreeDecimals, ",", "1", 1, 1, ',', true},
                    CharCase{"point_in_comma_locale", NumericFormat::kThreeDecimals, ",", "1", 1, 1, '.', false},
                    CharCase{"hex_letter", NumericFormat::kHex, ".", "1", 1, 1, 'f', true},
                    CharCase{"hex_capital", NumericFormat::kHex, ".", "1", 1, 1, 'C', true},
                    CharCase{"hex_g", NumericFormat::kHex, ".", "1", 1, 1, 'g', false},
                    CharCase{"hex_minus", NumericFormat::kHex, ".", "1", 1, 1, '-', false}),
    [](const testing::TestParamInfo<CharCase>& info) { return std::string(info.param.name); });

struct ParseCase {
  NumericFormat format;
  const char* decimal;
  const char* text;
  double value;  // read and clamped
  const char* shown;  // the value written back
};

TEST(NumericFieldTest, TextsReadAndWritten) {
  const ParseCase cases[] = {
      {NumericFormat::kInteger, ".", "1e2", 100, "100"},
      {NumericFormat::kInteger, ".", "-25", -25, "-25"},
      {NumericFormat::kInteger, ".", "-", 0, "0"},
      {NumericFormat::kInteger, ".", "", 0, "0"},
      {NumericFormat::kInteger, ".", "-1e3", -100, "-100"},
      {NumericFormat::kInteger, ".", "-0", 0, "0"},
      {NumericFormat::kThreeDecimals, ".", "1.23456", 1.23456, "1.235"},
      {NumericFormat::kTwoDecimals, ",", "1,5", 1.5, "1.50"},
      {NumericFormat::kOneDecimal, ".", "2.25", 2.25, "2.2"},
      {NumericFormat::kHex, ".", "1f", 31, "1f"},
      {NumericFormat::kHex, ".", "zz", 0, "0"},
  };
  for (const ParseCase& k : cases) {
    SCOPED_TRACE(k.text);
    CNumericField::Locale locale;
    locale.decimal = k.decimal;
    CNumericField field(-100, 100, k.format, locale);
    EXPECT_DOUBLE_EQ(field.ReadValue(k.text), k.value);
    // (The written text uses the C point: the conversion's own.)
    EXPECT_EQ(field.Text(field.Value()), k.shown);
  }
}

TEST(NumericFieldTest, ArrowKeysStepByTheFormatsStepAndStopAtTheBounds) {
  struct Case {
    NumericFormat format;
    const char* text;
    bool up;
    double expected;
  };
  const Case cases[] = {
      {NumericFormat::kInteger, "5", true, 6},       {NumericFormat::kInteger, "5", false, 4},
      {NumericFormat::kInteger, "99", true, 100},    {NumericFormat::kInteger, "100", true, 100},
      {NumericFormat::kInteger, "-100", false, -100}, {NumericFormat::kInteger, "150", false, 99},
      {NumericFormat::kOneDecimal, "0.5", true, 0.6}, {NumericFormat::kTwoDecimals, "0.5", false, 0.49},
      {NumericFormat::kThreeDecimals, "0", true, 0.001}, {NumericFormat::kHex, "a", true, 11},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(std::string(k.text) + (k.up ? " up" : " down"));
    CNumericField field(-100, 100, k.format);
    EXPECT_NEAR(field.KeyStep(k.text, k.up), k.expected, 1e-12);
  }
}

TEST(NumericFieldTest, TheWheelStepsByWholeNotchesOnly) {
  CNumericField field = IntegerField();
  const struct {
    int delta;
    double expected;
  } cases[] = {{120, 11}, {-120, 9}, {240, 12}, {60, 10}, {-60, 10}, {119, 10}, {-359, 8}, {12000, 100}};
  for (const auto& k : cases) {
    SCOPED_TRACE(k.delta);
    EXPECT_EQ(field.WheelStep("10", k.delta), k.expected);
  }
}

TEST(NumericFieldTest, ASilentSetIsNotReportedButTheNextChangeIs) {
  CNumericField field = IntegerField();
  CNumericField::SetAction set = field.SetValue(5, false, false, false, "0");
  ASSERT_TRUE(set.replaceText);
  EXPECT_EQ(set.text, "5");
  EXPECT_TRUE(set.caretAtEnd);
  // The change the new text causes is the set's own.
  EXPECT_FALSE(field.OnTextChanged().sendChange);
  // The user's next change is reported, with the delayed update.
  const CNumericField::ChangeAction typed = field.OnTextChanged();
  EXPECT_TRUE(typed.sendChange);
  EXPECT_TRUE(typed.startTimer);
}

TEST(NumericFieldTest, ANotifyingSetIsReportedUnlessTheOldTextMeantTheSameValue) {
  CNumericField field = IntegerField();
  field.SetValue(7, false, true, false, "0");
  EXPECT_TRUE(field.OnTextChanged().sendChange);
  // "07" already meant 7: writing "7" is no change of value.
  field.SetValue(7, false, true, false, "07");
  EXPECT_FALSE(field.OnTextChanged().sendChange);
}

TEST(NumericFieldTest, SetsLeaveTheFocusedEditAloneUnlessForced) {
  CNumericField field = IntegerField();
  EXPECT_FALSE(field.SetValue(3, false, true, true, "1").replaceText);
  EXPECT_EQ(field.Value(), 3);
  const CNumericField::SetAction forced = field.SetValue(3, true, true, true, "3");
  EXPECT_TRUE(forced.replaceText);
  EXPECT_FALSE(forced.caretAtEnd);  // same text: the selection is kept
  // Unfocused, an equal text is not written again.
  EXPECT_FALSE(field.SetValue(3, false, true, false, "3").replaceText);
  // Values are clamped when stored.
  field.SetValue(1000, false, true, false, "3");
  EXPECT_EQ(field.Value(), 100);
}

TEST(NumericFieldTest, AChangeMarkedAsTheWindowsOwnIsNotReported) {
  CNumericField field = IntegerField();
  field.IgnoreNextChange();
  EXPECT_FALSE(field.OnTextChanged().sendChange);
  EXPECT_TRUE(field.OnTextChanged().sendChange);
}

TEST(NumericFieldTest, TheDelayedUpdateWaitsWhileTheUserIsStillInTheField) {
  using Action = CNumericField::TimerAction;
  EXPECT_EQ(CNumericField::OnUpdateTimer(false, false), Action::kSendUpdate);
  EXPECT_EQ(CNumericField::OnUpdateTimer(true, false), Action::kWaitAgain);
  EXPECT_EQ(CNumericField::OnUpdateTimer(false, true), Action::kWaitAgain);
}

TEST(NumericFieldTest, FocusNotificationsCrossOnlyTheFieldsBoundary) {
  EXPECT_TRUE(CNumericField::FocusNotification(false));
  EXPECT_FALSE(CNumericField::FocusNotification(true));
}

}  // namespace
