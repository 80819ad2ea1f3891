#pragma once
// What the resampling filters share: the resolved job, and the row
// plumbing into and out of the working format.

#include <cstdint>
#include <memory>
#include <vector>

#include "image/ImageBuffer.h"
#include "image/Resample.h"
#include "image/RowOp.h"

namespace resample {

struct Job {
  CImageBuffer* destination = nullptr;
  const CImageBuffer* source = nullptr;
  ImageRect dst;      // destination rectangle, inside the destination
  ResampleRect src;   // source rectangle as given
  int area = 0;
  IRowProgress* progress = nullptr;
};

// Source rows in the working format.  A row is read from the source buffer
// (columns left to right) and converted when the formats differ.
class CSourceRows {
 public:
  // False when a conversion cannot be bound or memory is short.
  bool Init(const CImageBuffer& source, int workFormat, int left, int right);
  // Row y converted into `out` (room for the width in the working format).
  void Read(int y, std::uint8_t* out);
  // Row y in the working format: the buffer's own row when no conversion
  // is needed (then it stays held until Done), else converted into an
  // internal row.
  const std::uint8_t* Get(int y);
  void Done(int y);
  int Width() const { return m_right - m_left; }
  std::size_t RowBytes() const { return m_rowBytes; }

 private:
  const CImageBuffer* m_source = nullptr;
  int m_workFormat = 0;
  int m_left = 0, m_right = 0;
  std::size_t m_rowBytes = 0;
  CRowOp m_copy = CRowOp::Copy();
  CRowOpBinding m_binding;
  bool m_direct = false;
  std::vector<std::uint8_t> m_row;
};

// Destination rows from the working format.
class CDestinationRows {
 public:
  bool Init(CImageBuffer& destination, int workFormat, const ImageRect& rect);
  // Converts `work` (the rectangle's width in the working format) into
  // destination row `j` of the rectangle.
  void Write(int j, const std::uint8_t* work);

 private:
  CImageBuffer* m_destination = nullptr;
  ImageRect m_rect;
  int m_workFormat = 0;
  CRowOp m_copy = CRowOp::Copy();
  CRowOpBinding m_binding;
};

// The working format of modes 1 to 3 for a source access format, or 0 when
// those modes cannot take it.
int WorkFormat(int sourceFormat);
// 8-bit and 16-bit formats with 1 to 4 channels that are not indexed.
bool FilterFormat(int format);

// True when the progress object asks to stop before row j.
bool Stop(const Job& job, int j);

// sum[x] += row[x] for n values into 16-bit sums (at most 257 rows of
// 8-bit values before they are flushed): the plain loop and the SSE2 one
// (the plain loop where the build has no SSE2).  The area average picks
// one once per run.
void AddRowPlain(std::uint16_t* sum, const std::uint8_t* row, std::size_t n);
void AddRowSse2(std::uint16_t* sum, const std::uint8_t* row, std::size_t n);
bool HaveAddRowSse2();

int Nearest(const Job& job);
int Bilinear(const Job& job);
int Bicubic(const Job& job);
int Area(const Job& job);

}  // namespace resample
