#pragma once
// The framework's process-wide lookup tables, built once at framework
// start-up and freed at shutdown.  Kernels only read them.

#include <cstdint>

struct FrameworkTables {
  // Entry i = (i + 128) / 255, for i up to 255 * 255 + 1.
  std::uint8_t divide255[65026];
  // 128 x 128 bytes of noise, each below 254, from a fixed generator so
  // every build and run-time gives the same bytes.
  std::uint8_t noise[128 * 128];
  // Entry i = floor(sqrt(i / 255) * 255).
  std::uint8_t squareRoot[256];
  // [a][i] = (a * 65536 + i / 2) / i for i from 1; [a][0] is 0.
  std::uint32_t reciprocal[256][256];
  // [a][v] = min(255, v * 255 / a), truncated; row 0 zero, row 255 the
  // identity.
  std::uint8_t unpremultiply[256][256];
};

// Builds the tables (a second call does nothing).  False when memory for
// them could not be had.
bool BuildFrameworkTables();
void FreeFrameworkTables();
// The tables, or null before start-up and after shutdown.
const FrameworkTables* GetFrameworkTables();

// The noise generator: the linear congruential generator
// x = x * 214013 + 2531011, answering bits 16 to 30 of x.  Seeded with 1.
class CNoiseGenerator {
 public:
  explicit CNoiseGenerator(std::uint32_t seed = 1) : m_state(seed) {}
  int Next() {
    m_state = m_state * 214013u + 2531011u;
    return static_cast<int>((m_state >> 16) & 0x7FFF);
  }

 private:
  std::uint32_t m_state;
};
