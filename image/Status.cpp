#include "image/Status.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "platform/StringResource.h"

// ===========================================================================
// CJException
// ===========================================================================

CJException::CJException(std::uint32_t code, std::uint32_t context1, bool owned, bool armed,
                         std::uint32_t context2, std::uint32_t context3) noexcept
    : m_code(code), m_owned(owned), m_armed(armed), m_context1(context1), m_context2(context2),
      m_context3(context3) {
  m_inline[0] = '\0';
}

CJException::CJException(const CJException& other) noexcept
    : std::exception(other), m_code(other.m_code), m_owned(false), m_armed(false),
      m_context1(other.m_context1), m_context2(other.m_context2), m_context3(other.m_context3) {
  m_inline[0] = '\0';
  if (other.m_message != nullptr) {
    try {
      SetMessage(other.m_message);
    } catch (...) {
      m_message = nullptr;
    }
  }
}

CJException::~CJException() { FreeMessage(); }

void CJException::FreeMessage() noexcept {
  if (m_message != nullptr && m_message != m_inline) delete[] m_message;
  m_message = nullptr;
}

const char* CJException::what() const noexcept {
  if (m_message == nullptr) {
    try {
      ErrorMessage(m_code, m_inline, kMessageBufferSize);
    } catch (...) {
      m_inline[0] = '\0';
    }
    m_message = m_inline;
  }
  return m_message;
}

void CJException::Raise() const { throw CJException(*this); }

void CJException::SetMessage(const char* text) {
  if (text == nullptr) text = "";
  const std::size_t length = std::strlen(text) + 1;
  char* target = m_inline;
  if (length > static_cast<std::size_t>(kMessageBufferSize)) target = new char[length];
  if (target == m_inline) {
    // The old text may live in the inline buffer itself.
    std::memmove(m_inline, text, length);
    if (m_message != nullptr && m_message != m_inline) delete[] m_message;
  } else {
    std::memcpy(target, text, length);
    FreeMessage();
  }
  m_message = target;
}

CJException& CJException::OutOfMemory() noexcept {
  // Lives from library load to unload; never owned, never deleted.
  static CJException s_outOfMemory(keErrOutOfMemory, 0, false, false, 0, 0);
  return s_outOfMemory;
}

// ===========================================================================
// CStatus
// ===========================================================================

CStatus::CStatus(const CStatus& other) noexcept {
  Take(other.m_error);
}

CStatus& CStatus::operator=(const CStatus& other) {
  if (m_error != other.m_error) {
    CJException* incoming = other.m_error;
    if (incoming != nullptr) incoming->m_refCount.fetch_add(1);
    // An unchecked error being overwritten is raised here if this was its
    // last holder; the incoming reference is then dropped with the throw.
    try {
      Release(false);
    } catch (...) {
      if (incoming != nullptr) {
        CStatus drop;
        drop.m_error = incoming;  // dropped quietly: an exception is propagating
      }
      throw;
    }
    m_error = incoming;
  }
  if (m_error != nullptr && m_error->m_code != 0) m_error->m_armed = true;
  return *this;
}

CStatus& CStatus::operator=(CStatus&& other) {
  if (this != &other) {
    CJException* incoming = std::exchange(other.m_error, nullptr);
    try {
      Release(false);
    } catch (...) {
      if (incoming != nullptr) {
        CStatus drop;
        drop.m_error = incoming;
      }
      throw;
    }
    m_error = incoming;
  }
  return *this;
}

CStatus::~CStatus() noexcept(false) { Release(false); }

void CStatus::Take(CJException* error) noexcept {
  m_error = error;
  if (m_error != nullptr) {
    m_error->m_refCount.fetch_add(1);
    if (m_error->m_code != 0) m_error->m_armed = true;
  }
}

void CStatus::Release(bool disarm) {
  CJException* error = std::exchange(m_error, nullptr);
  if (error == nullptr) return;
  if (disarm) error->m_armed = false;
  if (error->m_refCount.fetch_sub(1) - 1 > 0) return;
  if (error->m_armed && std::uncaught_exceptions() == 0 && error->m_code != 0) {
    error->m_armed = false;
    // The owned object is deleted while the copy's throw passes.
    std::unique_ptr<CJException> owned(error->m_owned ? error : nullptr);
    error->Raise();
  }
  error->m_armed = false;
  if (error->m_owned) delete error;
}

void CStatus::Set(std::uint32_t code) { Set(code, 0, 0, 0); }

void CStatus::Set(std::uint32_t code, std::uint32_t context1, std::uint32_t context2,
                  std::uint32_t context3) {
  Release(true);
  if (code == 0) return;
  CJException* error = nullptr;
  if (code != keErrOutOfMemory) {
    error = new (std::nothrow) CJException(code, context1, true, true, context2, context3);
  }
  Take(error != nullptr ? error : &CJException::OutOfMemory());
}

CStatus CStatus::FromException(const CJException& e) {
  CStatus status;
  if (e.Code() == 0) return status;
  CJException* copy = new (std::nothrow) CJException(e);
  if (copy != nullptr) copy->m_owned = true;
  status.Take(copy != nullptr ? copy : &CJException::OutOfMemory());
  return status;
}

std::uint32_t CStatus::Code() noexcept {
  if (m_error == nullptr) return 0;
  m_error->m_armed = false;
  return m_error->m_code;
}

bool CStatus::Is(std::uint32_t code) noexcept { return Code() == code; }

void CStatus::RaiseIfError() {
  if (m_error == nullptr) return;
  m_error->m_armed = false;
  if (m_error->m_code != 0) m_error->Raise();
}

CStatus MakeStatus(std::uint32_t code) {
  CStatus status;
  status.Set(code);
  return status;
}

void RaiseError(std::uint32_t code) {
  throw CJException(code, 0, false, false, 0, 0);
}

// ===========================================================================
// Error messages
// ===========================================================================

namespace {

struct StringModule {
  std::string name;
  void* module;
};

std::vector<StringModule>& Modules() {
  static std::vector<StringModule> s_modules;
  return s_modules;
}

bool SameNameIgnoringCase(const std::string& a, const char* b) {
  const std::size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (std::size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]);
    unsigned char y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

void* g_errorModule = nullptr;  // remembered once found; a miss is not remembered

}  // namespace

void RegisterStringModule(const char* name, void* module) {
  Modules().push_back(StringModule{name != nullptr ? name : "", module});
}

void* FindStringModule(const char* name) {
  for (const StringModule& entry : Modules()) {
    if (SameNameIgnoringCase(entry.name, name)) return entry.module;
  }
  return nullptr;
}

void ClearStringModules() {
  Modules().clear();
  g_errorModule = nullptr;
}

int ErrorMessage(std::uint32_t code, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  if (g_errorModule == nullptr) g_errorModule = FindStringModule("CoreErrorCodes");
  void* module = g_errorModule;  // none registered: the main module

  int n = platform::LoadModuleString(module, code, buffer, size);
  if (n > 0) return n;

  char format[512];
  if (platform::LoadModuleString(module, 65535, format, sizeof format) <= 0) {
    std::snprintf(format, sizeof format, "%s", "An undefined error has occured - %u");
  }
  n = std::snprintf(buffer, static_cast<std::size_t>(size), format, static_cast<unsigned>(code));
  if (n < 0) {
    buffer[0] = '\0';
    return 0;
  }
  return n < size ? n : size - 1;
}
