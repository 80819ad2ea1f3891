#include "ui/NumericField.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace ui {
namespace {

bool Contains(const std::string& text, const std::string& characters) {
  return !characters.empty() && text.find_first_of(characters) != std::string::npos;
}

void ReplaceAll(std::string& text, const std::string& from, const char* to) {
  if (from.empty()) return;
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + 1)) {
    text.replace(at, from.size(), to);
  }
}

}  // namespace

void CNumericField::SetRange(double minimum, double maximum) {
  m_minimum = minimum;
  m_maximum = maximum;
  m_value = Clamp(m_value);
}

double CNumericField::Clamp(double v) const { return std::max(m_minimum, std::min(m_maximum, v)); }

std::string CNumericField::Text(double v) const {
  char text[64];
  if (v == 0) v = 0;  // no "-0"
  switch (m_format) {
    case NumericFormat::kThreeDecimals: std::snprintf(text, sizeof text, "%1.3f", v); break;
    case NumericFormat::kTwoDecimals: std::snprintf(text, sizeof text, "%1.2f", v); break;
    case NumericFormat::kOneDecimal: std::snprintf(text, sizeof text, "%1.1f", v); break;
    case NumericFormat::kInteger: std::snprintf(text, sizeof text, "%1.0f", v); break;
    case NumericFormat::kHex: std::snprintf(text, sizeof text, "%x", static_cast<unsigned>(static_cast<int>(v))); break;
  }
  return text;
}

double CNumericField::Parse(const std::string& text) const {
  if (m_format == NumericFormat::kHex) {
    unsigned value = 0;
    return std::sscanf(text.c_str(), "%x", &value) == 1 ? static_cast<double>(static_cast<int>(value)) : 0.0;
  }
  // The conversion reads the C locale's point and minus: the user's own
  // characters are turned into those first.
  std::string c = text;
  if (m_locale.decimal != ".") ReplaceAll(c, m_locale.decimal, ".");
  if (m_locale.negative != "-") ReplaceAll(c, m_locale.negative, "-");
  return std::strtod(c.c_str(), nullptr);
}

double CNumericField::ReadValue(const std::string& text) {
  m_value = Clamp(Parse(text));
  return m_value;
}

CNumericField::SetAction CNumericField::SetValue(double v, bool force, bool notify, bool editHasFocus,
                                                 const std::string& editText) {
  SetAction action;
  m_value = Clamp(v);
  if (editHasFocus && !force) return action;
  const std::string text = Text(m_value);
  if (text == editText && !force) return action;
  // The old text already meant this value: the new text is no change to
  // report.
  m_notifyOnChange = notify && Parse(editText) != m_value;
  action.replaceText = true;
  action.text = text;
  action.caretAtEnd = text != editText;
  return action;
}

bool CNumericField::AcceptChar(const std::string& text, int selStart, int selEnd, char c) const {
  const unsigned char u = static_cast<unsigned char>(c);
  if (u < 0x20 || u == 0x7F) return true;  // backspace and the edit's Ctrl commands
  if (c >= '0' && c <= '9') return true;
  if (m_format == NumericFormat::kHex) return (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
  if (m_locale.negative.find(c) != std::string::npos) return true;
  const int size = static_cast<int>(text.size());
  selStart = std::max(0, std::min(selStart, size));
  selEnd = std::max(selStart, std::min(selEnd, size));
  const std::string rest = text.substr(0, static_cast<std::size_t>(selStart)) + text.substr(static_cast<std::size_t>(selEnd));
  if (m_locale.decimal.find(c) != std::string::npos) {
    if (m_format == NumericFormat::kInteger) return false;
    return !Contains(rest, m_locale.decimal);
  }
  if (c == 'e' || c == 'E') return selStart != 0 && rest.find_first_of("eE") == std::string::npos;
  return false;
}

double CNumericField::Step() const {
  switch (m_format) {
    case NumericFormat::kThreeDecimals: return 0.001;
    case NumericFormat::kTwoDecimals: return 0.01;
    case NumericFormat::kOneDecimal: return 0.1;
    default: return 1;
  }
}

double CNumericField::KeyStep(const std::string& text, bool up) const {
  return Clamp(Clamp(Parse(text)) + (up ? Step() : -Step()));
}

double CNumericField::WheelStep(const std::string& text, int delta) const {
  return Clamp(Clamp(Parse(text)) + (delta / 120) * Step());
}

CNumericField::ChangeAction CNumericField::OnTextChanged() {
  ChangeAction action;
  if (m_ignoreNextChange) {
    m_ignoreNextChange = false;
    return action;
  }
  if (m_notifyOnChange) {
    action.sendChange = true;
    action.startTimer = true;
  } else {
    // The first change after a silent set is the set's own.
    m_notifyOnChange = true;
  }
  return action;
}

CNumericField::TimerAction CNumericField::OnUpdateTimer(bool sliderOpen, bool captureInsideField) {
  return sliderOpen || captureInsideField ? TimerAction::kWaitAgain : TimerAction::kSendUpdate;
}

std::string CNumericField::OnFocusLeft(const std::string& text) {
  const double typed = Parse(text);
  m_value = Clamp(typed);
  const std::string clamped = Text(m_value);
  if (clamped == text) return std::string();
  m_notifyOnChange = Parse(text) != m_value;
  return clamped;
}

}  // namespace ui
