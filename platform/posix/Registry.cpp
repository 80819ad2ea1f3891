#include "platform/Registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <sstream>

namespace platform {
namespace {

// ===========================================================================
// The store file
//
//   ; comment
//   [Software\Velmora\Hueloom]
//   "Radius"=dword:00000003
//   "Filename"=sz:"C:\\Templates\\a.jpg"
//   "Other"=hex(3):01,02,ff
//
// A file with lines that cannot be read is kept aside under another name
// and replaced by the values that could be read (see Load).
// ===========================================================================

struct Value {
  std::string name;
  std::uint32_t type = 0;
  std::string data;  // bytes
};

struct Key {
  std::string path;
  std::vector<Value> values;
};

using Store = std::vector<Key>;

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

std::string Normalised(std::string path) {
  while (!path.empty() && path.front() == '\\') path.erase(path.begin());
  while (!path.empty() && path.back() == '\\') path.pop_back();
  return path;
}

std::string Join(const std::string& parent, const std::string& child) {
  const std::string c = Normalised(child);
  if (parent.empty()) return c;
  if (c.empty()) return parent;
  return parent + "\\" + c;
}

std::string StoreFile() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string folder;
  if (config != nullptr && *config != '\0') {
    folder = config;
  } else {
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0') return std::string();
    folder = std::string(home) + "/.config";
  }
  return folder + "/tintavo/registry.txt";
}

bool Printable(const std::string& bytes) {
  for (unsigned char c : bytes) {
    if (c < 0x20 || c > 0x7E) return false;
  }
  return true;
}

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

// Reads a quoted text at `at`; answers false when it is not well formed.
bool Unquote(const std::string& line, std::size_t* at, std::string* text) {
  if (*at >= line.size() || line[*at] != '"') return false;
  text->clear();
  for (std::size_t i = *at + 1; i < line.size(); ++i) {
    if (line[i] == '\\') {
      if (++i >= line.size()) return false;
      *text += line[i];
    } else if (line[i] == '"') {
      *at = i + 1;
      return true;
    } else {
      *text += line[i];
    }
  }
  return false;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = Lower(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool ParseValue(const std::string& line, Value* value) {
  std::size_t at = 0;
  if (!Unquote(line, &at, &value->name) || at >= line.size() || line[at] != '=') return false;
  const std::string rest = line.substr(at + 1);
  if (rest.rfind("dword:", 0) == 0) {
    const std::string digits = rest.substr(6);
    if (digits.size() != 8) return false;
    std::uint32_t v = 0;
    for (char c : digits) {
      const int d = HexDigit(c);
      if (d < 0) return false;
      v = (v << 4) | static_cast<std::uint32_t>(d);
    }
    value->type = kRegDword;
    value->data.assign({static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
                        static_cast<char>((v >> 16) & 0xFF), static_cast<char>((v >> 24) & 0xFF)});
    return true;
  }
  if (rest.rfind("sz:", 0) == 0) {
    std::size_t q = 3;
    value->type = kRegSz;
    return Unquote(rest, &q, &value->data) && q == rest.size();
  }
  if (rest.rfind("hex(", 0) == 0) {
    const std::size_t close = rest.find("):");
    if (close == std::string::npos) return false;
    char* end = nullptr;
    const unsigned long type = std::strtoul(rest.c_str() + 4, &end, 10);
    if (end != rest.c_str() + close) return false;
    value->type = static_cast<std::uint32_t>(type);
    value->data.clear();
    std::string hex = rest.substr(close + 2);
    for (std::size_t i = 0; i < hex.size();) {
      if (i + 1 >= hex.size()) return false;
      const int hi = HexDigit(hex[i]), lo = HexDigit(hex[i + 1]);
      if (hi < 0 || lo < 0) return false;
      value->data += static_cast<char>(hi * 16 + lo);
      i += 2;
      if (i < hex.size()) {
        if (hex[i] != ',') return false;
        ++i;
      }
    }
    return true;
  }
  return false;
}

std::string Reason(const std::string& what, const std::string& path, int error) {
  return "cannot " + what + " " + path + ": " + std::strerror(error);
}

std::string FolderOf(const std::string& file) { return file.substr(0, file.rfind('/')); }

bool MakeFolder(const std::string& file, std::string* error) {
  const std::string folder = FolderOf(file);
  ::mkdir(FolderOf(folder).c_str(), 0700);  // $HOME/.config when that is missing
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    *error = Reason("create the settings folder", folder, errno);
    return false;
  }
  return true;
}

// Writes every byte to `fd` and flushes it to the disk; false with the
// error number otherwise.
bool WriteAll(int fd, const std::string& bytes, int* error) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      *error = n < 0 ? errno : EIO;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  if (::fsync(fd) != 0) {
    *error = errno;
    return false;
  }
  return true;
}

// Writes `bytes` into a new file at `path`; fails when it exists.
bool WriteNewFile(const std::string& path, const std::string& bytes, int* error) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    *error = errno;
    return false;
  }
  const bool written = WriteAll(fd, bytes, error);
  ::close(fd);
  if (!written) ::unlink(path.c_str());
  return written;
}

// ===========================================================================
// The lock shared by the user's processes
//
// An exclusive flock on registry.txt.lock, taken by the outermost hold of
// the process and kept until its last hold ends; the process's own threads
// are kept apart by a recursive mutex around the same holds.  Every call on
// the store is a hold, and RegistryLock is one that spans several calls.
// ===========================================================================

std::recursive_mutex g_holdMutex;
int g_holds = 0;      // nested holds of this process (under g_holdMutex)
int g_lockFile = -1;  // the locked lock file while the lock is held

void TakeFileLock(bool create, std::string* error) {
  const std::string file = StoreFile();
  if (file.empty()) {
    *error = "there is no settings folder: neither XDG_CONFIG_HOME nor HOME is set";
    return;
  }
  if (create && !MakeFolder(file, error)) return;
  const std::string name = file + ".lock";
  int fd;
  do {
    fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0 && errno != ENOENT) fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);  // another's read-only lock file
  if (fd < 0 && errno == ENOENT && !create) return;  // no folder: no store yet
  if (fd < 0) {
    *error = Reason("open the lock file", name, errno);
    return;
  }
  int r;
  do {
    r = ::flock(fd, LOCK_EX);
  } while (r != 0 && errno == EINTR);
  if (r != 0) {
    *error = Reason("lock", name, errno);
    ::close(fd);
    return;
  }
  g_lockFile = fd;
}

// `create`: make the folder and the lock file when missing (a call that
// writes).  Without it a missing folder means there is no store yet, and
// nothing to keep apart.  Answers whether the file lock is held.
bool BeginHold(bool create, std::string* error) {
  g_holdMutex.lock();
  ++g_holds;
  if (g_lockFile < 0) TakeFileLock(create, error);
  return g_lockFile >= 0;
}

void EndHold() {
  if (--g_holds == 0 && g_lockFile >= 0) {
    ::close(g_lockFile);  // releases the flock
    g_lockFile = -1;
  }
  g_holdMutex.unlock();
}

class Hold {
 public:
  explicit Hold(bool create) { m_held = BeginHold(create, &m_error); }
  ~Hold() { EndHold(); }
  Hold(const Hold&) = delete;
  Hold& operator=(const Hold&) = delete;

  bool Held() const { return m_held; }
  // Why the lock is not held ("" when there is simply no store folder yet).
  const std::string& Error() const { return m_error; }

 private:
  bool m_held = false;
  std::string m_error;
};

// ===========================================================================
// Reading and writing the file
// ===========================================================================

// Fills `store` from the file's text; answers the number of lines that
// could not be read (a value outside any key counts as one).
std::size_t Parse(const std::string& bytes, Store* store) {
  std::size_t damaged = 0;
  bool inKey = false;
  std::size_t from = 0;
  while (from < bytes.size()) {
    std::size_t end = bytes.find('\n', from);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(from, end - from);
    from = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      inKey = line.back() == ']';
      if (inKey) {
        store->push_back(Key{Normalised(line.substr(1, line.size() - 2)), {}});
      } else {
        ++damaged;
      }
      continue;
    }
    Value value;
    if (inKey && ParseValue(line, &value)) {
      store->back().values.push_back(std::move(value));
    } else {
      ++damaged;
    }
  }
  return damaged;
}

bool Save(const Store& store, std::string* error) {
  const std::string file = StoreFile();
  if (file.empty()) {
    *error = "there is no settings folder: neither XDG_CONFIG_HOME nor HOME is set";
    return false;
  }
  if (!MakeFolder(file, error)) return false;

  std::ostringstream text;
  text << "; Tintavo settings: the per-user registry keys of the Windows builds\n";
  for (const Key& key : store) {
    text << "[" << key.path << "]\n";
    for (const Value& v : key.values) {
      text << Quoted(v.name) << "=";
      if (v.type == kRegDword && v.data.size() == 4) {
        const auto* b = reinterpret_cast<const unsigned char*>(v.data.data());
        char digits[9];
        std::snprintf(digits, sizeof digits, "%08x",
                      static_cast<unsigned>(b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<unsigned>(b[3]) << 24)));
        text << "dword:" << digits;
      } else if (v.type == kRegSz && Printable(v.data)) {
        text << "sz:" << Quoted(v.data);
      } else {
        text << "hex(" << v.type << "):";
        for (std::size_t i = 0; i < v.data.size(); ++i) {
          char byte[4];
          std::snprintf(byte, sizeof byte, i + 1 < v.data.size() ? "%02x," : "%02x",
                        static_cast<unsigned>(static_cast<unsigned char>(v.data[i])));
          text << byte;
        }
      }
      text << "\n";
    }
  }
  const std::string bytes = text.str();

  // A new file beside the old one, renamed over it: readers see the old or
  // the new store, never half of one.
  std::string temp = file + ".XXXXXX";
  const int fd = ::mkostemp(&temp[0], O_CLOEXEC);
  if (fd < 0) {
    *error = Reason("create a new settings file in", FolderOf(file), errno);
    return false;
  }
  int writeError = 0;
  const bool written = WriteAll(fd, bytes, &writeError);
  ::close(fd);
  if (!written) {
    *error = Reason("write", temp, writeError);
    ::unlink(temp.c_str());
    return false;
  }
  if (::rename(temp.c_str(), file.c_str()) != 0) {
    *error = Reason("replace the settings store", file, errno);
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}

// A file with damaged lines: its bytes are copied to the first free name of
// registry.txt.damaged, .damaged-2, ... and the values that could be read
// become the store, with one line on stderr saying so; from then on the
// store reads clean.  When that cannot be done (no lock, a read-only folder)
// the file stays as it is, reported once per process; a call that writes
// then fails rather than replace it.
bool KeepAside(bool held, const std::string& file, const std::string& bytes, const Store& store,
               std::size_t damaged, bool forWriting, std::string* error) {
  static std::set<std::string> s_reported;
  std::string why = "the store is in use elsewhere and cannot be locked";
  if (held) {
    for (int n = 1; n <= 100; ++n) {
      const std::string aside = file + ".damaged" + (n == 1 ? std::string() : "-" + std::to_string(n));
      int copyError = 0;
      if (!WriteNewFile(aside, bytes, &copyError)) {
        if (copyError == EEXIST) continue;
        why = Reason("write", aside, copyError);
        break;
      }
      if (!Save(store, &why)) {
        ::unlink(aside.c_str());
        break;
      }
      std::fprintf(stderr,
                   "Tintavo: the settings store %s had %zu line(s) that cannot be read; it was kept as %s, and "
                   "the values that could be read stay in use\n",
                   file.c_str(), damaged, aside.c_str());
      return true;
    }
  }
  if (s_reported.insert(file).second) {
    std::fprintf(stderr,
                 "Tintavo: the settings store %s has %zu line(s) that cannot be read, and it cannot be kept aside "
                 "(%s); it is left as it is\n",
                 file.c_str(), damaged, why.c_str());
  }
  if (!forWriting) return true;
  *error = "the settings store " + file + " has lines that cannot be read and cannot be kept aside (" + why + ")";
  return false;
}

// Reads the store afresh.  A missing file is an empty store.  False, with
// the reason, when the file exists but cannot be read, or (for a call that
// writes) when it is damaged and cannot be kept aside.
bool Load(const Hold& hold, bool forWriting, Store* store, std::string* error) {
  store->clear();
  const std::string file = StoreFile();
  if (file.empty()) return true;
  int fd;
  do {
    fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return true;  // first start
    *error = Reason("read the settings store", file, errno);
    return false;
  }
  std::string bytes;
  char buffer[4096];
  while (true) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *error = Reason("read the settings store", file, errno);
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  const std::size_t damaged = Parse(bytes, store);
  if (damaged == 0) return true;
  return KeepAside(hold.Held(), file, bytes, *store, damaged, forWriting, error);
}

Key* FindKey(Store& store, const std::string& path) {
  for (Key& key : store) {
    if (SameName(key.path, path)) return &key;
  }
  return nullptr;
}

// Opens an existing key, or creates it and every key above it.
bool OpenKey(const std::string& path, bool create, std::string* error) {
  Hold hold(create);
  if (create && !hold.Held()) {
    *error = hold.Error();
    return false;
  }
  Store store;
  if (!Load(hold, create, &store, error)) return false;
  if (FindKey(store, path) != nullptr) return true;
  if (!create) return false;
  std::size_t from = 0;
  while (true) {
    const std::size_t slash = path.find('\\', from);
    const std::string prefix = path.substr(0, slash);
    if (FindKey(store, prefix) == nullptr) store.push_back(Key{prefix, {}});
    if (slash == std::string::npos) break;
    from = slash + 1;
  }
  return Save(store, error);
}

}  // namespace

// ===========================================================================
// RegistryKey
// ===========================================================================

RegistryKey::~RegistryKey() { Close(); }

bool RegistryKey::OpenCurrentUser(const std::string& path) {
  Close();
  m_error.clear();
  m_path = Normalised(path);
  return m_open = OpenKey(m_path, false, &m_error);
}

bool RegistryKey::CreateCurrentUser(const std::string& path) {
  Close();
  m_error.clear();
  m_path = Normalised(path);
  return m_open = OpenKey(m_path, true, &m_error);
}

bool RegistryKey::Open(const RegistryKey& parent, const std::string& subkey) {
  Close();
  m_error.clear();
  if (!parent.m_open) return false;
  m_path = Join(parent.m_path, subkey);
  return m_open = OpenKey(m_path, false, &m_error);
}

bool RegistryKey::Create(const RegistryKey& parent, const std::string& subkey) {
  Close();
  m_error.clear();
  if (!parent.m_open) return false;
  m_path = Join(parent.m_path, subkey);
  return m_open = OpenKey(m_path, true, &m_error);
}

void RegistryKey::Close() {
  m_open = false;
  m_path.clear();
}

bool RegistryKey::IsOpen() const { return m_open; }

bool RegistryKey::QueryValue(const std::string& name, void* data, std::uint32_t* size,
                             std::uint32_t* type) const {
  m_error.clear();
  if (!m_open) return false;
  Hold hold(false);
  Store store;
  if (!Load(hold, false, &store, &m_error)) return false;
  const Key* key = FindKey(store, m_path);
  if (key == nullptr) return false;
  for (const Value& v : key->values) {
    if (!SameName(v.name, name)) continue;
    if (v.data.size() > *size) return false;
    std::memcpy(data, v.data.data(), v.data.size());
    *size = static_cast<std::uint32_t>(v.data.size());
    if (type != nullptr) *type = v.type;
    return true;
  }
  return false;
}

bool RegistryKey::SetValue(const std::string& name, std::uint32_t type, const void* data,
                           std::uint32_t size) const {
  m_error.clear();
  if (!m_open) return false;
  Hold hold(true);
  if (!hold.Held()) {
    m_error = hold.Error();
    return false;
  }
  Store store;
  if (!Load(hold, true, &store, &m_error)) return false;
  Key* key = FindKey(store, m_path);
  if (key == nullptr) {
    store.push_back(Key{m_path, {}});
    key = &store.back();
  }
  const std::string bytes(static_cast<const char*>(data), size);
  for (Value& v : key->values) {
    if (SameName(v.name, name)) {
      v.type = type;
      v.data = bytes;
      return Save(store, &m_error);
    }
  }
  key->values.push_back(Value{name, type, bytes});
  return Save(store, &m_error);
}

bool RegistryKey::DeleteValue(const std::string& name) const {
  m_error.clear();
  if (!m_open) return false;
  Hold hold(true);
  if (!hold.Held()) {
    m_error = hold.Error();
    return false;
  }
  Store store;
  if (!Load(hold, true, &store, &m_error)) return false;
  Key* key = FindKey(store, m_path);
  if (key == nullptr) return false;
  for (auto it = key->values.begin(); it != key->values.end(); ++it) {
    if (SameName(it->name, name)) {
      key->values.erase(it);
      return Save(store, &m_error);
    }
  }
  return false;
}

std::vector<std::string> RegistryKey::ValueNames() const {
  m_error.clear();
  std::vector<std::string> names;
  if (!m_open) return names;
  Hold hold(false);
  Store store;
  if (!Load(hold, false, &store, &m_error)) return names;
  if (const Key* key = FindKey(store, m_path)) {
    for (const Value& v : key->values) names.push_back(v.name);
  }
  return names;
}

// ===========================================================================
// RegistryLock and whole keys
// ===========================================================================

RegistryLock::RegistryLock() { m_held = BeginHold(true, &m_error); }

RegistryLock::~RegistryLock() { EndHold(); }

bool DeleteCurrentUserKey(const std::string& path, const std::string& subkey, std::string* error) {
  std::string why;
  Hold hold(false);
  Store store;
  const std::string target = Join(Normalised(path), subkey);
  bool found = false;
  if (Load(hold, true, &store, &why)) {
    for (auto it = store.begin(); it != store.end();) {
      const bool below = it->path.size() > target.size() && it->path[target.size()] == '\\' &&
                         SameName(it->path.substr(0, target.size()), target);
      if (SameName(it->path, target) || below) {
        it = store.erase(it);
        found = true;
      } else {
        ++it;
      }
    }
    if (!found) return false;
    if (!hold.Held()) {
      why = hold.Error().empty() ? "the settings store cannot be locked" : hold.Error();
    } else if (Save(store, &why)) {
      return true;
    }
  }
  if (error != nullptr) *error = why;
  return false;
}

}  // namespace platform
