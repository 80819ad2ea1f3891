#pragma once
// CPicture: one decoded picture file.
//
// Whatever the file format, a decoded picture is held the way Windows draws
// it: a packed device-independent bitmap - a 40-byte BITMAPINFOHEADER, a
// colour table for 1, 4 and 8 bits per pixel, then the rows from the bottom
// up, each padded to a multiple of 4 bytes - with 1, 4, 8 or 24 bits per
// pixel, plus an optional alpha plane of one byte per pixel (also bottom-up,
// rows not padded).  Thumbnail drawing hands the DIB straight to the screen;
// everything else reads pixels through GetPixelColor.
//
// Decoding is done by plain functions, one per format, found through the
// decoder table (imagefiles/Decoders.h).  A decoder reads a whole file held in
// memory, creates the picture with Create (which enforces the size limit
// before anything is allocated), fills rows, palette and alpha, and answers
// false with an error (a code and a text, PictureError) when the data is not
// a picture it can read.  A decoder that reads a damaged or cut file but
// still makes a whole picture of it (libjpeg fills what is missing with grey)
// answers true and marks the picture damaged with the reason: the picture is
// usable, and whoever shows it to a person can say that it is not complete.
//
// Pixel memory is calloc'ed: pages a decoder never writes cost nothing.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "image/Status.h"

// Why a picture could not be decoded: a framework error code
// (image/Status.h) and a short text, "<format>: <what is wrong>".  The code
// tells the kinds of failure apart:
//   keErrNoData (110)        the bytes are not a picture this decoder reads:
//                            another format, a variant it does not support,
//                            or values that contradict each other
//   keErrFileRead (202)      the data ends before the picture does: a cut
//                            file, or a header declaring far more pixels
//                            than the data that follows can fill
//   keErrOutOfMemory (102)   the picture would pass the size limits below,
//                            or memory ran out
//   keErrBadArgument (101)   a frame the file does not have; a type code of
//                            no type
//   keErrFileOpenRead (201)  the file cannot be opened (Load only)
struct PictureError {
  std::uint32_t code = keErrNone;
  std::string text;

  bool IsError() const { return code != keErrNone; }
  void Clear() {
    code = keErrNone;
    text.clear();
  }
};

// The byte layout of a Windows RGBQUAD: blue, green, red, then alpha (zero in
// a colour table).
struct PictureRgbQuad {
  std::uint8_t rgbBlue = 0;
  std::uint8_t rgbGreen = 0;
  std::uint8_t rgbRed = 0;
  std::uint8_t rgbReserved = 0;
};
static_assert(sizeof(PictureRgbQuad) == 4, "RGBQUAD layout");

// The layout of a Windows BITMAPINFOHEADER, as it lies at the start of the
// packed DIB (little-endian fields on every supported platform).
struct PictureDibHeader {
  std::uint32_t biSize;
  std::int32_t biWidth;
  std::int32_t biHeight;  // positive: rows bottom-up
  std::uint16_t biPlanes;
  std::uint16_t biBitCount;
  std::uint32_t biCompression;  // always 0 (BI_RGB) here
  std::uint32_t biSizeImage;
  std::int32_t biXPelsPerMeter;
  std::int32_t biYPelsPerMeter;
  std::uint32_t biClrUsed;
  std::uint32_t biClrImportant;
};
static_assert(sizeof(PictureDibHeader) == 40, "BITMAPINFOHEADER layout");

// Pictures whose width x height x bits per pixel / 256 exceeds this are
// refused with "PICTURE_MAX_MEMORY exceeded".
constexpr std::uint64_t kPictureMaxMemory = 256000000;
// Independently of that rule, the DIB plus alpha plane may not exceed this
// many bytes ("PICTURE_MAX_MEMORY exceeded" as well): the rule above still
// admits 8 GB pictures, which a 32-bit plug-in can never hold.
constexpr std::uint64_t kPictureMaxBytes = std::uint64_t(1) << 30;
// Files larger than this are not read.
constexpr std::uint64_t kPictureMaxFileSize = std::uint64_t(256) << 20;

// Reads a whole picture file (at most kPictureMaxFileSize bytes) into
// `bytes`; false with a "Load: ..." error when it cannot: 201 when it cannot
// be opened, 202 when it cannot be read, 102 when it is too large.
bool ReadPictureFile(const std::string& path, std::vector<std::uint8_t>* bytes, PictureError* error);

class CPicture {
 public:
  // An empty picture that will decode `frame` (0: the first).
  explicit CPicture(int frame = 0);
  ~CPicture();
  CPicture(const CPicture&) = delete;
  CPicture& operator=(const CPicture&) = delete;
  // Moving is Transfer.
  CPicture(CPicture&& other) { Transfer(other); }
  CPicture& operator=(CPicture&& other) {
    Transfer(other);
    return *this;
  }

  // ---- decoding ------------------------------------------------------------

  // Decodes the file `path`.  With a type of 1..15 (ImageFileType) that
  // type's decoder is tried first; when it fails, or with type 0, every
  // decoder is tried in the detection order.  When both fail the error text
  // of the typed attempt is kept (with type 0: "Decode: Unknown or wrong
  // format").  On failure the picture is empty.
  bool Load(const std::string& path, int type);
  // One decoding pass over a file held in memory: the decoder of `type`, or
  // with type 0 all decoders in the detection order.  No fallback.
  bool Decode(const std::uint8_t* data, std::size_t size, int type);

  // The frame Load and Decode read: 0 is the first (the only one the plug-in
  // uses); others are meaningful for GIF animations.
  void SetFrame(int frame) { m_frame = frame < 0 ? 0 : frame; }
  int GetFrame() const { return m_frame; }
  // Frames the last decoded file holds (1 for single-frame formats).
  int GetNumFrames() const { return m_numFrames; }

  // The text of the last failure ("" when none) and its code (keErrNone
  // when none; see PictureError).
  const std::string& GetLastError() const { return m_lastError.text; }
  std::uint32_t GetLastErrorCode() const { return m_lastError.code; }

  // Whether the decoded picture came from damaged or cut data, and what the
  // decoder found ("" when the data was whole).  The picture is complete in
  // size; the parts the data did not describe hold what the decoder filled
  // in.  Cleared by every decode.
  bool IsDamaged() const { return !m_damage.empty(); }
  const std::string& GetDamage() const { return m_damage; }

  // Frees pixels, palette and alpha and forgets the damage; keeps the frame
  // selection.
  void Destroy();
  // Takes over everything `other` holds (pixels, alpha, frames, damage,
  // error); `other` is left empty.
  void Transfer(CPicture& other);

  // ---- reading -------------------------------------------------------------

  bool IsValid() const { return m_dib != nullptr; }
  unsigned GetWidth() const { return m_width; }
  unsigned GetHeight() const { return m_height; }
  // 1, 4, 8 or 24; 0 when empty.
  unsigned GetBpp() const { return m_bpp; }
  // Bytes per stored row (a multiple of 4).
  unsigned GetEffWidth() const { return m_effWidth; }
  // Colour-table entries: 2^bpp for 1, 4 and 8 bits, else 0.
  unsigned GetNumColors() const { return m_numColors; }

  // The packed DIB (header, colour table, rows) and its size in bytes; null
  // and 0 when empty.
  const std::uint8_t* GetDIB() const { return m_dib.get(); }
  std::size_t GetDIBSize() const { return m_dibSize; }
  // The stored row `row` counted from the bottom (0: the bottom row, the
  // start of the pixel bits); null when empty or out of range.
  std::uint8_t* GetBits(unsigned row = 0);
  const std::uint8_t* GetBits(unsigned row = 0) const;
  // The colour table (GetNumColors entries); null without one.
  PictureRgbQuad* GetPalette();
  const PictureRgbQuad* GetPalette() const;

  // The colour of pixel (x, y), y = 0 the bottom row, the palette resolved.
  // With `withAlpha` the fourth byte is the pixel's alpha (255 without an
  // alpha plane), otherwise 0.  Outside the picture: all four bytes 0.
  PictureRgbQuad GetPixelColor(long x, long y, bool withAlpha = true) const;
  // The palette index of pixel (x, y) for 1, 4 and 8 bits; 0 otherwise or
  // outside.
  std::uint8_t GetPixelIndex(long x, long y) const;

  bool AlphaIsValid() const { return m_alpha != nullptr; }
  // The alpha byte of pixel (x, y) (y = 0 the bottom row); the plane's rows
  // are GetWidth() bytes apart.  Null without a plane or outside.
  std::uint8_t* AlphaGetPointer(long x = 0, long y = 0);
  const std::uint8_t* AlphaGetPointer(long x = 0, long y = 0) const;

  // ---- building (for decoders) -------------------------------------------------

  // Whether a picture of this size may be created; otherwise `*error`
  // receives 102 "PICTURE_MAX_MEMORY exceeded" (or 110 and why the size is
  // not valid).  Decoders call it before allocating anything of their own.
  static bool CheckSize(std::uint64_t width, std::uint64_t height, unsigned bpp, PictureError* error);
  // Replaces the contents with a zeroed picture (colour table all black,
  // no alpha).  bpp is 1, 4, 8 or 24.
  bool Create(std::uint64_t width, std::uint64_t height, unsigned bpp, PictureError* error);
  // Adds an alpha plane, every pixel 255 (opaque).
  bool AlphaCreate(PictureError* error);
  void AlphaDelete();
  void SetPaletteColor(unsigned index, std::uint8_t r, std::uint8_t g, std::uint8_t b);
  // Fills the colour table with a grey ramp (0 .. 255 over its entries).
  void SetGreyPalette();
  void SetNumFrames(int frames) { m_numFrames = frames < 1 ? 1 : frames; }
  void SetLastError(const PictureError& error) { m_lastError = error; }
  // Marks the decoded picture as made from damaged data; `reason` says what
  // was wrong ("<format>: <what>").  The first reason is kept.
  void SetDamaged(const std::string& reason) {
    if (m_damage.empty()) m_damage = reason.empty() ? "damaged data" : reason;
  }

 private:
  struct FreeDeleter {
    void operator()(void* p) const noexcept;
  };

  bool DecodeWithType(const std::uint8_t* data, std::size_t size, int type);

  std::unique_ptr<std::uint8_t[], FreeDeleter> m_dib;
  std::size_t m_dibSize = 0;
  std::uint8_t* m_bits = nullptr;  // inside m_dib
  std::unique_ptr<std::uint8_t[], FreeDeleter> m_alpha;
  unsigned m_width = 0;
  unsigned m_height = 0;
  unsigned m_bpp = 0;
  unsigned m_effWidth = 0;
  unsigned m_numColors = 0;
  int m_frame = 0;
  int m_numFrames = 1;
  std::string m_damage;
  PictureError m_lastError;
};
