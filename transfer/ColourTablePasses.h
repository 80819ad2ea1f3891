#pragma once
// The source's passes through its colour table (ColourTable.h): the
// conversion sums, the decorrelation and the output rows, each pixel's
// numbers looked up by its colour.  Every loop does the plane loops'
// operations in their order (ForwardPixels.cpp, TransferStatistics.cpp,
// OutputPixels.cpp), so the sums, statistics and bytes are the same bits.

#include <cstdint>
#include <functional>
#include <vector>

#include "transfer/ColourTable.h"
#include "transfer/TransferStatistics.h"

namespace transfer_detail {

class CWorkerThreads;

// Rows whose pixels hold colour numbers instead of colours: this flag or'd
// with the bytes per pixel (3 or 4) names them.
constexpr int kNumberedRows = 8;

// The six regression sums of one row (ForwardSlot) from the table's l,
// alpha, beta; unless `numbers` is null, each pixel's colour number is
// written over the first three bytes of the same pixel there (a row in the
// source's format, 3 or 4 bytes per pixel; it may be the source row).
void TableForwardSums(const CColourTable& table, const std::uint8_t* row, int bytesPerPixel, int width,
                      double sums[kForwardSlots], std::uint8_t* numbers = nullptr);
// The same built for AVX2 processors (their POPCNT counts the bits of a
// colour's cell), present where HaveAvx2TableSums() says so.
bool HaveAvx2TableSums();
void TableForwardSumsAvx2(const CColourTable& table, const std::uint8_t* row, int bytesPerPixel, int width,
                          double sums[kForwardSlots], std::uint8_t* numbers = nullptr);

// Rows the AVX2 loops take at once, one in each lane.
constexpr int kVectorRows = 4;

// The source pass over kVectorRows rows of `bytesPerPixel` (3 or 4) with
// the AVX2 loop (where HaveAvx2TableSums() says so), one row in each lane:
// each row's regression sums into sums[r] and its colour numbers over the
// pixels of numbers[r] (which may be rows[r]), as TableForwardSums.
void TableForwardSumsRowsAvx2(const CColourTable& table, const std::uint8_t* const* rows, int bytesPerPixel,
                              int width, double* const* sums, std::uint8_t* const* numbers);

// The output pass over kVectorRows numbered rows with the AVX2 loop, as
// TableOutputRow: each row's faded bytes written over its numbers, its
// sums of the blended R, G, B into sums[r].
void TableOutputRowsAvx2(const CColourTable& table, std::uint8_t* const* rows, int bytesPerPixel, int width,
                         double* const* sums);

// The decorrelation's passes through the table, one pixel loop each.
enum class TableStatisticsPass { kResiduals, kPlainResiduals, kSecondResiduals, kBetaSpreads };

// One pass over kVectorRows numbered rows of `bytesPerPixel` (3 or 4) with
// the AVX2 loop (present where HaveAvx2TableSums() says so): each row's
// sums into its record sums[r], the same as the plain loop's.
void TableStatisticsRowsAvx2(TableStatisticsPass pass, const CColourTable& table, const std::uint8_t* const* rows,
                             int bytesPerPixel, int width, const ImageStatistics& stats, double* const* sums);

// The decorrelation's passes over the rows (source rows of `bytesPerPixel`,
// or numbered rows: kNumberedRows | bytes per pixel); the stored residuals
// are written into the table, once per colour.  `avx2`: numbered rows go
// through TableStatisticsRowsAvx2 where they can.
class CTableStatistics : public CStatisticsPasses {
 public:
  CTableStatistics(CColourTable& table, const SourceRowAccess& rows, int width, int height, int rowKind,
                   std::vector<double>& rowSums, CWorkerThreads* workers, bool avx2)
      : m_table(table), m_rows(rows), m_width(width), m_height(height), m_rowKind(rowKind),
        m_rowSums(rowSums), m_workers(workers), m_avx2(avx2) {}
  void Residuals(bool decorrelate, const ImageStatistics& stats) override;
  void SecondResiduals(const ImageStatistics& stats) override;
  void BetaSpreads(const ImageStatistics& stats) override;

 private:
  // Calls pass.Rows<kRows, kKind>(rows, sums) for groups of rows of kind
  // kKind (m_rowKind) with their row records, in bands on the workers.
  template <typename Pass>
  void ForRows(const Pass& pass);
  // Calls colour(lab) for every colour of the table, in bands on the
  // workers.
  void ForColours(const std::function<void(float* lab)>& colour);

  CColourTable& m_table;
  const SourceRowAccess& m_rows;
  int m_width;
  int m_height;
  int m_rowKind;
  std::vector<double>& m_rowSums;
  CWorkerThreads* m_workers;
  bool m_avx2;  // numbered rows through the AVX2 loop
};

// One output row from the table's output entries: the faded bytes written in
// the source's format (the fourth byte of BGRA untouched, grey takes blue)
// and the sums of the blended R, G, B.  The colours are found from the
// source row, or when `numbered` from the numbers in the destination row.
// `source` and `destination` may be the same row.
void TableOutputRow(const CColourTable& table, const std::uint8_t* source, std::uint8_t* destination,
                    int bytesPerPixel, bool numbered, int width, double sums[3]);

}  // namespace transfer_detail
