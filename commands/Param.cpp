#include "commands/Param.h"

#include <cstdlib>
#include <cstring>

#include "platform/Registry.h"

namespace {

constexpr std::uint32_t kRegDword = 4;
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kIntBuffer = 64;
constexpr std::uint32_t kTextBuffer = 256;

}  // namespace

// ===========================================================================
// CParam: every operation does nothing
// ===========================================================================

CParam::CParam() : m_name("generic param") {}
CParam::~CParam() = default;

void CParam::WriteText(std::FILE*) const {}
int CParam::SetFromText(const std::string&) { return -1; }
int CParam::ReadRegistry(const platform::RegistryKey&) { return 0; }
int CParam::WriteRegistry(const platform::RegistryKey&) const { return 0; }
void CParam::SetText(const std::string&) {}
void CParam::SetInt(std::int32_t) {}
void CParam::GetText(std::string*) const {}
void CParam::GetInt(std::int32_t*) const {}

std::unique_ptr<CParam> CParam::Clone() const {
  auto copy = std::make_unique<CParam>();
  copy->m_name = m_name;
  return copy;
}

void CParam::CopyValueTo(CParam*) const {}
CParam* CParam::AssignInt(std::int32_t) { return this; }
bool CParam::Equals(const CParam&) const { return false; }
void CParam::ResetToDefault() {}

void CParam::CopyFlagsFrom(const CParam& other) {
  m_name = other.m_name;
  m_persistence = other.m_persistence;
  m_registryType = other.m_registryType;
  m_spare = other.m_spare;
}

// ===========================================================================
// CIntParam
// ===========================================================================

CIntParam::CIntParam() {
  m_name = "integer param";
  m_registryType = static_cast<std::int32_t>(kRegDword);
}

CIntParam::CIntParam(std::int32_t minimum, std::int32_t maximum, std::int32_t defaultValue) : CIntParam() {
  m_minimum = minimum;
  m_maximum = maximum;
  m_default = defaultValue;
}

void CIntParam::WriteText(std::FILE* stream) const {
  std::fprintf(stream, "\t%s : %ld\n", m_name.c_str(), static_cast<long>(m_value));
}

int CIntParam::SetFromText(const std::string& text) {
  m_value = std::atoi(text.c_str());
  return 0;
}

int CIntParam::ReadRegistry(const platform::RegistryKey& key) {
  std::uint8_t data[kIntBuffer];
  std::uint32_t size = kIntBuffer;
  if (!key.QueryValue(m_name, data, &size, nullptr)) return -1;
  // The first four bytes, whatever type the stored value has.
  std::uint8_t bytes[4] = {0, 0, 0, 0};
  std::memcpy(bytes, data, size < 4 ? size : 4);
  m_value = static_cast<std::int32_t>(static_cast<std::uint32_t>(bytes[0]) |
                                      (static_cast<std::uint32_t>(bytes[1]) << 8) |
                                      (static_cast<std::uint32_t>(bytes[2]) << 16) |
                                      (static_cast<std::uint32_t>(bytes[3]) << 24));
  return 0;
}

int CIntParam::WriteRegistry(const platform::RegistryKey& key) const {
  const auto v = static_cast<std::uint32_t>(m_value);
  const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                                 static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
  return key.SetValue(m_name, static_cast<std::uint32_t>(m_registryType), bytes, 4) ? 0 : -1;
}

std::unique_ptr<CParam> CIntParam::Clone() const {
  auto copy = std::make_unique<CIntParam>();
  copy->CopyFlagsFrom(*this);
  CopyValueTo(copy.get());
  return copy;
}

void CIntParam::CopyValueTo(CParam* other) const {
  if (auto* target = dynamic_cast<CIntParam*>(other)) {
    target->m_value = m_value;
    target->m_minimum = m_minimum;
    target->m_maximum = m_maximum;
    target->m_default = m_default;
  }
}

CParam* CIntParam::AssignInt(std::int32_t value) {
  m_value = value;
  return this;
}

bool CIntParam::Equals(const CParam& other) const {
  const auto* that = dynamic_cast<const CIntParam*>(&other);
  return that != nullptr && that->m_value == m_value;
}

// ===========================================================================
// CStringParam
// ===========================================================================

CStringParam::CStringParam() {
  m_name = "String Parameter";
  m_registryType = static_cast<std::int32_t>(kRegSz);
}

void CStringParam::WriteText(std::FILE* stream) const {
  std::fprintf(stream, "\t%s : %s\n", m_name.c_str(), m_value.c_str());
}

int CStringParam::SetFromText(const std::string& text) {
  m_value = text;
  return 0;
}

int CStringParam::ReadRegistry(const platform::RegistryKey& key) {
  char data[kTextBuffer + 1];
  std::uint32_t size = kTextBuffer;
  if (!key.QueryValue(m_name, data, &size, nullptr)) return -1;
  // A terminator the registry adds on reading is not part of the text: the
  // value was written without one.
  if (size > 0 && data[size - 1] == '\0') --size;
  if (size >= kTextBuffer) return -1;  // 256 bytes or more do not fit with their terminator
  data[size] = '\0';
  m_value = data;  // up to the first zero byte
  return 0;
}

int CStringParam::WriteRegistry(const platform::RegistryKey& key) const {
  return key.SetValue(m_name, static_cast<std::uint32_t>(m_registryType), m_value.data(),
                      static_cast<std::uint32_t>(m_value.size()))
             ? 0
             : -1;
}

std::unique_ptr<CParam> CStringParam::Clone() const {
  auto copy = std::make_unique<CStringParam>();
  copy->CopyFlagsFrom(*this);
  copy->m_value = m_value;
  return copy;
}

void CStringParam::CopyValueTo(CParam* other) const {
  if (auto* target = dynamic_cast<CStringParam*>(other)) target->m_value = m_value;
}

bool CStringParam::Equals(const CParam& other) const {
  const auto* that = dynamic_cast<const CStringParam*>(&other);
  return that != nullptr && that->m_value == m_value;
}
