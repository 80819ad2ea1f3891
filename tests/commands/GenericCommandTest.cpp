#include "commands/GenericCommand.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "commands/CommandMessages.h"
#include "commands/MaskedComposite.h"
#include "image/Status.h"
#include "platform/MessageBox.h"
#include "tests/support/MessageBoxRecorder.h"

namespace {

// Each call moves the clock on by a second, so every progress step counts.
double SteppingClock() {
  static std::atomic<long> ticks{0};
  return static_cast<double>(ticks.fetch_add(1));
}

// A command whose run writes a known value into the output, then steps its
// progress until told to go on (or to stop).
class ProbeCommand : public GenericCommand {
 public:
  enum class Ending { kWrite, kThrow, kCancelled, kErrorBox };

  int Run(CCommandJob& job) override {
    runs++;
    job.progress->SetClock(&SteppingClock);
    job.progress->SetTotal(100);
    job.progress->SetRange(100);
    for (int step = 1; !release.load(); ++step) {
      if (job.progress->Step(step % 100) != 0) return -6;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (ending == Ending::kThrow) RaiseError(keErrNoData);
    if (ending == Ending::kCancelled) return 100;
    if (ending == Ending::kErrorBox) {
      // As a run reports an unreadable template: a box, then an ordinary end.
      platform::ShowMessage("Can't read the template picture t.jpg", "Probe", platform::MessageBoxIcon::kError);
      return 0;
    }
    for (int y = 0; y < job.output->Height(); ++y) {
      CRowWriter row(*job.output, y);
      for (int x = 0; x < job.output->Width() * 3; ++x) row.Row()[x] = 200;
    }
    return 0;
  }
  std::string Name() const override { return "Probe"; }

  std::atomic<bool> release{false};
  std::atomic<int> runs{0};
  Ending ending = Ending::kWrite;
};

class GenericCommandTest : public testing::Test {
 protected:
  void SetUp() override {
    const CColorRef grey(100, 100, 100);
    ASSERT_FALSE(m_command.Input().CreateBGR(4, 3, &grey).IsError());
    m_command.SetNotifyWindow(m_queue.Handle());
  }
  platform::WindowMessage WaitForEnd() {
    platform::WindowMessage m;
    EXPECT_TRUE(m_queue.Wait(UM_RUNDONE, UM_RUNFAILED, &m, 20000));
    return m;
  }
  std::uint8_t OutputByte(int x, int y) {
    CRowReader row(m_command.Output(), y);
    return row.Row()[x];
  }

  platform::MessageQueue m_queue;
  ProbeCommand m_command;
};

TEST_F(GenericCommandTest, RunWritesTheOutputAndPostsDone) {
  ASSERT_FALSE(m_command.Start().IsError());
  EXPECT_TRUE(m_command.IsRunning());
  // A second start while the first runs is refused and changes nothing.
  CStatus again = m_command.Start();
  EXPECT_EQ(101u, again.Code());
  platform::WindowMessage progress;
  ASSERT_TRUE(m_queue.Wait(UM_PROGRESS, UM_PROGRESS, &progress, 20000));
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(static_cast<GenericCommand*>(&m_command)), progress.wParam);
  m_command.release = true;
  EXPECT_EQ(UM_RUNDONE, WaitForEnd().id);
  m_command.Stop();
  EXPECT_FALSE(m_command.IsRunning());
  EXPECT_FALSE(m_command.IsBusy());
  EXPECT_EQ(1, m_command.runs.load());
  EXPECT_EQ(200, OutputByte(0, 0));
  EXPECT_EQ(200, OutputByte(11, 2));  // no mask: exactly what the run wrote
}

TEST_F(GenericCommandTest, StopEndsTheRunOnTheFailurePath) {
  ASSERT_FALSE(m_command.Start().IsError());
  platform::WindowMessage progress;
  ASSERT_TRUE(m_queue.Wait(UM_PROGRESS, UM_PROGRESS, &progress, 20000));
  m_command.Stop();
  EXPECT_EQ(UM_RUNFAILED, WaitForEnd().id);
  EXPECT_TRUE(m_command.Output().IsEmpty());
  EXPECT_FALSE(m_command.StopRequested());
  // The command can run again afterwards.
  m_command.release = true;
  ASSERT_FALSE(m_command.Start().IsError());
  EXPECT_EQ(UM_RUNDONE, WaitForEnd().id);
}

TEST_F(GenericCommandTest, FailingRunsClearTheOutput) {
  for (auto ending : {ProbeCommand::Ending::kThrow, ProbeCommand::Ending::kCancelled}) {
    m_command.ending = ending;
    m_command.release = true;
    ASSERT_FALSE(m_command.Start().IsError());
    EXPECT_EQ(UM_RUNFAILED, WaitForEnd().id);
    m_command.Stop();
    EXPECT_TRUE(m_command.Output().IsEmpty());
  }
}

TEST_F(GenericCommandTest, MaskLimitsTheChangeToTheSelection) {
  ASSERT_FALSE(m_command.Mask().CreateGrey(4, 3).IsError());  // black: nothing selected ...
  {
    CRowWriter row(m_command.Mask(), 1);
    row.Row()[2] = 255;  // ... but pixel (2, 1)
    row.Row()[3] = 128;  // and half of (3, 1)
  }
  m_command.release = true;
  ASSERT_FALSE(m_command.Start().IsError());
  EXPECT_EQ(UM_RUNDONE, WaitForEnd().id);
  m_command.Stop();
  EXPECT_EQ(100, OutputByte(0, 0));
  EXPECT_EQ(100, OutputByte(3, 1));      // pixel 1 of row 1: not selected
  EXPECT_EQ(200, OutputByte(6, 1));      // pixel 2: fully selected
  EXPECT_EQ(150, OutputByte(9, 1));      // pixel 3: half way
  EXPECT_EQ(100, OutputByte(6, 2));
}

// The output starts as a copy of the input: a run leaves the input as it
// was, so the dialog can run again on it.  Asked to write over the input,
// the run's output is the input's own storage and nothing is copied.
TEST_F(GenericCommandTest, OutputIsACopyUnlessAskedToWriteOverTheInput) {
  struct Case {
    bool overInput;
    int inputAfter;
  };
  for (const Case& c : {Case{false, 100}, Case{true, 200}}) {
    SCOPED_TRACE(c.overInput ? "over the input" : "a copy");
    const CColorRef grey(100, 100, 100);
    ASSERT_FALSE(m_command.Input().CreateBGR(4, 3, &grey).IsError());
    m_command.SetOutputOverInput(c.overInput);
    m_command.release = true;
    ASSERT_FALSE(m_command.Start().IsError());
    EXPECT_EQ(UM_RUNDONE, WaitForEnd().id);
    m_command.Stop();
    EXPECT_EQ(200, OutputByte(11, 2));
    EXPECT_EQ(c.overInput, m_command.Output().PixelAddress(0, 0) == m_command.Input().PixelAddress(0, 0));
    CRowReader row(m_command.Input(), 2);
    EXPECT_EQ(c.inputAfter, row.Row()[11]);
  }
}

TEST(MaskedCompositeTest, MixesByTheRoundedWeights) {
  struct Case {
    std::uint8_t m, a, b, expected;
  };
  // Worked by hand from x = (255 - m) a + m b + 128, byte (x + (x >> 8)) >> 8.
  const Case cases[] = {{0, 17, 250, 17},    {255, 0, 255, 255}, {255, 90, 200, 200}, {128, 0, 255, 128},
                        {64, 100, 200, 125}, {200, 255, 0, 55},  {1, 10, 250, 11}};
  const int n = static_cast<int>(sizeof cases / sizeof cases[0]);
  CImageBuffer first, second, mask, result;
  ASSERT_FALSE(first.CreateBGR(n, 1).IsError());
  ASSERT_FALSE(second.CreateBGR(n, 1).IsError());
  ASSERT_FALSE(mask.CreateGrey(n, 1).IsError());
  {
    CRowWriter a(first, 0), b(second, 0), m(mask, 0);
    for (int i = 0; i < n; ++i) {
      m.Row()[i] = cases[i].m;
      for (int c = 0; c < 3; ++c) {
        a.Row()[3 * i + c] = cases[i].a;
        b.Row()[3 * i + c] = cases[i].b;
      }
    }
  }
  ASSERT_FALSE(MaskedComposite(first, second, mask, &result).IsError());
  CRowReader row(result, 0);
  for (int i = 0; i < n; ++i) {
    SCOPED_TRACE(testing::Message() << "m " << int(cases[i].m) << " a " << int(cases[i].a));
    for (int c = 0; c < 3; ++c) EXPECT_EQ(cases[i].expected, row.Row()[3 * i + c]);
  }
}

TEST(MaskedCompositeTest, RefusesMismatchedBuffers) {
  CImageBuffer bgr, bgra, grey, empty, result;
  ASSERT_FALSE(bgr.CreateBGR(2, 2).IsError());
  ASSERT_FALSE(bgra.CreateBGRA(2, 2).IsError());
  ASSERT_FALSE(grey.CreateGrey(2, 2).IsError());
  EXPECT_EQ(101u, MaskedComposite(bgr, bgra, grey, &result).Code());
  EXPECT_EQ(101u, MaskedComposite(bgr, bgr, bgr, &result).Code());
  EXPECT_EQ(101u, MaskedComposite(bgr, empty, grey, &result).Code());
  EXPECT_TRUE(result.IsEmpty());
}

// Inside a dialog the worker must not show a box of its own: it would
// appear behind the dialog, and the dialog waiting for the worker could not
// be used to close it.  The box is recorded, the run counts as failed, and
// its end carries the tag of the run.
TEST_F(GenericCommandTest, RecordedErrorBoxesFailTheRunAndWaitForTheOwner) {
  MessageBoxRecorder shown;
  m_command.ending = ProbeCommand::Ending::kErrorBox;
  m_command.SetRecordRunMessages(true);
  m_command.SetRunTag(41);
  m_command.release = true;
  ASSERT_FALSE(m_command.Start().IsError());
  const platform::WindowMessage end = WaitForEnd();
  EXPECT_EQ(UM_RUNFAILED, end.id);
  EXPECT_EQ(41u, end.wParam);
  EXPECT_TRUE(shown.Boxes().empty());
  ASSERT_EQ(1u, m_command.RunMessages().size());
  EXPECT_EQ("Can't read the template picture t.jpg", m_command.RunMessages()[0]);
  EXPECT_TRUE(m_command.Output().IsEmpty());

  // Without recording the box reaches the handler and the run ends as done.
  m_command.Stop();
  m_command.SetRecordRunMessages(false);
  ASSERT_FALSE(m_command.Start().IsError());
  EXPECT_EQ(UM_RUNDONE, WaitForEnd().id);
  EXPECT_EQ(1u, shown.Boxes().size());
  EXPECT_TRUE(m_command.RunMessages().empty());
}

}  // namespace
