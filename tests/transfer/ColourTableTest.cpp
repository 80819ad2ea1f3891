#include "transfer/ColourTable.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <ostream>
#include <vector>

#include "tests/transfer/TransferFixtures.h"
#include "transfer/RowBands.h"
#include "transfer/TransferPasses.h"
#include "transfer/WorkerThreads.h"

namespace {

using transfer_detail::ColourTableUse;
using transfer_detail::CTransferPasses;
using transfer_detail::ImageStatistics;
using transfer_detail::LoopKind;
using transfer_test::Image;
using transfer_test::MakeFlat;
using transfer_test::MakeNoise;
using transfer_test::MakePicture;
using transfer_test::PassRun;
using transfer_test::Settings;

// Every pass in order with the source kept per colour, as the engine runs
// them: the colours marked, the table filled, then the passes over the
// rows (the source's, or the output's once it holds colour numbers).
// `inPlace` writes the output over a copy of the source, as the
// command-line tool does; `numbers` lets the output rows hold the colour
// numbers between the passes.
struct TableRun {
  transfer_detail::EngineConstants constants;
  RgbToLalphaBeta toLab;
  LalphaBetaToRgb toRgb;
  VTetra::FloatLattice forward{3, 3, 30, &toLab};
  VTetra::ByteLattice backward{3, 3, 30, &toRgb};
  transfer_detail::DerivedSettings settings;
  CTransferPasses passes;
  Image output;
  bool usedTable = false;

  TableRun(const Image& source, const Image& templ, Settings s, LoopKind loops, int threads, bool inPlace,
           ColourTableUse use = ColourTableUse::kAlways, bool numbers = true)
      : settings(s.brightness, s.colour, s.fade, s.mode, constants), passes(settings, forward, backward, constants) {
    passes.UseLoops(loops);
    passes.UseColourTable(use);
    passes.AllowNumbersInDestination(numbers);
    transfer_detail::CWorkerThreads workers(threads);
    transfer_detail::CWorkerThreads* pool = threads > 1 ? &workers : nullptr;
    output = source;
    if (!inPlace) std::fill(output.bytes.begin(), output.bytes.end(), std::uint8_t{0xEE});
    if (source.bytesPerPixel == 4 && !inPlace) {
      for (std::size_t i = 3; i < output.bytes.size(); i += 4) output.bytes[i] = source.bytes[i];
    }
    const Image& in = inPlace ? output : source;
    const transfer_detail::SourceRowAccess rows = [&in](int y, const std::function<void(const std::uint8_t*)>& f) {
      f(in.Row(y));
    };
    const transfer_detail::SourceRowAccess outputRows = [this](int y,
                                                               const std::function<void(const std::uint8_t*)>& f) {
      f(output.Row(y));
    };
    usedTable = passes.PlanColourTable(source.width, source.height, source.bytesPerPixel, rows, pool);
    EXPECT_EQ(usedTable && numbers && source.bytesPerPixel != 1, passes.NumbersInDestination());
    EXPECT_TRUE(passes.Allocate(source.width, source.height, templ.width, templ.height, workers.Count()));
    passes.FillColourTable(pool);
    // Bands of 8 rows: the source and output passes take groups of rows
    // side by side where the loops can (RowsTogether), and the rest one by
    // one, as the engine does.
    const int together = passes.RowsTogether();
    auto each = [&](int count, int group, const std::function<void(int y, int rows, int worker)>& rows) {
      transfer_detail::RunRowBands(pool, count, 8, [&](int y0, int y1, int worker) {
        int y = y0;
        for (; group > 1 && y + group <= y1; y += group) rows(y, group, worker);
        for (; y < y1; ++y) rows(y, 1, worker);
      });
    };
    auto readRows = [&in](int y, int count) {
      std::vector<const std::uint8_t*> pointers;
      for (int r = 0; r < count; ++r) pointers.push_back(in.Row(y + r));
      return pointers;
    };
    auto writeRows = [this](int y, int count) {
      std::vector<std::uint8_t*> pointers;
      for (int r = 0; r < count; ++r) pointers.push_back(output.Row(y + r));
      return pointers;
    };
    each(source.height, together, [&](int y, int count, int) {
      if (count == 1) {
        passes.SourceRow(y, in.Row(y), source.bytesPerPixel, output.Row(y));
        return;
      }
      passes.SourceRows(y, readRows(y, count).data(), source.bytesPerPixel, writeRows(y, count).data());
    });
    each(templ.height, 1, [&](int y, int, int) { passes.TemplateRow(y, templ.Row(y)); });
    passes.Decorrelate(pool, passes.NumbersInDestination() ? outputRows : rows);
    each(source.height, together, [&](int y, int count, int worker) {
      if (count == 1) {
        passes.OutputRow(y, in.Row(y), output.Row(y), source.bytesPerPixel, worker);
        return;
      }
      passes.OutputRows(y, writeRows(y, count).data(), source.bytesPerPixel);
    });
  }
};

void ExpectSameRun(const PassRun& planes, const TableRun& table) {
  EXPECT_EQ(planes.output.bytes, table.output.bytes);
  EXPECT_EQ(planes.passes.OutputRowSums(), table.passes.OutputRowSums());
  EXPECT_EQ(0, std::memcmp(&planes.passes.SourceStatistics(), &table.passes.SourceStatistics(), sizeof(ImageStatistics)));
  EXPECT_EQ(0,
            std::memcmp(&planes.passes.TemplateStatistics(), &table.passes.TemplateStatistics(), sizeof(ImageStatistics)));
  EXPECT_EQ(planes.passes.MeanColourStrays(), table.passes.MeanColourStrays());
}

struct TableCase {
  const char* name;
  Image source;
  Image templ;
  Settings settings;
};

std::vector<TableCase> TableCases() {
  const Image picture = MakePicture(64, 48, 3, 17u, 0);
  const Image templ = MakePicture(32, 32, 3, 99u, 40);
  return {
      {"Mode0", picture, templ, {0, 0, 0, 0}},
      {"Mode0Settings", picture, templ, {60, -40, 25, 0}},
      {"Mode1", picture, templ, {100, 70, 30, 1}},
      {"Mode2", picture, templ, {-50, -100, 10, 2}},
      {"Bgra", MakePicture(131, 9, 4, 23u, 0), templ, {30, 40, 0, 0}},
      {"GreyMode1", MakePicture(131, 9, 1, 29u, 0), templ, {-20, 60, 20, 1}},
      {"GreyMode0", MakePicture(131, 9, 1, 29u, 0), templ, {10, -30, 40, 0}},
      {"Flat", MakeFlat(64, 48, 90, 140, 200), templ, {0, 0, 0, 0}},
      {"OnePixel", MakeFlat(1, 1, 60, 120, 180), templ, {0, 0, 0, 0}},
      {"OnePixelTemplate", picture, MakeFlat(1, 1, 40, 90, 220), {0, 30, 50, 2}},
      {"Noise", MakeNoise(37, 23, 3, 5u), templ, {20, 10, 0, 0}},
      {"NoiseBgraMode1", MakeNoise(37, 23, 4, 6u), templ, {-70, 90, 60, 1}},
  };
}

void PrintTo(const TableCase& c, std::ostream* os) { *os << c.name; }

class ColourTableTest : public testing::TestWithParam<TableCase> {};

// Per colour or per pixel, every loop, one thread or several, written
// beside the source or over it: the same bytes, statistics and sums as the
// planes with the plain loops.
TEST_P(ColourTableTest, GivesThePlanesBytesAndStatistics) {
  const TableCase& c = GetParam();
  const PassRun planes(c.source, c.templ, c.settings, LoopKind::kPlain);
  for (LoopKind loops : CTransferPasses::AvailableLoops()) {
    for (int threads : {1, 3}) {
      for (bool inPlace : {false, true}) {
        for (bool numbers : {true, false}) {
          SCOPED_TRACE(testing::Message() << CTransferPasses::LoopName(loops) << ", " << threads << " threads"
                                          << (inPlace ? ", in place" : "") << (numbers ? ", numbered" : ""));
          const TableRun table(c.source, c.templ, c.settings, loops, threads, inPlace, ColourTableUse::kAlways,
                               numbers);
          ASSERT_TRUE(table.usedTable);
          ASSERT_TRUE(table.passes.HasColourTable());
          ExpectSameRun(planes, table);
        }
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, ColourTableTest, testing::ValuesIn(TableCases()),
                         [](const testing::TestParamInfo<TableCase>& info) { return info.param.name; });

// Random pictures of every kind and format, random settings.
TEST(ColourTableRandomTest, MatchesThePlanesOnVariedPictures) {
  std::uint32_t state = 77u;
  auto next = [&state] { return transfer_test::Lcg(state); };
  for (int run = 0; run < 40; ++run) {
    const int bytesPerPixel = run % 3 == 0 ? 1 : run % 3 == 1 ? 3 : 4;
    Image source = next() % 2 == 0 ? MakeNoise(1 + static_cast<int>(next() % 90), 1 + static_cast<int>(next() % 5),
                                               bytesPerPixel, next())
                                   : MakePicture(1 + static_cast<int>(next() % 90), 1 + static_cast<int>(next() % 5),
                                                 bytesPerPixel, next(), static_cast<int>(next() % 60));
    const Image templ = MakePicture(1 + static_cast<int>(next() % 16), 1 + static_cast<int>(next() % 16), 3, next(), 0);
    const Settings settings{static_cast<int>(next() % 201) - 100, static_cast<int>(next() % 201) - 100,
                            static_cast<int>(next() % 101), static_cast<int>(next() % 4)};
    SCOPED_TRACE(testing::Message() << "run " << run);
    const PassRun planes(source, templ, settings, LoopKind::kPlain);
    const TableRun table(source, templ, settings, CTransferPasses::FastestLoops(), 2, run % 2 == 0);
    ExpectSameRun(planes, table);
  }
}

// By default the table is taken only where it is much smaller than the
// planes: a large picture of few colours, not a small or a noisy one.
TEST(ColourTableRandomTest, TakenWhereItPays) {
  struct Case {
    const char* name;
    Image source;
    bool expected;
  };
  const Image templ = MakePicture(8, 8, 3, 3u, 0);
  Image posterised = MakePicture(600, 400, 3, 1u, 0);
  for (auto& b : posterised.bytes) b &= 0xE0;
  const Case cases[] = {
      {"large, few colours", posterised, true},
      {"large grey", MakePicture(600, 400, 1, 2u, 0), true},
      {"small", MakePicture(40, 30, 3, 1u, 0), false},
      {"noise", MakeNoise(600, 400, 3, 4u), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TableRun run(c.source, templ, {0, 0, 0, 0}, CTransferPasses::FastestLoops(), 2, false,
                       ColourTableUse::kWhenItPays);
    EXPECT_EQ(c.expected, run.usedTable);
    EXPECT_EQ(c.expected, run.passes.HasColourTable());
    const PassRun planes(c.source, templ, {0, 0, 0, 0});
    EXPECT_EQ(planes.output.bytes, run.output.bytes);
  }
  const TableRun never(MakePicture(600, 400, 3, 1u, 0), templ, {0, 0, 0, 0}, CTransferPasses::FastestLoops(), 1, false,
                       ColourTableUse::kNever);
  EXPECT_FALSE(never.usedTable);
}

}  // namespace
