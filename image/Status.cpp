#include "image/Status.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
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
  if (const char* text = other.m_message.load(std::memory_order_acquire)) {
    try {
      SetMessage(text);
    } catch (...) {
      m_message.store(nullptr);
    }
  }
}

CJException::~CJException() { FreeMessage(); }

void CJException::FreeMessage() noexcept {
  char* message = m_message.exchange(nullptr);
  if (message != nullptr && message != m_inline) delete[] message;
}

const char* CJException::what() const noexcept {
  try {
    std::call_once(m_loadOnce, [this] {
      if (m_message.load(std::memory_order_acquire) != nullptr) return;  // set before it was asked for
      try {
        ErrorMessage(m_code, m_inline, kMessageBufferSize);
      } catch (...) {
        m_inline[0] = '\0';
      }
      m_message.store(m_inline, std::memory_order_release);
    });
  } catch (...) {
  }
  const char* message = m_message.load(std::memory_order_acquire);
  return message != nullptr ? message : "";
}

void CJException::Raise() const { throw CJException(*this); }

void CJException::SetMessage(const char* text) {
  if (text == nullptr) text = "";
  const std::size_t length = std::strlen(text) + 1;
  char* old = m_message.load();
  if (length > static_cast<std::size_t>(kMessageBufferSize)) {
    char* copy = new char[length];
    std::memcpy(copy, text, length);
    m_message.store(copy, std::memory_order_release);
  } else {
    // The old text may live in the inline buffer itself.
    std::memmove(m_inline, text, length);
    m_message.store(m_inline, std::memory_order_release);
  }
  if (old != nullptr && old != m_inline && old != m_message.load()) delete[] old;
}

CJException& CJException::OutOfMemory() noexcept {
  // Lives from library load to unload; never owned, never deleted.
  static CJException s_outOfMemory(keErrOutOfMemory, 0, false, false, 0, 0);
  return s_outOfMemory;
}

// ===========================================================================
// CStatus
// ===========================================================================

CStatus::CStatus(const CStatus& other) noexcept { Take(other.m_error); }

CStatus& CStatus::operator=(const CStatus& other) {
  if (m_error != other.m_error) {
    CJException* incoming = other.m_error;
    if (incoming != nullptr) incoming->m_refCount.fetch_add(1);
    // An unchecked error being overwritten is raised here; the incoming
    // reference is then dropped with the throw.
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
  m_checked = m_error == nullptr || m_error->m_code == 0;
  return *this;
}

CStatus& CStatus::operator=(CStatus&& other) {
  if (this == &other) return *this;
  CJException* incoming = std::exchange(other.m_error, nullptr);
  const bool incomingChecked = std::exchange(other.m_checked, true);
  if (incoming != nullptr && incoming == m_error) {
    // Two holders of one error become one; it stays due unless both were checked.
    m_checked = m_checked && incomingChecked;
    incoming->m_refCount.fetch_sub(1);  // never the last: this status still holds it
    return *this;
  }
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
  m_checked = incomingChecked;
  return *this;
}

CStatus::~CStatus() noexcept(false) { Release(false); }

void CStatus::Take(CJException* error) noexcept {
  m_error = error;
  m_checked = true;
  if (m_error != nullptr) {
    m_error->m_refCount.fetch_add(1);
    m_checked = m_error->m_code == 0;
  }
}

void CStatus::Release(bool discard) {
  CJException* error = std::exchange(m_error, nullptr);
  const bool checked = std::exchange(m_checked, true);
  if (error == nullptr) return;
  if (!discard && !checked && error->m_code != 0 && std::uncaught_exceptions() == 0) {
    // The copy is made while this reference still keeps the error alive;
    // the owned object is deleted (when this was its last holder) while the
    // copy's throw passes.
    CJException raised(*error);
    if (error->m_refCount.fetch_sub(1) - 1 == 0 && error->m_owned) delete error;
    throw raised;
  }
  if (error->m_refCount.fetch_sub(1) - 1 == 0 && error->m_owned) delete error;
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
  CJException* copy = nullptr;
  try {
    copy = new CJException(e.Code(), e.Context1(), true, true, e.Context2(), e.Context3());
    if (const char* text = e.m_message.load(std::memory_order_acquire)) copy->SetMessage(text);
  } catch (...) {
    delete copy;
    copy = nullptr;
  }
  status.Take(copy != nullptr ? copy : &CJException::OutOfMemory());
  return status;
}

std::uint32_t CStatus::Code() noexcept {
  m_checked = true;
  return m_error != nullptr ? m_error->m_code : 0;
}

bool CStatus::Is(std::uint32_t code) noexcept { return Code() == code; }

void CStatus::RaiseIfError() {
  m_checked = true;
  if (m_error != nullptr && m_error->m_code != 0) m_error->Raise();
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

// The registry is filled at start-up and read whenever a message is loaded,
// possibly by several threads: one lock guards the list and the module
// remembered from it.
std::mutex& ModulesLock() {
  static std::mutex s_lock;
  return s_lock;
}

std::atomic<StringLoader> g_loader{platform::LoadModuleString};
void* g_errorModule = nullptr;  // remembered once found; a miss is not remembered

void* FindStringModuleLocked(const char* name) {
  for (const StringModule& entry : Modules()) {
    if (SameNameIgnoringCase(entry.name, name)) return entry.module;
  }
  return nullptr;
}

void* ErrorModule() {
  std::lock_guard<std::mutex> lock(ModulesLock());
  if (g_errorModule == nullptr) g_errorModule = FindStringModuleLocked("CoreErrorCodes");
  return g_errorModule;
}

// Appends to buffer[*used] within `size` bytes (terminator included),
// cutting what does not fit.
void Append(char* buffer, int size, int* used, const char* text, int length) {
  const int room = size - 1 - *used;
  const int n = length < room ? length : room;
  if (n <= 0) return;
  std::memcpy(buffer + *used, text, static_cast<std::size_t>(n));
  *used += n;
}

// Fills the editor's text for an undefined error.  The text is written as
// a wsprintf format with the code as its one argument, but it comes from
// outside the program: it is never handed to a formatting function.  Its
// first number conversion (%u, %d or %i, with '-' or '0' flags, a width and
// an 'l' or 'h' size) becomes the code; "%%" becomes '%'; every other
// character, further conversions included, is copied as it stands.
int FillUndefinedText(const char* text, std::uint32_t code, char* buffer, int size) {
  char digits[16];
  int digitCount = 0;
  for (std::uint32_t v = code;; v /= 10) {
    digits[digitCount++] = static_cast<char>('0' + v % 10);
    if (v < 10) break;
  }
  std::reverse(digits, digits + digitCount);

  int used = 0;
  bool filled = false;
  for (const char* p = text; *p != '\0';) {
    if (*p != '%') {
      const char* run = p;
      while (*p != '\0' && *p != '%') ++p;
      Append(buffer, size, &used, run, static_cast<int>(p - run));
      continue;
    }
    if (p[1] == '%') {
      Append(buffer, size, &used, "%", 1);
      p += 2;
      continue;
    }
    // A number conversion?
    const char* q = p + 1;
    bool left = false, zero = false;
    for (; *q == '-' || *q == '0'; ++q) (*q == '-' ? left : zero) = true;
    int width = 0;
    for (; *q >= '0' && *q <= '9'; ++q) width = width < 1000 ? width * 10 + (*q - '0') : width;
    if (*q == 'l' || *q == 'h') ++q;
    if (filled || (*q != 'u' && *q != 'd' && *q != 'i')) {
      Append(buffer, size, &used, "%", 1);  // copied as it stands
      ++p;
      continue;
    }
    const int pad = width > digitCount ? width - digitCount : 0;
    const char padChar = zero && !left ? '0' : ' ';
    for (int i = 0; !left && i < pad; ++i) Append(buffer, size, &used, &padChar, 1);
    Append(buffer, size, &used, digits, digitCount);
    for (int i = 0; left && i < pad; ++i) Append(buffer, size, &used, " ", 1);
    filled = true;
    p = q + 1;
  }
  buffer[used] = '\0';
  return used;
}

}  // namespace

StringLoader SetStringLoader(StringLoader loader) {
  return g_loader.exchange(loader != nullptr ? loader : platform::LoadModuleString);
}

void RegisterStringModule(const char* name, void* module) {
  std::lock_guard<std::mutex> lock(ModulesLock());
  Modules().push_back(StringModule{name != nullptr ? name : "", module});
}

void* FindStringModule(const char* name) {
  std::lock_guard<std::mutex> lock(ModulesLock());
  return FindStringModuleLocked(name);
}

void ClearStringModules() {
  std::lock_guard<std::mutex> lock(ModulesLock());
  Modules().clear();
  g_errorModule = nullptr;
}

int ErrorMessage(std::uint32_t code, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return 0;
  void* module = ErrorModule();  // none registered: the main module
  const StringLoader load = g_loader.load();

  int n = load(module, code, buffer, size);
  if (n > 0) return n;

  char text[512];
  if (load(module, 65535, text, sizeof text) <= 0) {
    std::snprintf(text, sizeof text, "%s", "An undefined error has occured - %u");
  }
  return FillUndefinedText(text, code, buffer, size);
}
