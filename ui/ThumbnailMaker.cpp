#include "ui/ThumbnailMaker.h"

#include <algorithm>
#include <cstring>
#include <vector>

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

// The pixel format a decoded picture stands for: the bit depth, a palette
// that is a grey ramp, an alpha plane.
int FormatOfPicture(const CPicture& picture) {
  switch (picture.GetBpp()) {
    case 1: return picture.AlphaIsValid() ? keFormatBGRA : keFormatIndex1;
    case 4: return picture.AlphaIsValid() ? keFormatBGRA : keFormatIndex4;
    case 8: {
      const PictureRgbQuad* palette = picture.GetPalette();
      bool ramp = palette != nullptr && picture.GetNumColors() == 256;
      for (unsigned i = 0; ramp && i < 256; ++i) {
        ramp = palette[i].rgbRed == i && palette[i].rgbGreen == i && palette[i].rgbBlue == i;
      }
      if (ramp) return picture.AlphaIsValid() ? keFormatGreyA : keFormatGrey;
      return picture.AlphaIsValid() ? keFormatBGRA : keFormatIndex8;
    }
    default: return picture.AlphaIsValid() ? keFormatBGRA : keFormatBGR;
  }
}

// A large picture reduced by a whole factor straight from its decoded rows:
// each pixel of the result is the average of a factor x factor block (the
// blocks at the right and bottom edges may be smaller), with transparent
// parts laid over white on the way.  Saves making a full-size image buffer
// of a picture that ends up 85 pixels wide: for a photograph that copy
// costs more than decoding it.
CStatus ReducedFromPicture(const CPicture& picture, int factor, bool grey, CImageBuffer* out) {
  const int width = static_cast<int>(picture.GetWidth()), height = static_cast<int>(picture.GetHeight());
  const int outWidth = (width + factor - 1) / factor, outHeight = (height + factor - 1) / factor;
  CStatus status = out->Create(outWidth, outHeight, grey ? keFormatGrey : keFormatBGR);
  if (status.IsError()) return status;
  const int channels = grey ? 1 : 3;
  const bool direct = picture.GetBpp() == 24;
  std::vector<std::uint32_t> sums(static_cast<std::size_t>(outWidth) * 3);
  for (int oy = 0; oy < outHeight; ++oy) {
    std::fill(sums.begin(), sums.end(), 0u);
    const int y0 = oy * factor, y1 = std::min(height, y0 + factor);
    for (int y = y0; y < y1; ++y) {
      const long fromBottom = height - 1 - y;
      const std::uint8_t* bits = direct ? picture.GetBits(static_cast<unsigned>(fromBottom)) : nullptr;
      const std::uint8_t* alpha = picture.AlphaGetPointer(0, fromBottom);
      for (int x = 0; x < width; ++x) {
        std::uint32_t b, g, r;
        if (bits != nullptr) {
          b = bits[3 * x];
          g = bits[3 * x + 1];
          r = bits[3 * x + 2];
        } else {
          const PictureRgbQuad c = picture.GetPixelColor(x, fromBottom, false);
          b = c.rgbBlue;
          g = c.rgbGreen;
          r = c.rgbRed;
        }
        if (alpha != nullptr && alpha[x] != 255) {
          const std::uint32_t a = alpha[x], white = 255 * (255 - a);
          b = (b * a + white + 127) / 255;
          g = (g * a + white + 127) / 255;
          r = (r * a + white + 127) / 255;
        }
        std::uint32_t* sum = &sums[static_cast<std::size_t>(x / factor) * 3];
        sum[0] += b;
        sum[1] += g;
        sum[2] += r;
      }
    }
    CRowWriter row(*out, oy);
    std::uint8_t* target = row.Row();
    for (int ox = 0; ox < outWidth; ++ox) {
      const std::uint32_t count =
          static_cast<std::uint32_t>((std::min(width, (ox + 1) * factor) - ox * factor) * (y1 - y0));
      const std::uint32_t* sum = &sums[static_cast<std::size_t>(ox) * 3];
      if (grey) {
        target[ox] = static_cast<std::uint8_t>((sum[0] + count / 2) / count);
      } else {
        for (int k = 0; k < channels; ++k) {
          target[3 * ox + k] = static_cast<std::uint8_t>((sum[k] + count / 2) / count);
        }
      }
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

  // Pictures more than twice the box in both directions are first reduced
  // by a whole factor as they are read; the area average below does the
  // rest.
  const Size own{static_cast<int>(picture.GetWidth()), static_cast<int>(picture.GetHeight())};
  const int pictureFormat = FormatOfPicture(picture);
  const int factor = std::max(1, std::min(own.width / (2 * box.width), own.height / (2 * box.height)));
  CImageBuffer source;
  CStatus status = factor > 1 ? ReducedFromPicture(picture, factor, pictureFormat == keFormatGrey ||
                                                                        pictureFormat == keFormatGreyA, &source)
                              : BufferFromPicture(picture, &source);
  if (status.IsError()) return static_cast<int>(status.Code());
  picture.Destroy();
  info->width = full.width > 0 && full.height > 0 ? full.width : own.width;
  info->height = full.width > 0 && full.height > 0 ? full.height : own.height;
  info->fileType = type;
  info->pixelFormat = pictureFormat;
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
