// A fresh temporary folder for each test, and the program's path form of the files in it.
#pragma once

#include "core/str/strbuffer/StrBuffer.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

class TempFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    m_root = std::filesystem::temp_directory_path() /
             ("lumetra-platform-xml-" + std::to_string(getpid()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(m_root);
    std::filesystem::create_directories(m_root);
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::permissions(m_root, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(m_root, ignored);
  }

  /// "Z:\tmp\...\relative" for a path below the folder (drive Z: is the POSIX root).
  std::u16string at(const std::string& relative) const {
    std::u16string out = u"Z:";
    for (char c : (m_root / relative).string()) {
      out += c == '/' ? u'\\' : static_cast<char16_t>(static_cast<unsigned char>(c));
    }
    return out;
  }
  /// The same as a pooled text, which the caller releases.
  s::str::strbuffer::StrBuffer* pathText(const std::string& relative) const {
    auto* text = s::str::strbuffer::StrBuffer::take();
    text->assign(at(relative).c_str());
    return text;
  }
  std::string read(const std::string& relative) const {
    std::ifstream in(m_root / relative, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
  }
  void write(const std::string& relative, const std::string& content) const {
    std::ofstream(m_root / relative, std::ios::binary) << content;
  }
  /// The names in the folder.
  std::vector<std::string> names(const std::string& relative = "") const {
    std::vector<std::string> out;
    for (const auto& entry : std::filesystem::directory_iterator(m_root / relative)) {
      out.push_back(entry.path().filename().string());
    }
    return out;
  }

  std::filesystem::path m_root;
};
