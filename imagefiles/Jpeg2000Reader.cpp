// JPEG-2000 decoders through OpenJPEG, from memory: JP2 files (the box
// format, signature box first) and bare J2K/JPC code streams (SOC, SIZ).
//
// One component becomes an 8-bit grey picture, two grey with alpha, three or
// more 24 bits (a fourth component is alpha, or black ink for CMYK).  Samples
// of any precision are scaled to 0..255 (signed ones shifted first);
// subsampled components are read at the nearest sample; YCbCr (sYCC) is
// converted to RGB.  Palettes and channel definitions of JP2 files are
// applied by OpenJPEG.
//
// OpenJPEG reports through message handlers per codec: info and warnings are
// dropped, the first error is kept for the error text.  Limits: the picture
// size rule of CPicture and the bytes of all decoded components (OpenJPEG
// keeps 32 bits per sample) are checked after the header is read and before
// anything is decoded.

#include <cstdio>
#include <cstring>

#include <openjpeg.h>

#include "imagefiles/Decoders.h"
#include "imagefiles/Picture.h"

namespace {

// Bytes OpenJPEG may hold for the decoded components.
constexpr std::uint64_t kMaxComponentBytes = sizeof(void*) == 4 ? std::uint64_t(384) << 20 : std::uint64_t(1) << 30;

struct MemoryStream {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t position;
  char message[256];
  bool endReached;  // a read asked for bytes past the end
};

OPJ_SIZE_T ReadProc(void* buffer, OPJ_SIZE_T count, void* user) {
  auto* stream = static_cast<MemoryStream*>(user);
  if (stream->position >= stream->size) {
    stream->endReached = true;
    return static_cast<OPJ_SIZE_T>(-1);
  }
  const std::size_t left = stream->size - stream->position;
  const std::size_t n = count < left ? count : left;
  std::memcpy(buffer, stream->data + stream->position, n);
  stream->position += n;
  return n;
}

OPJ_OFF_T SkipProc(OPJ_OFF_T count, void* user) {
  auto* stream = static_cast<MemoryStream*>(user);
  if (count < 0) {
    const std::size_t back = static_cast<std::size_t>(-count);
    if (back > stream->position) return -1;
    stream->position -= back;
    return count;
  }
  const std::size_t left = stream->size - (stream->position < stream->size ? stream->position : stream->size);
  const std::size_t n = static_cast<std::uint64_t>(count) < left ? static_cast<std::size_t>(count) : left;
  stream->position += n;
  return static_cast<OPJ_OFF_T>(n);
}

OPJ_BOOL SeekProc(OPJ_OFF_T offset, void* user) {
  auto* stream = static_cast<MemoryStream*>(user);
  if (offset < 0 || static_cast<std::uint64_t>(offset) > stream->size) return OPJ_FALSE;
  stream->position = static_cast<std::size_t>(offset);
  return OPJ_TRUE;
}

void KeepError(const char* message, void* user) {
  auto* stream = static_cast<MemoryStream*>(user);
  if (stream->message[0] != '\0' || message == nullptr) return;
  std::snprintf(stream->message, sizeof stream->message, "%s", message);
  // OpenJPEG's messages end with a line break, some with a blank before it.
  std::size_t n = std::strlen(stream->message);
  while (n > 0 && (stream->message[n - 1] == '\n' || stream->message[n - 1] == '\r' || stream->message[n - 1] == ' ')) {
    stream->message[--n] = '\0';
  }
}

void Ignore(const char*, void*) {}

struct CodecGuard {
  opj_codec_t* codec = nullptr;
  opj_stream_t* stream = nullptr;
  opj_image_t* image = nullptr;
  CodecGuard() = default;
  ~CodecGuard() {
    if (image != nullptr) opj_image_destroy(image);
    if (stream != nullptr) opj_stream_destroy(stream);
    if (codec != nullptr) opj_destroy_codec(codec);
  }
  CodecGuard(const CodecGuard&) = delete;
  CodecGuard& operator=(const CodecGuard&) = delete;
};

// One component's sample for picture pixel (x, y), scaled to 0..255.
class ComponentReader {
 public:
  ComponentReader(const opj_image_t& image, const opj_image_comp_t& comp) : m_comp(comp), m_image(image) {
    const unsigned prec = comp.prec;
    m_max = (std::uint64_t(1) << prec) - 1;
    m_offset = comp.sgnd ? (std::int64_t(1) << (prec - 1)) : 0;
  }

  std::uint8_t At(std::uint32_t x, std::uint32_t y) const {
    std::int64_t column = static_cast<std::int64_t>((m_image.x0 + x) / m_comp.dx) - m_comp.x0;
    std::int64_t row = static_cast<std::int64_t>((m_image.y0 + y) / m_comp.dy) - m_comp.y0;
    column = column < 0 ? 0 : column >= m_comp.w ? m_comp.w - 1 : column;
    row = row < 0 ? 0 : row >= m_comp.h ? m_comp.h - 1 : row;
    std::int64_t v = static_cast<std::int64_t>(m_comp.data[row * m_comp.w + column]) + m_offset;
    if (v < 0) v = 0;
    if (static_cast<std::uint64_t>(v) > m_max) v = static_cast<std::int64_t>(m_max);
    if (m_max == 255) return static_cast<std::uint8_t>(v);
    return static_cast<std::uint8_t>((static_cast<std::uint64_t>(v) * 255 + m_max / 2) / m_max);
  }

 private:
  const opj_image_comp_t& m_comp;
  const opj_image_t& m_image;
  std::uint64_t m_max;
  std::int64_t m_offset;
};

std::uint8_t Clamp8(double v) { return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v + 0.5); }

bool Fail(PictureError* error, const char* format, const char* text, std::uint32_t code = keErrNoData) {
  *error = {code, std::string(format) + ": " + text};
  return false;
}

// OpenJPEG's own refusal: its first error message, and code 202 when it had
// asked for data past the end of the file.
bool FailWith(PictureError* error, const char* format, const MemoryStream& memory, const char* fallback) {
  return Fail(error, format, memory.message[0] != '\0' ? memory.message : fallback,
              memory.endReached ? keErrFileRead : keErrNoData);
}

bool Decode(const std::uint8_t* data, std::size_t size, OPJ_CODEC_FORMAT format, const char* name, CPicture* picture,
            PictureError* error) {
  MemoryStream memory{data, size, 0, {}, false};
  CodecGuard guard;
  guard.codec = opj_create_decompress(format);
  if (guard.codec == nullptr) return Fail(error, name, "decoder not available");
  opj_set_info_handler(guard.codec, Ignore, nullptr);
  opj_set_warning_handler(guard.codec, Ignore, nullptr);
  opj_set_error_handler(guard.codec, KeepError, &memory);
  opj_dparameters_t parameters;
  opj_set_default_decoder_parameters(&parameters);
  if (!opj_setup_decoder(guard.codec, &parameters)) return Fail(error, name, "decoder set-up failed");

  guard.stream = opj_stream_create(64 * 1024, OPJ_TRUE);
  if (guard.stream == nullptr) return Fail(error, name, "out of memory", keErrOutOfMemory);
  opj_stream_set_user_data(guard.stream, &memory, nullptr);
  opj_stream_set_user_data_length(guard.stream, size);
  opj_stream_set_read_function(guard.stream, ReadProc);
  opj_stream_set_skip_function(guard.stream, SkipProc);
  opj_stream_set_seek_function(guard.stream, SeekProc);

  if (!opj_read_header(guard.stream, guard.codec, &guard.image) || guard.image == nullptr) {
    return FailWith(error, name, memory, "bad header");
  }
  const opj_image_t& header = *guard.image;
  if (header.numcomps < 1 || header.x1 <= header.x0 || header.y1 <= header.y0) {
    return Fail(error, name, "empty picture");
  }
  const std::uint32_t width = header.x1 - header.x0;
  const std::uint32_t height = header.y1 - header.y0;
  const unsigned bpp = header.numcomps <= 2 ? 8 : 24;
  if (!CPicture::CheckSize(width, height, bpp, error)) return false;
  std::uint64_t componentBytes = 0;
  for (OPJ_UINT32 c = 0; c < header.numcomps; ++c) {
    const opj_image_comp_t& comp = header.comps[c];
    if (comp.dx == 0 || comp.dy == 0) return Fail(error, name, "bad component sampling");
    const std::uint64_t w = (std::uint64_t(width) + comp.dx - 1) / comp.dx + 1;
    const std::uint64_t h = (std::uint64_t(height) + comp.dy - 1) / comp.dy + 1;
    componentBytes += w * h * 4;
    if (componentBytes > kMaxComponentBytes) return Fail(error, name, "picture too large", keErrOutOfMemory);
  }

  if (!opj_decode(guard.codec, guard.stream, guard.image)) {
    return FailWith(error, name, memory, "decoding failed");
  }
  opj_end_decompress(guard.codec, guard.stream);  // trailing data does not matter
  const opj_image_t& image = *guard.image;
  const unsigned used = image.numcomps < 4 ? image.numcomps : 4;
  for (unsigned c = 0; c < used; ++c) {
    const opj_image_comp_t& comp = image.comps[c];
    if (comp.data == nullptr || comp.w == 0 || comp.h == 0 || comp.dx == 0 || comp.dy == 0) {
      return Fail(error, name, "component without samples");
    }
    if (comp.prec < 1 || comp.prec > 31) return Fail(error, name, "unsupported sample precision");
  }

  if (!picture->Create(width, height, bpp, error)) return false;
  const bool cmyk = image.color_space == OPJ_CLRSPC_CMYK && used == 4;
  const bool alpha = used == 2 || (used == 4 && !cmyk);
  if (bpp == 8) picture->SetGreyPalette();
  if (alpha && !picture->AlphaCreate(error)) return false;
  const bool ycc = image.color_space == OPJ_CLRSPC_SYCC && used >= 3;

  const ComponentReader c0(image, image.comps[0]);
  const ComponentReader c1(image, image.comps[used > 1 ? 1 : 0]);
  const ComponentReader c2(image, image.comps[used > 2 ? 2 : 0]);
  const ComponentReader c3(image, image.comps[used > 3 ? 3 : 0]);
  for (std::uint32_t y = 0; y < height; ++y) {
    const unsigned row = height - 1 - y;
    std::uint8_t* out = picture->GetBits(row);
    std::uint8_t* a = alpha ? picture->AlphaGetPointer(0, static_cast<long>(row)) : nullptr;
    for (std::uint32_t x = 0; x < width; ++x) {
      if (bpp == 8) {
        out[x] = c0.At(x, y);
        if (a != nullptr) a[x] = c1.At(x, y);
        continue;
      }
      unsigned r = c0.At(x, y), g = c1.At(x, y), b = c2.At(x, y);
      if (ycc) {
        const double luma = r, cb = g - 128.0, cr = b - 128.0;
        r = Clamp8(luma + 1.402 * cr);
        g = Clamp8(luma - 0.344136 * cb - 0.714136 * cr);
        b = Clamp8(luma + 1.772 * cb);
      } else if (cmyk) {
        const unsigned k = 255u - c3.At(x, y);
        r = ((255 - r) * k + 127) / 255;
        g = ((255 - g) * k + 127) / 255;
        b = ((255 - b) * k + 127) / 255;
      }
      out[3 * x] = static_cast<std::uint8_t>(b);
      out[3 * x + 1] = static_cast<std::uint8_t>(g);
      out[3 * x + 2] = static_cast<std::uint8_t>(r);
      if (a != nullptr) a[x] = c3.At(x, y);
    }
  }
  return true;
}

}  // namespace

bool DecodeJp2(const std::uint8_t* data, std::size_t size, int /*frame*/, CPicture* picture, PictureError* error) {
  // The signature box: length 12, type "jP  ", contents 0D 0A 87 0A.
  static const std::uint8_t kSignature[12] = {0, 0, 0, 12, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A};
  if (size < sizeof kSignature || std::memcmp(data, kSignature, sizeof kSignature) != 0) {
    return Fail(error, "JP2", "not a JP2 file");
  }
  return Decode(data, size, OPJ_CODEC_JP2, "JP2", picture, error);
}

bool DecodeJpc(const std::uint8_t* data, std::size_t size, int /*frame*/, CPicture* picture, PictureError* error) {
  // SOC, then SIZ.
  if (size < 4 || data[0] != 0xFF || data[1] != 0x4F || data[2] != 0xFF || data[3] != 0x51) {
    return Fail(error, "JPC", "not a JPEG-2000 code stream");
  }
  return Decode(data, size, OPJ_CODEC_J2K, "JPC", picture, error);
}
