// A registry database of its own for each test: a file in a fresh temporary folder, named by
// LUMETRA_REGISTRY for the test's duration.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

class TempRegistry : public ::testing::Test {
 protected:
  void SetUp() override {
    m_folder = std::filesystem::temp_directory_path() /
               ("lumetra-platform-registry-" + std::to_string(getpid()) + "-" +
                std::to_string(s_counter++));
    std::filesystem::create_directories(m_folder);
    setenv("LUMETRA_REGISTRY", (m_folder / "registry.sqlite3").c_str(), 1);
  }
  void TearDown() override {
    unsetenv("LUMETRA_REGISTRY");
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
  }

  std::filesystem::path m_folder;
  static inline int s_counter = 0;
};
