// A parameter set kept in the per-user registry: one value per parameter
// under HKEY_CURRENT_USER\Software\Velmora\<set name>.

#include <algorithm>

#include "commands/ParamSet.h"
#include "platform/Registry.h"

const char kSettingsKey[] = "Software\\Velmora";

namespace {

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
}

// `what` went wrong on the store: its reason, or a plain one when the
// platform gave none.
std::string Why(const platform::RegistryKey& key, const char* what) {
  return key.Error().empty() ? std::string("the settings cannot be ") + what : key.Error();
}

}  // namespace

int CParamSet::LoadFromRegistry() {
  platform::RegistryLock hold;  // not held: each read still goes on its own
  platform::RegistryKey maker;
  if (!maker.OpenCurrentUser(kSettingsKey)) return -5;
  platform::RegistryKey key;
  if (!key.Open(maker, m_name)) return -5;
  for (auto& [index, parameter] : m_params) {
    if (parameter->ReadRegistry(key) != 0) return -5;
  }
  return 0;
}

int CParamSet::SaveToRegistry() const { return SaveToRegistry(nullptr); }

int CParamSet::SaveToRegistry(std::string* error) const {
  std::string why;
  platform::RegistryLock hold;
  platform::RegistryKey maker;
  platform::RegistryKey key;
  if (!maker.CreateCurrentUser(kSettingsKey)) {
    why = Why(maker, "written");
  } else if (!key.Create(maker, m_name)) {
    why = Why(key, "written");
  } else {
    for (const auto& [index, parameter] : m_params) {
      if (parameter->WriteRegistry(key) != 0) {
        why = parameter->Name() + ": " + Why(key, "written");
        break;
      }
    }
    if (why.empty()) return 0;
  }
  if (error != nullptr) *error = why;
  return -5;
}

int CParamSet::LoadStoredValues(std::string* error, std::map<int, StoredValue>* found) {
  if (found != nullptr) {
    found->clear();
    for (const auto& [index, parameter] : m_params) (*found)[index] = keStoredMissing;
  }
  platform::RegistryLock hold;
  platform::RegistryKey maker;
  platform::RegistryKey key;
  if (!maker.OpenCurrentUser(kSettingsKey)) {
    if (maker.Error().empty()) return 0;  // nothing stored yet
    *error = maker.Error();
    return -5;
  }
  if (!key.Open(maker, m_name)) {
    if (key.Error().empty()) return 0;
    *error = key.Error();
    return -5;
  }
  const std::vector<std::string> names = key.ValueNames();
  if (!key.Error().empty()) {
    *error = key.Error();
    return -5;
  }
  for (auto& [index, parameter] : m_params) {
    const bool stored = std::any_of(names.begin(), names.end(),
                                    [&](const std::string& name) { return SameName(name, parameter->Name()); });
    if (!stored) continue;
    if (parameter->ReadRegistry(key) == 0) {
      if (found != nullptr) (*found)[index] = keStoredTaken;
    } else if (!key.Error().empty()) {
      *error = key.Error();
      return -5;
    } else if (found != nullptr) {
      (*found)[index] = keStoredUnusable;
    }
  }
  return 0;
}
