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

// What the tool's reading of the store found for one parameter.
enum StoredValue : int {
  keStoredTaken,     // stored and read
  keStoredMissing,   // not stored
  keStoredUnusable,  // stored, but the parameter cannot take it (too long)
};

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
  // The first value that cannot be read or written stops the walk.  Each
  // runs under one hold of the store (platform::RegistryLock), so it never
  // interleaves with another process's load or save.
  int LoadFromRegistry();
  int SaveToRegistry() const;
  // The same save, with the reason of a failure in *error.
  int SaveToRegistry(std::string* error) const;

  // The command-line tool's reading of the store.  Unlike the plug-in's load
  // it walks every parameter: one whose value is not stored (or cannot be
  // used: too long) keeps its value and the walk goes on, so a store written
  // in part (by an older tool, say) loses nothing when saved again.  0 when
  // the store was read, also when it or the key does not exist yet (a first
  // start); -5 when it exists but cannot be read, with the reason in *error.
  // `found`, when given, receives what became of each parameter, by index.
  int LoadStoredValues(std::string* error, std::map<int, StoredValue>* found = nullptr);

  const std::map<int, std::unique_ptr<CParam>>& Params() const { return m_params; }

 private:
  std::string m_name;
  std::map<int, std::unique_ptr<CParam>> m_params;
  std::map<int, std::string> m_names;
};

// The key below HKEY_CURRENT_USER that holds one subkey per command.
extern const char kSettingsKey[];
