#include "ui/ThumbnailList.h"

#include <algorithm>

#include "imagefiles/FileType.h"
#include "platform/Folder.h"
#include "platform/ShellOpen.h"
#include "platform/ThreadPriority.h"
#include "ui/ThumbnailTooltip.h"

namespace ui {
namespace {

bool EndsWith(const std::string& text, const char* end) {
  const std::size_t n = std::char_traits<char>::length(end);
  return text.size() >= n && text.compare(text.size() - n, n, end) == 0;
}

// The browser's picture files, by the last characters of the name.
bool IsPictureName(const std::string& name) {
  const std::string lower = LowerCaseAscii(name);
  for (const char* end : {".jpg", ".png", ".bmp", ".dib", ".pcx", ".tif", ".gif", ".jpeg", ".tiff"}) {
    if (EndsWith(lower, end)) return true;
  }
  return false;
}

// Ignoring case first; names that differ only in case keep a fixed order.
bool LessIgnoringCase(const std::string& a, const std::string& b) {
  const std::string la = LowerCaseAscii(a), lb = LowerCaseAscii(b);
  return la != lb ? la < lb : a < b;
}

}  // namespace

CThumbnailList::~CThumbnailList() {
  StopWorker();
  if (m_thread.joinable()) m_thread.join();
}

// ===========================================================================
// Scanning and editing (interface thread)
// ===========================================================================

void CThumbnailList::ScanFolder(const std::string& path, bool subfolders, bool startWorker) {
  ScanInto(path, subfolders);
  if (startWorker) StartWorker();
}

void CThumbnailList::ScanInto(const std::string& path, bool subfolders) {
  std::string folder = path;
  const char separator = platform::PathSeparator();
  if (folder.empty() || (folder.back() != separator && folder.back() != '/')) folder += separator;
  std::vector<std::string> files, folders;
  for (const platform::FolderEntry& entry : platform::ListFolder(folder)) {
    if (entry.isFolder) {
      if (subfolders) folders.push_back(folder + entry.name);
    } else if (IsPictureName(entry.name)) {
      files.push_back(folder + entry.name);
    }
  }
  std::sort(files.begin(), files.end(), LessIgnoringCase);
  for (const std::string& file : files) AddItem(file);
  std::sort(folders.begin(), folders.end(), LessIgnoringCase);
  for (const std::string& sub : folders) ScanInto(sub, true);
}

void CThumbnailList::Clear() {
  std::lock_guard<std::mutex> lock(m_lock);
  m_items.clear();
  m_paths.clear();
  m_edits.fetch_add(1);
}

bool CThumbnailList::AddItem(const std::string& path, const std::string& name) {
  int index = 0;
  {
    std::lock_guard<std::mutex> lock(m_lock);
    if (!m_paths.insert(path).second) return false;
    auto item = std::make_shared<ThumbnailItem>();
    item->path = path;
    if (name.empty()) {
      const std::size_t slash = path.find_last_of("\\/");
      item->name = slash == std::string::npos ? path : path.substr(slash + 1);
    } else {
      item->name = name;
    }
    m_items.push_back(std::move(item));
    m_edits.fetch_add(1);
    index = static_cast<int>(m_items.size()) - 1;
  }
  ItemAdded(index);
  return true;
}

void CThumbnailList::RemoveItem(int i) {
  if (!InRange(i)) return;
  std::lock_guard<std::mutex> lock(m_lock);
  m_paths.erase(m_items[static_cast<std::size_t>(i)]->path);
  m_items.erase(m_items.begin() + i);
  m_edits.fetch_add(1);
}

int CThumbnailList::RemoveFailedItems() {
  std::lock_guard<std::mutex> lock(m_lock);
  const std::size_t before = m_items.size();
  m_items.erase(std::remove_if(m_items.begin(), m_items.end(),
                               [this](const ItemPtr& item) {
                                 if (!item->failed.load()) return false;
                                 m_paths.erase(item->path);
                                 return true;
                               }),
                m_items.end());
  m_edits.fetch_add(1);
  return static_cast<int>(before - m_items.size());
}

void CThumbnailList::MoveItems(std::vector<int>& indexes, int target) {
  std::lock_guard<std::mutex> lock(m_lock);
  const int count = static_cast<int>(m_items.size());
  // The listed items in their listed order, each once, valid ones only.
  std::vector<int> listed;
  for (int i : indexes) {
    if (i >= 0 && i < count && std::find(listed.begin(), listed.end(), i) == listed.end()) listed.push_back(i);
  }
  if (listed.empty()) {
    if (target >= 0) indexes.clear();
    return;
  }
  m_edits.fetch_add(1);
  std::vector<ItemPtr> moving;
  for (int i : listed) moving.push_back(m_items[static_cast<std::size_t>(i)]);
  // Taken out from the highest index down, so the others keep their places.
  std::vector<int> descending = listed;
  std::sort(descending.rbegin(), descending.rend());
  for (int i : descending) m_items.erase(m_items.begin() + i);
  if (target < 0) {
    for (const ItemPtr& item : moving) m_paths.erase(item->path);
    indexes.clear();
    return;
  }
  const int before = static_cast<int>(std::count_if(listed.begin(), listed.end(), [&](int i) { return i < target; }));
  const int at = std::clamp(target - before, 0, static_cast<int>(m_items.size()));
  m_items.insert(m_items.begin() + at, moving.begin(), moving.end());
  indexes.clear();
  for (int k = 0; k < static_cast<int>(moving.size()); ++k) indexes.push_back(at + k);
}

// ===========================================================================
// Reading (interface thread, no lock: only this thread changes the array)
// ===========================================================================

std::string CThumbnailList::Name(int i) const { return InRange(i) ? m_items[static_cast<std::size_t>(i)]->name : ""; }

std::string CThumbnailList::Path(int i) const { return InRange(i) ? m_items[static_cast<std::size_t>(i)]->path : ""; }

bool CThumbnailList::IsReady(int i) const { return InRange(i) && m_items[static_cast<std::size_t>(i)]->ready.load(); }

const CImageBuffer* CThumbnailList::Thumbnail(int i) const {
  if (!InRange(i)) return nullptr;
  const ThumbnailItem& item = *m_items[static_cast<std::size_t>(i)];
  if (!item.ready.load(std::memory_order_acquire) || item.thumbnail.IsEmpty()) return nullptr;
  return &item.thumbnail;
}

std::string CThumbnailList::TooltipText(int i) const {
  if (!InRange(i)) return std::string();
  const ThumbnailItem& item = *m_items[static_cast<std::size_t>(i)];
  if (!item.ready.load(std::memory_order_acquire)) return EscapeMarkup(item.name);
  return ThumbnailTooltipText(item.name, item.path, item.info);
}

Size CThumbnailList::PictureSize(int i) const {
  if (!InRange(i)) return {};
  const ThumbnailItem& item = *m_items[static_cast<std::size_t>(i)];
  if (!item.ready.load(std::memory_order_acquire)) return {};
  return {item.info.width, item.info.height};
}

platform::IconHandle CThumbnailList::ShellIcon(int i) const {
  return InRange(i) ? platform::LoadFileIcon(m_items[static_cast<std::size_t>(i)]->path) : nullptr;
}

void CThumbnailList::OpenItem(int i, platform::WindowHandle owner) {
  if (InRange(i)) platform::ShellOpenFile(m_items[static_cast<std::size_t>(i)]->path, owner);
}

void CThumbnailList::AttachView(platform::WindowHandle view) {
  std::lock_guard<std::mutex> lock(m_lock);
  m_view = view;
}

// ===========================================================================
// The worker
// ===========================================================================

CThumbnailList::ItemPtr CThumbnailList::ItemAt(int i, int* count) const {
  std::lock_guard<std::mutex> lock(m_lock);
  *count = static_cast<int>(m_items.size());
  return i >= 0 && i < *count ? m_items[static_cast<std::size_t>(i)] : nullptr;
}

int CThumbnailList::MakeThumbnail(int i) {
  int count = 0;
  const ItemPtr item = ItemAt(i, &count);
  return item != nullptr ? MakeItem(item) : static_cast<int>(keErrBadArgument);
}

int CThumbnailList::MakeItem(const ItemPtr& item) {
  // Decoding runs without the lock; the item stays alive through `item`.
  CImageBuffer thumbnail;
  ThumbnailInfo info;
  const int result = MakeThumbnailFromFile(item->path, ThumbnailSize(), &thumbnail, &info);
  {
    std::lock_guard<std::mutex> lock(m_lock);
    if (result == 0) item->thumbnail = thumbnail;
    item->info = info;
    if (result != 0) item->info.pixelFormat = 0;
    item->failed.store(result != 0);
    item->ready.store(true, std::memory_order_release);
  }
  return result;
}

void CThumbnailList::Post(const ItemPtr& item, int index, long result) {
  std::lock_guard<std::mutex> lock(m_lock);
  if (m_view == nullptr) return;
  // The item's place now: the list may have changed while it was made.
  if (index >= static_cast<int>(m_items.size()) || m_items[static_cast<std::size_t>(index)] != item) {
    const auto it = std::find(m_items.begin(), m_items.end(), item);
    if (it == m_items.end()) return;
    index = static_cast<int>(it - m_items.begin());
  }
  platform::PostWindowMessage(m_view, UM_THUMBNAILREADY, static_cast<std::uintptr_t>(index), result);
}

void CThumbnailList::RequestIndex(int i) {
  m_requestedIndex.store(i);
  m_requestCount.fetch_add(1);
  if (InRange(i) && !m_items[static_cast<std::size_t>(i)]->ready.load()) StartWorker();
}

void CThumbnailList::StartWorker() {
  std::lock_guard<std::mutex> lock(m_workerMutex);
  ++m_workGeneration;
  if (m_running.load()) return;  // the running worker sees the new generation
  if (m_thread.joinable()) m_thread.join();  // one that has already decided to end
  m_running.store(true);
  m_thread = std::thread([this] { WorkerMain(); });
}

void CThumbnailList::StopWorker() {
  if (!m_thread.joinable()) return;
  m_abort.fetch_add(1);
  m_thread.join();
  m_abort.store(0);
}

void CThumbnailList::WorkerMain() {
  platform::LowerThisThreadPriority();
  for (;;) {
    unsigned generation = 0;
    {
      std::lock_guard<std::mutex> lock(m_workerMutex);
      generation = m_workGeneration;
    }
    const unsigned edits = m_edits.load();
    bool redirected = false;
    bool aborted = false;
    for (int index = 0;; ++index) {
      if (m_abort.load() != 0) {
        aborted = true;
        break;
      }
      int count = 0;
      ItemAt(0, &count);
      if (count == 0) break;
      if (m_requestCount.exchange(0) != 0) {
        index = std::clamp(m_requestedIndex.load(), 0, count - 1);
        redirected = true;
      }
      if (index >= count) break;
      const ItemPtr item = ItemAt(index, &count);
      if (item == nullptr || item->ready.load()) continue;
      const int result = MakeItem(item);
      Post(item, index, result == 0 ? 0 : kThumbnailFailed);
    }
    BeforeWorkerDecides();
    std::lock_guard<std::mutex> lock(m_workerMutex);
    // Another pass after a redirected one (items before the request may be
    // missing), when work was asked for during this one, or when the list
    // changed under it (an item moved past may have been skipped).
    if (aborted || (!redirected && generation == m_workGeneration && edits == m_edits.load())) {
      m_running.store(false);
      return;
    }
  }
}

}  // namespace ui
