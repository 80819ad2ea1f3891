#include "platform/VersionInfo.h"

#include <cstring>

#include "resources/ProductInfo.h"

namespace platform {
namespace {

// The record the Windows builds carry as a resource, for builds whose
// modules cannot carry one.
struct Entry {
  const char* key;
  const char* value;
};
const Entry kStrings[] = {
    {"Comments", TINTAVO_COMMENTS},
    {"CompanyName", TINTAVO_MAKER},
    {"FileDescription", TINTAVO_FILE_DESCRIPTION},
    {"FileVersion", TINTAVO_VERSION_TEXT},
    {"InternalName", TINTAVO_PRODUCT_NAME},
    {"LegalCopyright", TINTAVO_LEGAL_COPYRIGHT},
    {"LegalTrademarks", TINTAVO_LEGAL_TRADEMARKS},
    {"OriginalFilename", TINTAVO_ORIGINAL_FILENAME},
    {"ProductName", TINTAVO_FILE_DESCRIPTION},
    {"ProductVersion", TINTAVO_VERSION_TEXT},
};
const char kStringTable[] = "\\StringFileInfo\\040904b0\\";

}  // namespace

FileVersionRecord::FileVersionRecord(const std::string& /*moduleFile*/) { m_data.assign(1, 1); }

FileVersionRecord::~FileVersionRecord() = default;

bool FileVersionRecord::Translations(std::vector<std::pair<std::uint16_t, std::uint16_t>>* pairs) const {
  pairs->assign(1, {0x0409, 0x04B0});
  return true;
}

bool FileVersionRecord::Text(const std::string& path, std::string* value) const {
  const std::size_t prefix = std::strlen(kStringTable);
  if (path.compare(0, prefix, kStringTable) != 0) return false;
  for (const Entry& e : kStrings) {
    if (path.compare(prefix, std::string::npos, e.key) == 0) {
      *value = e.value;
      return true;
    }
  }
  return false;
}

}  // namespace platform
