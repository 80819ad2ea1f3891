#include "platform/Registry.h"

#include <windows.h>

namespace platform {
namespace {

HKEY K(std::intptr_t h) { return reinterpret_cast<HKEY>(h); }

bool OpenBelow(HKEY parent, const std::string& path, bool create, std::intptr_t* handle) {
  HKEY key = nullptr;
  LONG status;
  if (create) {
    status = RegCreateKeyExA(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                             KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE, nullptr, &key, nullptr);
  } else {
    status = RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ, &key);
  }
  if (status != ERROR_SUCCESS) return false;
  *handle = reinterpret_cast<std::intptr_t>(key);
  return true;
}

}  // namespace

RegistryKey::~RegistryKey() { Close(); }

bool RegistryKey::OpenCurrentUser(const std::string& path) {
  Close();
  return m_open = OpenBelow(HKEY_CURRENT_USER, path, false, &m_handle);
}

bool RegistryKey::CreateCurrentUser(const std::string& path) {
  Close();
  return m_open = OpenBelow(HKEY_CURRENT_USER, path, true, &m_handle);
}

bool RegistryKey::Open(const RegistryKey& parent, const std::string& subkey) {
  Close();
  return m_open = parent.m_open && OpenBelow(K(parent.m_handle), subkey, false, &m_handle);
}

bool RegistryKey::Create(const RegistryKey& parent, const std::string& subkey) {
  Close();
  return m_open = parent.m_open && OpenBelow(K(parent.m_handle), subkey, true, &m_handle);
}

void RegistryKey::Close() {
  if (m_open) RegCloseKey(K(m_handle));
  m_open = false;
  m_handle = 0;
}

bool RegistryKey::IsOpen() const { return m_open; }

bool RegistryKey::QueryValue(const std::string& name, void* data, std::uint32_t* size,
                             std::uint32_t* type) const {
  if (!m_open) return false;
  DWORD length = *size;
  DWORD kind = 0;
  if (RegQueryValueExA(K(m_handle), name.c_str(), nullptr, &kind, static_cast<BYTE*>(data), &length) !=
      ERROR_SUCCESS) {
    return false;
  }
  *size = length;
  if (type != nullptr) *type = kind;
  return true;
}

bool RegistryKey::SetValue(const std::string& name, std::uint32_t type, const void* data,
                           std::uint32_t size) const {
  return m_open && RegSetValueExA(K(m_handle), name.c_str(), 0, type, static_cast<const BYTE*>(data), size) ==
                       ERROR_SUCCESS;
}

bool RegistryKey::DeleteValue(const std::string& name) const {
  return m_open && RegDeleteValueA(K(m_handle), name.c_str()) == ERROR_SUCCESS;
}

std::vector<std::string> RegistryKey::ValueNames() const {
  std::vector<std::string> names;
  if (!m_open) return names;
  for (DWORD i = 0;; ++i) {
    char name[16384];
    DWORD length = sizeof name;
    if (RegEnumValueA(K(m_handle), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.emplace_back(name, length);
  }
  return names;
}

bool DeleteCurrentUserKey(const std::string& path, const std::string& subkey) {
  HKEY parent = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ | KEY_WRITE, &parent) != ERROR_SUCCESS) {
    return false;
  }
  const bool ok = RegDeleteTreeA(parent, subkey.c_str()) == ERROR_SUCCESS;
  RegCloseKey(parent);
  return ok;
}

}  // namespace platform
