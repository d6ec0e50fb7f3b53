// A temporary folder per test, named in the program's path form (drive Z: is the POSIX root),
// with helpers that build trees through std::filesystem, independently of the code under test.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace s::testing {

class TempFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    m_root = std::filesystem::temp_directory_path() /
             ("lumetra-core-" + std::to_string(GetCurrentProcessId()) + "-" + info->test_suite_name() + "-" +
              info->name());
    std::filesystem::remove_all(m_root);
    std::filesystem::create_directories(m_root);
  }

  void TearDown() override {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(m_root, ignored)) {
      std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ignored);
    }
    std::filesystem::remove_all(m_root, ignored);
  }

  /// The program's form of a POSIX path: "Z:" and the path with "\" separators. Bytes are
  /// taken one unit each, which is right for the ASCII names the tests use.
  static std::u16string windowsOf(const std::filesystem::path& path) {
    std::u16string out = u"Z:";
    for (char c : path.string()) {
      out += c == '/' ? u'\\' : static_cast<char16_t>(static_cast<unsigned char>(c));
    }
    return out;
  }

  /// The program's form of a name inside the folder ("" for the folder itself).
  std::u16string at(const std::string& relative = "") const {
    return windowsOf(relative.empty() ? m_root : m_root / relative);
  }
  std::filesystem::path posix(const std::string& relative) const { return m_root / relative; }

  void writeFile(const std::string& relative, const std::string& content) const {
    std::filesystem::create_directories((m_root / relative).parent_path());
    std::ofstream(m_root / relative, std::ios::binary) << content;
  }
  std::string readFile(const std::string& relative) const {
    std::ifstream in(m_root / relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void makeFolder(const std::string& relative) const { std::filesystem::create_directories(m_root / relative); }

  std::filesystem::path m_root;
};

}  // namespace s::testing
