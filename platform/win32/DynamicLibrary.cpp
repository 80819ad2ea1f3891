#include "platform/DynamicLibrary.h"

#include <windows.h>

#include <cstdio>

namespace platform {
namespace {

HMODULE M(void* h) { return static_cast<HMODULE>(h); }

BOOL CALLBACK CollectName(HMODULE, LPCSTR, LPSTR name, LONG_PTR param) {
  auto* names = reinterpret_cast<std::vector<std::string>*>(param);
  if (IS_INTRESOURCE(name)) {
    char text[16];
    std::snprintf(text, sizeof text, "#%u", static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(name)));
    names->push_back(text);
  } else {
    names->push_back(name);
  }
  return TRUE;
}

}  // namespace

DynamicLibrary::~DynamicLibrary() { Unload(); }

bool DynamicLibrary::Load(const std::string& path) {
  Unload();
  m_handle = LoadLibraryA(path.c_str());
  if (m_handle == nullptr) {
    char text[64];
    std::snprintf(text, sizeof text, "LoadLibrary failed with error %lu",
                  static_cast<unsigned long>(GetLastError()));
    m_error = text;
    return false;
  }
  m_error.clear();
  return true;
}

void DynamicLibrary::Unload() {
  if (m_handle != nullptr) FreeLibrary(M(m_handle));
  m_handle = nullptr;
}

void* DynamicLibrary::Symbol(const char* name) const {
  if (m_handle == nullptr) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(M(m_handle), name));
}

std::vector<std::string> DynamicLibrary::ResourceNames(const char* type) const {
  std::vector<std::string> names;
  if (m_handle != nullptr) {
    EnumResourceNamesA(M(m_handle), type, CollectName, reinterpret_cast<LONG_PTR>(&names));
  }
  return names;
}

bool DynamicLibrary::ResourceBytes(const char* type, unsigned id, std::vector<std::uint8_t>* bytes) const {
  if (m_handle == nullptr) return false;
  HRSRC info = FindResourceA(M(m_handle), MAKEINTRESOURCEA(id), type);
  if (info == nullptr) return false;
  HGLOBAL data = LoadResource(M(m_handle), info);
  const DWORD size = SizeofResource(M(m_handle), info);
  const void* p = data != nullptr ? LockResource(data) : nullptr;
  if (p == nullptr) return false;
  const auto* b = static_cast<const std::uint8_t*>(p);
  bytes->assign(b, b + size);
  return true;
}

}  // namespace platform
