#pragma once
// Running a row operation over two image buffers, row by row.

#include "image/BitmapDesc.h"
#include "image/RowOp.h"

class CImageBuffer;
class IRowProgress;

// Runs `op` over the destination rectangle of `destination` with the
// source rectangle of `source` (null rectangles: the whole buffers; a null
// source for operations without one), in the buffers' access formats.
// True when every row was processed.  False, with nothing written, when
// the rectangles differ in width or height, either lies outside its buffer,
// a buffer is empty, or no kernel can be bound for the pair of formats;
// false when the progress object asks to stop (rows done stay done) or
// when the conversion buffers of a row cannot be allocated.  Row access
// errors are raised as CJException.
bool RunRowOp(const CRowOp& op, CImageBuffer& destination, const CImageBuffer* source,
              const ImageRect* destinationRect = nullptr, const ImageRect* sourceRect = nullptr,
              IRowProgress* progress = nullptr);

// The job record for one row of `buffer` from column `x`, `count` pixels,
// filled as a destination (or as a source when `asSource`), with `row` the
// pointer GetRow gave.  Other image code uses it to run bindings itself.
void FillJobSide(RowJob& job, const CImageBuffer& buffer, int x, int y, int count, std::uint8_t* row,
                 bool asSource);
