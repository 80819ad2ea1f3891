// Fuzz target: CPicture::Decode with type 0, so every decoder of the
// detection order (own readers and library-backed ones) sees the input in
// turn, the way a template file of unknown type is read.
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > tintavofuzz::kMaxInputSize) return 0;
  CPicture picture;
  if (picture.Decode(data, size, 0)) {
    tintavofuzz::CheckPicture(picture);
  } else {
    tintavofuzz::CheckError(picture.GetLastErrorCode(), picture.GetLastError());
    if (picture.GetWidth() != 0 || picture.GetDIB() != nullptr) tintavofuzz::Broken("failed Decode left pixels");
  }
  return 0;
}
