#include "host/MemoryRecords_p.h"

#include <cstring>
#include <new>
#include <string>

#include "host/MemoryManager.h"
#include "platform/File.h"
#include "platform/MappedFile.h"
#include "platform/VirtualMemory.h"

namespace {

std::uint64_t RoundUpToGranularity(std::uint64_t n) {
  const std::uint64_t g = platform::kMappingGranularity;
  return (n + g - 1) / g * g;
}

// ===========================================================================
// Kind 2: a heap array
// ===========================================================================

class CHeapRecord : public CBlockRecord {
 public:
  CHeapRecord() : CBlockRecord(2) {}

  bool Allocate(std::uint32_t size, bool clear) override {
    m_bytes = clear ? new (std::nothrow) std::uint8_t[size]() : new (std::nothrow) std::uint8_t[size];
    return m_bytes != nullptr;
  }

  bool Resize(std::uint32_t oldSize, std::uint32_t newSize, bool clear) override {
    auto* bytes = new (std::nothrow) std::uint8_t[newSize];
    if (bytes == nullptr) return false;
    const std::uint32_t keep = oldSize < newSize ? oldSize : newSize;
    if (keep > 0) std::memcpy(bytes, m_bytes, keep);
    if (clear && newSize > oldSize) std::memset(bytes + oldSize, 0, newSize - oldSize);
    delete[] m_bytes;
    m_bytes = bytes;
    return true;
  }

  bool Free() override {
    delete[] m_bytes;
    m_bytes = nullptr;
    return true;
  }

  void* Lock(std::uint32_t offset) override {
    if (m_bytes == nullptr) return nullptr;
    ++lockCount;
    return m_bytes + offset;
  }

  bool Unlock() override {
    if (lockCount > 0) --lockCount;
    return true;
  }

 private:
  std::uint8_t* m_bytes = nullptr;
};

// ===========================================================================
// Kind 3: virtual memory
// ===========================================================================

class CVirtualRecord : public CBlockRecord {
 public:
  CVirtualRecord() : CBlockRecord(3) {}

  // The system hands out zero-filled pages, which is what `clear` asks for.
  bool Allocate(std::uint32_t size, bool /*clear*/) override {
    m_region = static_cast<std::uint8_t*>(platform::VirtualAllocate(size));
    m_regionSize = size;
    return m_region != nullptr;
  }

  bool Resize(std::uint32_t oldSize, std::uint32_t newSize, bool /*clear*/) override {
    auto* region = static_cast<std::uint8_t*>(platform::VirtualAllocate(newSize));
    if (region == nullptr) return false;
    const std::uint32_t keep = oldSize < newSize ? oldSize : newSize;
    if (keep > 0) std::memcpy(region, m_region, keep);
    platform::VirtualRelease(m_region, m_regionSize);
    m_region = region;
    m_regionSize = newSize;
    return true;
  }

  bool Free() override {
    if (m_region != nullptr && !platform::VirtualRelease(m_region, m_regionSize)) return false;
    m_region = nullptr;
    return true;
  }

  void* Lock(std::uint32_t offset) override {
    if (m_region == nullptr) return nullptr;
    ++lockCount;
    return m_region + offset;
  }

  bool Unlock() override {
    if (lockCount > 0) --lockCount;
    return true;
  }

 private:
  std::uint8_t* m_region = nullptr;
  std::size_t m_regionSize = 0;
};

// ===========================================================================
// Kind 4: a memory-mapped temporary file
// ===========================================================================

class CTempFileRecord : public CBlockRecord {
 public:
  CTempFileRecord() : CBlockRecord(4) {}

  bool Allocate(std::uint32_t size, bool clear) override {
    if (!platform::CreateUniqueTempFile(kTempFilePrefix, &m_path)) return false;
    if (!m_file.Open(m_path)) return Abandon();
    const std::uint64_t rounded = RoundUpToGranularity(size);
    if (!m_file.CreateMapping(rounded)) return Abandon();
    if (clear) {
      void* view = m_file.MapView(0, static_cast<std::size_t>(rounded));
      if (view == nullptr) return Abandon();
      std::memset(view, 0, size);
      platform::MappedFile::UnmapView(view, static_cast<std::size_t>(rounded));
    }
    return true;
  }

  // A mapping that cannot be made again leaves the block without one: the
  // resize still counts as done and the next lock fails.
  bool Resize(std::uint32_t oldSize, std::uint32_t newSize, bool clear) override {
    m_file.CloseMapping();
    const std::uint64_t end = RoundUpToGranularity(newSize);
    if (!m_file.CreateMapping(end)) return true;
    if (clear && newSize > oldSize) {
      const std::uint64_t start = oldSize / platform::kMappingGranularity * platform::kMappingGranularity;
      auto* view = static_cast<std::uint8_t*>(m_file.MapView(start, static_cast<std::size_t>(end - start)));
      if (view != nullptr) {
        std::memset(view + (oldSize - start), 0, newSize - oldSize);
        platform::MappedFile::UnmapView(view, static_cast<std::size_t>(end - start));
      }
    }
    return true;
  }

  bool Free() override {
    UnmapView();
    if (!m_file.Close()) return false;
    if (!m_path.empty()) {
      if (!platform::DeleteFileAt(m_path)) return false;
      m_path.clear();
    }
    return true;
  }

  void* Lock(std::uint32_t offset) override {
    if (m_view == nullptr) {
      m_view = static_cast<std::uint8_t*>(m_file.MapView(0, size));
      if (m_view == nullptr) return nullptr;
      lockCount = 1;
    } else {
      ++lockCount;
    }
    return m_view + offset;
  }

  bool Unlock() override {
    if (lockCount <= 1) {
      const bool ok = UnmapView();
      lockCount = 0;
      return ok;
    }
    --lockCount;
    return true;
  }

  ~CTempFileRecord() override {
    // A record destroyed without Free (allocation failed half-way) must not
    // leave its file behind.
    UnmapView();
    m_file.Close();
    if (!m_path.empty()) platform::DeleteFileAt(m_path);
  }

 private:
  bool Abandon() {
    m_file.Close();
    if (!m_path.empty()) platform::DeleteFileAt(m_path);
    m_path.clear();
    return false;
  }

  bool UnmapView() {
    if (m_view == nullptr) return true;
    const bool ok = platform::MappedFile::UnmapView(m_view, size);
    m_view = nullptr;
    return ok;
  }

  std::string m_path;
  platform::MappedFile m_file;
  std::uint8_t* m_view = nullptr;
};

}  // namespace

// ===========================================================================
// Kind 1: movable global memory
// ===========================================================================

bool CGlobalRecord::Allocate(std::uint32_t size, bool clear) {
  m_handle = platform::GlobalAllocMovable(size, clear);
  return m_handle != nullptr;
}

bool CGlobalRecord::Resize(std::uint32_t /*oldSize*/, std::uint32_t newSize, bool clear) {
  platform::GlobalHandle handle = platform::GlobalReAllocMovable(m_handle, newSize, clear);
  if (handle == nullptr) return false;
  m_handle = handle;
  return true;
}

bool CGlobalRecord::Free() {
  if (m_handle != nullptr && !platform::GlobalFreeHandle(m_handle)) return false;
  m_handle = nullptr;
  return true;
}

void* CGlobalRecord::Lock(std::uint32_t offset) {
  auto* address = static_cast<std::uint8_t*>(platform::GlobalLockHandle(m_handle));
  if (address == nullptr) return nullptr;
  ++lockCount;
  return address + offset;
}

bool CGlobalRecord::Unlock() {
  if (!platform::GlobalUnlockHandle(m_handle)) return false;
  if (lockCount > 0) --lockCount;
  return true;
}

void CGlobalRecord::Adopt(platform::GlobalHandle handle) {
  m_handle = handle;
  lockCount = platform::GlobalLockCountOf(handle);
}

platform::GlobalHandle CGlobalRecord::Surrender() {
  platform::GlobalHandle handle = m_handle;
  m_handle = nullptr;
  return handle;
}

std::unique_ptr<CBlockRecord> MakeBlockRecord(int kind) {
  switch (kind) {
    case 1: return std::unique_ptr<CBlockRecord>(new (std::nothrow) CGlobalRecord);
    case 2: return std::unique_ptr<CBlockRecord>(new (std::nothrow) CHeapRecord);
    case 3: return std::unique_ptr<CBlockRecord>(new (std::nothrow) CVirtualRecord);
    case 4: return std::unique_ptr<CBlockRecord>(new (std::nothrow) CTempFileRecord);
    default: return nullptr;
  }
}
