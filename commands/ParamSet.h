#pragma once
// A command's parameters: an ordered map from index to parameter, plus the
// names under which they were added.  Every walk goes in ascending index
// order; the set owns its parameters.

#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "commands/Param.h"

class CParamSet {
 public:
  CParamSet() = default;
  CParamSet(const CParamSet&) = delete;
  CParamSet& operator=(const CParamSet&) = delete;

  const std::string& Name() const { return m_name; }
  void SetName(const std::string& name) { m_name = name; }

  void Add(int index, const std::string& name, std::unique_ptr<CParam> parameter);
  // The parameter under `index`; callers ask only for indices that exist.
  CParam* GetByIndex(int index) const;
  // The parameter added under exactly this name (case-sensitive), or none.
  CParam* FindByName(const std::string& name) const;
  // Every persistent parameter back to its default.
  void ResetDefaults();
  // The set's name and a line end, then one line per persistent parameter.
  void WriteText(std::FILE* stream) const;

  // HKEY_CURRENT_USER\Software\Velmora\<set name>: 0, or -5 on any failure.
  // The first value that cannot be read or written stops the walk.
  int LoadFromRegistry();
  int SaveToRegistry() const;

  const std::map<int, std::unique_ptr<CParam>>& Params() const { return m_params; }

 private:
  std::string m_name;
  std::map<int, std::unique_ptr<CParam>> m_params;
  std::map<int, std::string> m_names;
};

// The key below HKEY_CURRENT_USER that holds one subkey per command.
extern const char kSettingsKey[];
