// Conformance of the temporary-file calls and of ReplaceFileW on real temporary folders.
#include <windows.h>

#include <gtest/gtest.h>

#include "testlib/TempDir.h"

#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

namespace {

std::string readAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string narrow(const std::u16string& text) { return std::string(text.begin(), text.end()); }

class TempFiles : public ::testing::Test {
 protected:
  lumetra::testlib::TempDir m_temp;
  std::u16string at(const std::string& name) const { return m_temp.windowsPath(name); }
  void writeFile(const std::string& name, const std::string& content) const {
    std::ofstream(m_temp.file(name), std::ios::binary) << content;
  }
};

}  // namespace

TEST_F(TempFiles, TempPathComesFromTmpdirWithItsFinalSeparator) {
  const char* old = std::getenv("TMPDIR");
  const std::string saved = old != nullptr ? old : "";
  setenv("TMPDIR", m_temp.path().c_str(), 1);
  WCHAR buffer[MAX_PATH];
  DWORD length = GetTempPathW(MAX_PATH, buffer);
  std::u16string expected = m_temp.windowsPath("");
  if (expected.back() != u'\\') expected += u'\\';
  EXPECT_EQ(std::u16string(buffer), expected);
  EXPECT_EQ(length, expected.size());
  EXPECT_EQ(GetTempPathW(3, buffer), expected.size() + 1) << "too small: the size it needs";
  unsetenv("TMPDIR");
  GetTempPathW(MAX_PATH, buffer);
  EXPECT_EQ(std::u16string(buffer), u"Z:\\tmp\\");
  if (old != nullptr) setenv("TMPDIR", saved.c_str(), 1);
}

TEST_F(TempFiles, TempFileNamesAreCreatedExclusivelyAndNeverRepeat) {
  const std::u16string folder = m_temp.windowsPath("");
  WCHAR first[MAX_PATH];
  WCHAR second[MAX_PATH];
  UINT a = GetTempFileNameW(folder.c_str(), u"lumx", 0, first);
  UINT b = GetTempFileNameW(folder.c_str(), u"lumx", 0, second);
  ASSERT_NE(a, 0u);
  ASSERT_NE(b, 0u);
  EXPECT_NE(a, b);
  const std::string last = narrow(first).substr(narrow(first).rfind('\\') + 1);
  EXPECT_EQ(last.size(), 11u) << last;
  EXPECT_EQ(last.substr(0, 3), "lum") << "the prefix is cut to three units";
  EXPECT_EQ(last.substr(7), ".tmp");
  EXPECT_TRUE(fs::exists(m_temp.file(last)));
  EXPECT_EQ(fs::file_size(m_temp.file(last)), 0u);

  WCHAR named[MAX_PATH];
  EXPECT_EQ(GetTempFileNameW(folder.c_str(), u"ab", 0x1F, named), 0x1Fu);
  EXPECT_EQ(narrow(named).substr(narrow(named).rfind('\\') + 1), "ab001F.tmp");
  EXPECT_FALSE(fs::exists(m_temp.file("ab001F.tmp"))) << "a given number creates nothing";

  const std::u16string missing = m_temp.windowsPath("none");
  EXPECT_EQ(GetTempFileNameW(missing.c_str(), u"x", 0, named), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST_F(TempFiles, ReplaceFileKeepsPermissionsAttributesAndLinks) {
  writeFile("song.mp3", "old");
  writeFile("new.tmp", "new content");
  ASSERT_EQ(chmod(m_temp.file("song.mp3").c_str(), 0640), 0);
  const bool hasXattr = setxattr(m_temp.file("song.mp3").c_str(), "user.lumetra", "v", 1, 0) == 0;
  ASSERT_EQ(symlink("song.mp3", m_temp.file("link.mp3").c_str()), 0);

  ASSERT_TRUE(ReplaceFileW(at("link.mp3").c_str(), at("new.tmp").c_str(), nullptr, REPLACEFILE_WRITE_THROUGH, nullptr,
                           nullptr));
  EXPECT_TRUE(fs::is_symlink(m_temp.file("link.mp3"))) << "a link stays a link";
  EXPECT_EQ(readAll(m_temp.file("song.mp3")), "new content");
  EXPECT_FALSE(fs::exists(m_temp.file("new.tmp")));
  struct stat status;
  ASSERT_EQ(stat(m_temp.file("song.mp3").c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 07777, 0640u);
  if (hasXattr) {
    char value[4] = {};
    EXPECT_EQ(getxattr(m_temp.file("song.mp3").c_str(), "user.lumetra", value, sizeof value), 1);
    EXPECT_EQ(value[0], 'v');
  }

  writeFile("newer.tmp", "newer");
  ASSERT_TRUE(
      ReplaceFileW(at("song.mp3").c_str(), at("newer.tmp").c_str(), at("song.bak").c_str(), 0, nullptr, nullptr));
  EXPECT_EQ(readAll(m_temp.file("song.mp3")), "newer");
  EXPECT_EQ(readAll(m_temp.file("song.bak")), "new content") << "the backup keeps the replaced content";
}

TEST_F(TempFiles, ReplaceFileRefusalsChangeNothing) {
  writeFile("r.tmp", "replacement");
  EXPECT_FALSE(ReplaceFileW(at("missing.mp3").c_str(), at("r.tmp").c_str(), nullptr, 0, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  writeFile("ro.mp3", "kept");
  ASSERT_EQ(chmod(m_temp.file("ro.mp3").c_str(), 0444), 0);
  EXPECT_FALSE(ReplaceFileW(at("ro.mp3").c_str(), at("r.tmp").c_str(), nullptr, 0, nullptr, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(readAll(m_temp.file("ro.mp3")), "kept");
  EXPECT_TRUE(fs::exists(m_temp.file("r.tmp")));
  // /dev/shm is another file system wherever it exists.
  if (fs::is_directory("/dev/shm") && access("/dev/shm", W_OK) == 0) {
    writeFile("here.mp3", "here");
    const std::string other = "/dev/shm/lumetra-replace-" + std::to_string(getpid());
    std::ofstream(other) << "there";
    std::u16string otherName = u"Z:";
    for (char c : other) otherName += c == '/' ? u'\\' : static_cast<char16_t>(c);
    EXPECT_FALSE(ReplaceFileW(at("here.mp3").c_str(), otherName.c_str(), nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_UNABLE_TO_MOVE_REPLACEMENT));
    EXPECT_EQ(readAll(m_temp.file("here.mp3")), "here");
    EXPECT_EQ(readAll(other), "there");
    fs::remove(other);
  }
}
