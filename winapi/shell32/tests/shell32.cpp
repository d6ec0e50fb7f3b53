// Conformance of the shell's file information.
#include <shellapi.h>

#include <gtest/gtest.h>

#include "testlib/TempDir.h"

#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {
std::u16string windowsOf(const fs::path& path) {
  std::u16string out = u"Z:";
  for (char c : path.string()) out += c == '/' ? u'\\' : static_cast<char16_t>(c);
  return out;
}
}  // namespace

TEST(FileInfo, TypeNamesByExtensionOrAttributes) {
  struct Case {
    const char16_t* name;
    DWORD attributes;
    const char16_t* type;
  };
  const Case cases[] = {
      {u"song.mp3", FILE_ATTRIBUTE_NORMAL, u"MP3 File"},     {u"a.Wav", FILE_ATTRIBUTE_NORMAL, u"WAV File"},
      {u"x.tar.gz", FILE_ATTRIBUTE_NORMAL, u"GZ File"},      {u"README", FILE_ATTRIBUTE_NORMAL, u"File"},
      {u"setup.EXE", FILE_ATTRIBUTE_NORMAL, u"Application"}, {u"music", FILE_ATTRIBUTE_DIRECTORY, u"File folder"},
      {u".mp3", FILE_ATTRIBUTE_NORMAL, u"MP3 File"},
  };
  for (const Case& c : cases) {
    SHFILEINFOW info{};
    ASSERT_NE(SHGetFileInfoW(c.name, c.attributes, &info, sizeof info, SHGFI_TYPENAME | SHGFI_USEFILEATTRIBUTES), 0u);
    EXPECT_EQ(std::u16string(info.szTypeName), c.type)
        << std::string(c.name, c.name + std::char_traits<char16_t>::length(c.name));
  }
}

TEST(FileInfo, ExistingPathsAnswerFromTheFileSystem) {
  lumetra::testlib::TempDir temp;
  const fs::path root = temp.path();
  fs::create_directories(root / "folder.mp3");
  std::ofstream(root / ".song.mp3") << "x";
  SHFILEINFOW info{};
  UINT flags = SHGFI_SYSICONINDEX | SHGFI_ATTRIBUTES | SHGFI_TYPENAME | SHGFI_DISPLAYNAME;
  ASSERT_NE(SHGetFileInfoW(windowsOf(root / "folder.mp3").c_str(), 0, &info, sizeof info, flags), 0u);
  EXPECT_EQ(std::u16string(info.szTypeName), u"File folder") << "a folder, whatever its name says";
  EXPECT_TRUE(info.dwAttributes & SFGAO_FOLDER);
  EXPECT_EQ(std::u16string(info.szDisplayName), u"folder.mp3");
  ASSERT_NE(SHGetFileInfoW(windowsOf(root / ".song.mp3").c_str(), 0, &info, sizeof info, flags), 0u);
  EXPECT_EQ(std::u16string(info.szTypeName), u"MP3 File");
  EXPECT_TRUE(info.dwAttributes & SFGAO_HIDDEN);
  EXPECT_FALSE(info.dwAttributes & SFGAO_FOLDER);
  EXPECT_EQ(SHGetFileInfoW(windowsOf(root / "missing.mp3").c_str(), 0, &info, sizeof info, SHGFI_TYPENAME), 0u)
      << "without SHGFI_USEFILEATTRIBUTES the path must exist";
  EXPECT_EQ(SHGetFileInfoW(windowsOf(root / ".song.mp3").c_str(), 0, &info, sizeof info, SHGFI_ICON), 0u)
      << "icons are not made here";
}
