#include "host/MemoryManager.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <new>

#include "host/MemoryRecords_p.h"
#include "image/Status.h"

const TvoGuid kIidUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const TvoGuid kIidMemoryAllocator = {0xA2BFB49F, 0x77EE, 0x42D6,
                                     {0x99, 0xD2, 0x81, 0x6F, 0xE1, 0x7A, 0x14, 0xDF}};
const TvoGuid kIidMemoryBlock = {0x8C90B9A7, 0x6DA9, 0x4268,
                                 {0x9E, 0xB9, 0xA3, 0xBE, 0xBC, 0x62, 0xF0, 0xF0}};
const TvoGuid kIidGlobalHandleExchange = {0x35EC4149, 0xECB6, 0x459D,
                                          {0x9E, 0x33, 0x1D, 0x5E, 0x0E, 0x65, 0x08, 0xE0}};

bool operator==(const TvoGuid& a, const TvoGuid& b) noexcept {
  return a.data1 == b.data1 && a.data2 == b.data2 && a.data3 == b.data3 &&
         std::memcmp(a.data4, b.data4, sizeof a.data4) == 0;
}

namespace {

// ===========================================================================
// The manager: live block list, default kind, one re-entrant lock
// ===========================================================================

class CMemoryManager {
 public:
  using Guard = std::lock_guard<std::recursive_mutex>;

  static CMemoryManager& Instance() {
    // Built on first use and never destroyed: blocks may be released by
    // static destructors of other objects at process end.
    static CMemoryManager* s_manager = new CMemoryManager;
    return *s_manager;
  }

  std::recursive_mutex& Lock() { return m_lock; }
  int DefaultKind() const { return m_defaultKind; }

  // A new record with `size` bytes, or null.
  CBlockRecord* Allocate(std::uint32_t size, bool clear, int kind) {
    Guard guard(m_lock);
    if (kind == keMemoryAny) kind = size >= kTempFileThreshold ? keMemoryTempFile : m_defaultKind;
    std::unique_ptr<CBlockRecord> record = MakeBlockRecord(kind);
    if (record == nullptr || !record->Allocate(size, clear)) return nullptr;
    record->size = size;
    record->lockCount = 0;
    Link(record.get());
    return record.release();
  }

  // Puts an adopted global handle in the list as a kind-1 record.
  CBlockRecord* Adopt(platform::GlobalHandle handle) {
    Guard guard(m_lock);
    auto* record = new (std::nothrow) CGlobalRecord;
    if (record == nullptr) return nullptr;
    record->Adopt(handle);
    record->size = static_cast<std::uint32_t>(platform::GlobalSizeOf(handle));
    Link(record);
    return record;
  }

  // False leaves the record in the list (its storage could not be given back).
  bool Free(CBlockRecord* record) {
    Guard guard(m_lock);
    UnlockFully(record);
    if (!record->Free()) return false;
    Unlink(record);
    delete record;
    return true;
  }

  bool Resize(CBlockRecord* record, std::uint32_t newSize, bool clear) {
    Guard guard(m_lock);
    UnlockFully(record);
    if (!record->Resize(record->size, newSize, clear)) return false;
    record->size = newSize;
    record->lockCount = 0;
    return true;
  }

  void UnlockFully(CBlockRecord* record) {
    Guard guard(m_lock);
    for (std::uint32_t n = record->lockCount; n > 0; --n) {
      if (!record->Unlock()) break;
    }
  }

  // Takes a kind-1 record's handle out and drops the record.
  platform::GlobalHandle Surrender(CGlobalRecord* record) {
    Guard guard(m_lock);
    UnlockFully(record);
    platform::GlobalHandle handle = record->Surrender();
    Unlink(record);
    delete record;
    return handle;
  }

  std::size_t Count() {
    Guard guard(m_lock);
    std::size_t n = 0;
    for (CBlockRecord* r = m_head; r != nullptr; r = r->next) ++n;
    return n;
  }

 private:
  CMemoryManager() {
    std::memcpy(m_marker, "JMEMinit", sizeof m_marker);
    m_defaultKind = keMemoryVirtual;
  }

  void Link(CBlockRecord* record) {
    record->previous = nullptr;
    record->next = m_head;
    if (m_head != nullptr) m_head->previous = record;
    m_head = record;
  }

  void Unlink(CBlockRecord* record) {
    if (record->previous != nullptr) record->previous->next = record->next;
    else m_head = record->next;
    if (record->next != nullptr) record->next->previous = record->previous;
    record->next = record->previous = nullptr;
  }

  std::recursive_mutex m_lock;
  char m_marker[8];  // set once the manager is set up
  int m_defaultKind = 0;
  CBlockRecord* m_head = nullptr;
};

// Copies `size` bytes between two locked places.
void CopyBytes(void* target, const void* source, std::uint32_t size) {
  if (size > 0) std::memcpy(target, source, size);
}

// ===========================================================================
// The block object and its handle-exchange face
// ===========================================================================

class CMemoryBlock final : public IMemoryBlock, public IGlobalHandleExchange {
 public:
  explicit CMemoryBlock(CBlockRecord* record) : m_record(record) {}

  TvoResult QueryInterface(const TvoGuid& iid, void** object) override {
    if (object == nullptr) return kTvoPointer;
    if (iid == kIidUnknown || iid == kIidMemoryBlock) {
      *object = static_cast<IMemoryBlock*>(this);
    } else if (iid == kIidGlobalHandleExchange) {
      *object = static_cast<IGlobalHandleExchange*>(this);
    } else {
      *object = nullptr;
      return kTvoNoInterface;
    }
    AddRef();
    return kTvoOk;
  }

  std::uint32_t AddRef() override { return m_refCount.fetch_add(1) + 1; }

  std::uint32_t Release() override {
    const std::uint32_t left = m_refCount.fetch_sub(1) - 1;
    if (left == 0) {
      DropRecord();
      delete this;
    }
    return left;
  }

  IMemoryBlock* Resize(std::uint32_t newSize, bool clear, const char*, int) override {
    CMemoryManager& manager = CMemoryManager::Instance();
    CMemoryManager::Guard guard(manager.Lock());
    if (m_record == nullptr) RaiseError(keErrNoData);
    (void)manager.Resize(m_record, newSize, clear);
    return this;
  }

  void Lock(void** address, std::uint32_t offset, std::uint32_t, const char*, int) override {
    CMemoryManager::Guard guard(CMemoryManager::Instance().Lock());
    if (address != nullptr) *address = nullptr;
    if (m_record == nullptr) RaiseError(keErrNoData);
    void* p = m_record->Lock(offset);
    if (p == nullptr) RaiseError(keErrOutOfMemory);
    if (address != nullptr) *address = p;
  }

  bool Unlock(std::uint32_t, std::uint32_t, const char*, int) override {
    CMemoryManager::Guard guard(CMemoryManager::Instance().Lock());
    return m_record != nullptr && m_record->Unlock();
  }

  std::uint32_t LockCount() override {
    CMemoryManager::Guard guard(CMemoryManager::Instance().Lock());
    return m_record != nullptr ? m_record->lockCount : 0;
  }

  std::uint32_t Size() override {
    CMemoryManager::Guard guard(CMemoryManager::Instance().Lock());
    return m_record != nullptr ? m_record->size : 0;
  }

  int Kind() override {
    CMemoryManager::Guard guard(CMemoryManager::Instance().Lock());
    return m_record != nullptr ? m_record->Kind() : 0;
  }

  int ChangeKind(int kind) override {
    CMemoryManager& manager = CMemoryManager::Instance();
    CMemoryManager::Guard guard(manager.Lock());
    if (m_record == nullptr) return 0;
    CBlockRecord* old = m_record;
    if (kind == old->Kind() || old->lockCount != 0 || old->size == 0) return old->Kind();
    CBlockRecord* fresh = manager.Allocate(old->size, false, kind);
    if (fresh == nullptr) return 0;
    void* target = fresh->Lock(0);
    void* source = target != nullptr ? old->Lock(0) : nullptr;
    if (source == nullptr) {
      if (target != nullptr) fresh->Unlock();
      manager.Free(fresh);
      return 0;
    }
    CopyBytes(target, source, old->size);
    fresh->Unlock();
    old->Unlock();
    m_record = fresh;
    manager.Free(old);
    return fresh->Kind();
  }

  // ---- handle exchange face ----------------------------------------------

  platform::GlobalHandle DetachToGlobal(const char*, int) override {
    CMemoryManager& manager = CMemoryManager::Instance();
    CMemoryManager::Guard guard(manager.Lock());
    if (m_record == nullptr) RaiseError(keErrNoData);
    manager.UnlockFully(m_record);
    if (m_record->Kind() == keMemoryGlobal) {
      platform::GlobalHandle handle = manager.Surrender(static_cast<CGlobalRecord*>(m_record));
      m_record = nullptr;
      return handle;
    }
    platform::GlobalHandle handle = CopyOut();
    if (!manager.Free(m_record)) {
      platform::GlobalFreeHandle(handle);
      RaiseError(keErrOutOfMemory);
    }
    m_record = nullptr;
    return handle;
  }

  platform::GlobalHandle CopyToGlobal(const char*, int) override {
    CMemoryManager::Guard guard(CMemoryManager::Instance().Lock());
    if (m_record == nullptr) RaiseError(keErrNoData);
    return CopyOut();
  }

  void AttachGlobal(platform::GlobalHandle* handle, std::uint32_t, int kind, const char*,
                    int) override {
    TakeGlobal(handle, kind, true);
  }

  void CopyFromGlobal(platform::GlobalHandle* handle, std::uint32_t, int kind, const char*,
                      int) override {
    TakeGlobal(handle, kind, false);
  }

 private:
  ~CMemoryBlock() override = default;

  void DropRecord() {
    CMemoryManager& manager = CMemoryManager::Instance();
    CMemoryManager::Guard guard(manager.Lock());
    if (m_record != nullptr) manager.Free(m_record);
    m_record = nullptr;
  }

  // A new movable handle holding a copy of the block's bytes; raises 102.
  platform::GlobalHandle CopyOut() {
    const std::uint32_t size = m_record->size;
    platform::GlobalHandle handle = platform::GlobalAllocMovable(size, false);
    if (handle == nullptr) RaiseError(keErrOutOfMemory);
    void* target = platform::GlobalLockHandle(handle);
    void* source = target != nullptr ? m_record->Lock(0) : nullptr;
    if (source == nullptr) {
      if (target != nullptr) platform::GlobalUnlockHandle(handle);
      platform::GlobalFreeHandle(handle);
      RaiseError(keErrOutOfMemory);
    }
    CopyBytes(target, source, size);
    m_record->Unlock();
    platform::GlobalUnlockHandle(handle);
    return handle;
  }

  // The common part of AttachGlobal and CopyFromGlobal.  The handle is
  // checked before the old block goes, so a bad handle loses nothing.
  void TakeGlobal(platform::GlobalHandle* handle, int kind, bool takeOver) {
    CMemoryManager& manager = CMemoryManager::Instance();
    CMemoryManager::Guard guard(manager.Lock());
    if (handle == nullptr || !platform::GlobalIsUsable(*handle)) RaiseError(keErrBadArgument);
    if (kind == keMemoryAny) kind = manager.DefaultKind();
    if (kind < keMemoryGlobal || kind > keMemoryTempFile) RaiseError(keErrOutOfMemory);
    DropRecord();
    if (takeOver && kind == keMemoryGlobal) {
      m_record = manager.Adopt(*handle);
      if (m_record == nullptr) RaiseError(keErrOutOfMemory);
      *handle = nullptr;
      return;
    }
    const auto size = static_cast<std::uint32_t>(platform::GlobalSizeOf(*handle));
    CBlockRecord* record = manager.Allocate(size, false, kind);
    if (record == nullptr) RaiseError(keErrOutOfMemory);
    void* source = platform::GlobalLockHandle(*handle);
    void* target = source != nullptr ? record->Lock(0) : nullptr;
    if (target == nullptr) {
      if (source != nullptr) platform::GlobalUnlockHandle(*handle);
      manager.Free(record);
      RaiseError(keErrOutOfMemory);
    }
    CopyBytes(target, source, size);
    record->Unlock();
    platform::GlobalUnlockHandle(*handle);
    m_record = record;
    if (takeOver) {
      platform::GlobalFreeHandle(*handle);
      *handle = nullptr;
    }
  }

  std::atomic<std::uint32_t> m_refCount{1};
  CBlockRecord* m_record;  // changed only under the manager's lock
};

// ===========================================================================
// The allocator
// ===========================================================================

class CMemoryAllocator final : public IMemoryAllocator {
 public:
  TvoResult QueryInterface(const TvoGuid& iid, void** object) override {
    if (object == nullptr) return kTvoPointer;
    if (iid == kIidUnknown || iid == kIidMemoryAllocator) {
      *object = static_cast<IMemoryAllocator*>(this);
      AddRef();
      return kTvoOk;
    }
    *object = nullptr;
    return kTvoNoInterface;
  }

  std::uint32_t AddRef() override { return m_refCount.fetch_add(1) + 1; }

  std::uint32_t Release() override {
    const std::uint32_t left = m_refCount.fetch_sub(1) - 1;
    if (left == 0) delete this;
    return left;
  }

  IMemoryBlock* FromGlobalHandle(platform::GlobalHandle* handle, std::uint32_t reserved, int kind,
                                 bool takeOver, const char* tag, int line) override {
    auto* block = new (std::nothrow) CMemoryBlock(nullptr);
    if (block == nullptr) RaiseError(keErrOutOfMemory);
    try {
      if (takeOver) block->AttachGlobal(handle, reserved, kind, tag, line);
      else block->CopyFromGlobal(handle, reserved, kind, tag, line);
    } catch (...) {
      static_cast<IMemoryBlock*>(block)->Release();
      throw;
    }
    return block;
  }

  IMemoryBlock* Allocate(std::uint32_t size, bool clear, int kind, const char*, int) override {
    CBlockRecord* record = CMemoryManager::Instance().Allocate(size, clear, kind);
    if (record == nullptr) RaiseError(keErrOutOfMemory);
    auto* block = new (std::nothrow) CMemoryBlock(record);
    if (block == nullptr) {
      CMemoryManager::Instance().Free(record);
      RaiseError(keErrOutOfMemory);
    }
    return block;
  }

 private:
  ~CMemoryAllocator() = default;
  // The process holds one reference for its whole life.
  std::atomic<std::uint32_t> m_refCount{1};
};

}  // namespace

IMemoryAllocator* MemoryAllocator() {
  static CMemoryAllocator* s_allocator = new CMemoryAllocator;
  return s_allocator;
}

IMemoryBlock* AllocateMemoryBlock(std::uint32_t size, bool clear, int kind, const char* tag,
                                  int line) {
  return MemoryAllocator()->Allocate(size, clear, kind, tag, line);
}

IMemoryBlock* AllocateMemoryBlockWithFlags(std::uint32_t flags, std::uint32_t size,
                                           const char* tag, int line) noexcept {
  try {
    return AllocateMemoryBlock(size, (flags & kGlobalZeroInit) != 0, keMemoryAny, tag, line);
  } catch (const CJException&) {
    return nullptr;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

void* LockMemoryBlock(IMemoryBlock* block, std::uint32_t offset, std::uint32_t length,
                      const char* tag, int line) noexcept {
  if (block == nullptr) return nullptr;
  try {
    void* address = nullptr;
    block->Lock(&address, offset, length, tag, line);
    return address;
  } catch (const CJException&) {
    return nullptr;
  }
}

bool UnlockMemoryBlock(IMemoryBlock* block, std::uint32_t offset, std::uint32_t length,
                       const char* tag, int line) noexcept {
  if (block == nullptr) return false;
  try {
    return block->Unlock(offset, length, tag, line);
  } catch (const CJException&) {
    return false;
  }
}

void ReleaseMemoryBlock(IMemoryBlock* block) noexcept {
  if (block == nullptr) return;
  try {
    block->Release();
  } catch (const CJException&) {
  }
}

std::size_t LiveMemoryBlockCount() { return CMemoryManager::Instance().Count(); }
