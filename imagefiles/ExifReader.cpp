#include "imagefiles/ExifReader.h"

#include <string>
#include <vector>

#include "imagefiles/Decoders_p.h"

namespace {

// TIFF field types and their sizes in bytes (0: unknown type).
unsigned TypeSize(unsigned type) {
  switch (type) {
    case 1:   // BYTE
    case 2:   // ASCII
    case 6:   // SBYTE
    case 7:   // UNDEFINED
      return 1;
    case 3:   // SHORT
    case 8:   // SSHORT
      return 2;
    case 4:   // LONG
    case 9:   // SLONG
    case 11:  // FLOAT
    case 13:  // IFD
      return 4;
    case 5:   // RATIONAL
    case 10:  // SRATIONAL
    case 12:  // DOUBLE
      return 8;
    default:
      return 0;
  }
}

// Tags read.
constexpr unsigned kTagMake = 0x010F;
constexpr unsigned kTagModel = 0x0110;
constexpr unsigned kTagOrientation = 0x0112;
constexpr unsigned kTagDateTime = 0x0132;
constexpr unsigned kTagExifIfd = 0x8769;
constexpr unsigned kTagThumbnailOffset = 0x0201;  // JPEGInterchangeFormat
constexpr unsigned kTagThumbnailLength = 0x0202;  // JPEGInterchangeFormatLength
constexpr unsigned kTagDateTimeOriginal = 0x9003;
constexpr unsigned kTagPixelXDimension = 0xA002;
constexpr unsigned kTagPixelYDimension = 0xA003;

enum class Ifd { kZero, kExif, kOne };

void Note(std::string* error, const std::string& text) {
  if (error != nullptr && error->empty()) *error = "EXIF: " + text;
}

}  // namespace

// Reads the TIFF structure of one EXIF block into a CExifInfo.  A friend of
// the record, so it fills the private fields directly.
class CExifParser {
 public:
  CExifParser(const std::uint8_t* tiff, std::size_t size, CPictureJPG::CExifInfo* info)
      : m_tiff(tiff), m_size(size), m_info(info) {}

  bool Parse(std::string* error) {
    if (m_size < 8) {
      Note(error, "TIFF header cut short");
      return false;
    }
    if (m_tiff[0] == 'I' && m_tiff[1] == 'I') {
      m_bigEndian = false;
    } else if (m_tiff[0] == 'M' && m_tiff[1] == 'M') {
      m_bigEndian = true;
    } else {
      Note(error, "unknown byte order");
      return false;
    }
    if (U16(2) != 42) {
      Note(error, "bad TIFF header");
      return false;
    }
    m_info->m_hasExif = true;
    bool ok = true;
    std::uint32_t next = 0;
    std::uint32_t exifIfd = 0;
    ok = ReadIfd(U32(4), Ifd::kZero, &next, &exifIfd, error) && ok;
    if (exifIfd != 0) ok = ReadIfd(exifIfd, Ifd::kExif, nullptr, nullptr, error) && ok;
    if (next != 0) ok = ReadIfd(next, Ifd::kOne, nullptr, nullptr, error) && ok;
    if (m_info->m_dateTime.empty()) m_info->m_dateTime = m_info->m_ifd0DateTime;  // DateTimeOriginal wins
    ReadThumbnail(error);
    return ok;
  }

 private:
  struct Entry {
    unsigned tag;
    unsigned type;
    std::uint32_t count;
    std::uint64_t bytes;       // count x type size
    std::uint64_t valueAt;     // offset of the value in the block
  };

  // A value in the block's byte order; 0 unless all its bytes lie inside.
  std::uint16_t U16(std::uint64_t at) const {
    if (at + 2 > m_size) return 0;
    const picturedecode::ByteSpan in(m_tiff, m_size);
    return m_bigEndian ? in.BE16(static_cast<std::size_t>(at)) : in.LE16(static_cast<std::size_t>(at));
  }

  std::uint32_t U32(std::uint64_t at) const {
    if (at + 4 > m_size) return 0;
    const picturedecode::ByteSpan in(m_tiff, m_size);
    return m_bigEndian ? in.BE32(static_cast<std::size_t>(at)) : in.LE32(static_cast<std::size_t>(at));
  }

  // The first value of a SHORT or LONG entry; 0 for other types.
  std::uint32_t Number(const Entry& e) const {
    if (e.count < 1) return 0;
    if (e.type == 3) return U16(e.valueAt);
    if (e.type == 4) return U32(e.valueAt);
    return 0;
  }

  // An ASCII entry up to its first NUL, control characters as blanks,
  // trailing blanks removed, at most kExifMaxText bytes.
  std::string Text(const Entry& e) const {
    std::string text;
    if (e.type != 2) return text;
    for (std::uint64_t i = 0; i < e.bytes && text.size() < kExifMaxText; ++i) {
      const char c = static_cast<char>(m_tiff[e.valueAt + i]);
      if (c == '\0') break;
      text.push_back(static_cast<unsigned char>(c) < 0x20 ? ' ' : c);
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
  }

  bool ReadIfd(std::uint32_t offset, Ifd kind, std::uint32_t* next, std::uint32_t* exifIfd, std::string* error) {
    for (std::uint32_t seen : m_visited) {
      if (seen == offset) {
        Note(error, "directories form a loop");
        return false;
      }
    }
    m_visited.push_back(offset);
    if (offset < 8 || std::uint64_t(offset) + 2 > m_size) {
      Note(error, "directory offset outside the block");
      return false;
    }
    const unsigned count = U16(offset);
    if (count > kExifMaxEntries) {
      Note(error, "directory with too many entries");
      return false;
    }
    const std::uint64_t entries = std::uint64_t(offset) + 2;
    if (entries + std::uint64_t(count) * 12 > m_size) {
      Note(error, "directory cut short");
      return false;
    }
    bool ok = true;
    for (unsigned i = 0; i < count; ++i) {
      const std::uint64_t at = entries + std::uint64_t(i) * 12;
      Entry e{U16(at), U16(at + 2), U32(at + 4), 0, 0};
      const unsigned typeSize = TypeSize(e.type);
      if (typeSize == 0) continue;  // unknown types are skipped, as TIFF asks
      e.bytes = std::uint64_t(e.count) * typeSize;
      e.valueAt = e.bytes <= 4 ? at + 8 : U32(at + 8);
      if (e.valueAt + e.bytes > m_size) {
        Note(error, "value of tag " + std::to_string(e.tag) + " outside the block");
        ok = false;
        continue;
      }
      Take(e, kind, exifIfd);
    }
    if (next != nullptr) {
      const std::uint64_t nextAt = entries + std::uint64_t(count) * 12;
      *next = nextAt + 4 <= m_size ? U32(nextAt) : 0;
    }
    return ok;
  }

  void Take(const Entry& e, Ifd kind, std::uint32_t* exifIfd) {
    CPictureJPG::CExifInfo& info = *m_info;
    switch (kind) {
      case Ifd::kZero:
        if (e.tag == kTagMake) info.m_cameraMake = Text(e);
        if (e.tag == kTagModel) info.m_cameraModel = Text(e);
        if (e.tag == kTagDateTime) info.m_ifd0DateTime = Text(e);
        if (e.tag == kTagOrientation) {
          const std::uint32_t v = Number(e);
          info.m_orientation = v >= 1 && v <= 8 ? v : 0;
        }
        if (e.tag == kTagExifIfd && exifIfd != nullptr && (e.type == 4 || e.type == 13)) *exifIfd = U32(e.valueAt);
        break;
      case Ifd::kExif:
        if (e.tag == kTagDateTimeOriginal) info.m_dateTime = Text(e);
        if (e.tag == kTagPixelXDimension) info.m_width = Number(e);
        if (e.tag == kTagPixelYDimension) info.m_height = Number(e);
        break;
      case Ifd::kOne:
        if (e.tag == kTagThumbnailOffset && e.count == 1) m_thumbnailOffset = Number(e), m_haveOffset = true;
        if (e.tag == kTagThumbnailLength && e.count == 1) m_thumbnailLength = Number(e);
        break;
    }
  }

  void ReadThumbnail(std::string* error) {
    if (!m_haveOffset || m_thumbnailLength == 0) return;
    const std::uint64_t end = std::uint64_t(m_thumbnailOffset) + m_thumbnailLength;
    if (end > m_size || m_thumbnailLength < 4) {
      Note(error, "thumbnail outside the block");
      return;
    }
    const std::uint8_t* p = m_tiff + m_thumbnailOffset;
    if (p[0] != 0xFF || p[1] != 0xD8) {
      Note(error, "thumbnail is not a JPEG file");
      return;
    }
    m_info->m_thumbnail.assign(p, p + m_thumbnailLength);
  }

  const std::uint8_t* m_tiff;
  std::size_t m_size;
  CPictureJPG::CExifInfo* m_info;
  bool m_bigEndian = false;
  std::vector<std::uint32_t> m_visited;
  std::uint32_t m_thumbnailOffset = 0;
  std::uint32_t m_thumbnailLength = 0;
  bool m_haveOffset = false;
};

// ---------------------------------------------------------------------------

bool FindExifBlock(const std::uint8_t* data, std::size_t size, const std::uint8_t** block, std::size_t* blockSize,
                   unsigned* frameWidth, unsigned* frameHeight) {
  *block = nullptr;
  *blockSize = 0;
  *frameWidth = 0;
  *frameHeight = 0;
  if (size < 2 || data[0] != 0xFF || data[1] != 0xD8) return false;
  std::size_t p = 2;
  while (p + 1 < size) {
    if (data[p] != 0xFF) return true;  // not a marker: stop looking
    while (p < size && data[p] == 0xFF) ++p;  // fill bytes
    if (p >= size) return true;
    const unsigned marker = data[p++];
    if (marker == 0xD9 || marker == 0xDA) return true;  // end of image, start of scan
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no length
    if (p + 2 > size) return true;
    const std::size_t length = picturedecode::ByteSpan(data, size).BE16(p);
    if (length < 2) return true;
    const std::uint8_t* contents = data + p + 2;
    const std::size_t available = size - (p + 2);
    const std::size_t contentSize = length - 2 < available ? length - 2 : available;
    if (marker == 0xE1 && *block == nullptr && contentSize >= 6 && contents[0] == 'E' && contents[1] == 'x' &&
        contents[2] == 'i' && contents[3] == 'f' && contents[4] == 0 && contents[5] == 0) {
      *block = contents;
      *blockSize = contentSize;
    }
    const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame && *frameWidth == 0 && contentSize >= 5) {
      const picturedecode::ByteSpan frameHeader(contents, contentSize);
      *frameHeight = frameHeader.BE16(1);
      *frameWidth = frameHeader.BE16(3);
    }
    p += 2 + (length - 2);
  }
  return true;
}

bool CPictureJPG::CExifInfo::ReadApp1(const std::uint8_t* block, std::size_t size, std::string* error) {
  if (block == nullptr || size < 6 || block[0] != 'E' || block[1] != 'x' || block[2] != 'i' || block[3] != 'f' ||
      block[4] != 0 || block[5] != 0) {
    Note(error, "not an EXIF block");
    return false;
  }
  CExifParser parser(block + 6, size - 6, this);
  return parser.Parse(error);
}

bool CPictureJPG::CExifInfo::Read(const std::uint8_t* data, std::size_t size, std::string* error) {
  Clear();
  const std::uint8_t* block = nullptr;
  std::size_t blockSize = 0;
  if (!FindExifBlock(data, size, &block, &blockSize, &m_frameWidth, &m_frameHeight)) {
    Note(error, "not a JPEG file");
    return false;
  }
  if (block != nullptr) ReadApp1(block, blockSize, error);
  return true;
}
