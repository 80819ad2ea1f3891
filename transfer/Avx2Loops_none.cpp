// Builds without AVX2 code generation (other processors, other compilers):
// the AVX2 loops are absent, and the passes never choose them.
#include "transfer/ColourTablePasses.h"
#include "transfer/ForwardPixels.h"
#include "transfer/OutputPixels.h"

namespace transfer_detail {

bool HaveAvx2ForwardPixels() { return false; }
void ForwardPixelsAvx2(const ForwardKernel&, const std::uint8_t*, int, int, float*, float*, float*, double*,
                       std::uint64_t*) {}
bool HaveAvx2OutputPixels() { return false; }
void OutputPixelsAvx2(OutputRowData&, int, int) {}
bool HaveAvx2TableSums() { return false; }
void TableForwardSumsAvx2(const CColourTable&, const std::uint8_t*, int, int, double*, std::uint8_t*) {}
void TableForwardSumsRowsAvx2(const CColourTable&, const std::uint8_t* const*, int, int, double* const*,
                              std::uint8_t* const*) {}
void TableOutputRowsAvx2(const CColourTable&, std::uint8_t* const*, int, int, double* const*) {}
void TableStatisticsRowsAvx2(TableStatisticsPass, const CColourTable&, const std::uint8_t* const*, int, int,
                             const ImageStatistics&, double* const*) {}

}  // namespace transfer_detail
