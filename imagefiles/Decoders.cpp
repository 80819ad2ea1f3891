#include "imagefiles/Decoders.h"

#include <iterator>

#include "imagefiles/FileType.h"
#include "imagefiles/Picture.h"

namespace {

// Types whose decoder is not part of this build yet answer this.
template <const char* kName>
bool DecodeUnavailable(const std::uint8_t*, std::size_t, int, CPicture*, std::string* error) {
  *error = std::string(kName) + " decoder not available";
  return false;
}

constexpr char kJpegName[] = "JPEG";
constexpr char kPngName[] = "PNG";
constexpr char kTiffName[] = "TIFF";
constexpr char kMetafileName[] = "WMF/EMF";
constexpr char kJp2Name[] = "JP2";
constexpr char kJpcName[] = "JPC";

// Indexed by type code; entry 0 is unused.
const PictureDecoderEntry kDecoders[] = {
    {keFileTypeUnknown, "", nullptr},
    {keFileTypeBMP, "BMP", DecodeBmp},
    {keFileTypeGIF, "GIF", DecodeGif},
    {keFileTypeJPEG, kJpegName, DecodeJpeg},
    {keFileTypePNG, kPngName, DecodePng},
    {keFileTypeICO, "ICO", DecodeIco},
    {keFileTypeTIFF, kTiffName, DecodeTiff},
    {keFileTypeTGA, "TGA", DecodeTga},
    {keFileTypePCX, "PCX", DecodePcx},
    {keFileTypeWBMP, "WBMP", DecodeWbmp},
    {keFileTypeWMF, kMetafileName, DecodeWmf},
    {keFileTypeJP2, kJp2Name, DecodeJp2},
    {keFileTypeJPC, kJpcName, DecodeJpc},
    {keFileTypePGX, "PGX", DecodePgx},
    {keFileTypePNM, "PNM", DecodePnm},
    {keFileTypeRAS, "RAS", DecodeRas},
};
static_assert(std::size(kDecoders) == kLastFileType + 1, "one entry per type");

const PictureDecoderEntry* const kDetectionOrder[] = {
    &kDecoders[keFileTypeBMP],  &kDecoders[keFileTypeJPEG], &kDecoders[keFileTypeICO],
    &kDecoders[keFileTypeGIF],  &kDecoders[keFileTypePNG],  &kDecoders[keFileTypeTIFF],
    &kDecoders[keFileTypeTGA],  &kDecoders[keFileTypePCX],  &kDecoders[keFileTypeWBMP],
    &kDecoders[keFileTypeWMF],  &kDecoders[keFileTypeJP2],  &kDecoders[keFileTypeJPC],
    &kDecoders[keFileTypePGX],  &kDecoders[keFileTypePNM],  &kDecoders[keFileTypeRAS],
};

}  // namespace

const PictureDecoderEntry* FindDecoder(int type) {
  if (type < 1 || type > kLastFileType) return nullptr;
  return &kDecoders[type];
}

const PictureDecoderEntry* const* DetectionOrder(std::size_t* count) {
  *count = std::size(kDetectionOrder);
  return kDetectionOrder;
}
