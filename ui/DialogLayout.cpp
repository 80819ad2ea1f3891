#include "ui/DialogLayout.h"

#include <algorithm>

#include "ui/DialogIds.h"

namespace ui {

const std::vector<Anchor>& MainDialogAnchors() {
  static const std::vector<Anchor> anchors = {
      {kIdPreview, 0, 0, 1, 1},     {kIdZoomText, 0, 1, 0, 0},    {kIdProgress, 0, 1, 0, 0},
      {kIdHintText, 0, 1, 1, 0},    {kIdOk, 1, 0, 0, 0},          {kIdCancel, 1, 0, 0, 0},
      {kIdHelp, 1, 0, 0, 0},        {kIdPresetLabel, 1, 0, 0, 0}, {kIdPresetList, 1, 0, 0, 0},
      {kIdPresetSave, 1, 0, 0, 0},  {kIdPresetDelete, 1, 0, 0, 0}, {kIdPanePlace, 1, 0, 0, 0},
  };
  return anchors;
}

void CDialogLayout::TakeReference(Size client, const std::map<int, Rect>& rectangles) {
  m_reference = client;
  m_rectangles.clear();
  for (const Anchor& a : m_anchors) {
    const auto it = rectangles.find(a.id);
    if (it != rectangles.end()) m_rectangles[a.id] = it->second;
  }
}

std::map<int, Rect> CDialogLayout::Arrange(Size client) const {
  const int dw = client.width - m_reference.width;
  const int dh = client.height - m_reference.height;
  std::map<int, Rect> placed;
  for (const Anchor& a : m_anchors) {
    const auto it = m_rectangles.find(a.id);
    if (it == m_rectangles.end()) continue;
    Rect r = it->second.Offset(a.dx * dw, a.dy * dh);
    r.right += a.gx * dw;
    r.bottom += a.gy * dh;
    placed[a.id] = r;
  }
  return placed;
}

Size CDialogLayout::MinimumTrackSize(Size reference, Size opened) {
  return {std::max(reference.width, opened.width), std::max(reference.height, opened.height)};
}

}  // namespace ui
