#pragma once
// CThumbnailList: the picture files of one folder and their thumbnails,
// made in the background.
//
// Two threads share the list.  The interface thread scans, adds, removes,
// moves and reads items; the one worker thread makes thumbnails.  The rules
// that keep them apart:
//   - only the interface thread changes the array of items, and always
//     under the list lock; it reads the array without the lock;
//   - the worker reads the array only under the lock, and holds a shared
//     reference to the item it works on, so an item removed meanwhile stays
//     alive until the worker lets go;
//   - a thumbnail is decoded outside the lock (the interface never waits
//     for a decoder), then stored under the lock, and only then is the
//     item's atomic ready flag set; readers look at the flag first;
//   - an item whose file cannot be decoded is marked failed, not removed:
//     the worker posts a notice and the interface thread removes it.
// The worker is started by a scan and again whenever work is requested
// while none is running, so thumbnails missing after a stop (a closed
// popup) are made when the grid shows them again.  It runs below normal
// priority: the filter run the user waits for comes first.

#include <atomic>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "ui/ThumbnailMaker.h"
#include "ui/ThumbnailSource.h"

namespace ui {

struct ThumbnailItem {
  std::string path;
  std::string name;
  CImageBuffer thumbnail;  // complete before `ready` is set
  ThumbnailInfo info;      // likewise
  std::atomic<bool> ready{false};
  std::atomic<bool> failed{false};
};

class CThumbnailList : public CThumbnailSource {
 public:
  CThumbnailList() = default;
  ~CThumbnailList() override;
  CThumbnailList(const CThumbnailList&) = delete;
  CThumbnailList& operator=(const CThumbnailList&) = delete;

  // Lists the folder's picture files (by extension, in any case), sorted
  // ignoring case; with `subfolders` the folders below as well.  Starts the
  // worker when asked and none is running.
  void ScanFolder(const std::string& path, bool subfolders, bool startWorker);
  void Clear();
  // False for a path already listed.  An empty name is taken from the path.
  bool AddItem(const std::string& path, const std::string& name = std::string());
  void RemoveItem(int i);
  // Makes item i's thumbnail now (the worker's step); 0 or the failure's
  // code, 101 when i is out of range.
  int MakeThumbnail(int i);
  bool WorkerRunning() const { return m_running.load(); }
  // Whether item i's thumbnail has been tried (made or failed).
  bool IsReady(int i) const;

  // CThumbnailSource
  int Count() const override { return static_cast<int>(m_items.size()); }
  std::string Name(int i) const override;
  const CImageBuffer* Thumbnail(int i) const override;
  std::string TooltipText(int i) const override;
  Size PictureSize(int i) const override;
  platform::IconHandle ShellIcon(int i) const override;
  std::string Path(int i) const override;
  void RequestIndex(int i) override;
  void StopWorker() override;
  void AttachView(platform::WindowHandle view) override;
  void MoveItems(std::vector<int>& indexes, int target) override;
  void OpenItem(int i, platform::WindowHandle owner) override;
  int RemoveFailedItems() override;

 protected:
  // Called on the worker thread after each pass, just before it decides
  // whether to end: the moment a start asked for elsewhere must not be
  // lost.  Does nothing; tests override it to act in that moment.
  virtual void BeforeWorkerDecides() {}

 private:
  using ItemPtr = std::shared_ptr<ThumbnailItem>;

  bool InRange(int i) const { return i >= 0 && i < Count(); }
  void ScanInto(const std::string& path, bool subfolders);
  void StartWorker();
  void WorkerMain();
  // Under the lock: the item at i (null when out of range) and the count.
  ItemPtr ItemAt(int i, int* count) const;
  int MakeItem(const ItemPtr& item);
  void Post(const ItemPtr& item, int index, long result);

  std::vector<ItemPtr> m_items;
  std::set<std::string> m_paths;
  mutable std::mutex m_lock;
  platform::WindowHandle m_view = nullptr;  // under m_lock

  // The worker.  m_thread is touched by the interface thread only; the
  // decision to end and the start of a new one meet under m_workerMutex,
  // so work asked for while the worker is finishing is never lost.
  std::thread m_thread;
  std::mutex m_workerMutex;
  unsigned m_workGeneration = 0;  // under m_workerMutex
  std::atomic<bool> m_running{false};
  std::atomic<int> m_abort{0};
  std::atomic<int> m_requestedIndex{0};
  std::atomic<int> m_requestCount{0};
  std::atomic<unsigned> m_edits{0};  // counts changes of the array
};

}  // namespace ui
