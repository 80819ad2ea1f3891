#pragma once
// Loading a shared library (a .8bf DLL on Windows, a .so on POSIX), finding
// its exported functions and, on Windows, its resources.

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

class DynamicLibrary {
 public:
  DynamicLibrary() = default;
  ~DynamicLibrary();
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;

  // Answers false with a reason in Error() when the library cannot be loaded.
  bool Load(const std::string& path);
  void Unload();
  bool IsLoaded() const { return m_handle != nullptr; }
  void* Symbol(const char* name) const;
  const std::string& Error() const { return m_error; }

  // The names (or numbers, as "#16000") of every resource of a type, in the
  // order the system enumerates them; empty where resources do not exist.
  std::vector<std::string> ResourceNames(const char* type) const;
  // The bytes of resource `id` of `type`; false when there is none.
  bool ResourceBytes(const char* type, unsigned id, std::vector<std::uint8_t>* bytes) const;

 private:
  void* m_handle = nullptr;
  std::string m_error;
};

}  // namespace platform
