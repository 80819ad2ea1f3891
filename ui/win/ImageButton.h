#pragma once
// CImageButton: a push button that shows a picture (the control pane's
// template, the preset row's save and delete signs).
//
// The button is made owner-drawn; its parent forwards WM_DRAWITEM to
// Draw.  The face is the visual style's push button when styles are usable,
// else the classic face; the picture is centred on it (one pixel right and
// down while pressed) and blended over it with keRoRowBlendLayer: mode 0 at
// opacity 200 normally, 255 while the pointer is over it, mode 7
// (multiply) at 255 while pressed, mode 20 (screen) at 100 while disabled.
// Without a picture the caption is drawn, centred, on the face.

#include <string>

#include "image/ImageBuffer.h"
#include "ui/win/Subclass.h"

namespace ui::win {

class CImageButton {
 public:
  static constexpr int kMarginX = 4;
  static constexpr int kMarginY = 4;

  CImageButton() = default;
  CImageButton(const CImageButton&) = delete;
  CImageButton& operator=(const CImageButton&) = delete;

  // Takes over the button `id` of `parent`.
  bool Attach(HWND parent, int id);
  HWND Handle() const { return m_hwnd; }

  // The picture (kept as given; BGRA pictures keep their transparency), or
  // none: the caption is drawn.
  void SetPicture(const CImageBuffer& picture);
  void ClearPicture();
  bool HasPicture() const { return !m_picture.IsEmpty(); }
  const CImageBuffer& Picture() const { return m_picture; }
  // Decodes PNG resource `id` of the module, alpha kept; false when it
  // cannot.
  bool SetPictureFromResource(int id);
  // Sizes the button to its picture plus the margins.
  void SizeToPicture();
  void SetCaption(const std::string& text);
  void Redraw();

  // WM_DRAWITEM from the parent.
  void Draw(const DRAWITEMSTRUCT& item);

 private:
  bool Message(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

  HWND m_hwnd = nullptr;
  CSubclass m_hook;
  CImageBuffer m_picture;
  bool m_hot = false;
};

}  // namespace ui::win
