#include "image/RowOp.h"

#include <new>

#include "image/KernelTables_p.h"
#include "image/PixelFormat.h"
#include "platform/Cpu.h"

void RowNopKernel(const CRowOp&, const RowJob&) {}

namespace {

bool HasVector64() {
  static const bool s_has = platform::CpuHas64BitVectors();
  return s_has;
}

RowKernel LookupIn(const KernelTableEntry* table, int dstFormat, int srcFormat, int mode) {
  RowKernel plain = nullptr, alternative = nullptr;
  if (table != nullptr) {
    for (const KernelTableEntry* e = table; e->kernel != nullptr; ++e) {
      if (e->dstFormat != dstFormat || e->srcFormat != srcFormat) continue;
      if (e->variant == keKernelPlain) plain = e->kernel;
      else if (e->variant == keKernelVector64) alternative = e->kernel;
    }
  }
  RowKernel found = nullptr;
  switch (mode) {
    case keLookupPlain: found = plain; break;
    case keLookupAlternative: found = alternative; break;
    case keLookupBest: found = alternative != nullptr && HasVector64() ? alternative : plain; break;
    default: break;
  }
  return found != nullptr ? found : RowNopKernel;
}

// A keRoRowCopy kernel for a conversion step of the binding: the
// alternative when the processor has one, else the plain kernel.
RowKernel CopyStep(int dstFormat, int srcFormat) {
  return LookupIn(kRowCopyKernels, dstFormat, srcFormat, keLookupBest);
}

}  // namespace

RowKernel FindRowCopyKernel(int dstFormat, int srcFormat) { return CopyStep(dstFormat, srcFormat); }

// ===========================================================================
// CRowOp
// ===========================================================================

CRowOp::CRowOp(RowOperation kind, const RowOpParams& params) : m_kind(kind), m_params(params) {}

CRowOp::~CRowOp() = default;

CRowOp CRowOp::BlendLayer(int mode, int opacity, const std::uint8_t* mask) {
  RowOpParams params;
  params.mode = mode;
  params.opacity = opacity;
  params.mask = mask;
  return CRowOp(keRoRowBlendLayer, params);
}

std::unique_ptr<CRowOp> CRowOp::Clone() const { return std::make_unique<CRowOp>(*this); }

const KernelTableEntry* CRowOp::Table() const {
  switch (m_kind) {
    case keRoRowCopy: return kRowCopyKernels;
    case keRoRowCopyIndexed: return kRowCopyIndexedKernels;
    case keRoRowFill: return kRowFillKernels;
    case keRoRowBlendLayer: return BlendLayerKernels(m_params.mode);
    default: return nullptr;
  }
}

RowKernel CRowOp::Lookup(int dstFormat, int srcFormat, int mode) const {
  // Blending a source without alpha over anything is copying it.
  if (m_kind == keRoRowBlendLayer && srcFormat != 0 && !FormatHasAlpha(srcFormat)) {
    return LookupIn(kRowCopyKernels, dstFormat, srcFormat, mode);
  }
  return LookupIn(Table(), dstFormat, srcFormat, mode);
}

bool CRowOp::Bind(CRowOpBinding& binding, const RowJob& job, int mode) const {
  binding = CRowOpBinding{};
  binding.op = this;
  const int dst = job.dstFormat, src = job.srcFormat;
  RowKernel kernel = Lookup(dst, src, mode);
  if (m_kind == keRoNOP || kernel != RowNopKernel) {
    binding.kernel = kernel;
    return kernel != RowNopKernel;
  }
  // Through an intermediate colour format: 16-bit destinations try the
  // 16-bit ones first; a format without alpha is no use when either side
  // has alpha.
  int candidates[4];
  int n = 0;
  if (Is16BitFormat(dst)) {
    candidates[n++] = keFormatBGR_u16;
    candidates[n++] = keFormatBGRA_u16;
  }
  candidates[n++] = keFormatBGR;
  candidates[n++] = keFormatBGRA;
  const bool alpha = FormatHasAlpha(dst) || (src != 0 && FormatHasAlpha(src));
  for (int i = 0; i < n; ++i) {
    const int mid = candidates[i];
    if (alpha && !FormatHasAlpha(mid)) continue;
    RowKernel srcToMid = RowNopKernel, dstToMid = RowNopKernel, midToDst = RowNopKernel;
    if (src != 0 && src != mid) srcToMid = CopyStep(mid, src);
    if (dst != mid) {
      dstToMid = CopyStep(mid, dst);
      midToDst = CopyStep(dst, mid);
    }
    // A step that has to convert but cannot would feed the kernel garbage.
    if ((src != 0 && src != mid && srcToMid == RowNopKernel) ||
        (dst != mid && (dstToMid == RowNopKernel || midToDst == RowNopKernel))) {
      continue;
    }
    kernel = Lookup(mid, mid, mode);
    if (kernel == RowNopKernel && src != 0) continue;
    if (kernel == RowNopKernel) kernel = Lookup(mid, 0, mode);
    if (kernel == RowNopKernel) continue;
    binding.kernel = kernel;
    binding.intermediate = mid;
    binding.sourceToIntermediate = srcToMid;
    binding.destinationToIntermediate = dstToMid;
    binding.intermediateToDestination = midToDst;
    binding.converting = true;
    return true;
  }
  binding = CRowOpBinding{};
  return false;
}

void CRowOp::Unbind(CRowOpBinding& binding) const { binding = CRowOpBinding{}; }

// ===========================================================================
// Running one run
// ===========================================================================

bool CRowOpBinding::Run(const RowJob& job) const {
  if (kernel == nullptr || op == nullptr) return false;
  if (!converting) {
    kernel(*op, job);
    return true;
  }
  // Eight bytes hold one pixel of every intermediate format.
  const std::size_t bytes = static_cast<std::size_t>(job.count) * 8;
  std::unique_ptr<std::uint8_t[]> srcRun(new (std::nothrow) std::uint8_t[bytes]);
  std::unique_ptr<std::uint8_t[]> dstRun(new (std::nothrow) std::uint8_t[bytes]);
  if (srcRun == nullptr || dstRun == nullptr) return false;

  // Each conversion step is a job of its own from one run into another.
  RowJob step = job;
  RowJob inner = job;
  inner.dstFormat = inner.srcFormat = intermediate;
  inner.dst = dstRun.get();
  inner.dstX = inner.srcX = 0;
  inner.dstPalette = inner.srcPalette = nullptr;
  inner.dstPaletteCount = inner.srcPaletteCount = 0;
  inner.src = srcRun.get();
  if (job.srcFormat != 0) {
    if (job.srcFormat != intermediate) {
      step = job;
      step.dstFormat = intermediate;
      step.dst = srcRun.get();
      step.dstX = 0;
      step.dstPalette = nullptr;
      step.dstPaletteCount = 0;
      sourceToIntermediate(*op, step);
    } else {
      inner.src = job.src;
    }
  } else {
    inner.srcFormat = 0;
    inner.src = nullptr;
  }
  if (job.dstFormat != intermediate) {
    step = job;
    step.srcFormat = job.dstFormat;
    step.src = job.dst;
    step.srcX = job.dstX;
    step.srcPalette = job.dstPalette;
    step.srcPaletteCount = job.dstPaletteCount;
    step.dstFormat = intermediate;
    step.dst = dstRun.get();
    step.dstX = 0;
    step.dstPalette = nullptr;
    step.dstPaletteCount = 0;
    destinationToIntermediate(*op, step);
  } else {
    inner.dst = job.dst;
    inner.dstX = job.dstX;
  }
  kernel(*op, inner);
  if (job.dstFormat != intermediate) {
    step = job;
    step.srcFormat = intermediate;
    step.src = dstRun.get();
    step.srcX = 0;
    step.srcPalette = nullptr;
    step.srcPaletteCount = 0;
    intermediateToDestination(*op, step);
  }
  return true;
}
