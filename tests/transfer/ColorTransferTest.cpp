#include "transfer/ColorTransfer.h"

#include <gtest/gtest.h>

#include <cstring>

#include "image/ImageBuffer.h"
#include "platform/Beep.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/transfer/TransferFixtures.h"
#include "transfer/Progress.h"

namespace {

using transfer_test::Image;
using transfer_test::MakeFlat;
using transfer_test::MakeNoise;
using transfer_test::MakePicture;
using transfer_test::PassRun;

int FormatOf(int bytesPerPixel) {
  return bytesPerPixel == 1 ? keFormatGrey : bytesPerPixel == 3 ? keFormatBGR : keFormatBGRA;
}

void Load(CImageBuffer& buffer, const Image& image) {
  ASSERT_FALSE(buffer.Create(image.width, image.height, FormatOf(image.bytesPerPixel)).IsError());
  const std::size_t rowBytes = static_cast<std::size_t>(image.width) * image.bytesPerPixel;
  for (int y = 0; y < image.height; ++y) {
    std::memcpy(buffer.GetRow(y), image.Row(y), rowBytes);
    buffer.ReleaseRow(y);
  }
}

Image Read(const CImageBuffer& buffer, int bytesPerPixel) {
  Image image{buffer.Width(), buffer.Height(), bytesPerPixel, {}};
  image.bytes.resize(static_cast<std::size_t>(image.width) * image.height * bytesPerPixel);
  for (int y = 0; y < image.height; ++y) {
    std::memcpy(image.Row(y), buffer.GetRow(y), static_cast<std::size_t>(image.width) * bytesPerPixel);
    buffer.ReleaseRow(y);
  }
  return image;
}

// A clock one second further on at every read: every Step is accepted.
double g_now = 0.0;
double SteppingClock() { return g_now += 1.0; }

int g_abortFromStep = -1;  // Step's n from which the abort query answers 1
int g_queries = 0;
int AbortQuery(CProgress* progress) {
  ++g_queries;
  return g_abortFromStep >= 0 && progress->Current() >= g_abortFromStep ? 1 : 0;
}

int g_beeps = 0;
void CountBeep() { ++g_beeps; }

class ColorTransferTest : public testing::Test {
 protected:
  void SetUp() override {
    g_now = 0.0;
    g_abortFromStep = -1;
    g_queries = 0;
    g_beeps = 0;
    m_previousBeep = platform::SetBeepHandler(&CountBeep);
    m_progress.SetClock(&SteppingClock);
    m_progress.SetAbortCallback(&AbortQuery);
  }
  void TearDown() override { platform::SetBeepHandler(m_previousBeep); }

  // `threads` 0: as the engine chooses.
  int Apply(const Image& source, const Image& templ, transfer_test::Settings s, int threads = 0,
            transfer_detail::ColourTableUse table = transfer_detail::ColourTableUse::kWhenItPays) {
    Load(m_source, source);
    Load(m_template, templ);
    // The destination starts as something else than any result.
    Image blank = source;
    std::fill(blank.bytes.begin(), blank.bytes.end(), std::uint8_t{0x5A});
    Load(m_destination, blank);
    CColorTransfer transfer;
    transfer.SetThreads(threads);
    transfer.UseColourTable(table);
    return transfer.Apply(m_progress, m_destination, m_source, m_template, s.brightness, s.colour, s.fade, s.mode);
  }

  CProgress m_progress;
  CImageBuffer m_source, m_template, m_destination;
  platform::BeepHandler m_previousBeep = nullptr;
};

TEST_F(ColorTransferTest, WritesThePassesResultInEveryFormat) {
  const Image templ = MakePicture(12, 10, 3, 31u, 30);
  for (int bytesPerPixel : {3, 4, 1}) {
    SCOPED_TRACE(testing::Message() << bytesPerPixel << " bytes per pixel");
    const Image source = MakePicture(20, 14, bytesPerPixel, 30u, 0);
    const transfer_test::Settings settings{20, -30, 10, 0};
    ASSERT_EQ(0, Apply(source, templ, settings));
    const PassRun expected(source, templ, settings);
    Image written = Read(m_destination, bytesPerPixel);
    if (bytesPerPixel == 4) {
      // The fourth byte is never touched: it keeps the destination's 0x5A.
      for (std::size_t i = 3; i < written.bytes.size(); i += 4) {
        ASSERT_EQ(0x5A, written.bytes[i]) << i;
        written.bytes[i] = expected.output.bytes[i];
      }
    }
    EXPECT_TRUE(expected.output.bytes == written.bytes);
  }
}

TEST_F(ColorTransferTest, StepsCoverEveryRowOfThreePasses) {
  const Image source = MakePicture(8, 5, 3, 32u, 0);
  const Image templ = MakePicture(6, 7, 3, 33u, 0);
  ASSERT_EQ(0, Apply(source, templ, {0, 0, 0, 0}));
  EXPECT_EQ(7 + 2 * 5, m_progress.Total());
  // Step(0) first, one step per row, one more after the statistics.
  EXPECT_EQ(1 + 5 + 7 + 1 + 5, g_queries);
  EXPECT_EQ(7 + 2 * 5 - 1, m_progress.Current());
}

TEST_F(ColorTransferTest, CancellingRestoresTheSource) {
  const Image source = MakePicture(8, 5, 3, 34u, 0);
  const Image templ = MakePicture(6, 7, 3, 35u, 0);
  struct Case {
    const char* pass;
    int abortFrom;
  };
  // Step n counts rows: 0..4 source, 5..11 template, 12..16 output.
  for (const Case& c : {Case{"source", 2}, Case{"template", 6}, Case{"output", 14}}) {
    SCOPED_TRACE(c.pass);
    g_abortFromStep = c.abortFrom;
    g_queries = 0;
    EXPECT_EQ(-6, Apply(source, templ, {0, 0, 0, 0}));
    EXPECT_TRUE(source.bytes == Read(m_destination, 3).bytes);
    EXPECT_EQ(c.abortFrom, m_progress.Current());
  }
  EXPECT_EQ(0, g_beeps);
}

// Several threads: the same bytes, one step per row of each pass, and a
// cancel heard between bands restores the source.
TEST_F(ColorTransferTest, ThreadsGiveTheSameResultStepsAndCancel) {
  const Image source = MakePicture(97, 61, 3, 43u, 0);
  const Image templ = MakePicture(23, 19, 3, 44u, 20);
  const transfer_test::Settings settings{10, 30, 15, 0};
  ASSERT_EQ(0, Apply(source, templ, settings, 1));
  const Image alone = Read(m_destination, 3);
  const int queries = g_queries;
  EXPECT_EQ(1 + 61 + 19 + 1 + 61, queries);
  for (int threads : {2, 3}) {
    SCOPED_TRACE(testing::Message() << threads << " threads");
    g_queries = 0;
    ASSERT_EQ(0, Apply(source, templ, settings, threads));
    EXPECT_TRUE(alone.bytes == Read(m_destination, 3).bytes);
    EXPECT_EQ(queries, g_queries);
    EXPECT_EQ(19 + 2 * 61 - 1, m_progress.Current());

    // Step n counts rows: 0..60 source, 61..79 template, 80..140 output.
    for (int abortFrom : {30, 70, 100}) {
      g_abortFromStep = abortFrom;
      EXPECT_EQ(-6, Apply(source, templ, settings, threads));
      EXPECT_TRUE(source.bytes == Read(m_destination, 3).bytes) << abortFrom;
      EXPECT_EQ(abortFrom, m_progress.Current());
    }
    g_abortFromStep = -1;
  }
}

// The source kept per colour: the bytes, steps and cancels of the planes,
// in every format, on one thread or several.
TEST_F(ColorTransferTest, ColourTableGivesThePlanesResultStepsAndCancel) {
  using transfer_detail::ColourTableUse;
  const Image templ = MakePicture(23, 19, 3, 46u, 20);
  const transfer_test::Settings settings{-30, 50, 20, 0};
  for (int bytesPerPixel : {3, 4, 1}) {
    const Image source = MakePicture(97, 61, bytesPerPixel, 45u, 0);
    g_queries = 0;
    ASSERT_EQ(0, Apply(source, templ, settings, 1, ColourTableUse::kNever));
    const Image planes = Read(m_destination, bytesPerPixel);
    const int queries = g_queries;
    for (int threads : {1, 2}) {
      SCOPED_TRACE(testing::Message() << bytesPerPixel << " bytes per pixel, " << threads << " threads");
      g_queries = 0;
      ASSERT_EQ(0, Apply(source, templ, settings, threads, ColourTableUse::kAlways));
      EXPECT_TRUE(planes.bytes == Read(m_destination, bytesPerPixel).bytes);
      EXPECT_EQ(queries, g_queries);
      // Step n counts rows: 0..60 source, 61..79 template, 80..140 output.
      for (int abortFrom : {30, 70, 100}) {
        g_abortFromStep = abortFrom;
        EXPECT_EQ(-6, Apply(source, templ, settings, threads, ColourTableUse::kAlways));
        EXPECT_TRUE(source.bytes == Read(m_destination, bytesPerPixel).bytes) << abortFrom;
        EXPECT_EQ(abortFrom, m_progress.Current());
      }
      g_abortFromStep = -1;
    }
  }
}

// The destination may be the source itself (the command-line tool writes
// the result over the decoded picture): the bytes are those of a separate
// destination, per colour or from the planes, on one thread or several.
TEST_F(ColorTransferTest, WritesOverItsSourceAsOverASeparateDestination) {
  using transfer_detail::ColourTableUse;
  const Image templ = MakePicture(23, 19, 3, 48u, 10);
  const transfer_test::Settings settings{20, -10, 30, 2};
  for (int bytesPerPixel : {3, 4, 1}) {
    const Image source = MakePicture(97, 61, bytesPerPixel, 47u, 0);
    ASSERT_EQ(0, Apply(source, templ, settings, 1, ColourTableUse::kNever));
    Image separate = Read(m_destination, bytesPerPixel);
    ASSERT_FALSE(source.bytes == separate.bytes);
    // The engine never writes the fourth byte of BGRA: over the source it
    // keeps the source's.
    if (bytesPerPixel == 4) {
      for (std::size_t i = 3; i < separate.bytes.size(); i += 4) separate.bytes[i] = source.bytes[i];
    }
    for (ColourTableUse use : {ColourTableUse::kNever, ColourTableUse::kAlways}) {
      for (int threads : {1, 2}) {
        SCOPED_TRACE(testing::Message() << bytesPerPixel << " bytes per pixel, " << threads << " threads, table "
                                        << (use == ColourTableUse::kAlways));
        CImageBuffer picture;
        Load(picture, source);
        CImageBuffer destination;
        ASSERT_FALSE(destination.Share(picture).IsError());
        CColorTransfer transfer;
        transfer.SetThreads(threads);
        transfer.UseColourTable(use);
        ASSERT_EQ(0, transfer.Apply(m_progress, destination, picture, m_template, settings.brightness,
                                    settings.colour, settings.fade, settings.mode));
        EXPECT_TRUE(separate.bytes == Read(picture, bytesPerPixel).bytes);
      }
    }
  }
}

// A destination larger than the source: only the source's rectangle is
// written, per colour as from the planes, and the rest keeps its bytes
// (the colour numbers the passes keep in the destination stay inside it).
TEST_F(ColorTransferTest, LargerDestinationKeepsItsMargin) {
  using transfer_detail::ColourTableUse;
  const Image source = MakePicture(41, 17, 3, 49u, 0);
  Load(m_template, MakePicture(9, 8, 3, 50u, 0));
  Image results[2];
  const ColourTableUse uses[2] = {ColourTableUse::kNever, ColourTableUse::kAlways};
  for (int i = 0; i < 2; ++i) {
    Load(m_source, source);
    Image blank{source.width + 5, source.height + 3, 3, {}};
    blank.bytes.assign(static_cast<std::size_t>(blank.width) * blank.height * 3, std::uint8_t{0x5A});
    Load(m_destination, blank);
    CColorTransfer transfer;
    transfer.UseColourTable(uses[i]);
    ASSERT_EQ(0, transfer.Apply(m_progress, m_destination, m_source, m_template, 10, 20, 0, 0));
    results[i] = Read(m_destination, 3);
    for (int y = 0; y < blank.height; ++y) {
      for (int x = 0; x < blank.width; ++x) {
        if (x < source.width && y < source.height) continue;
        for (int c = 0; c < 3; ++c) ASSERT_EQ(0x5A, results[i].Row(y)[3 * x + c]) << x << ", " << y;
      }
    }
  }
  EXPECT_TRUE(results[0].bytes == results[1].bytes);
}

TEST_F(ColorTransferTest, RefusesOtherPixelFormatsWithAMessage) {
  MessageBoxRecorder boxes;
  CImageBuffer source;
  ASSERT_FALSE(source.CreateGreyA(4, 4).IsError());
  Load(m_template, MakePicture(4, 4, 3, 36u, 0));
  const Image before = MakePicture(4, 4, 4, 37u, 0);
  Load(m_destination, before);
  EXPECT_EQ(0, CColorTransfer().Apply(m_progress, m_destination, source, m_template, 0, 0, 0, 0));
  ASSERT_EQ(1u, boxes.Boxes().size());
  EXPECT_EQ("wrong pixel format", boxes.Boxes()[0].text);
  EXPECT_EQ(platform::MessageBoxIcon::kError, boxes.Boxes()[0].icon);
  EXPECT_TRUE(before.bytes == Read(m_destination, 4).bytes);
  EXPECT_EQ(0, g_queries);
}

TEST_F(ColorTransferTest, MismatchedTemplateOrDestinationIsABadArgument) {
  const Image source = MakePicture(6, 4, 3, 38u, 0);
  Load(m_source, source);
  Load(m_template, MakePicture(4, 4, 4, 39u, 0));  // BGRA template
  Load(m_destination, source);
  try {
    (void)CColorTransfer().Apply(m_progress, m_destination, m_source, m_template, 0, 0, 0, 0);
    ADD_FAILURE() << "no exception";
  } catch (const CJException& e) {
    EXPECT_EQ(static_cast<std::uint32_t>(keErrBadArgument), e.Code());
  }
  Load(m_template, MakePicture(4, 4, 3, 39u, 0));
  Load(m_destination, MakePicture(6, 3, 3, 40u, 0));  // one row short
  EXPECT_THROW((void)CColorTransfer().Apply(m_progress, m_destination, m_source, m_template, 0, 0, 0, 0),
               CJException);
}

TEST_F(ColorTransferTest, BeepsWhenTheMeanColourStraysExceptInModeOne) {
  const Image source = MakePicture(16, 12, 3, 41u, 0);
  const Image dark = MakeFlat(4, 4, 20, 20, 20);
  ASSERT_EQ(0, Apply(source, dark, {100, 0, 0, 0}));
  EXPECT_EQ(1, g_beeps);
  ASSERT_EQ(0, Apply(source, dark, {100, 0, 0, 1}));
  EXPECT_EQ(1, g_beeps);
  ASSERT_EQ(0, Apply(source, MakePicture(16, 12, 3, 42u, 0), {0, 0, 0, 0}));
  EXPECT_EQ(1, g_beeps);
}

}  // namespace

// A template's figures taken once repaint like the template itself: the
// same bytes and the same mean-colour beep, in every mode, per colour and
// from the planes, on one thread or two.
TEST_F(ColorTransferTest, TemplateFiguresGiveThePicturesResult) {
  using transfer_detail::ColourTableUse;
  const Image source = MakePicture(53, 29, 3, 51u, 0);
  struct Case {
    Image templ;
    transfer_test::Settings settings;
  } const cases[] = {
      {MakePicture(31, 23, 3, 52u, 20), {20, -30, 10, 0}},
      {MakePicture(31, 23, 3, 52u, 20), {-15, 40, 0, 1}},
      {MakePicture(17, 40, 3, 53u, 0), {0, 10, 50, 2}},
      {MakePicture(17, 40, 3, 53u, 0), {5, 0, 0, 3}},
      {MakeFlat(4, 4, 20, 20, 20), {100, 0, 0, 0}},  // the mean colour strays
  };
  for (const Case& c : cases) {
    for (ColourTableUse use : {ColourTableUse::kNever, ColourTableUse::kAlways}) {
      for (int threads : {1, 2}) {
        SCOPED_TRACE(testing::Message() << "mode " << c.settings.mode << ", " << threads << " threads, table "
                                        << (use == ColourTableUse::kAlways));
        g_beeps = 0;
        ASSERT_EQ(0, Apply(source, c.templ, c.settings, threads, use));
        const Image expected = Read(m_destination, 3);
        const int expectedBeeps = g_beeps;

        CColorTransfer transfer;
        transfer.SetThreads(threads);
        transfer.UseColourTable(use);
        TemplateFigures figures;
        ASSERT_EQ(0, transfer.AnalyseTemplate(m_progress, m_template, c.settings.mode, &figures));
        ASSERT_TRUE(figures.Serve(c.settings.mode));
        g_beeps = 0;
        Load(m_destination, source);
        ASSERT_EQ(0, transfer.Apply(m_progress, m_destination, m_source, figures, c.settings.brightness,
                                    c.settings.colour, c.settings.fade, c.settings.mode));
        EXPECT_TRUE(expected.bytes == Read(m_destination, 3).bytes);
        EXPECT_EQ(expectedBeeps, g_beeps);
      }
    }
  }
}

// Figures taken for a mode that does not decorrelate do not serve one that
// does (and the other way round); a stopped analysis leaves none.
TEST_F(ColorTransferTest, TemplateFiguresServeOnlyTheirKindOfMode) {
  Load(m_source, MakePicture(8, 5, 3, 54u, 0));
  Load(m_destination, MakePicture(8, 5, 3, 54u, 0));
  Load(m_template, MakePicture(6, 7, 3, 55u, 0));
  CColorTransfer transfer;
  TemplateFigures plain, decorrelated;
  ASSERT_EQ(0, transfer.AnalyseTemplate(m_progress, m_template, 1, &plain));
  ASSERT_EQ(0, transfer.AnalyseTemplate(m_progress, m_template, 2, &decorrelated));
  EXPECT_TRUE(decorrelated.Serve(0) && decorrelated.Serve(3) && !decorrelated.Serve(1));
  EXPECT_THROW((void)transfer.Apply(m_progress, m_destination, m_source, plain, 0, 0, 0, 0), CJException);
  EXPECT_THROW((void)transfer.Apply(m_progress, m_destination, m_source, decorrelated, 0, 0, 0, 1), CJException);

  g_abortFromStep = 3;
  TemplateFigures stopped;
  EXPECT_EQ(-6, transfer.AnalyseTemplate(m_progress, m_template, 0, &stopped));
  EXPECT_FALSE(stopped.ready);
}

// One engine repaints picture after picture (it keeps its colour table's
// storage between calls) exactly as a new engine would each time: more
// colours after fewer and fewer after more, other sizes, other threads.
TEST_F(ColorTransferTest, AnEngineUsedAgainRepaintsAsANewOne) {
  Load(m_template, MakePicture(21, 17, 3, 56u, 10));
  const Image sources[] = {MakePicture(40, 30, 3, 57u, 0), MakeNoise(61, 47, 3, 58u), MakeFlat(9, 9, 10, 200, 90),
                           MakePicture(33, 70, 4, 59u, 0), MakeNoise(61, 47, 3, 60u)};
  CColorTransfer reused;
  int threads = 1;
  for (const Image& source : sources) {
    threads = 3 - threads;
    Load(m_source, source);
    Load(m_destination, source);
    CColorTransfer fresh;
    fresh.SetThreads(threads);
    fresh.UseColourTable(transfer_detail::ColourTableUse::kAlways);
    ASSERT_EQ(0, fresh.Apply(m_progress, m_destination, m_source, m_template, 10, 30, 20, 0));
    const Image expected = Read(m_destination, source.bytesPerPixel);
    Load(m_destination, source);
    reused.SetThreads(threads);
    reused.UseColourTable(transfer_detail::ColourTableUse::kAlways);
    ASSERT_EQ(0, reused.Apply(m_progress, m_destination, m_source, m_template, 10, 30, 20, 0));
    EXPECT_TRUE(expected.bytes == Read(m_destination, source.bytesPerPixel).bytes) << source.width;
  }
}
