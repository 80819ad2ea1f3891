#include "transfer/ColorLattice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "transfer/SampleGrid.h"

namespace {

using VTetra::ByteLattice;
using VTetra::FloatLattice;
using VTetra::SampleGrid;

// ---------------------------------------------------------------------------
// Generators
// ---------------------------------------------------------------------------

// Node values from the node's grid indices, through a test-owned callback.
class FloatNodeFunction : public VTetra::FloatFunction {
 public:
  FloatNodeFunction(int inputs, int samples, std::function<void(const int*, float*)> value)
      : m_inputs(inputs), m_samples(samples), m_value(std::move(value)) {}
  void Map(const float* in, float* out) override {
    int index[5] = {0, 0, 0, 0, 0};
    for (int a = 0; a < m_inputs; ++a) index[a] = static_cast<int>(in[a] * (m_samples - 1) + 0.5f);
    m_value(index, out);
  }

 private:
  int m_inputs;
  int m_samples;
  std::function<void(const int*, float*)> m_value;
};

class ByteNodeFunction : public VTetra::ByteFunction {
 public:
  explicit ByteNodeFunction(std::function<void(const unsigned char*, unsigned char*)> value)
      : m_value(std::move(value)) {}
  void Map(const unsigned char* in, unsigned char* out) override { m_value(in, out); }

 private:
  std::function<void(const unsigned char*, unsigned char*)> m_value;
};

class ConstantByte : public VTetra::ByteFunction {
 public:
  void Map(const unsigned char*, unsigned char* out) override { out[0] = 7; }
};

class ConstantFloat : public VTetra::FloatFunction {
 public:
  void Map(const float*, float* out) override { out[0] = 0.5f; }
};

// ---------------------------------------------------------------------------
// Worked values
// ---------------------------------------------------------------------------

TEST(ColorLatticeTest, UniformPositionsOfThirtySamples) {
  const int expected[30] = {0,   9,   18,  26,  35,  44,  53,  62,  70,  79,  88,  97,  106, 114, 123,
                            132, 141, 149, 158, 167, 176, 185, 193, 202, 211, 220, 229, 237, 246, 255};
  for (int i = 0; i < 30; ++i) EXPECT_EQ(expected[i], VTetra::UniformPosition(i, 30)) << i;
  EXPECT_EQ(0, VTetra::UniformPosition(0, 1));
}

TEST(ColorLatticeTest, ByteTablesOfThirtySamples) {
  ConstantByte function;
  ByteLattice lattice(3, 1, 30, &function);
  struct Case {
    int value, index, fraction;
  };
  const Case cases[] = {{0, 0, 0}, {8, 0, 227}, {9, 1, 0}, {10, 1, 28}, {254, 28, 227}, {255, 28, 256}};
  for (int axis = 0; axis < 3; ++axis) {
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << "axis " << axis << " value " << c.value);
      EXPECT_EQ(c.index, lattice.IndexTable(axis)[c.value]);
      EXPECT_EQ(c.fraction, lattice.FractionTable(axis)[c.value]);
    }
  }
}

TEST(ColorLatticeTest, CornerOffsetsCountElements) {
  // Only the sample counts and output count matter for the offsets.
  class Three : public VTetra::ByteFunction {
   public:
    void Map(const unsigned char*, unsigned char* out) override { out[0] = out[1] = out[2] = 0; }
  } three;
  ByteLattice lattice(3, 3, 30, &three);
  const int expected[7] = {3, 90, 93, 2700, 2703, 2790, 2793};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(expected[i], lattice.CornerOffset(i)) << i;

  class Two : public VTetra::FloatFunction {
   public:
    void Map(const float*, float* out) override { out[0] = out[1] = 0.0f; }
  } two;
  FloatLattice wide(5, 2, 4, &two);
  EXPECT_EQ(2 * 64, wide.CornerOffset(7));                     // axis 3 alone
  EXPECT_EQ(2 * 256, wide.CornerOffset(15));                   // axis 4 alone
  EXPECT_EQ(2 * (1 + 4 + 16 + 64 + 256), wide.CornerOffset(30));  // all five axes
  // Unused axes have one sample and stride the whole node array.
  FloatLattice narrow(2, 2, 4, &two);
  EXPECT_EQ(1, narrow.SampleCount(2));
  EXPECT_EQ(2 * 16, narrow.CornerOffset(3));
}

TEST(ColorLatticeTest, OneInputByteLatticeHasANodePerValue) {
  ByteNodeFunction function([](const unsigned char* in, unsigned char* out) {
    out[0] = static_cast<unsigned char>(255 - in[0]);
    out[1] = static_cast<unsigned char>(in[0] * 7);
  });
  for (int samples : {2, 30, 256}) {
    ByteLattice lattice(1, 2, samples, &function);
    EXPECT_EQ(256, lattice.SampleCount(0));
    std::vector<unsigned char> in(256), out(512);
    for (int v = 0; v < 256; ++v) in[v] = static_cast<unsigned char>(v);
    lattice.Evaluate(in.data(), out.data(), 256);
    for (int v = 0; v < 256; ++v) {
      ASSERT_EQ(255 - v, out[2 * v]) << v;
      ASSERT_EQ(static_cast<unsigned char>(v * 7), out[2 * v + 1]) << v;
    }
  }
}

TEST(ColorLatticeTest, FloatLatticeExtrapolatesOutsideTheUnitRange) {
  FloatNodeFunction square(1, 5, [](const int* index, float* out) {
    const float x = index[0] / 4.0f;
    out[0] = x * x;
  });
  FloatLattice lattice(1, 1, 5, &square);
  struct Case {
    float in, out;
  };
  // Above 1 the last cell (0.5625 at 0.75, 1 at 1) is extended; below 0 the first.
  const Case cases[] = {{1.0f, 1.0f}, {1.25f, 1.4375f}, {0.875f, 0.78125f}, {-0.25f, -0.0625f}};
  for (const Case& c : cases) {
    float out = -1.0f;
    lattice.Evaluate(&c.in, &out);
    EXPECT_FLOAT_EQ(c.out, out) << c.in;
  }
}

TEST(ColorLatticeTest, StridesSelectVectors) {
  FloatNodeFunction sum(2, 3, [](const int* index, float* out) {
    out[0] = static_cast<float>(index[0] + 10 * index[1]);
  });
  FloatLattice lattice(2, 1, 3, &sum);
  // Inputs three floats apart, outputs two apart; the gaps stay untouched.
  const float in[9] = {0.0f, 0.5f, 99.0f, 1.0f, 1.0f, 99.0f, 0.25f, 0.0f, 99.0f};
  float out[6] = {-1.0f, -1.0f, -1.0f, -1.0f, -1.0f, -1.0f};
  lattice.Evaluate(in, out, 3, 3, 2);
  EXPECT_FLOAT_EQ(10.0f, out[0]);
  EXPECT_FLOAT_EQ(22.0f, out[2]);
  EXPECT_FLOAT_EQ(0.5f, out[4]);
  EXPECT_EQ(-1.0f, out[1]);
  EXPECT_EQ(-1.0f, out[3]);
  EXPECT_EQ(-1.0f, out[5]);
}

// ---------------------------------------------------------------------------
// Failures, names, sample grids
// ---------------------------------------------------------------------------

template <typename E>
void ExpectThrow(const char* what, const std::function<void()>& action) {
  SCOPED_TRACE(what);
  EXPECT_THROW(action(), E);
}

TEST(ColorLatticeTest, ConstructionRejectsBadArguments) {
  ConstantByte byteFunction;
  ConstantFloat floatFunction;
  using VTetra::BadChannelCount;
  using VTetra::BadSampleCount;
  using VTetra::BadUserFunction;
  ExpectThrow<BadChannelCount>("0 inputs", [&] { FloatLattice(0, 1, 5, &floatFunction); });
  ExpectThrow<BadChannelCount>("6 inputs", [&] { ByteLattice(6, 1, 5, &byteFunction); });
  ExpectThrow<BadChannelCount>("0 outputs", [&] { ByteLattice(2, 0, 5, &byteFunction); });
  ExpectThrow<BadChannelCount>("6 outputs", [&] { FloatLattice(2, 6, 5, &floatFunction); });
  ExpectThrow<BadSampleCount>("1 sample", [&] { FloatLattice(3, 1, 1, &floatFunction); });
  ExpectThrow<BadSampleCount>("257 samples", [&] { ByteLattice(3, 1, 257, &byteFunction); });
  ExpectThrow<BadUserFunction>("null float", [&] { FloatLattice(3, 1, 5, nullptr); });
  ExpectThrow<BadUserFunction>("null byte", [&] { ByteLattice(3, 1, 5, nullptr); });
  ExpectThrow<BadUserFunction>("null one-input byte", [&] { ByteLattice(1, 1, 5, nullptr); });
  // The channel check comes first, then the samples, then the function.
  ExpectThrow<BadChannelCount>("order 1", [&] { FloatLattice(0, 1, 1, nullptr); });
  ExpectThrow<BadSampleCount>("order 2", [&] { FloatLattice(2, 1, 1, nullptr); });

  SampleGrid grid(5, 5);
  ExpectThrow<BadSampleCount>("grid lacks an axis", [&] { ByteLattice(3, 1, &grid, &byteFunction); });
  ExpectThrow<BadSampleCount>("null grid", [&] { ByteLattice(2, 1, nullptr, &byteFunction); });
  ExpectThrow<BadUserFunction>("grid, null function", [&] { ByteLattice(2, 1, &grid, nullptr); });
  SampleGrid unordered(4, 4);
  unordered.SetPosition(1, 2, 50);
  unordered.SetPosition(1, 1, 50);
  ExpectThrow<BadSampleCount>("repeated position", [&] { ByteLattice(2, 1, &unordered, &byteFunction); });
  SampleGrid open(4, 4);
  open.SetPosition(0, 3, 254);
  ExpectThrow<BadSampleCount>("axis ends before 255", [&] { ByteLattice(2, 1, &open, &byteFunction); });

  ByteLattice lattice(2, 1, &grid, &byteFunction);
  SampleGrid other(6, 5);
  ExpectThrow<BadSampleCount>("resampling at another grid", [&] { lattice.SampleAtGrid(&other); });
  ExpectThrow<BadChannelCount>("axis 5", [&] { (void)lattice.SampleCount(5); });
  ExpectThrow<BadChannelCount>("axis -1", [&] { (void)lattice.SampleCount(-1); });
}

TEST(ColorLatticeTest, NameKeepsAtMost255Characters) {
  ConstantFloat function;
  FloatLattice lattice(1, 1, 2, &function);
  char name[VTetra::kNameSize];
  lattice.GetName(name);
  EXPECT_STREQ("", name);
  EXPECT_FALSE(lattice.IsPerChannel());
  const std::string longName(300, 'x');
  lattice.SetName(longName.c_str());
  lattice.GetName(name);
  EXPECT_EQ(longName.substr(0, 255), std::string(name));
  lattice.SetName("forward");
  lattice.GetName(name);
  EXPECT_STREQ("forward", name);
}

TEST(SampleGridTest, CountsPositionsAndChecks) {
  SampleGrid grid(5, 1, 7, 7, 7);
  const int expectedCounts[5] = {5, 1, 1, 1, 1};
  for (int a = 0; a < 5; ++a) EXPECT_EQ(expectedCounts[a], grid.SampleCount(a)) << a;
  const int expectedPositions[5] = {0, 64, 128, 191, 255};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(expectedPositions[i], grid.Position(0, i)) << i;
  EXPECT_EQ(0, grid.Position(1, 0));
  grid.SetPosition(0, 2, 100);
  EXPECT_EQ(100, grid.Position(0, 2));

  SampleGrid deep(2, 3, 4, 1, 9);
  EXPECT_EQ(4, deep.SampleCount(2));
  EXPECT_EQ(1, deep.SampleCount(4));

  using VTetra::BadChannelCount;
  using VTetra::BadSampleCount;
  ExpectThrow<BadSampleCount>("axis 0 with 1", [] { SampleGrid(1); });
  ExpectThrow<BadSampleCount>("axis 0 with 257", [] { SampleGrid(257); });
  ExpectThrow<BadSampleCount>("axis 1 with 0", [] { SampleGrid(5, 0); });
  ExpectThrow<BadSampleCount>("axis 2 with 257", [] { SampleGrid(5, 5, 257); });
  ExpectThrow<BadChannelCount>("SampleCount axis 5", [&] { (void)grid.SampleCount(5); });
  ExpectThrow<BadChannelCount>("Position axis -1", [&] { (void)grid.Position(-1, 0); });
  ExpectThrow<BadSampleCount>("Position index 5", [&] { (void)grid.Position(0, 5); });
  ExpectThrow<BadSampleCount>("Position index -1", [&] { (void)grid.Position(0, -1); });
  ExpectThrow<BadSampleCount>("SetPosition on a one-sample axis", [&] { grid.SetPosition(1, 1, 3); });
  ExpectThrow<BadChannelCount>("SetPosition axis 5", [&] { grid.SetPosition(5, 0, 3); });
}

// ---------------------------------------------------------------------------
// Accuracy against a reference, per flavour and input count
// ---------------------------------------------------------------------------
//
// The reference sums over all 2^k corners of the cell with the weights of
// Kuhn's simplex subdivision: the corner that adds the axis set C weighs
// max(0, min over C of f - max outside C of f), with the minimum over no axis
// 1 and the maximum over no axis 0.  It needs no sorting and no tetrahedron
// table, so it checks the lattice's own choice of simplex and weights.

enum class Flavour { kFloat, kByte, kByteGrid };

struct Axes {
  int inputs;
  int samples[5];
  std::vector<int> positions[5];  // byte flavours
};

// A grid with uneven cells: narrow, wide, and one cell a single value wide.
const unsigned char kGridPositions[6] = {0, 3, 40, 41, 200, 255};

Axes MakeAxes(Flavour flavour, int inputs) {
  Axes axes;
  axes.inputs = inputs;
  for (int a = 0; a < 5; ++a) {
    int n = 1;
    if (a < inputs) n = flavour == Flavour::kFloat ? 5 : (inputs == 1 ? 256 : (flavour == Flavour::kByte ? 7 : 6));
    axes.samples[a] = n;
    if (flavour != Flavour::kFloat && a < inputs) {
      for (int i = 0; i < n; ++i) {
        axes.positions[a].push_back(inputs == 1 ? i
                                    : flavour == Flavour::kByte ? VTetra::UniformPosition(i, n)
                                                                : kGridPositions[i]);
      }
    }
  }
  return axes;
}

// The generator: identity (output i = input i) with one node moved.
struct MovedIdentity {
  int moved[5];  // grid indices of the moved node
  // Output i of node `index` on a 0..1 scale (float) or 0..255 (byte).
  double Value(const Axes& axes, bool bytes, const int* index, int i) const {
    bool isMoved = true;
    for (int a = 0; a < axes.inputs; ++a) isMoved = isMoved && index[a] == moved[a];
    double v = bytes ? axes.positions[i][index[i]] : index[i] / static_cast<double>(axes.samples[i] - 1);
    if (isMoved) v = bytes ? (v > 127 ? v - 90 : v + 90) : v + 0.25 + 0.125 * i;
    return v;
  }
};

class LatticeAccuracyTest : public testing::TestWithParam<std::tuple<Flavour, int>> {};

TEST_P(LatticeAccuracyTest, MatchesKuhnReferenceOnIdentityWithOneNodeMoved) {
  const Flavour flavour = std::get<0>(GetParam());
  const int k = std::get<1>(GetParam());
  const bool bytes = flavour != Flavour::kFloat;
  const Axes axes = MakeAxes(flavour, k);
  MovedIdentity generator{};
  for (int a = 0; a < k; ++a) generator.moved[a] = axes.samples[a] / 2;

  FloatNodeFunction floatFunction(k, 5, [&](const int* index, float* out) {
    for (int i = 0; i < k; ++i) out[i] = static_cast<float>(generator.Value(axes, false, index, i));
  });
  ByteNodeFunction byteFunction([&](const unsigned char* in, unsigned char* out) {
    int index[5] = {0, 0, 0, 0, 0};
    for (int a = 0; a < k; ++a) {
      while (axes.positions[a][index[a]] != in[a]) ++index[a];
    }
    for (int i = 0; i < k; ++i) out[i] = static_cast<unsigned char>(generator.Value(axes, true, index, i));
  });

  std::unique_ptr<VTetra::Lattice> lattice;
  SampleGrid grid(axes.samples);
  if (flavour == Flavour::kFloat) {
    lattice.reset(new FloatLattice(k, k, 5, &floatFunction));
  } else if (flavour == Flavour::kByte) {
    lattice.reset(new ByteLattice(k, k, 7, &byteFunction));
  } else {
    for (int a = 0; a < k && k > 1; ++a) {
      for (int i = 0; i < axes.samples[a]; ++i) grid.SetPosition(a, i, kGridPositions[i]);
    }
    lattice.reset(new ByteLattice(k, k, &grid, &byteFunction));
  }

  // Inputs: every byte value along the diagonal, random points, and random
  // points in the cells around the moved node.
  std::mt19937 random(1234u + static_cast<unsigned>(k));
  std::vector<std::vector<double>> points;
  for (int v = 0; v < 256; ++v) points.push_back(std::vector<double>(k, bytes ? v : v / 255.0));
  for (int j = 0; j < 1500; ++j) {
    std::vector<double> p(k);
    for (int a = 0; a < k; ++a) {
      const unsigned r = random();
      if (bytes) {
        if (j % 2 == 0) {
          p[a] = r % 256;
        } else {
          const int lo = axes.positions[a][std::max(0, generator.moved[a] - 1)];
          const int hi = axes.positions[a][std::min(axes.samples[a] - 1, generator.moved[a] + 1)];
          p[a] = lo + static_cast<int>(r % static_cast<unsigned>(hi - lo + 1));
        }
      } else {
        const int step = r % 4097;  // multiples of 1/4096: nodes, cell edges and 1 included
        p[a] = j % 2 == 0 ? step / 4096.0 : (generator.moved[a] - 1 + step / 2048.0) / 4.0;
      }
    }
    points.push_back(p);
  }

  for (const std::vector<double>& p : points) {
    // Reference cell.
    int q[5] = {0, 0, 0, 0, 0};
    double f[5] = {0, 0, 0, 0, 0};
    for (int a = 0; a < k; ++a) {
      const int n = axes.samples[a];
      if (!bytes) {
        const float x = static_cast<float>(p[a]);
        const double scaled = (n - 1) * static_cast<double>(x);
        q[a] = std::min(static_cast<int>(scaled), n - 2);
        f[a] = scaled - q[a];
      } else if (k == 1) {
        q[a] = static_cast<int>(p[a]);
      } else {
        const int v = static_cast<int>(p[a]);
        if (v == 255) {
          q[a] = n - 2;
          f[a] = 256;
        } else {
          while (axes.positions[a][q[a] + 1] <= v) ++q[a];
          const int lo = axes.positions[a][q[a]];
          f[a] = ((v - lo) * 256) / (axes.positions[a][q[a] + 1] - lo);
        }
      }
    }
    const double one = bytes ? 256.0 : 1.0;
    std::vector<double> expected(k, 0.0);
    const int corners = bytes && k == 1 ? 1 : 1 << k;
    for (int c = 0; c < corners; ++c) {
      double lowIn = one, highOut = 0.0;
      int index[5];
      for (int a = 0; a < k; ++a) {
        if (c & (1 << a)) {
          lowIn = std::min(lowIn, f[a]);
          index[a] = q[a] + 1;
        } else {
          highOut = std::max(highOut, f[a]);
          index[a] = q[a];
        }
      }
      const double weight = corners == 1 ? one : std::max(0.0, lowIn - highOut);
      for (int i = 0; i < k; ++i) {
        double node = generator.Value(axes, bytes, index, i);
        if (bytes) node = static_cast<unsigned char>(node);
        expected[i] += weight * node;
      }
    }

    SCOPED_TRACE(testing::Message() << "point " << p[0] << (k > 1 ? ", " : "") << (k > 1 ? p[1] : 0.0));
    if (bytes) {
      unsigned char in[5], out[5];
      for (int a = 0; a < k; ++a) in[a] = static_cast<unsigned char>(p[a]);
      lattice->Evaluate(in, out, 1, 0, 0);
      for (int i = 0; i < k; ++i) {
        const int want = (static_cast<int>(expected[i]) + 128) >> 8;
        ASSERT_EQ(want, out[i]) << "output " << i;
      }
    } else {
      float in[5], out[5];
      for (int a = 0; a < k; ++a) in[a] = static_cast<float>(p[a]);
      lattice->Evaluate(in, out, 1, 0, 0);
      for (int i = 0; i < k; ++i) ASSERT_NEAR(expected[i], out[i], 2e-6) << "output " << i;
    }
  }
}

// Inputs on grid nodes give the node's values exactly, whatever the values
// are, for every output count.
TEST_P(LatticeAccuracyTest, GridNodesAreExact) {
  const Flavour flavour = std::get<0>(GetParam());
  const int k = std::get<1>(GetParam());
  const int m = 6 - k;
  const Axes axes = MakeAxes(flavour, k);
  auto scramble = [](const int* index, int i) {
    std::uint32_t h = 2166136261u + static_cast<std::uint32_t>(i);
    for (int a = 0; a < 5; ++a) h = (h ^ static_cast<std::uint32_t>(index[a])) * 16777619u;
    return h;
  };
  std::vector<int> nodeIndex;  // grid indices of every node, k per node
  std::vector<double> nodeValue;  // m per node
  std::size_t nodes = 1;
  for (int a = 0; a < k; ++a) nodes *= static_cast<std::size_t>(axes.samples[a]);
  for (std::size_t j = 0; j < nodes; ++j) {
    int index[5] = {0, 0, 0, 0, 0};
    std::size_t rest = j;
    for (int a = 0; a < k; ++a) {
      index[a] = static_cast<int>(rest % static_cast<std::size_t>(axes.samples[a]));
      rest /= static_cast<std::size_t>(axes.samples[a]);
      nodeIndex.push_back(index[a]);
    }
  }

  if (flavour == Flavour::kFloat) {
    FloatNodeFunction function(k, 5, [&](const int* index, float* out) {
      int full[5] = {0, 0, 0, 0, 0};
      for (int a = 0; a < k; ++a) full[a] = index[a];
      for (int i = 0; i < m; ++i) out[i] = static_cast<float>(scramble(full, i) % 100000) / 1000.0f - 50.0f;
    });
    FloatLattice lattice(k, m, 5, &function);
    for (std::size_t j = 0; j < nodes; ++j) {
      int index[5] = {0, 0, 0, 0, 0};
      float in[5], out[5];
      for (int a = 0; a < k; ++a) {
        index[a] = nodeIndex[j * k + a];
        in[a] = index[a] / 4.0f;
      }
      lattice.Evaluate(in, out);
      for (int i = 0; i < m; ++i) {
        ASSERT_EQ(static_cast<float>(scramble(index, i) % 100000) / 1000.0f - 50.0f, out[i]) << "node " << j;
      }
    }
  } else {
    auto indexOf = [&](const unsigned char* in, int* index) {
      for (int a = 0; a < 5; ++a) index[a] = 0;
      for (int a = 0; a < k; ++a) {
        while (axes.positions[a][index[a]] != in[a]) ++index[a];
      }
    };
    ByteNodeFunction function([&](const unsigned char* in, unsigned char* out) {
      int index[5];
      indexOf(in, index);
      for (int i = 0; i < m; ++i) out[i] = static_cast<unsigned char>(scramble(index, i));
    });
    std::unique_ptr<ByteLattice> lattice;
    SampleGrid grid(axes.samples);
    if (flavour == Flavour::kByte) {
      lattice.reset(new ByteLattice(k, m, 7, &function));
    } else {
      for (int a = 0; a < k && k > 1; ++a) {
        for (int i = 0; i < axes.samples[a]; ++i) grid.SetPosition(a, i, kGridPositions[i]);
      }
      lattice.reset(new ByteLattice(k, m, &grid, &function));
    }
    for (std::size_t j = 0; j < nodes; ++j) {
      unsigned char in[5], out[5];
      int index[5] = {0, 0, 0, 0, 0};
      for (int a = 0; a < k; ++a) {
        index[a] = nodeIndex[j * k + a];
        in[a] = static_cast<unsigned char>(axes.positions[a][index[a]]);
      }
      lattice->Evaluate(in, out);
      for (int i = 0; i < m; ++i) {
        ASSERT_EQ(static_cast<unsigned char>(scramble(index, i)), out[i]) << "node " << j << " output " << i;
      }
    }
  }
}

std::string CaseName(const testing::TestParamInfo<std::tuple<Flavour, int>>& info) {
  const char* names[] = {"Float", "Byte", "ByteGrid"};
  return std::string(names[static_cast<int>(std::get<0>(info.param))]) + std::to_string(std::get<1>(info.param)) +
         "Inputs";
}

INSTANTIATE_TEST_SUITE_P(AllFlavours, LatticeAccuracyTest,
                         testing::Combine(testing::Values(Flavour::kFloat, Flavour::kByte, Flavour::kByteGrid),
                                          testing::Values(1, 2, 3, 4, 5)),
                         CaseName);

}  // namespace
