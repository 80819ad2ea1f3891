// Fuzz target: the EXIF reader.  Each input is read twice: as a whole JPEG
// file (CExifInfo::Read: the marker walk to the APP1 segment, then the
// block) and as the contents of an APP1 segment (ReadApp1), so the fuzzer
// reaches the TIFF header and the directories without building markers.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/FuzzDecoder.h"
#include "imagefiles/ExifReader.h"
#include "imagefiles/PictureJpg.h"

namespace {

void Check(const CPictureJPG::CExifInfo& info, std::size_t size) {
  if (info.GetCameraMake().size() > kExifMaxText || info.GetCameraModel().size() > kExifMaxText ||
      info.GetDateTime().size() > kExifMaxText) {
    tintavofuzz::Broken("EXIF text longer than the limit");
  }
  if (info.GetThumbnail().size() > size) tintavofuzz::Broken("thumbnail larger than the input");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > tintavofuzz::kMaxInputSize) return 0;
  CPictureJPG::CExifInfo file;
  std::string error;
  file.Read(data, size, &error);
  Check(file, size);
  CPictureJPG::CExifInfo block;
  if (!block.ReadApp1(data, size, &error) && error.empty()) tintavofuzz::Broken("ReadApp1 false without a text");
  Check(block, size);
  return 0;
}
