#include "imagefiles/Decoders.h"

#include <iterator>

#include "imagefiles/FileType.h"
#include "imagefiles/Picture.h"

namespace {

// Indexed by type code; entry 0 is unused.
const PictureDecoderEntry kDecoders[] = {
    {keFileTypeUnknown, "", nullptr},
    {keFileTypeBMP, "BMP", DecodeBmp},
    {keFileTypeGIF, "GIF", DecodeGif},
    {keFileTypeJPEG, "JPEG", DecodeJpeg},
    {keFileTypePNG, "PNG", DecodePng},
    {keFileTypeICO, "ICO", DecodeIco},
    {keFileTypeTIFF, "TIFF", DecodeTiff},
    {keFileTypeTGA, "TGA", DecodeTga},
    {keFileTypePCX, "PCX", DecodePcx},
    {keFileTypeWBMP, "WBMP", DecodeWbmp},
    {keFileTypeWMF, "WMF/EMF", DecodeWmf},
    {keFileTypeJP2, "JP2", DecodeJp2},
    {keFileTypeJPC, "JPC", DecodeJpc},
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
