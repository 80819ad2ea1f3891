#pragma once
// The transfer engine: repaints a source image in the colours of a template.
//
// Both images go through a float lattice into the decorrelated logarithmic
// l, alpha, beta space; each image's channels are decorrelated (alpha and beta
// regressed on l, then beta on alpha); the source's means and spreads are moved
// onto the template's, the template's correlations are put back, and the
// result goes back to RGB through two byte-lattice lookups one l level apart,
// blended by distance, then faded with the source pixel.
//
// Apply keeps no state between calls; lattices, planes and statistics live for
// one call.  The arithmetic lives in TransferPasses.h; this class walks the
// rows, reports progress and handles refusal, memory shortage and abort.

class CImageBuffer;
class CProgress;

class CColorTransfer {
 public:
  // Answers 0 when the pass completed or was refused with a message, -6 when
  // the progress object asked to stop (the destination is then a copy of the
  // source).  `destination` must have the source's format and at least its
  // size; `templateImage` must be keFormatBGR.  Row failures and a mismatched
  // destination or template are raised as CJException.
  int Apply(CProgress& progress, CImageBuffer& destination, const CImageBuffer& source,
            const CImageBuffer& templateImage, int brightness, int colourIntensity, int fade, int mode);

  // Shows a matrix picture instead of repainting: the destination's pixels
  // over the source's size are inverted, and the matrix picture is copied
  // over its top-left corner.  Only a keFormatBGR destination is drawn, and
  // everything is clipped to it.  Always 0.
  int ShowMatrix(CImageBuffer& destination, const CImageBuffer& source, const CImageBuffer& matrixPicture);
};
