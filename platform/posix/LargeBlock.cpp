#include "platform/LargeBlock.h"

#include <sys/mman.h>

#include <cstdint>

namespace platform {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::size_t MappedSize(std::size_t size) { return (size + kHugePage - 1) / kHugePage * kHugePage; }

}  // namespace

void* AllocateLargeBlock(std::size_t size) {
  if (size == 0 || size > static_cast<std::size_t>(-1) - 2 * kHugePage) return nullptr;
  const std::size_t mapped = MappedSize(size);
  // One huge page more than needed, so that an aligned start exists; the
  // unaligned head and the unused tail are given back at once.
  void* raw = ::mmap(nullptr, mapped + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(raw);
  const std::uintptr_t aligned = (start + kHugePage - 1) & ~(static_cast<std::uintptr_t>(kHugePage) - 1);
  const std::size_t head = aligned - start;
  const std::size_t tail = kHugePage - head;
  if (head != 0) ::munmap(raw, head);
  if (tail != 0) ::munmap(reinterpret_cast<void*>(aligned + mapped), tail);
  void* block = reinterpret_cast<void*>(aligned);
#if defined(MADV_HUGEPAGE)
  (void)::madvise(block, mapped, MADV_HUGEPAGE);  // advice only: 4 KiB pages still work
#endif
  return block;
}

void ReleaseLargeBlock(void* address, std::size_t size) {
  if (address == nullptr || size == 0) return;
  ::munmap(address, MappedSize(size));
}

}  // namespace platform
