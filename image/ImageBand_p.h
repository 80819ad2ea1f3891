#pragma once
// The storage of an image buffer: one memory block per 128 rows, each held
// mapped for as long as the storage lives.

#include <cstdint>
#include <memory>
#include <vector>

#include "host/MemoryMapping.h"
#include "image/BitmapDesc.h"

class IMemoryBlock;

struct CImageBand {
  CImageBand() = default;
  ~CImageBand();
  CImageBand(const CImageBand&) = delete;
  CImageBand& operator=(const CImageBand&) = delete;

  IMemoryBlock* block = nullptr;  // one reference
  CMemoryMapping mapping;
  BitmapDesc desc;                // the whole band: top row, stride, rows
  std::uint64_t offset = 0;
  std::uint64_t size = 0;
  int holds = 0;                  // holds on the mapping
};

struct CImageBandTable {
  std::vector<std::unique_ptr<CImageBand>> bands;
};
