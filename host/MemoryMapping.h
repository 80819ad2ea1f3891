#pragma once
// A held lock on one range of a memory block: the block (one reference), the
// address, offset and size of the range.  Image bands keep their memory
// mapped through one of these for as long as the band lives.

#include <cstdint>

class IMemoryBlock;

class CMemoryMapping {
 public:
  CMemoryMapping() = default;
  ~CMemoryMapping() { Unmap(); }
  CMemoryMapping(const CMemoryMapping&) = delete;
  CMemoryMapping& operator=(const CMemoryMapping&) = delete;

  // Drops any range already held, then locks `size` bytes from `offset`
  // (size 0: to the end of the block).  Answers the address, or null when
  // the block could not be locked; never raises.
  void* Map(IMemoryBlock* block, std::uint32_t offset, std::uint32_t size, const char* tag,
            int line);
  // Unlocks the held range and releases the reference.
  void Unmap();

  bool IsMapped() const { return m_address != nullptr; }
  IMemoryBlock* Block() const { return m_block; }
  void* Address() const { return m_address; }
  std::uint32_t Offset() const { return m_offset; }
  std::uint32_t Size() const { return m_size; }

 private:
  IMemoryBlock* m_block = nullptr;
  void* m_address = nullptr;
  std::uint32_t m_offset = 0;
  std::uint32_t m_size = 0;
};
