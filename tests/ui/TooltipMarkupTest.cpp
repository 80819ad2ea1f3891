// The tooltip mark-up parser: styles, nesting, entities and broken input.

#include "ui/TooltipMarkup.h"

#include <gtest/gtest.h>

namespace {

using ui::MarkupLine;
using ui::MarkupRun;

MarkupRun Plain(const char* text) { return {text, false, false, 0}; }
MarkupRun Bold(const char* text) { return {text, true, false, 0}; }
MarkupRun Coloured(const char* text, std::uint32_t colour, bool bold = false) { return {text, bold, true, colour}; }

struct Case {
  const char* name;
  const char* text;
  std::vector<MarkupLine> lines;
};

class TooltipMarkupTest : public ::testing::TestWithParam<Case> {};

TEST_P(TooltipMarkupTest, Parses) {
  const Case& c = GetParam();
  const std::vector<MarkupLine> lines = ui::ParseMarkup(c.text);
  ASSERT_EQ(c.lines.size(), lines.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    ASSERT_EQ(c.lines[i].size(), lines[i].size()) << "line " << i;
    for (std::size_t k = 0; k < lines[i].size(); ++k) {
      const MarkupRun& got = lines[i][k];
      EXPECT_EQ(c.lines[i][k], got) << "line " << i << " run " << k << ": \"" << got.text << "\" bold " << got.bold
                                    << " coloured " << got.coloured << " " << std::hex << got.colour;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TooltipMarkupTest,
    ::testing::Values(
        Case{"empty", "", {{}}},
        Case{"plain", "sea.jpg", {{Plain("sea.jpg")}}},
        Case{"bold_and_lines", "<b>sea.jpg</b>\n640x480\n", {{Bold("sea.jpg")}, {Plain("640x480")}, {}}},
        Case{"br_tag", "a<br>b<BR/>c", {{Plain("a")}, {Plain("b")}, {Plain("c")}}},
        Case{"camera_line",
             "<b>Camera: <font color=\"#363072\" style=\"b\">VX-100</font></b>",
             {{Bold("Camera: "), Coloured("VX-100", 0x363072, true)}}},
        Case{"nested_fonts_restore_the_outer_colour",
             "<font color=#ff0000>r<font color='#00ff00'>g</font>r</font>x",
             {{Coloured("r", 0xff0000), Coloured("g", 0x00ff00), Coloured("r", 0xff0000), Plain("x")}}},
        Case{"nested_bold_counts_depth", "<b>a<b>b</b>c</b>d", {{Bold("abc"), Plain("d")}}},
        Case{"font_without_colour_keeps_the_outer", "<font color=#112233><font size=2>a</font></font>",
             {{Coloured("a", 0x112233)}}},
        Case{"bad_colour_is_no_colour", "<font color=\"#12zz45\">a</font>", {{Plain("a")}}},
        Case{"entities", "&lt;b&gt; &amp; &quot;", {{Plain("<b> & &quot;")}}},
        Case{"unknown_tags_dropped", "<i>a</i><table><tr>b", {{Plain("ab")}}},
        Case{"closing_without_opening", "</b></font>a", {{Plain("a")}}},
        Case{"unclosed_tag_is_text", "a <b c", {{Plain("a <b c")}}},
        Case{"lt_before_a_real_tag", "1 < 2 <b>x</b>", {{Plain("1 < 2 "), Bold("x")}}},
        Case{"open_tags_run_to_the_end", "<b>a\nb", {{Bold("a")}, {Bold("b")}}},
        Case{"carriage_returns_ignored", "a\r\nb", {{Plain("a")}, {Plain("b")}}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
