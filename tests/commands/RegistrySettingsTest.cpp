#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "commands/HueloomParams.h"
#include "commands/ParamSet.h"
#include "platform/Registry.h"
#include "tests/support/SettingsSandbox.h"

namespace {

class RegistrySettingsTest : public testing::Test {
 protected:
  void MakeSet(CParamSet* set) {
    set->SetName(m_sandbox.Key());
    BuildHueloomParams(set);
  }
  static std::int32_t Int(const CParamSet& set, int index) {
    std::int32_t v = -1;
    set.GetByIndex(index)->GetInt(&v);
    return v;
  }
  static std::string Text(const CParamSet& set, int index) {
    std::string v;
    set.GetByIndex(index)->GetText(&v);
    return v;
  }
  bool OpenKey(platform::RegistryKey* key, platform::RegistryKey* maker) {
    return maker->OpenCurrentUser(kSettingsKey) && key->Open(*maker, m_sandbox.Key());
  }

  SettingsSandbox m_sandbox;
};

TEST_F(RegistrySettingsTest, FirstStartKeepsTheInitialValues) {
  CParamSet set;
  MakeSet(&set);
  EXPECT_EQ(-5, set.LoadFromRegistry());
  EXPECT_EQ(3, Int(set, keParamRadius));
  EXPECT_EQ("", Text(set, keParamFilename));
  EXPECT_EQ(3, Int(set, keParamAlternativeMode));
  EXPECT_EQ(0, Int(set, keParamImageSelected));
}

TEST_F(RegistrySettingsTest, SavedValuesComeBackByteForByte) {
  const std::string path255(255, 'p');
  {
    CParamSet set;
    MakeSet(&set);
    set.GetByIndex(keParamRadius)->SetInt(-20);
    set.GetByIndex(keParamColor)->SetInt(500);
    set.GetByIndex(keParamFilename)->SetText("C:\\Templates\\sunset 1.jpg");
    set.GetByIndex(keParamPath)->SetText(path255);
    set.GetByIndex(keParamImageSelected)->SetInt(-1);
    EXPECT_EQ(0, set.SaveToRegistry());
  }
  platform::RegistryKey maker, key;
  ASSERT_TRUE(OpenKey(&key, &maker));
  std::uint8_t data[300];
  std::uint32_t size = sizeof data, type = 0;
  ASSERT_TRUE(key.QueryValue("Radius", data, &size, &type));
  EXPECT_EQ(platform::kRegDword, type);
  ASSERT_EQ(4u, size);
  EXPECT_EQ(0xEC, data[0]);  // -20, little-endian
  EXPECT_EQ(0xFF, data[3]);
  size = sizeof data;
  ASSERT_TRUE(key.QueryValue("Filename", data, &size, &type));
  EXPECT_EQ(platform::kRegSz, type);
  // The text's bytes without a terminator (some registries hand one back).
  const std::string stored(reinterpret_cast<char*>(data), size);
  EXPECT_EQ(std::string("C:\\Templates\\sunset 1.jpg"), stored.substr(0, stored.find('\0')));

  CParamSet loaded;
  MakeSet(&loaded);
  EXPECT_EQ(0, loaded.LoadFromRegistry());
  EXPECT_EQ(-20, Int(loaded, keParamRadius));
  EXPECT_EQ(500, Int(loaded, keParamColor));
  EXPECT_EQ("C:\\Templates\\sunset 1.jpg", Text(loaded, keParamFilename));
  EXPECT_EQ(path255, Text(loaded, keParamPath));
  EXPECT_EQ(-1, Int(loaded, keParamImageSelected));
}

TEST_F(RegistrySettingsTest, FirstUnreadableValueStopsTheLoad) {
  {
    CParamSet set;
    MakeSet(&set);
    for (int i : {keParamRadius, keParamColor, keParamBlend, keParamAlternativeMode, keParamImageSelected}) {
      set.GetByIndex(i)->SetInt(9);
    }
    set.GetByIndex(keParamPath)->SetText("folder");
    ASSERT_EQ(0, set.SaveToRegistry());
  }
  struct Case {
    const char* what;
    void (*spoil)(const platform::RegistryKey&);
  };
  const Case cases[] = {
      {"Filename missing", [](const platform::RegistryKey& k) { k.DeleteValue("Filename"); }},
      {"Filename of 256 bytes", [](const platform::RegistryKey& k) {
         const std::string text(256, 'x');
         k.SetValue("Filename", platform::kRegSz, text.data(), 256);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    platform::RegistryKey maker, key;
    ASSERT_TRUE(OpenKey(&key, &maker));
    platform::RegistryKey writable;
    ASSERT_TRUE(writable.Create(maker, m_sandbox.Key()));
    c.spoil(writable);

    CParamSet set;
    MakeSet(&set);
    EXPECT_EQ(-5, set.LoadFromRegistry());
    EXPECT_EQ(9, Int(set, keParamBlend));            // before the failing value: loaded
    EXPECT_EQ("", Text(set, keParamFilename));       // the failing value keeps its initial value
    EXPECT_EQ("", Text(set, keParamPath));           // and so does everything after it
    EXPECT_EQ(3, Int(set, keParamAlternativeMode));
  }
}

TEST_F(RegistrySettingsTest, IntegersTakeTheFirstFourBytesOfAnyType) {
  {
    CParamSet set;
    MakeSet(&set);
    ASSERT_EQ(0, set.SaveToRegistry());
  }
  platform::RegistryKey maker, key;
  ASSERT_TRUE(maker.OpenCurrentUser(kSettingsKey));
  ASSERT_TRUE(key.Create(maker, m_sandbox.Key()));
  const std::uint8_t bytes[6] = {0x10, 0x00, 0x00, 0x00, 0xAA, 0xBB};
  ASSERT_TRUE(key.SetValue("Radius", platform::kRegBinary, bytes, sizeof bytes));
  const std::string tooLong(65, 'x');
  ASSERT_TRUE(key.SetValue("Color", platform::kRegBinary, tooLong.data(), 65));
  CParamSet set;
  MakeSet(&set);
  EXPECT_EQ(-5, set.LoadFromRegistry());
  EXPECT_EQ(16, Int(set, keParamRadius));
  EXPECT_EQ(3, Int(set, keParamColor));  // longer than 64 bytes: not read
}

#if !defined(_WIN32)
TEST_F(RegistrySettingsTest, DamagedStoreReadsAsMissingValues) {
  const std::string folder = m_sandbox.Dir().File("tintavo");
  std::filesystem::create_directories(folder);
  std::ofstream(folder + "/registry.txt", std::ios::binary)
      << "[Software\\Velmora]\n[broken section\n\"Radius\"=dword:00000009\n"
         "[Software\\Velmora\\Hueloom]\n\"Radius\"=dword:0000001\n"
         "\"Color\"=dword:00000007\n\"Blend\"=hex(4):zz\n\"Filename\"=sz:\"unterminated\n\x01\x02\xff\n";
  CParamSet set;
  MakeSet(&set);
  EXPECT_EQ(-5, set.LoadFromRegistry());  // "Radius" is unreadable: the walk stops there
  EXPECT_EQ(3, Int(set, keParamRadius));

  platform::RegistryKey maker, key;
  ASSERT_TRUE(OpenKey(&key, &maker));
  std::uint8_t data[8];
  std::uint32_t size = sizeof data;
  ASSERT_TRUE(key.QueryValue("color", data, &size, nullptr));  // names ignore case
  EXPECT_EQ(7, data[0]);
  // Saving over a damaged store writes a sound one.
  EXPECT_EQ(0, set.SaveToRegistry());
  CParamSet again;
  MakeSet(&again);
  EXPECT_EQ(0, again.LoadFromRegistry());
}
#endif

}  // namespace
