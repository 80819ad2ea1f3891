#include "host/MemoryManager.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "host/MemoryMapping.h"
#include "image/Status.h"
#include "platform/GlobalMemory.h"
#include "platform/MappedFile.h"
#include "tests/support/TempDir.h"

namespace {

#if defined(_WIN32)
void SetEnvironment(const char* name, const std::string& value) { _putenv_s(name, value.c_str()); }
#else
void SetEnvironment(const char* name, const std::string& value) { setenv(name, value.c_str(), 1); }
#endif

// Points this process's temporary folder at a fresh folder while it lives.
// A test that counts the temporary files it makes must not count those of
// other processes: the tests, and the plug-in runs of the tool tests, run
// in parallel and make theirs in the shared folder.
class PrivateTempFolder {
 public:
  PrivateTempFolder() {
    for (const char* name : {"TMPDIR", "TMP", "TEMP"}) {
      const char* old = std::getenv(name);
      m_old.emplace_back(name, old != nullptr ? old : "");
      SetEnvironment(name, m_folder.Path().string());
    }
  }
  ~PrivateTempFolder() {
    for (const auto& [name, value] : m_old) SetEnvironment(name, value);
  }
  PrivateTempFolder(const PrivateTempFolder&) = delete;
  PrivateTempFolder& operator=(const PrivateTempFolder&) = delete;

 private:
  TempDir m_folder;
  std::vector<std::pair<const char*, std::string>> m_old;
};

// Answers the code of the CJException `f` raises, or 0.
template <typename F>
std::uint32_t RaisedCode(F&& f) {
  try {
    f();
  } catch (const CJException& e) {
    return e.Code();
  }
  return 0;
}

// Releases a block at the end of a scope.
struct BlockRef {
  IMemoryBlock* p;
  explicit BlockRef(IMemoryBlock* block) : p(block) {}
  ~BlockRef() { ReleaseMemoryBlock(p); }
  BlockRef(const BlockRef&) = delete;
  BlockRef& operator=(const BlockRef&) = delete;
  IMemoryBlock* operator->() const { return p; }
};

std::set<std::string> TempFilesWithPrefix() {
  // Win32 keeps the first three characters of the prefix.
  std::set<std::string> names;
  std::error_code ec;
  for (auto& entry : std::filesystem::directory_iterator(platform::TempFolder(), ec)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("~TV", 0) == 0) names.insert(entry.path().string());
  }
  return names;
}

void* Lock(IMemoryBlock* block, std::uint32_t offset = 0) {
  void* p = nullptr;
  block->Lock(&p, offset, 0, "test", __LINE__);
  return p;
}

void FillPattern(void* p, std::uint32_t size, std::uint8_t seed) {
  auto* b = static_cast<std::uint8_t*>(p);
  for (std::uint32_t i = 0; i < size; ++i) b[i] = static_cast<std::uint8_t>(i * 7 + seed);
}

bool HasPattern(const void* p, std::uint32_t size, std::uint8_t seed) {
  const auto* b = static_cast<const std::uint8_t*>(p);
  for (std::uint32_t i = 0; i < size; ++i) {
    if (b[i] != static_cast<std::uint8_t>(i * 7 + seed)) return false;
  }
  return true;
}

TEST(MemoryManager, KindZeroGoesToTempFileFrom16MiB) {
  const PrivateTempFolder privateTemp;
  const std::size_t live = LiveMemoryBlockCount();
  {
    BlockRef below(AllocateMemoryBlock(kTempFileThreshold - 1, true, keMemoryAny, "test", __LINE__));
    EXPECT_EQ(below->Kind(), keMemoryVirtual);
  }
  const std::set<std::string> before = TempFilesWithPrefix();
  std::set<std::string> created;
  {
    BlockRef at(AllocateMemoryBlock(kTempFileThreshold, true, keMemoryAny, "test", __LINE__));
    EXPECT_EQ(at->Kind(), keMemoryTempFile);
    EXPECT_EQ(at->Size(), kTempFileThreshold);
    for (const std::string& name : TempFilesWithPrefix()) {
      if (before.count(name) == 0) created.insert(name);
    }
    ASSERT_EQ(created.size(), 1u);
    // Cleared, and usable to its last byte.
    auto* p = static_cast<std::uint8_t*>(Lock(at.p));
    EXPECT_EQ(p[0], 0);
    EXPECT_EQ(p[kTempFileThreshold - 1], 0);
    p[kTempFileThreshold - 1] = 0x5A;
    EXPECT_TRUE(at->Unlock(0, 0, "test", __LINE__));
  }
  for (const std::string& name : created) EXPECT_FALSE(std::filesystem::exists(name)) << name;
  EXPECT_EQ(LiveMemoryBlockCount(), live);
}

TEST(MemoryManager, UnknownKindFailsWithOutOfMemory) {
  for (int kind : {-1, 5, 7}) {
    SCOPED_TRACE(kind);
    EXPECT_EQ(RaisedCode([&] { AllocateMemoryBlock(64, false, kind, "test", __LINE__); }),
              keErrOutOfMemory);
  }
}

TEST(MemoryManager, TempFileViewStaysMappedWhileLocked) {
  BlockRef block(AllocateMemoryBlock(100000, false, keMemoryTempFile, "test", __LINE__));
  auto* first = static_cast<std::uint8_t*>(Lock(block.p));
  auto* second = static_cast<std::uint8_t*>(Lock(block.p, 10));
  EXPECT_EQ(second, first + 10);
  EXPECT_EQ(block->LockCount(), 2u);
  FillPattern(first, 100000, 3);
  EXPECT_TRUE(block->Unlock(0, 0, "test", __LINE__));
  EXPECT_EQ(block->LockCount(), 1u);
  // Still mapped: touching it must not fault and must see the same bytes.
  EXPECT_TRUE(HasPattern(first, 100000, 3));
  EXPECT_TRUE(block->Unlock(0, 0, "test", __LINE__));
  EXPECT_EQ(block->LockCount(), 0u);
  // The bytes live in the file across mappings.
  EXPECT_TRUE(HasPattern(Lock(block.p), 100000, 3));
  EXPECT_TRUE(block->Unlock(0, 0, "test", __LINE__));
}

TEST(MemoryManager, ResizeKeepsBytesAndClearsGrowthInEveryKind) {
  for (int kind = keMemoryGlobal; kind <= keMemoryTempFile; ++kind) {
    SCOPED_TRACE(kind);
    BlockRef block(AllocateMemoryBlock(70000, false, kind, "test", __LINE__));
    FillPattern(Lock(block.p), 70000, 9);
    Lock(block.p);  // a second lock: Resize unlocks fully
    EXPECT_EQ(block->Resize(200001, true, "test", __LINE__), block.p);
    EXPECT_EQ(block->Size(), 200001u);
    EXPECT_EQ(block->LockCount(), 0u);
    auto* p = static_cast<std::uint8_t*>(Lock(block.p));
    EXPECT_TRUE(HasPattern(p, 70000, 9));
    bool zero = true;
    for (std::uint32_t i = 70000; i < 200001; ++i) zero = zero && p[i] == 0;
    EXPECT_TRUE(zero);
    block->Unlock(0, 0, "test", __LINE__);
    block->Resize(1000, false, "test", __LINE__);
    EXPECT_EQ(block->Size(), 1000u);
    EXPECT_TRUE(HasPattern(Lock(block.p), 1000, 9));
    block->Unlock(0, 0, "test", __LINE__);
  }
}

TEST(MemoryManager, ChangeKindMovesBytesOnlyWhenUnlocked) {
  for (int from = keMemoryGlobal; from <= keMemoryTempFile; ++from) {
    for (int to = keMemoryGlobal; to <= keMemoryTempFile; ++to) {
      SCOPED_TRACE(testing::Message() << from << " -> " << to);
      BlockRef block(AllocateMemoryBlock(5000, false, from, "test", __LINE__));
      FillPattern(Lock(block.p), 5000, static_cast<std::uint8_t>(from * 4 + to));
      if (from != to) {
        EXPECT_EQ(block->ChangeKind(to), from);  // locked: nothing changes
        EXPECT_EQ(block->Kind(), from);
      }
      block->Unlock(0, 0, "test", __LINE__);
      EXPECT_EQ(block->ChangeKind(to), to);
      EXPECT_EQ(block->Kind(), to);
      EXPECT_TRUE(HasPattern(Lock(block.p), 5000, static_cast<std::uint8_t>(from * 4 + to)));
      block->Unlock(0, 0, "test", __LINE__);
    }
  }
  BlockRef block(AllocateMemoryBlock(16, false, keMemoryHeap, "test", __LINE__));
  EXPECT_EQ(block->ChangeKind(9), 0);
  EXPECT_EQ(block->Kind(), keMemoryHeap);
}

IGlobalHandleExchange* Exchange(IMemoryBlock* block) {
  void* face = nullptr;
  EXPECT_EQ(block->QueryInterface(kIidGlobalHandleExchange, &face), kTvoOk);
  auto* exchange = static_cast<IGlobalHandleExchange*>(face);
  exchange->Release();  // the block reference keeps the object alive
  return exchange;
}

TEST(MemoryManager, InterfacesAnswerTheirIdentifiers) {
  BlockRef block(AllocateMemoryBlock(32, false, keMemoryHeap, "test", __LINE__));
  void* object = nullptr;
  EXPECT_EQ(block->QueryInterface(kIidUnknown, &object), kTvoOk);
  EXPECT_EQ(object, static_cast<void*>(block.p));
  static_cast<IMemoryBlock*>(object)->Release();
  EXPECT_EQ(block->QueryInterface(kIidMemoryBlock, &object), kTvoOk);
  static_cast<IMemoryBlock*>(object)->Release();
  EXPECT_EQ(block->QueryInterface(kIidMemoryAllocator, &object), kTvoNoInterface);
  EXPECT_EQ(object, nullptr);
  // The exchange face reaches back to the block face.
  EXPECT_EQ(Exchange(block.p)->QueryInterface(kIidMemoryBlock, &object), kTvoOk);
  EXPECT_EQ(object, static_cast<void*>(block.p));
  static_cast<IMemoryBlock*>(object)->Release();

  IMemoryAllocator* allocator = MemoryAllocator();
  EXPECT_EQ(allocator->QueryInterface(kIidMemoryAllocator, &object), kTvoOk);
  static_cast<IMemoryAllocator*>(object)->Release();
  EXPECT_EQ(allocator->QueryInterface(kIidMemoryBlock, &object), kTvoNoInterface);
}

TEST(MemoryManager, GlobalHandleExchange) {
  // Detach: a heap block's bytes go out in a new handle; the object is empty.
  BlockRef block(AllocateMemoryBlock(3000, false, keMemoryHeap, "test", __LINE__));
  FillPattern(Lock(block.p), 3000, 1);
  platform::GlobalHandle handle = Exchange(block.p)->DetachToGlobal("test", __LINE__);
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(block->Kind(), 0);
  EXPECT_EQ(platform::GlobalSizeOf(handle), 3000u);
  EXPECT_EQ(platform::GlobalLockCountOf(handle), 0u);
  EXPECT_EQ(RaisedCode([&] { Lock(block.p); }), keErrNoData);
  EXPECT_EQ(LockMemoryBlock(block.p, 0, 0, "test", __LINE__), nullptr);  // swallowed

  // Copy in: the caller keeps the handle.
  platform::GlobalHandle kept = handle;
  Exchange(block.p)->CopyFromGlobal(&kept, 0, keMemoryAny, "test", __LINE__);
  EXPECT_EQ(kept, handle);
  EXPECT_EQ(block->Kind(), keMemoryVirtual);
  EXPECT_TRUE(HasPattern(Lock(block.p), 3000, 1));
  block->Unlock(0, 0, "test", __LINE__);

  // Attach as kind 1: the handle itself becomes the block, lock count and all.
  ASSERT_NE(platform::GlobalLockHandle(handle), nullptr);
  platform::GlobalHandle taken = handle;
  Exchange(block.p)->AttachGlobal(&taken, 0, keMemoryGlobal, "test", __LINE__);
  EXPECT_EQ(taken, nullptr);
  EXPECT_EQ(block->Kind(), keMemoryGlobal);
  EXPECT_EQ(block->LockCount(), 1u);
  EXPECT_TRUE(HasPattern(Lock(block.p), 3000, 1));

  // Detach of a kind-1 block hands the same handle back, fully unlocked.
  EXPECT_EQ(Exchange(block.p)->DetachToGlobal("test", __LINE__), handle);
  EXPECT_EQ(platform::GlobalLockCountOf(handle), 0u);

  // From the allocator, taking the handle over into virtual memory.
  platform::GlobalHandle moved = handle;
  BlockRef fromHandle(MemoryAllocator()->FromGlobalHandle(&moved, 0, keMemoryVirtual, true, "test", __LINE__));
  EXPECT_EQ(moved, nullptr);
  EXPECT_FALSE(platform::GlobalIsUsable(handle));
  EXPECT_TRUE(HasPattern(Lock(fromHandle.p), 3000, 1));
  fromHandle->Unlock(0, 0, "test", __LINE__);
  platform::GlobalHandle copy = Exchange(fromHandle.p)->CopyToGlobal("test", __LINE__);
  EXPECT_EQ(fromHandle->Kind(), keMemoryVirtual);
  EXPECT_TRUE(HasPattern(platform::GlobalLockHandle(copy), 3000, 1));
  platform::GlobalUnlockHandle(copy);
  EXPECT_TRUE(platform::GlobalFreeHandle(copy));
}

TEST(MemoryManager, AttachingAFreedHandleRaisesBadArgumentAndKeepsTheBlock) {
  platform::GlobalHandle handle = platform::GlobalAllocMovable(100, true);
  ASSERT_NE(handle, nullptr);
  ASSERT_TRUE(platform::GlobalFreeHandle(handle));
  BlockRef block(AllocateMemoryBlock(50, false, keMemoryHeap, "test", __LINE__));
  FillPattern(Lock(block.p), 50, 4);
  block->Unlock(0, 0, "test", __LINE__);
  for (bool takeOver : {true, false}) {
    platform::GlobalHandle h = handle;
    EXPECT_EQ(RaisedCode([&] {
                if (takeOver) Exchange(block.p)->AttachGlobal(&h, 0, 0, "test", __LINE__);
                else Exchange(block.p)->CopyFromGlobal(&h, 0, 0, "test", __LINE__);
              }),
              keErrBadArgument);
  }
  platform::GlobalHandle h = handle;
  EXPECT_EQ(RaisedCode([&] { MemoryAllocator()->FromGlobalHandle(&h, 0, 0, true, "test", __LINE__); }),
            keErrBadArgument);
  EXPECT_EQ(block->Kind(), keMemoryHeap);
  EXPECT_TRUE(HasPattern(Lock(block.p), 50, 4));
  block->Unlock(0, 0, "test", __LINE__);
}

TEST(MemoryManager, MappingHolderKeepsItsBlockAlive) {
  const std::size_t live = LiveMemoryBlockCount();
  IMemoryBlock* block = AllocateMemoryBlock(4096, true, keMemoryTempFile, "test", __LINE__);
  CMemoryMapping mapping;
  auto* p = static_cast<std::uint8_t*>(mapping.Map(block, 1024, 0, "test", __LINE__));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(mapping.Size(), 3072u);
  EXPECT_EQ(block->LockCount(), 1u);
  ReleaseMemoryBlock(block);  // the holder's reference remains
  p[3071] = 1;
  EXPECT_EQ(LiveMemoryBlockCount(), live + 1);
  mapping.Unmap();
  EXPECT_EQ(LiveMemoryBlockCount(), live);
  EXPECT_EQ(mapping.Map(nullptr, 0, 0, "test", __LINE__), nullptr);
}

TEST(MemoryManager, TwoThreadsAllocateLockAndFreeTogether) {
  const std::size_t live = LiveMemoryBlockCount();
  auto work = [](int seed, bool* ok) {
    static constexpr int kKinds[] = {keMemoryGlobal, keMemoryHeap, keMemoryVirtual, keMemoryAny};
    std::vector<IMemoryBlock*> held;
    for (int i = 0; i < 300; ++i) {
      const auto size = static_cast<std::uint32_t>(64 + (i * 131 + seed * 17) % 20000);
      IMemoryBlock* block = AllocateMemoryBlock(size, false, kKinds[(i + seed) % 4], "thread", __LINE__);
      void* p = LockMemoryBlock(block, 0, 0, "thread", __LINE__);
      if (p == nullptr) { *ok = false; ReleaseMemoryBlock(block); continue; }
      FillPattern(p, size, static_cast<std::uint8_t>(seed + i));
      UnlockMemoryBlock(block, 0, 0, "thread", __LINE__);
      held.push_back(block);
      if (held.size() > 8) {
        IMemoryBlock* old = held.front();
        held.erase(held.begin());
        void* q = LockMemoryBlock(old, 0, 0, "thread", __LINE__);
        if (q == nullptr) *ok = false;
        UnlockMemoryBlock(old, 0, 0, "thread", __LINE__);
        ReleaseMemoryBlock(old);
      }
    }
    for (IMemoryBlock* block : held) ReleaseMemoryBlock(block);
  };
  bool ok1 = true, ok2 = true;
  std::thread a(work, 1, &ok1), b(work, 2, &ok2);
  a.join();
  b.join();
  EXPECT_TRUE(ok1);
  EXPECT_TRUE(ok2);
  EXPECT_EQ(LiveMemoryBlockCount(), live);
}

}  // namespace
