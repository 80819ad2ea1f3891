#include "platform/GlobalMemory.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>

// A handle is a never-reused serial number shaped so that it cannot be
// mistaken for a heap address; the table maps it to its memory.

namespace platform {
namespace {

struct Entry {
  void* memory = nullptr;
  std::size_t size = 0;
  unsigned locks = 0;
};

struct HandleTable {
  std::mutex lock;
  std::unordered_map<std::uintptr_t, Entry> entries;
  std::uintptr_t nextSerial = 1;
};

HandleTable& Table() {
  // Never destroyed: handles may still be freed by static destructors.
  static HandleTable* s_table = new HandleTable;
  return *s_table;
}

std::uintptr_t Key(GlobalHandle handle) { return reinterpret_cast<std::uintptr_t>(handle); }

Entry* Find(HandleTable& table, GlobalHandle handle) {
  auto it = table.entries.find(Key(handle));
  return it == table.entries.end() ? nullptr : &it->second;
}

}  // namespace

GlobalHandle GlobalAllocMovable(std::size_t size, bool zeroInit) {
  // Zero bytes still get a real allocation so that the handle can be locked.
  void* memory = zeroInit ? std::calloc(size ? size : 1, 1) : std::malloc(size ? size : 1);
  if (memory == nullptr) return nullptr;
  HandleTable& table = Table();
  std::lock_guard<std::mutex> guard(table.lock);
  const std::uintptr_t key = (table.nextSerial++ << 4) | 0x6;
  try {
    table.entries.emplace(key, Entry{memory, size, 0});
  } catch (...) {
    std::free(memory);
    return nullptr;
  }
  return reinterpret_cast<GlobalHandle>(key);
}

GlobalHandle GlobalReAllocMovable(GlobalHandle handle, std::size_t size, bool zeroInit) {
  HandleTable& table = Table();
  std::lock_guard<std::mutex> guard(table.lock);
  Entry* entry = Find(table, handle);
  if (entry == nullptr || entry->locks != 0) return nullptr;
  void* memory = std::realloc(entry->memory, size ? size : 1);
  if (memory == nullptr) return nullptr;
  if (zeroInit && size > entry->size) {
    std::memset(static_cast<char*>(memory) + entry->size, 0, size - entry->size);
  }
  entry->memory = memory;
  entry->size = size;
  return handle;
}

bool GlobalFreeHandle(GlobalHandle handle) {
  HandleTable& table = Table();
  std::lock_guard<std::mutex> guard(table.lock);
  auto it = table.entries.find(Key(handle));
  if (it == table.entries.end()) return false;
  std::free(it->second.memory);
  table.entries.erase(it);
  return true;
}

void* GlobalLockHandle(GlobalHandle handle) {
  HandleTable& table = Table();
  std::lock_guard<std::mutex> guard(table.lock);
  Entry* entry = Find(table, handle);
  if (entry == nullptr) return nullptr;
  ++entry->locks;
  return entry->memory;
}

bool GlobalUnlockHandle(GlobalHandle handle) {
  HandleTable& table = Table();
  std::lock_guard<std::mutex> guard(table.lock);
  Entry* entry = Find(table, handle);
  if (entry == nullptr) return false;
  if (entry->locks > 0) --entry->locks;
  return true;
}

std::size_t GlobalSizeOf(GlobalHandle handle) {
  HandleTable& table = Table();
  std::lock_guard<std::mutex> guard(table.lock);
  Entry* entry = Find(table, handle);
  return entry == nullptr ? 0 : entry->size;
}

bool GlobalIsUsable(GlobalHandle handle) {
  HandleTable& table = Table();
  std::lock_guard<std::mutex> guard(table.lock);
  return Find(table, handle) != nullptr;
}

unsigned GlobalLockCountOf(GlobalHandle handle) {
  HandleTable& table = Table();
  std::lock_guard<std::mutex> guard(table.lock);
  Entry* entry = Find(table, handle);
  return entry == nullptr ? 0 : entry->locks;
}

}  // namespace platform
