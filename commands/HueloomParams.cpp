#include "commands/HueloomParams.h"

namespace {

void AddInt(CParamSet* set, int index, const char* name, std::int32_t minimum, std::int32_t maximum,
            std::int32_t defaultValue, std::int32_t initial) {
  auto p = std::make_unique<CIntParam>(minimum, maximum, defaultValue);
  p->SetName(name);
  p->SetInt(initial);
  set->Add(index, name, std::move(p));
}

void AddString(CParamSet* set, int index, const char* name) {
  auto p = std::make_unique<CStringParam>();
  p->SetName(name);
  set->Add(index, name, std::move(p));
}

}  // namespace

void BuildHueloomParams(CParamSet* set) {
  AddInt(set, keParamRadius, "Radius", 0, 100, 3, 3);
  AddInt(set, keParamColor, "Color", 0, 100, 3, 3);
  AddInt(set, keParamBlend, "Blend", 0, 100, 3, 3);
  AddString(set, keParamFilename, "Filename");
  AddString(set, keParamPath, "Path");
  AddInt(set, keParamAlternativeMode, "ALTERNATIVEMODE", 0, 2, 3, 3);
  AddInt(set, keParamImageSelected, "ImageSelected", -1, 1000, 0, 0);
}
