#pragma once
// Moves pixels between the host's filter record and image buffers.
//
// The continue step reads the whole host image, and the selection mask when
// there is one, cropped to the bounding rectangle of the selection (the work
// rectangle); the user interface works on those buffers; on OK the source
// buffer, which by then holds the result, is written back into the host's
// output - only the work rectangle, only the planes that were read.

#include "host/FilterRecord.h"
#include "image/BitmapDesc.h"
#include "image/ImageBuffer.h"

class CHostExchange {
 public:
  CHostExchange() = default;
  virtual ~CHostExchange() = default;
  CHostExchange(const CHostExchange&) = delete;
  CHostExchange& operator=(const CHostExchange&) = delete;

  virtual CImageBuffer& SourceImage() { return m_source; }
  virtual CImageBuffer& MaskImage() { return m_mask; }
  virtual CImageBuffer& OriginalImage() { return m_original; }

  void SetFilterRecord(FilterRecord* record) { m_record = record; }
  FilterRecord* Record() const { return m_record; }

  // False without a filter record or for a pixel layout it does not handle.
  // Buffers that cannot be made are raised as CJException.
  bool ReadFromHost();
  // False (writing nothing) for a layout it does not write.
  bool WriteToHost();

  bool MaskInUse() const { return m_maskInUse != 0; }
  const ImageRect& WorkRect() const { return m_work; }

  // The bounding rectangle of the non-zero pixels of a grey buffer;
  // (0, 0, 0, 0) for an empty buffer.
  static ImageRect MaskBounds(CImageBuffer& buffer);

 private:
  CImageBuffer m_source;
  FilterRecord* m_record = nullptr;
  CImageBuffer m_mask;
  std::int32_t m_maskInUse = 0;
  CImageBuffer m_original;
  ImageRect m_work;
};
