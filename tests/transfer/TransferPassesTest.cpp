#include "transfer/TransferPasses.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tests/transfer/TransferFixtures.h"
#include "transfer/ColorTransforms.h"

namespace {

using transfer_detail::CTransferPasses;
using transfer_detail::DerivedSettings;
using transfer_detail::EngineConstants;
using transfer_detail::ImageStatistics;
using transfer_detail::LoopKind;
using transfer_test::Image;
using transfer_test::MakeFlat;
using transfer_test::MakePicture;
using transfer_test::PassRun;
using transfer_test::Settings;

// ---------------------------------------------------------------------------
// The reference: the whole computation redone plainly in double precision,
// over whole images in one sequential sum each, with the lattices called
// through their general Evaluate.
// ---------------------------------------------------------------------------

struct Lab {
  std::vector<double> l, a, b;
};

struct RefStats {
  double pA = 0, qA = 0, pB = 0, qB = 0, pBA = 0, qBA = 0;
  double mu[3] = {0, 0, 0}, sigma[3] = {0, 0, 0};
};

// Sums of term(i) over every pixel.  The engine's statistics are defined
// as per-row sums (each from zero) added in row order, so that a pass can be
// split by rows without changing a byte; the reference sums the same way.
template <typename Term>
double Sum(std::size_t count, std::size_t width, Term term) {
  double total = 0;
  for (std::size_t y0 = 0; y0 < count; y0 += width) {
    double row = 0;
    for (std::size_t i = y0; i < y0 + width; ++i) row += term(i);
    total += row;
  }
  return total;
}

RefStats ReferenceStats(Lab& lab, std::size_t width, int mode) {
  RefStats st;
  const std::size_t count = lab.l.size();
  const double n = static_cast<double>(count);
  const std::vector<double>& L = lab.l;
  const std::vector<double>& A = lab.a;
  const std::vector<double>& B = lab.b;
  const double sl = Sum(count, width, [&](std::size_t i) { return L[i]; });
  const double sa = Sum(count, width, [&](std::size_t i) { return A[i]; });
  const double sb = Sum(count, width, [&](std::size_t i) { return B[i]; });
  const double sll = Sum(count, width, [&](std::size_t i) { return L[i] * L[i]; });
  const double sla = Sum(count, width, [&](std::size_t i) { return L[i] * A[i]; });
  const double slb = Sum(count, width, [&](std::size_t i) { return L[i] * B[i]; });
  const double ml = sl / n, ma = sa / n, mb = sb / n;
  const double v = sll / n - (sl * sl) / (n * n);
  if (v != 0) {
    st.pA = (sla / n - ml * ma) / v;
    st.qA = ma - ml * st.pA;
    st.pB = (slb / n - ml * mb) / v;
    st.qB = mb - ml * st.pB;
  }
  std::vector<double> a1(count), b1(count);
  for (std::size_t i = 0; i < count; ++i) {
    a1[i] = A[i] - st.qA - st.pA * L[i];
    b1[i] = B[i] - st.qB - st.pB * L[i];
  }
  const double s1 = Sum(count, width, [&](std::size_t i) { return a1[i]; });
  const double s2 = Sum(count, width, [&](std::size_t i) { return b1[i]; });
  const double s11 = Sum(count, width, [&](std::size_t i) { return a1[i] * a1[i]; });
  const double s12 = Sum(count, width, [&](std::size_t i) { return a1[i] * b1[i]; });
  const double v1 = s11 / n - (s1 * s1) / (n * n);
  if (v1 != 0) {
    st.pBA = (s12 / n - (s1 / n) * (s2 / n)) / v1;
    st.qBA = s2 / n - (s1 / n) * st.pBA;
  }
  if (mode != 1) {
    for (std::size_t i = 0; i < count; ++i) {
      const float storedA = static_cast<float>(a1[i]);
      const float storedB = static_cast<float>(b1[i]);
      lab.a[i] = storedA;
      lab.b[i] = static_cast<float>(storedB - st.qBA - st.pBA * storedA);
    }
  }
  const std::vector<double>* planes[3] = {&L, &A, &B};
  for (int p = 0; p < 3; ++p) {
    const std::vector<double>& x = *planes[p];
    st.mu[p] = Sum(count, width, [&](std::size_t i) { return x[i]; }) / n;
    const double mu = st.mu[p];
    st.sigma[p] = std::sqrt(Sum(count, width, [&](std::size_t i) { return (x[i] - mu) * (x[i] - mu); }) / n);
  }
  return st;
}

Lab ReferenceLab(const Image& image, const VTetra::FloatLattice& forward) {
  Lab lab;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const std::uint8_t* p = image.Row(y) + static_cast<std::size_t>(x) * image.bytesPerPixel;
      const int rgb[3] = {image.bytesPerPixel == 1 ? p[0] : p[2], image.bytesPerPixel == 1 ? p[0] : p[1], p[0]};
      float in[3], out[3];
      for (int c = 0; c < 3; ++c) in[c] = static_cast<float>(rgb[c] * (1.0 / 255.0));
      forward.Evaluate(in, out);
      lab.l.push_back(out[0]);
      lab.a.push_back(out[1]);
      lab.b.push_back(out[2]);
    }
  }
  return lab;
}

RefStats ReferenceStatistics(const Image& image, int mode) {
  RgbToLalphaBeta toLab;
  const VTetra::FloatLattice forward(3, 3, 30, &toLab);
  Lab lab = ReferenceLab(image, forward);
  return ReferenceStats(lab, image.width, mode);
}

Image Reference(const Image& source, const Image& templ, Settings s) {
  RgbToLalphaBeta toLab;
  LalphaBetaToRgb toRgb;
  const VTetra::FloatLattice forward(3, 3, 30, &toLab);
  const VTetra::ByteLattice backward(3, 3, 30, &toRgb);
  const int mode = s.mode == 1 || s.mode == 2 ? s.mode : 0;
  const double lmin = (std::log10(0.0241) + std::log10(0.0402) + std::log10(0.0782)) / std::sqrt(3.0);
  const double lmax = 3 * std::log10(255.0) / std::sqrt(3.0);
  const double lstep = (lmax - lmin) / 255;
  const double amin = -0.96169565521444, amax = 0.86173425700628;
  const double bmin = -0.20434021258462, bmax = 0.20310552556917;

  const float f = static_cast<float>(s.fade * 0.01);
  const float keep = static_cast<float>(1 - f);
  const double k = (s.colour / 2 + 50) * 0.02;
  const double dl = s.brightness / 2 * 0.002 * (lmax - lmin);

  Lab src = ReferenceLab(source, forward);
  Lab tpl = ReferenceLab(templ, forward);
  const RefStats T = ReferenceStats(tpl, templ.width, mode);
  const RefStats S = ReferenceStats(src, source.width, mode);

  Image out = source;
  for (int y = 0; y < source.height; ++y) {
    for (int x = 0; x < source.width; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * source.width + x;
      double l = src.l[i], a = src.a[i], b = src.b[i];
      if (mode != 2) l = S.sigma[0] > 0.001 ? (l - S.mu[0]) / S.sigma[0] * T.sigma[0] + T.mu[0] : l - S.mu[0] + T.mu[0];
      if (mode == 1) {
        a *= k;
        b *= k;
      } else {
        a = S.sigma[1] > 0.001 ? std::min(T.sigma[1] / S.sigma[1], 3.0) * (a - S.mu[1]) * k + T.mu[1] : a - S.mu[1] + T.mu[1];
        b = S.sigma[2] > 0.001 ? std::min(T.sigma[2] / S.sigma[2], 1.5) * (b - S.mu[2]) * k + T.mu[2] : b - S.mu[2] + T.mu[2];
      }
      l += dl;
      if (mode != 1) {
        const double a0 = a;
        b = T.pBA * a0 + T.qBA + b + T.pB * l + T.qB;
        a = a0 + T.pA * l + T.qA;
      }
      l = std::clamp(l, lmin, lmax);
      a = std::clamp(a, amin, amax);
      b = std::clamp(b, bmin, bmax);
      const int il = static_cast<int>((l - lmin) * (1 / lstep));
      const int ia = static_cast<int>((a - amin) * 139.84634029033802);
      const int ib = static_cast<int>((b - bmin) * 625.8502080680752);
      unsigned char c1[3], c2[3];
      const unsigned char in1[3] = {static_cast<unsigned char>(il), static_cast<unsigned char>(ia),
                                    static_cast<unsigned char>(ib)};
      backward.Evaluate(in1, c1);
      const double l1 = lmin + il * lstep;
      double l2;
      if (l > l1 && il != 255) {
        const unsigned char in2[3] = {static_cast<unsigned char>(il + 1),
                                      static_cast<unsigned char>(std::min(ia + 1, 255)),
                                      static_cast<unsigned char>(std::min(ib + 1, 255))};
        backward.Evaluate(in2, c2);
        l2 = lmin + (il + 1) * lstep;
      } else {
        const unsigned char in2[3] = {static_cast<unsigned char>(std::max(il - 1, 0)),
                                      static_cast<unsigned char>(std::max(ia - 1, 0)),
                                      static_cast<unsigned char>(std::max(ib - 1, 0))};
        backward.Evaluate(in2, c2);
        l2 = lmin + (il - 1) * lstep;
      }
      const double w1 = 1 / std::max(std::fabs(l - l1), 0.0001);
      const double w2 = 1 / std::max(std::fabs(l - l2), 0.0001);
      std::uint8_t* p = out.Row(y) + static_cast<std::size_t>(x) * source.bytesPerPixel;
      const std::uint8_t* q = source.Row(y) + static_cast<std::size_t>(x) * source.bytesPerPixel;
      double result[3];
      for (int c = 0; c < 3; ++c) {
        const double r = (c1[c] * w1 + c2[c] * w2) * (1 / (w1 + w2));
        const int srcByte = source.bytesPerPixel == 1 ? q[0] : q[2 - c];
        result[c] = srcByte * static_cast<double>(f) + r * static_cast<double>(keep);
      }
      if (source.bytesPerPixel == 1) {
        p[0] = static_cast<std::uint8_t>(result[2]);
      } else {
        for (int c = 0; c < 3; ++c) p[2 - c] = static_cast<std::uint8_t>(result[c]);
      }
    }
  }
  return out;
}

std::uint32_t Fnv(const std::vector<std::uint8_t>& bytes) {
  std::uint32_t h = 2166136261u;
  for (std::uint8_t b : bytes) h = (h ^ b) * 16777619u;
  return h;
}

int CountDifferences(const Image& a, const Image& b) {
  int differences = 0;
  for (std::size_t i = 0; i < a.bytes.size(); ++i) differences += a.bytes[i] != b.bytes[i];
  return differences;
}

// ---------------------------------------------------------------------------
// Golden cases
// ---------------------------------------------------------------------------

struct GoldenCase {
  const char* name;
  Settings settings;
  // 0 picture 64 x 48, 1 flat 64 x 48, 2 one pixel, 3 BGRA picture 131 x 9,
  // 4 grey picture 131 x 9 (the vector loops' odd widths and blocks)
  int sourceKind;
  int templateKind;  // 0 picture 32 x 32, 1 one pixel
  // FNV-1a of the output bytes, recorded from the engine once its bytes
  // agreed with the recomputation.  The native, win64 and win32 builds must
  // all give this value: the same bytes on every platform.
  std::uint32_t checksum;
};

Image GoldenSource(int kind) {
  switch (kind) {
    case 1: return MakeFlat(64, 48, 90, 140, 200);
    case 2: return MakeFlat(1, 1, 60, 120, 180);
    case 3: return MakePicture(131, 9, 4, 23u, 0);
    case 4: return MakePicture(131, 9, 1, 29u, 0);
    default: return MakePicture(64, 48, 3, 17u, 0);
  }
}

Image GoldenTemplate(int kind) {
  return kind == 1 ? MakeFlat(1, 1, 40, 90, 220) : MakePicture(32, 32, 3, 99u, 40);
}

class GoldenTest : public testing::TestWithParam<GoldenCase> {};

TEST_P(GoldenTest, EngineMatchesThePlainRecomputation) {
  const GoldenCase& c = GetParam();
  const Image source = GoldenSource(c.sourceKind);
  const Image templ = GoldenTemplate(c.templateKind);
  const PassRun run(source, templ, c.settings);
  const Image expected = Reference(source, templ, c.settings);
  EXPECT_EQ(0, CountDifferences(expected, run.output));
  for (std::size_t i = 0; i < expected.bytes.size() && i < 3 * 8; ++i) {
    ASSERT_EQ(expected.bytes[i], run.output.bytes[i]) << "byte " << i;
  }
  EXPECT_EQ(c.checksum, Fnv(run.output.bytes)) << std::hex << "0x" << Fnv(run.output.bytes);
}

void ExpectSameStatistics(const RefStats& expected, const ImageStatistics& actual) {
  EXPECT_EQ(expected.pA, actual.pAlpha);
  EXPECT_EQ(expected.qA, actual.qAlpha);
  EXPECT_EQ(expected.pB, actual.pBeta);
  EXPECT_EQ(expected.qB, actual.qBeta);
  EXPECT_EQ(expected.pBA, actual.pBetaAlpha);
  EXPECT_EQ(expected.qBA, actual.qBetaAlpha);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(expected.mu[i], actual.mean[i]) << "mean " << i;
    EXPECT_EQ(expected.sigma[i], actual.sigma[i]) << "sigma " << i;
  }
}

// Every statistic equals the recomputation to the last bit, with every loop
// this build and processor can run: a compiler that keeps a double where
// the code rounds to float shows up here, long before it changes an output
// byte.
TEST_P(GoldenTest, StatisticsMatchThePlainRecomputation) {
  const GoldenCase& c = GetParam();
  const Image source = GoldenSource(c.sourceKind);
  const Image templ = GoldenTemplate(c.templateKind);
  const int mode = c.settings.mode == 1 || c.settings.mode == 2 ? c.settings.mode : 0;
  const RefStats sourceStats = ReferenceStatistics(source, mode);
  const RefStats templateStats = ReferenceStatistics(templ, mode);
  for (LoopKind loops : CTransferPasses::AvailableLoops()) {
    SCOPED_TRACE(CTransferPasses::LoopName(loops));
    const PassRun run(source, templ, c.settings, loops);
    ExpectSameStatistics(sourceStats, run.passes.SourceStatistics());
    ExpectSameStatistics(templateStats, run.passes.TemplateStatistics());
  }
}

// The plain loops, and every vector loop that stands in for them where the
// build and processor have it, give the same bytes, planes and sums.
TEST_P(GoldenTest, PlainLoopsGiveTheSameBytes) {
  const GoldenCase& c = GetParam();
  const Image source = GoldenSource(c.sourceKind);
  const Image templ = GoldenTemplate(c.templateKind);
  const PassRun plain(source, templ, c.settings, LoopKind::kPlain);
  EXPECT_EQ(c.checksum, Fnv(plain.output.bytes)) << std::hex << "0x" << Fnv(plain.output.bytes);
  for (LoopKind loops : CTransferPasses::AvailableLoops()) {
    if (loops == LoopKind::kPlain) continue;
    SCOPED_TRACE(CTransferPasses::LoopName(loops));
    const PassRun vector(source, templ, c.settings, loops);
    EXPECT_EQ(0, CountDifferences(plain.output, vector.output));
    EXPECT_EQ(plain.passes.OutputRowSums(), vector.passes.OutputRowSums());
    for (int p = 0; p < 3; ++p) {
      for (int y = 0; y < source.height; ++y) {
        const float* a = plain.passes.SourcePlanes().Row(p, y);
        const float* b = vector.passes.SourcePlanes().Row(p, y);
        ASSERT_TRUE(std::equal(a, a + source.width, b)) << "plane " << p << " row " << y;
      }
    }
  }
}

// Rows shared out to several threads, in bands of any size, give the bytes,
// statistics and sums of one thread doing them in order.
TEST_P(GoldenTest, ThreadsGiveTheSameBytes) {
  const GoldenCase& c = GetParam();
  const Image source = GoldenSource(c.sourceKind);
  const Image templ = GoldenTemplate(c.templateKind);
  const PassRun alone(source, templ, c.settings, CTransferPasses::FastestLoops());
  for (int bandRows : {1, 3}) {
    SCOPED_TRACE(testing::Message() << bandRows << " rows per band");
    const PassRun shared(source, templ, c.settings, CTransferPasses::FastestLoops(), 3, bandRows);
    EXPECT_EQ(c.checksum, Fnv(shared.output.bytes)) << std::hex << "0x" << Fnv(shared.output.bytes);
    EXPECT_EQ(alone.passes.OutputRowSums(), shared.passes.OutputRowSums());
    const ImageStatistics* pairs[2][2] = {{&alone.passes.SourceStatistics(), &shared.passes.SourceStatistics()},
                                          {&alone.passes.TemplateStatistics(), &shared.passes.TemplateStatistics()}};
    for (auto& pair : pairs) {
      EXPECT_EQ(0, std::memcmp(pair[0], pair[1], sizeof(ImageStatistics)));
    }
  }
}

const GoldenCase kGoldenCases[] = {
    {"Mode0Plain", {0, 0, 0, 0}, 0, 0, 0x693cf2e3u},
    {"Mode0Settings", {60, -40, 25, 0}, 0, 0, 0x6b8a9678u},
    {"Mode0Extremes", {-100, 100, 0, 0}, 0, 0, 0xc5ed7559u},
    {"Mode1Plain", {0, 0, 0, 1}, 0, 0, 0xf125e5ffu},
    {"Mode1Settings", {100, 70, 30, 1}, 0, 0, 0x83381275u},
    {"Mode2Plain", {0, 0, 0, 2}, 0, 0, 0x5f998883u},
    {"Mode2Settings", {-50, -100, 10, 2}, 0, 0, 0x1d00d7e4u},
    {"FlatSource", {0, 0, 0, 0}, 1, 0, 0x0eb61dc5u},
    {"FlatSourceMode1", {20, 0, 0, 1}, 1, 0, 0x97d36dc5u},
    {"OnePixelSource", {0, 0, 0, 0}, 2, 0, 0x6d20b36fu},
    {"OnePixelTemplate", {0, 0, 0, 0}, 0, 1, 0xed78d1c5u},
    {"OnePixelTemplateMode2", {0, 30, 50, 2}, 0, 1, 0x7fb75ec2u},
    {"BgraAcrossBlocks", {30, 40, 0, 0}, 3, 0, 0xf6a0508cu},
    {"BgraAcrossBlocksMode2", {-60, 0, 35, 2}, 3, 0, 0x6babf0d6u},
    {"GreyAcrossBlocksMode1", {-20, 60, 20, 1}, 4, 0, 0x035aa4acu},
};

INSTANTIATE_TEST_SUITE_P(Cases, GoldenTest, testing::ValuesIn(kGoldenCases),
                         [](const testing::TestParamInfo<GoldenCase>& info) { return info.param.name; });

// ---------------------------------------------------------------------------
// Behaviours
// ---------------------------------------------------------------------------

TEST(TransferPassesTest, FadeHundredWritesTheSourceBack) {
  const Image source = MakePicture(40, 30, 3, 5u, 0);
  const Image templ = MakePicture(20, 20, 3, 6u, 50);
  for (int mode : {0, 1, 2}) {
    const PassRun run(source, templ, {80, -60, 100, mode});
    EXPECT_EQ(0, CountDifferences(source, run.output)) << "mode " << mode;
  }
  // Settings beyond their ranges are held to them.
  const PassRun beyond(source, templ, {300, -300, 250, 0});
  EXPECT_EQ(0, CountDifferences(source, beyond.output));
}

TEST(TransferPassesTest, SettingsThatActAsOthers) {
  const Image source = MakePicture(40, 30, 3, 7u, 0);
  const Image templ = MakePicture(20, 20, 3, 8u, 30);
  const PassRun base(source, templ, {0, 0, 0, 0});
  // Brightness and colour are halved with truncation: +-1 act as 0.
  for (Settings s : {Settings{1, 0, 0, 0}, Settings{-1, 0, 0, 0}, Settings{0, 1, 0, 0}, Settings{0, -1, 0, 0},
                     Settings{0, 0, 0, 3}, Settings{0, 0, 0, -1}}) {
    const PassRun run(source, templ, s);
    EXPECT_EQ(0, CountDifferences(base.output, run.output))
        << s.brightness << " " << s.colour << " mode " << s.mode;
  }
  // ... while 2 does not.
  const PassRun brighter(source, templ, {2, 0, 0, 0});
  EXPECT_GT(CountDifferences(base.output, brighter.output), 0);
}

TEST(TransferPassesTest, OnePixelTemplateHasZeroStatistics) {
  const Image source = MakePicture(16, 16, 3, 9u, 0);
  const Image templ = MakeFlat(1, 1, 40, 90, 220);
  const PassRun run(source, templ, {0, 0, 0, 0});
  const ImageStatistics& t = run.passes.TemplateStatistics();
  for (double value : {t.pAlpha, t.qAlpha, t.pBeta, t.qBeta, t.pBetaAlpha, t.qBetaAlpha, t.sigma[0], t.sigma[1],
                       t.sigma[2]}) {
    EXPECT_EQ(0.0, value);
  }
  // The means are the template pixel's own l, alpha and beta.
  float in[3] = {static_cast<float>(220 * (1.0 / 255)), static_cast<float>(90 * (1.0 / 255)),
                 static_cast<float>(40 * (1.0 / 255))};
  float lab[3];
  run.forward.Evaluate(in, lab);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(static_cast<double>(lab[i]), t.mean[i]) << i;
  // Every output pixel is the same colour then.
  for (std::size_t i = 3; i < run.output.bytes.size(); ++i) ASSERT_EQ(run.output.bytes[i % 3], run.output.bytes[i]);
}

// A source that does not vary in a channel (a flat picture, a single pixel)
// has nothing to scale there: it takes the template's mean instead, so a
// flat source repainted with a flat template comes out in the template's
// colour, not with the template's mean added on top of its own.
TEST(TransferPassesTest, FlatSourceTakesTheTemplatesColour) {
  struct Case {
    const char* name;
    Image source;
    Image templ;
    int mode;
    int expected[3];  // B, G, R
  };
  const Case cases[] = {
      {"grey on grey", MakeFlat(64, 48, 128, 128, 128), MakeFlat(1, 1, 128, 128, 128), 0, {128, 128, 128}},
      {"grey on orange", MakeFlat(64, 48, 128, 128, 128), MakeFlat(4, 4, 50, 100, 200), 0, {50, 100, 200}},
      {"one pixel", MakeFlat(1, 1, 180, 120, 60), MakeFlat(3, 2, 50, 100, 200), 0, {50, 100, 200}},
      {"brightness only", MakeFlat(8, 8, 128, 128, 128), MakeFlat(2, 2, 90, 90, 90), 1, {90, 90, 90}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (bool vectorLoops : {false, true}) {
      const PassRun run(c.source, c.templ, {0, 0, 0, c.mode}, vectorLoops);
      for (std::size_t i = 0; i < run.output.bytes.size(); ++i) {
        // The two lattices round a colour trip by a few levels.
        ASSERT_NEAR(c.expected[i % 3], run.output.bytes[i], 6) << "byte " << i;
      }
    }
  }
}

TEST(TransferPassesTest, ModeOneKeepsThePlanesUndecorrelated) {
  const Image source = MakePicture(16, 12, 3, 10u, 0);
  const Image templ = MakePicture(8, 8, 3, 11u, 20);
  const PassRun keep(source, templ, {0, 0, 0, 1});
  const PassRun decorrelated(source, templ, {0, 0, 0, 0});
  const Lab original = ReferenceLab(source, keep.forward);
  for (int y = 0; y < source.height; ++y) {
    for (int x = 0; x < source.width; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * source.width + x;
      ASSERT_EQ(static_cast<float>(original.a[i]), keep.passes.SourcePlanes().Row(1, y)[x]);
      ASSERT_EQ(static_cast<float>(original.b[i]), keep.passes.SourcePlanes().Row(2, y)[x]);
    }
  }
  // Decorrelated residuals have no linear dependence on l left.
  const ImageStatistics& s = decorrelated.passes.SourceStatistics();
  EXPECT_NEAR(0.0, s.mean[1], 1e-6);
  EXPECT_NEAR(0.0, s.mean[2], 1e-6);
}

TEST(TransferPassesTest, NoColourInModeOneIsNearGrey) {
  const Image source = MakePicture(40, 30, 3, 12u, 0);
  const Image templ = MakePicture(20, 20, 3, 13u, 60);
  const PassRun run(source, templ, {0, -100, 0, 1});
  int worst = 0;
  for (std::size_t i = 0; i < run.output.bytes.size(); i += 3) {
    const int b = run.output.bytes[i], g = run.output.bytes[i + 1], r = run.output.bytes[i + 2];
    worst = std::max({worst, std::abs(r - g), std::abs(g - b), std::abs(r - b)});
  }
  // alpha = beta = 0 is a neutral grey up to the lattices' quantisation.
  EXPECT_LE(worst, 8);
  const PassRun colourful(source, templ, {0, 0, 0, 1});
  int spread = 0;
  for (std::size_t i = 0; i < colourful.output.bytes.size(); i += 3) {
    spread = std::max(spread, std::abs(colourful.output.bytes[i] - colourful.output.bytes[i + 2]));
  }
  EXPECT_GT(spread, 40);
}

TEST(TransferPassesTest, FormatsShareTheColourResult) {
  const Image bgr = MakePicture(24, 10, 3, 14u, 0);
  const Image templ = MakePicture(12, 12, 3, 15u, 25);
  const Settings settings{10, 20, 15, 0};
  const PassRun reference(bgr, templ, settings);

  // BGRA: the same colours, the fourth byte untouched.
  Image bgra{bgr.width, bgr.height, 4, {}};
  for (std::size_t i = 0; i < bgr.bytes.size(); i += 3) {
    bgra.bytes.insert(bgra.bytes.end(), {bgr.bytes[i], bgr.bytes[i + 1], bgr.bytes[i + 2],
                                         static_cast<std::uint8_t>(i * 13)});
  }
  const PassRun withAlpha(bgra, templ, settings);
  for (std::size_t p = 0; p < bgr.bytes.size() / 3; ++p) {
    for (int c = 0; c < 3; ++c) ASSERT_EQ(reference.output.bytes[3 * p + c], withAlpha.output.bytes[4 * p + c]);
    ASSERT_EQ(static_cast<std::uint8_t>(3 * p * 13), withAlpha.output.bytes[4 * p + 3]);
  }

  // Grey: one byte stands for R = G = B, and the blue result is written.
  const Image grey = MakePicture(24, 10, 1, 14u, 0);
  Image greyAsBgr{grey.width, grey.height, 3, {}};
  for (std::uint8_t v : grey.bytes) greyAsBgr.bytes.insert(greyAsBgr.bytes.end(), {v, v, v});
  const PassRun greyRun(grey, templ, settings);
  const PassRun colourRun(greyAsBgr, templ, settings);
  for (std::size_t p = 0; p < grey.bytes.size(); ++p) {
    ASSERT_EQ(colourRun.output.bytes[3 * p], greyRun.output.bytes[p]) << p;
  }
  // The test is only meaningful when blue differs from red somewhere.
  int differ = 0;
  for (std::size_t p = 0; p < grey.bytes.size(); ++p) differ += colourRun.output.bytes[3 * p] != colourRun.output.bytes[3 * p + 2];
  EXPECT_GT(differ, 0);
}

TEST(TransferPassesTest, MeanColourCheck) {
  const Image source = MakePicture(20, 20, 3, 16u, 0);
  // A dark template and a strong brightening push the output far from it.
  const Image dark = MakeFlat(4, 4, 20, 20, 20);
  EXPECT_TRUE(PassRun(source, dark, {100, 0, 0, 0}).passes.MeanColourStrays());
  // A template like the source does not.
  EXPECT_FALSE(PassRun(source, MakePicture(20, 20, 3, 17u, 0), {0, 0, 0, 0}).passes.MeanColourStrays());
}

// Plain and vector loops agree on pictures of every kind the loops treat
// differently: widths around the vector block and pair or quad sizes, all
// three formats, random, flat, almost flat (steep regressions) and
// black-and-white pixels, any settings.
TEST(TransferPassesTest, VectorLoopsMatchPlainLoopsOnVariedPictures) {
  if (!CTransferPasses::HaveVectorLoops()) GTEST_SKIP() << "no vector loops in this build";
  std::uint32_t state = 2024u;
  auto next = [&state] { return transfer_test::Lcg(state); };
  auto fill = [&next](Image& image) {
    const std::uint8_t base[3] = {static_cast<std::uint8_t>(next()), static_cast<std::uint8_t>(next()),
                                  static_cast<std::uint8_t>(next())};
    const std::uint32_t kind = next() % 4;
    for (std::size_t i = 0; i < image.bytes.size(); ++i) {
      const std::uint32_t r = next();
      image.bytes[i] = static_cast<std::uint8_t>(kind == 0   ? r
                                                 : kind == 1 ? base[i % 3]
                                                 : kind == 2 ? base[i % 3] + r % 2
                                                             : (r & 1) * 255);
    }
  };
  for (int run = 0; run < 120; ++run) {
    const int bytesPerPixel = run % 3 == 0 ? 1 : run % 3 == 1 ? 3 : 4;
    Image source{1 + static_cast<int>(next() % 140), 1 + static_cast<int>(next() % 3), bytesPerPixel, {}};
    source.bytes.resize(static_cast<std::size_t>(source.width) * source.height * bytesPerPixel);
    Image templ{1 + static_cast<int>(next() % 16), 1 + static_cast<int>(next() % 16), 3, {}};
    templ.bytes.resize(static_cast<std::size_t>(templ.width) * templ.height * 3);
    fill(source);
    fill(templ);
    const Settings settings{static_cast<int>(next() % 201) - 100, static_cast<int>(next() % 201) - 100,
                            static_cast<int>(next() % 101), static_cast<int>(next() % 4)};
    const PassRun plain(source, templ, settings, LoopKind::kPlain);
    for (LoopKind loops : CTransferPasses::AvailableLoops()) {
      if (loops == LoopKind::kPlain) continue;
      const PassRun vector(source, templ, settings, loops);
      ASSERT_EQ(0, CountDifferences(plain.output, vector.output)) << "run " << run << " " << CTransferPasses::LoopName(loops);
      ASSERT_EQ(plain.passes.OutputRowSums(), vector.passes.OutputRowSums()) << "run " << run;
    }
  }
}

}  // namespace
