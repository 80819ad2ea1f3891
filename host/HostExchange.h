#pragma once
// Moves pixels between the host's filter record and image buffers.
//
// The continue step reads the whole host image, and the selection mask when
// there is one, cropped to the bounding rectangle of the selection (the work
// rectangle); the user interface works on those buffers; on OK the source
// buffer, which by then holds the result, is written back into the host's
// output - only the work rectangle, only the planes that were read (the
// colour planes alone when the fourth plane is a layer mask).
//
// The host's record is not trusted: its rectangles, plane ranges, row bytes
// and buffers are checked against each other before a byte is read or
// written, and a record that does not add up is refused whole.  Host pixels
// lie as many bytes apart as the host delivers planes (inLoPlane to
// inHiPlane, outLoPlane to outHiPlane), whatever the document has.

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

  // False, with every buffer empty, without a filter record, for a pixel
  // layout it does not handle or for a record that does not add up.
  // Buffers that cannot be made are raised as CJException.
  [[nodiscard]] bool ReadFromHost();
  // False, writing nothing, without a source, for a layout it does not
  // handle, a record that does not add up, or a source that is no longer
  // what was read (format, size).  The caller must report a false answer:
  // the host's image did not change.
  [[nodiscard]] bool WriteToHost();

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
