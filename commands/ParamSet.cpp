#include "commands/ParamSet.h"

void CParamSet::Add(int index, const std::string& name, std::unique_ptr<CParam> parameter) {
  m_params[index] = std::move(parameter);
  m_names[index] = name;
}

CParam* CParamSet::GetByIndex(int index) const {
  auto it = m_params.find(index);
  return it != m_params.end() ? it->second.get() : nullptr;
}

CParam* CParamSet::FindByName(const std::string& name) const {
  for (const auto& [index, added] : m_names) {
    if (added == name) return GetByIndex(index);
  }
  return nullptr;
}

void CParamSet::ResetDefaults() {
  for (auto& [index, parameter] : m_params) {
    if (parameter->PersistenceFlag() != 0) parameter->ResetToDefault();
  }
}

void CParamSet::WriteText(std::FILE* stream) const {
  std::fprintf(stream, "%s\n", m_name.c_str());
  for (const auto& [index, parameter] : m_params) {
    if (parameter->PersistenceFlag() != 0) parameter->WriteText(stream);
  }
}
