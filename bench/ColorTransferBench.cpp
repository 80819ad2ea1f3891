// CColorTransfer::Apply on a 6000 x 4000 BGR source with a 1000 x 1000
// template, both photo-like (smooth gradients plus noise).
//
// BM_Apply/MODE/THREADS times the whole call, lattices included, on one
// thread (THREADS 1) and on as many as the processor has (THREADS 0), and
// reports megapixels of source per second and the wall milliseconds of each
// pass; the label names the pixel loops and whether the source was kept per
// colour.  BM_ApplyPlanes is mode 0 with the source always in float planes,
// as a picture of too many colours is done.  BM_ApplyNoise does the same on
// a source of random bytes: the least favourable picture for the output
// pass's lookup cache, as few colours repeat.  Each call of these has a new
// engine, as each picture of the command-line tool.  BM_Apply12MP is the
// dialog's case: a 12-megapixel document repainted by one engine on every
// change of a setting.  BM_Loops/KIND/TABLE runs the passes one by one on
// one thread with each pixel loop the build and processor have (0 plain, 1
// SSE2, 2 AVX2), the source in planes (TABLE 0) or per colour (1), and
// reports the processor milliseconds of each (processor time, so that other
// programs on a shared machine do not count; page faults on the freshly
// allocated planes do).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

#include "image/ImageBuffer.h"
#include "transfer/ColorLattice.h"
#include "transfer/ColorTransfer.h"
#include "transfer/ColorTransforms.h"
#include "transfer/Progress.h"
#include "transfer/TransferPasses.h"

namespace {

constexpr int kSourceWidth = 6000;
constexpr int kSourceHeight = 4000;
constexpr int kTemplateSize = 1000;
static_assert(kSourceHeight % transfer_detail::CTransferPasses::kMostRowsTogether == 0, "BM_Loops takes rows in groups");

// Gradients across the picture, a soft diagonal wave and per-pixel noise;
// or, with `randomBytes`, nothing but noise.
bool MakePicture(CImageBuffer& buffer, int width, int height, std::uint32_t seed, int tint, bool randomBytes = false) {
  if (buffer.CreateBGR(width, height).IsError()) return false;
  std::uint32_t state = seed;
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = buffer.GetRow(y);
    for (int x = 0; x < width; ++x) {
      state = state * 1664525u + 1013904223u;
      if (randomBytes) {
        for (int c = 0; c < 3; ++c) row[3 * x + c] = static_cast<std::uint8_t>(state >> (8 * c + 8));
        continue;
      }
      const int noise = static_cast<int>((state >> 24) % 17) - 8;
      const int wave = ((x + 2 * y) / 7) % 64;
      const int r = 40 + (170 * x) / width + wave / 4 + noise;
      const int g = 30 + (160 * y) / height + tint + noise;
      const int b = 180 - (100 * (x + y)) / (width + height) - tint + wave / 8 - noise;
      row[3 * x] = static_cast<std::uint8_t>(b < 0 ? 0 : b > 255 ? 255 : b);
      row[3 * x + 1] = static_cast<std::uint8_t>(g < 0 ? 0 : g > 255 ? 255 : g);
      row[3 * x + 2] = static_cast<std::uint8_t>(r < 0 ? 0 : r > 255 ? 255 : r);
    }
    buffer.ReleaseRow(y);
  }
  return true;
}

struct Images {
  CImageBuffer source, templ, destination;
  bool ok = false;
  explicit Images(bool randomSource = false, int width = kSourceWidth, int height = kSourceHeight) {
    ok = MakePicture(source, width, height, 1u, 0, randomSource) &&
         MakePicture(templ, kTemplateSize, kTemplateSize, 2u, 40) &&
         !destination.CreateBGR(width, height).IsError();
  }
  double Megapixels() const { return source.Width() * static_cast<double>(source.Height()) / 1e6; }
};

Images& SharedImages() {
  static Images images;
  return images;
}

Images& NoiseImages() {
  static Images images(true);
  return images;
}

// 4243 x 2828: 12 megapixels in the 3:2 of a camera.
Images& DocumentImages() {
  static Images images(false, 4243, 2828);
  return images;
}

// `again`: one engine repaints again and again, as the dialog's does (it
// keeps its lattices and table blocks); otherwise each call has a new
// engine, as each picture of the command-line tool.
void RunApply(benchmark::State& state, Images& images, int mode, int threads,
              transfer_detail::ColourTableUse table = transfer_detail::ColourTableUse::kWhenItPays,
              bool again = false) {
  if (!images.ok) {
    state.SkipWithError("no memory for the images");
    return;
  }
  CColorTransfer kept;
  double passes[5] = {0, 0, 0, 0, 0};
  for (auto _ : state) {
    CColorTransfer fresh;
    CColorTransfer& transfer = again ? kept : fresh;
    transfer.SetThreads(threads);
    transfer.UseColourTable(table);
    CProgress progress;
    const int result = transfer.Apply(progress, images.destination, images.source, images.templ, 20, 10, 0, mode);
    benchmark::DoNotOptimize(result);
    const TransferPassTimes t = LastTransferPassTimes();
    const double each[5] = {t.lattices, t.sourcePass, t.templatePass, t.statistics, t.outputPass};
    for (int i = 0; i < 5; ++i) passes[i] += each[i];
  }
  const TransferPassTimes last = LastTransferPassTimes();
  const double n = static_cast<double>(state.iterations());
  const char* names[5] = {"setup_ms", "source_ms", "template_ms", "statistics_ms", "output_ms"};
  for (int i = 0; i < 5; ++i) state.counters[names[i]] = 1000.0 * passes[i] / n;
  state.counters["threads"] = last.threads;
  state.SetLabel(std::string(last.loops) + (last.colourTable ? ", per colour" : ", planes"));
  state.counters["Mpx/s"] =
      benchmark::Counter(images.Megapixels() * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_Apply(benchmark::State& state) {
  RunApply(state, SharedImages(), static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
}
BENCHMARK(BM_Apply)
    ->ArgsProduct({{0, 1, 2}, {1, 0}})
    ->ArgNames({"mode", "threads"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

void BM_ApplyPlanes(benchmark::State& state) {
  RunApply(state, SharedImages(), 0, static_cast<int>(state.range(0)), transfer_detail::ColourTableUse::kNever);
}
BENCHMARK(BM_ApplyPlanes)->Arg(1)->Arg(0)->ArgName("threads")->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void BM_ApplyNoise(benchmark::State& state) { RunApply(state, NoiseImages(), 0, static_cast<int>(state.range(0))); }
BENCHMARK(BM_ApplyNoise)->Arg(1)->Arg(0)->ArgName("threads")->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void BM_Apply12MP(benchmark::State& state) {
  RunApply(state, DocumentImages(), 0, 0, transfer_detail::ColourTableUse::kWhenItPays, true);
}
BENCHMARK(BM_Apply12MP)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void BM_Loops(benchmark::State& state) {
  using transfer_detail::CTransferPasses;
  using transfer_detail::LoopKind;
  Images& images = SharedImages();
  if (!images.ok) {
    state.SkipWithError("no memory for the images");
    return;
  }
  const LoopKind loops = static_cast<LoopKind>(state.range(0));
  const bool table = state.range(1) != 0;
  bool available = false;
  for (LoopKind kind : CTransferPasses::AvailableLoops()) available = available || kind == loops;
  if (!available) {
    state.SkipWithError("this build or processor lacks these loops");
    return;
  }
  state.SetLabel(std::string(CTransferPasses::LoopName(loops)) + (table ? ", per colour" : ", planes"));
  using Use = std::function<void(const std::uint8_t*)>;
  const transfer_detail::SourceRowAccess sourceRows = [&images](int y, const Use& use) {
    use(images.source.GetRow(y));
    images.source.ReleaseRow(y);
  };
  const transfer_detail::SourceRowAccess numberedRows = [&images](int y, const Use& use) {
    use(images.destination.GetRow(y));
    images.destination.ReleaseRow(y);
  };
  double lattices = 0, source = 0, templ = 0, statistics = 0, output = 0;
  auto ms = [](std::clock_t a, std::clock_t b) { return 1000.0 * static_cast<double>(b - a) / CLOCKS_PER_SEC; };
  for (auto _ : state) {
    const std::clock_t t0 = std::clock();
    const transfer_detail::EngineConstants constants;
    const transfer_detail::DerivedSettings settings(20, 10, 0, 0, constants);
    RgbToLalphaBeta toLab;
    LalphaBetaToRgb toRgb;
    const VTetra::FloatLattice forward(3, 3, 30, &toLab);
    const VTetra::ByteLattice backward(3, 3, 30, &toRgb);
    CTransferPasses passes(settings, forward, backward, constants);
    passes.UseLoops(loops);
    passes.UseColourTable(table ? transfer_detail::ColourTableUse::kAlways : transfer_detail::ColourTableUse::kNever);
    (void)passes.PlanColourTable(kSourceWidth, kSourceHeight, 3, sourceRows);
    if (!passes.Allocate(kSourceWidth, kSourceHeight, kTemplateSize, kTemplateSize)) {
      state.SkipWithError("no memory for the planes");
      return;
    }
    passes.FillColourTable();
    // Rows side by side where the loops take them so, as the engine does.
    const int together = passes.RowsTogether();
    const std::clock_t t1 = std::clock();
    for (int y = 0; y < kSourceHeight; y += together) {
      const std::uint8_t* in[CTransferPasses::kMostRowsTogether];
      std::uint8_t* out[CTransferPasses::kMostRowsTogether];
      for (int r = 0; r < together; ++r) {
        in[r] = images.source.GetRow(y + r);
        out[r] = images.destination.GetRow(y + r);
      }
      if (together > 1) {
        passes.SourceRows(y, in, 3, out);
      } else {
        passes.SourceRow(y, in[0], 3, out[0]);
      }
      for (int r = 0; r < together; ++r) {
        images.source.ReleaseRow(y + r);
        images.destination.ReleaseRow(y + r);
      }
    }
    const std::clock_t t2 = std::clock();
    for (int y = 0; y < kTemplateSize; ++y) {
      passes.TemplateRow(y, images.templ.GetRow(y));
      images.templ.ReleaseRow(y);
    }
    const std::clock_t t3 = std::clock();
    passes.Decorrelate(nullptr, passes.NumbersInDestination() ? numberedRows : sourceRows);
    const std::clock_t t4 = std::clock();
    for (int y = 0; y < kSourceHeight; y += together) {
      std::uint8_t* out[CTransferPasses::kMostRowsTogether];
      for (int r = 0; r < together; ++r) out[r] = images.destination.GetRow(y + r);
      if (together > 1) {
        passes.OutputRows(y, out, 3);
      } else {
        passes.OutputRow(y, images.source.GetRow(y), out[0], 3);
        images.source.ReleaseRow(y);
      }
      for (int r = 0; r < together; ++r) images.destination.ReleaseRow(y + r);
    }
    const std::clock_t t5 = std::clock();
    benchmark::DoNotOptimize(passes.MeanColourStrays());
    lattices += ms(t0, t1);
    source += ms(t1, t2);
    templ += ms(t2, t3);
    statistics += ms(t3, t4);
    output += ms(t4, t5);
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["setup_ms"] = lattices / n;
  state.counters["source_ms"] = source / n;
  state.counters["template_ms"] = templ / n;
  state.counters["statistics_ms"] = statistics / n;
  state.counters["output_ms"] = output / n;
}
BENCHMARK(BM_Loops)
    ->ArgsProduct({{0, 1, 2}, {0, 1}})
    ->ArgNames({"loops", "table"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

}  // namespace
