#include "image/RowOperation.h"

const char* RowOperationName(int kind) {
  switch (kind) {
    case keRoNOP: return "keRoNOP";
    case keRoChannelConstant: return "keRoChannelConstant";
    case keRoChannelLUT: return "keRoChannelLUT";
    case keRoChannelGet: return "keRoChannelGet";
    case keRoChannelSet: return "keRoChannelSet";
    case keRoChannelCopy: return "keRoChannelCopy";
    case keRoChannelMulEqual: return "keRoChannelMulEqual";
    case keRoChannelLinear: return "keRoChannelLinear";
    case keRoRowAdjustLayer: return "keRoRowAdjustLayer";
    case keRoRowArithmetic: return "keRoRowArithmetic";
    case keRoRowBlend: return "keRoRowBlend";
    case keRoRowBlendLayer: return "keRoRowBlendLayer";
    case keRoRowBlendSolid: return "keRoRowBlendSolid";
    case keRoRowCopy: return "keRoRowCopy";
    case keRoRowCopyIndexed: return "keRoRowCopyIndexed";
    case keRoRowCopyPalettedWithTransparencyIndex: return "keRoRowCopyPalettedWithTransparencyIndex";
    case keRoRowDematte: return "keRoRowDematte";
    case keRoRowErase: return "keRoRowErase";
    case keRoRowFill: return "keRoRowFill";
    case keRoRowHSLAdjust: return "keRoRowHSLAdjust";
    case keRoRowHSLCopyChannel: return "keRoRowHSLCopyChannel";
    case keRoRowRGBAdjust: return "keRoRowRGBAdjust";
    case keRoRowInvert: return "keRoRowInvert";
    case keRoRowMask: return "keRoRowMask";
    case keRoRowMaskOverSolid: return "keRoRowMaskOverSolid";
    case keRoRowMatte: return "keRoRowMatte";
    case keRoRowMulEqual: return "keRoRowMulEqual";
    case keRoRowNoise: return "keRoRowNoise";
    case keRoRowReplaceColor: return "keRoRowReplaceColor";
    case keRoRowPlusEqual: return "keRoRowPlusEqual";
    case keRoRowTurbulence: return "keRoRowTurbulence";
    case keRoHighPass: return "keRoHighPass";
    default: return "Unknown";
  }
}
