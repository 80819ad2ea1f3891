#pragma once
// Status codes and the framework exception.
//
// A framework call answers a CStatus: empty for success, or a reference to a
// shared CJException carrying a numeric code.  Asking a status for its code
// checks that status.  A status that holds an error and was never checked
// raises a copy of it when it goes away (or is overwritten) - unless an
// exception is already propagating, in which case it is dropped.  Code that
// wants exceptions therefore only lets statuses fall out of scope; code that
// wants codes asks for them.
//
// Whether an error was checked belongs to each status, not to the shared
// exception: every code-102 status refers to one preallocated object (made
// once, alive for the whole life of the library, standing in whenever an
// error cannot be allocated), and statuses on any thread may hold it at the
// same time.  Reading one of them says nothing about the others.  The shared
// object's reference count is atomic and its message is loaded once, so
// statuses that share it may live and die on different threads.

#include <atomic>
#include <cstdint>
#include <exception>
#include <mutex>
#include <utility>

// Error codes raised by the framework.
enum ErrorCode : std::uint32_t {
  keErrNone = 0,
  keErrCancelled = 100,
  keErrBadArgument = 101,
  keErrOutOfMemory = 102,
  keErrNoData = 110,
  keErrGreyConversion = 120,
  keErrFileOpenWrite = 200,
  keErrFileOpenRead = 201,
  keErrFileRead = 202,
  keErrFileWrite = 203,
  keErrFileDelete = 204,
  keErrFileSeek = 208,
  keErrDibCopy = 801,
};

class CJException : public std::exception {
 public:
  static constexpr int kMessageBufferSize = 512;

  CJException(std::uint32_t code, std::uint32_t context1, bool owned, bool armed,
              std::uint32_t context2, std::uint32_t context3) noexcept;
  // Copies code, context values and an already loaded message; the copy has
  // no references and neither flag.  `armed` records that the error was made
  // to be raised when not checked; whether a given status was checked is
  // that status's own state.
  CJException(const CJException& other) noexcept;
  CJException& operator=(const CJException&) = delete;
  ~CJException() override;

  // The message text of the code, loaded with ErrorMessage on first use
  // (once, whichever thread asks first).
  const char* what() const noexcept override;
  // Throws a copy of this object.
  [[noreturn]] virtual void Raise() const;

  // Not for an object that other threads may be reading.
  void SetMessage(const char* text);

  std::uint32_t Code() const noexcept { return m_code; }
  std::uint32_t Context1() const noexcept { return m_context1; }
  std::uint32_t Context2() const noexcept { return m_context2; }
  std::uint32_t Context3() const noexcept { return m_context3; }
  bool IsOwned() const noexcept { return m_owned; }
  bool IsArmed() const noexcept { return m_armed; }

  // The object every code-102 status refers to.
  static CJException& OutOfMemory() noexcept;

 private:
  friend class CStatus;

  void FreeMessage() noexcept;

  std::uint32_t m_code;
  std::atomic<std::int32_t> m_refCount{0};
  const bool m_owned;
  const bool m_armed;
  // Null until loaded; then the inline buffer or a heap copy.
  mutable std::atomic<char*> m_message{nullptr};
  mutable std::once_flag m_loadOnce;
  mutable char m_inline[kMessageBufferSize];
  std::uint32_t m_context1;
  std::uint32_t m_context2;
  std::uint32_t m_context3;
};

class [[nodiscard]] CStatus {
 public:
  CStatus() noexcept = default;
  explicit CStatus(std::uint32_t code) { Set(code); }
  // The copy holds the same error, not yet checked.
  CStatus(const CStatus& other) noexcept;
  // The moved status carries its checked state along.
  CStatus(CStatus&& other) noexcept
      : m_error(std::exchange(other.m_error, nullptr)), m_checked(std::exchange(other.m_checked, true)) {}
  // Overwriting a status that holds an unchecked error raises that error,
  // unless both hold the same one; the copy is unchecked, a moved status
  // keeps its state.
  CStatus& operator=(const CStatus& other);
  CStatus& operator=(CStatus&& other);
  // Raises the error when this status was never checked, unless an
  // exception is already propagating.
  ~CStatus() noexcept(false);

  // Discards the old error silently; code 0 leaves the status empty.
  void Set(std::uint32_t code);
  void Set(std::uint32_t code, std::uint32_t context1, std::uint32_t context2, std::uint32_t context3);
  static CStatus FromException(const CJException& e);

  // Both check this status (and no other).
  std::uint32_t Code() noexcept;
  bool Is(std::uint32_t code) noexcept;

  bool IsError() const noexcept { return m_error != nullptr; }
  const CJException* Error() const noexcept { return m_error; }

  // Throws the error now (checking this status), for callers that want the
  // exception at a chosen point rather than at the end of the statement.
  void RaiseIfError();

 private:
  // Takes a new reference; the status starts unchecked.
  void Take(CJException* error) noexcept;
  // Drops the reference; raises an unchecked error unless `discard`.
  void Release(bool discard);

  CJException* m_error = nullptr;
  bool m_checked = true;  // nothing to check while empty
};

// The one place where errors start: every status and every thrown framework
// error of the system is made here.
CStatus MakeStatus(std::uint32_t code);
[[noreturn]] void RaiseError(std::uint32_t code);

// Writes the message of `code` into `buffer` (at most `size` bytes with the
// terminator) and answers the number of characters written: the code's own
// string, else string 65535 with the code in place of its number conversion
// (a text from a string table is never used as a format), else "An undefined
// error has occured - " and the code.
int ErrorMessage(std::uint32_t code, char* buffer, int size);

// Where ErrorMessage loads strings from: the platform's string tables unless
// replaced (tests bring tables of their own).  Answers the previous loader.
using StringLoader = int (*)(void* module, unsigned id, char* buffer, int size);
StringLoader SetStringLoader(StringLoader loader);

// The registry of string-resource modules, searched by name without regard to
// case.  The system registers none; the main module stands in.
void RegisterStringModule(const char* name, void* module);
void* FindStringModule(const char* name);
void ClearStringModules();
