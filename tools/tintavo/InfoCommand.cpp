// tintavo info: what Tintavo sees in a picture file.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "image/Status.h"
#include "imagefiles/FileType.h"
#include "imagefiles/Picture.h"
#include "imagefiles/MetadataReader.h"
#include "imagefiles/PictureJpg.h"
#include "tools/tintavo/Cli.h"
#include "tools/tintavo/InputFile.h"

namespace {

const char kHelp[] =
    "Usage: tintavo info FILE\n"
    "\n"
    "Prints the file's type as recognised from its content and from its\n"
    "extension, and the decoded picture's size, bits per pixel, transparency\n"
    "and frames, and whether the data is damaged or cut short (what is there\n"
    "is decoded, the rest filled in); for JPEG, PNG and TIFF files what\n"
    "'tintavo apply' carries into its outputs (orientation, colour profile,\n"
    "EXIF, XMP, comment, resolution); for JPEG files also the camera, the\n"
    "date the picture was taken and the embedded thumbnail from the EXIF\n"
    "block.\n";

const char* TypeName(int type) {
  static const char* const kNames[] = {"unknown", "BMP", "GIF", "JPEG", "PNG", "ICO", "TIFF", "TGA",
                                       "PCX", "WBMP", "WMF/EMF", "JP2", "JPC", "PGX", "PNM", "Sun raster"};
  return type >= 0 && type <= kLastFileType ? kNames[type] : "unknown";
}

// The EXIF facts of a JPEG file; "none" for what the file does not say.
void PrintExif(const std::string& path) {
  CPictureJPG jpeg;
  if (!jpeg.ReadExif(path)) return;
  const CPictureJPG::CExifInfo& exif = jpeg.GetExifInfo();
  std::string camera = exif.GetCameraMake();
  if (!exif.GetCameraModel().empty()) camera += (camera.empty() ? "" : " ") + exif.GetCameraModel();
  std::printf("camera:            %s\n", camera.empty() ? "none" : camera.c_str());
  std::printf("taken on:          %s\n", exif.GetDateTime().empty() ? "none" : exif.GetDateTime().c_str());
  if (!exif.HasThumbnail()) {
    std::printf("thumbnail:         none\n");
    return;
  }
  CPicture thumbnail;
  const std::vector<std::uint8_t>& bytes = exif.GetThumbnail();
  if (thumbnail.Decode(bytes.data(), bytes.size(), keFileTypeJPEG)) {
    std::printf("thumbnail:         embedded, %u x %u\n", thumbnail.GetWidth(), thumbnail.GetHeight());
  } else {
    std::printf("thumbnail:         embedded, not decodable (%s)\n", thumbnail.GetLastError().c_str());
  }
}

// What the file carries besides its pixels.
void PrintMetadata(const std::string& path, ImageFileType type) {
  std::vector<std::uint8_t> bytes;
  std::string reason;
  if (!ReadInput(path, &bytes, &reason)) return;
  PictureMetadata m;
  ReadPictureMetadata(bytes.data(), bytes.size(), type, &m);
  std::printf("orientation:       %s\n", m.orientation == 0 ? "not given" : std::to_string(m.orientation).c_str());
  std::printf("colour profile:    %s\n", m.icc.empty() ? "none" : (std::to_string(m.icc.size()) + " bytes").c_str());
  std::string exif = m.exif.empty() ? "none" : std::to_string(m.exif.size()) + " bytes";
  if (m.exif.empty() && !m.tiffTags.empty()) exif = std::to_string(m.tiffTags.size()) + " tags";
  std::printf("EXIF:              %s\n", exif.c_str());
  std::printf("XMP:               %s\n", m.xmp.empty() ? "none" : (std::to_string(m.xmp.size()) + " bytes").c_str());
  std::printf("comment:           %s\n", m.comment.empty() ? "none" : m.comment.c_str());
  if (m.resolution.IsKnown()) {
    const char* unit = m.resolution.unit == ResolutionUnit::kInch         ? " per inch"
                       : m.resolution.unit == ResolutionUnit::kCentimetre ? " per cm"
                                                                          : " (aspect only)";
    std::printf("resolution:        %g x %g%s\n", m.resolution.x, m.resolution.y, unit);
  } else {
    std::printf("resolution:        not given\n");
  }
}

}  // namespace

int RunInfo(const std::vector<std::string>& args) {
  CommandLine line;
  std::string error;
  if (!ParseCommandLine(args, {}, &line, &error)) return UsageError("info", error);
  if (line.help) {
    std::fputs(kHelp, stdout);
    return kExitOk;
  }
  if (line.positional.size() != 1) return UsageError("info", "expects one FILE");
  const std::string& path = line.positional[0];

  ImageFileType byContent = keFileTypeUnknown;
  CStatus probe = TypeFromContent(path, &byContent);
  if (probe.IsError()) {
    const std::uint32_t code = probe.Code();
    return Fail(path + (code == keErrFileOpenRead ? ": cannot be opened" : ": cannot be read"));
  }
  const ImageFileType byExtension = TypeFromExtension(LowerCaseAscii(ExtensionOf(path)));

  CPicture picture;
  const bool decoded = picture.Load(path, byExtension);
  std::printf("file:              %s\n", path.c_str());
  std::printf("type by content:   %s\n", TypeName(byContent));
  std::printf("type by extension: %s\n", TypeName(byExtension));
  if (!decoded) {
    std::printf("decoded:           no (%s)\n", picture.GetLastError().c_str());
    return kExitFailure;
  }
  std::printf("size:              %u x %u\n", picture.GetWidth(), picture.GetHeight());
  std::printf("bits per pixel:    %u\n", picture.GetBpp());
  std::printf("transparency:      %s\n", picture.AlphaIsValid() ? "yes" : "no");
  std::printf("frames:            %d\n", picture.GetNumFrames());
  if (picture.IsDamaged()) {
    std::printf("data:              damaged or truncated: %s\n", picture.GetDamage().c_str());
  } else {
    std::printf("data:              complete\n");
  }
  if (byContent == keFileTypeJPEG || byContent == keFileTypePNG || byContent == keFileTypeTIFF) {
    PrintMetadata(path, byContent);
  }
  if (byContent == keFileTypeJPEG) PrintExif(path);
  return kExitOk;
}
