#include "tools/tintavo/SettingsListing.h"

#include <cstdio>
#include <string>

#include "platform/Registry.h"
#include "tools/tintavo/SettingNames.h"

void PrintSettings(const CParamSet& params, const std::map<int, StoredValue>* found) {
  for (const auto& [index, param] : params.Params()) {
    std::string text;
    if (param->RegistryType() == platform::kRegDword) {
      std::int32_t number = 0;
      param->GetInt(&number);
      text = std::to_string(number);
    } else {
      param->GetText(&text);
      text = "\"" + text + "\"";
    }
    std::string note;
    if (found != nullptr) {
      auto it = found->find(index);
      const StoredValue state = it == found->end() ? keStoredMissing : it->second;
      note = state == keStoredMissing    ? "   (not stored)"
             : state == keStoredUnusable ? "   (the stored value is too long to use)"
                                         : "";
    }
    const SettingName* setting = FindSetting(param->Name());
    std::int32_t number = 0;
    param->GetInt(&number);
    if (note.empty() && setting != nullptr && !InRange(*setting, number)) {
      note = "   (outside " + std::to_string(setting->minimum) + " to " + std::to_string(setting->maximum) + ")";
    }
    const char* friendly = setting != nullptr ? setting->friendly : "";
    std::printf("%-11s %-16s %s%s\n", friendly, param->Name().c_str(), text.c_str(), note.c_str());
  }
}
