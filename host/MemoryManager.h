#pragma once
// The memory manager: where pixel storage comes from.
//
// Every image band and every screen bitmap is a memory block from here, not
// from the ordinary heap.  A block has one of four storage kinds (movable
// global memory, heap array, virtual memory, or a memory-mapped temporary
// file), must be locked to get an address and unlocked afterwards, and is
// handed around as a reference-counted interface object in the manner of
// COM, so that it can cross module boundaries.  Requests that name no kind
// go to virtual memory, or to a mapped temporary file from 16 MiB up.
//
// One process-wide manager keeps the list of live blocks behind a single
// re-entrant lock: any thread may allocate, lock and free blocks.  The bytes
// of a block are not protected; one thread at a time works on them.
//
// Interface operations raise CJException (101, 102, 110); the free functions
// at the end that answer "none" swallow it instead.

#include <cstddef>
#include <cstdint>

#include "platform/GlobalMemory.h"

// ===========================================================================
// Identifiers and result codes in the manner of COM
// ===========================================================================

struct TvoGuid {
  std::uint32_t data1;
  std::uint16_t data2;
  std::uint16_t data3;
  std::uint8_t data4[8];
};

bool operator==(const TvoGuid& a, const TvoGuid& b) noexcept;
inline bool operator!=(const TvoGuid& a, const TvoGuid& b) noexcept { return !(a == b); }

using TvoResult = std::int32_t;
constexpr TvoResult kTvoOk = 0;
constexpr TvoResult kTvoNoInterface = static_cast<TvoResult>(0x80004002u);
constexpr TvoResult kTvoPointer = static_cast<TvoResult>(0x80004003u);

// {00000000-0000-0000-C000-000000000046}
extern const TvoGuid kIidUnknown;
// {A2BFB49F-77EE-42D6-99D2-816FE17A14DF}
extern const TvoGuid kIidMemoryAllocator;
// {8C90B9A7-6DA9-4268-9EB9-A3BEBC62F0F0}
extern const TvoGuid kIidMemoryBlock;
// {35EC4149-ECB6-459D-9E33-1D5E0E6508E0}
extern const TvoGuid kIidGlobalHandleExchange;

// ===========================================================================
// Storage kinds
// ===========================================================================

enum MemoryKind : int {
  keMemoryAny = 0,       // the manager chooses (see kTempFileThreshold)
  keMemoryGlobal = 1,    // movable global memory
  keMemoryHeap = 2,      // a heap array
  keMemoryVirtual = 3,   // virtual memory, the manager's default kind
  keMemoryTempFile = 4,  // a memory-mapped temporary file
};

// Requests of kind keMemoryAny from this size up go to a temporary file.
constexpr std::uint32_t kTempFileThreshold = 16777216;
// The temporary files' name prefix.
constexpr const char kTempFilePrefix[] = "~TVO";
// The global-memory flag that asks for zero-filled memory.
constexpr std::uint32_t kGlobalZeroInit = 0x40;

// ===========================================================================
// Interfaces (operations in slot order)
// ===========================================================================

class IMemoryUnknown {
 public:
  virtual TvoResult QueryInterface(const TvoGuid& iid, void** object) = 0;
  virtual std::uint32_t AddRef() = 0;
  virtual std::uint32_t Release() = 0;

 protected:
  ~IMemoryUnknown() = default;
};

// One object per block.  Tag and line name the caller for diagnostics only.
class IMemoryBlock : public IMemoryUnknown {
 public:
  // Unlocks the block fully and resizes it, keeping the smaller size's bytes
  // and zeroing growth when `clear`.  Answers this block whether or not the
  // resize worked (Size() tells).  110 when the object holds no block.
  virtual IMemoryBlock* Resize(std::uint32_t newSize, bool clear, const char* tag, int line) = 0;
  // Locks once more and stores the address of byte `offset`.  110 when the
  // object holds no block, 102 when the storage gives no address.
  virtual void Lock(void** address, std::uint32_t offset, std::uint32_t length, const char* tag,
                    int line) = 0;
  virtual bool Unlock(std::uint32_t offset, std::uint32_t length, const char* tag, int line) = 0;
  virtual std::uint32_t LockCount() = 0;
  virtual std::uint32_t Size() = 0;
  // 0 when the object holds no block.
  virtual int Kind() = 0;
  // Moves an unlocked, non-empty block to another storage kind.  Answers the
  // kind it now has, or 0 when the move failed (the block is then unchanged).
  virtual int ChangeKind(int kind) = 0;

 protected:
  virtual ~IMemoryBlock() = default;
};

// A second face of the block object: exchanging contents with movable
// global memory handles.
class IGlobalHandleExchange : public IMemoryUnknown {
 public:
  // Hands the contents out as a global handle; the object then holds no
  // block.  110 when it holds none, 102 when no handle could be made.
  virtual platform::GlobalHandle DetachToGlobal(const char* tag, int line) = 0;
  // A new global handle with a copy of the contents; the block stays.
  virtual platform::GlobalHandle CopyToGlobal(const char* tag, int line) = 0;
  // Takes the handle's contents over as this object's block (kind 0: the
  // default kind; kind 1: the handle itself becomes the block) and sets
  // *handle to null.  101 for a handle that is not a live global handle.
  virtual void AttachGlobal(platform::GlobalHandle* handle, std::uint32_t reserved, int kind,
                            const char* tag, int line) = 0;
  // As AttachGlobal with a copy; the caller keeps its handle.
  virtual void CopyFromGlobal(platform::GlobalHandle* handle, std::uint32_t reserved, int kind,
                              const char* tag, int line) = 0;

 protected:
  ~IGlobalHandleExchange() = default;
};

class IMemoryAllocator : public IMemoryUnknown {
 public:
  // A block from a global handle: `takeOver` attaches it, otherwise copies.
  virtual IMemoryBlock* FromGlobalHandle(platform::GlobalHandle* handle, std::uint32_t reserved,
                                         int kind, bool takeOver, const char* tag, int line) = 0;
  // A new block holding one reference; 102 when none results.
  virtual IMemoryBlock* Allocate(std::uint32_t size, bool clear, int kind, const char* tag,
                                 int line) = 0;

 protected:
  ~IMemoryAllocator() = default;
};

// The process-wide allocator.  The pointer is borrowed: callers that keep it
// may AddRef, but need not.
IMemoryAllocator* MemoryAllocator();

// ===========================================================================
// What the rest of the system calls
// ===========================================================================

// A new block with one reference; raises 102 when the manager refused.
IMemoryBlock* AllocateMemoryBlock(std::uint32_t size, bool clear, int kind, const char* tag,
                                  int line);
// As above from global-memory allocation flags (kGlobalZeroInit clears),
// letting the manager choose the kind; null instead of raising.
IMemoryBlock* AllocateMemoryBlockWithFlags(std::uint32_t flags, std::uint32_t size, const char* tag,
                                           int line) noexcept;
// These swallow the framework's errors and answer null / false.
void* LockMemoryBlock(IMemoryBlock* block, std::uint32_t offset, std::uint32_t length,
                      const char* tag, int line) noexcept;
bool UnlockMemoryBlock(IMemoryBlock* block, std::uint32_t offset, std::uint32_t length,
                       const char* tag, int line) noexcept;
void ReleaseMemoryBlock(IMemoryBlock* block) noexcept;

// The number of live blocks, for leak checks.
std::size_t LiveMemoryBlockCount();
