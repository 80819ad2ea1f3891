#include "transfer/ColorTransforms.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

using tintavo::kAlphaMax;
using tintavo::kAlphaMin;
using tintavo::kAlphaStep;
using tintavo::kBetaMax;
using tintavo::kBetaMin;
using tintavo::kBetaStep;

constexpr double kLMin = -2.379000739051331;

struct Lab {
  float l, alpha, beta;
};

Lab Forward(float r, float g, float b) {
  RgbToLalphaBeta forward;
  const float in[3] = {r, g, b};
  float out[3];
  forward.Map(in, out);
  return {out[0], out[1], out[2]};
}

TEST(ColorTransformsTest, ForwardWorkedValues) {
  // Black: every response at its floor.
  const Lab black = Forward(0, 0, 0);
  EXPECT_FLOAT_EQ(static_cast<float>(kLMin), black.l);
  EXPECT_FLOAT_EQ(static_cast<float>(0.2994087740744), black.alpha);
  EXPECT_FLOAT_EQ(static_cast<float>(kBetaMin), black.beta);

  // Pure blue and pure red bound the alpha and beta ranges.
  EXPECT_FLOAT_EQ(static_cast<float>(kAlphaMin), Forward(0, 0, 1).alpha);
  EXPECT_FLOAT_EQ(static_cast<float>(kBetaMin), Forward(0, 0, 1).beta);
  const Lab red = Forward(1, 0, 0);
  EXPECT_FLOAT_EQ(static_cast<float>(kAlphaMax), red.alpha);
  EXPECT_FLOAT_EQ(static_cast<float>(kBetaMax), red.beta);

  // White sits just under lmax, nearly achromatic.
  const Lab white = Forward(1, 1, 1);
  EXPECT_NEAR(4.1673, white.l, 5e-5);
  EXPECT_NEAR(0.0, white.alpha, 1e-3);
  EXPECT_NEAR(0.0, white.beta, 1e-3);
  EXPECT_LT(white.l, 4.168249862967583);
}

TEST(ColorTransformsTest, BackwardMapsBlackIndicesToBlackAndClampsTheTop) {
  LalphaBetaToRgb backward;
  const Lab black = Forward(0, 0, 0);
  // Black's index triple, as the engine computes indices.
  const unsigned char index[3] = {
      static_cast<unsigned char>((black.l - backward.LMin()) * (1.0 / backward.LStep())),
      static_cast<unsigned char>((black.alpha - kAlphaMin) * 139.84634029033802),
      static_cast<unsigned char>((black.beta - kBetaMin) * 625.8502080680752)};
  EXPECT_EQ(0, index[0]);
  EXPECT_EQ(176, index[1]);
  EXPECT_EQ(0, index[2]);
  unsigned char rgb[3] = {1, 1, 1};
  backward.Map(index, rgb);
  EXPECT_EQ(0, rgb[0]);
  EXPECT_EQ(0, rgb[1]);
  EXPECT_EQ(0, rgb[2]);

  // The top corner is far outside the gamut: red clamps to 255, the others to 0.
  const unsigned char top[3] = {255, 255, 255};
  backward.Map(top, rgb);
  EXPECT_EQ(255, rgb[0]);
  EXPECT_EQ(0, rgb[1]);
  EXPECT_EQ(0, rgb[2]);

  EXPECT_DOUBLE_EQ(kLMin, backward.LMin());
  EXPECT_DOUBLE_EQ(4.168249862967583, backward.LMax());
  EXPECT_NEAR(0.025675492556936918, backward.LStep(), 1e-17);
}

TEST(ColorTransformsTest, DarkIndicesGiveExactBlackChannels) {
  // Along the darkest l level every response is below its cut-off for any
  // alpha and beta, so the result is exactly black rather than small values.
  LalphaBetaToRgb backward;
  for (int a = 0; a < 256; a += 15) {
    for (int b = 0; b < 256; b += 15) {
      const unsigned char in[3] = {0, static_cast<unsigned char>(a), static_cast<unsigned char>(b)};
      unsigned char rgb[3] = {9, 9, 9};
      backward.Map(in, rgb);
      ASSERT_EQ(0, rgb[0] + rgb[1] + rgb[2]) << a << ", " << b;
    }
  }
}

TEST(ColorTransformsTest, RoundTripStaysCloseToTheColour) {
  // Forward, quantise to the nearest index, back: within the quantisation
  // steps (about 4 % of the value plus 2) for a grid of colours.
  RgbToLalphaBeta forward;
  LalphaBetaToRgb backward;
  for (int r = 0; r < 256; r += 15) {
    for (int g = 0; g < 256; g += 15) {
      for (int b = 0; b < 256; b += 15) {
        const float in[3] = {r / 255.0f, g / 255.0f, b / 255.0f};
        float lab[3];
        forward.Map(in, lab);
        const double steps[3] = {backward.LStep(), kAlphaStep, kBetaStep};
        const double mins[3] = {backward.LMin(), kAlphaMin, kBetaMin};
        unsigned char index[3];
        for (int i = 0; i < 3; ++i) {
          const double x = std::round((lab[i] - mins[i]) / steps[i]);
          index[i] = static_cast<unsigned char>(std::clamp(x, 0.0, 255.0));
        }
        unsigned char rgb[3];
        backward.Map(index, rgb);
        const int want[3] = {r, g, b};
        for (int i = 0; i < 3; ++i) {
          ASSERT_LE(std::abs(rgb[i] - want[i]), 0.04 * want[i] + 2.0)
              << "colour " << r << ", " << g << ", " << b << " channel " << i;
        }
      }
    }
  }
}

}  // namespace
