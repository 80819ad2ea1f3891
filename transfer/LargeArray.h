#pragma once
// An array of plain elements in a large block (platform/LargeBlock.h), for
// the engine's working tables of a few megabytes: on Linux it lies on huge
// pages, so it takes a few page faults instead of one per 4 KiB (in a
// virtual machine a fault costs far more than filling the page), and it
// starts zero-filled by the system, so nothing is cleared twice.

#include <cstddef>
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
    }
    return *this;
  }
  ~CLargeArray() { Free(); }

  // `count` zero-filled elements (at least one is mapped); false when
  // memory ran out (the array is then empty).
  bool Allocate(std::size_t count) {
    Free();
    const std::size_t n = count == 0 ? 1 : count;
    if (n > static_cast<std::size_t>(-1) / sizeof(T)) return false;
    m_data = static_cast<T*>(platform::AllocateLargeBlock(n * sizeof(T)));
    if (m_data == nullptr) return false;
    m_count = count;
    return true;
  }
  void Free() {
    if (m_data != nullptr) platform::ReleaseLargeBlock(m_data, (m_count == 0 ? 1 : m_count) * sizeof(T));
    m_data = nullptr;
    m_count = 0;
  }

  T* data() { return m_data; }
  const T* data() const { return m_data; }
  std::size_t size() const { return m_count; }
  T& operator[](std::size_t i) { return m_data[i]; }
  const T& operator[](std::size_t i) const { return m_data[i]; }

 private:
  T* m_data = nullptr;
  std::size_t m_count = 0;
};

}  // namespace transfer_detail
