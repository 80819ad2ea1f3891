#pragma once
// Reads one resource out of a PE file (a Windows DLL) by walking its resource
// directory, the way a host that does not load the library finds a PiPL.

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace pe {

inline std::uint32_t U16(const std::vector<std::uint8_t>& b, std::size_t at) {
  return at + 2 <= b.size() ? static_cast<std::uint32_t>(b[at] | (b[at + 1] << 8)) : 0;
}
inline std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
  return at + 4 <= b.size() ? U16(b, at) | (U16(b, at + 2) << 16) : 0;
}

struct Image {
  std::vector<std::uint8_t> file;
  struct Section {
    std::uint32_t rva, size, offset;
  };
  std::vector<Section> sections;
  std::uint32_t resourceRva = 0;
  std::uint16_t machine = 0;

  // File offset of an RVA, or 0 when no section holds it.
  std::size_t Offset(std::uint32_t rva) const {
    for (const Section& s : sections) {
      if (rva >= s.rva && rva < s.rva + s.size) return s.offset + (rva - s.rva);
    }
    return 0;
  }
};

inline bool Load(const std::string& path, Image* image, std::string* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    *error = "cannot open " + path;
    return false;
  }
  image->file.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  const auto& b = image->file;
  if (U16(b, 0) != 0x5A4D) {
    *error = "no MZ header";
    return false;
  }
  const std::size_t pe = U32(b, 0x3C);
  if (U32(b, pe) != 0x00004550) {
    *error = "no PE signature";
    return false;
  }
  image->machine = static_cast<std::uint16_t>(U16(b, pe + 4));
  const std::uint32_t sectionCount = U16(b, pe + 6);
  const std::uint32_t optionalSize = U16(b, pe + 20);
  const std::size_t optional = pe + 24;
  const std::uint32_t magic = U16(b, optional);
  const std::size_t directories = optional + (magic == 0x20B ? 112 : 96);
  image->resourceRva = U32(b, directories + 2 * 8);
  std::size_t section = optional + optionalSize;
  for (std::uint32_t i = 0; i < sectionCount; ++i, section += 40) {
    image->sections.push_back({U32(b, section + 12), U32(b, section + 8), U32(b, section + 20)});
  }
  if (image->resourceRva == 0 || image->Offset(image->resourceRva) == 0) {
    *error = "no resource directory";
    return false;
  }
  return true;
}

// Finds the entry of a resource directory by name (when `name` is not empty)
// or by number; answers its OffsetToData field, or 0.
inline std::uint32_t FindEntry(const Image& image, std::size_t directory, const std::string& name,
                               std::uint32_t id, bool anyId = false) {
  const auto& b = image.file;
  const std::size_t base = image.Offset(image.resourceRva);
  const std::uint32_t named = U16(b, directory + 12);
  const std::uint32_t numbered = U16(b, directory + 14);
  for (std::uint32_t i = 0; i < named + numbered; ++i) {
    const std::size_t entry = directory + 16 + 8 * i;
    const std::uint32_t nameField = U32(b, entry);
    const std::uint32_t data = U32(b, entry + 4);
    if (anyId) return data;
    if (nameField & 0x80000000u) {
      if (name.empty()) continue;
      const std::size_t text = base + (nameField & 0x7FFFFFFFu);
      const std::uint32_t length = U16(b, text);
      std::string entryName;
      for (std::uint32_t k = 0; k < length; ++k) entryName += static_cast<char>(U16(b, text + 2 + 2 * k));
      if (entryName == name) return data;
    } else if (name.empty() && nameField == id) {
      return data;
    }
  }
  return 0;
}

// The bytes of resource (type, id) in the first language present; a type
// written "#16" is a numbered one.
inline bool ReadResource(const Image& image, const std::string& type, std::uint32_t id,
                         std::vector<std::uint8_t>* bytes, std::string* error) {
  const std::size_t base = image.Offset(image.resourceRva);
  const bool numbered = !type.empty() && type[0] == '#';
  const std::uint32_t typeEntry =
      numbered ? FindEntry(image, base, "", static_cast<std::uint32_t>(std::stoul(type.substr(1))))
               : FindEntry(image, base, type, 0);
  if (!(typeEntry & 0x80000000u)) {
    *error = "no resource type " + type;
    return false;
  }
  const std::uint32_t idEntry = FindEntry(image, base + (typeEntry & 0x7FFFFFFFu), "", id);
  if (!(idEntry & 0x80000000u)) {
    *error = "no resource " + type + " " + std::to_string(id);
    return false;
  }
  const std::uint32_t languageEntry = FindEntry(image, base + (idEntry & 0x7FFFFFFFu), "", 0, true);
  if (languageEntry == 0 || (languageEntry & 0x80000000u)) {
    *error = "no language entry";
    return false;
  }
  const std::size_t dataEntry = base + languageEntry;
  const std::uint32_t rva = U32(image.file, dataEntry);
  const std::uint32_t size = U32(image.file, dataEntry + 4);
  const std::size_t offset = image.Offset(rva);
  if (offset == 0 || offset + size > image.file.size()) {
    *error = "resource data outside the file";
    return false;
  }
  bytes->assign(image.file.begin() + static_cast<std::ptrdiff_t>(offset),
                image.file.begin() + static_cast<std::ptrdiff_t>(offset + size));
  return true;
}

// The names of the functions the file exports.
inline std::vector<std::string> ExportNames(const Image& image) {
  std::vector<std::string> names;
  const auto& b = image.file;
  const std::size_t pe = U32(b, 0x3C);
  const std::size_t optional = pe + 24;
  const std::size_t directories = optional + (U16(b, optional) == 0x20B ? 112 : 96);
  const std::size_t exports = image.Offset(U32(b, directories));
  if (exports == 0) return names;
  const std::uint32_t count = U32(b, exports + 24);
  const std::size_t nameTable = image.Offset(U32(b, exports + 32));
  for (std::uint32_t i = 0; i < count && nameTable != 0; ++i) {
    std::size_t at = image.Offset(U32(b, nameTable + 4 * i));
    std::string name;
    while (at != 0 && at < b.size() && b[at] != 0) name += static_cast<char>(b[at++]);
    names.push_back(name);
  }
  return names;
}

}  // namespace pe

namespace pe {

// The names of the DLLs the file imports from.
inline std::vector<std::string> ImportedDlls(const Image& image) {
  std::vector<std::string> names;
  const auto& b = image.file;
  const std::size_t pe = U32(b, 0x3C);
  const std::size_t optional = pe + 24;
  const std::size_t directories = optional + (U16(b, optional) == 0x20B ? 112 : 96);
  std::size_t descriptor = image.Offset(U32(b, directories + 8));
  while (descriptor != 0 && descriptor + 20 <= b.size() && U32(b, descriptor + 12) != 0) {
    std::size_t at = image.Offset(U32(b, descriptor + 12));
    std::string name;
    while (at != 0 && at < b.size() && b[at] != 0) name += static_cast<char>(b[at++]);
    names.push_back(name);
    descriptor += 20;
  }
  return names;
}

}  // namespace pe
