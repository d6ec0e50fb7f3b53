// Conformance of the shell link (".lnk") and Internet shortcut (".url") objects: round trips,
// the bytes of the link file, and links written by hand in the format's other forms.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "testlib/TempDir.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

class Shortcuts : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }
  void TearDown() override { CoUninitialize(); }

  std::u16string at(const std::string& name) const { return m_dir.windowsPath(name); }
  void write(const std::string& name, const std::string& bytes) const {
    std::ofstream(m_dir.file(name), std::ios::binary) << bytes;
  }
  std::string read(const std::string& name) const {
    std::ifstream in(m_dir.file(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  lumetra::testlib::TempDir m_dir;
};

template <typename Interface>
struct Held {
  Interface* p = nullptr;
  ~Held() {
    if (p != nullptr) p->Release();
  }
  void** out() { return reinterpret_cast<void**>(&p); }
  Interface* operator->() const { return p; }
};

void makeLink(Held<IShellLinkW>& link) {
  ASSERT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.out()), S_OK);
}

// Loads a link file into a new shell link object.
void loadLink(const std::u16string& file, Held<IShellLinkW>& link, HRESULT expected = S_OK) {
  makeLink(link);
  Held<IPersistFile> persist;
  ASSERT_EQ(link->QueryInterface(IID_IPersistFile, persist.out()), S_OK);
  ASSERT_EQ(persist->Load(file.c_str(), STGM_READ), expected);
}

std::u16string pathOf(IShellLinkW* link) {
  WCHAR buffer[MAX_PATH];
  return SUCCEEDED(link->GetPath(buffer, MAX_PATH, nullptr, SLGP_SHORTPATH)) ? buffer : u"(failed)";
}

uint32_t u32At(const std::string& bytes, size_t at) {
  uint32_t value = 0;
  std::memcpy(&value, bytes.data() + at, 4);
  return value;
}

// Little-endian builders for links written by hand.
void put16(std::string& out, uint16_t value) { out.append(reinterpret_cast<const char*>(&value), 2); }
void put32(std::string& out, uint32_t value) { out.append(reinterpret_cast<const char*>(&value), 4); }
std::string header(uint32_t flags, uint32_t attributes) {
  std::string out;
  put32(out, 0x4C);
  out.append("\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16);
  put32(out, flags);
  put32(out, attributes);
  out.append(24, '\0');  // times
  put32(out, 0);         // size
  put32(out, 0);         // icon index
  put32(out, 1);         // SW_SHOWNORMAL
  out.append(12, '\0');  // hot key and reserved fields
  return out;
}
void putCounted(std::string& out, const std::u16string& text) {
  put16(out, static_cast<uint16_t>(text.size()));
  out.append(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}
std::string ansi(const std::u16string& text) {
  std::string out;
  for (char16_t unit : text) out += static_cast<char>(unit);
  return out;
}

}  // namespace

TEST_F(Shortcuts, LinksKeepTargetFolderAndArgumentsAndDescribeTheTargetInTheHeader) {
  write("song.mp3", std::string(1234, 'x'));
  fs::create_directory(m_dir.file("album"));
  const std::u16string target = at("song.mp3");
  {
    Held<IShellLinkW> link;
    makeLink(link);
    ASSERT_EQ(link->SetPath(target.c_str()), S_OK);
    ASSERT_EQ(link->SetWorkingDirectory(at("").c_str()), S_OK);
    ASSERT_EQ(link->SetArguments(u"--play \"quoted\""), S_OK);
    ASSERT_EQ(link->SetDescription(u"A song"), S_OK);
    Held<IPersistFile> persist;
    ASSERT_EQ(link->QueryInterface(IID_IPersistFile, persist.out()), S_OK);
    EXPECT_EQ(persist->IsDirty(), S_OK);
    ASSERT_EQ(persist->Save(at("song.lnk").c_str(), TRUE), S_OK);
    EXPECT_EQ(persist->IsDirty(), S_FALSE);
    LPWSTR current = nullptr;
    ASSERT_EQ(persist->GetCurFile(&current), S_OK);
    EXPECT_EQ(std::u16string(current), at("song.lnk"));
    CoTaskMemFree(current);
  }
  Held<IShellLinkW> link;
  loadLink(at("song.lnk"), link);
  EXPECT_EQ(link->Resolve(nullptr, SLR_NO_UI | SLR_NOUPDATE | SLR_NOSEARCH | SLR_NOTRACK), S_OK);
  EXPECT_EQ(pathOf(link.p), target);
  WCHAR text[MAX_PATH];
  ASSERT_EQ(link->GetWorkingDirectory(text, MAX_PATH), S_OK);
  EXPECT_EQ(std::u16string(text), at(""));
  ASSERT_EQ(link->GetArguments(text, MAX_PATH), S_OK);
  EXPECT_EQ(std::u16string(text), u"--play \"quoted\"");
  ASSERT_EQ(link->GetDescription(text, MAX_PATH), S_OK);
  EXPECT_EQ(std::u16string(text), u"A song");
  // A buffer too small for the path is refused, never given a cut path.
  WCHAR small[4] = {u'x', u'x', u'x', 0};
  EXPECT_TRUE(FAILED(link->GetPath(small, 4, nullptr, 0)));
  EXPECT_EQ(small[0], 0);

  const std::string bytes = read("song.lnk");
  ASSERT_GE(bytes.size(), 0x4Cu);
  EXPECT_EQ(u32At(bytes, 0), 0x4Cu);
  const uint32_t flags = u32At(bytes, 0x14);
  EXPECT_EQ(flags & 0x1u, 0u) << "no item id list";
  EXPECT_NE(flags & 0x2u, 0u) << "LinkInfo";
  EXPECT_NE(flags & 0x80u, 0u) << "Unicode strings";
  EXPECT_EQ(flags & 0x34u, 0x34u) << "name, working folder and arguments";
  EXPECT_EQ(u32At(bytes, 0x34), 1234u) << "the target's size";
  EXPECT_EQ(u32At(bytes, 0x18) & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_EQ(u32At(bytes, bytes.size() - 4), 0u) << "the terminal block ends the file";

  // A folder target carries the directory attribute.
  {
    Held<IShellLinkW> folderLink;
    makeLink(folderLink);
    ASSERT_EQ(folderLink->SetPath(at("album").c_str()), S_OK);
    Held<IPersistFile> persist;
    ASSERT_EQ(folderLink->QueryInterface(IID_IPersistFile, persist.out()), S_OK);
    ASSERT_EQ(persist->Save(at("album.lnk").c_str(), TRUE), S_OK);
  }
  EXPECT_NE(u32At(read("album.lnk"), 0x18) & FILE_ATTRIBUTE_DIRECTORY, 0u);
  Held<IShellLinkW> folderLink;
  loadLink(at("album.lnk"), folderLink);
  EXPECT_EQ(pathOf(folderLink.p), at("album"));
}

TEST_F(Shortcuts, HandWrittenLinksResolveThroughEachOfTheFormsTheFormatAllows) {
  // Item id list, LinkInfo with only the ANSI local base path (a 28-byte LinkInfo header, as
  // older writers make it), a relative path and a working folder.
  const std::u16string target = u"C:\\test\\a.txt";
  {
    std::string link = header(0x1 | 0x2 | 0x8 | 0x10 | 0x80, FILE_ATTRIBUTE_ARCHIVE);
    put16(link, 6);  // an item id list of one 4-byte item and the terminator
    put16(link, 4);
    put16(link, 0x1234);
    put16(link, 0);
    std::string info;
    const std::string base = ansi(target);
    put32(info, 0);  // size, set below
    put32(info, 0x1C);
    put32(info, 0x1);   // volume id and local base path
    put32(info, 0x1C);  // volume id
    put32(info, 0x1C + 0x11);
    put32(info, 0);
    put32(info, static_cast<uint32_t>(0x1C + 0x11 + base.size() + 1));
    put32(info, 0x11);
    put32(info, 3);
    put32(info, 0x12345678);
    put32(info, 0x10);
    info += '\0';
    info += base;
    info += '\0';
    info += '\0';
    const auto infoSize = static_cast<uint32_t>(info.size());
    std::memcpy(info.data(), &infoSize, 4);
    link += info;
    putCounted(link, u".\\a.txt");
    putCounted(link, u"C:\\test");
    put32(link, 0);
    write("info.lnk", link);
  }
  Held<IShellLinkW> fromInfo;
  loadLink(at("info.lnk"), fromInfo);
  EXPECT_EQ(pathOf(fromInfo.p), target);
  WCHAR folder[MAX_PATH];
  ASSERT_EQ(fromInfo->GetWorkingDirectory(folder, MAX_PATH), S_OK);
  EXPECT_EQ(std::u16string(folder), u"C:\\test");

  // Only a relative path: joined to the link's own folder.
  {
    std::string link = header(0x8 | 0x80, 0);
    putCounted(link, u"..\\sub\\b.txt");
    put32(link, 0);
    fs::create_directory(m_dir.file("links"));
    write("links/relative.lnk", link);
  }
  Held<IShellLinkW> relative;
  loadLink(at("links/relative.lnk"), relative);
  EXPECT_EQ(pathOf(relative.p), at("sub/b.txt"));

  // Only the environment-variable block: its Unicode target.
  {
    std::string link = header(0x200 | 0x80, 0);
    put32(link, 0x314);
    put32(link, 0xA0000001);
    std::string ansiTarget(260, '\0');
    std::u16string unicode = u"Z:\\srv\\env.txt";
    unicode.resize(260, u'\0');
    link += ansiTarget;
    link.append(reinterpret_cast<const char*>(unicode.data()), 520);
    put32(link, 0);
    write("env.lnk", link);
  }
  Held<IShellLinkW> environment;
  loadLink(at("env.lnk"), environment);
  EXPECT_EQ(pathOf(environment.p), u"Z:\\srv\\env.txt");

  // Only an item id list: there is no namespace here to name it, so it names nothing.
  {
    std::string link = header(0x1 | 0x80, 0);
    put16(link, 6);
    put16(link, 4);
    put16(link, 0x1234);
    put16(link, 0);
    put32(link, 0);
    write("idlist.lnk", link);
  }
  Held<IShellLinkW> idList;
  loadLink(at("idlist.lnk"), idList);
  WCHAR empty[MAX_PATH] = {u'x', 0};
  EXPECT_EQ(idList->GetPath(empty, MAX_PATH, nullptr, 0), S_FALSE);
  EXPECT_EQ(empty[0], 0);
}

TEST_F(Shortcuts, DamagedLinksAreRefused) {
  write("short.lnk", header(0x2, 0).substr(0, 40));
  std::string overrun = header(0x2 | 0x80, 0);
  put32(overrun, 0x1000);  // a LinkInfo larger than the file
  put32(overrun, 0x1C);
  write("overrun.lnk", overrun);
  std::string strings = header(0x20 | 0x80, 0);
  put16(strings, 500);  // arguments longer than what follows
  write("strings.lnk", strings);
  write("text.lnk", "[InternetShortcut]\r\nURL=http://a/\r\n");
  for (const char* name : {"short.lnk", "overrun.lnk", "strings.lnk", "text.lnk"}) {
    Held<IShellLinkW> link;
    makeLink(link);
    Held<IPersistFile> persist;
    ASSERT_EQ(link->QueryInterface(IID_IPersistFile, persist.out()), S_OK);
    EXPECT_TRUE(FAILED(persist->Load(at(name).c_str(), STGM_READ))) << name;
  }
  Held<IShellLinkW> missing;
  loadLink(at("missing.lnk"), missing, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
}

TEST_F(Shortcuts, InternetShortcutsAreIniTextWithTheirAddressInUtf8) {
  const std::u16string url = u"https://example.test/caf\u00e9?q=1";
  {
    Held<IUniformResourceLocatorW> shortcut;
    ASSERT_EQ(CoCreateInstance(CLSID_InternetShortcut, nullptr, CLSCTX_INPROC_SERVER, IID_IUniformResourceLocatorW,
                               shortcut.out()),
              S_OK);
    Held<IShellLinkW> link;
    ASSERT_EQ(shortcut->QueryInterface(IID_IShellLinkW, link.out()), S_OK);
    Held<IPersistFile> persist;
    ASSERT_EQ(shortcut->QueryInterface(IID_IPersistFile, persist.out()), S_OK);
    ASSERT_EQ(link->SetPath(url.c_str()), S_OK);
    ASSERT_EQ(persist->Save(at("site.url").c_str(), TRUE), S_OK);
    EXPECT_EQ(shortcut->SetURL(u"http://a/\r\nURL=http://b/", 0), E_INVALIDARG) << "one line only";
  }
  EXPECT_EQ(read("site.url"), "[InternetShortcut]\r\nURL=https://example.test/caf\xC3\xA9?q=1\r\n");

  // Other sections and keys, names in other cases, spaces around the value.
  write("other.url", "[Default]\nURL=http://wrong/\n[internetshortcut]\nIconIndex=0\n url = http://right/ \n");
  for (const auto& [name, expected] :
       {std::pair{"site.url", url}, std::pair{"other.url", std::u16string(u"http://right/")}}) {
    Held<IUniformResourceLocatorW> shortcut;
    ASSERT_EQ(CoCreateInstance(CLSID_InternetShortcut, nullptr, CLSCTX_INPROC_SERVER, IID_IUniformResourceLocatorW,
                               shortcut.out()),
              S_OK);
    Held<IPersistFile> persist;
    ASSERT_EQ(shortcut->QueryInterface(IID_IPersistFile, persist.out()), S_OK);
    ASSERT_EQ(persist->Load(at(name).c_str(), STGM_READ), S_OK) << name;
    LPWSTR got = nullptr;
    ASSERT_EQ(shortcut->GetURL(&got), S_OK);
    EXPECT_EQ(std::u16string(got), expected);
    CoTaskMemFree(got);
  }
  write("none.url", "[InternetShortcut]\nIconIndex=0\n");
  Held<IUniformResourceLocatorW> shortcut;
  ASSERT_EQ(CoCreateInstance(CLSID_InternetShortcut, nullptr, CLSCTX_INPROC_SERVER, IID_IUniformResourceLocatorW,
                             shortcut.out()),
            S_OK);
  Held<IPersistFile> persist;
  ASSERT_EQ(shortcut->QueryInterface(IID_IPersistFile, persist.out()), S_OK);
  EXPECT_TRUE(FAILED(persist->Load(at("none.url").c_str(), STGM_READ)));
}
