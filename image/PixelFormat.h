#pragma once
// Pixel format codes and their properties.
//
// A format fixes bits per pixel and the order of channels in memory, blue
// first: keFormatBGR is B, G, R at byte offsets 0, 1, 2.  Every property is
// a pure function of the code; codes outside the table answer 0, false or
// the code itself.

#include <cstdint>

enum PixelFormat : std::int32_t {
  keFormatCustom = -1,
  keFormatNone = 0,
  keFormatIndex1 = 1,
  keFormatIndex4 = 2,
  keFormatIndex8 = 3,
  keFormatIndex8A = 4,
  keFormatGrey = 5,
  keFormatGreyA = 6,
  keFormatBGR = 7,
  keFormatBGRA = 8,
  keFormatBGRxA = 9,  // B, G, R premultiplied by A
  keFormatGrey_u16 = 10,
  keFormatGreyA_u16 = 11,
  keFormatBGR_u16 = 12,
  keFormatBGRA_u16 = 13,
  keFormatBGRxA_u16 = 14,
  keFormatGrey_f32 = 15,
  keFormatGreyA_f32 = 16,
  keFormatBGR_f32 = 17,
  keFormatBGRA_f32 = 18,
  keFormatBGRxA_f32 = 19,
};

// Channel kinds in a format's channel list, and the channel numbers used when
// one channel of a pixel is addressed on its own.
enum ChannelKind : std::int32_t {
  keChannelColour = -3,  // the colour part without alpha
  keChannelPixel = -2,   // the whole pixel
  keChannelBlue = 0,
  keChannelGreen = 1,
  keChannelRed = 2,
  keChannelAlpha = 3,
  keChannelGrey = 4,
  keChannelIndex = 5,
};

int FormatBitsPerPixel(int format);
int FormatBitsPerChannel(int format);
bool IsIndexedFormat(int format);
bool Is8BitFormat(int format);
bool Is16BitFormat(int format);
bool IsGreyFormat(int format);
bool FormatHasAlpha(int format);
int WithAlphaFormat(int format);
int To8BitFormat(int format);
int PremultipliedFormat(int format);
// Writes the channel kinds in memory order into `channels` (room for 4) and
// answers their number.
int FormatChannels(int format, int channels[4]);
// The enumerator's name, or "<unknown" for codes outside the table.
const char* FormatName(int format);
