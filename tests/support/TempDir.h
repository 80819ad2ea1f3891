#pragma once
// A fresh folder for one test, removed with everything in it afterwards.

#include <filesystem>
#include <random>
#include <string>

class TempDir {
 public:
  TempDir() {
    std::random_device rd;
    auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
      auto candidate = base / ("tintavo-test-" + std::to_string(rd()));
      std::error_code ec;
      if (std::filesystem::create_directory(candidate, ec)) {
        m_path = candidate;
        break;
      }
    }
  }
  ~TempDir() {
    std::error_code ec;
    if (!m_path.empty()) {
      // Read-only files left by a test must not stop the clean-up.
      for (auto& entry : std::filesystem::recursive_directory_iterator(m_path, ec)) {
        std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::add, ec);
      }
      std::filesystem::remove_all(m_path, ec);
    }
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::string File(const std::string& name) const { return (m_path / name).string(); }
  const std::filesystem::path& Path() const { return m_path; }

 private:
  std::filesystem::path m_path;
};
