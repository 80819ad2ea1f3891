#pragma once
// CExifBlock: an EXIF block carried from a source picture to an output, with
// the few edits the repaint makes necessary.
//
// The block is the TIFF structure a camera writes (byte-order mark, IFD0 with
// the camera's tags, the EXIF sub-IFD with exposure and date, IFD1 with the
// thumbnail).  It is carried as it is - maker notes and tags this program
// does not know included - and only edited where the output no longer
// matches it: the orientation becomes 1 (the output is written upright), the
// EXIF pixel size becomes the output's, the thumbnail (a small copy of the
// old colours) is dropped, and the Software tag names the program that wrote
// the file.  Values are patched in place; what does not fit goes to the end
// of the block, where offsets from the TIFF header still reach it.
//
// The block comes from files of any origin: every offset is checked against
// the block, each directory is read once, and a block whose structure is
// broken is refused as a whole (IsValid) so that nothing half-edited is
// written.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One tag of a directory, its values in this machine's byte order (each
// value of 2, 4 or 8 bytes turned as a whole; rationals as two 4-byte
// numbers).
struct ExifTag {
  unsigned tag = 0;
  unsigned type = 0;  // TIFF field type: 1 BYTE, 2 ASCII, 3 SHORT, 4 LONG, 5 RATIONAL, 7 UNDEFINED, ...
  std::uint32_t count = 0;
  std::vector<std::uint8_t> value;
};

enum class ExifDirectory { kIfd0, kExif };

class CExifBlock {
 public:
  // The largest block this program carries: what fits one JPEG APP1
  // segment after "Exif\0\0".
  static constexpr std::size_t kMaxBytes = 65533 - 6;

  // `tiff` is the TIFF structure (no "Exif\0\0" in front).
  explicit CExifBlock(std::vector<std::uint8_t> tiff);

  // Whether the structure could be read: a TIFF header and an IFD0 whose
  // entries lie inside the block.
  bool IsValid() const { return m_valid; }
  // IFD0 Orientation, 1..8; 0 when absent or out of range.
  unsigned Orientation() const;
  bool HasThumbnail() const { return m_ifd1 != 0; }

  // ---- edits ---------------------------------------------------------------
  // Each leaves the block as it was when it cannot be made.

  // Sets an existing IFD0 Orientation tag.
  void SetOrientation(unsigned orientation);
  // Sets the EXIF PixelXDimension and PixelYDimension that exist (a SHORT
  // that cannot hold the value becomes a LONG).
  void SetPixelSize(std::uint32_t width, std::uint32_t height);
  // Unlinks IFD1, the thumbnail's directory, and cuts the block after the
  // last byte anything else still refers to when the thumbnail lay behind it.
  void DropThumbnail();
  // Sets IFD0 Software to `text` (added when absent).  False when the block
  // would grow beyond kMaxBytes.
  bool SetSoftware(const std::string& text);

  // All of the above for a repainted picture of width x height, upright.
  void PrepareForOutput(std::uint32_t width, std::uint32_t height, const std::string& software);

  const std::vector<std::uint8_t>& Bytes() const { return m_bytes; }
  // The tags of a directory in their order (known types only; values that
  // lie outside the block are left out).
  std::vector<ExifTag> Tags(ExifDirectory directory) const;

 private:
  struct Entry {
    std::size_t at;  // offset of the 12-byte entry
    unsigned tag;
    unsigned type;
    std::uint32_t count;
    std::uint64_t bytes;
    std::uint64_t valueAt;
  };

  void Parse();
  bool ReadDirectory(std::uint32_t offset, std::vector<Entry>* entries, std::uint32_t* nextAt) const;
  const Entry* Find(const std::vector<Entry>& entries, unsigned tag) const;
  std::uint16_t Get16(std::uint64_t at) const;
  std::uint32_t Get32(std::uint64_t at) const;
  void Put16(std::size_t at, std::uint16_t v);
  void Put32(std::size_t at, std::uint32_t v);
  // The end of the bytes IFD0, the EXIF, GPS and interoperability
  // directories and their values use.
  std::uint64_t UsedEnd() const;

  std::vector<std::uint8_t> m_bytes;
  bool m_valid = false;
  bool m_bigEndian = false;
  std::uint32_t m_ifd0 = 0;
  std::vector<Entry> m_ifd0Entries;
  std::size_t m_ifd0NextAt = 0;  // where IFD0's link to IFD1 lies
  std::uint32_t m_exif = 0;
  std::vector<Entry> m_exifEntries;
  std::uint32_t m_ifd1 = 0;
  std::vector<Entry> m_ifd1Entries;
};
