#pragma once
// The per-user settings store: keys below HKEY_CURRENT_USER holding typed,
// byte-exact values.  Win32 uses the real registry.  POSIX keeps the same
// key / value / type model in one text file,
// $XDG_CONFIG_HOME/tintavo/registry.txt (~/.config by default), rewritten
// atomically on every change; key and value names compare without regard to
// case, as in the registry, and a damaged file reads as missing values.

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;

class RegistryKey {
 public:
  RegistryKey() = default;
  ~RegistryKey();
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  // HKEY_CURRENT_USER\path, for reading; fails when the key does not exist.
  bool OpenCurrentUser(const std::string& path);
  // HKEY_CURRENT_USER\path, created when missing, for reading and writing.
  bool CreateCurrentUser(const std::string& path);
  bool Open(const RegistryKey& parent, const std::string& subkey);
  bool Create(const RegistryKey& parent, const std::string& subkey);
  void Close();
  bool IsOpen() const;

  // Reads a value into `data` of `*size` bytes; `*size` becomes the value's
  // length.  Fails when there is no such value or it is longer than `*size`.
  bool QueryValue(const std::string& name, void* data, std::uint32_t* size, std::uint32_t* type) const;
  bool SetValue(const std::string& name, std::uint32_t type, const void* data, std::uint32_t size) const;
  bool DeleteValue(const std::string& name) const;
  // The names of the key's values, in the store's order.
  std::vector<std::string> ValueNames() const;

 private:
  std::intptr_t m_handle = 0;  // Win32 HKEY
  std::string m_path;          // POSIX: the key's path below HKEY_CURRENT_USER
  bool m_open = false;
};

// Removes HKEY_CURRENT_USER\path\subkey and everything below it.
bool DeleteCurrentUserKey(const std::string& path, const std::string& subkey);

}  // namespace platform
