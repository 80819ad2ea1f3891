#pragma once
// CRowOp: one row operation with its parameters, and its binding to a pair
// of formats.
//
// An operation is a value: made for a kind with its parameters, cloned,
// bound, run, destroyed.  Binding looks the pair (destination format,
// source format) up in the kind's kernel table.  When the table has no
// kernel for the pair, the rows are converted through an intermediate
// colour format with keRoRowCopy kernels, so each operation needs kernels
// for a few formats only.  Kernels keep no state of their own, so bound
// operations may run on different threads.

#include <cstdint>
#include <memory>

#include "image/KernelTable.h"
#include "image/RowOperation.h"

class CRowOp;

// The result of binding one operation to one pair of formats.
struct CRowOpBinding {
  const CRowOp* op = nullptr;
  RowKernel kernel = nullptr;
  std::int32_t intermediate = 0;       // 0: the kernel takes the formats directly
  RowKernel sourceToIntermediate = nullptr;
  RowKernel destinationToIntermediate = nullptr;
  RowKernel intermediateToDestination = nullptr;
  bool converting = false;

  bool IsBound() const { return kernel != nullptr; }
  // Runs the bound kernel on one run.  False when the binding is empty or
  // the conversion buffers could not be allocated; nothing is written then.
  bool Run(const RowJob& job) const;
};

// Parameters of the kinds that have kernels.  Each kind reads its own.
struct RowOpParams {
  // keRoRowBlendLayer: blend mode and opacity 0 to 255; keRoRowBlend:
  // sub-mode.
  std::int32_t mode = 0;
  std::int32_t opacity = 255;
  // keRoRowBlendLayer: one byte per pixel of the run scaling the source's
  // alpha (255 keeps it), or none.
  const std::uint8_t* mask = nullptr;
  // keRoChannelGet, keRoChannelSet: the channel number (keChannelBlue ...
  // keChannelIndex).
  std::int32_t channel = 0;
  std::int32_t extra = 0;
  // keRoRowFill: the colour as B, G, R, A, 16 bits each, and an index for
  // indexed formats (-1: the nearest palette entry).
  std::uint16_t colour[4] = {0, 0, 0, 65535};
  std::int32_t index = -1;
  // keRoRowCopyIndexed: destination pixel i takes source pixel map[i]
  // (counted from the run's first pixel); none copies pixel i.
  const std::int32_t* map = nullptr;
  // keRoRowMask: value and flag.
  std::int32_t value = 255;
  std::int32_t flag = 0;
};

enum LookupMode : int {
  keLookupPlain = 0,
  keLookupAlternative = 1,
  keLookupBest = 2,  // the alternative when the processor supports it
};

class CRowOp {
 public:
  explicit CRowOp(RowOperation kind, const RowOpParams& params = RowOpParams());
  virtual ~CRowOp();

  static CRowOp Copy() { return CRowOp(keRoRowCopy); }
  static CRowOp BlendLayer(int mode, int opacity = 255, const std::uint8_t* mask = nullptr);

  virtual std::unique_ptr<CRowOp> Clone() const;
  // True when a kernel other than the do-nothing kernel was found, directly
  // or through an intermediate format (keRoNOP binds to the do-nothing
  // kernel).  On failure the binding is cleared.
  virtual bool Bind(CRowOpBinding& binding, const RowJob& job, int mode) const;
  virtual void Unbind(CRowOpBinding& binding) const;
  // The kernel for the pair, or RowNopKernel when there is none.
  virtual RowKernel Lookup(int dstFormat, int srcFormat, int mode) const;

  RowOperation Kind() const { return m_kind; }
  const RowOpParams& Params() const { return m_params; }

 protected:
  // The kernel table of this operation (null: no kernels).
  virtual const KernelTableEntry* Table() const;

 private:
  RowOperation m_kind;
  RowOpParams m_params;
};

// The keRoRowCopy kernel for (destination <- source), or RowNopKernel.
RowKernel FindRowCopyKernel(int dstFormat, int srcFormat);
