#include "transfer/ColorLattice.h"

#include <cstring>

#include "transfer/SampleGrid.h"

namespace VTetra {

// ===========================================================================
// Lattice
// ===========================================================================

Lattice::Lattice(int inputs, int outputs, const int samples[kMaxChannels])
    : m_inputs(inputs), m_outputs(outputs) {
  if (inputs < 1 || inputs > kMaxChannels || outputs < 1 || outputs > kMaxChannels) {
    throw BadChannelCount();
  }
  for (int a = 0; a < kMaxChannels; ++a) m_samples[a] = a < inputs ? samples[a] : 1;
  m_name[0] = '\0';
  std::memset(m_corner, 0, sizeof m_corner);
  std::memset(m_stride, 0, sizeof m_stride);
}

Lattice::~Lattice() = default;

void Lattice::CheckSampleCounts() const {
  for (int a = 0; a < m_inputs; ++a) {
    if (m_samples[a] < 2 || m_samples[a] > kMaxSamples) throw BadSampleCount();
  }
}

std::size_t Lattice::Layout() {
  std::size_t nodes = 1;
  for (int a = 0; a < kMaxChannels; ++a) {
    m_stride[a] = static_cast<int>(nodes) * m_outputs;
    nodes *= static_cast<std::size_t>(m_samples[a]);
  }
  for (int mask = 1; mask <= kCornerCount; ++mask) {
    int offset = 0;
    for (int a = 0; a < kMaxChannels; ++a) {
      if (mask & (1 << a)) offset += m_stride[a];
    }
    m_corner[mask - 1] = offset;
  }
  return nodes;
}

void Lattice::SetName(const char* name) {
  if (name == nullptr) {
    m_name[0] = '\0';
    return;
  }
  std::size_t length = std::strlen(name);
  if (length > kNameSize - 1) length = kNameSize - 1;
  std::memcpy(m_name, name, length);
  m_name[length] = '\0';
}

bool Lattice::IsPerChannel() const { return m_perChannel; }
int Lattice::InputCount() const { return m_inputs; }
int Lattice::OutputCount() const { return m_outputs; }

int Lattice::SampleCount(int axis) const {
  if (axis < 0 || axis >= kMaxChannels) throw BadChannelCount();
  return m_samples[axis];
}

void Lattice::GetName(char* name) const { std::memcpy(name, m_name, std::strlen(m_name) + 1); }

// ===========================================================================
// Node visiting, shared by both flavours
// ===========================================================================

namespace {

// Calls visit(digits, elementOffset) for every node, axis 0 innermost.
template <typename Visit>
void ForEachNode(const int samples[kMaxChannels], int outputs, Visit visit) {
  int digit[kMaxChannels] = {0, 0, 0, 0, 0};
  std::size_t offset = 0;
  for (;;) {
    visit(digit, offset);
    offset += static_cast<std::size_t>(outputs);
    int a = 0;
    while (a < kMaxChannels && ++digit[a] == samples[a]) {
      digit[a] = 0;
      ++a;
    }
    if (a == kMaxChannels) return;
  }
}

// Axes in descending fraction order (ties keep the lower axis first; any order
// of equal fractions gives the same result because their weight is 0).
template <int K, typename F>
void SortAxes(const F f[K], int axis[K]) {
  for (int a = 0; a < K; ++a) {
    int j = a;
    while (j > 0 && f[axis[j - 1]] < f[a]) {
      axis[j] = axis[j - 1];
      --j;
    }
    axis[j] = a;
  }
}

}  // namespace

// ===========================================================================
// Float lattice
// ===========================================================================

namespace {

struct UniformCounts {
  int n[kMaxChannels];
  explicit UniformCounts(int samples) {
    for (int a = 0; a < kMaxChannels; ++a) n[a] = samples;
  }
};

template <int K>
void EvaluateFloat(const FloatLattice& lattice, const float* in, float* out, int count, int inStride,
                   int outStride) {
  const int outputs = lattice.OutputCount();
  const float* nodes = lattice.Nodes();
  for (int j = 0; j < count; ++j, in += inStride, out += outStride) {
    float f[K];
    int base = 0;
    for (int a = 0; a < K; ++a) {
      int offset;
      lattice.Locate(a, in[a], offset, f[a]);
      base += offset;
    }
    if constexpr (K == 3) {
      lattice.Interpolate3(base, f, out);
    } else {
      int axis[K];
      SortAxes<K>(f, axis);
      double weight[K + 1];
      const float* vertex[K + 1];
      weight[0] = 1.0 - static_cast<double>(f[axis[0]]);
      vertex[0] = nodes + base;
      int mask = 0;
      for (int v = 1; v <= K; ++v) {
        mask |= 1 << axis[v - 1];
        vertex[v] = nodes + base + lattice.CornerOffset(mask - 1);
        weight[v] = v < K ? static_cast<double>(f[axis[v - 1]]) - static_cast<double>(f[axis[v]])
                          : static_cast<double>(f[axis[K - 1]]);
      }
      for (int i = 0; i < outputs; ++i) {
        double sum = weight[0] * vertex[0][i];
        for (int v = 1; v <= K; ++v) sum += weight[v] * vertex[v][i];
        out[i] = static_cast<float>(sum);
      }
    }
  }
}

}  // namespace

FloatLattice::FloatLattice(int inputs, int outputs, int samples, FloatFunction* function)
    : Lattice(inputs, outputs, UniformCounts(samples).n) {
  CheckSampleCounts();
  const std::size_t nodes = Layout();
  m_nodes.reset(new float[nodes * static_cast<std::size_t>(m_outputs)]);
  if (function == nullptr) throw BadUserFunction();

  float coordinate[kMaxChannels][kMaxSamples];
  for (int a = 0; a < m_inputs; ++a) {
    const int n = m_samples[a];
    for (int i = 0; i < n; ++i) {
      coordinate[a][i] = n > 1 ? static_cast<float>(static_cast<double>(i) / (n - 1)) : 0.0f;
    }
  }
  float* store = m_nodes.get();
  ForEachNode(m_samples, m_outputs, [&](const int digit[kMaxChannels], std::size_t offset) {
    float in[kMaxChannels];
    for (int a = 0; a < m_inputs; ++a) in[a] = coordinate[a][digit[a]];
    function->Map(in, store + offset);
  });
}

FloatLattice::~FloatLattice() = default;

void FloatLattice::Evaluate(const void* inVoid, void* outVoid, int count, int inStride, int outStride) const {
  const float* in = static_cast<const float*>(inVoid);
  float* out = static_cast<float*>(outVoid);
  if (inStride == 0) inStride = m_inputs;
  if (outStride == 0) outStride = m_outputs;
  switch (m_inputs) {
    case 1: EvaluateFloat<1>(*this, in, out, count, inStride, outStride); break;
    case 2: EvaluateFloat<2>(*this, in, out, count, inStride, outStride); break;
    case 3: EvaluateFloat<3>(*this, in, out, count, inStride, outStride); break;
    case 4: EvaluateFloat<4>(*this, in, out, count, inStride, outStride); break;
    case 5: EvaluateFloat<5>(*this, in, out, count, inStride, outStride); break;
    default: break;
  }
}

// ===========================================================================
// Byte lattice
// ===========================================================================

namespace {

struct ByteCounts {
  int n[kMaxChannels];
  ByteCounts(int inputs, int samples) {
    for (int a = 0; a < kMaxChannels; ++a) n[a] = inputs == 1 ? 256 : samples;
  }
  ByteCounts(int inputs, const SampleGrid* grid) {
    for (int a = 0; a < kMaxChannels; ++a) {
      if (inputs == 1) {
        n[a] = 256;
      } else if (grid == nullptr) {
        n[a] = 0;  // rejected by the sample-count check
      } else {
        n[a] = grid->SampleCount(a);
      }
    }
  }
};

template <int K>
void EvaluateByte(const ByteLattice& lattice, const unsigned char* in, unsigned char* out, int count,
                  int inStride, int outStride, const std::int32_t* const offsetTable[kMaxChannels]) {
  const int outputs = lattice.OutputCount();
  const unsigned char* nodes = lattice.Nodes();
  for (int j = 0; j < count; ++j, in += inStride, out += outStride) {
    if constexpr (K == 1) {
      const unsigned char* node = nodes + static_cast<int>(in[0]) * outputs;
      for (int i = 0; i < outputs; ++i) out[i] = node[i];
    } else if constexpr (K == 3) {
      lattice.Evaluate3(in, out);
    } else {
      int f[K];
      int base = 0;
      for (int a = 0; a < K; ++a) {
        f[a] = lattice.FractionTable(a)[in[a]];
        base += offsetTable[a][in[a]];
      }
      int axis[K];
      SortAxes<K>(f, axis);
      int weight[K + 1];
      const unsigned char* vertex[K + 1];
      weight[0] = 256 - f[axis[0]];
      vertex[0] = nodes + base;
      int mask = 0;
      for (int v = 1; v <= K; ++v) {
        mask |= 1 << axis[v - 1];
        vertex[v] = nodes + base + lattice.CornerOffset(mask - 1);
        weight[v] = v < K ? f[axis[v - 1]] - f[axis[v]] : f[axis[K - 1]];
      }
      for (int i = 0; i < outputs; ++i) {
        int sum = 128;
        for (int v = 0; v <= K; ++v) sum += weight[v] * vertex[v][i];
        out[i] = static_cast<unsigned char>(sum >> 8);
      }
    }
  }
}

}  // namespace

ByteLattice::ByteLattice(int inputs, int outputs, int samples, ByteFunction* function)
    : Lattice(inputs, outputs, ByteCounts(inputs, samples).n), m_function(function) {
  CheckSampleCounts();
  Allocate();
  if (m_inputs >= 2) {
    for (int a = 0; a < m_inputs; ++a) {
      unsigned char positions[kMaxSamples];
      for (int i = 0; i < m_samples[a]; ++i) {
        positions[i] = static_cast<unsigned char>(UniformPosition(i, m_samples[a]));
      }
      BuildTables(a, positions);
    }
  }
  if (m_function == nullptr) throw BadUserFunction();

  unsigned char* store = m_nodes.get();
  ForEachNode(m_samples, m_outputs, [&](const int digit[kMaxChannels], std::size_t offset) {
    unsigned char in[kMaxChannels];
    for (int a = 0; a < m_inputs; ++a) {
      in[a] = m_inputs == 1 ? static_cast<unsigned char>(digit[a])
                            : static_cast<unsigned char>(UniformPosition(digit[a], m_samples[a]));
    }
    m_function->Map(in, store + offset);
  });
}

ByteLattice::ByteLattice(int inputs, int outputs, SampleGrid* grid, ByteFunction* function)
    : Lattice(inputs, outputs, ByteCounts(inputs, grid).n), m_function(function) {
  CheckSampleCounts();
  Allocate();
  if (grid == nullptr && m_inputs >= 2) throw BadSampleCount();
  SampleAtGrid(grid);
}

ByteLattice::~ByteLattice() = default;

void ByteLattice::Allocate() {
  const std::size_t nodes = Layout();
  m_nodes.reset(new unsigned char[nodes * static_cast<std::size_t>(m_outputs)]);
}

void ByteLattice::BuildTables(int axis, const unsigned char* p) {
  const int n = m_samples[axis];
  if (p[0] != 0 || p[n - 1] != 255) throw BadSampleCount();
  for (int i = 1; i < n; ++i) {
    if (p[i] <= p[i - 1]) throw BadSampleCount();
  }
  if (!m_index[axis]) {
    m_index[axis].reset(new unsigned char[256]);
    m_fraction[axis].reset(new std::uint16_t[256]);
    m_offset[axis].reset(new std::int32_t[256]);
  }
  int q = 0;
  for (int v = 0; v < 255; ++v) {
    while (v >= p[q + 1]) ++q;
    m_index[axis][v] = static_cast<unsigned char>(q);
    m_fraction[axis][v] = static_cast<std::uint16_t>(((v - p[q]) * 256) / (p[q + 1] - p[q]));
  }
  m_index[axis][255] = static_cast<unsigned char>(n - 2);
  m_fraction[axis][255] = 256;
  for (int v = 0; v < 256; ++v) m_offset[axis][v] = m_index[axis][v] * m_stride[axis];
}

void ByteLattice::SampleAtGrid(SampleGrid* grid) {
  unsigned char positions[kMaxChannels][kMaxSamples];
  if (m_inputs >= 2) {
    if (grid == nullptr) throw BadSampleCount();
    for (int a = 0; a < m_inputs; ++a) {
      if (grid->SampleCount(a) != m_samples[a]) throw BadSampleCount();
      for (int i = 0; i < m_samples[a]; ++i) positions[a][i] = grid->Position(a, i);
      BuildTables(a, positions[a]);
    }
  } else {
    for (int v = 0; v < 256; ++v) positions[0][v] = static_cast<unsigned char>(v);
  }
  if (m_function == nullptr) throw BadUserFunction();

  unsigned char* store = m_nodes.get();
  ForEachNode(m_samples, m_outputs, [&](const int digit[kMaxChannels], std::size_t offset) {
    unsigned char in[kMaxChannels];
    for (int a = 0; a < m_inputs; ++a) in[a] = positions[a][digit[a]];
    m_function->Map(in, store + offset);
  });
}

ByteKernel3::ByteKernel3(const ByteLattice& lattice) {
  if (lattice.InputCount() != 3 || lattice.OutputCount() != 3) throw BadChannelCount();
  std::size_t nodes = 3;
  for (int a = 0; a < 3; ++a) {
    const int stride = lattice.CornerOffset((1 << a) - 1);
    for (int v = 0; v < 256; ++v) {
      m_cell[a][v].offset = lattice.IndexTable(a)[v] * stride;
      m_cell[a][v].fraction = lattice.FractionTable(a)[v];
    }
    nodes *= static_cast<std::size_t>(lattice.SampleCount(a));
  }
  for (int i = 0; i < 8; ++i) {
    m_corners[i].second = lattice.CornerOffset(detail::kTetrahedra[i].corner1);
    m_corners[i].third = lattice.CornerOffset(detail::kTetrahedra[i].corner2);
  }
  m_opposite = lattice.CornerOffset(6);
  m_nodes.reset(new unsigned char[nodes + 4]);
  std::memcpy(m_nodes.get(), lattice.Nodes(), nodes);
  std::memset(m_nodes.get() + nodes, 0, 4);
}

void ByteLattice::Evaluate(const void* inVoid, void* outVoid, int count, int inStride, int outStride) const {
  const unsigned char* in = static_cast<const unsigned char*>(inVoid);
  unsigned char* out = static_cast<unsigned char*>(outVoid);
  if (inStride == 0) inStride = m_inputs;
  if (outStride == 0) outStride = m_outputs;
  const std::int32_t* offsets[kMaxChannels] = {m_offset[0].get(), m_offset[1].get(), m_offset[2].get(),
                                               m_offset[3].get(), m_offset[4].get()};
  switch (m_inputs) {
    case 1: EvaluateByte<1>(*this, in, out, count, inStride, outStride, offsets); break;
    case 2: EvaluateByte<2>(*this, in, out, count, inStride, outStride, offsets); break;
    case 3: EvaluateByte<3>(*this, in, out, count, inStride, outStride, offsets); break;
    case 4: EvaluateByte<4>(*this, in, out, count, inStride, outStride, offsets); break;
    case 5: EvaluateByte<5>(*this, in, out, count, inStride, outStride, offsets); break;
    default: break;
  }
}

}  // namespace VTetra
