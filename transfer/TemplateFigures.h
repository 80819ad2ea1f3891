#pragma once
// What a repaint needs of its template, taken once so that many sources can
// be repainted with one template without converting it again each time:
// its statistics (which depend on whether the mode decorrelates), its R, G,
// B byte totals and its size for the check of the result's mean colour.
// The numbers are the ones a run with the template picture computes, so a
// run with them gives the same bytes.

#include <cstdint>

#include "transfer/TransferPasses.h"

struct TemplateFigures {
  bool ready = false;         // taken by CColorTransfer::AnalyseTemplate
  bool decorrelated = true;   // taken for a mode other than 1
  transfer_detail::ImageStatistics statistics;
  std::uint64_t byteTotals[3] = {0, 0, 0};  // R, G, B
  int width = 0;
  int height = 0;

  // Whether the figures serve a run in `mode`.
  bool Serve(int mode) const { return ready && decorrelated == (mode != 1); }
};
