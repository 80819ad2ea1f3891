#pragma once
// CPictureJPG: the JPEG flavour of CPicture, with what a photograph carries
// besides its pixels.
//
// The template browser shows a thumbnail and a tooltip for every file of a
// folder; for photographs both come cheapest from the EXIF block a camera
// writes into the file's APP1 segment: a small JPEG of its own, the camera
// and the time the picture was taken.  CExifInfo is that record, read from
// the file's bytes without decoding any pixels (imagefiles/ExifReader.cpp);
// LoadThumbnail decodes the embedded thumbnail when it fits the picture, and
// otherwise the file itself at a reduced scale.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "imagefiles/Picture.h"

// A width and a height in pixels.
struct PictureSize {
  unsigned width = 0;
  unsigned height = 0;
};

class CPictureJPG : public CPicture {
 public:
  // The EXIF facts of one JPEG file.  Every field is optional: texts are
  // empty, numbers 0 and the thumbnail has no bytes when the file does not
  // say.
  class CExifInfo {
   public:
    // Reads the EXIF block (the first APP1 segment starting "Exif\0\0") and
    // the frame header's size of the JPEG file `data`.  Answers whether the
    // file is a JPEG file at all; its EXIF block may still be missing
    // (HasExif) or partly unreadable - what can be read is kept, and
    // `*error` (may be null) says what was skipped.
    bool Read(const std::uint8_t* data, std::size_t size, std::string* error = nullptr);
    // Reads an APP1 segment's contents (after the length field): "Exif\0\0",
    // then a TIFF header and its IFDs.  Answers false, with `*error` (may be
    // null) set, when the block is not EXIF or its structure is broken; the
    // fields read before the fault are kept.
    bool ReadApp1(const std::uint8_t* block, std::size_t size, std::string* error = nullptr);
    void Clear() { *this = CExifInfo(); }

    bool HasExif() const { return m_hasExif; }
    // IFD0 Make and Model, trailing blanks removed.
    const std::string& GetCameraMake() const { return m_cameraMake; }
    const std::string& GetCameraModel() const { return m_cameraModel; }
    // "year:month:day hour:minute:second" as the camera wrote it: the EXIF
    // DateTimeOriginal, else IFD0 DateTime.
    const std::string& GetDateTime() const { return m_dateTime; }
    // IFD0 Orientation (1..8), 0 when absent.
    unsigned GetOrientation() const { return m_orientation; }
    // The embedded thumbnail: a whole JPEG file (IFD1 JPEGInterchangeFormat
    // and its length), empty when none or when it lies outside the block.
    const std::vector<std::uint8_t>& GetThumbnail() const { return m_thumbnail; }
    bool HasThumbnail() const { return !m_thumbnail.empty(); }
    // The main picture's size: EXIF PixelXDimension and PixelYDimension,
    // else the frame header's; 0 when neither is known.
    unsigned GetWidth() const { return m_width != 0 && m_height != 0 ? m_width : m_frameWidth; }
    unsigned GetHeight() const { return m_width != 0 && m_height != 0 ? m_height : m_frameHeight; }
    // The size in the frame header (SOFn) alone.
    unsigned GetFrameWidth() const { return m_frameWidth; }
    unsigned GetFrameHeight() const { return m_frameHeight; }

   private:
    friend class CExifParser;
    bool m_hasExif = false;
    std::string m_cameraMake;
    std::string m_cameraModel;
    std::string m_dateTime;
    std::string m_ifd0DateTime;
    unsigned m_orientation = 0;
    std::vector<std::uint8_t> m_thumbnail;
    unsigned m_width = 0;
    unsigned m_height = 0;
    unsigned m_frameWidth = 0;
    unsigned m_frameHeight = 0;
  };

  explicit CPictureJPG(int frame = 0) : CPicture(frame) {}

  // A thumbnail of the JPEG file `path` for the template browser; `*size`
  // receives the full picture's width and height.  The EXIF thumbnail is
  // taken when there is one, at least minWidth x minHeight, whose aspect
  // (wider or taller than square) does not contradict the picture's; one
  // that does is discarded with "Bad thumbnail orientation" as the last
  // error.  Otherwise the whole file is decoded, reduced by libjpeg's DCT
  // scaling as far as the result stays at least minWidth x minHeight.  The
  // EXIF record is kept either way (GetExifInfo).
  bool LoadThumbnail(const std::string& path, PictureSize* size, unsigned minWidth, unsigned minHeight);

  // Reads only the EXIF record of `path` (no pixels).  False when the file
  // cannot be read or is no JPEG file.
  bool ReadExif(const std::string& path);

  const CExifInfo& GetExifInfo() const { return m_exif; }

 private:
  CExifInfo m_exif;
};
