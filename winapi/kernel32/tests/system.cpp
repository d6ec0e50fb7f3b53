// Conformance of the system queries: version, message texts, environment expansion and the
// interface language.
#include <windows.h>
#include <ntstatus.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

TEST(VersionQuery, GetVersionExReportsWindows7OnBothRecordSizes) {
  OSVERSIONINFOW info = {};
  info.dwOSVersionInfoSize = sizeof(info);
  ASSERT_TRUE(GetVersionExW(&info));
  EXPECT_EQ(info.dwMajorVersion, 6u);
  EXPECT_EQ(info.dwMinorVersion, 1u);
  EXPECT_EQ(info.dwBuildNumber, 7601u);
  EXPECT_EQ(info.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
  EXPECT_EQ(std::u16string(info.szCSDVersion), u"Service Pack 1");
  OSVERSIONINFOEXW extended = {};
  extended.dwOSVersionInfoSize = sizeof(extended);
  ASSERT_TRUE(GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&extended)));
  EXPECT_EQ(extended.wServicePackMajor, 1);
  EXPECT_EQ(extended.wProductType, VER_NT_WORKSTATION);
  OSVERSIONINFOW wrong = {};
  wrong.dwOSVersionInfoSize = sizeof(wrong) - 2;
  EXPECT_FALSE(GetVersionExW(&wrong));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

TEST(FormatMessage, SystemTextsEndWithALineBreakAndUnknownCodesFail) {
  const DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ALLOCATE_BUFFER;
  LPWSTR text = nullptr;
  DWORD units = FormatMessageW(flags, nullptr, static_cast<DWORD>(STATUS_OBJECT_NAME_NOT_FOUND),
                               MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPWSTR>(&text), 0, nullptr);
  ASSERT_GT(units, 2u);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(std::u16string(text).size(), units);
  EXPECT_EQ(std::u16string(text + units - 2), u"\r\n");
  EXPECT_EQ(LocalFree(text), nullptr);

  text = nullptr;
  EXPECT_EQ(FormatMessageW(flags, nullptr, 0xC0DEC0DE, 0x0400, reinterpret_cast<LPWSTR>(&text), 0, nullptr), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MR_MID_NOT_FOUND));
  EXPECT_EQ(text, nullptr);

  WCHAR small[4];
  EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_ACCESS_DENIED, 0, small, 4, nullptr), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  WCHAR room[256];
  DWORD written = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_ACCESS_DENIED, 0, room, 256, nullptr);
  EXPECT_GT(written, 0u);
  EXPECT_EQ(room[written], 0);
}

class Environment : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("LUMETRA_TEST_DIR", "/home/ann", 1);
    setenv("LUMETRA_TEST_EMPTY", "", 1);
  }
  void TearDown() override {
    unsetenv("LUMETRA_TEST_DIR");
    unsetenv("LUMETRA_TEST_EMPTY");
  }
  std::u16string expand(const char16_t* text) {
    WCHAR buffer[520];
    DWORD needed = ExpandEnvironmentStringsW(text, buffer, 520);
    EXPECT_GT(needed, 0u);
    EXPECT_EQ(std::u16string(buffer).size() + 1, needed) << "the answer counts the terminator";
    return buffer;
  }
};

TEST_F(Environment, NamesAreReplacedAndUnknownNamesStay) {
  EXPECT_EQ(expand(u"%LUMETRA_TEST_DIR%\\Music"), u"/home/ann\\Music");
  EXPECT_EQ(expand(u"%lumetra_test_dir%"), u"/home/ann") << "names are compared ignoring case";
  EXPECT_EQ(expand(u"a%LUMETRA_TEST_EMPTY%b"), u"ab");
  EXPECT_EQ(expand(u"%NO_SUCH_VARIABLE_HERE%x%LUMETRA_TEST_DIR%"), u"%NO_SUCH_VARIABLE_HERE%x/home/ann");
  EXPECT_EQ(expand(u"100% sure"), u"100% sure");
  EXPECT_EQ(expand(u"%%"), u"%%");
  EXPECT_EQ(expand(u""), u"");
}

TEST_F(Environment, ASmallBufferGetsATerminatedPrefixAndTheNeededSize) {
  WCHAR buffer[5];
  DWORD needed = ExpandEnvironmentStringsW(u"%LUMETRA_TEST_DIR%", buffer, 5);
  EXPECT_EQ(needed, 10u);
  EXPECT_EQ(std::u16string(buffer), u"/hom");
  EXPECT_EQ(ExpandEnvironmentStringsW(u"%LUMETRA_TEST_DIR%", nullptr, 0), 10u);
}

// Sets the three locale variables for one check and restores them afterwards.
class InterfaceLanguage : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : kNames) {
      const char* value = std::getenv(name);
      m_saved.emplace_back(value != nullptr, value != nullptr ? value : "");
    }
  }
  void TearDown() override {
    for (size_t i = 0; i < 3; ++i) {
      if (m_saved[i].first) {
        setenv(kNames[i], m_saved[i].second.c_str(), 1);
      } else {
        unsetenv(kNames[i]);
      }
    }
  }
  LANGID languageFor(const char* all, const char* messages, const char* lang) {
    const char* values[] = {all, messages, lang};
    for (size_t i = 0; i < 3; ++i) {
      if (values[i] != nullptr) {
        setenv(kNames[i], values[i], 1);
      } else {
        unsetenv(kNames[i]);
      }
    }
    return GetUserDefaultUILanguage();
  }
  static constexpr const char* kNames[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
  std::vector<std::pair<bool, std::string>> m_saved;
};

TEST_F(InterfaceLanguage, ComesFromTheFirstLocaleVariableSet) {
  EXPECT_EQ(languageFor(nullptr, nullptr, nullptr), 0x0409);
  EXPECT_EQ(languageFor(nullptr, nullptr, "C.UTF-8"), 0x0409);
  EXPECT_EQ(languageFor(nullptr, nullptr, "POSIX"), 0x0409);
  EXPECT_EQ(languageFor(nullptr, nullptr, "de_DE.UTF-8"), 0x0407);
  EXPECT_EQ(languageFor(nullptr, "fr_FR.UTF-8", "de_DE.UTF-8"), 0x040C);
  EXPECT_EQ(languageFor("ja_JP.UTF-8", "fr_FR.UTF-8", "de_DE.UTF-8"), 0x0411);
  EXPECT_EQ(languageFor("", "", "ru_RU.UTF-8"), 0x0419) << "an empty variable counts as unset";
  EXPECT_EQ(languageFor(nullptr, nullptr, "eo.UTF-8"), 0x0409) << "no Windows identifier: English";
}

TEST_F(InterfaceLanguage, ScriptsAndCountriesSelectTheirOwnIdentifiers) {
  struct {
    const char* locale;
    LANGID expected;
  } const cases[] = {
      {"zh_CN.UTF-8", 0x0804}, {"zh_SG", 0x1004},       {"zh_TW.UTF-8", 0x0404}, {"zh_HK", 0x0C04},
      {"pt_BR.UTF-8", 0x0416}, {"pt_PT.UTF-8", 0x0816}, {"sr_RS", 0x0C1A},       {"sr_RS@latin", 0x081A},
      {"sr_BA@latin", 0x181A}, {"sr_ME.UTF-8", 0x0C1A}, {"hr_HR.UTF-8", 0x041A}, {"nb_NO.UTF-8", 0x0414},
      {"nn_NO", 0x0814},       {"fa_IR.UTF-8", 0x0429}, {"he_IL.UTF-8", 0x040D}, {"hsb_DE", 0x042E},
      {"en_GB.UTF-8", 0x0809}, {"es_ES.UTF-8", 0x0C0A}, {"ES_es.utf8", 0x0C0A},
  };
  for (const auto& c : cases) EXPECT_EQ(languageFor(nullptr, nullptr, c.locale), c.expected) << c.locale;
}

}  // namespace
