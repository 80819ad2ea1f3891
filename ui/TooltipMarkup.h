#pragma once
// The little mark-up of the browser's tooltips, parsed into lines of styled
// runs that a window measures and draws.
//
// Understood: <b> and </b>, <font color="#rrggbb" ...> and </font> (other
// attributes are ignored), <br> and line feeds for new lines, and the
// entities &lt; &gt; &amp;.  Tags are matched by name ignoring case.  An
// unknown tag is dropped; a closing tag without its opening one does
// nothing; a "<" that never closes, and an "&" that starts no known entity,
// are plain text.  Tags left open end with the text.

#include <cstdint>
#include <string>
#include <vector>

namespace ui {

struct MarkupRun {
  std::string text;
  bool bold = false;
  bool coloured = false;
  std::uint32_t colour = 0;  // 0xRRGGBB when coloured

  friend bool operator==(const MarkupRun& a, const MarkupRun& b) {
    return a.text == b.text && a.bold == b.bold && a.coloured == b.coloured && (!a.coloured || a.colour == b.colour);
  }
};

using MarkupLine = std::vector<MarkupRun>;

// One entry per line (an empty text gives one empty line); neighbouring
// runs of one style are joined.
std::vector<MarkupLine> ParseMarkup(const std::string& text);

}  // namespace ui
