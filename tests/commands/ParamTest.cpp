#include "commands/Param.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "commands/HueloomParams.h"
#include "commands/ParamSet.h"
#include "tests/commands/HueloomParamsFixture.h"

namespace {

class ParamTest : public HueloomParamsFixture {};

TEST_F(ParamTest, TableHoldsTheSevenParametersInOrder) {
  const char* names[] = {"Radius", "Color", "Blend", "Filename", "Path", "ALTERNATIVEMODE", "ImageSelected"};
  ASSERT_EQ(7u, m_set.Params().size());
  for (int i = 0; i < 7; ++i) {
    SCOPED_TRACE(names[i]);
    EXPECT_EQ(m_set.GetByIndex(i), m_set.FindByName(names[i]));
    EXPECT_EQ(names[i], m_set.GetByIndex(i)->Name());
    EXPECT_EQ(3, m_set.GetByIndex(i)->PersistenceFlag());
  }
  EXPECT_EQ(nullptr, m_set.FindByName("radius"));
  EXPECT_EQ(nullptr, m_set.FindByName("Radius "));
  EXPECT_EQ(3, Int(keParamRadius));
  EXPECT_EQ(3, Int(keParamAlternativeMode));
  auto* mode = dynamic_cast<CIntParam*>(m_set.GetByIndex(keParamAlternativeMode));
  ASSERT_NE(nullptr, mode);
  EXPECT_EQ(2, mode->Maximum());
  EXPECT_EQ(3, mode->Default());
  auto* selected = dynamic_cast<CIntParam*>(m_set.GetByIndex(keParamImageSelected));
  EXPECT_EQ(-1, selected->Minimum());
  EXPECT_EQ(1000, selected->Maximum());
  EXPECT_EQ(4, m_set.GetByIndex(keParamRadius)->RegistryType());
  EXPECT_EQ(1, m_set.GetByIndex(keParamFilename)->RegistryType());
}

TEST_F(ParamTest, TextSetsIntegersLikeAtoiAndStringsAsTheyAre) {
  struct Case {
    const char* text;
    std::int32_t value;
  };
  for (const Case& c : {Case{" 42 ", 42}, Case{"12abc", 12}, Case{"abc", 0}, Case{"-7", -7}, Case{"\t+5", 5},
                        Case{"", 0}}) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(0, m_set.GetByIndex(keParamBlend)->SetFromText(c.text));
    EXPECT_EQ(c.value, Int(keParamBlend));
  }
  EXPECT_EQ(0, m_set.GetByIndex(keParamFilename)->SetFromText(" 42 "));
  EXPECT_EQ(" 42 ", Text(keParamFilename));
  CParam base;
  EXPECT_EQ(-1, base.SetFromText("1"));
}

TEST_F(ParamTest, WrongClassGettersLeaveTheCallersValue) {
  EXPECT_EQ(-12345, Int(keParamFilename));
  EXPECT_EQ("untouched", Text(keParamRadius));
  m_set.GetByIndex(keParamRadius)->SetInt(500);  // no clamping
  EXPECT_EQ(500, Int(keParamRadius));
  m_set.GetByIndex(keParamRadius)->SetText("9");  // not a text parameter
  EXPECT_EQ(500, Int(keParamRadius));
}

TEST_F(ParamTest, ResetDefaultsRestoresTheTable) {
  for (int i : {keParamRadius, keParamColor, keParamBlend, keParamAlternativeMode, keParamImageSelected}) {
    m_set.GetByIndex(i)->SetInt(77);
  }
  m_set.GetByIndex(keParamFilename)->SetText("a.jpg");
  m_set.GetByIndex(keParamPath)->SetText("dir");
  m_set.ResetDefaults();
  EXPECT_EQ(3, Int(keParamRadius));
  EXPECT_EQ(3, Int(keParamColor));
  EXPECT_EQ(3, Int(keParamBlend));
  EXPECT_EQ(3, Int(keParamAlternativeMode));
  EXPECT_EQ(0, Int(keParamImageSelected));
  EXPECT_EQ("", Text(keParamFilename));
  EXPECT_EQ("", Text(keParamPath));
}

TEST_F(ParamTest, CloneCopyAndEquality) {
  CParam* radius = m_set.GetByIndex(keParamRadius);
  radius->SetInt(17);
  auto clone = radius->Clone();
  auto* intClone = dynamic_cast<CIntParam*>(clone.get());
  ASSERT_NE(nullptr, intClone);
  EXPECT_EQ("Radius", intClone->Name());
  EXPECT_EQ(17, intClone->Value());
  EXPECT_EQ(100, intClone->Maximum());
  EXPECT_TRUE(radius->Equals(*intClone));
  EXPECT_FALSE(radius->Equals(*m_set.GetByIndex(keParamFilename)));

  CIntParam other;
  radius->CopyValueTo(&other);
  EXPECT_EQ(17, other.Value());
  EXPECT_EQ(3, other.Default());
  EXPECT_EQ(&other, other.AssignInt(4));
  EXPECT_EQ(4, other.Value());

  m_set.GetByIndex(keParamFilename)->SetText("A.jpg");
  auto text = m_set.GetByIndex(keParamFilename)->Clone();
  EXPECT_TRUE(text->Equals(*m_set.GetByIndex(keParamFilename)));
  text->SetText("a.jpg");
  EXPECT_FALSE(text->Equals(*m_set.GetByIndex(keParamFilename)));  // case-sensitive
  CParam base;
  EXPECT_FALSE(base.Equals(base));
  EXPECT_EQ("generic param", base.Clone()->Name());
}

TEST_F(ParamTest, WriteTextGivesOneLinePerParameter) {
  m_set.GetByIndex(keParamImageSelected)->SetInt(-1);
  m_set.GetByIndex(keParamFilename)->SetText("C:\\a b\\c.jpg");
  std::FILE* f = std::tmpfile();
  ASSERT_NE(nullptr, f);
  m_set.WriteText(f);
  std::rewind(f);
  std::string text;
  for (int c; (c = std::fgetc(f)) != EOF;) text.push_back(static_cast<char>(c));
  std::fclose(f);
  EXPECT_EQ(
      "Hueloom\n\tRadius : 3\n\tColor : 3\n\tBlend : 3\n\tFilename : C:\\a b\\c.jpg\n\tPath : \n"
      "\tALTERNATIVEMODE : 3\n\tImageSelected : -1\n",
      text);
}

}  // namespace
