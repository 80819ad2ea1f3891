#pragma once
// The parameters of the Hueloom command, in the order the command builds them.

#include "commands/ParamSet.h"

enum HueloomParam : int {
  keParamRadius = 0,           // "Brightness"
  keParamColor = 1,            // "Color intensity"
  keParamBlend = 2,            // "Fade"
  keParamFilename = 3,         // the template picture file
  keParamPath = 4,             // the folder the template browser shows
  keParamAlternativeMode = 5,  // 0 normal, 1 only brightness, 2 only colour
  keParamImageSelected = 6,    // index of the selected template thumbnail
};

// Fills `set` with the seven parameters, their ranges, defaults and initial
// values.  The mode's default and initial value are 3, one above its maximum:
// stored settings of earlier versions rely on that value.
void BuildHueloomParams(CParamSet* set);
