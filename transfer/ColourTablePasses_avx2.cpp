// The source pass through the colour table for processors with AVX2, built
// with AVX2 code generation: every such processor counts bits with POPCNT,
// which finds a colour's number in a few instructions.
#include "transfer/ColourTablePixels_p.h"

namespace transfer_detail {

bool HaveAvx2TableSums() { return true; }

void TableForwardSumsAvx2(const CColourTable& table, const std::uint8_t* row, int bytesPerPixel, int width,
                          double sums[kForwardSlots], std::uint8_t* numbers) {
  TableForwardSumsWith<true>(table, row, bytesPerPixel, width, sums, numbers);
}

}  // namespace transfer_detail
