#include "image/FrameworkTables.h"

#include <cmath>
#include <new>

namespace {
FrameworkTables* s_tables = nullptr;
}  // namespace

bool BuildFrameworkTables() {
  if (s_tables != nullptr) return true;
  FrameworkTables* t = new (std::nothrow) FrameworkTables;
  if (t == nullptr) return false;
  for (int i = 0; i < 65026; ++i) t->divide255[i] = static_cast<std::uint8_t>((i + 128) / 255);
  // An explicit generator rather than rand(): C run-times differ in theirs.
  CNoiseGenerator noise(1);
  for (auto& v : t->noise) v = static_cast<std::uint8_t>(noise.Next() % 254);
  for (int i = 0; i < 256; ++i) {
    t->squareRoot[i] = static_cast<std::uint8_t>(std::floor(std::sqrt(i / 255.0) * 255.0));
  }
  for (int a = 0; a < 256; ++a) {
    t->reciprocal[a][0] = 0;
    for (int i = 1; i < 256; ++i) {
      t->reciprocal[a][i] = static_cast<std::uint32_t>((a * 65536u + static_cast<unsigned>(i) / 2) / static_cast<unsigned>(i));
    }
    for (int v = 0; v < 256; ++v) {
      int u = 0;
      if (a == 255) u = v;
      else if (a != 0) u = v * 255 / a > 255 ? 255 : v * 255 / a;
      t->unpremultiply[a][v] = static_cast<std::uint8_t>(u);
    }
  }
  s_tables = t;
  return true;
}

void FreeFrameworkTables() {
  delete s_tables;
  s_tables = nullptr;
}

const FrameworkTables* GetFrameworkTables() { return s_tables; }
