#include "platform/Registry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
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
// Lines that cannot be read are skipped: a damaged file reads as missing
// values, never as an error.
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

std::mutex g_storeMutex;

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

Store Load() {
  Store store;
  const std::string file = StoreFile();
  if (file.empty()) return store;
  std::ifstream in(file, std::ios::binary);
  std::string line;
  Key* current = nullptr;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      current = nullptr;
      if (line.back() != ']') continue;
      store.push_back(Key{Normalised(line.substr(1, line.size() - 2)), {}});
      current = &store.back();
      continue;
    }
    Value value;
    if (current != nullptr && ParseValue(line, &value)) current->values.push_back(std::move(value));
  }
  return store;
}

bool Save(const Store& store) {
  const std::string file = StoreFile();
  if (file.empty()) return false;
  const std::string folder = file.substr(0, file.rfind('/'));
  const std::string parent = folder.substr(0, folder.rfind('/'));
  ::mkdir(parent.c_str(), 0700);
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;

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
  int fd = ::mkstemp(&temp[0]);
  if (fd < 0) return false;
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  const bool written = done == bytes.size() && ::fsync(fd) == 0;
  ::close(fd);
  if (!written || ::rename(temp.c_str(), file.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}

Key* FindKey(Store& store, const std::string& path) {
  for (Key& key : store) {
    if (SameName(key.path, path)) return &key;
  }
  return nullptr;
}

// Opens an existing key, or creates it and every key above it.
bool OpenKey(const std::string& path, bool create) {
  std::lock_guard<std::mutex> lock(g_storeMutex);
  Store store = Load();
  if (FindKey(store, path) != nullptr) return true;
  if (!create) return false;
  std::string prefix;
  std::size_t from = 0;
  while (true) {
    const std::size_t slash = path.find('\\', from);
    prefix = path.substr(0, slash);
    if (FindKey(store, prefix) == nullptr) store.push_back(Key{prefix, {}});
    if (slash == std::string::npos) break;
    from = slash + 1;
  }
  return Save(store);
}

}  // namespace

RegistryKey::~RegistryKey() { Close(); }

bool RegistryKey::OpenCurrentUser(const std::string& path) {
  Close();
  m_path = Normalised(path);
  return m_open = OpenKey(m_path, false);
}

bool RegistryKey::CreateCurrentUser(const std::string& path) {
  Close();
  m_path = Normalised(path);
  return m_open = OpenKey(m_path, true);
}

bool RegistryKey::Open(const RegistryKey& parent, const std::string& subkey) {
  Close();
  if (!parent.m_open) return false;
  m_path = Join(parent.m_path, subkey);
  return m_open = OpenKey(m_path, false);
}

bool RegistryKey::Create(const RegistryKey& parent, const std::string& subkey) {
  Close();
  if (!parent.m_open) return false;
  m_path = Join(parent.m_path, subkey);
  return m_open = OpenKey(m_path, true);
}

void RegistryKey::Close() {
  m_open = false;
  m_path.clear();
}

bool RegistryKey::IsOpen() const { return m_open; }

bool RegistryKey::QueryValue(const std::string& name, void* data, std::uint32_t* size,
                             std::uint32_t* type) const {
  if (!m_open) return false;
  std::lock_guard<std::mutex> lock(g_storeMutex);
  Store store = Load();
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
  if (!m_open) return false;
  std::lock_guard<std::mutex> lock(g_storeMutex);
  Store store = Load();
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
      return Save(store);
    }
  }
  key->values.push_back(Value{name, type, bytes});
  return Save(store);
}

bool RegistryKey::DeleteValue(const std::string& name) const {
  if (!m_open) return false;
  std::lock_guard<std::mutex> lock(g_storeMutex);
  Store store = Load();
  Key* key = FindKey(store, m_path);
  if (key == nullptr) return false;
  for (auto it = key->values.begin(); it != key->values.end(); ++it) {
    if (SameName(it->name, name)) {
      key->values.erase(it);
      return Save(store);
    }
  }
  return false;
}

std::vector<std::string> RegistryKey::ValueNames() const {
  std::vector<std::string> names;
  if (!m_open) return names;
  std::lock_guard<std::mutex> lock(g_storeMutex);
  Store store = Load();
  if (const Key* key = FindKey(store, m_path)) {
    for (const Value& v : key->values) names.push_back(v.name);
  }
  return names;
}

bool DeleteCurrentUserKey(const std::string& path, const std::string& subkey) {
  std::lock_guard<std::mutex> lock(g_storeMutex);
  Store store = Load();
  const std::string target = Join(Normalised(path), subkey);
  bool found = false;
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
  return found && Save(store);
}

}  // namespace platform
