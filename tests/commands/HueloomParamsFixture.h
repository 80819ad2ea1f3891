#pragma once
// A fixture holding the Hueloom parameter table, with readers that return a
// mark (-12345, "untouched") when a parameter gives nothing back.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "commands/HueloomParams.h"
#include "commands/ParamSet.h"

class HueloomParamsFixture : public testing::Test {
 protected:
  void SetUp() override {
    m_set.SetName("Hueloom");
    BuildHueloomParams(&m_set);
  }
  std::int32_t Int(int index) {
    std::int32_t v = -12345;
    m_set.GetByIndex(index)->GetInt(&v);
    return v;
  }
  std::string Text(int index) {
    std::string v = "untouched";
    m_set.GetByIndex(index)->GetText(&v);
    return v;
  }

  CParamSet m_set;
};
