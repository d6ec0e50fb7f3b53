// The text/uri-list of XDND drops read into Windows paths, without an X server: line endings,
// comments, escapes, names that are not UTF-8, files of other machines, and the names no file
// here can have.
#include <windows.h>

#include <gtest/gtest.h>

#include "winapi/drivers/x11/urilist.h"

#include <unistd.h>

#include <climits>
#include <string>
#include <vector>

namespace {

using winapi::x11::parseUriList;

using Paths = std::vector<std::u16string>;

TEST(UriList, FileUrisBecomeDriveZPathsAcrossLineEndingsAndComments) {
  EXPECT_EQ(parseUriList("file:///tmp/a.mp3\r\n# a comment\r\nfile:///home/ann/b%20c.wav\r\n"),
            (Paths{u"Z:\\tmp\\a.mp3", u"Z:\\home\\ann\\b c.wav"}));
  EXPECT_EQ(parseUriList("file:///tmp/last-line-without-end"), (Paths{u"Z:\\tmp\\last-line-without-end"}));
  EXPECT_EQ(parseUriList("\n\r\n#file:///tmp/commented\nhttp://example.invalid/x\nfile:relative\n"), Paths{});
  // The scheme is case-insensitive, and "file:/path" has no host part at all.
  EXPECT_EQ(parseUriList("FILE:///tmp/x\nfile:/tmp/y\n"), (Paths{u"Z:\\tmp\\x", u"Z:\\tmp\\y"}));
}

TEST(UriList, EscapesDecodeToUtf8AndBytesThatAreNotUtf8KeepTheirEscapes) {
  EXPECT_EQ(parseUriList("file:///tmp/%C3%A9t%C3%A9.mp3"), (Paths{u"Z:\\tmp\\\u00e9t\u00e9.mp3"}));
  // 0xFF is no UTF-8: it travels as the lone surrogate U+DCFF, which file calls turn back into it.
  EXPECT_EQ(parseUriList("file:///tmp/%FFraw"), (Paths{u"Z:\\tmp\\\xDCFFraw"}));
  // What is not an escape stays as it stands.
  EXPECT_EQ(parseUriList("file:///tmp/100%\nfile:///tmp/a%zz%4"), (Paths{u"Z:\\tmp\\100%", u"Z:\\tmp\\a%zz%4"}));
}

TEST(UriList, EveryFileUriArrivesAndNoneNamesAnotherFile) {
  char host[HOST_NAME_MAX + 1] = {};
  ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
  const std::string self = host;
  EXPECT_EQ(parseUriList("file://localhost/tmp/a\nfile://" + self + "/tmp/b\n"), (Paths{u"Z:\\tmp\\a", u"Z:\\tmp\\b"}));
  // A file of another machine is the path of its share there, which no file call here opens.
  EXPECT_EQ(parseUriList("file://elsewhere.invalid/share/My%20Songs/a.wav\nfile://host-without-path\n"),
            (Paths{u"\\\\elsewhere.invalid\\share\\My Songs\\a.wav"}));
  // "?" and "." are no machines: as hosts they would make the long and the device forms of paths.
  EXPECT_EQ(parseUriList("file://?/Z:/tmp/a\nfile://./Z:/tmp/a\n"), Paths{});
  // A "\" is part of a name here: it travels as the escape of its byte, which file calls turn back
  // into it, never as the separator that would name the file "b" in a folder "a".
  const std::u16string backslash(1, char16_t(0xDC00 + '\\'));
  EXPECT_EQ(parseUriList("file:///tmp/a\\b\nfile:///tmp/a%5Cb.wav\n"),
            (Paths{u"Z:\\tmp\\a" + backslash + u"b", u"Z:\\tmp\\a" + backslash + u"b.wav"}));
  // A NUL would cut the path short and an escaped "/" would split a name: each stays as the escape
  // of its byte, which names no file (file calls refuse it), so the entry still arrives.
  const std::u16string nul(1, char16_t(0xDC00));
  const std::u16string slash(1, char16_t(0xDC00 + '/'));
  EXPECT_EQ(parseUriList("file:///tmp/a%00b\nfile:///tmp/a%2Fb\nfile://elsewhere.invalid/s/a%2fb\nfile://a%00b/s/c\n"),
            (Paths{u"Z:\\tmp\\a" + nul + u"b", u"Z:\\tmp\\a" + slash + u"b",
                   u"\\\\elsewhere.invalid\\s\\a" + slash + u"b", u"\\\\a" + nul + u"b\\s\\c"}));
  const char withNul[] = "file:///tmp/a\0b\nfile:///tmp/ok";
  EXPECT_EQ(parseUriList(std::string(withNul, sizeof withNul - 1)),
            (Paths{u"Z:\\tmp\\a" + nul + u"b", u"Z:\\tmp\\ok"}));
}

TEST(DraggedLinks, TheFirstUriTellsALinkFromFiles) {
  using winapi::x11::firstUri;
  using winapi::x11::isFileUri;
  EXPECT_EQ(firstUri("# comment\r\n\r\nhttp://a.example/x\r\nfile:///tmp/b\r\n"), "http://a.example/x");
  EXPECT_EQ(firstUri("#only a comment\n"), "");
  EXPECT_EQ(firstUri("https://last-line-without-end"), "https://last-line-without-end");
  EXPECT_TRUE(isFileUri("FILE:///tmp/a"));
  EXPECT_FALSE(isFileUri("http://file:/x"));
  EXPECT_FALSE(isFileUri("fil"));
}

TEST(DraggedLinks, TheAddressIsTheFirstLineInEitherEncoding) {
  using winapi::x11::linkFromUtf16;
  using winapi::x11::linkFromUtf8;
  auto bytes = [](const std::u16string& text, bool bigEndian, bool mark) {
    std::string out;
    std::u16string all = mark ? u"\uFEFF" + text : text;
    for (char16_t c : all) {
      char lo = static_cast<char>(c & 0xFF), hi = static_cast<char>(c >> 8);
      out += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
    }
    return out;
  };
  EXPECT_EQ(linkFromUtf16(bytes(u"http://a/\u00e4\nTitle", false, false)), u"http://a/\u00e4");
  EXPECT_EQ(linkFromUtf16(bytes(u"http://b/\r\nTitle", true, true)), u"http://b/") << "a mark for the other order";
  EXPECT_EQ(linkFromUtf16(bytes(u"http://c/", false, true) + std::string("\0\0junk", 6)), u"http://c/")
      << "a NUL ends the address";
  EXPECT_EQ(linkFromUtf16(std::string("h\0t", 3)), u"h") << "an odd byte at the end is no unit";
  EXPECT_EQ(linkFromUtf8("https://d.example/\xc3\xa4\nD"), u"https://d.example/\u00e4");
  EXPECT_EQ(linkFromUtf8(""), u"");
}

}  // namespace
