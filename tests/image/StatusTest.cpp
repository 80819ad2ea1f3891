#include "image/Status.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>

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
