#include "transfer/MatrixFile.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f != nullptr) std::fclose(f);
  }
};

std::int32_t Int32At(const std::uint8_t* p) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
                                   (static_cast<std::uint32_t>(p[2]) << 16) |
                                   (static_cast<std::uint32_t>(p[3]) << 24));
}

// The largest matrix accepted: its values alone would take 1 GiB.
constexpr std::uint64_t kMaxValues = 256ull * 1024 * 1024;

}  // namespace

MatrixReadResult ReadMatrixFile(const std::string& path, MatrixValues* matrix, std::string* error) {
  *matrix = MatrixValues();
  std::unique_ptr<std::FILE, FileCloser> f(std::fopen(path.c_str(), "r+b"));
  if (!f) {
    *error = "cannot be opened for reading and writing";
    return MatrixReadResult::kCannotOpen;
  }
  std::uint8_t header[kMatrixHeaderBytes];
  if (std::fread(header, 1, sizeof header, f.get()) != sizeof header) {
    *error = "shorter than its 77-byte header";
    return MatrixReadResult::kDamaged;
  }
  const std::int32_t width = Int32At(header);
  const std::int32_t height = Int32At(header + 4);
  if (width < 1 || height < 1) {
    *error = "announces " + std::to_string(width) + " x " + std::to_string(height) + " values";
    return MatrixReadResult::kDamaged;
  }
  const std::uint64_t count = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
  if (count > kMaxValues) {
    *error = "announces more values than this program reads";
    return MatrixReadResult::kDamaged;
  }
  // The file must hold every announced value: check its size before reading.
  if (std::fseek(f.get(), 0, SEEK_END) != 0) {
    *error = "cannot be measured";
    return MatrixReadResult::kDamaged;
  }
  const long size = std::ftell(f.get());
  if (size < static_cast<long>(kMatrixHeaderBytes) ||
      static_cast<std::uint64_t>(size) - kMatrixHeaderBytes < count * 4) {
    *error = "holds fewer values than its header announces";
    return MatrixReadResult::kDamaged;
  }
  std::fseek(f.get(), static_cast<long>(kMatrixHeaderBytes), SEEK_SET);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count) * 4);
  if (std::fread(bytes.data(), 1, bytes.size(), f.get()) != bytes.size()) {
    *error = "could not be read to the end";
    return MatrixReadResult::kDamaged;
  }
  matrix->width = width;
  matrix->height = height;
  matrix->values.resize(static_cast<std::size_t>(count));
  for (std::size_t i = 0; i < matrix->values.size(); ++i) {
    const std::uint32_t bits = static_cast<std::uint32_t>(Int32At(bytes.data() + 4 * i));
    std::memcpy(&matrix->values[i], &bits, 4);
  }
  return MatrixReadResult::kOk;
}

CStatus MatrixPicture(const MatrixValues& matrix, CImageBuffer* picture) {
  if (matrix.width < 1 || matrix.height < 1 ||
      matrix.values.size() != static_cast<std::size_t>(matrix.width) * static_cast<std::size_t>(matrix.height)) {
    return MakeStatus(keErrBadArgument);
  }
  float minimum = matrix.values[0];
  float maximum = matrix.values[0];
  for (float v : matrix.values) {
    if (v < minimum) minimum = v;
    if (v > maximum) maximum = v;
  }
  const float scale = 255.0f / (maximum - minimum);

  CStatus status = picture->CreateBGR(matrix.width, matrix.height);
  if (status.IsError()) return status;
  for (int y = 0; y < matrix.height; ++y) {
    CRowWriter row(*picture, y);
    if (!row) return MakeStatus(keErrNoData);
    const float* v = matrix.values.data() + static_cast<std::size_t>(y) * matrix.width;
    for (int x = 0; x < matrix.width; ++x) {
      const float scaled = (v[x] - minimum) * scale;
      // Equal values give 0 x infinity; values that are not numbers give no
      // order at all: both are drawn black.
      std::uint8_t byte = 0;
      if (scaled >= 0.0f && std::isfinite(scaled)) byte = scaled >= 255.0f ? 255 : static_cast<std::uint8_t>(scaled);
      row.Row()[3 * x] = row.Row()[3 * x + 1] = row.Row()[3 * x + 2] = byte;
    }
  }
  return CStatus();
}
