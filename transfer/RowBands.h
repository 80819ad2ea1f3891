#pragma once
// Rows of a pass cut into bands and shared out to worker threads.
//
// A band is a run of consecutive rows that one thread does alone, top to
// bottom; bands are handed out in order as threads come free.  Its size
// keeps a band at a few tens of thousands of pixels: large enough that
// handing it out costs nothing, small enough that the threads finish
// together and that a request to stop is heard within one band.

#include <functional>

namespace transfer_detail {

class CWorkerThreads;

// Rows per band for rows of `width` pixels.
int BandRows(int width);

// Calls body(y0, y1, worker) for bands [y0, y1) covering rows 0..rows-1, on
// `workers` (on the calling thread alone when null), and afterBand() on the
// calling thread after each band (see CWorkerThreads::Run).  False when
// afterBand asked to stop.
bool RunRowBands(CWorkerThreads* workers, int rows, int bandRows,
                 const std::function<void(int y0, int y1, int worker)>& body,
                 const std::function<bool()>& afterBand = {});

}  // namespace transfer_detail
