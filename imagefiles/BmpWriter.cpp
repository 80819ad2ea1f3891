// BMP writing: 24 bits, bottom-up, rows padded to 4 bytes, 72 dpi.  A
// buffer with alpha gives its colours alone.

#include <cstring>

#include "imagefiles/PictureWriter_p.h"

namespace picturewrite {
namespace {

void Put16(unsigned char* p, unsigned v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
}
void Put32(unsigned char* p, std::uint32_t v) {
  Put16(p, v & 0xFFFF);
  Put16(p + 2, v >> 16);
}

}  // namespace

bool WriteBmp(const CImageBuffer& image, std::FILE* file, std::string* error) {
  const std::uint64_t stride = (static_cast<std::uint64_t>(image.Width()) * 3 + 3) & ~std::uint64_t{3};
  const std::uint64_t pixels = stride * static_cast<std::uint64_t>(image.Height());
  if (pixels + 54 > 0xFFFFFFFFull) {
    *error = "is too large for a BMP file";
    return false;
  }
  unsigned char header[54] = {};
  header[0] = 'B';
  header[1] = 'M';
  Put32(header + 2, static_cast<std::uint32_t>(pixels + 54));
  Put32(header + 10, 54);
  Put32(header + 14, 40);
  Put32(header + 18, static_cast<std::uint32_t>(image.Width()));
  Put32(header + 22, static_cast<std::uint32_t>(image.Height()));  // positive: bottom-up
  Put16(header + 26, 1);
  Put16(header + 28, 24);
  Put32(header + 34, static_cast<std::uint32_t>(pixels));
  Put32(header + 38, 2835);  // 72 dpi
  Put32(header + 42, 2835);
  if (std::fwrite(header, 1, sizeof header, file) != sizeof header) {
    *error = "could not be written";
    return false;
  }
  const int bytes = PixelBytes(image);
  std::vector<unsigned char> source(static_cast<std::size_t>(image.Width()) * bytes);
  std::vector<unsigned char> row(static_cast<std::size_t>(stride), 0);
  for (int y = image.Height() - 1; y >= 0; --y) {
    if (!FetchRow(image, y, source.data())) {
      *error = "row of the image cannot be read";
      return false;
    }
    if (bytes == 3) {
      std::memcpy(row.data(), source.data(), source.size());
    } else {
      for (int x = 0; x < image.Width(); ++x) std::memcpy(&row[3 * x], &source[4 * x], 3);
    }
    if (std::fwrite(row.data(), 1, row.size(), file) != row.size()) {
      *error = "could not be written";
      return false;
    }
  }
  return true;
}

}  // namespace picturewrite
