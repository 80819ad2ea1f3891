#pragma once
// The browser's tooltip: a top-most tool window that draws the tooltip
// mark-up (ui/TooltipMarkup.h) - bold runs, coloured runs, lines - in the
// system's status font on the tooltip colours, sized to its text and kept
// on the work area of the monitor under the pointer.

#include <string>
#include <vector>

#include "ui/TooltipMarkup.h"
#include "ui/win/Window.h"

namespace ui::win {

class CMarkupTooltip : public CWindow {
 public:
  ~CMarkupTooltip() override;

  bool Create(HWND owner);
  // Shows `markup` with its top-left corner near the screen point (below
  // and right of the pointer), moved to stay on the work area.
  void Show(const std::string& markup, POINT screen);
  void Hide();
  bool Visible() const { return m_hwnd != nullptr && IsWindowVisible(m_hwnd); }
  const std::string& Text() const { return m_text; }

 protected:
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  // Measures (draw false) or draws the lines; answers the text's size.
  SIZE Layout(HDC dc, bool draw);
  HFONT FontFor(bool bold);

  std::string m_text;
  std::vector<MarkupLine> m_lines;
  HFONT m_font = nullptr;
  HFONT m_boldFont = nullptr;
};

}  // namespace ui::win
