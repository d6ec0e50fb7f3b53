// A fresh temporary folder for each test, and the program's path form of the files in it.
#pragma once

#include "core/str/strbuffer/StrBuffer.h"
#include "testlib/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

class TempFolder : public ::testing::Test {
 protected:
  /// "Z:\tmp\...\relative" for a path below the folder (drive Z: is the POSIX root).
  std::u16string at(const std::string& relative) const { return m_dir.windowsPath(relative); }
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

  lumetra::testlib::TempDir m_dir;
  const std::filesystem::path& m_root = m_dir.path();
};
