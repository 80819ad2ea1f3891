#pragma once
// CResample: scaling a rectangle of one image buffer into a rectangle of
// another with nearest neighbour (mode 0), bilinear (1), bicubic (2) or
// area average (3).  Modes 90, 91 and 92 choose by direction: the area
// average when shrinking (the destination is narrower or lower than the
// source), else 0, 1 or 2.  Indexed buffers are always scaled with mode 0.
//
// Modes 1 to 3 work in the premultiplied counterpart of the source's
// access format, so transparent pixels lend no colour to their
// neighbours; rows are converted with keRoRowCopy kernels on the way in
// and out.  Positions and weights are fixed point: 1/32 pixel for modes 1
// and 2, 16.16 for mode 3.  Every result is clamped to its channel's
// range and weights are normalised, so a flat picture stays flat at any
// factor.

#include "image/BitmapDesc.h"

class CImageBuffer;
class IRowProgress;

// A source rectangle in source pixels (fractions allowed).
struct ResampleRect {
  double left = 0;
  double top = 0;
  double right = 0;
  double bottom = 0;
  bool IsEmpty() const { return !(right > left) || !(bottom > top); }
};

enum ResampleMode : int {
  keResampleNearest = 0,
  keResampleBilinear = 1,
  keResampleBicubic = 2,
  keResampleArea = 3,
  keResampleAreaOrNearest = 90,
  keResampleAreaOrBilinear = 91,
  keResampleAreaOrBicubic = 92,
};

enum ResampleResult : int {
  keResampleDone = 0,
  keResampleStopped = 100,
  keResampleRefused = 101,
};

class CResample {
 public:
  // Empty or null rectangles mean the whole buffers.  `area` above 0 picks
  // the area average's sampling variant for reductions of 2 or more in both
  // directions: it averages every area-th row and column of each
  // destination pixel's whole source pixels.
  CResample(int mode, const ImageRect* destination = nullptr, const ResampleRect* source = nullptr, int area = 0);

  // Asked once per destination row; null for none.
  void SetProgress(IRowProgress* progress) { m_progress = progress; }

  // 0 done, 100 stopped through the progress object (rows written so far
  // stay written), 101 refused: a rectangle outside its buffer, an empty
  // buffer, a format the filter cannot take, or no memory for the working
  // rows.  Row access errors are raised as CJException.
  int Resample(CImageBuffer& destination, const CImageBuffer& source) const;

  // The filter Resample uses for these buffers: the automatic choice made,
  // indexed buffers at 0, and -1 for an identity copy.
  int ChosenMode(const CImageBuffer& destination, const CImageBuffer& source) const;

 private:
  int m_mode;
  ImageRect m_destination;
  ResampleRect m_source;
  int m_area;
  IRowProgress* m_progress = nullptr;
};
