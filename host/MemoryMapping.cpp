#include "host/MemoryMapping.h"

#include "host/MemoryManager.h"
#include "image/Status.h"

void* CMemoryMapping::Map(IMemoryBlock* block, std::uint32_t offset, std::uint32_t size,
                          const char* tag, int line) {
  Unmap();
  if (block == nullptr) return nullptr;
  std::uint32_t blockSize = 0;
  try {
    blockSize = block->Size();
  } catch (const CJException&) {
    return nullptr;
  }
  if (offset > blockSize) return nullptr;
  if (size == 0) size = blockSize - offset;
  void* address = LockMemoryBlock(block, offset, size, tag, line);
  if (address == nullptr) return nullptr;
  block->AddRef();
  m_block = block;
  m_address = address;
  m_offset = offset;
  m_size = size;
  return address;
}

void CMemoryMapping::Unmap() {
  if (m_block == nullptr) return;
  UnlockMemoryBlock(m_block, m_offset, m_size, "Mapping", __LINE__);
  ReleaseMemoryBlock(m_block);
  m_block = nullptr;
  m_address = nullptr;
  m_offset = 0;
  m_size = 0;
}
