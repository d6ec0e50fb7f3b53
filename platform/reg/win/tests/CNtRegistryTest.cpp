// The native registry binding: the current user's root, SID texts, error texts, and binding that
// fails without binding anything.
#include "platform/reg/win/CNtRegistry.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

using s::reg::win::CNtRegistry;

namespace {

// A SID in a buffer of its own.
std::vector<uint8_t> makeSid(std::vector<uint8_t> authority, std::vector<DWORD> subAuthorities) {
  std::vector<uint8_t> sid(8 + 4 * subAuthorities.size());
  sid[0] = SID_REVISION;
  sid[1] = static_cast<uint8_t>(subAuthorities.size());
  std::memcpy(&sid[2], authority.data(), 6);
  std::memcpy(&sid[8], subAuthorities.data(), 4 * subAuthorities.size());
  return sid;
}

std::u16string sidText(std::vector<uint8_t> sid, DWORD capacity = 256) {
  WCHAR text[128] = {};
  if (!CNtRegistry::sidToText(sid.data(), text, &capacity)) {
    return u"(failed)";
  }
  return text;
}

std::u16string fromAscii(const std::string& s) { return std::u16string(s.begin(), s.end()); }

}  // namespace

TEST(CNtRegistry, LoadsOnceAndRootsTheCurrentUserAtTheSid) {
  if (!CNtRegistry::isLoaded()) {
    EXPECT_EQ(std::u16string(CNtRegistry::getRootPath(HKEY_CURRENT_USER)), u"\\Registry\\Machine")
        << "until loaded";
  }
  ASSERT_TRUE(CNtRegistry::ensureLoaded());
  EXPECT_TRUE(CNtRegistry::isLoaded());
  const std::u16string sid = u"S-1-5-21-0-0-0-" + fromAscii(std::to_string(getuid()));
  EXPECT_EQ(std::u16string(CNtRegistry::getSidText()), sid);
  EXPECT_EQ(std::u16string(CNtRegistry::getRootPath(HKEY_CURRENT_USER)),
            u"\\Registry\\User\\" + sid);
  EXPECT_EQ(std::u16string(CNtRegistry::getRootPath(HKEY_CLASSES_ROOT)),
            u"\\Registry\\Machine\\SOFTWARE\\Classes");
  EXPECT_EQ(std::u16string(CNtRegistry::getRootName(HKEY_CURRENT_CONFIG)), u"HKEY_CURRENT_CONFIG");
  EXPECT_EQ(CNtRegistry::getRootPath(reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000004))),
            nullptr);
  EXPECT_NE(CNtRegistry::functions().queryValueKey, nullptr);
}

TEST(CNtRegistry, BindingFailsWholeWhenAnEntryPointIsMissing) {
  CNtRegistry::Functions out;
  EXPECT_FALSE(CNtRegistry::bindFunctions(nullptr, out));
  // The program itself exports none of the native calls.
  EXPECT_FALSE(CNtRegistry::bindFunctions(GetModuleHandleW(nullptr), out));
  EXPECT_EQ(out.openKey, nullptr);
  EXPECT_TRUE(CNtRegistry::bindFunctions(LoadLibraryW(u"ntdll.dll"), out));
  EXPECT_NE(out.initUnicodeString, nullptr);
}

TEST(CNtRegistry, SidsBecomeTheirStandardText) {
  EXPECT_EQ(sidText(makeSid({0, 0, 0, 0, 0, 5}, {21, 1, 2, 3, 1001})), u"S-1-5-21-1-2-3-1001");
  EXPECT_EQ(sidText(makeSid({0, 0, 0, 0, 0, 1}, {0})), u"S-1-1-0");
  EXPECT_EQ(sidText(makeSid({0, 0, 1, 2, 3, 4}, {7})), u"S-1-16909060-7");  // last four bytes
  EXPECT_EQ(sidText(makeSid({0, 1, 0xAB, 0, 0, 0x0C}, {7})), u"S-1-0x0001ab00000c-7");
  EXPECT_EQ(sidText(makeSid({0, 0, 0, 0, 0, 5}, {0xFFFFFFFF})), u"S-1-5-4294967295");

  // Capacity is in bytes: 56 + 24 per sub-authority.
  std::vector<uint8_t> three = makeSid({0, 0, 0, 0, 0, 5}, {1, 2, 3});
  WCHAR text[128];
  DWORD capacity = 100;
  SetLastError(0);
  EXPECT_FALSE(CNtRegistry::sidToText(three.data(), text, &capacity));
  EXPECT_EQ(capacity, 128u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_TRUE(CNtRegistry::sidToText(three.data(), text, &capacity));

  std::vector<uint8_t> invalid = three;
  invalid[0] = 2;  // an unknown revision
  EXPECT_EQ(sidText(invalid), u"(failed)");
}

TEST(CNtRegistry, ErrorTextsCarryTheCodeAndTheSystemsTextWithoutItsLineEnd) {
  auto format = [](DWORD code) {
    s::str::strbuffer::StrBuffer* text = CNtRegistry::formatErrorText(code);
    std::u16string out(text->getCStr());
    text->release();
    return out;
  };
  EXPECT_EQ(format(0xC0000034),
            u"Error( 3221225524 [0xC0000034L] ) - The named object does not exist.");
  EXPECT_EQ(format(0x12345), u"Error( 74565 [0x   12345L] ) - No NT Error Data was returned??");
}
