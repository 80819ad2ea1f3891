// A parameter set kept in the per-user registry: one value per parameter
// under HKEY_CURRENT_USER\Software\Velmora\<set name>.

#include "commands/ParamSet.h"
#include "platform/Registry.h"

const char kSettingsKey[] = "Software\\Velmora";

int CParamSet::LoadFromRegistry() {
  platform::RegistryKey maker;
  if (!maker.OpenCurrentUser(kSettingsKey)) return -5;
  platform::RegistryKey key;
  if (!key.Open(maker, m_name)) return -5;
  for (auto& [index, parameter] : m_params) {
    if (parameter->ReadRegistry(key) != 0) return -5;
  }
  return 0;
}

int CParamSet::SaveToRegistry() const {
  platform::RegistryKey maker;
  if (!maker.CreateCurrentUser(kSettingsKey)) return -5;
  platform::RegistryKey key;
  if (!key.Create(maker, m_name)) return -5;
  for (const auto& [index, parameter] : m_params) {
    if (parameter->WriteRegistry(key) != 0) return -5;
  }
  return 0;
}
