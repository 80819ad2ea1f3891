#include "platform/Registry.h"

#include <windows.h>

namespace platform {
namespace {

HKEY K(std::intptr_t h) { return reinterpret_cast<HKEY>(h); }

// The system's text for a registry status, as one line.
std::string StatusText(LONG status) {
  char text[512] = {};
  DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           static_cast<DWORD>(status), 0, text, sizeof text, nullptr);
  while (n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n' || text[n - 1] == ' ' || text[n - 1] == '.')) --n;
  if (n == 0) return "error " + std::to_string(status);
  return std::string(text, n);
}

// "" for success and for a key or value that simply is not there; the
// reason otherwise.
std::string Reason(const char* what, const std::string& name, LONG status) {
  if (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) return std::string();
  return std::string("cannot ") + what + " HKEY_CURRENT_USER registry entry '" + name + "': " + StatusText(status);
}

LONG OpenBelow(HKEY parent, const std::string& path, bool create, std::intptr_t* handle) {
  HKEY key = nullptr;
  LONG status;
  if (create) {
    status = RegCreateKeyExA(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                             KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE, nullptr, &key, nullptr);
  } else {
    status = RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ, &key);
  }
  if (status == ERROR_SUCCESS) *handle = reinterpret_cast<std::intptr_t>(key);
  return status;
}

}  // namespace

RegistryKey::~RegistryKey() { Close(); }

bool RegistryKey::OpenCurrentUser(const std::string& path) {
  Close();
  const LONG status = OpenBelow(HKEY_CURRENT_USER, path, false, &m_handle);
  m_error = Reason("open", path, status);
  return m_open = status == ERROR_SUCCESS;
}

bool RegistryKey::CreateCurrentUser(const std::string& path) {
  Close();
  const LONG status = OpenBelow(HKEY_CURRENT_USER, path, true, &m_handle);
  m_error = Reason("create", path, status);
  return m_open = status == ERROR_SUCCESS;
}

bool RegistryKey::Open(const RegistryKey& parent, const std::string& subkey) {
  Close();
  m_error.clear();
  if (!parent.m_open) return false;
  const LONG status = OpenBelow(K(parent.m_handle), subkey, false, &m_handle);
  m_error = Reason("open", subkey, status);
  return m_open = status == ERROR_SUCCESS;
}

bool RegistryKey::Create(const RegistryKey& parent, const std::string& subkey) {
  Close();
  m_error.clear();
  if (!parent.m_open) return false;
  const LONG status = OpenBelow(K(parent.m_handle), subkey, true, &m_handle);
  m_error = Reason("create", subkey, status);
  return m_open = status == ERROR_SUCCESS;
}

void RegistryKey::Close() {
  if (m_open) RegCloseKey(K(m_handle));
  m_open = false;
  m_handle = 0;
}

bool RegistryKey::IsOpen() const { return m_open; }

bool RegistryKey::QueryValue(const std::string& name, void* data, std::uint32_t* size,
                             std::uint32_t* type) const {
  m_error.clear();
  if (!m_open) return false;
  DWORD length = *size;
  DWORD kind = 0;
  const LONG status = RegQueryValueExA(K(m_handle), name.c_str(), nullptr, &kind, static_cast<BYTE*>(data), &length);
  if (status != ERROR_SUCCESS) {
    if (status != ERROR_MORE_DATA) m_error = Reason("read", name, status);  // too long is the caller's business
    return false;
  }
  *size = length;
  if (type != nullptr) *type = kind;
  return true;
}

bool RegistryKey::SetValue(const std::string& name, std::uint32_t type, const void* data,
                           std::uint32_t size) const {
  m_error.clear();
  if (!m_open) return false;
  const LONG status = RegSetValueExA(K(m_handle), name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
  m_error = Reason("write", name, status);
  return status == ERROR_SUCCESS;
}

bool RegistryKey::DeleteValue(const std::string& name) const {
  m_error.clear();
  if (!m_open) return false;
  const LONG status = RegDeleteValueA(K(m_handle), name.c_str());
  m_error = Reason("delete", name, status);
  return status == ERROR_SUCCESS;
}

std::vector<std::string> RegistryKey::ValueNames() const {
  m_error.clear();
  std::vector<std::string> names;
  if (!m_open) return names;
  for (DWORD i = 0;; ++i) {
    char name[16384];
    DWORD length = sizeof name;
    const LONG status = RegEnumValueA(K(m_handle), i, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_NO_MORE_ITEMS) break;
    if (status != ERROR_SUCCESS) {
      m_error = Reason("list the values of", "the key", status);
      break;
    }
    names.emplace_back(name, length);
  }
  return names;
}

// The registry keeps each value whole; what a hold adds is that a
// read-change-write of several values by one of this program's processes
// does not interleave with another's.  The mutex is recursive for its
// owning thread, so holds nest.
RegistryLock::RegistryLock() {
  HANDLE mutex = CreateMutexA(nullptr, FALSE, "Local\\Velmora.Tintavo.SettingsStore");
  if (mutex == nullptr) {
    m_error = "cannot create the settings lock: " + StatusText(static_cast<LONG>(GetLastError()));
    return;
  }
  const DWORD waited = WaitForSingleObject(mutex, INFINITE);
  if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
    m_error = "cannot take the settings lock: " + StatusText(static_cast<LONG>(GetLastError()));
    CloseHandle(mutex);
    return;
  }
  m_handle = reinterpret_cast<std::intptr_t>(mutex);
  m_held = true;
}

RegistryLock::~RegistryLock() {
  if (!m_held) return;
  HANDLE mutex = reinterpret_cast<HANDLE>(m_handle);
  ReleaseMutex(mutex);
  CloseHandle(mutex);
}

bool DeleteCurrentUserKey(const std::string& path, const std::string& subkey, std::string* error) {
  HKEY parent = nullptr;
  LONG status = RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ | KEY_WRITE, &parent);
  if (status == ERROR_SUCCESS) {
    status = RegDeleteTreeA(parent, subkey.c_str());
    RegCloseKey(parent);
  }
  if (status != ERROR_SUCCESS && error != nullptr) *error = Reason("delete", path + "\\" + subkey, status);
  return status == ERROR_SUCCESS;
}

}  // namespace platform
