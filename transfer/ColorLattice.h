#pragma once
// VTetra colour lattices: a function from a colour vector to a colour vector,
// sampled once on a regular grid of nodes and then evaluated for any input by
// simplex interpolation inside the grid cell that holds the input (tetrahedral
// interpolation with three inputs).
//
// Why it is built this way: the colour-space conversions of the transfer
// engine need logarithms and powers; a lattice replaces them in the pixel
// loops by a few table lookups and multiply-adds.  The float lattice takes
// float inputs in [0, 1]; the byte lattice takes 8-bit inputs and works with
// integer weights in units of 1/256 from per-axis index and fraction tables,
// so its evaluation has no division at all.
//
// Nodes are stored with axis 0 varying fastest; the outputs of one node are
// consecutive.  Corner offset number (mask - 1) is the element offset from a
// cell's base node to the corner that adds the axes whose bits are set in mask.
//
// Each input count has its own evaluation loop.  The three-input kernels are
// inline below because the transfer engine calls them once per pixel on a
// concrete lattice; everything else lives in ColorLattice.cpp.

#include <cstddef>
#include <cstdint>
#include <memory>

// The three-input kernels run once or twice per pixel; they must be inlined
// into the engine's row loops whatever the compiler's size heuristics say.
#if defined(__GNUC__)
#define VTETRA_ALWAYS_INLINE inline __attribute__((always_inline))
#else
#define VTETRA_ALWAYS_INLINE inline
#endif

namespace VTetra {

// Thrown by value; empty on purpose.
class BadChannelCount {};
class BadSampleCount {};
class BadUserFunction {};

inline constexpr int kMaxChannels = 5;
inline constexpr int kMaxSamples = 256;
inline constexpr int kNameSize = 256;
inline constexpr int kCornerCount = 31;

// Generator of a float lattice: reads InputCount() floats, writes
// OutputCount() floats.
class FloatFunction {
 public:
  virtual ~FloatFunction() = default;
  virtual void Map(const float* in, float* out) = 0;
};

// Generator of a byte lattice.
class ByteFunction {
 public:
  virtual ~ByteFunction() = default;
  virtual void Map(const unsigned char* in, unsigned char* out) = 0;
};

class SampleGrid;

// ---------------------------------------------------------------------------
// Common base
// ---------------------------------------------------------------------------

class Lattice {
 public:
  virtual ~Lattice();
  Lattice(const Lattice&) = delete;
  Lattice& operator=(const Lattice&) = delete;

  // Keeps at most 255 characters of the name; a null name clears it.
  virtual void SetName(const char* name);
  virtual bool IsPerChannel() const;
  virtual int InputCount() const;
  virtual int OutputCount() const;
  // Throws BadChannelCount for an axis outside 0..4.
  virtual int SampleCount(int axis) const;
  // Copies the name out, terminator included (at most kNameSize bytes).
  virtual void GetName(char* name) const;
  // Converts `count` vectors: vector j is read at in + j * inStride and
  // written at out + j * outStride, strides in elements; 0 means InputCount()
  // for the input and OutputCount() for the output.  `in` and `out` point to
  // floats for a FloatLattice and to bytes for a ByteLattice.
  virtual void Evaluate(const void* in, void* out, int count, int inStride, int outStride) const = 0;

  // Element offset of corner (mask - 1), for tests and kernels.
  int CornerOffset(int index) const { return m_corner[index]; }

 protected:
  // Checks the channel counts (BadChannelCount) and sets the sample counts of
  // the used axes to `samples` (unchecked); unused axes get 1.
  Lattice(int inputs, int outputs, const int samples[kMaxChannels]);

  // Checks each used axis for 2..256 samples (BadSampleCount).
  void CheckSampleCounts() const;
  // Fills the axis strides and the corner offsets; answers the node count.
  std::size_t Layout();

  bool m_perChannel = false;
  int m_inputs;
  int m_outputs;
  int m_samples[kMaxChannels];
  char m_name[kNameSize];
  int m_corner[kCornerCount];
  int m_stride[kMaxChannels];  // element stride of each axis (node stride x outputs)
};

// ---------------------------------------------------------------------------
// Float lattice
// ---------------------------------------------------------------------------

class FloatLattice final : public Lattice {
 public:
  // Every used axis gets `samples` nodes; samples the function at once.
  FloatLattice(int inputs, int outputs, int samples, FloatFunction* function);
  ~FloatLattice() override;

  void Evaluate(const void* in, void* out, int count, int inStride, int outStride) const override;
  void Evaluate(const float* in, float* out, int count = 1, int inStride = 0, int outStride = 0) const {
    Evaluate(static_cast<const void*>(in), static_cast<void*>(out), count, inStride, outStride);
  }

  // Cell of input x on `axis`: the element offset of the cell's lower node
  // along that axis and the float32 fraction inside the cell.  An input of 1
  // lies in the last cell with fraction 1; inputs above 1 extrapolate from
  // the last cell and inputs below 0 from the first.
  void Locate(int axis, float x, int& offset, float& fraction) const {
    const int last = m_samples[axis] - 1;
    const double p = static_cast<double>(last) * static_cast<double>(x);
    int q;
    if (p >= static_cast<double>(last)) {
      q = last - 1;
    } else if (p > 0.0) {
      q = static_cast<int>(p);
    } else {
      q = 0;  // also catches NaN, so a bad input never leaves the node array
    }
    fraction = static_cast<float>(p - q);
    offset = q * m_stride[axis];
  }

  // Three-input interpolation from located cells: `base` is the sum of the
  // three axis offsets, f the three fractions.
  void Interpolate3(int base, const float f[3], float* out) const;

  const float* Nodes() const { return m_nodes.get(); }

 private:
  std::unique_ptr<float[]> m_nodes;
};

// ---------------------------------------------------------------------------
// Byte lattice
// ---------------------------------------------------------------------------

class ByteLattice final : public Lattice {
 public:
  // Uniform positions; with one input the axis has 256 samples, one per
  // input value, whatever `samples` says.
  ByteLattice(int inputs, int outputs, int samples, ByteFunction* function);
  // Sample counts and positions of the first `inputs` axes from the grid.
  ByteLattice(int inputs, int outputs, SampleGrid* grid, ByteFunction* function);
  ~ByteLattice() override;

  void Evaluate(const void* in, void* out, int count, int inStride, int outStride) const override;
  void Evaluate(const unsigned char* in, unsigned char* out, int count = 1, int inStride = 0,
                int outStride = 0) const {
    Evaluate(static_cast<const void*>(in), static_cast<void*>(out), count, inStride, outStride);
  }

  // Builds the tables from the grid's positions and samples the function at
  // them.  The grid's sample counts must equal the lattice's (BadSampleCount
  // otherwise); its positions must start at 0, end at 255 and increase.
  virtual void SampleAtGrid(SampleGrid* grid);

  // One three-input vector; the lattice must have three inputs.
  void Evaluate3(const unsigned char in[3], unsigned char* out) const;

  // Per-axis tables (axes 0..InputCount()-1, two or more inputs only).
  const unsigned char* IndexTable(int axis) const { return m_index[axis].get(); }
  const std::uint16_t* FractionTable(int axis) const { return m_fraction[axis].get(); }
  const unsigned char* Nodes() const { return m_nodes.get(); }

 private:
  void Allocate();
  void BuildTables(int axis, const unsigned char* positions);

  ByteFunction* m_function;
  std::unique_ptr<unsigned char[]> m_nodes;
  std::unique_ptr<unsigned char[]> m_index[kMaxChannels];
  std::unique_ptr<std::uint16_t[]> m_fraction[kMaxChannels];
  // index[v] x element stride, so a kernel adds offsets instead of multiplying.
  std::unique_ptr<std::int32_t[]> m_offset[kMaxChannels];
};

// A three-input, three-output byte lattice prepared for a pixel loop: its
// tables copied into one object that the loop keeps at hand, each input byte
// giving its cell offset and fraction in one entry, and the corner offsets of
// each tetrahedron resolved.  Evaluate gives exactly Evaluate3's bytes (the
// arithmetic is integer and the same).  The nodes are copied with four bytes
// of padding after them, so that a vector kernel may read each node's three
// bytes as four.
class ByteKernel3 {
 public:
  explicit ByteKernel3(const ByteLattice& lattice);

  // The tetrahedron of (i0, i1, i2): its four vertices (each pointing to
  // three output bytes) and their weights, which add up to 256.
  void Locate(unsigned i0, unsigned i1, unsigned i2, const unsigned char* vertex[4], int weight[4]) const;
  void Evaluate(unsigned i0, unsigned i1, unsigned i2, unsigned char out[3]) const;

 private:
  struct Cell {
    std::int32_t offset;    // element offset of the cell's lower node on this axis
    std::int32_t fraction;  // 0..256
  };
  struct Corners {
    std::int32_t second;  // element offsets of the second and third vertices
    std::int32_t third;
  };
  Cell m_cell[3][256];
  Corners m_corners[8];
  std::int32_t m_opposite;
  std::unique_ptr<unsigned char[]> m_nodes;
};

// ---------------------------------------------------------------------------
// Inline kernels
// ---------------------------------------------------------------------------


namespace detail {

// The six tetrahedra of a three-input cell, chosen from three comparisons:
// bit 0 = f0 >= f1, bit 1 = f1 >= f2, bit 2 = f0 >= f2.  Each entry gives the
// axes in descending fraction order and the corner indices (mask - 1) of the
// second and third vertices.  The two impossible combinations (cycles, only
// reachable with NaN) reuse a valid entry.
struct Tetrahedron {
  unsigned char axis[3];
  unsigned char corner1;
  unsigned char corner2;
};

inline constexpr Tetrahedron kTetrahedra[8] = {
    // f0 < f1, f1 < f2, f0 < f2: f2 > f1 > f0, +a2, +a1+a2
    {{2, 1, 0}, 3, 5},
    // f0 >= f1, f1 < f2, f0 < f2: f2 > f0 >= f1, +a2, +a0+a2
    {{2, 0, 1}, 3, 4},
    // f0 < f1, f1 >= f2, f0 < f2: f1 >= f2 > f0, +a1, +a1+a2
    {{1, 2, 0}, 1, 5},
    // f0 >= f1, f1 >= f2, f0 < f2: impossible
    {{0, 1, 2}, 0, 2},
    // f0 < f1, f1 < f2, f0 >= f2: impossible
    {{0, 1, 2}, 0, 2},
    // f0 >= f1, f1 < f2, f0 >= f2: f0 >= f2 > f1, +a0, +a0+a2
    {{0, 2, 1}, 0, 4},
    // f0 < f1, f1 >= f2, f0 >= f2: f1 > f0 >= f2, +a1, +a0+a1
    {{1, 0, 2}, 1, 2},
    // f0 >= f1, f1 >= f2, f0 >= f2: f0 >= f1 >= f2, +a0, +a0+a1
    {{0, 1, 2}, 0, 2},
};

template <typename T>
inline int TetrahedronIndex(const T f[3]) {
  return static_cast<int>(f[0] >= f[1]) | (static_cast<int>(f[1] >= f[2]) << 1) |
         (static_cast<int>(f[0] >= f[2]) << 2);
}

}  // namespace detail

VTETRA_ALWAYS_INLINE void FloatLattice::Interpolate3(int base, const float f[3], float* out) const {
  const detail::Tetrahedron& t = detail::kTetrahedra[detail::TetrahedronIndex(f)];
  const double f1 = f[t.axis[0]];
  const double f2 = f[t.axis[1]];
  const double f3 = f[t.axis[2]];
  const double w0 = 1.0 - f1;
  const double w1 = f1 - f2;
  const double w2 = f2 - f3;
  const double w3 = f3;
  const float* n0 = m_nodes.get() + base;
  const float* n1 = n0 + m_corner[t.corner1];
  const float* n2 = n0 + m_corner[t.corner2];
  const float* n3 = n0 + m_corner[6];
  if (m_outputs == 3) {  // the colour conversions: unrolled
    out[0] = static_cast<float>(w0 * n0[0] + w1 * n1[0] + w2 * n2[0] + w3 * n3[0]);
    out[1] = static_cast<float>(w0 * n0[1] + w1 * n1[1] + w2 * n2[1] + w3 * n3[1]);
    out[2] = static_cast<float>(w0 * n0[2] + w1 * n1[2] + w2 * n2[2] + w3 * n3[2]);
    return;
  }
  for (int i = 0; i < m_outputs; ++i) {
    out[i] = static_cast<float>(w0 * n0[i] + w1 * n1[i] + w2 * n2[i] + w3 * n3[i]);
  }
}

VTETRA_ALWAYS_INLINE void ByteLattice::Evaluate3(const unsigned char in[3], unsigned char* out) const {
  const int f[3] = {m_fraction[0][in[0]], m_fraction[1][in[1]], m_fraction[2][in[2]]};
  const int base = m_offset[0][in[0]] + m_offset[1][in[1]] + m_offset[2][in[2]];
  const detail::Tetrahedron& t = detail::kTetrahedra[detail::TetrahedronIndex(f)];
  const int f1 = f[t.axis[0]];
  const int f2 = f[t.axis[1]];
  const int f3 = f[t.axis[2]];
  const int w0 = 256 - f1;
  const int w1 = f1 - f2;
  const int w2 = f2 - f3;
  const int w3 = f3;
  const unsigned char* n0 = m_nodes.get() + base;
  const unsigned char* n1 = n0 + m_corner[t.corner1];
  const unsigned char* n2 = n0 + m_corner[t.corner2];
  const unsigned char* n3 = n0 + m_corner[6];
  if (m_outputs == 3) {  // the colour conversions: unrolled
    out[0] = static_cast<unsigned char>((w0 * n0[0] + w1 * n1[0] + w2 * n2[0] + w3 * n3[0] + 128) >> 8);
    out[1] = static_cast<unsigned char>((w0 * n0[1] + w1 * n1[1] + w2 * n2[1] + w3 * n3[1] + 128) >> 8);
    out[2] = static_cast<unsigned char>((w0 * n0[2] + w1 * n1[2] + w2 * n2[2] + w3 * n3[2] + 128) >> 8);
    return;
  }
  for (int i = 0; i < m_outputs; ++i) {
    out[i] = static_cast<unsigned char>((w0 * n0[i] + w1 * n1[i] + w2 * n2[i] + w3 * n3[i] + 128) >> 8);
  }
}

VTETRA_ALWAYS_INLINE void ByteKernel3::Locate(unsigned i0, unsigned i1, unsigned i2, const unsigned char* vertex[4],
                                              int weight[4]) const {
  const Cell c0 = m_cell[0][i0];
  const Cell c1 = m_cell[1][i1];
  const Cell c2 = m_cell[2][i2];
  const int f[3] = {c0.fraction, c1.fraction, c2.fraction};
  const Corners& t = m_corners[detail::TetrahedronIndex(f)];
  // The fractions in descending order, without going through memory: the
  // tetrahedron's axis order gives the same three values.
  const int low01 = f[0] < f[1] ? f[0] : f[1];
  const int high01 = f[0] < f[1] ? f[1] : f[0];
  const int f1 = high01 < f[2] ? f[2] : high01;
  const int f3 = low01 < f[2] ? low01 : f[2];
  const int f2 = f[0] + f[1] + f[2] - f1 - f3;
  weight[0] = 256 - f1;
  weight[1] = f1 - f2;
  weight[2] = f2 - f3;
  weight[3] = f3;
  const unsigned char* n0 = m_nodes.get() + (c0.offset + c1.offset + c2.offset);
  vertex[0] = n0;
  vertex[1] = n0 + t.second;
  vertex[2] = n0 + t.third;
  vertex[3] = n0 + m_opposite;
}

VTETRA_ALWAYS_INLINE void ByteKernel3::Evaluate(unsigned i0, unsigned i1, unsigned i2, unsigned char out[3]) const {
  const unsigned char* n[4];
  int w[4];
  Locate(i0, i1, i2, n, w);
  for (int i = 0; i < 3; ++i) {
    out[i] = static_cast<unsigned char>((w[0] * n[0][i] + w[1] * n[1][i] + w[2] * n[2][i] + w[3] * n[3][i] + 128) >> 8);
  }
}

}  // namespace VTetra
