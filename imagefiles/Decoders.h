#pragma once
// The picture decoders and the table that chooses between them.
//
// Every decoder has the same shape: it reads one whole file held in memory,
// builds `picture` (frame `frame` for multi-frame formats; a decoder of a
// single-frame format ignores it) and answers true, or answers false with
// `*error` saying what is wrong: a code of the kind of failure and a short
// text (PictureError, imagefiles/Picture.h).  Data that ends early is 202;
// data that is not, or not quite, this format is 110; a picture beyond the
// size limits is 102; a frame the file does not have is 101.  A decoder that
// makes a whole picture from damaged data answers true and says so with
// CPicture::SetDamaged.  A decoder never throws, never
// reads outside `data[0 .. size)` and allocates only after it has checked the
// sizes the file declares (CPicture::CheckSize, bytes present).  The picture
// it is given is empty; on failure the caller empties it again.
//
// To add a decoder: write `bool DecodeXxx(...)` with this signature in its own
// file, declare it below and put it into the table in Decoders.cpp.

#include <cstddef>
#include <cstdint>

class CPicture;
struct PictureError;

using PictureDecoder = bool (*)(const std::uint8_t* data, std::size_t size, int frame, CPicture* picture,
                                PictureError* error);

struct PictureDecoderEntry {
  int type;              // ImageFileType
  const char* name;      // for messages: "BMP", "JPEG", ...
  PictureDecoder decode;
};

// The decoder of a type (1 .. 15), null for anything else.  For types that
// share one code (WMF/EMF) the entry decodes all of them.
const PictureDecoderEntry* FindDecoder(int type);

// The decoders a type-0 decode tries, in this order: BMP, JPEG, ICO, GIF, PNG,
// TIFF, TGA, PCX, WBMP, WMF/EMF, then the JPEG-2000 family (JP2, JPC), PGX,
// PNM and Sun raster.
const PictureDecoderEntry* const* DetectionOrder(std::size_t* count);

// ---- the library-backed decoders ------------------------------------------------

// JPEG through libjpeg: grey, YCbCr/RGB, CMYK/YCCK (converted to RGB).
bool DecodeJpeg(const std::uint8_t* data, std::size_t size, int frame, CPicture* picture, PictureError* error);
// PNG through libpng: every colour type and depth, tRNS and alpha as the
// alpha plane, interlaced or not.
bool DecodePng(const std::uint8_t* data, std::size_t size, int frame, CPicture* picture, PictureError* error);
// TIFF through libtiff: directory `frame` (0: the first), strips or tiles.
bool DecodeTiff(const std::uint8_t* data, std::size_t size, int frame, CPicture* picture, PictureError* error);
// JPEG-2000 through OpenJPEG: JP2 files, and bare J2K/JPC code streams.
bool DecodeJp2(const std::uint8_t* data, std::size_t size, int frame, CPicture* picture, PictureError* error);
bool DecodeJpc(const std::uint8_t* data, std::size_t size, int frame, CPicture* picture, PictureError* error);

// ---- the own readers ---------------------------------------------------------------

// BMP file ("BM" file header) or, without a file header, a packed DIB as on
// the clipboard or in a .dib file.
bool DecodeBmp(const std::uint8_t* data, std::size_t size, int frame, CPicture* picture, PictureError* error);
// A packed DIB only (header, colour table, bits); used by ICO for its entries.
// `andMask`: the DIB holds twice its height, the lower half being the 1-bit
// transparency mask of an icon, which becomes the alpha plane.
bool DecodeDib(const std::uint8_t* data, std::size_t size, bool andMask, CPicture* picture,
               PictureError* error);
bool DecodeGif(const std::uint8_t* data, std::size_t size, int frame, CPicture* picture, PictureError* error);
bool DecodeIco(const std::uint8_t* data, std::size_t size, int frame, CPicture* picture, PictureError* error);
bool DecodeTga(const std::uint8_t* data, std::size_t size, int frame, CPicture* picture, PictureError* error);
bool DecodePcx(const std::uint8_t* data, std::size_t size, int frame, CPicture* picture, PictureError* error);
bool DecodeWbmp(const std::uint8_t* data, std::size_t size, int frame, CPicture* picture, PictureError* error);
bool DecodePnm(const std::uint8_t* data, std::size_t size, int frame, CPicture* picture, PictureError* error);
bool DecodePgx(const std::uint8_t* data, std::size_t size, int frame, CPicture* picture, PictureError* error);
bool DecodeRas(const std::uint8_t* data, std::size_t size, int frame, CPicture* picture, PictureError* error);
// WMF (with or without the placeable header) and EMF: GDI draws them on
// Windows; elsewhere the reader's own renderer draws the common records and
// refuses a file with the first record it cannot draw (imagefiles/MetafileReader.cpp).
bool DecodeWmf(const std::uint8_t* data, std::size_t size, int frame, CPicture* picture, PictureError* error);
