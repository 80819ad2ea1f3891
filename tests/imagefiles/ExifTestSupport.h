#pragma once
// Building EXIF blocks (the contents of a JPEG APP1 segment) field by field
// for the EXIF and thumbnail tests.

#include <cstdint>
#include <string>
#include <vector>

#include "tests/imagefiles/PictureTestSupport.h"

namespace picturetest {

struct Tag {
  std::uint16_t tag;
  std::uint16_t type;   // 2 ASCII, 3 SHORT, 4 LONG, 7 UNDEFINED
  std::uint32_t count;
  Bytes value;          // already in the block's byte order; > 4 bytes go to the data area
};

// Lays out "Exif\0\0", the TIFF header, IFD0, the EXIF sub-IFD, IFD1 and then
// the data area (long values, the thumbnail).  Positions of interesting
// fields (counted from the TIFF header, as EXIF offsets are) are kept so the
// tests can break them afterwards with Put32/Put16.
class ExifBlock {
 public:
  explicit ExifBlock(bool bigEndian) : m_big(bigEndian) {}

  Bytes Short(unsigned v) const {
    Bytes b;
    Put(&b, v, 2);
    Put(&b, 0, 2);  // padding to 4 bytes
    return b;
  }
  Bytes Long(std::uint32_t v) const {
    Bytes b;
    Put(&b, v, 4);
    return b;
  }
  static Tag Ascii(std::uint16_t tag, const std::string& text) {
    Bytes b(text.begin(), text.end());
    b.push_back(0);
    return {tag, 2, static_cast<std::uint32_t>(b.size()), b};
  }

  std::vector<Tag> ifd0, exif, ifd1;
  Bytes thumbnail;

  Bytes Build() {
    const std::size_t ifd0Count = ifd0.size() + (exif.empty() ? 0 : 1);
    const std::size_t ifd1Count = ifd1.size() + (thumbnail.empty() ? 0 : 2);
    m_ifd0At = 8;
    m_exifAt = m_ifd0At + IfdSize(ifd0Count);
    m_ifd1At = m_exifAt + (exif.empty() ? 0 : IfdSize(exif.size()));
    m_dataAt = m_ifd1At + (ifd1Count == 0 ? 0 : IfdSize(ifd1Count));
    // The data area: the long values in IFD order, then the thumbnail last.
    std::size_t longValues = 0;
    for (const std::vector<Tag>* tags : {&ifd0, &exif, &ifd1}) {
      for (const Tag& t : *tags) longValues += t.value.size() > 4 ? t.value.size() : 0;
    }
    m_data.clear();
    m_thumbnailAt = static_cast<std::uint32_t>(m_dataAt + longValues);
    std::vector<Tag> zero = ifd0;
    if (!exif.empty()) zero.push_back({0x8769, 4, 1, Long(static_cast<std::uint32_t>(m_exifAt))});
    std::vector<Tag> one = ifd1;
    if (!thumbnail.empty()) {
      one.push_back({0x0201, 4, 1, Long(m_thumbnailAt)});
      one.push_back({0x0202, 4, 1, Long(static_cast<std::uint32_t>(thumbnail.size()))});
    }

    Bytes tiff;
    Append(&tiff, m_big ? "MM" : "II");           // byte order
    Put(&tiff, 42, 2);                            // TIFF magic
    Put(&tiff, static_cast<std::uint32_t>(m_ifd0At), 4);  // offset of IFD0
    WriteIfd(&tiff, zero, one.empty() ? 0 : static_cast<std::uint32_t>(m_ifd1At), &m_ifd0Next);
    if (!exif.empty()) WriteIfd(&tiff, exif, 0, nullptr);
    if (!one.empty()) WriteIfd(&tiff, one, 0, nullptr);
    Append(&tiff, m_data);
    Append(&tiff, thumbnail);
    Bytes block;
    Append(&block, "Exif");
    block.push_back(0);
    block.push_back(0);
    Append(&block, tiff);
    return block;
  }

  // Field positions, from the TIFF header.
  std::size_t Ifd0At() const { return m_ifd0At; }
  std::size_t Ifd0NextAt() const { return m_ifd0Next; }
  std::size_t EntryAt(std::size_t ifdAt, unsigned index) const { return ifdAt + 2 + 12 * index; }
  std::size_t ExifAt() const { return m_exifAt; }

  // Overwrites a field of a built block (`at` counted from the TIFF header).
  void Put32(Bytes* block, std::size_t at, std::uint32_t v) const { PutAt(block, 6 + at, v, 4); }
  void Put16(Bytes* block, std::size_t at, unsigned v) const { PutAt(block, 6 + at, v, 2); }

 private:
  static std::size_t IfdSize(std::size_t count) { return 2 + 12 * count + 4; }

  void Put(Bytes* b, std::uint32_t v, int bytes) const {
    for (int i = 0; i < bytes; ++i) {
      const int shift = m_big ? 8 * (bytes - 1 - i) : 8 * i;
      b->push_back(static_cast<std::uint8_t>(v >> shift));
    }
  }
  void PutAt(Bytes* b, std::size_t at, std::uint32_t v, int bytes) const {
    Bytes field;
    Put(&field, v, bytes);
    for (int i = 0; i < bytes; ++i) (*b)[at + static_cast<std::size_t>(i)] = field[static_cast<std::size_t>(i)];
  }

  void WriteIfd(Bytes* tiff, const std::vector<Tag>& tags, std::uint32_t next, std::size_t* nextAt) {
    Put(tiff, static_cast<std::uint32_t>(tags.size()), 2);  // entry count
    for (const Tag& t : tags) {
      Put(tiff, t.tag, 2);    // tag
      Put(tiff, t.type, 2);   // type
      Put(tiff, t.count, 4);  // count
      if (t.value.size() <= 4) {
        Bytes inline4 = t.value;
        inline4.resize(4, 0);
        Append(tiff, inline4);  // value inline
      } else {
        Put(tiff, static_cast<std::uint32_t>(m_dataAt + m_data.size()), 4);  // offset of the value
        Append(&m_data, t.value);
      }
    }
    if (nextAt != nullptr) *nextAt = tiff->size();
    Put(tiff, next, 4);  // next IFD
  }

  bool m_big;
  std::size_t m_ifd0At = 0, m_exifAt = 0, m_ifd1At = 0, m_dataAt = 0, m_ifd0Next = 0;
  std::uint32_t m_thumbnailAt = 0;
  Bytes m_data;
};

// `exif` as a JPEG APP1 segment: marker, big-endian length, the block.
inline void AppendApp1(Bytes* j, const Bytes& exif) {
  const std::size_t length = exif.size() + 2;
  j->push_back(0xFF);
  j->push_back(0xE1);
  j->push_back(static_cast<std::uint8_t>(length >> 8));
  j->push_back(static_cast<std::uint8_t>(length));
  Append(j, exif);
}

// A JPEG file with `exif` as an APP1 segment right after its start of image
// marker: `jpeg` is a whole JPEG file.
inline Bytes InsertExif(const Bytes& jpeg, const Bytes& exif) {
  Bytes j(jpeg.begin(), jpeg.begin() + 2);                 // SOI
  AppendApp1(&j, exif);
  j.insert(j.end(), jpeg.begin() + 2, jpeg.end());         // the rest of the file
  return j;
}

}  // namespace picturetest
