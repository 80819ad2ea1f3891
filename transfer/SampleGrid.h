#pragma once
// Sample positions of a byte lattice that does not use the regular grid.
//
// A grid holds, per axis, its sample count and an owned array of positions in
// 0..255.  New positions are uniform; they can then be moved one by one.  A
// byte lattice built from the grid needs each used axis to start at 0, end at
// 255 and increase strictly.

#include <memory>

#include "transfer/ColorLattice.h"

namespace VTetra {

// Uniform position i of an axis with n samples: (i * 255 + (n - 1) / 2) / (n - 1)
// in integer arithmetic, 0 for an axis with one sample.
inline int UniformPosition(int i, int n) {
  return n <= 1 ? 0 : (i * 255 + (n - 1) / 2) / (n - 1);
}

class SampleGrid {
 public:
  // Axis 0 needs 2..256 samples, the others 1..256 (BadSampleCount).  Once an
  // axis from 1 on has a single sample, every later axis has one too.
  SampleGrid(int n0, int n1 = 1, int n2 = 1, int n3 = 1, int n4 = 1);
  explicit SampleGrid(const int counts[kMaxChannels]);
  virtual ~SampleGrid();
  SampleGrid(const SampleGrid&) = delete;
  SampleGrid& operator=(const SampleGrid&) = delete;

  // BadChannelCount for an axis outside 0..4.
  virtual int SampleCount(int axis) const;
  // BadChannelCount for a bad axis, BadSampleCount for an index outside the axis.
  virtual unsigned char Position(int axis, int index) const;
  virtual void SetPosition(int axis, int index, unsigned char position);

 private:
  void Init(const int counts[kMaxChannels]);
  void Check(int axis, int index) const;

  int m_samples[kMaxChannels];
  std::unique_ptr<unsigned char[]> m_positions[kMaxChannels];
};

}  // namespace VTetra
