#include "image/RunRowOp.h"

#include "image/ImageBuffer.h"
#include "image/PixelFormat.h"
#include "image/RowProgress.h"

namespace {

bool Inside(const ImageRect& r, const CImageBuffer& buffer) {
  return !r.IsEmpty() && r.left >= 0 && r.top >= 0 && r.right <= buffer.Width() && r.bottom <= buffer.Height();
}

// Column of the run's first pixel as kernels count it: in stored rows for
// sub-byte formats (only they care, and their rows are never cached).
int KernelColumn(const CImageBuffer& buffer, int x) {
  return SubBytePixels(buffer.AccessFormat()) != 0 ? buffer.OriginX() + x : x;
}

}  // namespace

void FillJobSide(RowJob& job, const CImageBuffer& buffer, int x, int y, int count, std::uint8_t* row,
                 bool asSource) {
  if (asSource) {
    job.srcFormat = buffer.AccessFormat();
    job.src = row;
    job.srcPalette = buffer.Palette();
    job.srcPaletteCount = buffer.PaletteSize();
    job.srcX = KernelColumn(buffer, x);
    job.srcY = y;
    job.srcWidth = buffer.Width();
    job.srcHeight = buffer.Height();
  } else {
    job.dstFormat = buffer.AccessFormat();
    job.count = count;
    job.dst = row;
    job.dstPalette = buffer.Palette();
    job.dstPaletteCount = buffer.PaletteSize();
    job.dstX = KernelColumn(buffer, x);
    job.dstY = y;
    job.dstWidth = buffer.Width();
    job.dstHeight = buffer.Height();
  }
}

bool RunRowOp(const CRowOp& op, CImageBuffer& destination, const CImageBuffer* source,
              const ImageRect* destinationRect, const ImageRect* sourceRect, IRowProgress* progress) {
  if (destination.IsEmpty() || (source != nullptr && source->IsEmpty())) return false;
  const ImageRect whole{0, 0, destination.Width(), destination.Height()};
  const ImageRect d = destinationRect != nullptr ? *destinationRect : whole;
  ImageRect s = d;
  if (source != nullptr) s = sourceRect != nullptr ? *sourceRect : ImageRect{0, 0, source->Width(), source->Height()};
  // Both rectangles are checked before any row is touched.
  if (d.Width() != s.Width() || d.Height() != s.Height()) return false;
  if (!Inside(d, destination) || (source != nullptr && !Inside(s, *source))) return false;

  RowJob job;
  job.dstFormat = destination.AccessFormat();
  job.srcFormat = source != nullptr ? source->AccessFormat() : 0;
  CRowOpBinding binding;
  if (!op.Bind(binding, job, keLookupBest) && op.Kind() != keRoNOP) return false;

  const int rows = d.Height(), width = d.Width();
  if (progress != nullptr) progress->SetTotal(rows);
  for (int i = 0; i < rows; ++i) {
    if (progress != nullptr && progress->Step(i) != 0) return false;
    std::uint8_t* dstRow = nullptr;
    CStatus status = destination.GetRow(d.top + i, d.left, width, &dstRow);
    status.RaiseIfError();
    RowJob run;
    FillJobSide(run, destination, d.left, d.top + i, width, dstRow, false);
    bool ran = false;
    try {
      if (source != nullptr) {
        const std::uint8_t* srcRow = source->GetRow(s.top + i, s.left, width);
        FillJobSide(run, *source, s.left, s.top + i, width, const_cast<std::uint8_t*>(srcRow), true);
        ran = binding.Run(run);
        source->ReleaseRow(s.top + i);
      } else {
        ran = binding.Run(run);
      }
    } catch (...) {
      destination.ReleaseRow(d.top + i);
      throw;
    }
    destination.ReleaseRow(d.top + i);
    if (!ran && op.Kind() != keRoNOP) return false;
  }
  return true;
}
