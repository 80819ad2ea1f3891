#include "ui/TemplateFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

TEST(TemplateFolderTest, ListsThePictureFilesSortedIgnoringCaseWithoutSubfolders) {
  const fs::path folder = fs::temp_directory_path() / ("tintavo-template-folder-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  fs::remove_all(folder);
  fs::create_directories(folder / "sub.jpg");
  for (const char* name : {"b.JPG", "a.jpeg", "C.Tiff", "notes.txt", "d.png", "e.gif", "f.pcx", "g.bmp", "h.dib",
                           "i.tif", "jpg", "k.jpg.txt"}) {
    std::FILE* f = std::fopen((folder / name).string().c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
  }
  std::FILE* inner = std::fopen((folder / "sub.jpg" / "z.jpg").string().c_str(), "wb");
  ASSERT_NE(inner, nullptr);
  std::fclose(inner);

  const std::string prefix = folder.string() + static_cast<char>(fs::path::preferred_separator);
  const std::vector<std::string> expected = {prefix + "a.jpeg", prefix + "b.JPG", prefix + "C.Tiff",
                                             prefix + "d.png",  prefix + "e.gif", prefix + "f.pcx",
                                             prefix + "g.bmp",  prefix + "h.dib", prefix + "i.tif"};
  EXPECT_EQ(ui::ScanTemplateFolder(folder.string()), expected);
  EXPECT_EQ(ui::ScanTemplateFolder(prefix), expected);
  EXPECT_TRUE(ui::ScanTemplateFolder((folder / "missing").string()).empty());
  fs::remove_all(folder);
}

}  // namespace
