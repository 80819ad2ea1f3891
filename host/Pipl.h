#pragma once
// Reading a PiPL property list the way a host does: the header, then each
// property with its vendor, key, id, padded length and data.

#include <cstdint>
#include <string>
#include <vector>

struct PiplProperty {
  std::uint32_t vendor = 0;
  std::uint32_t key = 0;
  std::int32_t id = 0;
  std::uint32_t length = 0;  // as stored: padded to a multiple of 4
  std::vector<std::uint8_t> data;
};

struct PiplList {
  std::int16_t listVersion = 0;
  std::int32_t version = 0;
  std::vector<PiplProperty> properties;

  const PiplProperty* Find(std::uint32_t key) const;
};

// A four-character code as the interface writes it ('8BIM').
constexpr std::uint32_t FourCC(const char (&code)[5]) {
  return (static_cast<std::uint32_t>(static_cast<std::uint8_t>(code[0])) << 24) |
         (static_cast<std::uint32_t>(static_cast<std::uint8_t>(code[1])) << 16) |
         (static_cast<std::uint32_t>(static_cast<std::uint8_t>(code[2])) << 8) |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(code[3]));
}
std::string FourCCText(std::uint32_t code);

// Parses `bytes`; answers false with a reason when the list is malformed
// (short header, a property running past the end, a length not padded).
bool ParsePipl(const std::vector<std::uint8_t>& bytes, PiplList* list, std::string* error);

// The text of a Pascal-string property ('name', 'catg'); empty when malformed.
std::string PiplPascalString(const PiplProperty& property);
// Whether the 'mode' property enables image mode `mode` (0 Bitmap ... 15).
bool PiplSupportsMode(const PiplProperty& property, int mode);
