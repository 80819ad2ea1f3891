#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
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

TEST_F(RegistrySettingsTest, ToolTakesEveryStoredValueAndSavesTheWholeSet) {
  CParamSet fresh;
  MakeSet(&fresh);
  std::string error;
  std::map<int, StoredValue> found;
  EXPECT_EQ(0, fresh.LoadStoredValues(&error, &found));  // a first start is no failure
  EXPECT_EQ("", error);
  for (const auto& [index, state] : found) EXPECT_EQ(keStoredMissing, state) << index;
  EXPECT_EQ(3, Int(fresh, keParamAlternativeMode));

  // A store written in part, as a one-value write of an older tool left it.
  {
    platform::RegistryKey maker, key;
    ASSERT_TRUE(maker.CreateCurrentUser(kSettingsKey));
    ASSERT_TRUE(key.Create(maker, m_sandbox.Key()));
    const std::uint8_t two[4] = {2, 0, 0, 0};
    ASSERT_TRUE(key.SetValue("ALTERNATIVEMODE", platform::kRegDword, two, 4));
    ASSERT_TRUE(key.SetValue("Filename", platform::kRegSz, "T.png", 5));
    const std::string tooLong(300, 'p');
    ASSERT_TRUE(key.SetValue("Path", platform::kRegSz, tooLong.data(), 300));
  }
  CParamSet plugin;
  MakeSet(&plugin);
  EXPECT_EQ(-5, plugin.LoadFromRegistry());  // the plug-in's load stops at "Radius"
  EXPECT_EQ("", Text(plugin, keParamFilename));

  CParamSet tool;
  MakeSet(&tool);
  tool.GetByIndex(keParamRadius)->SetInt(40);  // not stored: keeps what it had
  EXPECT_EQ(0, tool.LoadStoredValues(&error, &found));
  EXPECT_EQ(40, Int(tool, keParamRadius));
  EXPECT_EQ("T.png", Text(tool, keParamFilename));
  EXPECT_EQ("", Text(tool, keParamPath));
  EXPECT_EQ(2, Int(tool, keParamAlternativeMode));
  const std::map<int, StoredValue> expected = {
      {keParamRadius, keStoredMissing},     {keParamColor, keStoredMissing},
      {keParamBlend, keStoredMissing},      {keParamFilename, keStoredTaken},
      {keParamPath, keStoredUnusable},      {keParamAlternativeMode, keStoredTaken},
      {keParamImageSelected, keStoredMissing}};
  EXPECT_EQ(expected, found);

  // Saved by the tool, the store holds every value, and the plug-in's load
  // takes them all.
  ASSERT_EQ(0, tool.SaveToRegistry(&error)) << error;
  CParamSet again;
  MakeSet(&again);
  EXPECT_EQ(0, again.LoadFromRegistry());
  EXPECT_EQ(40, Int(again, keParamRadius));
  EXPECT_EQ("T.png", Text(again, keParamFilename));
  EXPECT_EQ(2, Int(again, keParamAlternativeMode));
}

#if !defined(_WIN32)
TEST_F(RegistrySettingsTest, StoreThatCannotBeReadIsReportedAndKept) {
  // registry.txt is a folder: it exists, but can be neither read nor replaced.
  const std::string store = m_sandbox.Dir().File("tintavo/registry.txt");
  std::filesystem::create_directories(store);
  std::ofstream(store + "/kept") << "x";

  CParamSet set;
  MakeSet(&set);
  std::string error;
  EXPECT_EQ(-5, set.LoadStoredValues(&error));
  EXPECT_NE(std::string::npos, error.find(store)) << error;
  error.clear();
  EXPECT_EQ(-5, set.SaveToRegistry(&error));
  EXPECT_NE(std::string::npos, error.find(store)) << error;
  EXPECT_TRUE(std::filesystem::exists(store + "/kept"));
  platform::RegistryKey maker;
  EXPECT_FALSE(maker.OpenCurrentUser(kSettingsKey));
  EXPECT_NE("", maker.Error());
}

TEST_F(RegistrySettingsTest, DamagedStoreIsKeptAsideOnceAndItsReadableValuesStay) {
  const std::string folder = m_sandbox.Dir().File("tintavo");
  const std::string file = folder + "/registry.txt";
  std::filesystem::create_directories(folder);
  const std::string damaged =
      "[Software\\Velmora]\n[broken section\n\"Radius\"=dword:00000009\n"
      "[Software\\Velmora\\Hueloom]\n\"Radius\"=dword:0000001\n"
      "\"Color\"=dword:00000007\n\"Blend\"=hex(4):zz\n\"Filename\"=sz:\"unterminated\n\x01\x02\xff\n";
  std::ofstream(file, std::ios::binary) << damaged;
  auto bytesOf = [](const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };

  testing::internal::CaptureStderr();
  CParamSet set;
  MakeSet(&set);
  EXPECT_EQ(-5, set.LoadFromRegistry());  // "Radius" is unreadable: the walk stops there
  EXPECT_EQ(3, Int(set, keParamRadius));
  platform::RegistryKey maker, key;
  ASSERT_TRUE(OpenKey(&key, &maker));
  std::uint8_t data[8];
  std::uint32_t size = sizeof data;
  ASSERT_TRUE(key.QueryValue("color", data, &size, nullptr));  // a readable value stays; names ignore case
  EXPECT_EQ(7, data[0]);
  const std::string printed = testing::internal::GetCapturedStderr();

  // One line, naming the store and the copy of its bytes.
  EXPECT_EQ(1, std::count(printed.begin(), printed.end(), '\n')) << printed;
  EXPECT_NE(std::string::npos, printed.find(file + " ")) << printed;
  EXPECT_NE(std::string::npos, printed.find(file + ".damaged")) << printed;
  EXPECT_EQ(damaged, bytesOf(file + ".damaged"));

  // Saving writes a sound store, read without a word; a later damage is
  // kept beside the first, which stays as it was.
  EXPECT_EQ(0, set.SaveToRegistry());
  testing::internal::CaptureStderr();
  CParamSet again;
  MakeSet(&again);
  EXPECT_EQ(0, again.LoadFromRegistry());
  EXPECT_EQ("", testing::internal::GetCapturedStderr());
  std::ofstream(file, std::ios::app) << "garbage\n";
  testing::internal::CaptureStderr();
  EXPECT_EQ(0, again.LoadFromRegistry());
  EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find(file + ".damaged-2"));
  EXPECT_EQ(damaged, bytesOf(file + ".damaged"));
}
#endif

}  // namespace
