// CopyPixels and a converted row walk on a 6000 x 4000 BGR image, next to a
// plain memcpy of the same bytes.  Throughput is reported as bytes/second
// (Google Benchmark prints it as GB/s).
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "image/ImageBuffer.h"

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;
constexpr std::int64_t kBytes = static_cast<std::int64_t>(kWidth) * kHeight * 3;

void BM_Memcpy(benchmark::State& state) {
  std::vector<std::uint8_t> source(static_cast<std::size_t>(kBytes), 7), target(source.size());
  for (auto _ : state) {
    std::memcpy(target.data(), source.data(), source.size());
    benchmark::DoNotOptimize(target.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kBytes);
}
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CopyPixels(benchmark::State& state) {
  CImageBuffer source, target;
  const CColorRef grey(100, 110, 120);
  if (source.CreateBGR(kWidth, kHeight, &grey).IsError() || target.CreateBGR(kWidth, kHeight).IsError()) {
    state.SkipWithError("no memory");
    return;
  }
  for (auto _ : state) {
    if (CImageBuffer::CopyPixels(target, source).IsError()) state.SkipWithError("copy failed");
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kBytes);
}
BENCHMARK(BM_CopyPixels)->Unit(benchmark::kMillisecond)->UseRealTime();

// Every row through the row cache as BGRA and back (read and write
// converters, spare buffer reuse).
void BM_ConvertedRowWalk(benchmark::State& state) {
  CImageBuffer buffer;
  const CColorRef grey(100, 110, 120);
  if (buffer.CreateBGR(kWidth, kHeight, &grey).IsError() ||
      buffer.SetAccessFormat(keFormatBGRA, keAccessReadWrite).IsError()) {
    state.SkipWithError("no memory");
    return;
  }
  for (auto _ : state) {
    for (int y = 0; y < kHeight; ++y) {
      std::uint8_t* row = buffer.GetRow(y);
      row[3] = 255;
      buffer.ReleaseRow(y);
    }
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kBytes);
}
BENCHMARK(BM_ConvertedRowWalk)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
