// A temporary folder per test with helpers that build and read trees through std::filesystem,
// independently of the code under test; names in the program's path form (drive Z: is the
// POSIX root).
#pragma once

#include "testlib/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace s::testing {

class TempFolder : public ::testing::Test {
 protected:
  /// The program's form of a name inside the folder; the folder itself for "".
  std::u16string at(const std::string& relative = "") const {
    std::u16string path = m_dir.windowsPath(relative);
    while (relative.empty() && !path.empty() && path.back() == u'\\') path.pop_back();
    return path;
  }
  std::filesystem::path posix(const std::string& relative) const { return m_dir.file(relative); }

  void writeFile(const std::string& relative, const std::string& content) const {
    std::filesystem::create_directories(posix(relative).parent_path());
    std::ofstream(posix(relative), std::ios::binary) << content;
  }
  std::string readFile(const std::string& relative) const {
    std::ifstream in(posix(relative), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void makeFolder(const std::string& relative) const {
    std::filesystem::create_directories(posix(relative));
  }

  lumetra::testlib::TempDir m_dir;
};

}  // namespace s::testing
