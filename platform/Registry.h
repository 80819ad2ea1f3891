#pragma once
// The per-user settings store: keys below HKEY_CURRENT_USER holding typed,
// byte-exact values.  Win32 uses the real registry.  POSIX keeps the same
// key / value / type model in one text file,
// $XDG_CONFIG_HOME/tintavo/registry.txt (~/.config by default); key and
// value names compare without regard to case, as in the registry.
//
// The POSIX file is shared by every process of the user (an editor's
// plug-in, the command-line tool): each call takes an exclusive lock on
// registry.txt.lock beside it, reads the file afresh under that lock and,
// when it changes something, writes a new file and renames it over the old
// one, so no process loses another's values and readers never see half a
// file.  A file with lines that cannot be read is reported once on stderr
// and moved aside (registry.txt.damaged, or .damaged-2 and on when taken);
// the values that could be read are written back as the store.
//
// Every failure that is not simply "no such key or value" (a store that
// exists but cannot be read or written, a denied access) leaves its reason
// in Error(), so a caller can tell a first start from a broken store.

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
  // length.  Fails when there is no such value or it is longer than `*size`
  // (neither leaves an Error()).
  bool QueryValue(const std::string& name, void* data, std::uint32_t* size, std::uint32_t* type) const;
  bool SetValue(const std::string& name, std::uint32_t type, const void* data, std::uint32_t size) const;
  bool DeleteValue(const std::string& name) const;
  // The names of the key's values, in the store's order.
  std::vector<std::string> ValueNames() const;

  // Why the last call on this key failed when the store itself failed (it
  // cannot be read or written, access is denied); empty after a success and
  // when a key or value simply does not exist.
  const std::string& Error() const { return m_error; }

 private:
  std::intptr_t m_handle = 0;  // Win32 HKEY
  std::string m_path;          // POSIX: the key's path below HKEY_CURRENT_USER
  bool m_open = false;
  mutable std::string m_error;
};

// Holds the settings store for a read-change-write made of several calls
// (load every value, change one, save them all): while one is held, other
// processes' and threads' calls on the store wait.  Calls made by the holder
// itself go through; holds nest.  POSIX: the lock file beside the store
// (created, with its folder, when missing).  Win32: a named mutex of the
// session, which only this program's processes take.
class RegistryLock {
 public:
  RegistryLock();
  ~RegistryLock();
  RegistryLock(const RegistryLock&) = delete;
  RegistryLock& operator=(const RegistryLock&) = delete;

  // False when the lock could not be taken (Error() says why); the calls
  // then still work, each on its own, as they do without a hold.
  bool IsHeld() const { return m_held; }
  const std::string& Error() const { return m_error; }

 private:
  std::intptr_t m_handle = 0;  // Win32: the mutex
  bool m_held = false;
  std::string m_error;
};

// Removes HKEY_CURRENT_USER\path\subkey and everything below it.  False when
// there was nothing to remove or it cannot be removed (then with the reason
// in *error when given).
bool DeleteCurrentUserKey(const std::string& path, const std::string& subkey, std::string* error = nullptr);

}  // namespace platform
