#pragma once
// Status codes and the framework exception.
//
// A framework call answers a CStatus: empty for success, or a reference to a
// shared CJException carrying a numeric code.  Asking a status for its code
// marks the error as handled.  An error that nobody asked about is "armed":
// when the last CStatus referring to it goes away, a copy of it is thrown -
// unless an exception is already propagating, in which case it is dropped.
// Code that wants exceptions therefore only lets statuses fall out of scope;
// code that wants codes asks for them.
//
// Allocation failure while making an error is never reported as such: one
// preallocated code-102 object, alive for the whole life of the library,
// stands in for it.

#include <atomic>
#include <cstdint>
#include <exception>

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
  // no references and neither flag.
  CJException(const CJException& other) noexcept;
  CJException& operator=(const CJException&) = delete;
  ~CJException() override;

  // The message text of the code, loaded with ErrorMessage on first use.
  const char* what() const noexcept override;
  // Throws a copy of this object.
  [[noreturn]] virtual void Raise() const;

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
  bool m_owned;
  bool m_armed;
  mutable char* m_message = nullptr;  // null until loaded; inline buffer or heap copy
  mutable char m_inline[kMessageBufferSize];
  std::uint32_t m_context1;
  std::uint32_t m_context2;
  std::uint32_t m_context3;
};

class [[nodiscard]] CStatus {
 public:
  CStatus() noexcept = default;
  explicit CStatus(std::uint32_t code) { Set(code); }
  CStatus(const CStatus& other) noexcept;
  CStatus(CStatus&& other) noexcept : m_error(other.m_error) { other.m_error = nullptr; }
  CStatus& operator=(const CStatus& other);
  CStatus& operator=(CStatus&& other);
  // Raises an armed error when this was its last reference, unless an
  // exception is already propagating.
  ~CStatus() noexcept(false);

  // Discards the old error silently; code 0 leaves the status empty.
  void Set(std::uint32_t code);
  void Set(std::uint32_t code, std::uint32_t context1, std::uint32_t context2, std::uint32_t context3);
  static CStatus FromException(const CJException& e);

  // Both mark the error as handled.
  std::uint32_t Code() noexcept;
  bool Is(std::uint32_t code) noexcept;

  bool IsError() const noexcept { return m_error != nullptr; }
  const CJException* Error() const noexcept { return m_error; }

  // Throws the error now (marking it handled), for callers that want the
  // exception at a chosen point rather than at the end of the statement.
  void RaiseIfError();

 private:
  void Take(CJException* error) noexcept;
  void Release(bool disarm);

  CJException* m_error = nullptr;
};

// The one place where errors start: every status and every thrown framework
// error of the system is made here.
CStatus MakeStatus(std::uint32_t code);
[[noreturn]] void RaiseError(std::uint32_t code);

// Writes the message of `code` into `buffer` (at most `size` bytes with the
// terminator) and answers the number of characters written.
int ErrorMessage(std::uint32_t code, char* buffer, int size);

// The registry of string-resource modules, searched by name without regard to
// case.  The system registers none; the main module stands in.
void RegisterStringModule(const char* name, void* module);
void* FindStringModule(const char* name);
void ClearStringModules();
