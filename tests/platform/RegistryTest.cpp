#include "platform/Registry.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

#if !defined(_WIN32)
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "tests/support/TempDir.h"

namespace {

constexpr char kParent[] = "Software\\Velmora";

// A key of the test's own: on POSIX in a store of its own (a temporary
// $XDG_CONFIG_HOME), on Windows below Software\Velmora, removed afterwards.
class RegistryTest : public testing::Test {
 protected:
  void SetUp() override {
    m_subkey = "TintavoRegistryTest" + std::to_string(std::random_device()());
    m_path = std::string(kParent) + "\\" + m_subkey;
#if !defined(_WIN32)
    const char* old = std::getenv("XDG_CONFIG_HOME");
    m_hadOld = old != nullptr;
    if (m_hadOld) m_old = old;
    setenv("XDG_CONFIG_HOME", m_dir.Path().string().c_str(), 1);
#endif
  }
  void TearDown() override {
    platform::DeleteCurrentUserKey(kParent, m_subkey);
#if !defined(_WIN32)
    if (m_hadOld) {
      setenv("XDG_CONFIG_HOME", m_old.c_str(), 1);
    } else {
      unsetenv("XDG_CONFIG_HOME");
    }
#endif
  }

  static bool SetInt(const platform::RegistryKey& key, const std::string& name, std::uint32_t value) {
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                                   static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
    return key.SetValue(name, platform::kRegDword, bytes, 4);
  }
  // The stored number, or -1 when there is none.
  static std::int64_t GetInt(const platform::RegistryKey& key, const std::string& name) {
    std::uint8_t bytes[4] = {};
    std::uint32_t size = 4;
    if (!key.QueryValue(name, bytes, &size, nullptr) || size != 4) return -1;
    return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<std::int64_t>(bytes[3]) << 24);
  }

  // One worker's part of the counting test: `rounds` times, under one hold,
  // read "Count" and write it back one higher.  False when a call failed.
  bool Count(int rounds) const {
    platform::RegistryKey key;
    if (!key.CreateCurrentUser(m_path)) return false;
    for (int i = 0; i < rounds; ++i) {
      platform::RegistryLock hold;
      if (!hold.IsHeld()) return false;
      const std::int64_t count = GetInt(key, "Count");
      if (count < 0 || !SetInt(key, "Count", static_cast<std::uint32_t>(count + 1))) return false;
    }
    return true;
  }

  TempDir m_dir;
  std::string m_subkey;
  std::string m_path;
  std::string m_old;
  bool m_hadOld = false;
};

TEST_F(RegistryTest, HoldMakesReadChangeWriteWholeBetweenThreads) {
  platform::RegistryKey key;
  ASSERT_TRUE(key.CreateCurrentUser(m_path));
  ASSERT_TRUE(SetInt(key, "Count", 0));
  constexpr int kThreads = 4, kRounds = 15;
  std::vector<std::thread> threads;
  std::vector<char> ok(kThreads, 0);
  for (int t = 0; t < kThreads; ++t) threads.emplace_back([&, t] { ok[t] = Count(kRounds); });
  for (std::thread& t : threads) t.join();
  for (char worked : ok) EXPECT_TRUE(worked);
  EXPECT_EQ(kThreads * kRounds, GetInt(key, "Count"));
}

TEST_F(RegistryTest, MissingIsNoErrorButAnUnreadableStoreIs) {
  platform::RegistryKey key;
  EXPECT_FALSE(key.OpenCurrentUser(m_path));
  EXPECT_EQ("", key.Error());
  ASSERT_TRUE(key.CreateCurrentUser(m_path));
  std::uint8_t data[8];
  std::uint32_t size = sizeof data;
  EXPECT_FALSE(key.QueryValue("nothing", data, &size, nullptr));
  EXPECT_EQ("", key.Error());
  ASSERT_TRUE(SetInt(key, "Long", 7));
  size = 2;
  EXPECT_FALSE(key.QueryValue("Long", data, &size, nullptr));  // too long for the buffer: not a store error
  EXPECT_EQ("", key.Error());
}

#if !defined(_WIN32)

// Runs `work` in `count` child processes released at the same moment;
// answers how many of them failed.
template <typename Work>
int InProcessesAtOnce(int count, Work work) {
  int gate[2];
  if (::pipe(gate) != 0) return count;
  std::vector<pid_t> children;
  for (int p = 0; p < count; ++p) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::close(gate[1]);
      char c;
      while (::read(gate[0], &c, 1) < 0) {
      }  // the parent closing the pipe opens the gate
      ::_exit(work(p) ? 0 : 1);
    }
    if (pid > 0) children.push_back(pid);
  }
  ::close(gate[0]);
  ::close(gate[1]);
  int failed = count - static_cast<int>(children.size());
  for (pid_t pid : children) {
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) ++failed;
  }
  return failed;
}

TEST_F(RegistryTest, ProcessesWritingAtOnceLoseNoValue) {
  constexpr int kProcesses = 4, kValues = 12, kRounds = 3;
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE(round);
    const int failed = InProcessesAtOnce(kProcesses, [&](int p) {
      platform::RegistryKey key;
      if (!key.CreateCurrentUser(m_path)) return false;
      for (int v = 0; v < kValues; ++v) {
        if (!SetInt(key, "p" + std::to_string(p) + "v" + std::to_string(v), round * 1000 + p * 100 + v)) return false;
      }
      return true;
    });
    EXPECT_EQ(0, failed);
    platform::RegistryKey key;
    ASSERT_TRUE(key.OpenCurrentUser(m_path));
    int lost = 0;
    for (int p = 0; p < kProcesses; ++p) {
      for (int v = 0; v < kValues; ++v) {
        lost += GetInt(key, "p" + std::to_string(p) + "v" + std::to_string(v)) != round * 1000 + p * 100 + v;
      }
    }
    EXPECT_EQ(0, lost) << "of " << kProcesses * kValues << " values";
  }
}

TEST_F(RegistryTest, HoldMakesReadChangeWriteWholeBetweenProcesses) {
  platform::RegistryKey key;
  ASSERT_TRUE(key.CreateCurrentUser(m_path));
  ASSERT_TRUE(SetInt(key, "Count", 0));
  constexpr int kProcesses = 4, kRounds = 15;
  EXPECT_EQ(0, InProcessesAtOnce(kProcesses, [&](int) { return Count(kRounds); }));
  EXPECT_EQ(kProcesses * kRounds, GetInt(key, "Count"));
}

#endif

}  // namespace
