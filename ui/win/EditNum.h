#pragma once
// CEditNum: the numeric field of the control pane.  It takes the place of
// an edit placeholder in a dialog: an edit that takes only number
// characters, and at its right a drop-down button that opens a slider
// under the field while the mouse button is held.  Arrow keys and the wheel
// step the value; the value is clamped to its range when it is read and
// when the focus leaves.  The parent hears of the field as of an edit
// (WM_COMMAND with EN_SETFOCUS, EN_KILLFOCUS, EN_CHANGE, and EN_UPDATE once
// the change-notification delay has passed), focus moves inside the field
// saying nothing.
//
// Every rule (formats, the character filter, steps, clamping, when to
// notify, the slider's geometry) is the portable CNumericField and
// SliderGeometry; this window turns messages into calls on them.

#include <string>

#include "ui/NumericField.h"
#include "ui/SliderGeometry.h"
#include "ui/win/Subclass.h"
#include "ui/win/Window.h"

namespace ui::win {

struct EditNumOptions {
  double minimum = 0;
  double maximum = 100;
  double value = 0;
  NumericFormat format = NumericFormat::kInteger;
  NumericScale scale = NumericScale::kLinear;
  int sliderWidth = -1;  // -1: the default 100 pixels
  int delay = 0;         // milliseconds before EN_UPDATE; 0 for none
  bool dropDown = true;
  bool notify = true;  // whether setting the initial value is reported
};

class CEditNum : public CWindow {
 public:
  static constexpr int kEditId = 1029;
  static constexpr int kButtonId = 1031;
  static constexpr UINT_PTR kUpdateTimer = 25;

  CEditNum();
  ~CEditNum() override;

  // Replaces the placeholder `placeholderId` of `parent` (same place, same
  // id, same place in the tab order).  False when the parent or the
  // placeholder is missing or a window cannot be made.
  bool Create(HWND parent, int placeholderId, const EditNumOptions& options);

  void SetValue(double value, bool force, bool notify);
  // The text converted and clamped; it becomes the value.
  double GetValue();
  void SetRange(double minimum, double maximum);
  HWND EditHandle() const { return m_edit; }
  HWND ButtonHandle() const { return m_button; }

 protected:
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  bool EditMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  bool ButtonMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  void Notify(int code);
  bool IsPart(HWND hwnd) const;
  std::string EditText() const;
  void Apply(const CNumericField::SetAction& action);
  void TextChanged();
  void UpdateTimer();
  void FocusLeft(HWND next);
  void Paint();
  void DrawButton(const DRAWITEMSTRUCT& item);
  void DropDown(int clickX);
  void TrackSlider(HWND slider);
  void SetHot(bool hot);

  CNumericField m_field;
  int m_id = 0;
  int m_delay = 0;
  int m_sliderWidth = -1;
  NumericScale m_scale = NumericScale::kLinear;
  bool m_dropDown = true;
  HWND m_parent = nullptr;
  HWND m_edit = nullptr;
  HWND m_button = nullptr;
  HWND m_slider = nullptr;
  CSubclass m_editHook;
  CSubclass m_buttonHook;
  bool m_pressed = false;
  bool m_hot = false;
};

}  // namespace ui::win
