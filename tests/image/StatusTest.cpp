#include "image/Status.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>

namespace {

// Runs `body` and answers the code of the CJException it raised, 0 if none.
template <typename F>
std::uint32_t RaisedCode(F body) {
  try {
    body();
  } catch (const CJException& e) {
    return e.Code();
  }
  return 0;
}

TEST(StatusTest, UnreadErrorRaisesWhenItsStatusGoes) {
  EXPECT_EQ(101u, RaisedCode([] {
              CStatus s;
              s.Set(101);
            }));
  EXPECT_EQ(0u, RaisedCode([] {
              CStatus s;
              s.Set(101);
              EXPECT_EQ(101u, s.Code());
            }));
  EXPECT_EQ(0u, RaisedCode([] {
              CStatus s(110);
              EXPECT_TRUE(s.Is(110));
            }));
  // An ignored status answered by a function raises at the end of the statement.
  EXPECT_EQ(202u, RaisedCode([] { (void)MakeStatus(202); }));
}

TEST(StatusTest, EmptyStatusAnswersZeroAndNeverRaises) {
  EXPECT_EQ(0u, RaisedCode([] {
              CStatus s;
              EXPECT_EQ(0u, s.Code());
              EXPECT_TRUE(s.Is(0));
              EXPECT_FALSE(s.IsError());
              s.Set(0);
              EXPECT_FALSE(s.IsError());
            }));
}

TEST(StatusTest, ReleaseWhileUnwindingDoesNotThrow) {
  bool sawOriginal = false;
  try {
    CStatus s;
    s.Set(101);
    throw std::runtime_error("original");
  } catch (const std::runtime_error& e) {
    sawOriginal = std::string(e.what()) == "original";
  }
  EXPECT_TRUE(sawOriginal);
}

TEST(StatusTest, CopiedErrorRaisesWhenTheLastHolderGoes) {
  // The first holder reads its code before the copy is made; assignment arms
  // the shared error again, so the second holder raises when it goes last.
  EXPECT_EQ(101u, RaisedCode([] {
              CStatus second;
              {
                CStatus first;
                first.Set(101);
                EXPECT_EQ(101u, first.Code());
                second = first;
              }
              EXPECT_NE(nullptr, second.Error());
            }));
  // Copy construction behaves the same way.
  EXPECT_EQ(110u, RaisedCode([] {
              CStatus first(110);
              EXPECT_EQ(110u, first.Code());
              CStatus second(first);  // copy construction arms the shared error again
              EXPECT_NE(nullptr, second.Error());
            }));
}

TEST(StatusTest, SetDiscardsAnUncheckedErrorSilently) {
  EXPECT_EQ(0u, RaisedCode([] {
              CStatus s;
              s.Set(101);
              s.Set(0);
              EXPECT_FALSE(s.IsError());
            }));
  EXPECT_EQ(0u, RaisedCode([] {
              CStatus s(101);
              s.Set(110);
              EXPECT_EQ(110u, s.Code());
            }));
}

TEST(StatusTest, OverwritingByAssignmentRaisesTheUncheckedError) {
  EXPECT_EQ(101u, RaisedCode([] {
              CStatus other(110);
              EXPECT_EQ(110u, other.Code());
              CStatus s(101);
              s = other;  // 101 was never read and had no other holder
            }));
}

TEST(StatusTest, OutOfMemoryUsesThePreallocatedObject) {
  {
    CStatus a(102);
    CStatus b;
    b.Set(102, 1, 2, 3);
    EXPECT_EQ(&CJException::OutOfMemory(), a.Error());
    EXPECT_EQ(&CJException::OutOfMemory(), b.Error());
    EXPECT_FALSE(CJException::OutOfMemory().IsOwned());
    EXPECT_EQ(102u, a.Code());
    EXPECT_EQ(102u, b.Code());
  }
  // Raising it throws a copy and leaves the object itself in place.
  EXPECT_EQ(102u, RaisedCode([] { CStatus s(102); }));
  EXPECT_EQ(102u, CJException::OutOfMemory().Code());
}

// Two statuses that hold one error object - two out-of-memory statuses share
// the one preallocated object, a copy shares its original's - yet each
// answers for itself: a status whose code was read never raises, one whose
// code was not read always does, whatever the other did and whichever goes
// first.
TEST(StatusTest, StatusesSharingAnErrorAreCheckedOneByOne) {
  struct Case {
    const char* what;
    bool readFirst, readSecond, firstGoesFirst;
  };
  const Case cases[] = {
      {"first read, second not, second goes first", true, false, false},
      {"first read, second not, first goes first", true, false, true},
      {"first not, second read, second goes first", false, true, false},
      {"first not, second read, first goes first", false, true, true},
      {"both read", true, true, false},
      {"neither read", false, false, true},
  };
  for (const std::uint32_t code : {keErrOutOfMemory, keErrBadArgument}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << "code " << code << ", " << c.what);
      auto* first = new CStatus(code);
      if (c.readFirst) {
        EXPECT_EQ(code, first->Code());
      }
      // 102: a status of its own on the shared object; 101: a copy.
      auto* second = code == keErrOutOfMemory ? new CStatus(code) : new CStatus(*first);
      ASSERT_EQ(first->Error(), second->Error());
      if (c.readSecond) {
        EXPECT_TRUE(second->Is(code));
      }
      // A delete-expression frees the memory even when the destructor throws.
      auto release = [](CStatus* s) { return RaisedCode([s] { delete s; }); };
      const std::uint32_t firstRaised = c.firstGoesFirst ? release(first) : 0;
      const std::uint32_t secondRaised = release(second);
      const std::uint32_t firstRaisedLast = c.firstGoesFirst ? firstRaised : release(first);
      EXPECT_EQ(c.readFirst ? 0u : code, firstRaisedLast);
      EXPECT_EQ(c.readSecond ? 0u : code, secondRaised);
    }
  }
  EXPECT_EQ(102u, CJException::OutOfMemory().Code());
}

TEST(StatusTest, AMovedStatusKeepsItsCheckedState) {
  EXPECT_EQ(0u, RaisedCode([] {
              CStatus first(keErrBadArgument);
              EXPECT_EQ(101u, first.Code());
              CStatus second(std::move(first));
              CStatus third;
              third = std::move(second);
            }));
  EXPECT_EQ(101u, RaisedCode([] {
              CStatus first(keErrBadArgument);
              CStatus second(std::move(first));
              EXPECT_EQ(0u, first.Code());  // the moved-from status is empty
            }));
  EXPECT_EQ(102u, RaisedCode([] {
              CStatus unread(keErrOutOfMemory);
              CStatus read(keErrOutOfMemory);
              EXPECT_EQ(102u, read.Code());
              read = std::move(unread);  // one object, still due
            }));
}

// The same on two threads at once: every status read stays quiet, every
// status not read raises.
TEST(StatusTest, OutOfMemoryStatusesOnTwoThreadsAnswerForThemselves) {
  constexpr int kRounds = 20000;
  struct Count {
    int readRaised = 0;
    int unreadRaised = 0;
  };
  auto work = [](Count* count) {
    for (int i = 0; i < kRounds; ++i) {
      const bool read = i % 2 == 0;
      const std::uint32_t raised = RaisedCode([read] {
        CStatus s(keErrOutOfMemory);
        if (read) (void)s.Code();
      });
      if (raised != 0) ++(read ? count->readRaised : count->unreadRaised);
    }
  };
  Count a, b;
  std::thread other(work, &a);
  work(&b);
  other.join();
  EXPECT_EQ(0, a.readRaised);
  EXPECT_EQ(0, b.readRaised);
  EXPECT_EQ(kRounds / 2, a.unreadRaised);
  EXPECT_EQ(kRounds / 2, b.unreadRaised);
}

TEST(StatusTest, FromExceptionCopiesTheCaughtError) {
  CStatus s;
  try {
    RaiseError(201);
  } catch (const CJException& e) {
    s = CStatus::FromException(e);
  }
  ASSERT_TRUE(s.IsError());
  EXPECT_TRUE(s.Error()->IsOwned());
  EXPECT_EQ(201u, s.Code());
  CJException zero(0, 0, false, false, 0, 0);
  EXPECT_FALSE(CStatus::FromException(zero).IsError());
}

TEST(StatusTest, RaiseIfErrorThrowsNowAndOnlyOnce) {
  EXPECT_EQ(208u, RaisedCode([] {
              CStatus s(208);
              s.RaiseIfError();
            }));
  CStatus empty;
  EXPECT_NO_THROW(empty.RaiseIfError());
}

TEST(StatusTest, ErrorMessageFallsBackToTheUndefinedErrorFormat) {
  char buffer[512];
  const int n = ErrorMessage(4711, buffer, sizeof buffer);
  EXPECT_STREQ("An undefined error has occured - 4711", buffer);
  EXPECT_EQ(static_cast<int>(std::strlen(buffer)), n);

  char small[8];
  ErrorMessage(4711, small, sizeof small);
  EXPECT_STREQ("An unde", small);

  CJException e(4711, 0, false, false, 0, 0);
  EXPECT_STREQ("An undefined error has occured - 4711", e.what());
}

// A string table of the test's own: only the text of string 65535.
const char* g_undefinedText = nullptr;

int UndefinedTextOnly(void* /*module*/, unsigned id, char* buffer, int size) {
  buffer[0] = '\0';
  if (id != 65535 || g_undefinedText == nullptr) return 0;
  const int n = std::min(static_cast<int>(std::strlen(g_undefinedText)), size - 1);
  std::memcpy(buffer, g_undefinedText, static_cast<std::size_t>(n));
  buffer[n] = '\0';
  return n;
}

// The text comes from the editor's string table: whatever conversions it
// holds, only its number conversion is filled in, and nothing in it is ever
// handed to a formatting function.
TEST(StatusTest, TheUndefinedErrorTextIsNeverUsedAsAFormat) {
  struct Case {
    const char* text;
    const char* message;
  };
  const Case cases[] = {
      {"Unknown error %u.", "Unknown error 4711."},
      {"%s%s%s%s%s%s%s%s (%u)", "%s%s%s%s%s%s%s%s (4711)"},
      {"%n%n%u", "%n%n4711"},
      {"%u, then %u and %s", "4711, then %u and %s"},
      {"100%% lost: %lu", "100% lost: 4711"},
      {"error %d", "error 4711"},
      {"[%6u] [%-6u]", "[  4711] [%-6u]"},
      {"[%-6i] [%06u]", "[4711  ] [%06u]"},
      {"no number at all", "no number at all"},
      {"ends in %", "ends in %"},
      {"%08.3f%*d%.*s", "%08.3f%*d%.*s"},
  };
  const StringLoader previous = SetStringLoader(UndefinedTextOnly);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    g_undefinedText = c.text;
    char buffer[512];
    const int n = ErrorMessage(4711, buffer, sizeof buffer);
    EXPECT_STREQ(c.message, buffer);
    EXPECT_EQ(static_cast<int>(std::strlen(c.message)), n);
    CJException e(4711, 0, false, false, 0, 0);
    EXPECT_STREQ(c.message, e.what());
  }
  g_undefinedText = "Unknown error %u.";
  char small[10];
  EXPECT_EQ(9, ErrorMessage(4711, small, sizeof small));
  EXPECT_STREQ("Unknown e", small);
  g_undefinedText = nullptr;
  SetStringLoader(previous);
}

TEST(StatusTest, MessagesAreKeptInlineOrOnTheHeapAndCopied) {
  CJException e(101, 7, false, false, 8, 9);
  e.SetMessage("short");
  EXPECT_STREQ("short", e.what());
  const std::string longText(600, 'x');
  e.SetMessage(longText.c_str());
  EXPECT_EQ(longText, e.what());
  CJException copy(e);
  EXPECT_EQ(longText, copy.what());
  EXPECT_EQ(7u, copy.Context1());
  EXPECT_EQ(8u, copy.Context2());
  EXPECT_EQ(9u, copy.Context3());
  EXPECT_FALSE(copy.IsArmed());
  EXPECT_FALSE(copy.IsOwned());
}

TEST(StatusTest, StringModulesAreFoundWithoutRegardToCase) {
  int marker = 0;
  RegisterStringModule("CoreErrorCodes", &marker);
  EXPECT_EQ(&marker, FindStringModule("coreerrorcodes"));
  EXPECT_EQ(nullptr, FindStringModule("CoreErrorCode"));
  ClearStringModules();
  EXPECT_EQ(nullptr, FindStringModule("CoreErrorCodes"));
}

}  // namespace
