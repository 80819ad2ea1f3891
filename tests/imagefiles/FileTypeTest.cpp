#include "imagefiles/FileType.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "image/Status.h"
#include "tests/support/TempDir.h"

namespace {

using Bytes = std::vector<unsigned char>;

// ---------------------------------------------------------------------------
// Extensions

TEST(FileTypeTest, ExtensionIsTheTextAfterTheLastDot) {
  struct Case {
    const char* path;
    const char* extension;
  };
  const Case cases[] = {
      {"photo.jpg", "jpg"},
      {"C:\\Templates\\Sunset.JPG", "JPG"},  // kept as written
      {"backup.tar.gz", "gz"},
      {"/home/user/README", ""},   // no dot at all
      {"trailing.", ""},           // a dot with nothing after it
      {"pictures.old/scan", "old/scan"},  // a dot in a folder name counts
      {".png", "png"},
      {"", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(c.extension, ExtensionOf(c.path));
  }
}

TEST(FileTypeTest, TypeFromExtensionFollowsTheTableCaseSensitively) {
  struct Case {
    const char* extension;
    ImageFileType type;
  };
  const Case cases[] = {
      {"bmp", keFileTypeBMP},   {"jpg", keFileTypeJPEG}, {"jpeg", keFileTypeJPEG}, {"gif", keFileTypeGIF},
      {"png", keFileTypePNG},   {"ico", keFileTypeICO},  {"tiff", keFileTypeTIFF}, {"tif", keFileTypeTIFF},
      {"tga", keFileTypeTGA},   {"pcx", keFileTypePCX},  {"wbmp", keFileTypeWBMP}, {"wmf", keFileTypeWMF},
      {"emf", keFileTypeWMF},   {"jp2", keFileTypeJP2},  {"j2k", keFileTypeJP2},   {"jpc", keFileTypeJPC},
      {"j2c", keFileTypeJPC},   {"pgx", keFileTypePGX},  {"ras", keFileTypeRAS},   {"pnm", keFileTypePNM},
      {"pgm", keFileTypePNM},   {"ppm", keFileTypePNM},
      // Not in the table: upper and mixed case, neighbours, PBM, dotted forms.
      {"JPG", keFileTypeUnknown}, {"Png", keFileTypeUnknown}, {"jpe", keFileTypeUnknown},
      {"pbm", keFileTypeUnknown}, {".jpg", keFileTypeUnknown}, {"jpg ", keFileTypeUnknown},
      {"gz", keFileTypeUnknown},  {"", keFileTypeUnknown},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("\"") + c.extension + "\"");
    EXPECT_EQ(c.type, TypeFromExtension(c.extension));
  }
  // How a caller picks the decoder: the extension of the path, lower-cased.
  EXPECT_EQ(keFileTypeUnknown, TypeFromExtension(ExtensionOf("archive.tar.gz")));
  EXPECT_EQ(keFileTypeUnknown, TypeFromExtension(ExtensionOf("Makefile")));
  EXPECT_EQ(keFileTypeUnknown, TypeFromExtension(ExtensionOf("photo.")));
}

// ---------------------------------------------------------------------------
// Content

// A file's first bytes padded with zeros to `size` bytes.
Bytes Head(Bytes bytes, std::size_t size = 64) {
  if (bytes.size() < size) bytes.resize(size, 0);
  return bytes;
}

// An 18-byte TGA header with the fields the probe tests.
Bytes Tga(unsigned colorMapType, unsigned imageType, unsigned xOrigin, unsigned yOrigin, unsigned width,
          unsigned height, unsigned depth) {
  auto lo = [](unsigned v) { return static_cast<unsigned char>(v & 0xFF); };
  auto hi = [](unsigned v) { return static_cast<unsigned char>(v >> 8); };
  return Head({
      0,                               // ID length
      lo(colorMapType), lo(imageType),  // colour-map type, image type
      0, 0, 0, 0, 0,                   // colour-map fields
      lo(xOrigin), hi(xOrigin), lo(yOrigin), hi(yOrigin),
      lo(width), hi(width), lo(height), hi(height),
      lo(depth),
      0x20,  // descriptor: top-left origin
  });
}

class ContentTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const Bytes& bytes) {
    const std::string path = m_dir.File(name);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  TempDir m_dir;
};

TEST_F(ContentTest, RecognisesSignaturesAndTgaHeaders) {
  struct Case {
    const char* name;
    Bytes bytes;
    ImageFileType type;
  };
  const Case cases[] = {
      {"bmp", Head({'B', 'M', 0x46, 0, 0, 0}), keFileTypeBMP},
      {"gif87a", Head({'G', 'I', 'F', '8', '7', 'a'}), keFileTypeGIF},
      {"gif89a", Head({'G', 'I', 'F', '8', '9', 'a'}), keFileTypeGIF},
      {"gif-any-fifth-byte", Head({'G', 'I', 'F', '8', 'x', 'a'}), keFileTypeGIF},
      {"gif-not-a", Head({'G', 'I', 'F', '8', '9', 'b'}), keFileTypeUnknown},
      {"jpeg", Head({0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F'}), keFileTypeJPEG},
      // PCX: manufacturer 10, version <= 5, encoding 1, bits per plane <= 8.
      {"pcx", Head({0x0A, 0x05, 0x01, 0x08}), keFileTypePCX},
      {"pcx-version-0", Head({0x0A, 0x00, 0x01, 0x01}), keFileTypePCX},
      {"pcx-version-6", Head({0x0A, 0x06, 0x01, 0x08}), keFileTypeUnknown},
      {"pcx-uncompressed", Head({0x0A, 0x05, 0x00, 0x08}), keFileTypeUnknown},
      {"pcx-9-bits", Head({0x0A, 0x05, 0x01, 0x09}), keFileTypeUnknown},
      {"png", Head({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 0x0D, 'I', 'H', 'D', 'R'}),
       keFileTypePNG},
      // A text-mode transfer turned CR LF into LF: no longer a PNG.
      {"png-mangled", Head({0x89, 'P', 'N', 'G', 0x0A, 0x1A, 0x0A, 0x00}), keFileTypeUnknown},
      {"tiff-big-endian", Head({'M', 'M', 0x00, 0x2A, 0, 0, 0, 8}), keFileTypeTIFF},
      {"tiff-little-endian", Head({'I', 'I', 0x2A, 0x00, 8, 0, 0, 0}), keFileTypeTIFF},
      {"tiff-mixed-order", Head({'I', 'I', 0x00, 0x2A}), keFileTypeUnknown},
      {"bigtiff", Head({'I', 'I', 0x2B, 0x00}), keFileTypeUnknown},
      // Standard metafile header: type, header size 9 (words), version.
      {"wmf-memory-v3", Head({0x01, 0x00, 0x09, 0x00, 0x00, 0x03}), keFileTypeWMF},
      {"wmf-disk-v1", Head({0x02, 0x00, 0x09, 0x00, 0x00, 0x01}), keFileTypeWMF},
      {"wmf-header-size-8", Head({0x01, 0x00, 0x08, 0x00, 0x00, 0x03}), keFileTypeUnknown},
      {"wmf-version-2", Head({0x01, 0x00, 0x09, 0x00, 0x00, 0x02}), keFileTypeUnknown},
      {"wmf-placeable", Head({0xD7, 0xCD, 0xC6, 0x9A, 0, 0}), keFileTypeWMF},
      // TGA header fields: colour-map type, image type, origin, size, depth.
      {"tga-truecolour", Tga(0, 2, 0, 0, 4, 3, 24), keFileTypeTGA},
      {"tga-rle-origin-at-size", Tga(0, 10, 4, 3, 4, 3, 32), keFileTypeTGA},
      {"tga-colour-mapped", Tga(1, 1, 0, 0, 640, 480, 8), keFileTypeTGA},
      {"tga-grey-rle-15", Tga(0, 11, 0, 0, 1, 1, 15), keFileTypeTGA},
      {"tga-colour-map-type-2", Tga(2, 2, 0, 0, 4, 3, 24), keFileTypeUnknown},
      {"tga-image-type-4", Tga(0, 4, 0, 0, 4, 3, 24), keFileTypeUnknown},
      {"tga-image-type-0", Tga(0, 0, 0, 0, 4, 3, 24), keFileTypeUnknown},
      {"tga-depth-12", Tga(0, 2, 0, 0, 4, 3, 12), keFileTypeUnknown},
      {"tga-width-0", Tga(0, 2, 0, 0, 0, 3, 24), keFileTypeUnknown},
      {"tga-height-0", Tga(0, 2, 0, 0, 4, 0, 24), keFileTypeUnknown},
      {"tga-x-origin-inside", Tga(0, 2, 1, 0, 4, 3, 24), keFileTypeUnknown},
      {"tga-y-origin-past", Tga(0, 2, 0, 4, 4, 3, 24), keFileTypeUnknown},
      // Both a PCX signature and a valid TGA header (ID length 10, colour-mapped):
      // signatures are tried first.
      {"pcx-before-tga", Head({0x0A, 0x01, 0x01, 0x08, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 3, 0, 8}),
       keFileTypePCX},
      {"tga-id-length-10", Head({0x0A, 0x01, 0x01, 0x09, 0, 0, 0, 0, 0, 0, 0, 0, 4, 0, 3, 0, 8}),
       keFileTypeTGA},
      {"text", Head({'h', 'e', 'l', 'l', 'o', ',', ' ', 'w', 'o', 'r', 'l', 'd', '\n'}), keFileTypeUnknown},
      {"zeros", Head({}), keFileTypeUnknown},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = Write(std::string(c.name) + ".bin", c.bytes);
    EXPECT_EQ(c.type, TypeFromContent(path));
    ImageFileType type = keFileTypeBMP;
    EXPECT_EQ(0u, TypeFromContent(path, &type).Code());
    EXPECT_EQ(c.type, type);
  }
}

// The probe reads 2048 bytes, or 32 or 16 from a smaller file; a file of
// fewer than 16 bytes cannot be probed.
TEST_F(ContentTest, ReadsTheHeadOfFilesOfEverySize) {
  struct Case {
    std::size_t size;
    std::uint32_t code;  // 0 when the file is recognised as BMP
  };
  const Case cases[] = {{100000, 0}, {2048, 0}, {2047, 0}, {32, 0}, {31, 0}, {16, 0}, {15, keErrFileRead},
                        {2, keErrFileRead}, {0, keErrFileRead}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    Bytes bytes(c.size, 0x55);
    if (c.size >= 2) {
      bytes[0] = 'B';
      bytes[1] = 'M';
    }
    const std::string path = Write("head-" + std::to_string(c.size) + ".bmp", bytes);
    ImageFileType type = keFileTypeGIF;
    CStatus status = TypeFromContent(path, &type);
    EXPECT_EQ(c.code, status.Code());
    EXPECT_EQ(c.code == 0 ? keFileTypeBMP : keFileTypeUnknown, type);
  }
}

TEST_F(ContentTest, ReportsPathAndFileErrors) {
  struct Case {
    const char* what;
    std::string path;
    std::uint32_t code;
  };
  const Case cases[] = {
      {"empty path", "", keErrBadArgument},
      {"missing file", m_dir.File("missing.png"), keErrFileOpenRead},
      {"missing folder", m_dir.File("no-such-folder/picture.png"), keErrFileOpenRead},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ImageFileType type = keFileTypePNG;
    CStatus status = TypeFromContent(c.path, &type);
    EXPECT_EQ(c.code, status.Code());
    EXPECT_EQ(keFileTypeUnknown, type);
    // The one-argument form raises the same code.
    std::uint32_t raised = 0;
    try {
      (void)TypeFromContent(c.path);
    } catch (const CJException& e) {
      raised = e.Code();
    }
    EXPECT_EQ(c.code, raised);
  }
  // A folder is no picture: opening fails (Windows) or reading does (POSIX).
  ImageFileType type = keFileTypePNG;
  CStatus status = TypeFromContent(m_dir.Path().string(), &type);
  const std::uint32_t code = status.Code();
  EXPECT_TRUE(code == keErrFileOpenRead || code == keErrFileRead) << code;
  EXPECT_EQ(keFileTypeUnknown, type);
}

// A PNG named like a JPEG: the extension says JPEG, the content says PNG.
TEST_F(ContentTest, ContentDecidesWhateverTheName) {
  const Bytes png = Head({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A});
  const std::string path = Write("holiday.JPG", png);
  EXPECT_EQ(keFileTypeUnknown, TypeFromExtension(ExtensionOf(path)));
  EXPECT_EQ(keFileTypeJPEG, TypeFromExtension("jpg"));
  EXPECT_EQ(keFileTypePNG, TypeFromContent(path));
  EXPECT_EQ(keFileTypePNG, TypeFromContent(Write("no-extension", png)));
}

}  // namespace
