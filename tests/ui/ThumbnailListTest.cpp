// The browser's list: the folder scan, moving and removing items, and the
// worker that makes thumbnails in the background (also run under
// ThreadSanitizer).

#include "ui/ThumbnailList.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>

#include "platform/Folder.h"
#include "platform/MessageQueue.h"
#include "tests/support/TempDir.h"
#include "tests/ui/BrowserFixtures.h"

namespace {

using ui::CThumbnailList;

std::vector<std::string> Names(const CThumbnailList& list) {
  std::vector<std::string> names;
  for (int i = 0; i < list.Count(); ++i) names.push_back(list.Name(i));
  return names;
}

void Touch(const std::string& path) { picturetest::WriteFile(path, {1, 2, 3}); }

TEST(ThumbnailListScanTest, TakesPictureExtensionsInAnyCaseSortedAndNoSubfolder) {
  TempDir dir;
  for (const char* name : {"b.JPG", "A.jpeg", "c.Tiff", "notes.txt", "d.jpg.bak", "E.Gif", "f.dib", "g.PCX"}) {
    Touch(dir.File(name));
  }
  std::filesystem::create_directory(dir.Path() / "sub.png");
  Touch((dir.Path() / "sub.png" / "inner.png").string());
  CThumbnailList list;
  list.ScanFolder(dir.Path().string(), false, false);
  EXPECT_EQ((std::vector<std::string>{"A.jpeg", "b.JPG", "c.Tiff", "E.Gif", "f.dib", "g.PCX"}), Names(list));
  EXPECT_EQ(dir.File("A.jpeg"), list.Path(0));
  EXPECT_FALSE(list.WorkerRunning());
}

TEST(ThumbnailListScanTest, NamesDifferingOnlyInCaseKeepAFixedOrder) {
  TempDir dir;
  for (const char* name : {"a.png", "A.png", "B.png", "b.PNG"}) Touch(dir.File(name));
  if (std::distance(std::filesystem::directory_iterator(dir.Path()), std::filesystem::directory_iterator()) < 4) {
    GTEST_SKIP() << "this file system does not tell names apart by case";
  }
  CThumbnailList list;
  list.ScanFolder(dir.Path().string(), false, false);
  EXPECT_EQ((std::vector<std::string>{"A.png", "a.png", "B.png", "b.PNG"}), Names(list));
}

TEST(ThumbnailListScanTest, SubfoldersWhenAskedAndNoDuplicates) {
  TempDir dir;
  Touch(dir.File("top.png"));
  std::filesystem::create_directory(dir.Path() / "sub");
  Touch((dir.Path() / "sub" / "inner.bmp").string());
  CThumbnailList list;
  list.ScanFolder(dir.Path().string() + platform::PathSeparator(), true, false);
  list.ScanFolder(dir.Path().string(), true, false);  // the same files again are refused
  EXPECT_EQ((std::vector<std::string>{"top.png", "inner.bmp"}), Names(list));
  EXPECT_FALSE(list.AddItem(dir.File("top.png")));
  EXPECT_TRUE(list.AddItem(dir.File("other.png"), "shown name"));
  EXPECT_EQ("shown name", list.Name(2));
}

TEST(ThumbnailListScanTest, OutOfRangeAnswersEmpty) {
  CThumbnailList list;
  EXPECT_EQ("", list.Name(0));
  EXPECT_EQ("", list.Path(-1));
  EXPECT_EQ(nullptr, list.Thumbnail(3));
  EXPECT_EQ(ui::Size{}, list.PictureSize(0));
  EXPECT_EQ(keErrBadArgument, list.MakeThumbnail(0));
  list.RemoveItem(0);  // nothing happens
}

// ---------------------------------------------------------------------------
// MoveItems
// ---------------------------------------------------------------------------

struct MoveCase {
  const char* name;
  std::vector<int> indexes;
  int target;
  std::string order;              // the items afterwards, by their first letter
  std::vector<int> newIndexes;
};

class MoveItemsTest : public ::testing::TestWithParam<MoveCase> {};

TEST_P(MoveItemsTest, MovesOrRemovesTheListedItems) {
  const MoveCase& c = GetParam();
  CThumbnailList list;
  for (char letter : std::string("abcdef")) list.AddItem(std::string("/f/") + letter + ".png");
  std::vector<int> indexes = c.indexes;
  list.MoveItems(indexes, c.target);
  std::string order;
  for (int i = 0; i < list.Count(); ++i) order += list.Name(i)[0];
  EXPECT_EQ(c.order, order);
  EXPECT_EQ(c.newIndexes, indexes);
  // Removed paths can be added again; kept ones cannot.
  for (char letter : std::string("abcdef")) {
    const bool present = order.find(letter) != std::string::npos;
    EXPECT_EQ(!present, list.AddItem(std::string("/f/") + letter + ".png")) << letter;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MoveItemsTest,
    ::testing::Values(MoveCase{"one_forward", {1}, 4, "acdbef", {3}},
                      MoveCase{"one_backward", {4}, 1, "aebcdf", {1}},
                      MoveCase{"two_to_the_end", {0, 2}, 6, "bdefac", {4, 5}},
                      MoveCase{"listed_order_is_kept", {2, 0}, 6, "bdefca", {4, 5}},
                      MoveCase{"to_the_front", {3, 5}, 0, "dfabce", {0, 1}},
                      MoveCase{"onto_itself", {2}, 2, "abcdef", {2}},
                      MoveCase{"remove_two", {1, 3}, -1, "acef", {}},
                      MoveCase{"remove_unsorted", {4, 1}, -1, "acdf", {}},
                      MoveCase{"remove_nothing", {}, -1, "abcdef", {}},
                      MoveCase{"out_of_range_ignored", {9, -1, 0}, -1, "bcdef", {}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// The worker
// ---------------------------------------------------------------------------

// Waits for `count` notices; answers them as (index, result) pairs.
std::vector<std::pair<int, long>> Notices(platform::MessageQueue& queue, int count) {
  std::vector<std::pair<int, long>> notices;
  platform::WindowMessage message;
  while (static_cast<int>(notices.size()) < count &&
         queue.Wait(ui::UM_THUMBNAILREADY, ui::UM_THUMBNAILREADY, &message, 20000)) {
    notices.emplace_back(static_cast<int>(message.wParam), static_cast<long>(message.lParam));
  }
  return notices;
}

void WaitUntilIdle(const CThumbnailList& list) {
  for (int i = 0; i < 2000 && list.WorkerRunning(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

TEST(ThumbnailWorkerTest, ThirtyThumbnailsArriveInTheOrderRequested) {
  TempDir dir;
  for (int i = 0; i < 30; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "p%02d.png", i);
    browsertest::WriteGradient(dir.File(name), 40 + i, 30);
  }
  platform::MessageQueue queue;
  CThumbnailList list;
  list.AttachView(queue.Handle());
  list.ScanFolder(dir.Path().string(), false, false);
  ASSERT_EQ(30, list.Count());
  // The grid shows the end of the list first: the worker starts there.
  list.RequestIndex(20);
  const auto notices = Notices(queue, 30);
  ASSERT_EQ(30u, notices.size());
  for (int k = 0; k < 30; ++k) {
    EXPECT_EQ((k + 20) % 30, notices[static_cast<std::size_t>(k)].first) << k;
    EXPECT_EQ(0, notices[static_cast<std::size_t>(k)].second);
  }
  WaitUntilIdle(list);
  for (int i = 0; i < 30; ++i) {
    ASSERT_NE(nullptr, list.Thumbnail(i)) << i;
    EXPECT_EQ(40 + i, list.PictureSize(i).width);
  }
}

TEST(ThumbnailWorkerTest, CorruptFileIsReportedAndRemovedByTheInterfaceThread) {
  TempDir dir;
  browsertest::WriteGradient(dir.File("a.png"), 20, 20);
  browsertest::WriteCorruptJpeg(dir.File("b.jpg"));
  browsertest::WriteGradient(dir.File("c.png"), 20, 20);
  platform::MessageQueue queue;
  CThumbnailList list;
  list.AttachView(queue.Handle());
  list.ScanFolder(dir.Path().string(), false, true);
  const auto notices = Notices(queue, 3);
  EXPECT_EQ((std::vector<std::pair<int, long>>{{0, 0}, {1, ui::kThumbnailFailed}, {2, 0}}), notices);
  // Until the notice is handled the item stays, so indexes do not shift
  // under the interface's feet.
  EXPECT_EQ(3, list.Count());
  EXPECT_EQ(nullptr, list.Thumbnail(1));
  EXPECT_EQ(1, list.RemoveFailedItems());
  EXPECT_EQ((std::vector<std::string>{"a.png", "c.png"}), Names(list));
  EXPECT_NE(nullptr, list.Thumbnail(1));
}

TEST(ThumbnailWorkerTest, StoppedWorkerIsStartedAgainWhenAThumbnailIsRequested) {
  TempDir dir;
  for (int i = 0; i < 6; ++i) browsertest::WriteGradient(dir.File("p" + std::to_string(i) + ".png"), 30, 30);
  platform::MessageQueue queue;
  CThumbnailList list;
  list.AttachView(queue.Handle());
  // The popup closed before anything was made.
  list.ScanFolder(dir.Path().string(), false, false);
  list.StopWorker();
  EXPECT_FALSE(list.WorkerRunning());
  // Reopened: the grid asks for the first missing one.
  list.RequestIndex(0);
  EXPECT_EQ(6u, Notices(queue, 6).size());
  WaitUntilIdle(list);
  for (int i = 0; i < 6; ++i) EXPECT_TRUE(list.IsReady(i)) << i;
}

// A list that holds its worker at the end of its first pass until the test
// has added an item and asked for a start.
class CHeldList : public CThumbnailList {
 public:
  std::mutex mutex;
  std::condition_variable changed;
  bool workerAtEnd = false;
  bool released = false;

 protected:
  void BeforeWorkerDecides() override {
    std::unique_lock<std::mutex> lock(mutex);
    if (released) return;
    workerAtEnd = true;
    changed.notify_all();
    changed.wait(lock, [this] { return released; });
  }
};

TEST(ThumbnailWorkerTest, StartAskedForWhileTheWorkerIsEndingIsNotLost) {
  TempDir dir;
  browsertest::WriteGradient(dir.File("a.png"), 8, 8);
  browsertest::WriteGradient(dir.File("b.png"), 8, 8);
  platform::MessageQueue queue;
  CHeldList list;
  list.AttachView(queue.Handle());
  list.AddItem(dir.File("a.png"));
  list.ScanFolder(dir.File("empty"), false, true);
  {
    std::unique_lock<std::mutex> lock(list.mutex);
    list.changed.wait(lock, [&] { return list.workerAtEnd; });
  }
  // The worker has made a.png and is about to end; it still runs.
  ASSERT_TRUE(list.WorkerRunning());
  list.AddItem(dir.File("b.png"));
  list.ScanFolder(dir.File("empty"), false, true);
  {
    std::lock_guard<std::mutex> lock(list.mutex);
    list.released = true;
  }
  list.changed.notify_all();
  EXPECT_EQ(2u, Notices(queue, 2).size());
  WaitUntilIdle(list);
  EXPECT_TRUE(list.IsReady(1));
}

TEST(ThumbnailWorkerTest, ScanWhileTheWorkerIsFinishingIsNotLost) {
  // Many rounds of: a worker with one item ends while the next folder's
  // items are added and a start is asked for.  Every item must be made.
  TempDir dir;
  for (int i = 0; i < 4; ++i) browsertest::WriteGradient(dir.File("p" + std::to_string(i) + ".png"), 8, 8);
  platform::MessageQueue queue;
  CThumbnailList list;
  list.AttachView(queue.Handle());
  for (int round = 0; round < 40; ++round) {
    list.AddItem(dir.File("p" + std::to_string(round % 4) + ".png"), "r" + std::to_string(round));
    list.ScanFolder(dir.Path().string() + "/none", false, true);  // an empty scan that starts the worker
    if (round % 4 == 3) {
      Notices(queue, 4);
      list.Clear();
    }
  }
  WaitUntilIdle(list);
  for (int i = 0; i < list.Count(); ++i) EXPECT_TRUE(list.IsReady(i)) << i;
}

TEST(ThumbnailWorkerTest, StopWorkerEndsAWorkerInTheMiddle) {
  TempDir dir;
  for (int i = 0; i < 20; ++i) browsertest::WriteGradient(dir.File("p" + std::to_string(i) + ".png"), 300, 200);
  platform::MessageQueue queue;
  CThumbnailList list;
  list.AttachView(queue.Handle());
  list.ScanFolder(dir.Path().string(), false, true);
  Notices(queue, 1);
  list.StopWorker();
  EXPECT_FALSE(list.WorkerRunning());
  int ready = 0;
  for (int i = 0; i < list.Count(); ++i) ready += list.IsReady(i) ? 1 : 0;
  EXPECT_GE(ready, 1);
  // Editing the list while thumbnails are made never waits for a decoder
  // and never loses an item.
  list.ScanFolder(dir.Path().string(), false, true);
  std::vector<int> first{0};
  list.MoveItems(first, 20);
  list.RemoveItem(5);
  EXPECT_EQ(19, list.Count());
  WaitUntilIdle(list);
  for (int i = 0; i < list.Count(); ++i) EXPECT_TRUE(list.IsReady(i)) << i;
}

}  // namespace
