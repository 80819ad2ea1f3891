#include "image/FileStream.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "image/Status.h"
#include "platform/File.h"
#include "tests/support/TempDir.h"

namespace {

template <typename F>
std::uint32_t RaisedCode(F body) {
  try {
    body();
  } catch (const CJException& e) {
    return e.Code();
  }
  return 0;
}

TEST(FileStreamTest, WritesReadsSeeksAndSizes) {
  TempDir dir;
  const std::string path = dir.File("data.bin");
  {
    CFileStream out(path);
    out.Open(keOpenWrite);
    out.Write("hello, world", 12);
    out.Flush();
    EXPECT_EQ(12u, out.Size());
  }
  CFileStream in(path);
  in.Open(keOpenRead);
  EXPECT_EQ(12u, in.Size());
  EXPECT_EQ(7u, in.Seek(7, 0));
  char buffer[16] = {};
  EXPECT_EQ(5u, in.Read(buffer, 5, true));
  EXPECT_STREQ("world", buffer);
  EXPECT_EQ(10u, in.Seek(-2, 2));
  EXPECT_EQ(11u, in.Seek(1, 1));
  // A short read is accepted only when not everything was required.
  EXPECT_EQ(1u, in.Read(buffer, 8, false));
  EXPECT_EQ(0u, in.Read(buffer, 8, false));
  EXPECT_EQ(202u, RaisedCode([&] { in.Read(buffer, 8, true); }));
}

TEST(FileStreamTest, ReadWriteKindOpensOrCreatesAndKeepsContent) {
  TempDir dir;
  const std::string path = dir.File("rw.bin");
  {
    CFileStream f(path);
    f.Open(keOpenReadWrite);
    f.Write("abcdef", 6);
  }
  CFileStream f(path);
  f.Open(keOpenReadWrite);
  EXPECT_EQ(6u, f.Size());
  f.Seek(2, 0);
  f.Write("XY", 2);
  f.Seek(0, 0);
  char buffer[7] = {};
  f.Read(buffer, 6, true);
  EXPECT_STREQ("abXYef", buffer);
}

TEST(FileStreamTest, MisuseAndRefusalsRaiseTheirCodes) {
  TempDir dir;
  const std::string missing = dir.File("missing.bin");
  const std::string present = dir.File("present.bin");
  {
    CFileStream f(present);
    f.Open(keOpenWrite);
  }
  char byte = 0;
  struct Case {
    const char* what;
    std::uint32_t code;
    std::function<void()> body;
  };
  const Case cases[] = {
      {"open without a name", 101, [] { CFileStream f; f.Open(keOpenRead); }},
      {"open twice", 101, [&] { CFileStream f(present); f.Open(keOpenRead); f.Open(keOpenRead); }},
      {"unknown kind", 101, [&] { CFileStream f(present); f.Open(4); }},
      {"name set twice", 101, [&] { CFileStream f(present); f.SetName(present); }},
      {"name too long", 101, [] { CFileStream f(std::string(513, 'a')); }},
      {"missing file for reading", 201, [&] { CFileStream f(missing); f.Open(keOpenRead); }},
      {"folder that does not exist", 200, [&] { CFileStream f(dir.File("no/such/x")); f.Open(keOpenWrite); }},
      {"read from a write-only stream", 101, [&] { CFileStream f(present); f.Open(keOpenWrite); f.Read(&byte, 1, false); }},
      {"write to a read-only stream", 101, [&] { CFileStream f(present); f.Open(keOpenRead); f.Write(&byte, 1); }},
      {"flush a read-only stream", 101, [&] { CFileStream f(present); f.Open(keOpenRead); f.Flush(); }},
      {"read a closed stream", 101, [&] { CFileStream f(present); f.Read(&byte, 1, false); }},
      {"size of a closed stream", 101, [&] { CFileStream f(present); (void)f.Size(); }},
      {"delete without a name", 101, [] { CFileStream f; f.Delete(); }},
      {"delete a missing file", 204, [&] { CFileStream f(missing); f.Delete(); }},
      {"seek before the start", 208, [&] { CFileStream f(present); f.Open(keOpenRead); f.Seek(-1, 0); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(c.code, RaisedCode(c.body));
  }
  CFileStream ok(std::string(512, 'a'));
  EXPECT_EQ(512u, ok.Name().size());
}

TEST(FileStreamTest, DeleteClosesAndRemovesTheFile) {
  TempDir dir;
  const std::string path = dir.File("gone.bin");
  CFileStream f(path);
  f.Open(keOpenWrite);
  f.Write("x", 1);
  f.Delete();
  EXPECT_FALSE(f.IsOpen());
  EXPECT_FALSE(platform::FileExists(path));
}

TEST(FileStreamTest, WriteKindRecreatesAReadOnlyFileReadOnly) {
  TempDir dir;
  const std::string path = dir.File("locked.bin");
  {
    CFileStream f(path);
    f.Open(keOpenWrite);
    f.Write("old content", 11);
  }
  ASSERT_TRUE(platform::SetFileReadOnly(path, true));
  {
    CFileStream f(path);
    f.Open(keOpenWrite);
    f.Write("new", 3);
  }
  EXPECT_TRUE(platform::IsFileReadOnly(path));
  CFileStream in(path);
  in.Open(keOpenRead);
  EXPECT_EQ(3u, in.Size());
  platform::SetFileReadOnly(path, false);
}

}  // namespace
