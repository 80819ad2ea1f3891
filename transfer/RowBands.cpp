#include "transfer/RowBands.h"

#include "transfer/WorkerThreads.h"

namespace transfer_detail {

int BandRows(int width) {
  constexpr int kBandPixels = 1 << 16;
  if (width <= 0) return 64;
  const int rows = kBandPixels / width;
  return rows < 1 ? 1 : rows > 64 ? 64 : rows;
}

bool RunRowBands(CWorkerThreads* workers, int rows, int bandRows,
                 const std::function<void(int y0, int y1, int worker)>& body, const std::function<bool()>& afterBand) {
  if (rows <= 0) return true;
  if (bandRows < 1) bandRows = 1;
  const int bands = (rows + bandRows - 1) / bandRows;
  auto band = [&](int index, int worker) {
    const int y0 = index * bandRows;
    const int y1 = rows - y0 < bandRows ? rows : y0 + bandRows;
    body(y0, y1, worker);
  };
  if (workers == nullptr) {
    for (int index = 0; index < bands; ++index) {
      band(index, 0);
      if (afterBand && !afterBand()) return false;
    }
    return true;
  }
  return workers->Run(bands, band, afterBand);
}

}  // namespace transfer_detail
