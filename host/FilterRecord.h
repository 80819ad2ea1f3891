#pragma once
// The Photoshop filter plug-in interface, declared from its published binary
// layout: the types, the FilterRecord a host passes to ENTRYPOINT, and the
// selector, image-mode and result constants.
//
// The record is packed to 4 bytes on Win32 and Win64 alike, so on 64-bit
// targets 8-byte pointers sit at 4-aligned offsets.  Static assertions below
// pin the offset of every field against the layout hosts use; a 64-bit POSIX
// build gets the Win64 layout.

#include <cstddef>
#include <cstdint>

using int16 = std::int16_t;
using int32 = std::int32_t;
using uint8 = std::uint8_t;
using uint16 = std::uint16_t;
using uint32 = std::uint32_t;

using Fixed = int32;    // 16.16
using Boolean = uint8;  // 1 byte
using OSType = uint32;  // four-character code
using OSErr = int16;
using Ptr = char*;
using Handle = char**;  // opaque

#pragma pack(push, 4)

struct Point {
  int16 v;
  int16 h;
};

struct Rect {
  int16 top;
  int16 left;
  int16 bottom;
  int16 right;
};

struct VPoint {
  int32 v;
  int32 h;
};

struct VRect {
  int32 top;
  int32 left;
  int32 bottom;
  int32 right;
};

struct RGBColor {
  uint16 red;
  uint16 green;
  uint16 blue;
};

using FilterColor = uint8[4];

struct PlugInMonitor {
  Fixed gamma;
  Fixed redX, redY;
  Fixed greenX, greenY;
  Fixed blueX, blueY;
  Fixed whiteX, whiteY;
  Fixed ambient;
};

#pragma pack(pop)

struct PlatformData {
  std::intptr_t hwnd;  // the host's main window
};

#if defined(_WIN32) && !defined(_WIN64)
#define TINTAVO_CDECL __cdecl
#else
#define TINTAVO_CDECL
#endif

extern "C" {
typedef Boolean(TINTAVO_CDECL* TestAbortProc)();
typedef void(TINTAVO_CDECL* ProgressProc)(int32 done, int32 total);
typedef void(TINTAVO_CDECL* HostProc)(int16 selector, std::intptr_t* data);
typedef OSErr(TINTAVO_CDECL* AdvanceStateProc)();
typedef void(TINTAVO_CDECL* AnyProc)();
}

#pragma pack(push, 4)

struct FilterRecord {
  int32 serialNumber;
  TestAbortProc abortProc;
  ProgressProc progressProc;
  Handle parameters;
  Point imageSize;  // v = rows, h = columns
  int16 planes;
  Rect filterRect;
  RGBColor background;
  RGBColor foreground;
  int32 maxSpace;
  int32 bufferSpace;
  Rect inRect;
  int16 inLoPlane;
  int16 inHiPlane;
  Rect outRect;
  int16 outLoPlane;
  int16 outHiPlane;
  void* inData;
  int32 inRowBytes;
  void* outData;
  int32 outRowBytes;
  Boolean isFloating;
  Boolean haveMask;
  Boolean autoMask;
  uint8 pad0;
  Rect maskRect;
  void* maskData;
  int32 maskRowBytes;
  FilterColor backColor;
  FilterColor foreColor;
  OSType hostSig;
  HostProc hostProc;
  int16 imageMode;
  int16 pad1;
  Fixed imageHRes;
  Fixed imageVRes;
  Point floatCoord;
  Point wholeSize;
  PlugInMonitor monitor;
  PlatformData* platformData;
  void* bufferProcs;
  void* resourceProcs;
  AnyProc processEvent;
  AnyProc displayPixels;
  void* handleProcs;
  Boolean supportsDummyChannels;
  Boolean supportsAlternateLayouts;
  int16 wantLayout;
  int16 filterCase;
  int16 dummyPlaneValue;
  void* premiereHook;
  AdvanceStateProc advanceState;
  Boolean supportsAbsolute;
  Boolean wantsAbsolute;
  AnyProc getPropertyObsolete;
  Boolean cannotUndo;
  Boolean supportsPadding;
  int16 inputPadding;
  int16 outputPadding;
  int16 maskPadding;
  char samplingSupport;
  char reservedByte;
  Fixed inputRate;
  Fixed maskRate;
  AnyProc colorServices;
  int16 inLayerPlanes;
  int16 inTransparencyMask;
  int16 inLayerMasks;
  int16 inInvertedLayerMasks;
  int16 inNonLayerPlanes;
  int16 outLayerPlanes;
  int16 outTransparencyMask;
  int16 outLayerMasks;
  int16 outInvertedLayerMasks;
  int16 outNonLayerPlanes;
  int16 absLayerPlanes;
  int16 absTransparencyMask;
  int16 absLayerMasks;
  int16 absInvertedLayerMasks;
  int16 absNonLayerPlanes;
  int16 inPreDummyPlanes;
  int16 inPostDummyPlanes;
  int16 outPreDummyPlanes;
  int16 outPostDummyPlanes;
  int32 inColumnBytes;
  int32 inPlaneBytes;
  int32 outColumnBytes;
  int32 outPlaneBytes;
  void* imageServicesProcs;
  void* propertyProcs;
  int16 inTileHeight;
  int16 inTileWidth;
  Point inTileOrigin;
  int16 absTileHeight;
  int16 absTileWidth;
  Point absTileOrigin;
  int16 outTileHeight;
  int16 outTileWidth;
  Point outTileOrigin;
  int16 maskTileHeight;
  int16 maskTileWidth;
  Point maskTileOrigin;
  void* descriptorParameters;
  void* errorString;
  void* channelPortProcs;
  void* documentInfo;
  void* sSPBasic;
  void* plugInRef;
  int32 depth;
  Handle iCCprofileData;
  int32 iCCprofileSize;
  int32 canUseICCProfiles;
  int32 hasImageScrap;
  void* bigDocumentData;  // most hosts leave it null; never read beyond it
};

#pragma pack(pop)

// ---------------------------------------------------------------------------
// The binary layout hosts rely on.
// ---------------------------------------------------------------------------

#define TINTAVO_AT(field, win32, win64) \
  static_assert(offsetof(FilterRecord, field) == (sizeof(void*) == 4 ? (win32) : (win64)), #field)

TINTAVO_AT(serialNumber, 0, 0);
TINTAVO_AT(abortProc, 4, 4);
TINTAVO_AT(progressProc, 8, 12);
TINTAVO_AT(parameters, 12, 20);
TINTAVO_AT(imageSize, 16, 28);
TINTAVO_AT(planes, 20, 32);
TINTAVO_AT(filterRect, 22, 34);
TINTAVO_AT(background, 30, 42);
TINTAVO_AT(foreground, 36, 48);
TINTAVO_AT(maxSpace, 44, 56);
TINTAVO_AT(bufferSpace, 48, 60);
TINTAVO_AT(inRect, 52, 64);
TINTAVO_AT(inLoPlane, 60, 72);
TINTAVO_AT(inHiPlane, 62, 74);
TINTAVO_AT(outRect, 64, 76);
TINTAVO_AT(outLoPlane, 72, 84);
TINTAVO_AT(outHiPlane, 74, 86);
TINTAVO_AT(inData, 76, 88);
TINTAVO_AT(inRowBytes, 80, 96);
TINTAVO_AT(outData, 84, 100);
TINTAVO_AT(outRowBytes, 88, 108);
TINTAVO_AT(isFloating, 92, 112);
TINTAVO_AT(haveMask, 93, 113);
TINTAVO_AT(autoMask, 94, 114);
TINTAVO_AT(maskRect, 96, 116);
TINTAVO_AT(maskData, 104, 124);
TINTAVO_AT(maskRowBytes, 108, 132);
TINTAVO_AT(backColor, 112, 136);
TINTAVO_AT(foreColor, 116, 140);
TINTAVO_AT(hostSig, 120, 144);
TINTAVO_AT(hostProc, 124, 148);
TINTAVO_AT(imageMode, 128, 156);
TINTAVO_AT(imageHRes, 132, 160);
TINTAVO_AT(imageVRes, 136, 164);
TINTAVO_AT(floatCoord, 140, 168);
TINTAVO_AT(wholeSize, 144, 172);
TINTAVO_AT(monitor, 148, 176);
TINTAVO_AT(platformData, 188, 216);
TINTAVO_AT(bufferProcs, 192, 224);
TINTAVO_AT(resourceProcs, 196, 232);
TINTAVO_AT(processEvent, 200, 240);
TINTAVO_AT(displayPixels, 204, 248);
TINTAVO_AT(handleProcs, 208, 256);
TINTAVO_AT(supportsDummyChannels, 212, 264);
TINTAVO_AT(supportsAlternateLayouts, 213, 265);
TINTAVO_AT(wantLayout, 214, 266);
TINTAVO_AT(filterCase, 216, 268);
TINTAVO_AT(dummyPlaneValue, 218, 270);
TINTAVO_AT(premiereHook, 220, 272);
TINTAVO_AT(advanceState, 224, 280);
TINTAVO_AT(supportsAbsolute, 228, 288);
TINTAVO_AT(wantsAbsolute, 229, 289);
TINTAVO_AT(getPropertyObsolete, 232, 292);
TINTAVO_AT(cannotUndo, 236, 300);
TINTAVO_AT(supportsPadding, 237, 301);
TINTAVO_AT(inputPadding, 238, 302);
TINTAVO_AT(outputPadding, 240, 304);
TINTAVO_AT(maskPadding, 242, 306);
TINTAVO_AT(samplingSupport, 244, 308);
TINTAVO_AT(reservedByte, 245, 309);
TINTAVO_AT(inputRate, 248, 312);
TINTAVO_AT(maskRate, 252, 316);
TINTAVO_AT(colorServices, 256, 320);
TINTAVO_AT(inLayerPlanes, 260, 328);
TINTAVO_AT(inTransparencyMask, 262, 330);
TINTAVO_AT(inLayerMasks, 264, 332);
TINTAVO_AT(inInvertedLayerMasks, 266, 334);
TINTAVO_AT(inNonLayerPlanes, 268, 336);
TINTAVO_AT(outLayerPlanes, 270, 338);
TINTAVO_AT(outNonLayerPlanes, 278, 346);
TINTAVO_AT(absLayerPlanes, 280, 348);
TINTAVO_AT(absNonLayerPlanes, 288, 356);
TINTAVO_AT(inPreDummyPlanes, 290, 358);
TINTAVO_AT(outPostDummyPlanes, 296, 364);
TINTAVO_AT(inColumnBytes, 300, 368);
TINTAVO_AT(inPlaneBytes, 304, 372);
TINTAVO_AT(outColumnBytes, 308, 376);
TINTAVO_AT(outPlaneBytes, 312, 380);
TINTAVO_AT(imageServicesProcs, 316, 384);
TINTAVO_AT(propertyProcs, 320, 392);
TINTAVO_AT(inTileHeight, 324, 400);
TINTAVO_AT(maskTileOrigin, 352, 428);
TINTAVO_AT(descriptorParameters, 356, 432);
TINTAVO_AT(errorString, 360, 440);
TINTAVO_AT(channelPortProcs, 364, 448);
TINTAVO_AT(documentInfo, 368, 456);
TINTAVO_AT(sSPBasic, 372, 464);
TINTAVO_AT(plugInRef, 376, 472);
TINTAVO_AT(depth, 380, 480);
TINTAVO_AT(iCCprofileData, 384, 484);
TINTAVO_AT(iCCprofileSize, 388, 492);
TINTAVO_AT(canUseICCProfiles, 392, 496);
TINTAVO_AT(hasImageScrap, 396, 500);
TINTAVO_AT(bigDocumentData, 400, 504);

#undef TINTAVO_AT

static_assert(sizeof(Rect) == 8 && sizeof(Point) == 4 && sizeof(RGBColor) == 6, "interface types");
static_assert(sizeof(PlugInMonitor) == 40, "PlugInMonitor");

// ---------------------------------------------------------------------------
// Constants
// ---------------------------------------------------------------------------

enum FilterSelector : int16 {
  filterSelectorAbout = 0,
  filterSelectorParameters = 1,
  filterSelectorPrepare = 2,
  filterSelectorStart = 3,
  filterSelectorContinue = 4,
  filterSelectorFinish = 5,
};

enum ImageMode : int16 {
  plugInModeBitmap = 0,
  plugInModeGrayScale = 1,
  plugInModeIndexedColor = 2,
  plugInModeRGBColor = 3,
  plugInModeCMYKColor = 4,
  plugInModeHSLColor = 5,
  plugInModeHSBColor = 6,
  plugInModeMultichannel = 7,
  plugInModeDuotone = 8,
  plugInModeLabColor = 9,
  plugInModeGray16 = 10,
  plugInModeRGB48 = 11,
  plugInModeLab48 = 12,
  plugInModeCMYK64 = 13,
  plugInModeDeepMultichannel = 14,
  plugInModeDuotone16 = 15,
  plugInModeRGB96 = 16,
  plugInModeGray32 = 17,
};

constexpr OSErr noErr = 0;
constexpr OSErr userCanceledErr = -128;
constexpr OSErr filterBadParameters = -30100;
constexpr OSErr filterBadMode = -30101;

// The exported entry point, cdecl on 32-bit Windows.
#if defined(_WIN32)
#define TINTAVO_EXPORT __declspec(dllexport)
#else
#define TINTAVO_EXPORT __attribute__((visibility("default")))
#endif

using EntryPointProc = void(TINTAVO_CDECL*)(int16 selector, FilterRecord* record, std::intptr_t* data,
                                            int16* result);
