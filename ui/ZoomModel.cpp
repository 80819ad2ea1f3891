#include "ui/ZoomModel.h"

#include <algorithm>
#include <cmath>

namespace ui {
namespace {

constexpr double kFactors[CZoomModel::kStepCount] = {
    1.0 / 10, 1.0 / 9, 1.0 / 8, 1.0 / 7, 1.0 / 6, 1.0 / 5, 1.0 / 4, 1.0 / 3, 1.0 / 2, 2.0 / 3, 1.0,
    1.5,      2.0,     3.0,     4.0,     5.0,     6.0,     7.0,     8.0,     9.0,     10.0};

int RoundThroughFloat(double value) { return static_cast<int>(std::lround(static_cast<float>(value))); }

}  // namespace

double CZoomModel::StepFactor(int index) { return kFactors[std::clamp(index, 0, kStepCount - 1)]; }

void CZoomModel::SetImageSize(Size size) {
  m_image = size;
  ScrollTo(m_scroll);
}

void CZoomModel::SetClientSize(Size size) {
  m_client = size;
  ScrollTo(m_scroll);
}

double CZoomModel::FitZoom() const {
  if (!HasImage() || m_client.width <= 0 || m_client.height <= 0) return 1.0;
  const double w = m_image.width, h = m_image.height;
  const double cw = m_client.width, ch = m_client.height;
  return w / h < cw / ch ? ch / h : cw / w;
}

Point CZoomModel::CentreOffsetAt(double zoom) const {
  const int w = static_cast<int>(m_image.width * zoom);
  const int h = static_cast<int>(m_image.height * zoom);
  return {w < m_client.width ? (m_client.width - w) / 2 : 0, h < m_client.height ? (m_client.height - h) / 2 : 0};
}

Point CZoomModel::CentreOffset() const { return CentreOffsetAt(m_zoom); }

Size CZoomModel::ScrollSize() const {
  if (!HasImage()) return {};
  return {RoundThroughFloat(m_image.width * m_zoom), RoundThroughFloat(m_image.height * m_zoom)};
}

Point CZoomModel::ScrollLimit() const {
  const Size s = ScrollSize();
  return {std::max(0, s.width - m_client.width), std::max(0, s.height - m_client.height)};
}

void CZoomModel::ScrollTo(Point position) {
  const Point limit = ScrollLimit();
  m_scroll = {std::clamp(position.x, 0, limit.x), std::clamp(position.y, 0, limit.y)};
}

Point CZoomModel::ClientToImage(Point client) const {
  const Point o = CentreOffset();
  return {static_cast<int>((client.x + m_scroll.x - o.x) / m_zoom),
          static_cast<int>((client.y + m_scroll.y - o.y) / m_zoom)};
}

Point CZoomModel::ImageToClient(Point image) const {
  const Point o = CentreOffset();
  return {static_cast<int>(image.x * m_zoom - m_scroll.x + o.x), static_cast<int>(image.y * m_zoom - m_scroll.y + o.y)};
}

double CZoomModel::SetZoom(double factor, const Point* anchor) {
  const double old = m_zoom;
  Point imagePoint;
  if (anchor != nullptr) imagePoint = ClientToImage(*anchor);
  m_zoom = factor;
  if (anchor != nullptr) {
    const Point client = ImageToClient(imagePoint);
    const Size zoomed = ScrollSize();
    Point scroll{client.x + m_scroll.x - m_client.width / 2, client.y + m_scroll.y - m_client.height / 2};
    if (scroll.x < 0 || zoomed.width < m_client.width) scroll.x = 0;
    if (scroll.y < 0 || zoomed.height < m_client.height) scroll.y = 0;
    ScrollTo(scroll);
  } else {
    ScrollTo(m_scroll);
  }
  return old;
}

bool CZoomModel::StepIn(const Point* anchor) {
  for (int i = 0; i < kStepCount; ++i) {
    if (kFactors[i] > m_zoom) {
      m_step = i;
      SetZoom(kFactors[i], anchor);
      return true;
    }
  }
  return false;
}

bool CZoomModel::StepOut(const Point* anchor) {
  for (int i = kStepCount - 1; i >= 0; --i) {
    if (kFactors[i] < m_zoom) {
      m_step = i;
      SetZoom(kFactors[i], anchor);
      return true;
    }
  }
  return false;
}

}  // namespace ui
