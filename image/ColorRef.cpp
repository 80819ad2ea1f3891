#include "image/ColorRef.h"

#include <cstring>

#include "image/PixelFormat.h"
#include "image/RowConverters_p.h"

CColorRef::CColorRef(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t alpha)
    : m_red(static_cast<std::uint16_t>(red * 257)),
      m_green(static_cast<std::uint16_t>(green * 257)),
      m_blue(static_cast<std::uint16_t>(blue * 257)),
      m_alpha(static_cast<std::uint16_t>(alpha * 257)),
      m_valid(true) {}

CColorRef CColorRef::FromRgb16(std::uint16_t red, std::uint16_t green, std::uint16_t blue,
                               std::uint16_t alpha) {
  CColorRef c;
  c.m_red = red;
  c.m_green = green;
  c.m_blue = blue;
  c.m_alpha = alpha;
  c.m_valid = true;
  return c;
}

CColorRef CColorRef::FromIndex(int index, std::uint8_t red, std::uint8_t green,
                               std::uint8_t blue, std::uint8_t alpha) {
  CColorRef c(red, green, blue, alpha);
  c.m_hasIndex = true;
  c.m_index = index;
  return c;
}

std::uint8_t CColorRef::Grey8() const {
  const unsigned r = m_red >> 8, g = m_green >> 8, b = m_blue >> 8;
  return static_cast<std::uint8_t>((77 * r + 151 * g + 28 * b) / 256);
}

std::uint16_t CColorRef::Grey16() const {
  const std::uint32_t r = m_red, g = m_green, b = m_blue;
  return static_cast<std::uint16_t>((77 * r + 151 * g + 28 * b) / 256);
}

int CColorRef::NearestIndex(const std::uint8_t* palette, int count) const {
  const int r = m_red >> 8, g = m_green >> 8, b = m_blue >> 8;
  if (palette == nullptr || count <= 0) return m_hasIndex ? m_index : -1;
  if (m_hasIndex && m_index >= 0 && m_index < count) {
    const std::uint8_t* e = palette + m_index * 4;
    if (e[0] == b && e[1] == g && e[2] == r) return m_index;
  }
  int best = 0;
  long bestDistance = -1;
  for (int i = 0; i < count; ++i) {
    const std::uint8_t* e = palette + i * 4;
    const long db = e[0] - b, dg = e[1] - g, dr = e[2] - r;
    const long d = dr * dr + dg * dg + db * db;
    if (bestDistance < 0 || d < bestDistance) {
      best = i;
      bestDistance = d;
      if (d == 0) break;
    }
  }
  return best;
}

CStatus CColorRef::Deliver(int format, const std::uint8_t* palette, int paletteCount,
                           std::uint8_t* pixel) const {
  const auto hi = [](std::uint16_t v) { return static_cast<std::uint8_t>(v >> 8); };
  const auto put16 = [](std::uint8_t* p, std::uint16_t v) { std::memcpy(p, &v, 2); };
  const auto putF = [](std::uint8_t* p, std::uint16_t v) {
    const float f = static_cast<float>(v) / 65535.0f;
    std::memcpy(p, &f, 4);
  };
  if (IsIndexedFormat(format)) {
    const int index = NearestIndex(palette, paletteCount);
    if (index < 0) return MakeStatus(keErrBadArgument);
    pixel[0] = static_cast<std::uint8_t>(index);
    if (format == keFormatIndex8A) pixel[1] = hi(m_alpha);
    return CStatus();
  }
  switch (format) {
    case keFormatGrey: pixel[0] = Grey8(); break;
    case keFormatGreyA: pixel[0] = Grey8(); pixel[1] = hi(m_alpha); break;
    case keFormatBGR:
      pixel[0] = hi(m_blue); pixel[1] = hi(m_green); pixel[2] = hi(m_red);
      break;
    case keFormatBGRA:
      pixel[0] = hi(m_blue); pixel[1] = hi(m_green); pixel[2] = hi(m_red); pixel[3] = hi(m_alpha);
      break;
    case keFormatBGRxA: {
      // The colour is straight; the format holds premultiplied channels.
      const std::uint8_t a = hi(m_alpha);
      pixel[0] = Premultiply(hi(m_blue), a);
      pixel[1] = Premultiply(hi(m_green), a);
      pixel[2] = Premultiply(hi(m_red), a);
      pixel[3] = a;
      break;
    }
    case keFormatGrey_u16: put16(pixel, Grey16()); break;
    case keFormatGreyA_u16: put16(pixel, Grey16()); put16(pixel + 2, m_alpha); break;
    case keFormatBGR_u16:
      put16(pixel, m_blue); put16(pixel + 2, m_green); put16(pixel + 4, m_red);
      break;
    case keFormatBGRA_u16:
      put16(pixel, m_blue); put16(pixel + 2, m_green); put16(pixel + 4, m_red);
      put16(pixel + 6, m_alpha);
      break;
    case keFormatBGRxA_u16: {
      const auto pre = [this](std::uint16_t v) {
        return static_cast<std::uint16_t>((static_cast<std::uint32_t>(v) * m_alpha + 32767) / 65535);
      };
      put16(pixel, pre(m_blue)); put16(pixel + 2, pre(m_green)); put16(pixel + 4, pre(m_red));
      put16(pixel + 6, m_alpha);
      break;
    }
    case keFormatGrey_f32: putF(pixel, Grey16()); break;
    case keFormatGreyA_f32: putF(pixel, Grey16()); putF(pixel + 4, m_alpha); break;
    case keFormatBGR_f32:
      putF(pixel, m_blue); putF(pixel + 4, m_green); putF(pixel + 8, m_red);
      break;
    case keFormatBGRA_f32:
    case keFormatBGRxA_f32:
      putF(pixel, m_blue); putF(pixel + 4, m_green); putF(pixel + 8, m_red);
      putF(pixel + 12, m_alpha);
      break;
    default: return MakeStatus(keErrBadArgument);
  }
  return CStatus();
}
