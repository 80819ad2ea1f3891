#include "ui/ThumbnailMaker.h"

#include <algorithm>
#include <cstring>

#include "image/Resample.h"
#include "image/RowOp.h"
#include "image/RunRowOp.h"
#include "imagefiles/FileType.h"

namespace ui {
namespace {

// The picture as an image buffer: its own format for pictures without
// transparency (indexed, grey or BGR); with an alpha plane, BGRA (GreyA for
// grey pictures) with the plane as alpha.
CStatus BufferFromPicture(const CPicture& picture, CImageBuffer* out) {
  CImageBuffer base;
  CStatus status = base.CreateFromDib(picture.GetDIB(), picture.GetDIBSize());
  if (status.IsError() || !picture.AlphaIsValid()) {
    if (!status.IsError()) *out = base;
    return status;
  }
  const bool grey = base.StorageFormat() == keFormatGrey;
  status = base.SetAccessFormat(grey ? keFormatGrey : keFormatBGR, keAccessRead);
  if (status.IsError()) return status;
  const int width = base.Width(), height = base.Height();
  status = out->Create(width, height, grey ? keFormatGreyA : keFormatBGRA);
  if (status.IsError()) return status;
  const int channels = grey ? 1 : 3;
  for (int y = 0; y < height; ++y) {
    CRowReader source(base, y);
    CRowWriter target(*out, y);
    const std::uint8_t* alpha = picture.AlphaGetPointer(0, height - 1 - y);
    const std::uint8_t* s = source.Row();
    std::uint8_t* t = target.Row();
    for (int x = 0; x < width; ++x) {
      std::memcpy(t, s, static_cast<std::size_t>(channels));
      t[channels] = alpha != nullptr ? alpha[x] : 255;
      s += channels;
      t += channels + 1;
    }
  }
  return CStatus();
}

int Make(const std::string& path, Size box, CImageBuffer* thumbnail, ThumbnailInfo* info) {
  ImageFileType type = keFileTypeUnknown;
  CStatus probe = TypeFromContent(path, &type);
  if (probe.IsError()) return static_cast<int>(probe.Code());

  CPicture picture;
  Size full;
  if (type == keFileTypeJPEG) {
    CPictureJPG jpeg;
    PictureSize size;
    const bool ok = jpeg.LoadThumbnail(path, &size, 50, 50);
    info->exif = std::make_shared<const CPictureJPG::CExifInfo>(jpeg.GetExifInfo());
    if (!ok) return keErrFileOpenRead;
    full = {static_cast<int>(size.width), static_cast<int>(size.height)};
    picture.Transfer(jpeg);
  } else if (!picture.Load(path, type)) {
    return keErrFileOpenRead;
  }

  CImageBuffer source;
  CStatus status = BufferFromPicture(picture, &source);
  if (status.IsError()) return static_cast<int>(status.Code());
  picture.Destroy();
  const Size own{source.Width(), source.Height()};
  info->width = full.width > 0 && full.height > 0 ? full.width : own.width;
  info->height = full.width > 0 && full.height > 0 ? full.height : own.height;
  info->fileType = type;
  info->pixelFormat = source.StorageFormat();
  platform::ReadFileAttributes(path, &info->file);

  // Palette pictures are made in true colour.
  int format = source.StorageFormat();
  if (IsIndexedFormat(format)) {
    status = source.SetAccessFormat(keFormatBGR, keAccessRead);
    if (status.IsError()) return static_cast<int>(status.Code());
    format = keFormatBGR;
  }
  const Size size = FitThumbnailSize(own, box);
  CImageBuffer made;
  status = made.Create(size.width, size.height, format);
  if (status.IsError()) return static_cast<int>(status.Code());
  if (CResample(keResampleAreaOrBilinear).Resample(made, source) != keResampleDone) return keErrNoData;

  // Transparent parts show the white of an empty cell.
  if (format == keFormatBGRA || format == keFormatGreyA) {
    const CColorRef white(255, 255, 255);
    CImageBuffer opaque;
    status = opaque.Create(size.width, size.height, format == keFormatBGRA ? keFormatBGR : keFormatGrey, &white);
    if (status.IsError()) return static_cast<int>(status.Code());
    if (!RunRowOp(CRowOp::BlendLayer(0, 255), opaque, &made)) return keErrNoData;
    made = opaque;
  }
  *thumbnail = made;
  return 0;
}

}  // namespace

Size FitThumbnailSize(Size picture, Size box) {
  const int w = std::max(picture.width, 1), h = std::max(picture.height, 1);
  if (w <= box.width && h <= box.height) return {w, h};
  const double aspect = static_cast<double>(w) / h;
  const double boxAspect = static_cast<double>(box.width) / box.height;
  if (aspect > boxAspect) return {box.width, std::max(1, static_cast<int>(box.width / aspect))};
  return {std::max(1, static_cast<int>(box.height * aspect)), box.height};
}

int MakeThumbnailFromFile(const std::string& path, Size box, CImageBuffer* thumbnail, ThumbnailInfo* info) {
  if (path.empty()) return keErrBadArgument;
  try {
    return Make(path, box, thumbnail, info);
  } catch (const CJException& e) {
    return e.Code() != 0 ? static_cast<int>(e.Code()) : static_cast<int>(keErrNoData);
  } catch (const std::bad_alloc&) {
    return keErrOutOfMemory;
  }
}

}  // namespace ui
