#pragma once
// Block records: the storage behind one memory block, one class per kind.
// Records know nothing of locking or lists; the manager calls them under its
// lock and keeps them in its list through the links here.

#include <cstdint>
#include <memory>

#include "platform/GlobalMemory.h"

class CBlockRecord {
 public:
  explicit CBlockRecord(int kind) : m_kind(kind) {}
  virtual ~CBlockRecord() = default;
  CBlockRecord(const CBlockRecord&) = delete;
  CBlockRecord& operator=(const CBlockRecord&) = delete;

  virtual bool Allocate(std::uint32_t size, bool clear) = 0;
  virtual bool Resize(std::uint32_t oldSize, std::uint32_t newSize, bool clear) = 0;
  // Answers true when the storage was given back.
  virtual bool Free() = 0;
  // Adds a lock and answers the address of byte `offset`; null on failure.
  virtual void* Lock(std::uint32_t offset) = 0;
  virtual bool Unlock() = 0;

  int Kind() const { return m_kind; }

  std::uint32_t size = 0;
  std::uint32_t lockCount = 0;
  CBlockRecord* next = nullptr;
  CBlockRecord* previous = nullptr;

 private:
  int m_kind;
};

// Kind 1: the record also exchanges its handle with the outside.
class CGlobalRecord : public CBlockRecord {
 public:
  CGlobalRecord() : CBlockRecord(1) {}
  bool Allocate(std::uint32_t size, bool clear) override;
  bool Resize(std::uint32_t oldSize, std::uint32_t newSize, bool clear) override;
  bool Free() override;
  void* Lock(std::uint32_t offset) override;
  bool Unlock() override;

  // Takes a live handle over as this record's storage, with its lock count.
  void Adopt(platform::GlobalHandle handle);
  // Gives the handle away; the record then holds nothing.
  platform::GlobalHandle Surrender();

 private:
  platform::GlobalHandle m_handle = nullptr;
};

// A record of `kind` 1 to 4, or null for any other code.
std::unique_ptr<CBlockRecord> MakeBlockRecord(int kind);
