#include "ui/HoverTip.h"

namespace ui {

HoverActions CHoverTip::OnMove(int item, bool active) {
  HoverActions actions;
  if (item == m_hovered && active) return actions;
  actions.killTimer = true;
  actions.hideTip = m_visible;
  m_visible = false;
  m_hovered = m_shown = -1;
  m_ticks = 0;
  if (item >= 0 && active) {
    m_hovered = item;
    actions.setTimerMs = kHoverShowDelayMs;
  }
  return actions;
}

HoverActions CHoverTip::OnTimer(bool active, bool onHovered, const std::function<std::string(int)>& textOf) {
  HoverActions actions;
  if (m_visible) {
    m_ticks += 100;
    if (!active || m_ticks > 9999) {
      actions.killTimer = true;
      actions.hideTip = true;
      m_visible = false;
      if (!active) m_ticks = 0;
    }
    return actions;
  }
  if (m_hovered < 0 || !active) {
    actions.killTimer = true;
    return actions;
  }
  if (!onHovered || m_hovered == m_shown) return actions;
  const std::string text = textOf ? textOf(m_hovered) : std::string();
  if (text.empty()) return actions;
  actions.showTip = true;
  actions.text = text;
  actions.setTimerMs = kHoverTickMs;
  m_visible = true;
  m_shown = m_hovered;
  m_ticks = 0;
  return actions;
}

}  // namespace ui
