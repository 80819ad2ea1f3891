// The metafile reader: tiny WMF and EMF files built field by field.  Drawn
// files are checked at pixels well inside and outside each shape, so the
// checks hold for GDI on Windows and for the portable renderer alike; the
// refusals of records the portable renderer cannot draw are checked where it
// is the renderer (not on Windows, where GDI draws them).

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

#include "imagefiles/FileType.h"
#include "imagefiles/Picture.h"
#include "tests/imagefiles/PictureTestSupport.h"

namespace {

using picturetest::Append;
using picturetest::Bytes;
using picturetest::Le16;
using picturetest::Le32;
using picturetest::RgbAt;

constexpr std::uint32_t kRed = 0xFF0000, kBlue = 0x0000FF, kBlack = 0x000000, kWhite = 0xFFFFFF;

// COLORREF of 0xRRGGBB: red in the low byte.
std::uint32_t ColorRef(std::uint32_t rgb) { return ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16); }

// ---- WMF --------------------------------------------------------------------------------

// A record: size in 16-bit words (3 for the header fields), function, parameters.
Bytes WmfRec(unsigned function, std::initializer_list<int> words, const Bytes& tail = {}) {
  Bytes b;
  Le32(&b, static_cast<std::uint32_t>(3 + words.size() + tail.size() / 2));  // size in words
  Le16(&b, function);                                                           // function
  for (int w : words) Le16(&b, static_cast<unsigned>(w) & 0xFFFF);              // parameters
  Append(&b, tail);
  return b;
}

Bytes WmfEof() { return WmfRec(0x0000, {}); }

// The standard 18-byte header and the records.
Bytes WmfBody(unsigned objects, const std::vector<Bytes>& records) {
  Bytes all;
  for (const Bytes& r : records) Append(&all, r);
  Bytes b;
  Le16(&b, 1);                                                    // type: memory metafile
  Le16(&b, 9);                                                    // header size in words
  Le16(&b, 0x0300);                                               // version
  Le32(&b, static_cast<std::uint32_t>((18 + all.size()) / 2));    // file size in words
  Le16(&b, objects);                                              // number of objects
  Le32(&b, 64);                                                   // largest record
  Le16(&b, 0);                                                    // unused
  Append(&b, all);
  return b;
}

// The 22-byte placeable header before the standard one.
Bytes Placeable(int left, int top, int right, int bottom, unsigned inch, const Bytes& body) {
  Bytes b;
  Le32(&b, 0x9AC6CDD7);  // key
  Le16(&b, 0);           // handle
  Le16(&b, static_cast<unsigned>(left) & 0xFFFF);
  Le16(&b, static_cast<unsigned>(top) & 0xFFFF);
  Le16(&b, static_cast<unsigned>(right) & 0xFFFF);
  Le16(&b, static_cast<unsigned>(bottom) & 0xFFFF);
  Le16(&b, inch);        // units per inch
  Le32(&b, 0);           // reserved
  unsigned sum = 0;
  for (std::size_t i = 0; i < 20; i += 2) sum ^= b[i] | (b[i + 1] << 8);
  Le16(&b, sum);         // checksum of the first 10 words
  Append(&b, body);
  return b;
}

// Pen and brush records (the object takes the lowest free slot).
Bytes WmfPen(unsigned style, int width, std::uint32_t rgb) {
  const std::uint32_t c = ColorRef(rgb);
  return WmfRec(0x02FA, {int(style), width, 0, int(c & 0xFFFF), int(c >> 16)});
}
Bytes WmfBrush(unsigned style, std::uint32_t rgb) {
  const std::uint32_t c = ColorRef(rgb);
  return WmfRec(0x02FC, {int(style), int(c & 0xFFFF), int(c >> 16), 0});
}
Bytes WmfSelect(int index) { return WmfRec(0x012D, {index}); }
Bytes WmfRectangle(int l, int t, int r, int b) { return WmfRec(0x041B, {b, r, t, l}); }
Bytes WmfEllipse(int l, int t, int r, int b) { return WmfRec(0x0418, {b, r, t, l}); }

// A packed 2 x 2 24-bit DIB: bottom row blue, red; top row white, black.
Bytes Dib2x2() {
  Bytes b;
  Le32(&b, 40);  // header size
  Le32(&b, 2);   // width
  Le32(&b, 2);   // height, bottom-up
  Le16(&b, 1);   // planes
  Le16(&b, 24);  // bits
  for (int i = 0; i < 6; ++i) Le32(&b, 0);  // compression, size, resolution, colours
  Append(&b, Bytes{255, 0, 0, 0, 0, 255, 0, 0});        // bottom: blue, red, padding
  Append(&b, Bytes{255, 255, 255, 0, 0, 0, 0, 0});      // top: white, black, padding
  return b;
}

// ---- EMF --------------------------------------------------------------------------------

Bytes EmfRec(std::uint32_t type, std::initializer_list<std::int32_t> values, const Bytes& tail = {}) {
  Bytes b;
  Le32(&b, type);
  Le32(&b, static_cast<std::uint32_t>(8 + 4 * values.size() + tail.size()));
  for (std::int32_t v : values) Le32(&b, static_cast<std::uint32_t>(v));
  Append(&b, tail);
  return b;
}

// Header: frame 0 .. 264 (0.01 mm, so 10 pixels at 96 dpi), a reference
// device of one pixel per 0.01 mm, then the records and EMR_EOF.
Bytes Emf(unsigned handles, const std::vector<Bytes>& records, std::int32_t frameRight = 264) {
  Bytes all;
  for (const Bytes& r : records) Append(&all, r);
  Append(&all, EmfRec(14, {0, 16, 20}));  // EMR_EOF: no palette; its own size last
  Bytes b;
  Le32(&b, 1);    // EMR_HEADER
  Le32(&b, 88);   // record size
  for (std::int32_t v : {0, 0, frameRight, frameRight}) Le32(&b, static_cast<std::uint32_t>(v));  // bounds
  for (std::int32_t v : {0, 0, frameRight, frameRight}) Le32(&b, static_cast<std::uint32_t>(v));  // frame
  Le32(&b, 0x464D4520);  // " EMF"
  Le32(&b, 0x10000);     // version
  Le32(&b, static_cast<std::uint32_t>(88 + all.size()));  // bytes
  Le32(&b, static_cast<std::uint32_t>(records.size() + 2));  // records
  Le16(&b, handles);     // handles
  Le16(&b, 0);           // reserved
  Le32(&b, 0);           // description length
  Le32(&b, 0);           // description offset
  Le32(&b, 0);           // palette entries
  Le32(&b, 100000);      // device width, pixels
  Le32(&b, 100000);      // device height
  Le32(&b, 1000);        // device width, mm
  Le32(&b, 1000);        // device height, mm
  Append(&b, all);
  return b;
}

// ---- drawn files ---------------------------------------------------------------------------

struct Probe {
  unsigned x, y;  // from the top-left
  std::uint32_t rgb;
};

struct Drawn {
  const char* name;
  Bytes bytes;
  unsigned width, height;
  std::vector<Probe> probes;
};

void PrintTo(const Drawn& d, std::ostream* os) { *os << d.name; }

std::vector<Drawn> DrawnFiles() {
  std::vector<Drawn> t;
  // 8 x 8 at 96 units per inch: a red rectangle without outline.
  t.push_back({"placeable_wmf_solid_rectangle",
               Placeable(0, 0, 8, 8, 96,
                         WmfBody(2, {WmfBrush(0, kRed), WmfSelect(0), WmfPen(5, 0, 0), WmfSelect(1),
                                     WmfRectangle(2, 2, 7, 7), WmfEof()})),
               8, 8, {{4, 4, kRed}, {0, 0, kWhite}, {7, 7, kWhite}, {1, 5, kWhite}}});
  // A plain WMF: its window extent sets the size; blue triangle, black outline.
  t.push_back({"plain_wmf_polygon_with_window_extent",
               WmfBody(2, {WmfRec(0x020B, {0, 0}), WmfRec(0x020C, {20, 20}), WmfBrush(0, kBlue), WmfSelect(0),
                           WmfRec(0x0324, {3, 2, 2, 18, 2, 2, 18}), WmfEof()}),
               20, 20, {{5, 8, kBlue}, {2, 10, kBlack}, {17, 17, kWhite}, {10, 2, kBlack}}});
  // A window of 0..40 mapped onto 10 pixels (placeable at 384 units per inch).
  t.push_back({"placeable_wmf_window_scaled_ellipse",
               Placeable(0, 0, 40, 40, 384,
                         WmfBody(1, {WmfRec(0x020C, {40, 40}), WmfBrush(0, kRed), WmfSelect(0),
                                     WmfEllipse(0, 0, 40, 40), WmfEof()})),
               10, 10, {{5, 5, kRed}, {0, 0, kWhite}, {9, 0, kWhite}, {0, 9, kWhite}}});
  // A 2 x 2 DIB stretched onto 8 x 8 pixels: each source pixel a quarter.
  {
    Bytes dib = Dib2x2();
    t.push_back({"placeable_wmf_stretched_dib",
                 Placeable(0, 0, 8, 8, 96,
                           WmfBody(0, {WmfRec(0x0F43, {0x0020, 0x00CC, 0, 2, 2, 0, 0, 8, 8, 0, 0}, dib), WmfEof()})),
                 8, 8, {{1, 1, kWhite}, {6, 1, kBlack}, {1, 6, kBlue}, {6, 6, kRed}}});
  }
  // A pen 2 units wide along a line, drawn with MOVETO and LINETO.
  t.push_back({"placeable_wmf_wide_line",
               Placeable(0, 0, 10, 10, 96,
                         WmfBody(1, {WmfPen(0, 2, kRed), WmfSelect(0), WmfRec(0x0214, {5, 1}), WmfRec(0x0213, {5, 9}),
                                     WmfEof()})),
               10, 10, {{5, 5, kRed}, {5, 1, kWhite}, {5, 8, kWhite}}});
  // EMF: 10 x 10 pixels; a red rectangle over the middle, a stock black
  // brush for a small ellipse at its centre.
  t.push_back({"emf_rectangle_and_stock_brush_ellipse",
               Emf(2, {EmfRec(39, {1, 0, std::int32_t(ColorRef(kRed)), 0}),  // brush 1: solid red
                       EmfRec(37, {1}),                                    // select brush 1
                       EmfRec(37, {std::int32_t(0x80000008)}),             // NULL_PEN
                       EmfRec(43, {53, 53, 212, 212}),                     // rectangle
                       EmfRec(37, {std::int32_t(0x80000004)}),             // BLACK_BRUSH
                       EmfRec(42, {106, 106, 159, 159})}),                  // ellipse
               10, 10, {{3, 3, kRed}, {5, 5, kBlack}, {0, 0, kWhite}, {9, 9, kWhite}}});
  // EMF polygon in 16-bit points with a window/viewport mapping (halving).
  t.push_back({"emf_anisotropic_polygon16",
               Emf(2, {EmfRec(17, {8}),                 // MM_ANISOTROPIC
                       EmfRec(9, {530, 530}),           // window extent
                       EmfRec(11, {265, 265}),          // viewport extent
                       EmfRec(39, {1, 0, std::int32_t(ColorRef(kBlue)), 0}), EmfRec(37, {1}),
                       EmfRec(37, {std::int32_t(0x80000008)}),
                       EmfRec(86, {0, 0, 0, 0, 4}, [] {  // 4 points: a square 106..424 -> 2..8 pixels
                         Bytes p;
                         for (int v : {106, 106, 424, 106, 424, 424, 106, 424}) Le16(&p, static_cast<unsigned>(v));
                         return p;
                       }())}),
               10, 10, {{5, 5, kBlue}, {0, 0, kWhite}, {9, 5, kWhite}}});
  // A bounding box far beyond the size limit is drawn at 2048 pixels.
  t.push_back({"placeable_wmf_huge_box_is_scaled_down",
               Placeable(0, 0, 32000, 16000, 96, WmfBody(0, {WmfEof()})), 2048, 1024, {{0, 0, kWhite}}});
  return t;
}

class MetafileDrawnTest : public ::testing::TestWithParam<Drawn> {};

TEST_P(MetafileDrawnTest, DrawsTheShapes) {
  const Drawn& d = GetParam();
  CPicture picture;
  ASSERT_TRUE(picture.Decode(d.bytes.data(), d.bytes.size(), keFileTypeWMF)) << picture.GetLastError();
  EXPECT_EQ(d.width, picture.GetWidth());
  EXPECT_EQ(d.height, picture.GetHeight());
  EXPECT_EQ(24u, picture.GetBpp());
  for (const Probe& p : d.probes) {
    EXPECT_EQ(p.rgb, RgbAt(picture, p.x, p.y)) << "pixel " << p.x << "," << p.y;
  }
  // Detection finds it too.
  CPicture detected;
  EXPECT_TRUE(detected.Decode(d.bytes.data(), d.bytes.size(), keFileTypeUnknown)) << detected.GetLastError();
}

INSTANTIATE_TEST_SUITE_P(Files, MetafileDrawnTest, ::testing::ValuesIn(DrawnFiles()),
                         [](const ::testing::TestParamInfo<Drawn>& info) { return std::string(info.param.name); });

// ---- refused files -----------------------------------------------------------------------

struct Refused {
  const char* name;
  Bytes bytes;
  const char* error;     // the expected error text
  std::uint32_t code;    // and its code
  bool portableOnly;     // GDI draws this one
};

void PrintTo(const Refused& r, std::ostream* os) { *os << r.name; }

std::vector<Refused> RefusedFiles() {
  const Bytes rect = WmfRectangle(1, 1, 5, 5);
  std::vector<Refused> t;
  t.push_back({"wmf_textout_not_drawn",
               Placeable(0, 0, 8, 8, 96, WmfBody(0, {rect, WmfRec(0x0521, {2, 0x6968, 1, 1}), WmfEof()})),
               "WMF record META_TEXTOUT is not supported", keErrNoData, true});
  t.push_back({"wmf_unknown_record_named_by_number",
               Placeable(0, 0, 8, 8, 96, WmfBody(0, {WmfRec(0x0777, {1}), WmfEof()})),
               "WMF record 0x0777 is not supported", keErrNoData, true});
  t.push_back({"wmf_dashed_pen_not_drawn", Placeable(0, 0, 8, 8, 96, WmfBody(1, {WmfPen(1, 0, kRed), WmfEof()})),
               "WMF record META_CREATEPENINDIRECT is not supported", keErrNoData, true});
  t.push_back({"wmf_select_of_an_empty_slot", Placeable(0, 0, 8, 8, 96, WmfBody(2, {WmfSelect(1), WmfEof()})),
               "WMF record META_SELECTOBJECT is not supported", keErrNoData, true});
  t.push_back({"wmf_polygon_count_past_the_record",
               Placeable(0, 0, 8, 8, 96, WmfBody(0, {WmfRec(0x0324, {200, 1, 1, 2, 2}), WmfEof()})),
               "WMF record META_POLYGON is not supported", keErrNoData, true});
  t.push_back({"wmf_stretchdib_with_a_broken_dib",
               Placeable(0, 0, 8, 8, 96,
                         WmfBody(0, {WmfRec(0x0F43, {0x0020, 0x00CC, 0, 2, 2, 0, 0, 8, 8, 0, 0}, Bytes(8, 0)),
                                     WmfEof()})),
               "WMF record META_STRETCHDIB is not supported", keErrNoData, true});
  t.push_back({"emf_exttextoutw_not_drawn", Emf(0, {EmfRec(84, {0, 0, 0, 0, 1})}),
               "EMF record EMR_EXTTEXTOUTW is not supported", keErrNoData, true});
  t.push_back({"emf_world_transform_not_drawn", Emf(0, {EmfRec(35, {1, 0, 0, 1, 0, 0})}),
               "EMF record EMR_SETWORLDTRANSFORM is not supported", keErrNoData, true});
  t.push_back({"emf_polygon_count_past_the_record", Emf(0, {EmfRec(3, {0, 0, 0, 0, 1000, 1, 1})}),
               "EMF record EMR_POLYGON is not supported", keErrNoData, true});
  // Structure faults, found before any renderer runs.
  {
    Bytes noEof = Placeable(0, 0, 8, 8, 96, WmfBody(0, {rect}));
    t.push_back({"wmf_without_end_of_file_record", noEof,
                 "WMF: truncated: no end-of-file record", keErrFileRead, false});
  }
  t.push_back({"wmf_record_size_below_its_header",
               Placeable(0, 0, 8, 8, 96, WmfBody(0, {Bytes{2, 0, 0, 0, 0x1B, 0x04}, WmfEof()})),
               "WMF: record size below the record header", keErrNoData, false});
  {
    Bytes big = WmfRec(0x041B, {5, 5, 1, 1});
    big[0] = 0xFF;  // 255 words
    t.push_back({"wmf_record_past_the_end_of_the_file", Placeable(0, 0, 8, 8, 96, WmfBody(0, {big, WmfEof()})),
                 "WMF: record past the end of the file", keErrFileRead, false});
  }
  t.push_back({"wmf_placeable_zero_units_per_inch", Placeable(0, 0, 8, 8, 0, WmfBody(0, {WmfEof()})),
               "WMF: placeable header with zero units per inch", keErrNoData, false});
  t.push_back({"wmf_placeable_empty_box", Placeable(4, 4, 4, 8, 96, WmfBody(0, {WmfEof()})),
               "WMF: empty picture frame", keErrNoData, false});
  {
    // 32000 edges, each from the top row to the bottom one: few bytes, but
    // every row's crossings must be sorted.  Refused once the sorting alone
    // would pass the work limit, instead of drawing for seconds first.
    Bytes points;
    for (int i = 0; i < 32000; ++i) {
      Le16(&points, static_cast<unsigned>(i % 2000));
      Le16(&points, i % 2 == 0 ? 0u : 1999u);
    }
    t.push_back({"wmf_many_edges_across_every_row",
                 Placeable(0, 0, 2000, 2000, 96, WmfBody(0, {WmfRec(0x0324, {32000}, points), WmfEof()})),
                 "WMF: too complex to draw", keErrNoData, true});
  }
  t.push_back({"wmf_plain_without_window_extent", WmfBody(0, {rect, WmfEof()}),
               "WMF: no placeable header and no window extent: size unknown", keErrNoData, false});
  t.push_back({"wmf_bad_header_size", Bytes{1, 0, 8, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
               "WMF: not a metafile", keErrNoData, false});
  t.push_back({"emf_empty_frame", Emf(0, {}, -5), "EMF: empty picture frame", keErrNoData, false});
  {
    Bytes e = Emf(0, {});
    e.resize(e.size() - 4);  // EMR_EOF cut short
    t.push_back({"emf_truncated_end_of_file_record", e, "EMF: record past the end of the file", keErrFileRead, false});
  }
  {
    Bytes e = Emf(0, {EmfRec(43, {1, 1, 2, 2})});
    e[88 + 4] = 6;  // record size not a multiple of 4
    t.push_back({"emf_record_size_not_a_multiple_of_4", e, "EMF: bad record size", keErrNoData, false});
  }
  {
    Bytes e = Emf(0, {});
    e[72] = e[73] = e[74] = e[75] = 0;  // device width 0
    t.push_back({"emf_reference_device_without_a_size", e, "EMF: reference device without a size", keErrNoData, false});
  }
  return t;
}

class MetafileRefusedTest : public ::testing::TestWithParam<Refused> {};

TEST_P(MetafileRefusedTest, AnswersFalseWithTheReason) {
  const Refused& r = GetParam();
#ifdef _WIN32
  if (r.portableOnly) GTEST_SKIP() << "GDI draws this record";
#endif
  CPicture picture;
  EXPECT_FALSE(picture.Decode(r.bytes.data(), r.bytes.size(), keFileTypeWMF));
  EXPECT_EQ(r.error, picture.GetLastError());
  EXPECT_EQ(r.code, picture.GetLastErrorCode());
  EXPECT_EQ(0u, picture.GetWidth());
  EXPECT_EQ(nullptr, picture.GetDIB());
}

INSTANTIATE_TEST_SUITE_P(Files, MetafileRefusedTest, ::testing::ValuesIn(RefusedFiles()),
                         [](const ::testing::TestParamInfo<Refused>& info) { return std::string(info.param.name); });

// Every prefix of a drawn file lacks the end-of-file record: refused with a
// text, never read past (a copy of exactly the prefix for AddressSanitizer).
TEST(MetafileTruncationSweepTest, EveryPrefixIsRefused) {
  for (const Drawn& d : DrawnFiles()) {
    SCOPED_TRACE(d.name);
    for (std::size_t size = 0; size < d.bytes.size(); ++size) {
      const Bytes prefix(d.bytes.begin(), d.bytes.begin() + static_cast<std::ptrdiff_t>(size));
      CPicture picture;
      EXPECT_FALSE(picture.Decode(prefix.data(), prefix.size(), keFileTypeWMF)) << size;
      EXPECT_FALSE(picture.GetLastError().empty()) << size;
    }
  }
}

}  // namespace
