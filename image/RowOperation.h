#pragma once
// The kinds of row operation.  The values are fixed: hosts and saved
// settings refer to them by number.  11 and 32 are unassigned.

#include <cstdint>

enum RowOperation : std::int32_t {
  keRoNOP = 0,
  keRoChannelConstant = 1,
  keRoChannelLUT = 2,
  keRoChannelGet = 3,
  keRoChannelSet = 4,
  keRoChannelCopy = 5,
  keRoChannelMulEqual = 6,
  keRoChannelLinear = 7,
  keRoRowAdjustLayer = 8,
  keRoRowArithmetic = 9,
  keRoRowBlend = 10,
  keRoRowBlendLayer = 12,
  keRoRowBlendSolid = 13,
  keRoRowCopy = 14,
  keRoRowCopyIndexed = 15,
  keRoRowCopyPalettedWithTransparencyIndex = 16,
  keRoRowDematte = 17,
  keRoRowErase = 18,
  keRoRowFill = 19,
  keRoRowHSLAdjust = 20,
  keRoRowHSLCopyChannel = 21,
  keRoRowRGBAdjust = 22,
  keRoRowInvert = 23,
  keRoRowMask = 24,
  keRoRowMaskOverSolid = 25,
  keRoRowMatte = 26,
  keRoRowMulEqual = 27,
  keRoRowNoise = 28,
  keRoRowReplaceColor = 29,
  keRoRowPlusEqual = 30,
  keRoRowTurbulence = 31,
  keRoHighPass = 33,
};

// The enumerator's name, or "Unknown" for a value that names no kind.
const char* RowOperationName(int kind);
