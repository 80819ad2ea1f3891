#include "transfer/SampleGrid.h"

namespace VTetra {

SampleGrid::SampleGrid(int n0, int n1, int n2, int n3, int n4) {
  const int counts[kMaxChannels] = {n0, n1, n2, n3, n4};
  Init(counts);
}

SampleGrid::SampleGrid(const int counts[kMaxChannels]) { Init(counts); }

SampleGrid::~SampleGrid() = default;

void SampleGrid::Init(const int counts[kMaxChannels]) {
  if (counts[0] < 2 || counts[0] > kMaxSamples) throw BadSampleCount();
  m_samples[0] = counts[0];
  bool single = false;
  for (int a = 1; a < kMaxChannels; ++a) {
    if (single) {
      m_samples[a] = 1;
      continue;
    }
    if (counts[a] < 1 || counts[a] > kMaxSamples) throw BadSampleCount();
    m_samples[a] = counts[a];
    single = counts[a] == 1;
  }
  for (int a = 0; a < kMaxChannels; ++a) {
    const int n = m_samples[a];
    m_positions[a].reset(new unsigned char[n]);
    for (int i = 0; i < n; ++i) m_positions[a][i] = static_cast<unsigned char>(UniformPosition(i, n));
  }
}

void SampleGrid::Check(int axis, int index) const {
  if (axis < 0 || axis >= kMaxChannels) throw BadChannelCount();
  if (index < 0 || index >= m_samples[axis]) throw BadSampleCount();
}

int SampleGrid::SampleCount(int axis) const {
  if (axis < 0 || axis >= kMaxChannels) throw BadChannelCount();
  return m_samples[axis];
}

unsigned char SampleGrid::Position(int axis, int index) const {
  Check(axis, index);
  return m_positions[axis][index];
}

void SampleGrid::SetPosition(int axis, int index, unsigned char position) {
  Check(axis, index);
  m_positions[axis][index] = position;
}

}  // namespace VTetra
