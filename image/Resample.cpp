// Resampling: choosing the filter, the identity copy, the row plumbing and
// nearest-neighbour scaling.  The filters of modes 1 to 3 live in
// ResampleFilters.cpp and ResampleArea.cpp.
#include "image/Resample.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "image/PixelFormat.h"
#include "image/Resample_p.h"
#include "image/RowProgress.h"
#include "image/RunRowOp.h"

namespace resample {

// ===========================================================================
// Row plumbing
// ===========================================================================

bool CSourceRows::Init(const CImageBuffer& source, int workFormat, int left, int right) {
  m_source = &source;
  m_workFormat = workFormat;
  m_left = left;
  m_right = right;
  m_rowBytes = (static_cast<std::size_t>(right - left) * FormatBitsPerPixel(workFormat) + 7) / 8;
  m_direct = source.AccessFormat() == workFormat;
  if (!m_direct) {
    RowJob job;
    job.dstFormat = workFormat;
    job.srcFormat = source.AccessFormat();
    if (!m_copy.Bind(m_binding, job, keLookupBest)) return false;
  }
  try {
    m_row.resize(m_rowBytes + 8);
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

void CSourceRows::Read(int y, std::uint8_t* out) {
  const std::uint8_t* row = m_source->GetRow(y, m_left, m_right - m_left);
  if (m_direct) {
    std::memcpy(out, row, m_rowBytes);
  } else {
    RowJob job;
    FillJobSide(job, *m_source, m_left, y, m_right - m_left, const_cast<std::uint8_t*>(row), true);
    job.dstFormat = m_workFormat;
    job.dst = out;
    job.count = m_right - m_left;
    m_binding.Run(job);
  }
  m_source->ReleaseRow(y);
}

const std::uint8_t* CSourceRows::Get(int y) {
  if (m_direct) return m_source->GetRow(y, m_left, m_right - m_left);
  Read(y, m_row.data());
  return m_row.data();
}

void CSourceRows::Done(int y) {
  if (m_direct) m_source->ReleaseRow(y);
}

bool CDestinationRows::Init(CImageBuffer& destination, int workFormat, const ImageRect& rect) {
  m_destination = &destination;
  m_rect = rect;
  m_workFormat = workFormat;
  RowJob job;
  job.dstFormat = destination.AccessFormat();
  job.srcFormat = workFormat;
  return m_copy.Bind(m_binding, job, keLookupBest);
}

void CDestinationRows::Write(int j, const std::uint8_t* work) {
  const int y = m_rect.top + j, width = m_rect.Width();
  std::uint8_t* row = nullptr;
  m_destination->GetRow(y, m_rect.left, width, &row).RaiseIfError();
  RowJob job;
  FillJobSide(job, *m_destination, m_rect.left, y, width, row, false);
  job.srcFormat = m_workFormat;
  job.src = work;
  const bool ran = m_binding.Run(job);
  m_destination->ReleaseRow(y);
  if (!ran) RaiseError(keErrOutOfMemory);
}

int WorkFormat(int format) {
  switch (format) {
    case keFormatGrey:
    case keFormatGreyA:
    case keFormatBGR:
    case keFormatGrey_u16:
    case keFormatGreyA_u16:
    case keFormatBGR_u16:
      return format;
    case keFormatBGRA:
    case keFormatBGRxA:
      return keFormatBGRxA;
    case keFormatBGRA_u16:
    case keFormatBGRxA_u16:
      return keFormatBGRxA_u16;
    default:
      return 0;
  }
}

bool FilterFormat(int format) { return format >= keFormatGrey && format <= keFormatBGRxA_u16; }

bool Stop(const Job& job, int j) { return job.progress != nullptr && job.progress->Step(j) != 0; }

// ===========================================================================
// Mode 0: nearest neighbour
// ===========================================================================

int Nearest(const Job& job) {
  const CImageBuffer& source = *job.source;
  CImageBuffer& destination = *job.destination;
  const ResampleRect& s = job.src;
  const int L = static_cast<int>(std::floor(s.left + 1e-8)), T = static_cast<int>(std::floor(s.top + 1e-8));
  const int R = static_cast<int>(std::ceil(s.right - 1e-8)), B = static_cast<int>(std::ceil(s.bottom - 1e-8));
  const int W = job.dst.Width(), H = job.dst.Height();
  const double fx = (s.right - s.left) / W, fy = (s.bottom - s.top) / H;
  const int S = source.AccessFormat(), D = destination.AccessFormat();

  std::vector<std::int32_t> map;
  std::vector<std::uint8_t> gathered;
  try {
    map.resize(static_cast<std::size_t>(W));
    gathered.resize((static_cast<std::size_t>(W) * FormatBitsPerPixel(S) + 7) / 8 + 8);
  } catch (const std::bad_alloc&) {
    return keResampleRefused;
  }
  for (int i = 0; i < W; ++i) {
    int x = static_cast<int>(s.left + i * fx + 1e-8);
    x = x < L ? L : x > R - 1 ? R - 1 : x;
    map[static_cast<std::size_t>(i)] = x - L;
  }
  RowOpParams params;
  params.map = map.data();
  const CRowOp gather(keRoRowCopyIndexed, params);
  const RowKernel gatherKernel = gather.Lookup(S, S, keLookupBest);
  const CRowOp copy = CRowOp::Copy();
  CRowOpBinding toDestination;
  RowJob probe;
  probe.dstFormat = D;
  probe.srcFormat = S;
  if (gatherKernel == RowNopKernel || !copy.Bind(toDestination, probe, keLookupBest)) return keResampleRefused;
  const RowKernel repeat = FindRowCopyKernel(D, D);

  if (job.progress != nullptr) job.progress->SetTotal(H);
  int previous = -1;
  for (int j = 0; j < H; ++j) {
    if (Stop(job, j)) return keResampleStopped;
    int y = static_cast<int>(s.top + j * fy + 1e-8);
    y = y < T ? T : y > B - 1 ? B - 1 : y;
    const int dy = job.dst.top + j;
    std::uint8_t* out = nullptr;
    destination.GetRow(dy, job.dst.left, W, &out).RaiseIfError();
    RowJob run;
    FillJobSide(run, destination, job.dst.left, dy, W, out, false);
    if (y == previous) {
      // The same source row as the row above: copy that row.
      std::uint8_t* above = nullptr;
      CStatus status = destination.GetRow(dy - 1, job.dst.left, W, &above);
      if (status.IsError()) {
        destination.ReleaseRow(dy);
        status.RaiseIfError();
      }
      FillJobSide(run, destination, job.dst.left, dy - 1, W, above, true);
      repeat(copy, run);
      destination.ReleaseRow(dy - 1);
      destination.ReleaseRow(dy);
      continue;
    }
    previous = y;
    try {
      const std::uint8_t* in = source.GetRow(y, L, R - L);
      RowJob g;
      FillJobSide(g, source, L, y, R - L, const_cast<std::uint8_t*>(in), true);
      g.dstFormat = S;
      g.dst = gathered.data();
      g.dstX = 0;
      g.count = W;
      gatherKernel(gather, g);
      source.ReleaseRow(y);
      FillJobSide(run, source, 0, y, W, gathered.data(), true);
      run.srcX = 0;
      toDestination.Run(run);
    } catch (...) {
      destination.ReleaseRow(dy);
      throw;
    }
    destination.ReleaseRow(dy);
  }
  return keResampleDone;
}

}  // namespace resample

// ===========================================================================
// CResample
// ===========================================================================

using namespace resample;

CResample::CResample(int mode, const ImageRect* destination, const ResampleRect* source, int area)
    : m_mode(mode), m_area(area) {
  if (destination != nullptr) m_destination = *destination;
  if (source != nullptr) m_source = *source;
}

namespace {

// Passes progress on and remembers whether it asked to stop.
class StopWatch : public IRowProgress {
 public:
  explicit StopWatch(IRowProgress* inner) : m_inner(inner) {}
  void SetTotal(std::int64_t total) override {
    if (m_inner != nullptr) m_inner->SetTotal(total);
  }
  int Step(std::int64_t step) override {
    const int answer = m_inner != nullptr ? m_inner->Step(step) : 0;
    stopped = stopped || answer != 0;
    return answer;
  }
  bool stopped = false;

 private:
  IRowProgress* m_inner;
};

struct Resolved {
  ImageRect dst;
  ResampleRect src;
  int mode = 0;
  bool valid = false;
};

Resolved Resolve(int mode, const ImageRect& d, const ResampleRect& s, const CImageBuffer& destination,
                 const CImageBuffer& source) {
  Resolved r;
  if (destination.IsEmpty() || source.IsEmpty()) return r;
  r.dst = d.IsEmpty() ? ImageRect{0, 0, destination.Width(), destination.Height()} : d;
  r.src = s.IsEmpty() ? ResampleRect{0, 0, static_cast<double>(source.Width()), static_cast<double>(source.Height())} : s;
  // Both rectangles must lie inside their buffers, in every mode.
  if (r.dst.IsEmpty() || r.dst.left < 0 || r.dst.top < 0 || r.dst.right > destination.Width() ||
      r.dst.bottom > destination.Height()) {
    return r;
  }
  if (!(r.src.left >= -1e-8 && r.src.top >= -1e-8 && r.src.right <= source.Width() + 1e-8 &&
        r.src.bottom <= source.Height() + 1e-8) || r.src.IsEmpty()) {
    return r;
  }
  const double sw = r.src.right - r.src.left, sh = r.src.bottom - r.src.top;
  if (mode >= 90 && mode <= 92) {
    const bool shrinking = r.dst.Width() < sw || r.dst.Height() < sh;
    mode = shrinking ? keResampleArea : mode - 90;
  }
  if (mode < 0 || mode > 3) return r;
  if (IsIndexedFormat(source.AccessFormat()) || IsIndexedFormat(destination.AccessFormat())) mode = 0;
  const long L = std::lround(r.src.left), T = std::lround(r.src.top);
  const long R = std::lround(r.src.right), B = std::lround(r.src.bottom);
  bool identity = R - L == r.dst.Width() && B - T == r.dst.Height();
  if (identity && mode == keResampleArea) {
    identity = std::fabs(r.src.left - L) < 1e-8 && std::fabs(r.src.top - T) < 1e-8 &&
               std::fabs(r.src.right - R) < 1e-8 && std::fabs(r.src.bottom - B) < 1e-8;
  }
  r.mode = identity ? -1 : mode;
  r.valid = true;
  return r;
}

}  // namespace

int CResample::ChosenMode(const CImageBuffer& destination, const CImageBuffer& source) const {
  const Resolved r = Resolve(m_mode, m_destination, m_source, destination, source);
  return r.valid ? r.mode : keResampleRefused;
}

int CResample::Resample(CImageBuffer& destination, const CImageBuffer& source) const {
  const Resolved r = Resolve(m_mode, m_destination, m_source, destination, source);
  if (!r.valid) return keResampleRefused;
  Job job;
  job.destination = &destination;
  job.source = &source;
  job.dst = r.dst;
  job.src = r.src;
  job.area = m_area;
  job.progress = m_progress;
  if (r.mode == -1) {
    // The same size: rows are copied, converted to the destination's format.
    const int L = static_cast<int>(std::lround(r.src.left)), T = static_cast<int>(std::lround(r.src.top));
    const ImageRect from{L, T, L + r.dst.Width(), T + r.dst.Height()};
    StopWatch watch(m_progress);
    if (!RunRowOp(CRowOp::Copy(), destination, &source, &r.dst, &from, &watch)) {
      return watch.stopped ? keResampleStopped : keResampleRefused;
    }
    return keResampleDone;
  }
  if (r.mode == keResampleNearest) return Nearest(job);
  if (!FilterFormat(destination.AccessFormat()) || WorkFormat(source.AccessFormat()) == 0) return keResampleRefused;
  switch (r.mode) {
    case keResampleBilinear: return Bilinear(job);
    case keResampleBicubic: return Bicubic(job);
    default: return Area(job);
  }
}
