#include "image/PixelFormat.h"

namespace {

struct FormatInfo {
  const char* name;
  int bitsPerPixel;
  int bitsPerChannel;
};

constexpr FormatInfo kFormats[] = {
    {"keFormatCustom", 0, 0},     {"keFormatNone", 0, 0},        {"keFormatIndex1", 1, 1},
    {"keFormatIndex4", 4, 4},     {"keFormatIndex8", 8, 8},      {"keFormatIndex8A", 16, 8},
    {"keFormatGrey", 8, 8},       {"keFormatGreyA", 16, 8},      {"keFormatBGR", 24, 8},
    {"keFormatBGRA", 32, 8},      {"keFormatBGRxA", 32, 8},      {"keFormatGrey_u16", 16, 16},
    {"keFormatGreyA_u16", 32, 16}, {"keFormatBGR_u16", 48, 16},  {"keFormatBGRA_u16", 64, 16},
    {"keFormatBGRxA_u16", 64, 16}, {"keFormatGrey_f32", 32, 32}, {"keFormatGreyA_f32", 64, 32},
    {"keFormatBGR_f32", 96, 32},  {"keFormatBGRA_f32", 128, 32}, {"keFormatBGRxA_f32", 128, 32},
};

const FormatInfo* Info(int format) {
  if (format < -1 || format > 19) return nullptr;
  return &kFormats[format + 1];
}

}  // namespace

int FormatBitsPerPixel(int format) {
  const FormatInfo* info = Info(format);
  return info != nullptr ? info->bitsPerPixel : 0;
}

int FormatBitsPerChannel(int format) {
  const FormatInfo* info = Info(format);
  return info != nullptr ? info->bitsPerChannel : 0;
}

bool IsIndexedFormat(int format) { return format >= 1 && format <= 4; }
bool Is8BitFormat(int format) { return format >= 3 && format <= 9; }
bool Is16BitFormat(int format) { return format >= 10 && format <= 14; }

bool IsGreyFormat(int format) {
  switch (format) {
    case 5: case 6: case 10: case 11: case 15: case 16: return true;
    default: return false;
  }
}

bool FormatHasAlpha(int format) {
  switch (format) {
    case 4: case 6: case 8: case 9: case 11: case 13: case 14: case 16: case 18: case 19:
      return true;
    default:
      return false;
  }
}

int WithAlphaFormat(int format) {
  switch (format) {
    case 1: case 2: case 3: case 4: return 4;
    case 5: case 6: return 6;
    case 7: case 8: return 8;
    case 10: case 11: return 11;
    case 12: case 13: return 13;
    case 15: case 16: return 16;
    case 17: case 18: return 18;
    default: return format;
  }
}

int To8BitFormat(int format) {
  switch (format) {
    case 1: case 2: return 3;
    case 3: case 4: case 5: case 6: case 7: case 8: case 9: return format;
    case 10: case 15: return 5;
    case 11: case 16: return 6;
    case 12: case 17: return 7;
    case 13: case 18: return 8;
    case 14: case 19: return 9;
    default: return 0;
  }
}

int PremultipliedFormat(int format) {
  switch (format) {
    case 8: return 9;
    case 13: return 14;
    case 18: return 19;
    default: return format;
  }
}

int FormatChannels(int format, int channels[4]) {
  static constexpr int kBgr[] = {keChannelBlue, keChannelGreen, keChannelRed, keChannelAlpha};
  int count = 0;
  switch (format) {
    case 1: case 2: case 3: case 7: case 12: case 17: count = 3; break;
    case 4: case 8: case 9: case 13: case 14: case 18: case 19: count = 4; break;
    case 5: case 10: case 15:
      channels[0] = keChannelGrey;
      return 1;
    case 6: case 11: case 16:
      channels[0] = keChannelGrey;
      channels[1] = keChannelAlpha;
      return 2;
    default: return 0;
  }
  for (int i = 0; i < count; ++i) channels[i] = kBgr[i];
  return count;
}

const char* FormatName(int format) {
  const FormatInfo* info = Info(format);
  return info != nullptr ? info->name : "<unknown";
}
