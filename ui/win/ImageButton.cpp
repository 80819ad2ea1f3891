#include "ui/win/ImageButton.h"

#include <algorithm>
#include <vector>

#include "image/RowOp.h"
#include "image/RowOperation.h"
#include "image/RunRowOp.h"
#include "image/ScreenBitmap.h"
#include "imagefiles/FileType.h"
#include "imagefiles/Picture.h"
#include "ui/win/VisualStyles.h"
#include "ui/win/Window.h"

namespace ui::win {

bool CImageButton::Attach(HWND parent, int id) {
  m_hwnd = GetDlgItem(parent, id);
  if (m_hwnd == nullptr) return false;
  const LONG_PTR style = GetWindowLongPtrA(m_hwnd, GWL_STYLE);
  SetWindowLongPtrA(m_hwnd, GWL_STYLE, (style & ~static_cast<LONG_PTR>(BS_TYPEMASK)) | BS_OWNERDRAW);
  m_hook.Attach(m_hwnd, [this](UINT m, WPARAM w, LPARAM l, LRESULT* r) { return Message(m, w, l, r); });
  Redraw();
  return true;
}

void CImageButton::SetPicture(const CImageBuffer& picture) {
  m_picture.Clear();
  m_picture.Copy(picture).RaiseIfError();
  Redraw();
}

void CImageButton::ClearPicture() {
  m_picture.Clear();
  Redraw();
}

bool CImageButton::SetPictureFromResource(int id) {
  HMODULE module = CWindow::Module();
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), "PNG");
  if (found == nullptr) return false;
  HGLOBAL loaded = LoadResource(module, found);
  const DWORD size = SizeofResource(module, found);
  const auto* bytes = static_cast<const std::uint8_t*>(LockResource(loaded));
  if (bytes == nullptr || size == 0) return false;
  CPicture png;
  if (!png.Decode(bytes, size, keFileTypePNG)) return false;
  CImageBuffer picture;
  if (picture.CreateBGRA(static_cast<int>(png.GetWidth()), static_cast<int>(png.GetHeight())).Code() != 0) return false;
  for (int y = 0; y < picture.Height(); ++y) {
    CRowWriter row(picture, y);
    const long from = static_cast<long>(png.GetHeight()) - 1 - y;  // the picture's rows are bottom-up
    for (int x = 0; x < picture.Width(); ++x) {
      const PictureRgbQuad c = png.GetPixelColor(x, from, true);
      std::uint8_t* p = row.Row() + 4 * x;
      p[0] = c.rgbBlue;
      p[1] = c.rgbGreen;
      p[2] = c.rgbRed;
      p[3] = c.rgbReserved;
    }
  }
  m_picture = std::move(picture);
  Redraw();
  return true;
}

void CImageButton::SizeToPicture() {
  if (m_hwnd == nullptr || m_picture.IsEmpty()) return;
  SetWindowPos(m_hwnd, nullptr, 0, 0, m_picture.Width() + 2 * kMarginX, m_picture.Height() + 2 * kMarginY,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CImageButton::SetCaption(const std::string& text) {
  if (m_hwnd != nullptr) SetWindowTextA(m_hwnd, text.c_str());
  Redraw();
}

void CImageButton::Redraw() {
  if (m_hwnd == nullptr) return;
  InvalidateRect(m_hwnd, nullptr, FALSE);
}

bool CImageButton::Message(UINT message, WPARAM, LPARAM, LRESULT*) {
  switch (message) {
    case WM_MOUSEMOVE:
      if (!m_hot) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, m_hwnd, 0};
        TrackMouseEvent(&track);
        m_hot = true;
        Redraw();
      }
      return false;
    case WM_MOUSELEAVE:
      m_hot = false;
      Redraw();
      return false;
    default:
      return false;
  }
}

void CImageButton::Draw(const DRAWITEMSTRUCT& item) {
  const RECT r = item.rcItem;
  const int width = r.right - r.left, height = r.bottom - r.top;
  if (width <= 0 || height <= 0) return;
  const bool pressed = (item.itemState & ODS_SELECTED) != 0;
  const bool disabled = (item.itemState & ODS_DISABLED) != 0;

  // The face, off screen: the parent's background, then the button.
  HDC memory = CreateCompatibleDC(item.hDC);
  HBITMAP bitmap = CreateCompatibleBitmap(item.hDC, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  RECT face{0, 0, width, height};
  FillRect(memory, &face, GetSysColorBrush(COLOR_BTNFACE));
  CVisualStyles& styles = CVisualStyles::Get();
  HANDLE theme = styles.Open(m_hwnd, L"BUTTON");
  const int state = disabled ? 4 : pressed ? 3 : m_hot ? 2 : 1;
  if (!styles.DrawBackground(theme, memory, 1 /*BP_PUSHBUTTON*/, state, face)) {
    RECT edge = face;
    DrawFrameControl(memory, &edge, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0));
  }
  styles.Close(theme);

  if (m_picture.IsEmpty()) {
    // The caption, centred, lines kept.
    char text[256] = {};
    GetWindowTextA(m_hwnd, text, sizeof text);
    HGDIOBJ oldFont = SelectObject(memory, reinterpret_cast<HFONT>(SendMessageA(GetParent(m_hwnd), WM_GETFONT, 0, 0)));
    SetBkMode(memory, TRANSPARENT);
    SetTextColor(memory, GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
    RECT measure{0, 0, width - 8, height};
    DrawTextA(memory, text, -1, &measure, DT_CENTER | DT_WORDBREAK | DT_CALCRECT);
    const int textHeight = measure.bottom - measure.top;
    RECT place{4, (height - textHeight) / 2 + (pressed ? 1 : 0), width - 4, (height + textHeight) / 2 + 1};
    if (pressed) OffsetRect(&place, 1, 0);
    DrawTextA(memory, text, -1, &place, DT_CENTER | DT_WORDBREAK);
    SelectObject(memory, oldFont);
  }
  if ((item.itemState & ODS_FOCUS) != 0) {
    RECT focus = face;
    InflateRect(&focus, -3, -3);
    DrawFocusRect(memory, &focus);
  }
  SelectObject(memory, old);

  bool drawn = false;
  if (!m_picture.IsEmpty()) {
    // The picture blended over the face's pixels, the result to the screen.
    CImageBuffer pixels;
    if (ImageFromBitmap(pixels, bitmap).Code() == 0) {
      const int shift = pressed ? 1 : 0;
      const int left = (width - m_picture.Width()) / 2 + shift, top = (height - m_picture.Height()) / 2 + shift;
      const ImageRect target = ImageRect{left, top, left + m_picture.Width(), top + m_picture.Height()};
      const ImageRect inside{std::max(0, target.left), std::max(0, target.top), std::min(width, target.right),
                             std::min(height, target.bottom)};
      if (!inside.IsEmpty()) {
        const ImageRect from{inside.left - left, inside.top - top, inside.right - left, inside.bottom - top};
        const int mode = disabled ? 20 : pressed ? 7 : 0;
        const int opacity = disabled ? 100 : (pressed || m_hot) ? 255 : 200;
        RunRowOp(CRowOp::BlendLayer(mode, opacity), pixels, &m_picture, &inside, &from);
      }
      drawn = DrawStretched(pixels, item.hDC, ImageRect{r.left, r.top, r.right, r.bottom},
                            ImageRect{0, 0, width, height})
                  .Code() == 0;
    }
  }
  if (!drawn) {
    HGDIOBJ again = SelectObject(memory, bitmap);
    BitBlt(item.hDC, r.left, r.top, width, height, memory, 0, 0, SRCCOPY);
    SelectObject(memory, again);
  }
  DeleteObject(bitmap);
  DeleteDC(memory);
}

}  // namespace ui::win
