#include "host/Pipl.h"

namespace {

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
         (static_cast<std::uint32_t>(b[at + 2]) << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

}  // namespace

const PiplProperty* PiplList::Find(std::uint32_t key) const {
  for (const PiplProperty& p : properties) {
    if (p.key == key) return &p;
  }
  return nullptr;
}

std::string FourCCText(std::uint32_t code) {
  std::string text(4, ' ');
  for (int i = 0; i < 4; ++i) text[i] = static_cast<char>((code >> (24 - 8 * i)) & 0xFF);
  return text;
}

bool ParsePipl(const std::vector<std::uint8_t>& bytes, PiplList* list, std::string* error) {
  *list = PiplList();
  if (bytes.size() < 10) {
    *error = "PiPL shorter than its header";
    return false;
  }
  list->listVersion = static_cast<std::int16_t>(bytes[0] | (bytes[1] << 8));
  list->version = static_cast<std::int32_t>(U32(bytes, 2));
  const std::uint32_t count = U32(bytes, 6);
  std::size_t at = 10;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (bytes.size() - at < 16) {
      *error = "property " + std::to_string(i) + " runs past the end";
      return false;
    }
    PiplProperty p;
    p.vendor = U32(bytes, at);
    p.key = U32(bytes, at + 4);
    p.id = static_cast<std::int32_t>(U32(bytes, at + 8));
    p.length = U32(bytes, at + 12);
    if (p.length % 4 != 0) {
      *error = "property '" + FourCCText(p.key) + "' has an unpadded length";
      return false;
    }
    if (bytes.size() - at - 16 < p.length) {
      *error = "property '" + FourCCText(p.key) + "' runs past the end";
      return false;
    }
    p.data.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at + 16),
                  bytes.begin() + static_cast<std::ptrdiff_t>(at + 16 + p.length));
    at += 16 + p.length;
    list->properties.push_back(std::move(p));
  }
  return true;
}

std::string PiplPascalString(const PiplProperty& property) {
  if (property.data.empty()) return std::string();
  const std::size_t n = property.data[0];
  if (n + 1 > property.data.size()) return std::string();
  return std::string(property.data.begin() + 1, property.data.begin() + 1 + static_cast<std::ptrdiff_t>(n));
}

bool PiplSupportsMode(const PiplProperty& property, int mode) {
  if (mode < 0 || static_cast<std::size_t>(mode / 8) >= property.data.size()) return false;
  return (property.data[static_cast<std::size_t>(mode / 8)] >> (7 - mode % 8)) & 1;
}
