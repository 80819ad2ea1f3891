// The plug-in's resources as a host finds them: the PiPL list, the version
// record, the exported entry point and the DLLs it needs.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "host/Pipl.h"
#include "platform/DynamicLibrary.h"
#include "tests/host/PluginPath.h"
#include "tests/support/PeResources.h"

namespace {

std::uint32_t Word32(const std::vector<std::uint8_t>& d, std::size_t at) { return pe::U32(d, at); }

std::string PaddedString(const std::string& text) {
  std::string s = text;
  s.push_back('\0');
  while (s.size() % 4 != 0) s.push_back('\0');
  return s;
}

std::string PaddedPascal(const std::string& text) {
  std::string s(1, static_cast<char>(text.size()));
  return PaddedString(s + text);
}

std::string Bytes(const PiplProperty& p) { return std::string(p.data.begin(), p.data.end()); }

// Checks a PiPL list against what the plug-in must declare.
void ExpectTintavoPipl(const std::vector<std::uint8_t>& bytes, bool is64) {
  PiplList list;
  std::string error;
  ASSERT_TRUE(ParsePipl(bytes, &list, &error)) << error;
  EXPECT_EQ(1, list.listVersion);
  EXPECT_EQ(0, list.version);

  const std::uint32_t entryKey = is64 ? FourCC("8664") : FourCC("wx86");
  const std::uint32_t keys[] = {FourCC("kind"), FourCC("name"), FourCC("catg"),
                                FourCC("vers"), entryKey,       FourCC("hstm"),
                                FourCC("mode"), FourCC("enbl"), FourCC("fici")};
  ASSERT_EQ(9u, list.properties.size());
  std::size_t total = 10;
  for (std::size_t i = 0; i < 9; ++i) {
    const PiplProperty& p = list.properties[i];
    SCOPED_TRACE(FourCCText(p.key));
    EXPECT_EQ(keys[i], p.key);
    EXPECT_EQ(FourCC("8BIM"), p.vendor);
    EXPECT_EQ(0, p.id);
    EXPECT_EQ(0u, p.length % 4);
    total += 16 + p.length;
  }
  EXPECT_EQ(total, bytes.size());

  EXPECT_EQ(FourCC("8BFM"), Word32(list.Find(FourCC("kind"))->data, 0));
  EXPECT_EQ(PaddedPascal("Tintavo..."), Bytes(*list.Find(FourCC("name"))));
  EXPECT_EQ(PaddedPascal("Velmora"), Bytes(*list.Find(FourCC("catg"))));
  EXPECT_EQ(4u, list.Find(FourCC("vers"))->length);
  EXPECT_EQ(0x00040000u, Word32(list.Find(FourCC("vers"))->data, 0));
  ASSERT_NE(nullptr, list.Find(entryKey));
  EXPECT_EQ(PaddedString("ENTRYPOINT"), Bytes(*list.Find(entryKey)));
  EXPECT_EQ(nullptr, list.Find(is64 ? FourCC("wx86") : FourCC("8664")));

  const PiplProperty& hstm = *list.Find(FourCC("hstm"));
  ASSERT_EQ(52u, hstm.length);
  EXPECT_EQ(0u, Word32(hstm.data, 0));
  EXPECT_EQ(FourCC("sdK1"), Word32(hstm.data, 4));
  EXPECT_EQ(FourCC("sdK1"), Word32(hstm.data, 8));
  EXPECT_EQ(16000u, pe::U16(hstm.data, 12));
  EXPECT_EQ(PaddedString("98b5a608-46ce-11d3-bd6b-0060b0a13dc4").substr(0, 38),
            std::string(hstm.data.begin() + 14, hstm.data.end()));

  const PiplProperty& mode = *list.Find(FourCC("mode"));
  ASSERT_EQ(4u, mode.length);
  for (int m = 0; m < 32; ++m) {
    SCOPED_TRACE(m);
    const bool wanted = m >= 3 && m <= 9;  // RGB, CMYK, HSL, HSB, Multichannel, Duotone, Lab
    EXPECT_EQ(wanted, PiplSupportsMode(mode, m));
  }

  EXPECT_EQ(PaddedString("in (PSHOP_ImageMode, GrayScaleMode, RGBMode,CMYKMode, HSLMode, HSBMode, "
                         "MultichannelMode,DuotoneMode, LabMode)"),
            Bytes(*list.Find(FourCC("enbl"))));

  const PiplProperty& fici = *list.Find(FourCC("fici"));
  ASSERT_EQ(28u, fici.length);
  const std::uint8_t flags[7] = {0x07, 0x0F, 0x0F, 0x07, 0x0F, 0x07, 0x0F};
  for (int c = 0; c < 7; ++c) {
    SCOPED_TRACE(testing::Message() << "filter case " << c + 1);
    EXPECT_EQ(1, fici.data[4 * c]);
    EXPECT_EQ(1, fici.data[4 * c + 1]);
    EXPECT_EQ(flags[c], fici.data[4 * c + 2]);
    EXPECT_EQ(0, fici.data[4 * c + 3]);
  }
}

bool IsWindowsBuild() {
#if defined(_WIN32)
  return true;
#else
  return false;
#endif
}

// Reads the DLL built beside this program or, when TINTAVO_PLUGIN_FILE names
// one, that file: so a native run can check a 32-bit DLL that no Wine here
// can load.
TEST(PiplResourceTest, FileCarriesThePiplTheVersionRecordAndTheExport) {
  const char* named = std::getenv("TINTAVO_PLUGIN_FILE");
  if (named == nullptr && !IsWindowsBuild()) GTEST_SKIP() << "resources exist in the Windows builds only";
  const std::string path = named != nullptr ? named : BuiltPluginPath();
  pe::Image image;
  std::string error;
  ASSERT_TRUE(pe::Load(path, &image, &error)) << error;
  ASSERT_TRUE(image.machine == 0x8664 || image.machine == 0x014C) << image.machine;
  if (named == nullptr) {
    EXPECT_EQ(sizeof(void*) == 8 ? 0x8664 : 0x014C, image.machine);
  }

  std::vector<std::uint8_t> pipl;
  ASSERT_TRUE(pe::ReadResource(image, "PIPL", 16000, &pipl, &error)) << error;
  ExpectTintavoPipl(pipl, image.machine == 0x8664);

  std::vector<std::uint8_t> version;
  ASSERT_TRUE(pe::ReadResource(image, "#16", 1, &version, &error)) << error;  // RT_VERSION
  EXPECT_GT(version.size(), 200u);

  // The about box: dialog 107, 186 x 95 units, with its four text controls.
  std::vector<std::uint8_t> about;
  ASSERT_TRUE(pe::ReadResource(image, "#5", 107, &about, &error)) << error;  // RT_DIALOG
  ASSERT_GE(about.size(), 26u);
  EXPECT_EQ(0xFFFF0001u, pe::U32(about, 0));  // an extended dialog template
  EXPECT_EQ(4u, pe::U16(about, 16));         // four controls
  EXPECT_EQ(186u, pe::U16(about, 22));
  EXPECT_EQ(95u, pe::U16(about, 24));

  const auto exports = pe::ExportNames(image);
  EXPECT_NE(exports.end(), std::find(exports.begin(), exports.end(), "ENTRYPOINT"));

  // Only system DLLs: nothing of the compiler's run-time.
  const std::vector<std::string> system = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll",
                                           "shell32.dll", "comctl32.dll", "comdlg32.dll", "ole32.dll",
                                           "oleaut32.dll", "version.dll", "msvcrt.dll", "shlwapi.dll",
                                           "uxtheme.dll", "msimg32.dll"};
  for (std::string dll : pe::ImportedDlls(image)) {
    std::transform(dll.begin(), dll.end(), dll.begin(), [](unsigned char c) { return std::tolower(c); });
    const bool known = std::find(system.begin(), system.end(), dll) != system.end() ||
                       dll.rfind("api-ms-win-", 0) == 0;
    EXPECT_TRUE(known) << "imports " << dll;
  }
}

TEST(PiplResourceTest, LoadedLibraryOffersThePiplToEnumeration) {
  if (!IsWindowsBuild()) GTEST_SKIP() << "resources exist in the Windows builds only";
  platform::DynamicLibrary library;
  ASSERT_TRUE(library.Load(BuiltPluginPath())) << library.Error();
  const auto names = library.ResourceNames("PIPL");
  ASSERT_EQ(1u, names.size());
  EXPECT_EQ("#16000", names[0]);
  std::vector<std::uint8_t> pipl;
  ASSERT_TRUE(library.ResourceBytes("PIPL", 16000, &pipl));
  ExpectTintavoPipl(pipl, sizeof(void*) == 8);
}

}  // namespace
