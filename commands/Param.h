#pragma once
// Named, typed parameters of a command.
//
// Every parameter answers the same set of virtual operations; each class
// implements the ones that fit its type and leaves the others doing nothing,
// so a getter of the wrong class leaves the caller's variable as it was.
// Minimum and maximum are carried along but never enforced here: the user
// interface applies its own ranges.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace platform {
class RegistryKey;
}

class CParam {
 public:
  CParam();
  virtual ~CParam();
  CParam(const CParam&) = delete;
  CParam& operator=(const CParam&) = delete;

  // TAB, name, " : ", value and a line end.
  virtual void WriteText(std::FILE* stream) const;
  // Sets the value from text; -1 when the class has no value.
  virtual int SetFromText(const std::string& text);
  // 0 on success, -1 when the value cannot be read or written.
  virtual int ReadRegistry(const platform::RegistryKey& key);
  virtual int WriteRegistry(const platform::RegistryKey& key) const;
  virtual void SetText(const std::string& text);
  virtual void SetInt(std::int32_t value);
  virtual void GetText(std::string* out) const;
  virtual void GetInt(std::int32_t* out) const;
  virtual std::unique_ptr<CParam> Clone() const;
  virtual void CopyValueTo(CParam* other) const;
  virtual CParam* AssignInt(std::int32_t value);
  virtual bool Equals(const CParam& other) const;
  virtual void ResetToDefault();

  const std::string& Name() const { return m_name; }
  void SetName(const std::string& name) { m_name = name; }
  std::int32_t PersistenceFlag() const { return m_persistence; }
  std::int32_t RegistryType() const { return m_registryType; }

 protected:
  void CopyFlagsFrom(const CParam& other);

  std::string m_name;
  std::int32_t m_persistence = 3;   // non-zero: part of presets and of the reset to defaults
  std::int32_t m_registryType = 0;  // registry value type used when writing
  std::int32_t m_spare = 1;
};

class CIntParam : public CParam {
 public:
  CIntParam();
  CIntParam(std::int32_t minimum, std::int32_t maximum, std::int32_t defaultValue);

  void WriteText(std::FILE* stream) const override;
  // The leading decimal integer of the text, as atoi reads it (0 when none).
  int SetFromText(const std::string& text) override;
  int ReadRegistry(const platform::RegistryKey& key) override;
  int WriteRegistry(const platform::RegistryKey& key) const override;
  void SetInt(std::int32_t value) override { m_value = value; }
  void GetInt(std::int32_t* out) const override { *out = m_value; }
  std::unique_ptr<CParam> Clone() const override;
  void CopyValueTo(CParam* other) const override;
  CParam* AssignInt(std::int32_t value) override;
  bool Equals(const CParam& other) const override;
  void ResetToDefault() override { m_value = m_default; }

  std::int32_t Value() const { return m_value; }
  std::int32_t Minimum() const { return m_minimum; }
  std::int32_t Maximum() const { return m_maximum; }
  std::int32_t Default() const { return m_default; }

 private:
  std::int32_t m_value = 0;
  std::int32_t m_minimum = 0;
  std::int32_t m_maximum = 0;
  std::int32_t m_default = 0;
};

class CStringParam : public CParam {
 public:
  CStringParam();

  void WriteText(std::FILE* stream) const override;
  int SetFromText(const std::string& text) override;
  int ReadRegistry(const platform::RegistryKey& key) override;
  int WriteRegistry(const platform::RegistryKey& key) const override;
  void SetText(const std::string& text) override { m_value = text; }
  void GetText(std::string* out) const override { *out = m_value; }
  std::unique_ptr<CParam> Clone() const override;
  void CopyValueTo(CParam* other) const override;
  bool Equals(const CParam& other) const override;
  void ResetToDefault() override { m_value.clear(); }

  const std::string& Value() const { return m_value; }

 private:
  std::string m_value;
};
