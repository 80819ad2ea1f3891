#include "image/Palette.h"

namespace {

struct Tables {
  std::uint8_t two[2 * 4];
  std::uint8_t sixteen[16 * 4];
  std::uint8_t cube[256 * 4];
  std::uint8_t grey[256 * 4];

  Tables() : two{}, sixteen{}, cube{}, grey{} {
    two[4] = two[5] = two[6] = 255;
    // Red, green, blue of the sixteen colours.
    static constexpr std::uint32_t kRgb[16] = {
        0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
        0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    for (int i = 0; i < 16; ++i) {
      sixteen[i * 4 + 0] = static_cast<std::uint8_t>(kRgb[i] & 0xFF);
      sixteen[i * 4 + 1] = static_cast<std::uint8_t>((kRgb[i] >> 8) & 0xFF);
      sixteen[i * 4 + 2] = static_cast<std::uint8_t>((kRgb[i] >> 16) & 0xFF);
    }
    for (int r = 0; r < 6; ++r) {
      for (int g = 0; g < 6; ++g) {
        for (int b = 0; b < 6; ++b) {
          std::uint8_t* e = cube + (r * 36 + g * 6 + b) * 4;
          e[0] = static_cast<std::uint8_t>(b * 51);
          e[1] = static_cast<std::uint8_t>(g * 51);
          e[2] = static_cast<std::uint8_t>(r * 51);
        }
      }
    }
    for (int i = 0; i < 256; ++i) {
      grey[i * 4 + 0] = grey[i * 4 + 1] = grey[i * 4 + 2] = static_cast<std::uint8_t>(i);
    }
  }
};

const Tables& TheTables() {
  static const Tables s_tables;
  return s_tables;
}

}  // namespace

const std::uint8_t* DefaultPalette(int entries) {
  switch (entries) {
    case 2: return TheTables().two;
    case 16: return TheTables().sixteen;
    case 256: return TheTables().cube;
    default: return nullptr;
  }
}

const std::uint8_t* GreyRampPalette() { return TheTables().grey; }

bool IsGreyRamp(const std::uint8_t* palette) {
  for (int i = 0; i < 256; ++i) {
    const std::uint8_t* e = palette + i * 4;
    if (e[0] != i || e[1] != i || e[2] != i) return false;
  }
  return true;
}
