#include "ui/TooltipMarkup.h"

#include <cctype>

#include "imagefiles/FileType.h"

namespace ui {
namespace {

struct Style {
  int boldDepth = 0;
  std::vector<std::pair<bool, std::uint32_t>> colours;  // the open <font> tags
};

// The value of `name="..."` (or unquoted) inside a tag's text.
bool Attribute(const std::string& tag, const std::string& name, std::string* value) {
  const std::string lower = LowerCaseAscii(tag);
  for (std::size_t at = lower.find(name); at != std::string::npos; at = lower.find(name, at + 1)) {
    if (at > 0 && !std::isspace(static_cast<unsigned char>(lower[at - 1]))) continue;
    std::size_t i = at + name.size();
    while (i < tag.size() && std::isspace(static_cast<unsigned char>(tag[i]))) ++i;
    if (i >= tag.size() || tag[i] != '=') continue;
    ++i;
    while (i < tag.size() && std::isspace(static_cast<unsigned char>(tag[i]))) ++i;
    if (i < tag.size() && (tag[i] == '"' || tag[i] == '\'')) {
      const char quote = tag[i];
      const std::size_t end = tag.find(quote, i + 1);
      if (end == std::string::npos) return false;
      *value = tag.substr(i + 1, end - i - 1);
    } else {
      std::size_t end = i;
      while (end < tag.size() && !std::isspace(static_cast<unsigned char>(tag[end]))) ++end;
      *value = tag.substr(i, end - i);
    }
    return true;
  }
  return false;
}

bool ParseColour(const std::string& text, std::uint32_t* colour) {
  if (text.size() != 7 || text[0] != '#') return false;
  std::uint32_t value = 0;
  for (std::size_t i = 1; i < 7; ++i) {
    const int c = std::tolower(static_cast<unsigned char>(text[i]));
    if (!std::isxdigit(c)) return false;
    value = value * 16 + static_cast<std::uint32_t>(std::isdigit(c) ? c - '0' : c - 'a' + 10);
  }
  *colour = value;
  return true;
}

class CParser {
 public:
  std::vector<MarkupLine> Parse(const std::string& text) {
    m_lines.assign(1, MarkupLine());
    std::size_t i = 0;
    while (i < text.size()) {
      const char c = text[i];
      if (c == '\n') {
        m_lines.emplace_back();
        ++i;
      } else if (c == '\r') {
        ++i;
      } else if (c == '<') {
        const std::size_t end = text.find('>', i + 1);
        const std::size_t reopen = text.find('<', i + 1);
        if (end == std::string::npos || (reopen != std::string::npos && reopen < end)) {
          Add("<");  // a "<" that is no tag
          ++i;
          continue;
        }
        Tag(text.substr(i + 1, end - i - 1));
        i = end + 1;
      } else if (c == '&') {
        i += Entity(text, i);
      } else {
        std::size_t end = text.find_first_of("\n\r<&", i);
        if (end == std::string::npos) end = text.size();
        Add(text.substr(i, end - i));
        i = end;
      }
    }
    return m_lines;
  }

 private:
  void Add(const std::string& piece) {
    if (piece.empty()) return;
    MarkupRun run;
    run.bold = m_style.boldDepth > 0;
    if (!m_style.colours.empty()) {
      run.coloured = m_style.colours.back().first;
      run.colour = run.coloured ? m_style.colours.back().second : 0;
    }
    MarkupLine& line = m_lines.back();
    if (!line.empty() && line.back().bold == run.bold && line.back().coloured == run.coloured &&
        line.back().colour == run.colour) {
      line.back().text += piece;
    } else {
      run.text = piece;
      line.push_back(run);
    }
  }

  void Tag(const std::string& body) {
    std::size_t start = 0;
    while (start < body.size() && std::isspace(static_cast<unsigned char>(body[start]))) ++start;
    const bool closing = start < body.size() && body[start] == '/';
    if (closing) ++start;
    std::size_t end = start;
    while (end < body.size() && std::isalnum(static_cast<unsigned char>(body[end]))) ++end;
    const std::string name = LowerCaseAscii(body.substr(start, end - start));
    if (name == "b") {
      if (!closing) ++m_style.boldDepth;
      else if (m_style.boldDepth > 0) --m_style.boldDepth;
    } else if (name == "font") {
      if (closing) {
        if (!m_style.colours.empty()) m_style.colours.pop_back();
        return;
      }
      // A font tag without a usable colour keeps the colour it is inside.
      std::pair<bool, std::uint32_t> colour =
          m_style.colours.empty() ? std::make_pair(false, 0u) : m_style.colours.back();
      std::string value;
      std::uint32_t rgb = 0;
      if (Attribute(body.substr(end), "color", &value) && ParseColour(value, &rgb)) colour = {true, rgb};
      m_style.colours.push_back(colour);
    } else if (name == "br" && !closing) {
      m_lines.emplace_back();
    }
    // Any other tag is dropped.
  }

  // The entity at text[i] ('&'); answers the characters used.
  std::size_t Entity(const std::string& text, std::size_t i) {
    static const struct {
      const char* name;
      const char* text;
    } kEntities[] = {{"&lt;", "<"}, {"&gt;", ">"}, {"&amp;", "&"}};
    for (const auto& e : kEntities) {
      const std::size_t n = std::char_traits<char>::length(e.name);
      if (text.compare(i, n, e.name) == 0) {
        Add(e.text);
        return n;
      }
    }
    Add("&");
    return 1;
  }

  std::vector<MarkupLine> m_lines;
  Style m_style;
};

}  // namespace

std::vector<MarkupLine> ParseMarkup(const std::string& text) { return CParser().Parse(text); }

}  // namespace ui
