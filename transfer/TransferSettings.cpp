#include "transfer/TransferPasses.h"

#include <algorithm>
#include <cmath>

namespace transfer_detail {

EngineConstants::EngineConstants()
    : lMin((std::log10(0.0241) + std::log10(0.0402) + std::log10(0.0782)) / std::sqrt(3.0)),
      lMax(3.0 * std::log10(255.0) / std::sqrt(3.0)),
      lStep((lMax - lMin) / 255.0),
      lIndexScale(1.0 / lStep) {}

DerivedSettings::DerivedSettings(int brightness, int colourIntensity, int fadePercent, int modeValue,
                                 const EngineConstants& c) {
  // Settings outside their ranges would push the faded value outside the
  // byte range, whose conversion is undefined; they are held to the ranges.
  brightness = std::clamp(brightness, -100, 100);
  colourIntensity = std::clamp(colourIntensity, -100, 100);
  fadePercent = std::clamp(fadePercent, 0, 100);
  mode = modeValue == 1 || modeValue == 2 ? modeValue : 0;
  fade = static_cast<float>(fadePercent * 0.01);
  const int halfBrightness = brightness / 2;  // so +-1 acts as 0
  const int halfColour = colourIntensity / 2;
  colourGain = (halfColour + 50) * 0.02;
  lShift = halfBrightness * 0.002 * (c.lMax - c.lMin);
  keep = static_cast<float>(1.0 - fade);
}

int EngineBytesPerPixel(int format) {
  switch (format) {
    case 5: return 1;  // keFormatGrey
    case 7: return 3;  // keFormatBGR
    case 8: return 4;  // keFormatBGRA
    default: return 0;
  }
}

}  // namespace transfer_detail
