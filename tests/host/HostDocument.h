#pragma once
// A host document for tests: interleaved planes, an optional selection mask
// and a filter record filled the way editors fill it.

#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

#include "host/FilterRecord.h"

class HostDocument {
 public:
  HostDocument(int width, int height, int planes, int16 mode = plugInModeRGBColor)
      : m_width(width), m_height(height), m_planes(planes),
        m_in(static_cast<std::size_t>(width) * height * planes), m_out(m_in.size()) {
    for (std::size_t i = 0; i < m_in.size(); ++i) m_in[i] = static_cast<std::uint8_t>(i * 7 + 3);
    m_out = m_in;
    std::memset(&m_record, 0, sizeof m_record);
    m_record.imageSize = Point{static_cast<int16>(height), static_cast<int16>(width)};
    m_record.planes = static_cast<int16>(planes);
    m_record.imageMode = mode;
    m_record.depth = 8;
    m_record.inLayerPlanes = static_cast<int16>(mode == plugInModeRGBColor ? 3 : 1);
    const Rect whole{0, 0, static_cast<int16>(height), static_cast<int16>(width)};
    m_record.inRect = m_record.outRect = m_record.maskRect = whole;
    m_record.inLoPlane = m_record.outLoPlane = 0;
    m_record.inHiPlane = m_record.outHiPlane = static_cast<int16>(planes - 1);
    m_record.inData = m_in.data();
    m_record.inRowBytes = width * planes;
    m_record.outData = m_out.data();
    m_record.outRowBytes = width * planes;
  }

  // Moving keeps the vectors' storage, so the record's pointers stay valid;
  // a copy would point into the original.
  HostDocument(HostDocument&&) = default;
  HostDocument(const HostDocument&) = delete;
  HostDocument& operator=(const HostDocument&) = delete;

  // A selection: mask(x, y) for every pixel.
  void Select(const std::function<std::uint8_t(int, int)>& mask) {
    m_mask.resize(static_cast<std::size_t>(m_width) * m_height);
    for (int y = 0; y < m_height; ++y) {
      for (int x = 0; x < m_width; ++x) m_mask[static_cast<std::size_t>(y) * m_width + x] = mask(x, y);
    }
    m_record.maskData = m_mask.data();
    m_record.maskRowBytes = m_width;
    m_record.haveMask = 1;
  }

  FilterRecord& Record() { return m_record; }
  std::uint8_t In(int x, int y, int plane) const { return m_in[Index(x, y, plane)]; }
  std::uint8_t Out(int x, int y, int plane) const { return m_out[Index(x, y, plane)]; }
  const std::vector<std::uint8_t>& InBytes() const { return m_in; }
  const std::vector<std::uint8_t>& OutBytes() const { return m_out; }
  void ClearOutput(std::uint8_t value) { std::fill(m_out.begin(), m_out.end(), value); }
  // The output as a copy of the input, as hosts hand it over.
  void ResetOutput() { m_out = m_in; }
  int Width() const { return m_width; }
  int Height() const { return m_height; }
  int Planes() const { return m_planes; }

 private:
  std::size_t Index(int x, int y, int plane) const {
    return (static_cast<std::size_t>(y) * m_width + x) * m_planes + plane;
  }

  int m_width, m_height, m_planes;
  std::vector<std::uint8_t> m_in, m_out, m_mask;
  FilterRecord m_record;
};
