#pragma once
// An array of plain elements in a large block (platform/LargeBlock.h), for
// the engine's working tables of a few megabytes: on Linux it lies on huge
// pages, so it takes a few page faults instead of one per 4 KiB (in a
// virtual machine a fault costs far more than filling the page), and it
// starts zero-filled by the system, so nothing is cleared twice.  An array
// allocated again keeps its block when it is large enough: a table kept
// from one repaint to the next costs no new pages.

#include <cstddef>
#include <cstring>
#include <type_traits>
#include <utility>

#include "platform/LargeBlock.h"

namespace transfer_detail {

template <typename T>
class CLargeArray {
  static_assert(std::is_trivially_copyable<T>::value, "the block is neither constructed nor destroyed");

 public:
  CLargeArray() = default;
  CLargeArray(const CLargeArray&) = delete;
  CLargeArray& operator=(const CLargeArray&) = delete;
  CLargeArray(CLargeArray&& other) noexcept { *this = std::move(other); }
  CLargeArray& operator=(CLargeArray&& other) noexcept {
    if (this != &other) {
      Free();
      std::swap(m_data, other.m_data);
      std::swap(m_count, other.m_count);
      std::swap(m_capacity, other.m_capacity);
    }
    return *this;
  }
  ~CLargeArray() { Free(); }

  // `count` elements, zero-filled when `zero` (fresh blocks are zero
  // anyway; a block kept from before is cleared only then); false when
  // memory ran out (the array is then empty).  A block that already holds
  // `count` elements is kept.
  bool Allocate(std::size_t count, bool zero = true) {
    const std::size_t n = count == 0 ? 1 : count;
    if (m_data != nullptr && n <= m_capacity) {
      m_count = count;
      if (zero) std::memset(static_cast<void*>(m_data), 0, n * sizeof(T));
      return true;
    }
    Free();
    if (n > static_cast<std::size_t>(-1) / sizeof(T)) return false;
    m_data = static_cast<T*>(platform::AllocateLargeBlock(n * sizeof(T)));
    if (m_data == nullptr) return false;
    m_count = count;
    m_capacity = n;
    return true;
  }
  // No elements, the block kept.
  void Empty() { m_count = 0; }
  void Free() {
    if (m_data != nullptr) platform::ReleaseLargeBlock(m_data, m_capacity * sizeof(T));
    m_data = nullptr;
    m_count = 0;
    m_capacity = 0;
  }

  T* data() { return m_data; }
  const T* data() const { return m_data; }
  std::size_t size() const { return m_count; }
  T& operator[](std::size_t i) { return m_data[i]; }
  const T& operator[](std::size_t i) const { return m_data[i]; }

 private:
  T* m_data = nullptr;
  std::size_t m_count = 0;
  std::size_t m_capacity = 0;  // elements the block holds
};

}  // namespace transfer_detail
