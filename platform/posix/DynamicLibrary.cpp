#include "platform/DynamicLibrary.h"

#include <dlfcn.h>

namespace platform {

DynamicLibrary::~DynamicLibrary() { Unload(); }

bool DynamicLibrary::Load(const std::string& path) {
  Unload();
  m_handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (m_handle == nullptr) {
    const char* why = ::dlerror();
    m_error = why != nullptr ? why : "cannot load " + path;
    return false;
  }
  m_error.clear();
  return true;
}

void DynamicLibrary::Unload() {
  if (m_handle != nullptr) ::dlclose(m_handle);
  m_handle = nullptr;
}

void* DynamicLibrary::Symbol(const char* name) const {
  return m_handle != nullptr ? ::dlsym(m_handle, name) : nullptr;
}

// Shared libraries on POSIX carry no resources.
std::vector<std::string> DynamicLibrary::ResourceNames(const char*) const { return {}; }

bool DynamicLibrary::ResourceBytes(const char*, unsigned, std::vector<std::uint8_t>*) const {
  return false;
}

}  // namespace platform
