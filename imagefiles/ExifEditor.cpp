#include "imagefiles/ExifEditor.h"

#include <algorithm>
#include <cstring>

#include "imagefiles/ExifReader.h"

namespace {

constexpr unsigned kTagOrientation = 0x0112;
constexpr unsigned kTagSoftware = 0x0131;
constexpr unsigned kTagExifIfd = 0x8769;
constexpr unsigned kTagGpsIfd = 0x8825;
constexpr unsigned kTagInteropIfd = 0xA005;
constexpr unsigned kTagPixelXDimension = 0xA002;
constexpr unsigned kTagPixelYDimension = 0xA003;
constexpr unsigned kTypeAscii = 2;
constexpr unsigned kTypeShort = 3;
constexpr unsigned kTypeLong = 4;

// Bytes of one value of a TIFF field type (0: unknown type), and the size
// of the units its bytes are turned in when the byte order changes.
unsigned TypeSize(unsigned type) {
  switch (type) {
    case 1: case 2: case 6: case 7: return 1;
    case 3: case 8: return 2;
    case 4: case 9: case 11: case 13: return 4;
    case 5: case 10: case 12: return 8;
    default: return 0;
  }
}

unsigned SwapUnit(unsigned type) {
  switch (type) {
    case 5: case 10: return 4;  // numerator and denominator
    default: return TypeSize(type);
  }
}

bool HostIsBigEndian() {
  const std::uint16_t probe = 1;
  std::uint8_t first = 0;
  std::memcpy(&first, &probe, 1);
  return first == 0;
}

}  // namespace

CExifBlock::CExifBlock(std::vector<std::uint8_t> tiff) : m_bytes(std::move(tiff)) { Parse(); }

std::uint16_t CExifBlock::Get16(std::uint64_t at) const {
  if (at + 2 > m_bytes.size()) return 0;
  const std::uint8_t* p = m_bytes.data() + at;
  return m_bigEndian ? static_cast<std::uint16_t>((p[0] << 8) | p[1]) : static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t CExifBlock::Get32(std::uint64_t at) const {
  if (at + 4 > m_bytes.size()) return 0;
  const std::uint8_t* p = m_bytes.data() + at;
  return m_bigEndian ? (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3]
                     : (std::uint32_t(p[3]) << 24) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[1]) << 8) | p[0];
}

void CExifBlock::Put16(std::size_t at, std::uint16_t v) {
  std::uint8_t* p = m_bytes.data() + at;
  p[m_bigEndian ? 0 : 1] = static_cast<std::uint8_t>(v >> 8);
  p[m_bigEndian ? 1 : 0] = static_cast<std::uint8_t>(v);
}

void CExifBlock::Put32(std::size_t at, std::uint32_t v) {
  Put16(at + (m_bigEndian ? 0 : 2), static_cast<std::uint16_t>(v >> 16));
  Put16(at + (m_bigEndian ? 2 : 0), static_cast<std::uint16_t>(v));
}

bool CExifBlock::ReadDirectory(std::uint32_t offset, std::vector<Entry>* entries, std::uint32_t* nextAt) const {
  entries->clear();
  if (offset < 8 || std::uint64_t(offset) + 2 > m_bytes.size()) return false;
  const unsigned count = Get16(offset);
  if (count > kExifMaxEntries) return false;
  const std::uint64_t first = std::uint64_t(offset) + 2;
  if (first + std::uint64_t(count) * 12 > m_bytes.size()) return false;
  for (unsigned i = 0; i < count; ++i) {
    const std::uint64_t at = first + std::uint64_t(i) * 12;
    Entry e{static_cast<std::size_t>(at), Get16(at), Get16(at + 2), Get32(at + 4), 0, 0};
    e.bytes = std::uint64_t(e.count) * TypeSize(e.type);
    e.valueAt = e.bytes <= 4 ? at + 8 : Get32(at + 8);
    entries->push_back(e);
  }
  if (nextAt != nullptr) *nextAt = static_cast<std::uint32_t>(first + std::uint64_t(count) * 12);
  return true;
}

const CExifBlock::Entry* CExifBlock::Find(const std::vector<Entry>& entries, unsigned tag) const {
  for (const Entry& e : entries) {
    if (e.tag == tag && TypeSize(e.type) != 0 && e.valueAt + e.bytes <= m_bytes.size()) return &e;
  }
  return nullptr;
}

void CExifBlock::Parse() {
  m_valid = false;
  m_ifd0Entries.clear();
  m_exifEntries.clear();
  m_ifd1Entries.clear();
  m_ifd0 = m_exif = m_ifd1 = 0;
  m_ifd0NextAt = 0;
  if (m_bytes.size() < 8 || m_bytes.size() > kMaxBytes) return;
  if (m_bytes[0] == 'I' && m_bytes[1] == 'I') {
    m_bigEndian = false;
  } else if (m_bytes[0] == 'M' && m_bytes[1] == 'M') {
    m_bigEndian = true;
  } else {
    return;
  }
  if (Get16(2) != 42) return;
  m_ifd0 = Get32(4);
  std::uint32_t nextAt = 0;
  if (!ReadDirectory(m_ifd0, &m_ifd0Entries, &nextAt) || std::uint64_t(nextAt) + 4 > m_bytes.size()) {
    m_ifd0Entries.clear();
    return;
  }
  m_ifd0NextAt = nextAt;
  m_valid = true;
  if (const Entry* e = Find(m_ifd0Entries, kTagExifIfd); e != nullptr && e->count == 1 &&
                                                         (e->type == kTypeLong || e->type == 13)) {
    m_exif = Get32(e->valueAt);
    if (m_exif == m_ifd0 || !ReadDirectory(m_exif, &m_exifEntries, nullptr)) {
      m_exif = 0;
      m_exifEntries.clear();
    }
  }
  const std::uint32_t ifd1 = Get32(m_ifd0NextAt);
  if (ifd1 != 0 && ifd1 != m_ifd0 && ifd1 != m_exif && ReadDirectory(ifd1, &m_ifd1Entries, nullptr)) {
    m_ifd1 = ifd1;
  } else {
    m_ifd1Entries.clear();
  }
}

unsigned CExifBlock::Orientation() const {
  const Entry* e = Find(m_ifd0Entries, kTagOrientation);
  if (e == nullptr || e->type != kTypeShort || e->count < 1) return 0;
  const unsigned v = Get16(e->valueAt);
  return v >= 1 && v <= 8 ? v : 0;
}

void CExifBlock::SetOrientation(unsigned orientation) {
  const Entry* e = Find(m_ifd0Entries, kTagOrientation);
  if (e == nullptr || e->type != kTypeShort || e->count < 1) return;
  Put16(static_cast<std::size_t>(e->valueAt), static_cast<std::uint16_t>(orientation));
}

void CExifBlock::SetPixelSize(std::uint32_t width, std::uint32_t height) {
  for (const auto& [tag, value] : {std::make_pair(kTagPixelXDimension, width), std::make_pair(kTagPixelYDimension, height)}) {
    const Entry* e = Find(m_exifEntries, tag);
    if (e == nullptr || e->count != 1) continue;
    if (e->type == kTypeShort && value <= 0xFFFF) {
      Put16(static_cast<std::size_t>(e->valueAt), static_cast<std::uint16_t>(value));
    } else if (e->type == kTypeShort || e->type == kTypeLong) {
      // One value of either type lies inline in the entry.
      Put16(e->at + 2, kTypeLong);
      Put32(e->at + 8, value);
    }
  }
  Parse();
}

std::uint64_t CExifBlock::UsedEnd() const {
  std::uint64_t end = 8;
  auto cover = [&end](std::uint64_t e) { end = std::max(end, e); };
  auto coverDirectory = [&](std::uint32_t offset, const std::vector<Entry>& entries) {
    if (offset == 0) return;
    cover(std::uint64_t(offset) + 2 + 12 * std::uint64_t(entries.size()) + 4);
    for (const Entry& e : entries) {
      if (e.bytes > 4 && e.valueAt + e.bytes <= m_bytes.size()) cover(e.valueAt + e.bytes);
    }
  };
  coverDirectory(m_ifd0, m_ifd0Entries);
  coverDirectory(m_exif, m_exifEntries);
  // The GPS and interoperability directories are carried too.
  std::vector<Entry> entries;
  for (const auto& [list, tag] : {std::make_pair(&m_ifd0Entries, kTagGpsIfd), std::make_pair(&m_exifEntries, kTagInteropIfd)}) {
    const Entry* e = Find(*list, tag);
    if (e == nullptr || e->count != 1) continue;
    const std::uint32_t offset = Get32(e->valueAt);
    if (ReadDirectory(offset, &entries, nullptr)) coverDirectory(offset, entries);
  }
  return end;
}

void CExifBlock::DropThumbnail() {
  if (!m_valid || m_ifd1 == 0) return;
  // Where the thumbnail's directory and its values begin.
  std::uint64_t start = m_ifd1;
  for (const Entry& e : m_ifd1Entries) {
    if (e.bytes > 4) start = std::min<std::uint64_t>(start, e.valueAt);
    if (e.tag == 0x0201 && e.count == 1) start = std::min<std::uint64_t>(start, Get32(e.valueAt));
  }
  const std::uint64_t used = UsedEnd();
  Put32(m_ifd0NextAt, 0);
  if (used <= start && start < m_bytes.size()) m_bytes.resize(static_cast<std::size_t>(start));
  Parse();
}

bool CExifBlock::SetSoftware(const std::string& text) {
  if (!m_valid) return false;
  std::vector<std::uint8_t> value(text.begin(), text.end());
  value.push_back(0);
  const std::uint32_t count = static_cast<std::uint32_t>(value.size());
  const std::size_t aligned = (m_bytes.size() + 1) & ~std::size_t{1};

  if (const Entry* e = Find(m_ifd0Entries, kTagSoftware); e != nullptr && e->type == kTypeAscii) {
    if (value.size() <= 4) {
      std::uint8_t inlineBytes[4] = {0, 0, 0, 0};
      std::memcpy(inlineBytes, value.data(), value.size());
      std::memcpy(m_bytes.data() + e->at + 8, inlineBytes, 4);
    } else if (e->bytes >= value.size() && e->bytes > 4) {
      std::memset(m_bytes.data() + e->valueAt, 0, static_cast<std::size_t>(e->bytes));
      std::memcpy(m_bytes.data() + e->valueAt, value.data(), value.size());
    } else {
      if (aligned + value.size() > kMaxBytes) return false;
      const std::size_t at = e->at;
      m_bytes.resize(aligned, 0);
      m_bytes.insert(m_bytes.end(), value.begin(), value.end());
      Put32(at + 8, static_cast<std::uint32_t>(aligned));
    }
    Put32(e->at + 4, count);
    Parse();
    return true;
  }

  // No Software tag: IFD0 moves to the end of the block with the new entry
  // among the others in tag order; the old directory stays as unused bytes.
  const std::size_t entries = m_ifd0Entries.size() + 1;
  const std::size_t directoryBytes = 2 + 12 * entries + 4;
  const std::size_t valueAt = aligned + directoryBytes;
  const std::size_t total = valueAt + (value.size() > 4 ? value.size() : 0);
  if (total > kMaxBytes) return false;
  std::vector<std::uint8_t> moved(m_bytes);
  moved.resize(total, 0);
  const std::uint32_t next = Get32(m_ifd0NextAt);
  std::vector<const Entry*> order;
  for (const Entry& e : m_ifd0Entries) order.push_back(&e);
  std::swap(m_bytes, moved);  // Put16/Put32 write into the new bytes
  Put16(aligned, static_cast<std::uint16_t>(entries));
  std::size_t at = aligned + 2;
  bool placed = false;
  auto placeSoftware = [&]() {
    Put16(at, kTagSoftware);
    Put16(at + 2, kTypeAscii);
    Put32(at + 4, count);
    if (value.size() <= 4) {
      std::memset(m_bytes.data() + at + 8, 0, 4);
      std::memcpy(m_bytes.data() + at + 8, value.data(), value.size());
    } else {
      Put32(at + 8, static_cast<std::uint32_t>(valueAt));
      std::memcpy(m_bytes.data() + valueAt, value.data(), value.size());
    }
    at += 12;
    placed = true;
  };
  for (const Entry* e : order) {
    if (!placed && e->tag > kTagSoftware) placeSoftware();
    std::memcpy(m_bytes.data() + at, moved.data() + e->at, 12);
    at += 12;
  }
  if (!placed) placeSoftware();
  Put32(at, next);
  Put32(4, static_cast<std::uint32_t>(aligned));
  Parse();
  return true;
}

void CExifBlock::PrepareForOutput(std::uint32_t width, std::uint32_t height, const std::string& software) {
  if (!m_valid) return;
  if (Orientation() != 0) SetOrientation(1);
  SetPixelSize(width, height);
  DropThumbnail();
  (void)SetSoftware(software);
}

std::vector<ExifTag> CExifBlock::Tags(ExifDirectory directory) const {
  std::vector<ExifTag> tags;
  const std::vector<Entry>& entries = directory == ExifDirectory::kIfd0 ? m_ifd0Entries : m_exifEntries;
  const bool swap = m_bigEndian != HostIsBigEndian();
  for (const Entry& e : entries) {
    const unsigned size = TypeSize(e.type);
    if (size == 0 || e.valueAt + e.bytes > m_bytes.size()) continue;
    ExifTag tag;
    tag.tag = e.tag;
    tag.type = e.type;
    tag.count = e.count;
    tag.value.assign(m_bytes.begin() + static_cast<std::ptrdiff_t>(e.valueAt),
                     m_bytes.begin() + static_cast<std::ptrdiff_t>(e.valueAt + e.bytes));
    const unsigned unit = SwapUnit(e.type);
    if (swap && unit > 1) {
      for (std::size_t i = 0; i + unit <= tag.value.size(); i += unit) {
        std::reverse(tag.value.begin() + static_cast<std::ptrdiff_t>(i),
                     tag.value.begin() + static_cast<std::ptrdiff_t>(i + unit));
      }
    }
    tags.push_back(std::move(tag));
  }
  return tags;
}
