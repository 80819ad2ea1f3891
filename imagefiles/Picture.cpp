#include "imagefiles/Picture.h"

#include <cstdlib>
#include <cstring>
#include <exception>
#include <limits>
#include <new>
#include <utility>
#include <vector>

#include "image/FileStream.h"
#include "image/Status.h"
#include "imagefiles/Decoders.h"

namespace {

const char kMaxMemoryText[] = "PICTURE_MAX_MEMORY exceeded";
const char kUnknownFormatText[] = "Decode: Unknown or wrong format";

}  // namespace

bool ReadPictureFile(const std::string& path, std::vector<std::uint8_t>* bytes, PictureError* error) {
  if (path.empty()) {
    *error = {keErrBadArgument, "Load: no file name"};
    return false;
  }
  try {
    CFileStream file(path);
    file.Open(keOpenRead);
    const std::uint64_t size = file.Size();
    if (size > kPictureMaxFileSize) {
      *error = {keErrOutOfMemory, "Load: file too large"};
      return false;
    }
    bytes->resize(static_cast<std::size_t>(size));
    if (size != 0) file.Read(bytes->data(), bytes->size(), true);
    return true;
  } catch (const CJException& e) {
    *error = e.Code() == keErrFileOpenRead ? PictureError{keErrFileOpenRead, "Load: cannot open the file"}
                                           : PictureError{keErrFileRead, "Load: cannot read the file"};
  } catch (const std::bad_alloc&) {
    *error = {keErrOutOfMemory, "Load: out of memory"};
  } catch (const std::exception&) {
    *error = {keErrFileRead, "Load: cannot read the file"};
  }
  bytes->clear();
  return false;
}

void CPicture::FreeDeleter::operator()(void* p) const noexcept { std::free(p); }

CPicture::CPicture(int frame) { SetFrame(frame); }

CPicture::~CPicture() = default;

void CPicture::Destroy() {
  m_dib.reset();
  m_alpha.reset();
  m_dibSize = 0;
  m_bits = nullptr;
  m_width = m_height = m_bpp = m_effWidth = m_numColors = 0;
  m_numFrames = 1;
  m_damage.clear();
}

void CPicture::Transfer(CPicture& other) {
  if (&other == this) return;
  Destroy();
  m_dib = std::move(other.m_dib);
  m_alpha = std::move(other.m_alpha);
  m_dibSize = other.m_dibSize;
  m_bits = other.m_bits;
  m_width = other.m_width;
  m_height = other.m_height;
  m_bpp = other.m_bpp;
  m_effWidth = other.m_effWidth;
  m_numColors = other.m_numColors;
  m_frame = other.m_frame;
  m_numFrames = other.m_numFrames;
  m_damage = std::move(other.m_damage);
  m_lastError = std::move(other.m_lastError);
  other.m_bits = nullptr;
  other.Destroy();
  other.m_lastError.Clear();
}

// ---------------------------------------------------------------------------
// Decoding

bool CPicture::Load(const std::string& path, int type) {
  Destroy();
  m_lastError.Clear();
  std::vector<std::uint8_t> bytes;
  if (!ReadPictureFile(path, &bytes, &m_lastError)) return false;
  const bool typed = type >= 1 && type <= 15;
  if (typed && DecodeWithType(bytes.data(), bytes.size(), type)) return true;
  const PictureError typedError = m_lastError;
  if (Decode(bytes.data(), bytes.size(), 0)) return true;
  if (typed) m_lastError = typedError;
  return false;
}

bool CPicture::Decode(const std::uint8_t* data, std::size_t size, int type) {
  Destroy();
  m_lastError.Clear();
  if (data == nullptr) size = 0;
  static const std::uint8_t kNothing = 0;
  if (data == nullptr) data = &kNothing;
  if (type != 0) return DecodeWithType(data, size, type);
  std::size_t count = 0;
  const PictureDecoderEntry* const* order = DetectionOrder(&count);
  for (std::size_t i = 0; i < count; ++i) {
    if (DecodeWithType(data, size, order[i]->type)) return true;
  }
  m_lastError = {keErrNoData, kUnknownFormatText};
  return false;
}

bool CPicture::DecodeWithType(const std::uint8_t* data, std::size_t size, int type) {
  Destroy();
  const PictureDecoderEntry* entry = FindDecoder(type);
  if (entry == nullptr) {
    m_lastError = {keErrBadArgument, "Decode: unknown file type " + std::to_string(type)};
    return false;
  }
  PictureError error;
  bool ok = false;
  try {
    ok = entry->decode(data, size, m_frame, this, &error);
  } catch (const std::bad_alloc&) {
    error = {keErrOutOfMemory, std::string(entry->name) + ": out of memory"};
  } catch (const std::exception& e) {
    error = {keErrNoData, std::string(entry->name) + ": " + e.what()};
  }
  if (ok && IsValid()) return true;
  Destroy();
  if (error.text.empty()) error.text = std::string(entry->name) + ": decoding failed";
  if (!error.IsError()) error.code = keErrNoData;
  m_lastError = error;
  return false;
}

// ---------------------------------------------------------------------------
// Building

bool CPicture::CheckSize(std::uint64_t width, std::uint64_t height, unsigned bpp, PictureError* error) {
  if (width == 0 || height == 0) {
    *error = {keErrNoData, "Picture: width and height must be greater than zero"};
    return false;
  }
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24) {
    *error = {keErrBadArgument, "Picture: bits per pixel must be 1, 4, 8 or 24"};
    return false;
  }
  // The DIB header holds signed 32-bit sizes.
  constexpr std::uint64_t kMaxSide = std::numeric_limits<std::int32_t>::max();
  if (width > kMaxSide || height > kMaxSide) {
    *error = {keErrOutOfMemory, kMaxMemoryText};
    return false;
  }
  // width x height < 2^62 here, so x 24 might overflow: divide instead.
  const std::uint64_t pixels = width * height;
  const std::uint64_t limitBits = kPictureMaxMemory * 256 + 255;  // bits / 256 > max <=> bits > this
  if (pixels > limitBits / bpp) {
    *error = {keErrOutOfMemory, kMaxMemoryText};
    return false;
  }
  const std::uint64_t stride = ((width * bpp + 31) / 32) * 4;
  const std::uint64_t bytes = stride * height + pixels;  // rows and a possible alpha plane
  if (bytes > kPictureMaxBytes || bytes > std::numeric_limits<std::size_t>::max() / 2) {
    *error = {keErrOutOfMemory, kMaxMemoryText};
    return false;
  }
  return true;
}

bool CPicture::Create(std::uint64_t width, std::uint64_t height, unsigned bpp, PictureError* error) {
  Destroy();
  if (!CheckSize(width, height, bpp, error)) return false;
  const unsigned numColors = bpp <= 8 ? (1u << bpp) : 0u;
  const std::size_t effWidth = static_cast<std::size_t>(((width * bpp + 31) / 32) * 4);
  const std::size_t imageSize = effWidth * static_cast<std::size_t>(height);
  const std::size_t headerSize = sizeof(PictureDibHeader) + numColors * sizeof(PictureRgbQuad);
  const std::size_t total = headerSize + imageSize;
  m_dib.reset(static_cast<std::uint8_t*>(std::calloc(total, 1)));
  if (m_dib == nullptr) {
    *error = {keErrOutOfMemory, "Picture: out of memory"};
    return false;
  }
  PictureDibHeader header{};
  header.biSize = sizeof(PictureDibHeader);
  header.biWidth = static_cast<std::int32_t>(width);
  header.biHeight = static_cast<std::int32_t>(height);
  header.biPlanes = 1;
  header.biBitCount = static_cast<std::uint16_t>(bpp);
  header.biCompression = 0;
  header.biSizeImage = imageSize > 0xFFFFFFFFu ? 0u : static_cast<std::uint32_t>(imageSize);
  header.biClrUsed = numColors;
  std::memcpy(m_dib.get(), &header, sizeof header);
  m_dibSize = total;
  m_bits = m_dib.get() + headerSize;
  m_width = static_cast<unsigned>(width);
  m_height = static_cast<unsigned>(height);
  m_bpp = bpp;
  m_effWidth = static_cast<unsigned>(effWidth);
  m_numColors = numColors;
  return true;
}

bool CPicture::AlphaCreate(PictureError* error) {
  if (!IsValid()) {
    *error = {keErrNoData, "Picture: no pixels for an alpha plane"};
    return false;
  }
  if (m_alpha != nullptr) return true;
  const std::size_t bytes = static_cast<std::size_t>(m_width) * m_height;
  m_alpha.reset(static_cast<std::uint8_t*>(std::malloc(bytes)));
  if (m_alpha == nullptr) {
    *error = {keErrOutOfMemory, "Picture: out of memory"};
    return false;
  }
  std::memset(m_alpha.get(), 255, bytes);
  return true;
}

void CPicture::AlphaDelete() { m_alpha.reset(); }

void CPicture::SetPaletteColor(unsigned index, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  PictureRgbQuad* palette = GetPalette();
  if (palette == nullptr || index >= m_numColors) return;
  palette[index].rgbRed = r;
  palette[index].rgbGreen = g;
  palette[index].rgbBlue = b;
  palette[index].rgbReserved = 0;
}

void CPicture::SetGreyPalette() {
  if (m_numColors < 2) return;
  for (unsigned i = 0; i < m_numColors; ++i) {
    const auto v = static_cast<std::uint8_t>(i * 255 / (m_numColors - 1));
    SetPaletteColor(i, v, v, v);
  }
}

// ---------------------------------------------------------------------------
// Reading

std::uint8_t* CPicture::GetBits(unsigned row) {
  if (m_bits == nullptr || row >= m_height) return nullptr;
  return m_bits + static_cast<std::size_t>(row) * m_effWidth;
}

const std::uint8_t* CPicture::GetBits(unsigned row) const {
  return const_cast<CPicture*>(this)->GetBits(row);
}

PictureRgbQuad* CPicture::GetPalette() {
  if (m_dib == nullptr || m_numColors == 0) return nullptr;
  return reinterpret_cast<PictureRgbQuad*>(m_dib.get() + sizeof(PictureDibHeader));
}

const PictureRgbQuad* CPicture::GetPalette() const { return const_cast<CPicture*>(this)->GetPalette(); }

std::uint8_t CPicture::GetPixelIndex(long x, long y) const {
  if (m_bits == nullptr || m_bpp > 8 || x < 0 || y < 0 || static_cast<unsigned long>(x) >= m_width ||
      static_cast<unsigned long>(y) >= m_height) {
    return 0;
  }
  const std::uint8_t* row = m_bits + static_cast<std::size_t>(y) * m_effWidth;
  const auto ux = static_cast<std::size_t>(x);
  switch (m_bpp) {
    case 8:
      return row[ux];
    case 4:
      return static_cast<std::uint8_t>((row[ux >> 1] >> ((ux & 1) ? 0 : 4)) & 0x0F);
    default:
      return static_cast<std::uint8_t>((row[ux >> 3] >> (7 - (ux & 7))) & 1);
  }
}

PictureRgbQuad CPicture::GetPixelColor(long x, long y, bool withAlpha) const {
  PictureRgbQuad colour;
  if (m_bits == nullptr || x < 0 || y < 0 || static_cast<unsigned long>(x) >= m_width ||
      static_cast<unsigned long>(y) >= m_height) {
    return colour;
  }
  if (m_bpp == 24) {
    const std::uint8_t* p = m_bits + static_cast<std::size_t>(y) * m_effWidth + static_cast<std::size_t>(x) * 3;
    colour.rgbBlue = p[0];
    colour.rgbGreen = p[1];
    colour.rgbRed = p[2];
  } else {
    colour = GetPalette()[GetPixelIndex(x, y)];  // indices never exceed 2^bpp - 1
  }
  colour.rgbReserved = 0;
  if (withAlpha) {
    const std::uint8_t* a = AlphaGetPointer(x, y);
    colour.rgbReserved = a != nullptr ? *a : 255;
  }
  return colour;
}

std::uint8_t* CPicture::AlphaGetPointer(long x, long y) {
  if (m_alpha == nullptr || x < 0 || y < 0 || static_cast<unsigned long>(x) >= m_width ||
      static_cast<unsigned long>(y) >= m_height) {
    return nullptr;
  }
  return m_alpha.get() + static_cast<std::size_t>(y) * m_width + static_cast<std::size_t>(x);
}

const std::uint8_t* CPicture::AlphaGetPointer(long x, long y) const {
  return const_cast<CPicture*>(this)->AlphaGetPointer(x, y);
}
