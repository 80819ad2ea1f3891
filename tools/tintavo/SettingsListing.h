#pragma once
// The listing of a set of Hueloom settings that `settings show` and
// `presets show` print: one line per setting with the tool's name, the
// stored name and the value (texts in quotes), and a note on a value that
// is not stored or cannot be used.
//
//   brightness  Radius            12
//   template    Filename          "/photos/sunset.jpg"

#include <map>

#include "commands/ParamSet.h"

// `found` (may be null) tells which values the store holds.
void PrintSettings(const CParamSet& params, const std::map<int, StoredValue>* found);
