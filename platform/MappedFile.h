#pragma once
// A temporary file used as memory: a unique file in the temporary folder,
// opened for reading and writing, with a file mapping from which views are
// mapped.  Very large memory blocks live in such files so that they do not
// use up the address space's heap.
//
// Win32 uses GetTempFileNameA, CreateFileA and CreateFileMappingA.  POSIX
// uses mkstemp in $TMPDIR (or /tmp), ftruncate and mmap; there the "mapping"
// is only the size the file was grown to.

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// Views start at multiples of this many bytes; mappings are made in them.
constexpr std::uint64_t kMappingGranularity = 65536;

// The folder temporary files go to, with a trailing separator.
std::string TempFolder();
// Makes a new, empty file with a unique name that starts with `prefix` in
// TempFolder() and answers its path.  Win32 keeps only the first three
// characters of the prefix (GetTempFileNameA's rule).
bool CreateUniqueTempFile(const char* prefix, std::string* path);

class MappedFile {
 public:
  MappedFile() = default;
  ~MappedFile();
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;

  // Opens (or creates) the file for reading and writing without sharing.
  bool Open(const std::string& path);
  bool IsOpen() const;
  // Closes the mapping first.  Answers false when a handle could not be closed.
  bool Close();

  // A read/write mapping of `size` bytes, replacing any previous one; the
  // file grows to `size` when it is shorter.
  bool CreateMapping(std::uint64_t size);
  bool HasMapping() const;
  bool CloseMapping();

  // A read/write view of `size` bytes from `offset` (a multiple of
  // kMappingGranularity) of the current mapping; null on failure.
  void* MapView(std::uint64_t offset, std::size_t size);
  static bool UnmapView(void* view, std::size_t size);

 private:
  std::intptr_t m_file = -1;
  std::intptr_t m_mapping = 0;
  std::uint64_t m_mappingSize = 0;
};

}  // namespace platform
