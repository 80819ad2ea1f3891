#pragma once
// Matrix files (extension "img"): a grid of float values shown as a grey
// picture instead of being used as a colour template.
//
// Layout, little-endian, no padding: int32 W, int32 H, 69 bytes of header
// fields this program does not use, then W x H float32 values row by row
// from the top.

#include <cstdint>
#include <string>
#include <vector>

#include "image/ImageBuffer.h"

constexpr std::size_t kMatrixHeaderBytes = 77;

struct MatrixValues {
  int width = 0;
  int height = 0;
  std::vector<float> values;  // row by row from the top
};

enum class MatrixReadResult { kOk, kCannotOpen, kDamaged };

// Reads a matrix file.  It is opened for update ("r+b"), so a file that
// cannot be written is refused like a missing one.  A header announcing
// fewer than one row or column, or more values than the file holds, is
// damaged; `*error` then says what is wrong.
MatrixReadResult ReadMatrixFile(const std::string& path, MatrixValues* matrix, std::string* error);

// The grey keFormatBGR picture of the values: min maps to 0, max to 255
// (scale 255 / (max - min) in float32, truncated).  When all values are equal,
// or a value is not a number, its bytes are 0.
[[nodiscard]] CStatus MatrixPicture(const MatrixValues& matrix, CImageBuffer* picture);
