#include "tools/tintavo/SourceList.h"

#include <algorithm>
#include <set>

#include "imagefiles/FileType.h"
#include "platform/FileInfo.h"
#include "platform/FileReplacement.h"
#include "platform/Folder.h"

namespace {

std::string NameOf(const std::string& path) {
  const auto slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string WithSeparator(const std::string& folder) {
  if (!folder.empty() && (folder.back() == '/' || folder.back() == '\\')) return folder;
  return folder + "/";
}

bool IsPictureName(const std::string& name) {
  return !name.empty() && name[0] != '.' && TypeFromExtension(LowerCaseAscii(ExtensionOf(name))) != 0;
}

// The same file, as far as names tell (symbolic links followed).
std::string Canonical(const std::string& path) {
  std::string p = platform::FinalTarget(path);
  std::replace(p.begin(), p.end(), '\\', '/');
  while (p.compare(0, 2, "./") == 0) p.erase(0, 2);
  std::string out;
  for (std::size_t i = 0; i < p.size(); ++i) {
    if (p[i] == '/' && i + 2 < p.size() && p[i + 1] == '.' && p[i + 2] == '/') {
      ++i;
      continue;
    }
    if (p[i] == '/' && !out.empty() && out.back() == '/') continue;
    out += p[i];
  }
  return LowerCaseAscii(out);
}

}  // namespace

std::vector<BatchItem> ListBatch(const std::vector<std::string>& sources, const std::string& outputDir,
                                 const std::string& suffix, PictureFormat format) {
  std::vector<BatchItem> items;
  for (const std::string& source : sources) {
    platform::FileAttributeData facts;
    if (source != "-" && platform::ReadFileAttributes(source, &facts) && facts.isFolder) {
      std::vector<std::string> names;
      for (const platform::FolderEntry& e : platform::ListFolder(source)) {
        if (!e.isFolder && IsPictureName(e.name)) names.push_back(e.name);
      }
      std::sort(names.begin(), names.end());
      if (names.empty()) {
        BatchItem item;
        item.source = source;
        item.problem = "the folder holds no picture files";
        items.push_back(item);
      }
      for (const std::string& name : names) {
        BatchItem item;
        item.source = WithSeparator(source) + name;
        items.push_back(item);
      }
      continue;
    }
    BatchItem item;
    item.source = source;
    items.push_back(item);
  }

  std::set<std::string> sourceFiles, outputs;
  for (const BatchItem& item : items) sourceFiles.insert(Canonical(item.source));
  for (BatchItem& item : items) {
    if (!item.problem.empty()) continue;
    if (item.source == "-") {
      item.problem = "standard input cannot be part of a batch";
      continue;
    }
    const std::string name = NameOf(item.source);
    const std::string extension = ExtensionOf(name);
    const std::string stem =
        extension.empty() && name.find('.') == std::string::npos ? name : name.substr(0, name.size() - extension.size() - 1);
    item.format = format != PictureFormat::kUnknown ? format : PictureFormatOf(name);
    const std::string outExtension =
        format == PictureFormat::kUnknown && item.format != PictureFormat::kUnknown ? extension
        : item.format != PictureFormat::kUnknown                                     ? ExtensionOfFormat(item.format)
                                                                                     : "png";
    if (item.format == PictureFormat::kUnknown) item.format = PictureFormat::kPng;
    item.output = WithSeparator(outputDir) + stem + suffix + "." + outExtension;
    const std::string key = Canonical(item.output);
    if (sourceFiles.count(key) != 0) {
      item.problem = "its output " + item.output + " would replace a source (give --suffix or another --output-dir)";
    } else if (!outputs.insert(key).second) {
      item.problem = "its output " + item.output + " is another source's output too";
    }
  }
  return items;
}
