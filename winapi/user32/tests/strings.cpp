// Conformance of LoadStringW over string-table blocks written into a module file.
#include <windows.h>

#include <gtest/gtest.h>

#include "testlib/TempDir.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::u16string windowsPath(const fs::path& path) {
  std::u16string out = u"Z:";
  for (char c : path.string()) out.push_back(c == '/' ? u'\\' : static_cast<char16_t>(static_cast<unsigned char>(c)));
  return out;
}

// One block of sixteen strings, the missing ones of length 0.
std::vector<BYTE> block(const std::map<int, std::u16string>& strings) {
  std::vector<BYTE> out;
  for (int i = 0; i < 16; ++i) {
    auto found = strings.find(i);
    std::u16string text = found != strings.end() ? found->second : u"";
    out.push_back(static_cast<BYTE>(text.size() & 0xFF));
    out.push_back(static_cast<BYTE>(text.size() >> 8));
    for (char16_t c : text) {
      out.push_back(static_cast<BYTE>(c & 0xFF));
      out.push_back(static_cast<BYTE>(c >> 8));
    }
  }
  return out;
}

class StringTable : public ::testing::Test {
 protected:
  void SetUp() override {
    const fs::path file = m_temp.path() / "strings";
    std::ofstream(file, std::ios::binary) << "program";
    HANDLE update = BeginUpdateResourceW(windowsPath(file).c_str(), FALSE);
    ASSERT_NE(update, nullptr);
    std::vector<BYTE> first = block({{1, u"Open"}, {5, u"Gr\u00FC\u00DFe \u4E16\u754C"}});
    std::vector<BYTE> last = block({{15, u"last"}});
    // A block whose first length runs past its end.
    std::vector<BYTE> damaged = {0x40, 0x00, 'a', 0x00};
    ASSERT_TRUE(
        UpdateResourceW(update, RT_STRING, MAKEINTRESOURCEW(1), 0, first.data(), static_cast<DWORD>(first.size())));
    ASSERT_TRUE(
        UpdateResourceW(update, RT_STRING, MAKEINTRESOURCEW(4096), 0, last.data(), static_cast<DWORD>(last.size())));
    ASSERT_TRUE(
        UpdateResourceW(update, RT_STRING, MAKEINTRESOURCEW(3), 0, damaged.data(), static_cast<DWORD>(damaged.size())));
    ASSERT_TRUE(EndUpdateResourceW(update, FALSE));
    m_module = LoadLibraryExW(windowsPath(file).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(m_module, nullptr);
  }
  void TearDown() override {
    if (m_module != nullptr) FreeLibrary(m_module);
  }

  lumetra::testlib::TempDir m_temp;
  HMODULE m_module = nullptr;
};

TEST_F(StringTable, StringsAreCopiedWithTheirNulAndCutToTheBuffer) {
  WCHAR buffer[32];
  EXPECT_EQ(LoadStringW(m_module, 1, buffer, 32), 4);
  EXPECT_EQ(std::u16string(buffer), u"Open");
  EXPECT_EQ(LoadStringW(m_module, 5, buffer, 32), 8);
  EXPECT_EQ(std::u16string(buffer), u"Gr\u00FC\u00DFe \u4E16\u754C");
  EXPECT_EQ(LoadStringW(m_module, 65535, buffer, 32), 4) << "the last id of the last block";
  EXPECT_EQ(std::u16string(buffer), u"last");

  EXPECT_EQ(LoadStringW(m_module, 1, buffer, 3), 2) << "room for two units and the NUL";
  EXPECT_EQ(std::u16string(buffer), u"Op");
  EXPECT_EQ(LoadStringW(m_module, 1, buffer, 1), 0);
  EXPECT_EQ(buffer[0], 0);
}

TEST_F(StringTable, ABufferOfZeroUnitsReceivesAPointerToTheText) {
  const WCHAR* text = nullptr;
  EXPECT_EQ(LoadStringW(m_module, 1, reinterpret_cast<LPWSTR>(&text), 0), 4);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(std::u16string(text, 4), u"Open");
}

TEST_F(StringTable, MissingOrDamagedStringsAnswerZeroAndAnEmptyBuffer) {
  WCHAR buffer[8] = u"junk";
  EXPECT_EQ(LoadStringW(m_module, 2, buffer, 8), 0) << "an empty slot of a present block";
  EXPECT_EQ(buffer[0], 0);
  buffer[0] = u'x';
  EXPECT_EQ(LoadStringW(m_module, 20, buffer, 8), 0) << "no block for ids 16 to 31";
  EXPECT_EQ(buffer[0], 0);
  buffer[0] = u'x';
  EXPECT_EQ(LoadStringW(m_module, 32, buffer, 8), 0) << "a length past the block's end";
  EXPECT_EQ(buffer[0], 0);
  EXPECT_EQ(LoadStringW(m_module, 1, nullptr, 8), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

}  // namespace
