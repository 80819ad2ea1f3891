#include "ui/win/EditNum.h"

#include <algorithm>
#include <cstring>

#include "ui/win/VisualStyles.h"

namespace ui::win {
namespace {

// The user's decimal separator and negative sign.
NumericLocale UserLocale() {
  NumericLocale locale;
  char text[11] = {};
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, text, sizeof text) > 1) locale.decimal = text;
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SNEGATIVESIGN, text, sizeof text) > 1) locale.negative = text;
  return locale;
}

// The slider popup: a strip with a groove and a thumb, drawn from the value
// it is given.  It lives only while its tracking loop runs.
class CSliderPopup : public CWindow {
 public:
  CSliderPopup(const SliderRange& range, double value) : m_range(range), m_value(value) {}

  bool Create(HWND owner, const Rect& rect) {
    const char* cls = RegisterClassOnce("TintavoEditNumSlider", CS_SAVEBITS, nullptr, nullptr);
    HWND hwnd = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, cls, "", WS_POPUP, rect.left, rect.top,
                                rect.Width(), rect.Height(), owner, nullptr, Module(), this);
    return hwnd != nullptr;
  }
  void SetValue(double value) {
    m_value = value;
    InvalidateRect(m_hwnd, nullptr, FALSE);
    UpdateWindow(m_hwnd);
  }
  Rect Track() const {
    const Rect client = ClientRect();
    return SliderTrack(client.Width(), client.Height());
  }

 protected:
  bool OnMessage(UINT message, WPARAM, LPARAM, LRESULT* result) override {
    if (message == WM_PAINT) {
      Paint();
      *result = 0;
      return true;
    }
    if (message == WM_ERASEBKGND) {
      *result = 1;
      return true;
    }
    return false;
  }

 private:
  void Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(m_hwnd, &ps);
    RECT client;
    GetClientRect(m_hwnd, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    // Three nested borders: raised outside, then a dark line, then sunken.
    RECT edge = client;
    DrawEdge(dc, &edge, EDGE_RAISED, BF_RECT | BF_ADJUST);
    FrameRect(dc, &edge, GetSysColorBrush(COLOR_3DDKSHADOW));
    const Rect track = Track();
    const int middle = (track.top + track.bottom) / 2;
    RECT groove{track.left, middle - 2, track.right, middle + 2};
    DrawEdge(dc, &groove, EDGE_SUNKEN, BF_RECT);
    // The thumb: a pentagon 9 pixels wide pointing up.
    const int x = SliderThumbX(m_value, track, m_range);
    const int top = client.top + 2, bottom = client.bottom - 3;
    POINT thumb[5] = {{x, top}, {x + 4, top + 4}, {x + 4, bottom}, {x - 4, bottom}, {x - 4, top + 4}};
    HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
    HGDIOBJ oldBrush = SelectObject(dc, face);
    HPEN dark = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_3DDKSHADOW));
    HGDIOBJ oldPen = SelectObject(dc, dark);
    Polygon(dc, thumb, 5);
    HPEN light = CreatePen(PS_SOLID, 1, CVisualStyles::Get().Usable() ? RGB(0, 200, 0) : GetSysColor(COLOR_BTNHIGHLIGHT));
    SelectObject(dc, light);
    MoveToEx(dc, x - 3, bottom - 1, nullptr);
    LineTo(dc, x - 3, top + 4);
    LineTo(dc, x, top + 1);
    HPEN shadow = CreatePen(PS_SOLID, 1, CVisualStyles::Get().Usable() ? RGB(0, 100, 0) : GetSysColor(COLOR_BTNSHADOW));
    SelectObject(dc, shadow);
    MoveToEx(dc, x + 3, top + 4, nullptr);
    LineTo(dc, x + 3, bottom - 1);
    LineTo(dc, x - 3, bottom - 1);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(dark);
    DeleteObject(light);
    DeleteObject(shadow);
    EndPaint(m_hwnd, &ps);
  }

  SliderRange m_range;
  double m_value;
};

}  // namespace

CEditNum::CEditNum() { (void)CVisualStyles::Get(); }

CEditNum::~CEditNum() {
  m_editHook.Detach();
  m_buttonHook.Detach();
}

bool CEditNum::Create(HWND parent, int placeholderId, const EditNumOptions& options) {
  if (parent == nullptr) return false;
  HWND placeholder = GetDlgItem(parent, placeholderId);
  if (placeholder == nullptr) return false;
  m_parent = parent;
  m_id = placeholderId;
  m_dropDown = options.dropDown;
  m_delay = options.delay;
  m_scale = options.scale;
  m_field.SetFormat(options.format);
  m_field.SetLocale(UserLocale());

  RECT r{};
  GetWindowRect(placeholder, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  HWND before = GetWindow(placeholder, GW_HWNDPREV);
  DestroyWindow(placeholder);

  const char* cls = RegisterClassOnce("TintavoEditNum", 0, nullptr, nullptr);
  HWND hwnd = CreateWindowExA(WS_EX_CONTROLPARENT, cls, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, r.left, r.top,
                              r.right - r.left, r.bottom - r.top, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(placeholderId)), Module(), this);
  if (hwnd == nullptr) return false;
  SetWindowPos(hwnd, before != nullptr ? before : HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

  const int width = r.right - r.left, height = r.bottom - r.top;
  const int editRight = m_dropDown ? width - 18 : width - 2;
  m_edit = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 2, 2, editRight - 2,
                           height - 4, hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditId)), Module(), nullptr);
  if (m_edit == nullptr) return false;
  SendMessageA(m_edit, WM_SETFONT, SendMessageA(parent, WM_GETFONT, 0, 0), FALSE);
  m_editHook.Attach(m_edit, [this](UINT m, WPARAM w, LPARAM l, LRESULT* res) { return EditMessage(m, w, l, res); });
  if (m_dropDown) {
    m_button = CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, width - 17, 2, 15, height - 4,
                               hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButtonId)), Module(), nullptr);
    if (m_button == nullptr) return false;
    m_buttonHook.Attach(m_button,
                        [this](UINT m, WPARAM w, LPARAM l, LRESULT* res) { return ButtonMessage(m, w, l, res); });
  }
  SetRange(options.minimum, options.maximum);
  SetValue(options.value, true, options.notify);
  m_sliderWidth = options.sliderWidth;
  m_field.SetNotifyOnChange(true);
  return true;
}

// ---------------------------------------------------------------------------
// Value and text
// ---------------------------------------------------------------------------

std::string CEditNum::EditText() const {
  if (m_edit == nullptr) return std::string();
  const int length = GetWindowTextLengthA(m_edit);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  GetWindowTextA(m_edit, &text[0], length + 1);
  text.resize(std::strlen(text.c_str()));
  return text;
}

void CEditNum::Apply(const CNumericField::SetAction& action) {
  if (!action.replaceText || m_edit == nullptr) return;
  DWORD start = 0, end = 0;
  SendMessageA(m_edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  SetWindowTextA(m_edit, action.text.c_str());
  if (action.caretAtEnd) {
    const int length = static_cast<int>(action.text.size());
    SendMessageA(m_edit, EM_SETSEL, length, length);
  } else {
    SendMessageA(m_edit, EM_SETSEL, start, end);
  }
}

void CEditNum::SetValue(double value, bool force, bool notify) {
  Apply(m_field.SetValue(value, force, notify, m_edit != nullptr && GetFocus() == m_edit, EditText()));
}

double CEditNum::GetValue() { return m_field.ReadValue(EditText()); }

void CEditNum::SetRange(double minimum, double maximum) {
  m_field.SetRange(minimum, maximum);
  const double typed = m_field.Parse(EditText());
  if (typed < minimum || typed > maximum) SetValue(m_field.Clamp(typed), true, true);
}

// ---------------------------------------------------------------------------
// Notifications
// ---------------------------------------------------------------------------

void CEditNum::Notify(int code) {
  if (m_parent != nullptr && m_hwnd != nullptr) {
    SendMessageA(m_parent, WM_COMMAND, MAKEWPARAM(m_id, code), reinterpret_cast<LPARAM>(m_hwnd));
  }
}

bool CEditNum::IsPart(HWND hwnd) const {
  return hwnd != nullptr && (hwnd == m_hwnd || hwnd == m_edit || hwnd == m_button || hwnd == m_slider);
}

void CEditNum::TextChanged() {
  const CNumericField::ChangeAction action = m_field.OnTextChanged();
  if (action.sendChange) {
    ::KillTimer(m_edit, kUpdateTimer);
    Notify(EN_CHANGE);
    if (m_delay > 0) SetTimer(m_edit, kUpdateTimer, static_cast<UINT>(m_delay), nullptr);
  }
  InvalidateRect(m_hwnd, nullptr, FALSE);
}

void CEditNum::UpdateTimer() {
  ::KillTimer(m_edit, kUpdateTimer);
  const HWND capture = GetCapture();
  if (CNumericField::OnUpdateTimer(m_slider != nullptr, IsPart(capture)) == CNumericField::TimerAction::kSendUpdate) {
    Notify(EN_UPDATE);
  } else {
    SetTimer(m_edit, kUpdateTimer, static_cast<UINT>(std::max(m_delay, 1)), nullptr);
  }
}

void CEditNum::FocusLeft(HWND next) {
  if (CNumericField::FocusNotification(IsPart(next))) Notify(EN_KILLFOCUS);
  const std::string rewrite = m_field.OnFocusLeft(EditText());
  if (!rewrite.empty()) SetWindowTextA(m_edit, rewrite.c_str());
}

// ---------------------------------------------------------------------------
// The composite window
// ---------------------------------------------------------------------------

bool CEditNum::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case WM_SETFOCUS: {
      if (m_edit == nullptr) return false;
      SetFocus(m_edit);
      SendMessageA(m_edit, EM_SETSEL, 0, -1);
      SendMessageA(m_edit, EM_SCROLLCARET, 0, 0);
      InvalidateRect(m_hwnd, nullptr, FALSE);
      if (CNumericField::FocusNotification(IsPart(reinterpret_cast<HWND>(wParam)))) Notify(EN_SETFOCUS);
      *result = 0;
      return true;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) == kEditId && HIWORD(wParam) == EN_CHANGE) TextChanged();
      *result = 0;
      return true;
    case WM_ENABLE:
      if (m_edit != nullptr) EnableWindow(m_edit, static_cast<BOOL>(wParam));
      if (m_button != nullptr) EnableWindow(m_button, static_cast<BOOL>(wParam));
      InvalidateRect(m_hwnd, nullptr, FALSE);
      *result = 0;
      return true;
    case WM_SIZE:
    case WM_SETTINGCHANGE: {
      if (m_edit == nullptr) return false;
      const Rect client = ClientRect();
      const int w = client.Width(), h = client.Height();
      MoveWindow(m_edit, 3, 3, (m_dropDown ? w - 20 : w - 5) - 1, h - 5, TRUE);
      if (m_button != nullptr) MoveWindow(m_button, w - 17, 2, 15, h - 4, TRUE);
      *result = 0;
      return true;
    }
    case WM_DRAWITEM:
      DrawButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      *result = TRUE;
      return true;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
      // The parent dialog colours its children; the field's edit is one.
      *result = SendMessageA(m_parent, message, wParam, lParam);
      return true;
    case WM_PAINT:
      Paint();
      *result = 0;
      return true;
    case WM_ERASEBKGND:
      *result = 1;
      return true;
    case WM_NOTIFY:
      // Tool tips of the parts are the parent's, sent with the field's id.
      *result = SendMessageA(m_parent, WM_NOTIFY, static_cast<WPARAM>(m_id), lParam);
      return true;
    default:
      return false;
  }
}

void CEditNum::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(m_hwnd, &ps);
  RECT client;
  GetClientRect(m_hwnd, &client);
  CVisualStyles& styles = CVisualStyles::Get();
  HANDLE theme = styles.Open(m_hwnd, L"EDIT");
  const bool enabled = IsWindowEnabled(m_hwnd) != 0;
  if (!styles.DrawBackground(theme, dc, 1 /*EP_EDITTEXT*/, enabled ? 1 : 4, client)) {
    FillRect(dc, &client, GetSysColorBrush(enabled ? COLOR_WINDOW : COLOR_BTNFACE));
    RECT edge = client;
    DrawEdge(dc, &edge, EDGE_SUNKEN, BF_RECT);
  } else {
    RECT inside = client;
    InflateRect(&inside, -2, -2);
    FillRect(dc, &inside, GetSysColorBrush(enabled ? COLOR_WINDOW : COLOR_BTNFACE));
  }
  styles.Close(theme);
  EndPaint(m_hwnd, &ps);
}

// ---------------------------------------------------------------------------
// The edit
// ---------------------------------------------------------------------------

bool CEditNum::EditMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case WM_CHAR: {
      const char c = static_cast<char>(wParam);
      if (c == 1) {  // Ctrl+A selects the whole text
        SendMessageA(m_edit, EM_SETSEL, 0, -1);
        *result = 0;
        return true;
      }
      DWORD start = 0, end = 0;
      SendMessageA(m_edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
      if (m_field.AcceptChar(EditText(), static_cast<int>(start), static_cast<int>(end), c)) return false;
      *result = 0;
      return true;
    }
    case WM_KEYDOWN:
      if (wParam == VK_UP || wParam == VK_DOWN) {
        SetValue(m_field.KeyStep(EditText(), wParam == VK_UP), true, true);
        *result = 0;
        return true;
      }
      return false;
    case WM_MOUSEWHEEL:
      SetValue(m_field.WheelStep(EditText(), static_cast<short>(HIWORD(wParam))), true, true);
      *result = 0;
      return true;
    case WM_SETFOCUS:
      if (CNumericField::FocusNotification(IsPart(reinterpret_cast<HWND>(wParam)))) Notify(EN_SETFOCUS);
      return false;
    case WM_KILLFOCUS:
      *result = m_editHook.CallOriginal(message, wParam, lParam);
      FocusLeft(reinterpret_cast<HWND>(wParam));
      return true;
    case WM_TIMER:
      if (wParam != kUpdateTimer) return false;
      UpdateTimer();
      *result = 0;
      return true;
    default:
      return false;
  }
}

// ---------------------------------------------------------------------------
// The drop-down button and its slider
// ---------------------------------------------------------------------------

void CEditNum::SetHot(bool hot) {
  if (m_hot == hot) return;
  m_hot = hot;
  InvalidateRect(m_button, nullptr, FALSE);
}

bool CEditNum::ButtonMessage(UINT message, WPARAM /*wParam*/, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case WM_MOUSEMOVE:
      if (CVisualStyles::Get().Usable() && !m_hot) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, m_button, 0};
        TrackMouseEvent(&track);
        SetHot(true);
      }
      return false;
    case WM_MOUSELEAVE:
      SetHot(false);
      return false;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      SetHot(false);
      DropDown(static_cast<short>(LOWORD(static_cast<DWORD_PTR>(lParam))));
      *result = 0;
      return true;
    default:
      return false;
  }
}

void CEditNum::DrawButton(const DRAWITEMSTRUCT& item) {
  RECT r = item.rcItem;
  HDC dc = item.hDC;
  const bool disabled = (item.itemState & ODS_DISABLED) != 0;
  CVisualStyles& styles = CVisualStyles::Get();
  HANDLE theme = styles.Open(m_button, L"COMBOBOX");
  const int state = disabled ? 4 : m_pressed ? 3 : m_hot ? 2 : 1;
  const bool themed = styles.DrawBackground(theme, dc, 1 /*CP_DROPDOWNBUTTON*/, state, r);
  styles.Close(theme);
  if (themed) return;
  FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
  RECT edge = r;
  DrawEdge(dc, &edge, m_pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
  // A downward arrow of 7, 5, 3 and 1 pixels.
  const int cx = (r.left + r.right) / 2 + (m_pressed ? 1 : 0);
  const int cy = (r.top + r.bottom) / 2 - 2 + (m_pressed ? 1 : 0);
  auto arrow = [&](int dx, int dy, int colour) {
    HBRUSH brush = GetSysColorBrush(colour);
    for (int row = 0; row < 4; ++row) {
      RECT line{cx - 3 + row + dx, cy + row + dy, cx + 4 - row + dx, cy + row + 1 + dy};
      FillRect(dc, &line, brush);
    }
  };
  if (disabled) {
    arrow(1, 1, COLOR_BTNHIGHLIGHT);
    arrow(0, 0, COLOR_BTNSHADOW);
  } else {
    arrow(0, 0, COLOR_BTNTEXT);
  }
}

void CEditNum::DropDown(int clickX) {
  m_pressed = true;
  InvalidateRect(m_button, nullptr, FALSE);
  UpdateWindow(m_button);
  const double value = GetValue();
  const SliderRange range{m_field.Minimum(), m_field.Maximum(), m_scale};

  RECT button{};
  GetWindowRect(m_button, &button);
  POINT pointer{};
  GetCursorPos(&pointer);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoA(MonitorFromPoint(pointer, MONITOR_DEFAULTTONEAREST), &monitor);
  const SliderPlacement placement =
      PlaceSlider(ToRect(button), clickX, value, range, m_sliderWidth, ToRect(monitor.rcMonitor), ToRect(monitor.rcWork));
  if (placement.pointerShift != Point{}) {
    SetCursorPos(pointer.x + placement.pointerShift.x, pointer.y + placement.pointerShift.y);
  }

  CSliderPopup slider(range, value);
  if (slider.Create(m_edit, placement.rect)) {
    m_slider = slider.Handle();
    ShowWindow(m_slider, SW_SHOWNOACTIVATE);
    UpdateWindow(m_slider);
    TrackSlider(m_slider);
    m_slider = nullptr;
    DestroyWindow(slider.Handle());
  }
  m_pressed = false;
  InvalidateRect(m_button, nullptr, FALSE);
  SetFocus(m_edit);
  SendMessageA(m_edit, EM_SETSEL, 0, -1);
}

void CEditNum::TrackSlider(HWND slider) {
  auto* popup = static_cast<CSliderPopup*>(FromHandle(slider));
  const Rect track = popup->Track();
  const SliderRange range{m_field.Minimum(), m_field.Maximum(), m_scale};
  double last = m_field.Value();
  SetCapture(slider);
  MSG message;
  while (IsWindow(slider) && GetCapture() == slider) {
    const BOOL got = GetMessageA(&message, nullptr, 0, 0);
    if (got <= 0) {
      // The host is quitting: end, and leave the quit for its own loop.
      if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));
      break;
    }
    if (message.hwnd == slider || message.message == WM_KEYDOWN) {
      if (message.message == WM_LBUTTONUP || message.message == WM_CLOSE ||
          (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE)) {
        break;
      }
      if (message.message == WM_MOUSEMOVE || message.message == WM_LBUTTONDOWN) {
        const int x = static_cast<short>(LOWORD(static_cast<DWORD_PTR>(message.lParam)));
        const double v = SliderValueAt(x, track, range, (GetKeyState(VK_CONTROL) & 0x8000) != 0);
        if (v != last) {
          last = v;
          SetValue(v, true, true);
          popup->SetValue(m_field.Value());
          UpdateWindow(m_hwnd);
          UpdateWindow(m_edit);
        }
        continue;
      }
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  if (GetCapture() == slider) ReleaseCapture();
}

}  // namespace ui::win
