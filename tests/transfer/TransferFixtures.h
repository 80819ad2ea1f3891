#pragma once
// Pictures made by the transfer tests, and a run of every engine pass on
// plain rows.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

#include "transfer/ColorLattice.h"
#include "transfer/ColorTransforms.h"
#include "transfer/RowBands.h"
#include "transfer/TransferPasses.h"
#include "transfer/WorkerThreads.h"

namespace transfer_test {

using transfer_detail::CTransferPasses;
using transfer_detail::DerivedSettings;
using transfer_detail::EngineConstants;
using transfer_detail::LoopKind;

// ---------------------------------------------------------------------------
// Fixtures: images made here
// ---------------------------------------------------------------------------

struct Image {
  int width = 0;
  int height = 0;
  int bytesPerPixel = 3;
  std::vector<std::uint8_t> bytes;
  std::uint8_t* Row(int y) { return bytes.data() + static_cast<std::size_t>(y) * width * bytesPerPixel; }
  const std::uint8_t* Row(int y) const {
    return bytes.data() + static_cast<std::size_t>(y) * width * bytesPerPixel;
  }
};

inline std::uint32_t Lcg(std::uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  return state >> 8;
}

// Photo-like: smooth gradients in each channel plus a little noise.
inline Image MakePicture(int width, int height, int bytesPerPixel, std::uint32_t seed, int tilt) {
  Image image{width, height, bytesPerPixel, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * bytesPerPixel)};
  std::uint32_t state = seed;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int noise = static_cast<int>(Lcg(state) % 21) - 10;
      const int r = 30 + (180 * x) / std::max(1, width - 1) + noise;
      const int g = 20 + (150 * y) / std::max(1, height - 1) + tilt + noise / 2;
      const int b = 200 - (120 * (x + y)) / std::max(1, width + height - 2) - tilt - noise;
      std::uint8_t* p = image.Row(y) + static_cast<std::size_t>(x) * bytesPerPixel;
      const int channels[3] = {std::clamp(b, 0, 255), std::clamp(g, 0, 255), std::clamp(r, 0, 255)};
      if (bytesPerPixel == 1) {
        p[0] = static_cast<std::uint8_t>(channels[1]);
      } else {
        for (int c = 0; c < 3; ++c) p[c] = static_cast<std::uint8_t>(channels[c]);
        if (bytesPerPixel == 4) p[3] = static_cast<std::uint8_t>(x * 7 + y);
      }
    }
  }
  return image;
}

// Random bytes: nearly every pixel a colour of its own, in many cells.
inline Image MakeNoise(int width, int height, int bytesPerPixel, std::uint32_t seed) {
  Image image{width, height, bytesPerPixel, {}};
  image.bytes.resize(static_cast<std::size_t>(width) * height * bytesPerPixel);
  for (auto& b : image.bytes) b = static_cast<std::uint8_t>(Lcg(seed));
  return image;
}

inline Image MakeFlat(int width, int height, std::uint8_t b, std::uint8_t g, std::uint8_t r) {
  Image image{width, height, 3, {}};
  for (int i = 0; i < width * height; ++i) image.bytes.insert(image.bytes.end(), {b, g, r});
  return image;
}

struct Settings {
  int brightness, colour, fade, mode;
};

// Runs every pass in order, as the engine does, on plain rows, with the
// given loops and on the given number of threads (rows in bands of
// `bandRows`).  Each output row is written into a buffer with guard bytes
// after it, and the guards are checked afterwards: a loop that writes one
// pixel past its row fails here even where the next row would hide it.
struct PassRun {
  static constexpr int kGuardBytes = 16;
  static constexpr std::uint8_t kGuard = 0xA5;

  EngineConstants constants;
  RgbToLalphaBeta toLab;
  LalphaBetaToRgb toRgb;
  VTetra::FloatLattice forward{3, 3, 30, &toLab};
  VTetra::ByteLattice backward{3, 3, 30, &toRgb};
  DerivedSettings settings;
  CTransferPasses passes;
  Image output;

  // `vectorLoops` false runs the plain loops even where vector ones exist.
  PassRun(const Image& source, const Image& templ, Settings s, bool vectorLoops = true)
      : PassRun(source, templ, s, vectorLoops ? CTransferPasses::FastestLoops() : LoopKind::kPlain) {}

  PassRun(const Image& source, const Image& templ, Settings s, LoopKind loops, int threads = 1, int bandRows = 1)
      : settings(s.brightness, s.colour, s.fade, s.mode, constants),
        passes(settings, forward, backward, constants) {
    passes.UseLoops(loops);
    EXPECT_EQ(loops, passes.Loops());
    transfer_detail::CWorkerThreads workers(threads);
    transfer_detail::CWorkerThreads* pool = threads > 1 ? &workers : nullptr;
    auto rows = [&](int count, const std::function<void(int y, int worker)>& row) {
      transfer_detail::RunRowBands(pool, count, bandRows, [&](int y0, int y1, int worker) {
        for (int y = y0; y < y1; ++y) row(y, worker);
      });
    };
    EXPECT_TRUE(passes.Allocate(source.width, source.height, templ.width, templ.height, workers.Count()));
    const std::size_t rowBytes = static_cast<std::size_t>(source.width) * source.bytesPerPixel;
    const std::size_t stride = rowBytes + kGuardBytes;
    std::vector<std::uint8_t> guarded(stride * static_cast<std::size_t>(source.height), kGuard);
    for (int y = 0; y < source.height; ++y) {
      std::uint8_t* row = guarded.data() + stride * static_cast<std::size_t>(y);
      std::fill(row, row + rowBytes, std::uint8_t{0xEE});
      if (source.bytesPerPixel == 4) {
        for (std::size_t i = 3; i < rowBytes; i += 4) row[i] = source.Row(y)[i];
      }
    }
    rows(source.height, [&](int y, int) { passes.SourceRow(y, source.Row(y), source.bytesPerPixel); });
    rows(templ.height, [&](int y, int) { passes.TemplateRow(y, templ.Row(y)); });
    passes.Decorrelate(pool);
    rows(source.height, [&](int y, int worker) {
      passes.OutputRow(y, source.Row(y), guarded.data() + stride * static_cast<std::size_t>(y), source.bytesPerPixel,
                       worker);
    });
    output = source;
    for (int y = 0; y < source.height; ++y) {
      const std::uint8_t* row = guarded.data() + stride * static_cast<std::size_t>(y);
      std::copy(row, row + rowBytes, output.Row(y));
      const bool intact = std::all_of(row + rowBytes, row + stride, [](std::uint8_t b) { return b == kGuard; });
      EXPECT_TRUE(intact) << "the output pass wrote past the end of row " << y;
    }
  }
};

}  // namespace transfer_test
