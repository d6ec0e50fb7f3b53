// File identity: names of one file through links and spellings, and names of different files.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/file/win/FileIdentity.h"
#include "core/file/win/tests/TempFolder.h"

namespace fs = std::filesystem;
using s::file::win::isSameFile;
using FileIdentity = s::testing::TempFolder;

TEST_F(FileIdentity, LinksAndSpellingsOfOneFileAreTheSameFile) {
  writeFile("a.wav", "RIFF");
  writeFile("sub/c.wav", "RIFF");
  fs::create_symlink(posix("a.wav"), posix("soft.wav"));
  fs::create_hard_link(posix("a.wav"), posix("hard.wav"));
  fs::create_symlink(posix("soft.wav"), posix("chain.wav"));
  EXPECT_TRUE(isSameFile(at("a.wav").c_str(), at("a.wav").c_str()));
  EXPECT_TRUE(isSameFile(at("a.wav").c_str(), at("soft.wav").c_str()));
  EXPECT_TRUE(isSameFile(at("hard.wav").c_str(), at("a.wav").c_str()));
  EXPECT_TRUE(isSameFile(at("chain.wav").c_str(), at("hard.wav").c_str()));
  EXPECT_TRUE(isSameFile(at("sub\\..\\a.wav").c_str(), at("a.wav").c_str()));

  EXPECT_FALSE(isSameFile(at("a.wav").c_str(), at("sub/c.wav").c_str()));
  EXPECT_FALSE(isSameFile(at("a.wav").c_str(), at("missing.wav").c_str()));
  EXPECT_FALSE(isSameFile(at("missing.wav").c_str(), at("missing.wav").c_str()))
      << "a file that does not exist is no file, so it is not IN";
  EXPECT_FALSE(isSameFile(at("a.wav").c_str(), u""));
  EXPECT_FALSE(isSameFile(nullptr, at("a.wav").c_str()));
  fs::remove(posix("a.wav"));
  EXPECT_FALSE(isSameFile(at("soft.wav").c_str(), at("hard.wav").c_str()))
      << "a dangling link leads to no file";
}
