// The text dumps of string blocks, accelerator tables, menus, version blocks and dialog
// templates, on blocks built in the published layouts: whole texts compared line for line, the
// style and key names, and every truncation of each block giving a prefix of its text.
#include "platform/archive/dll/win/TextDumps.h"

#include "core/col/array/ArrayU08.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "platform/archive/dll/win/tests/TemplateBuilder.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using lumetra::dump_test::Builder;
using lumetra::dump_test::stringBlock;
using lumetra::dump_test::VersionNode;
using s::str::strbuffer::StrBuffer;
using Dump = void (*)(const uint8_t*, uint32_t, StrBuffer*);

// The dump of `block` as UTF-8, read from a copy of exactly its size, so a read past it shows
// in the sanitizer build.
std::string dumped(Dump dump, const std::vector<uint8_t>& block, size_t size = SIZE_MAX) {
  size = std::min(size, block.size());
  std::unique_ptr<uint8_t[]> copy(new uint8_t[size == 0 ? 1 : size]);
  if (size > 0) std::memcpy(copy.get(), block.data(), size);
  StrBuffer* text = StrBuffer::take();
  dump(copy.get(), static_cast<uint32_t>(size), text);
  auto* utf8 = text->encodeUtf8();
  std::string out(reinterpret_cast<const char*>(utf8->getItems()), utf8->getCount());
  utf8->release();
  text->release();
  return out;
}

// Every truncation of the block dumps to a prefix of the whole block's text.
void expectPrefixes(Dump dump, const std::vector<uint8_t>& block) {
  const std::string whole = dumped(dump, block);
  for (size_t size = 0; size < block.size(); ++size) {
    const std::string part = dumped(dump, block, size);
    ASSERT_EQ(whole.compare(0, part.size(), part), 0) << "cut at " << size << ":\n" << part;
  }
}

std::vector<uint8_t> accelerators() {
  Builder b;
  b.u16(0x19).u16(0x41).u16(100).u16(0);    // Alt + Ctrl + A, a virtual key
  b.u16(0x18).u16(0x61).u16(101).u16(0);    // Alt + Ctrl + a, a character
  b.u16(0x05).u16(0x74).u16(102).u16(0);    // Shift + F5
  b.u16(0x01).u16(0x6A).u16(103).u16(0);    // the keypad's multiply key
  b.u16(0x81).u16(0x07).u16(65535).u16(0);  // an unnamed key, the last record
  return b.bytes;
}

TEST(TextDumps, StringBlocksQuoteEachStringOnItsLine) {
  std::string thirteen;
  for (int i = 0; i < 13; ++i) thirteen += "\r\n";
  EXPECT_EQ(dumped(&s::archive::dll::win::dumpStrings, stringBlock({u"", u"", u"Third \u00e9"})),
            "\r\n\r\n\"Third \xc3\xa9\"\r\n" + thirteen);
  EXPECT_EQ(dumped(&s::archive::dll::win::dumpStrings, {}), "");
  expectPrefixes(&s::archive::dll::win::dumpStrings, stringBlock({u"one", u"", u"three"}));
}

TEST(TextDumps, AcceleratorsNameTheirModifiersAndKeys) {
  EXPECT_EQ(dumped(&s::archive::dll::win::dumpAccelerators, accelerators()),
            "Key: Alt + Ctrl + A key\r\nAction ID: 100\r\n\r\n"
            "Key: Alt + Ctrl + a key\r\nAction ID: 101\r\n\r\n"
            "Key: Shift + F5 key\r\nAction ID: 102\r\n\r\n"
            "Key: Multiply key\r\nAction ID: 103\r\n\r\n"
            "Key: Unknown key\r\nAction ID: 65535\r\n\r\n");
  // The named ranges and a few of the names.
  auto one = [](uint16_t key) {
    Builder b;
    b.u16(0x01).u16(key).u16(1).u16(0);
    std::string text = dumped(&s::archive::dll::win::dumpAccelerators, b.bytes);
    return text.substr(5, text.find("\r\n") - 5);
  };
  EXPECT_EQ(one(0x30), "0 key");
  EXPECT_EQ(one(0x5A), "Z key");
  EXPECT_EQ(one(0x69), "Numeric keypad 9 key");
  EXPECT_EQ(one(0x87), "F24 key");
  EXPECT_EQ(one(0x0D), "ENTER key");
  EXPECT_EQ(one(0x20), "SPACEBAR");
  EXPECT_EQ(one(0xDC).substr(0, 9), "VK_OEM_5 ");
  EXPECT_EQ(one(0xFE), "Clear key");
  EXPECT_EQ(one(0xFF), "Unknown key");
  expectPrefixes(&s::archive::dll::win::dumpAccelerators, accelerators());
}

std::vector<uint8_t> menu() {
  Builder b;
  b.u16(0).u16(0);
  b.u16(0x10).text(u"&File");              // pop-up
  b.u16(0x00).u16(40001).text(u"&Open");   //
  b.u16(0x01).u16(40002).text(u"Recent");  // grayed: keeps its id
  b.u16(0x00).u16(0).text(u"");            // separator
  b.u16(0x10).text(u"More");               // nested pop-up
  b.u16(0x80).u16(40003).text(u"Deep");    // last of "More"
  b.u16(0x80).u16(40004).text(u"E&xit");   // last of "File"
  b.u16(0x90).text(u"Help");               // last pop-up of the bar
  b.u16(0x80).u16(40005).text(u"About");
  return b.bytes;
}

TEST(TextDumps, MenusIndentPopupsAndKeepGrayedItemsIds) {
  EXPECT_EQ(dumped(&s::archive::dll::win::dumpMenu, menu()),
            "&File\r\n"
            "\t&Open\r\n\t(ID: 40001)\r\n"
            "\tRecent\r\n\t(ID: 40002)\r\n"
            "\t---------------\r\n"
            "\tMore\r\n"
            "\t\tDeep\r\n\t\t(ID: 40003)\r\n"
            "\tE&xit\r\n\t(ID: 40004)\r\n"
            "Help\r\n"
            "\tAbout\r\n\t(ID: 40005)\r\n");
  // An extended template (header version 1) is not dumped.
  std::vector<uint8_t> extended = menu();
  extended[0] = 1;
  EXPECT_EQ(dumped(&s::archive::dll::win::dumpMenu, extended), "");
  expectPrefixes(&s::archive::dll::win::dumpMenu, menu());
}

std::vector<uint8_t> version() {
  std::vector<uint8_t> fixed = {0xBD, 0x04, 0xEF, 0xFE, 0, 0, 1, 0};
  fixed.resize(52, 0);
  VersionNode root{u"VS_VERSION_INFO", 0, fixed, u"", {}};
  VersionNode var{
      u"VarFileInfo", 1, {}, u"", {VersionNode{u"Translation", 0, {9, 4, 0xB0, 4}, u"", {}}}};
  VersionNode table{u"040904b0", 1, {}, u"", {}};
  table.children.push_back(VersionNode{u"CompanyName", 1, {}, u"Lumetra", {}});
  table.children.push_back(VersionNode{u"Binary", 0, {1, 2, 3, 4}, u"", {}});
  table.children.push_back(VersionNode{u"FileVersion", 1, {}, u"1.0.2", {}});
  table.children.push_back(VersionNode{u"Comments", 1, {}, u"", {}});
  VersionNode strings{u"StringFileInfo", 1, {}, u"", {table}};
  root.children = {var, strings};
  return root.build();
}

TEST(TextDumps, VersionBlocksListTheTextStringsWhereverStringFileInfoStands) {
  EXPECT_EQ(dumped(&s::archive::dll::win::dumpVersion, version()),
            "CompanyName: Lumetra\r\nFileVersion: 1.0.2\r\nComments: \r\n");
  // Without the fixed information's signature nothing is written.
  std::vector<uint8_t> unsigned_ = version();
  for (size_t i = 0; i + 3 < unsigned_.size(); ++i) {
    if (unsigned_[i] == 0xBD && unsigned_[i + 1] == 0x04) unsigned_[i] = 0;
  }
  EXPECT_EQ(dumped(&s::archive::dll::win::dumpVersion, unsigned_), "");
  expectPrefixes(&s::archive::dll::win::dumpVersion, version());
}

// A dialog with a menu, a class, a title and a font, and one control of each predefined class.
std::vector<uint8_t> dialog(bool extended) {
  const uint32_t style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT | DS_MODALFRAME;
  const uint32_t exStyle = WS_EX_TOOLWINDOW;
  Builder b;
  if (extended) {
    b.u16(1).u16(0xFFFF).u32(77).u32(exStyle).u32(style).u16(6);
  } else {
    b.u32(style).u32(exStyle).u16(6);
  }
  b.u16(10).u16(static_cast<uint16_t>(-4)).u16(200).u16(120);
  b.ordinal(300);            // menu
  b.text(u"MyDialogClass");  // class
  b.text(u"Settings");       // title
  b.u16(8);
  if (extended) b.u16(700).u8(1).u8(204);
  b.text(u"MS Shell Dlg 2");
  struct Control {
    uint16_t atom;
    bool ordinalTitle;
    std::u16string title;
    uint32_t style;
    uint16_t extra;
  };
  const Control controls[] = {
      {0x80, false, u"OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0},
      {0x81, false, u"", WS_CHILD | WS_BORDER, 4},
      {0x82, true, u"", WS_CHILD | 0x03, 0},
      {0x83, false, u"List", WS_CHILD | WS_VSCROLL, 0},
      {0x84, false, u"", WS_CHILD | WS_DISABLED, 0},
      {0x85, false, u"Combo", WS_CHILD | WS_GROUP, 2},
  };
  uint16_t id = 1;
  for (const Control& c : controls) {
    b.align4();
    if (extended) {
      b.u32(500 + id)
          .u32(WS_EX_CLIENTEDGE)
          .u32(c.style)
          .u16(id)
          .u16(2 * id)
          .u16(50)
          .u16(14)
          .u32(id);
    } else {
      b.u32(c.style).u32(WS_EX_CLIENTEDGE).u16(id).u16(2 * id).u16(50).u16(14).u16(id);
    }
    b.ordinal(c.atom);
    if (c.ordinalTitle) {
      b.ordinal(130);
    } else {
      b.text(c.title);
    }
    // Creation data: the extended form counts the bytes after its size word, the standard one
    // its size word too.
    if (c.extra == 0) {
      b.u16(0);
    } else {
      b.u16(extended ? c.extra : c.extra + 2u);
      for (uint16_t k = 0; k < c.extra; ++k) b.u8(0xEE);
    }
    ++id;
  }
  return b.bytes;
}

std::string styleLines(std::initializer_list<const char*> names) {
  std::string out;
  for (const char* n : names) out += std::string(n) + "\r\n";
  return out;
}

TEST(TextDumps, DialogsOfBothFormsWithEveryPredefinedClass) {
  const std::string dialogStyles =
      styleLines({"WS_BORDER", "WS_CAPTION", "WS_DLGFRAME", "WS_OVERLAPPED", "WS_POPUP",
                  "WS_SYSMENU", "WS_TILED", "DS_MODALFRAME", "DS_SETFONT"});
  const std::string toolEx =
      styleLines({"WS_EX_LEFT", "WS_EX_LTRREADING", "WS_EX_RIGHTSCROLLBAR", "WS_EX_TOOLWINDOW"});
  const std::string clientEx =
      styleLines({"WS_EX_CLIENTEDGE", "WS_EX_LEFT", "WS_EX_LTRREADING", "WS_EX_RIGHTSCROLLBAR"});
  for (bool extended : {false, true}) {
    std::string expected =
        "[Dialog]\r\nMenu Resource ID: 300\r\nClass ID: MyDialogClass\r\nTitle: Settings\r\n";
    if (extended) expected += "Help ID: 77\r\n";
    expected += "Font Name: MS Shell Dlg 2\r\nFont Size: 8 point\r\n";
    if (extended)
      expected += "Font Weight: 700\r\nFont Italic: true\r\nFont Character Set: 204\r\n";
    expected +=
        "\r\nX: 10 (dialog unit)\r\nY: -4 (dialog unit)\r\nWidth: 200 (dialog unit)\r\nHeight: 120 "
        "(dialog unit)\r\n";
    expected += "\r\nStyles:\r\n" + dialogStyles + "\r\nExtended Styles:\r\n" + toolEx;
    const char* classes[] = {"Button", "Edit", "Static", "List box", "Scroll bar", "Combo box"};
    // An empty title is stored as "none".
    const char* texts[] = {"Text: OK\r\n",   "", "Resource ID: 130\r\n",
                           "Text: List\r\n", "", "Text: Combo\r\n"};
    const std::string styles[] = {
        styleLines({"WS_CHILD", "WS_CHILDWINDOW", "WS_MAXIMIZEBOX", "WS_OVERLAPPED", "WS_TABSTOP",
                    "WS_TILED", "WS_VISIBLE"}),
        styleLines({"WS_BORDER", "WS_CHILD", "WS_CHILDWINDOW", "WS_OVERLAPPED", "WS_TILED"}),
        styleLines({"WS_CHILD", "WS_CHILDWINDOW", "WS_OVERLAPPED", "WS_TILED", "DS_ABSALIGN",
                    "DS_SYSMODAL"}),
        styleLines({"WS_CHILD", "WS_CHILDWINDOW", "WS_OVERLAPPED", "WS_TILED", "WS_VSCROLL"}),
        styleLines({"WS_CHILD", "WS_CHILDWINDOW", "WS_DISABLED", "WS_OVERLAPPED", "WS_TILED"}),
        styleLines({"WS_CHILD", "WS_CHILDWINDOW", "WS_GROUP", "WS_MINIMIZEBOX", "WS_OVERLAPPED",
                    "WS_TILED"}),
    };
    for (int i = 0; i < 6; ++i) {
      const std::string n = std::to_string(i + 1);
      expected += "\r\n\r\n[Component " + n + "]\r\nClass ID: " + classes[i] + "\r\n" + texts[i] +
                  "Control ID: " + n + "\r\n";
      if (extended) expected += "Help ID: " + std::to_string(501 + i) + "\r\n";
      expected += "\r\nX: " + n + " (dialog unit)\r\nY: " + std::to_string(2 * (i + 1)) +
                  " (dialog unit)\r\nWidth: 50 (dialog unit)\r\nHeight: 14 (dialog unit)\r\n";
      expected += "\r\nStyles:\r\n" + styles[i] + "\r\nExtended Styles:\r\n" + clientEx;
    }
    EXPECT_EQ(dumped(&s::archive::dll::win::dumpDialog, dialog(extended)), expected)
        << (extended ? "extended" : "standard");
    expectPrefixes(&s::archive::dll::win::dumpDialog, dialog(extended));
  }
}

TEST(TextDumps, DialogWithoutNamesOrFontAndTheStyleNamesOfAPopup) {
  Builder b;
  b.u32(WS_POPUP | WS_CAPTION | WS_SYSMENU).u32(0).u16(0).u16(0).u16(0).u16(10).u16(10);
  b.u16(0).u16(0).text(u"");
  EXPECT_EQ(dumped(&s::archive::dll::win::dumpDialog, b.bytes),
            "[Dialog]\r\nTitle: (None)\r\n"
            "\r\nX: 0 (dialog unit)\r\nY: 0 (dialog unit)\r\nWidth: 10 (dialog unit)\r\nHeight: 10 "
            "(dialog unit)\r\n"
            "\r\nStyles:\r\nWS_BORDER\r\nWS_CAPTION\r\nWS_DLGFRAME\r\nWS_OVERLAPPED\r\nWS_"
            "POPUP\r\nWS_SYSMENU\r\n"
            "WS_TILED\r\n\r\nExtended "
            "Styles:\r\nWS_EX_LEFT\r\nWS_EX_LTRREADING\r\nWS_EX_RIGHTSCROLLBAR\r\n");
  // Too short for either form's header: nothing.
  EXPECT_EQ(dumped(&s::archive::dll::win::dumpDialog, std::vector<uint8_t>(17, 0)), "");
  std::vector<uint8_t> ex(25, 0);
  ex[0] = 1;
  ex[2] = ex[3] = 0xFF;
  EXPECT_EQ(dumped(&s::archive::dll::win::dumpDialog, ex), "");
}

}  // namespace
