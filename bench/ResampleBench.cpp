// Resampling of a 6000 x 4000 BGR picture (a large photograph without an
// embedded thumbnail) and the 8-bit row kernels the dialog composites with.
// Row kernels report bytes/second of the source and destination runs
// together; RunRowOp measures whole pictures, row fetches included.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "image/ImageBuffer.h"
#include "image/Resample.h"
#include "image/RowOp.h"
#include "image/RunRowOp.h"

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

const CImageBuffer& Picture() {
  static CImageBuffer s_picture = [] {
    CImageBuffer b;
    b.Create(kWidth, kHeight, keFormatBGR).Code();
    std::mt19937 rng(1);
    for (int y = 0; y < kHeight; ++y) {
      CRowWriter row(b, y);
      for (int i = 0; i < kWidth * 3; ++i) row.Row()[i] = static_cast<std::uint8_t>(rng() >> 24);
    }
    return b;
  }();
  return s_picture;
}

void BM_ResampleThumbnail(benchmark::State& state) {
  const CImageBuffer& source = Picture();
  CImageBuffer thumbnail;
  thumbnail.Create(85, 57, keFormatBGR).Code();
  const CResample resample(keResampleAreaOrBilinear);
  for (auto _ : state) benchmark::DoNotOptimize(resample.Resample(thumbnail, source));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kWidth) * kHeight * 3);
}
BENCHMARK(BM_ResampleThumbnail)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ResampleBilinear(benchmark::State& state) {
  const CImageBuffer& source = Picture();
  CImageBuffer preview;
  preview.Create(200, 150, keFormatBGR).Code();
  const CResample resample(keResampleBilinear);
  for (auto _ : state) benchmark::DoNotOptimize(resample.Resample(preview, source));
}
BENCHMARK(BM_ResampleBilinear)->Unit(benchmark::kMillisecond)->UseRealTime();

// One kernel over a 6000-pixel run, again and again (the runs stay in
// cache: this is the kernel's own speed).
void RowKernel(benchmark::State& state, const CRowOp& op, int dst, int src) {
  const int n = kWidth;
  std::vector<std::uint8_t> in(static_cast<std::size_t>(n) * 8), out(static_cast<std::size_t>(n) * 8);
  std::mt19937 rng(2);
  for (auto& v : in) v = static_cast<std::uint8_t>(rng() >> 24);
  RowJob job;
  job.dstFormat = dst;
  job.srcFormat = src;
  job.count = n;
  job.dst = out.data();
  job.src = in.data();
  CRowOpBinding binding;
  if (!op.Bind(binding, job, keLookupBest)) {
    state.SkipWithError("no kernel");
    return;
  }
  for (auto _ : state) {
    binding.Run(job);
    benchmark::ClobberMemory();
  }
  const std::int64_t bytes = static_cast<std::int64_t>(n) * (FormatBitsPerPixel(dst) + FormatBitsPerPixel(src)) / 8;
  state.SetBytesProcessed(state.iterations() * bytes);
}

void BM_RowCopy_BGR_from_BGRA(benchmark::State& s) { RowKernel(s, CRowOp::Copy(), keFormatBGR, keFormatBGRA); }
void BM_RowCopy_BGRA_from_BGR(benchmark::State& s) { RowKernel(s, CRowOp::Copy(), keFormatBGRA, keFormatBGR); }
void BM_RowCopy_Grey_from_BGR(benchmark::State& s) { RowKernel(s, CRowOp::Copy(), keFormatGrey, keFormatBGR); }
void BM_RowCopy_BGRxA_from_BGRA(benchmark::State& s) { RowKernel(s, CRowOp::Copy(), keFormatBGRxA, keFormatBGRA); }
void BM_RowCopy_BGRA_from_BGRxA(benchmark::State& s) { RowKernel(s, CRowOp::Copy(), keFormatBGRA, keFormatBGRxA); }
void BM_RowCopy_BGR_from_BGR(benchmark::State& s) { RowKernel(s, CRowOp::Copy(), keFormatBGR, keFormatBGR); }
void BM_BlendLayer_BGR_from_BGRA(benchmark::State& s) { RowKernel(s, CRowOp::BlendLayer(0), keFormatBGR, keFormatBGRA); }
void BM_BlendLayer_BGR_from_BGRA_opacity200(benchmark::State& s) {
  RowKernel(s, CRowOp::BlendLayer(0, 200), keFormatBGR, keFormatBGRA);
}
void BM_BlendLayer_BGRA_from_BGRA(benchmark::State& s) { RowKernel(s, CRowOp::BlendLayer(0), keFormatBGRA, keFormatBGRA); }
BENCHMARK(BM_RowCopy_BGR_from_BGRA);
BENCHMARK(BM_RowCopy_BGRA_from_BGR);
BENCHMARK(BM_RowCopy_Grey_from_BGR);
BENCHMARK(BM_RowCopy_BGRxA_from_BGRA);
BENCHMARK(BM_RowCopy_BGRA_from_BGRxA);
BENCHMARK(BM_RowCopy_BGR_from_BGR);
BENCHMARK(BM_BlendLayer_BGR_from_BGRA);
BENCHMARK(BM_BlendLayer_BGR_from_BGRA_opacity200);
BENCHMARK(BM_BlendLayer_BGRA_from_BGRA);

// RunRowOp over the whole picture: BGRA from the BGR picture.
void BM_RunRowOp_BGRA_from_BGR(benchmark::State& state) {
  const CImageBuffer& source = Picture();
  CImageBuffer target;
  target.Create(kWidth, kHeight, keFormatBGRA).Code();
  RunRowOp(CRowOp::Copy(), target, &source);  // the target's pages in place first
  for (auto _ : state) benchmark::DoNotOptimize(RunRowOp(CRowOp::Copy(), target, &source));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kWidth) * kHeight * 7);
}
BENCHMARK(BM_RunRowOp_BGRA_from_BGR)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
