#pragma once
// The kernel tables of the operation kinds, defined beside their kernels.

#include "image/KernelTable.h"

extern const KernelTableEntry kRowCopyKernels[];
extern const KernelTableEntry kRowCopyIndexedKernels[];
extern const KernelTableEntry kRowFillKernels[];
// keRoRowBlendLayer per blend mode; null for a mode without kernels.
const KernelTableEntry* BlendLayerKernels(int mode);
