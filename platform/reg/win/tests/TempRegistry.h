// A registry database of its own for each test: a file in a fresh temporary folder, named by
// LUMETRA_REGISTRY for the test's duration.
#pragma once

#include "testlib/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>

class TempRegistry : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("LUMETRA_REGISTRY", (m_dir.path() / "registry.sqlite3").c_str(), 1);
  }
  void TearDown() override { unsetenv("LUMETRA_REGISTRY"); }

  lumetra::testlib::TempDir m_dir;
};
