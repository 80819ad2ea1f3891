#pragma once
// The rules of a numeric field, without a window: how its value is written
// and read, which typed characters it takes, how far the arrow keys and the
// wheel step, and when it tells its parent about a change.
//
// The Win32 field (ui/win/EditNum) is an edit with a drop-down slider; it
// asks this object every question and does what the answer says.  The
// value is a double clamped to [minimum, maximum]; the text is written with
// one of five formats.  A field never overwrites what the user is typing:
// a value set while the edit has the focus changes the text only when
// forced, and the typed text is clamped only when the focus leaves (reading
// the value clamps at once, without touching the text).

#include <string>

namespace ui {

enum class NumericFormat : int {
  kThreeDecimals = 0,  // "%1.3f"
  kTwoDecimals = 1,    // "%1.2f"
  kOneDecimal = 2,     // "%1.1f"
  kInteger = 3,        // "%1.0f"
  kHex = 4,            // "%x"
};

enum class NumericScale : int { kLinear = 0, kLogarithmic = 1 };

// Characters of the user's locale (each may be several characters long;
// every one of them is accepted).
struct NumericLocale {
  std::string decimal = ".";
  std::string negative = "-";
};

class CNumericField {
 public:
  using Locale = NumericLocale;

  CNumericField() = default;
  CNumericField(double minimum, double maximum, NumericFormat format, const NumericLocale& locale = NumericLocale())
      : m_minimum(minimum), m_maximum(maximum), m_format(format), m_locale(locale) {}

  // ---- value and text ---------------------------------------------------------

  double Minimum() const { return m_minimum; }
  double Maximum() const { return m_maximum; }
  NumericFormat Format() const { return m_format; }
  double Value() const { return m_value; }
  void SetRange(double minimum, double maximum);
  void SetFormat(NumericFormat format) { m_format = format; }
  void SetLocale(const Locale& locale) { m_locale = locale; }

  // The larger of the minimum and the smaller of the maximum and `v`.
  double Clamp(double v) const;
  // `v` written in the field's format (format 4 as a hexadecimal integer).
  std::string Text(double v) const;
  // The number a text stands for: format 4 reads a hexadecimal integer,
  // the others a decimal number with an optional exponent, the locale's
  // decimal separator counting as a point.  Text that is no number reads 0.
  double Parse(const std::string& text) const;
  // Reading the field: the text converted and clamped becomes the value.
  double ReadValue(const std::string& text);

  // What a set asks of the window: the text to put into the edit, if any.
  struct SetAction {
    bool replaceText = false;
    std::string text;
    bool caretAtEnd = false;  // the text changed: caret after it; else the selection is kept
  };
  // Stores Clamp(v).  The text is written when the edit does not have the
  // focus or `force` is set, and only when it differs (or `force`).  With
  // `notify` false the change the new text causes is not reported (a silent
  // set); the same when the old text already meant the stored value.
  SetAction SetValue(double v, bool force, bool notify, bool editHasFocus, const std::string& editText);

  // ---- typing ---------------------------------------------------------------------

  // Whether the character `c` typed into `text` with the selection
  // [selStart, selEnd) is taken.  The rules apply to the text as it would
  // be without the selection.  Control characters (backspace, and the
  // edit's own Ctrl+A, Ctrl+C, Ctrl+V, Ctrl+X, Ctrl+Z) always pass.
  bool AcceptChar(const std::string& text, int selStart, int selEnd, char c) const;

  // One step of the arrow keys: 0.001, 0.01, 0.1, 1, 1 by format.
  double Step() const;
  // The value after an arrow key (up or down) from the text's value.
  double KeyStep(const std::string& text, bool up) const;
  // The value after a wheel message of `delta` (120 a notch; a partial
  // notch counts as none) from the text's value.
  double WheelStep(const std::string& text, int delta) const;

  // ---- notifications ------------------------------------------------------------

  // The edit's text changed: what to tell the parent.
  struct ChangeAction {
    bool sendChange = false;  // EN_CHANGE to the parent now
    bool startTimer = false;  // (re)start the delayed update
  };
  ChangeAction OnTextChanged();
  // The next change is the window's own doing and is not reported at all.
  void IgnoreNextChange() { m_ignoreNextChange = true; }
  bool NotifyOnChange() const { return m_notifyOnChange; }
  void SetNotifyOnChange(bool notify) { m_notifyOnChange = notify; }

  // The delayed update's timer fired: EN_UPDATE goes out unless the user is
  // still at work in the field (its slider open, or one of its parts
  // holding the mouse); then the timer is set again.
  enum class TimerAction { kSendUpdate, kWaitAgain };
  static TimerAction OnUpdateTimer(bool sliderOpen, bool captureInsideField);

  // The focus left the edit with `text` in it: the text to write back (the
  // clamped value in the field's format) when the text meant something
  // else, or "" when it stays.
  std::string OnFocusLeft(const std::string& text);

  // Focus notifications cross the field's boundary only: moving between
  // its edit, button and slider says nothing.
  static bool FocusNotification(bool otherWindowIsPartOfField) { return !otherWindowIsPartOfField; }

 private:
  double m_minimum = 0;
  double m_maximum = 100;
  double m_value = 0;
  NumericFormat m_format = NumericFormat::kInteger;
  Locale m_locale;
  bool m_notifyOnChange = true;
  bool m_ignoreNextChange = false;
};

}  // namespace ui
