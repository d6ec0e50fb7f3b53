// The module-resource archive on real program files: this test's own, whose resources the build
// appended, and copies of it that the tests rewrite.
#include "platform/archive/dll/win/Archive.h"

#include "core/col/array/ArrayU08.h"
#include "core/file/win/PathWin.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "platform/archive/CallBack.h"
#include "platform/archive/dll/ResourceType.h"
#include "platform/archive/dll/win/TextDumps.h"
#include "platform/archive/dll/win/tests/TemplateBuilder.h"
#include "platform/lang/Localizer.h"
#include "platform/system/win/OsVersion.h"
#include "testlib/TempDir.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using s::archive::dll::win::Archive;
using s::archive::dll::win::Entry;
using s::col::_array::ArrayU08;
using s::file::win::PathWin;
namespace dll = s::archive::dll;
using Bytes = std::vector<uint8_t>;

namespace {

Bytes readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

Bytes dataFile(const std::string& name) {
  return readFile(std::filesystem::path(LUMETRA_ARCHIVE_TEST_DATA) / name);
}

std::u16string ownProgram() {
  char16_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return std::u16string(path, n);
}

bool openOn(Archive* archive, const std::u16string& pathText) {
  PathWin* path = PathWin::newFromText(pathText.c_str());
  const bool ok = archive->open(path);
  path->release();
  return ok;
}

// An archive taken from its pool and given back at the end of the scope.
struct Opened {
  explicit Opened(const std::u16string& path) : archive(Archive::take()) {
    ok = openOn(archive, path);
  }
  ~Opened() { archive->release(); }
  Archive* operator->() const { return archive; }
  Archive* archive;
  bool ok = false;
};

// Collects what a writer puts into a byte array.
template <typename Write>
Bytes written(Write write) {
  ArrayU08* out = ArrayU08::take();
  Bytes bytes;
  if (write(out)) bytes.assign(out->getItems(), out->getItems() + out->getCount());
  out->release();
  return bytes;
}

Bytes entryBytes(Archive* archive, int32_t index) {
  return written(
      [&](ArrayU08* out) { return archive->extractEntry(archive->getEntry(index), out); });
}

int32_t indexOf(Archive* archive, int32_t type, uint32_t id) {
  int32_t index = -1;
  archive->findByTypeAndId(type, id, &index);
  return index;
}

// Sets LC_ALL for the scope, which decides the user's interface language.
class ScopedLocale {
 public:
  explicit ScopedLocale(const char* locale) {
    const char* saved = std::getenv("LC_ALL");
    m_had = saved != nullptr;
    if (m_had) m_previous = saved;
    setenv("LC_ALL", locale, 1);
  }
  ~ScopedLocale() {
    if (m_had) {
      setenv("LC_ALL", m_previous.c_str(), 1);
    } else {
      unsetenv("LC_ALL");
    }
  }

 private:
  bool m_had = false;
  std::string m_previous;
};

// The icon images the packer made of app.ico, in its order.
Bytes iconImage(const Bytes& ico, int i) {
  const uint32_t size = ico[6 + 16 * i + 8] | ico[6 + 16 * i + 9] << 8 | ico[6 + 16 * i + 10] << 16;
  const uint32_t offset = ico[6 + 16 * i + 12] | ico[6 + 16 * i + 13] << 8;
  return Bytes(ico.begin() + offset, ico.begin() + offset + size);
}

}  // namespace

TEST(ModuleArchive, FindsEveryResourceOfItsOwnProgramFile) {
  Opened archive(ownProgram());
  ASSERT_TRUE(archive.ok) << GetLastError();
  // IDR_XML, IDR_JPG, the icon group, its three images, the bitmap, the notes in two languages
  // as one entry, and the resource of type 240.
  EXPECT_EQ(archive->getEntryCount(), 9);
  EXPECT_EQ(archive->getCount(), 9);
  EXPECT_EQ(archive->getFileSize(),
            static_cast<int64_t>(std::filesystem::file_size("/proc/self/exe")));

  int32_t index = -1;
  ASSERT_TRUE(archive->findByTypeNameAndId(u"IDR_XML", 130, &index));
  EXPECT_EQ(entryBytes(archive.archive, index), dataFile("pack.xml"));
  EXPECT_EQ(archive->getEntry(index)->getSize(), dataFile("pack.xml").size());
  ASSERT_TRUE(archive->findByTypeNameAndId(u"IDR_JPG", 131, &index));
  EXPECT_EQ(entryBytes(archive.archive, index), dataFile("picture.jpg"));

  // Text types compare exactly; the ignore-case finders fold A-Z.
  index = -7;
  EXPECT_FALSE(archive->findByTypeNameAndId(u"idr_xml", 130, &index));
  EXPECT_FALSE(archive->findByTypeNameAndId(u"IDR_XML", 131, &index));
  EXPECT_EQ(index, -7) << "a failed find leaves the index alone";
  // Text names are kept in upper case, as a resource compiler keeps them.
  EXPECT_FALSE(archive->findByTypeAndName(dll::kRcData, u"Notes", &index));
  ASSERT_TRUE(archive->findByTypeAndNameIgnoreCase(dll::kRcData, u"Notes", &index));
  const int32_t notes = index;
  EXPECT_TRUE(archive->findByTypeAndName(dll::kRcData, u"NOTES", &index));
  EXPECT_EQ(index, notes);
  EXPECT_TRUE(archive->findByName(u"NOTES", &index));
  EXPECT_TRUE(archive->findByNameIgnoreCase(u"nOTES", &index));
  EXPECT_EQ(index, notes);
  EXPECT_FALSE(archive->findByTypeNameAndName(u"RCDATA", u"NOTES", &index))
      << "RCDATA is a numeric type";

  // Numeric types: internal numbers for the standard types, any other number as itself.
  Entry* group = archive->getEntry(indexOf(archive.archive, dll::kGroupIcon, 128));
  EXPECT_EQ(group->getTypeId(), 10);
  EXPECT_EQ(group->getResourceType(), 14);
  ASSERT_TRUE(archive->findById(7, &index));
  EXPECT_EQ(archive->getEntry(index)->getTypeId(), 240);
  EXPECT_EQ(archive->getEntry(index)->getResourceType(), 240);
  EXPECT_EQ(entryBytes(archive.archive, index), dataFile("notes.txt"));
  ASSERT_TRUE(archive->findNthOfType(dll::kIcon, 2, &index));
  EXPECT_EQ(archive->getEntry(index)->getNameId(), 3u);
  EXPECT_FALSE(archive->findNthOfType(dll::kIcon, 3, &index));

  // The icon images are the images of the icon file, numbered from 1.
  const Bytes ico = dataFile("app.ico");
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(entryBytes(archive.archive, indexOf(archive.archive, dll::kIcon, i + 1)),
              iconImage(ico, i));
  }
}

TEST(ModuleArchive, OneEntryPerResourceInTheLanguageOfTheUserAtOpening) {
  for (const auto& [locale, file] :
       {std::pair{"de_DE.UTF-8", "notes_de.txt"}, std::pair{"C", "notes.txt"}}) {
    ScopedLocale user(locale);
    Opened archive(ownProgram());
    ASSERT_TRUE(archive.ok);
    int32_t index = -1;
    ASSERT_TRUE(archive->findByTypeAndName(dll::kRcData, u"NOTES", &index));
    EXPECT_EQ(archive->getEntry(index)->getLanguage(), 0);
    EXPECT_EQ(entryBytes(archive.archive, index), dataFile(file)) << locale;
  }
}

TEST(ModuleArchive, BeforeSixEveryLanguageIsAnEntryOfItsOwn) {
  s::system::win::queryWindowsVersion();
  s::system::win::osAtLeast60 = false;
  Opened archive(ownProgram());
  s::system::win::osAtLeast60 = true;
  ASSERT_TRUE(archive.ok);
  EXPECT_EQ(archive->getEntryCount(), 10);
  std::vector<std::pair<int, int>> languages;
  for (int32_t i = 0; i < archive->getEntryCount(); ++i) {
    Entry* e = archive->getEntry(i);
    if (e->isNameText()) {
      languages.emplace_back(e->getLanguage(), e->getSubLanguage());
      EXPECT_EQ(entryBytes(archive.archive, i),
                dataFile(e->getLanguage() == 7 ? "notes_de.txt" : "notes.txt"));
    }
  }
  EXPECT_EQ(languages, (std::vector<std::pair<int, int>>{{7, 1}, {9, 1}}));
}

TEST(ModuleArchive, GroupsAndBitmapsComeOutAsTheFilesThatWerePacked) {
  Opened archive(ownProgram());
  ASSERT_TRUE(archive.ok);
  const int32_t group = indexOf(archive.archive, dll::kGroupIcon, 128);
  EXPECT_EQ(written([&](ArrayU08* out) { return archive->exportGroupIcon(group, out); }),
            dataFile("app.ico"));
  const int32_t bitmap = indexOf(archive.archive, dll::kBitmap, 200);
  EXPECT_EQ(written([&](ArrayU08* out) { return archive->extractBitmap(bitmap, out); }),
            dataFile("picture.bmp"));
  // Entries of other kinds are refused, and nothing is written for them.
  ArrayU08* out = ArrayU08::take();
  EXPECT_FALSE(archive->exportGroupIcon(bitmap, out));
  EXPECT_FALSE(archive->exportGroupCursor(group, out));
  EXPECT_FALSE(archive->exportGroupIcon(archive->getEntryCount(), out));
  EXPECT_EQ(out->getCount(), 0u);
  out->release();
}

TEST(ModuleArchive, ExtractAllWritesOneFileAnEntryAndKeepsWhatIsThere) {
  lumetra::testlib::TempDir temp;
  ScopedLocale english("C");
  Opened archive(ownProgram());
  ASSERT_TRUE(archive.ok);
  ASSERT_TRUE(archive->extractAll(temp.windowsPath("all").c_str()));
  const auto all = temp.file("all");
  EXPECT_EQ(readFile(all / "IDR_XML" / "130"), dataFile("pack.xml"));
  EXPECT_EQ(readFile(all / "IDR_JPG" / "131"), dataFile("picture.jpg"));
  EXPECT_EQ(readFile(all / "ICON" / "128.ico"), dataFile("app.ico"));
  EXPECT_EQ(readFile(all / "BITMAP" / "200.bmp"), dataFile("picture.bmp"));
  EXPECT_EQ(readFile(all / "RCDATA" / "NOTES"), dataFile("notes.txt"));
  EXPECT_EQ(readFile(all / "240" / "7"), dataFile("notes.txt"));
  size_t files = 0;
  for (const auto& f : std::filesystem::recursive_directory_iterator(all))
    files += f.is_regular_file();
  EXPECT_EQ(files, 6u) << "the icon images travel inside their group's file";

  std::ofstream(all / "RCDATA" / "NOTES") << "edited";
  EXPECT_TRUE(archive->extractAll((temp.windowsPath("all") + u"\\").c_str()));
  EXPECT_EQ(readFile(all / "RCDATA" / "NOTES"), (Bytes{'e', 'd', 'i', 't', 'e', 'd'}));
}

namespace {

void put16(Bytes& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(Bytes& out, uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

}  // namespace

TEST(ModuleArchive, UpdatesRewriteACopyOfTheProgramFile) {
  lumetra::testlib::TempDir temp;
  std::filesystem::copy_file("/proc/self/exe", temp.file("copy.exe"));
  const std::u16string copy = temp.windowsPath("copy.exe");
  ScopedLocale english("C");
  Opened archive(copy);
  ASSERT_TRUE(archive.ok) << GetLastError();

  // Replacing a resource keeps the entry and reads the new bytes.
  const std::string replaced = "replaced notes";
  EXPECT_EQ(archive->updateResource(replaced.data(), static_cast<uint32_t>(replaced.size()),
                                    RT_RCDATA, u"Notes", 0x0409),
            9);
  int32_t notes = -1;
  ASSERT_TRUE(archive->findByTypeAndName(dll::kRcData, u"NOTES", &notes));
  EXPECT_EQ(entryBytes(archive.archive, notes), Bytes(replaced.begin(), replaced.end()));
  EXPECT_EQ(archive->getFileSize(),
            static_cast<int64_t>(std::filesystem::file_size(temp.file("copy.exe"))));

  // A cursor group and its image, added as a resource editor would: the group keeps 16-bit
  // sizes with the height doubled, the cursor its hot spot before the image.
  const Bytes image = {40, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8};
  Bytes cursor;
  put16(cursor, 3);
  put16(cursor, 4);
  cursor.insert(cursor.end(), image.begin(), image.end());
  Bytes groupCursor;
  for (uint32_t v : {0u, 2u, 1u, 32u, 64u, 1u, 1u}) put16(groupCursor, v);
  put32(groupCursor, static_cast<uint32_t>(cursor.size()));
  put16(groupCursor, 5);
  EXPECT_EQ(archive->updateResource(cursor.data(), static_cast<uint32_t>(cursor.size()), RT_CURSOR,
                                    MAKEINTRESOURCEW(5), 0x0409),
            10);
  EXPECT_EQ(archive->updateResource(groupCursor.data(), static_cast<uint32_t>(groupCursor.size()),
                                    RT_GROUP_CURSOR, MAKEINTRESOURCEW(300), 0x0409),
            11);
  const int32_t group = indexOf(archive.archive, dll::kGroupCursor, 300);
  ASSERT_GE(group, 0);
  Bytes cur;
  for (uint32_t v : {0u, 2u, 1u}) put16(cur, v);
  cur.insert(cur.end(), {32, 32, 0, 0, 3, 0, 4, 0});
  put32(cur, static_cast<uint32_t>(image.size()));
  put32(cur, 22);
  cur.insert(cur.end(), image.begin(), image.end());
  EXPECT_EQ(written([&](ArrayU08* out) { return archive->exportGroupCursor(group, out); }), cur);

  // A text type, then deleting both languages of the notes drops their entry.
  EXPECT_EQ(archive->updateResource("x", 1, u"MYTYPE", u"Item", 0), 12);
  int32_t index = -1;
  EXPECT_TRUE(archive->findByTypeNameAndName(u"MYTYPE", u"Item", &index));
  EXPECT_TRUE(archive->findByTypeNameAndNameIgnoreCase(u"mytype", u"ITEM", &index));
  archive->updateResource(nullptr, 0, RT_RCDATA, u"Notes", 0x0409);
  EXPECT_EQ(archive->updateResource(nullptr, 0, RT_RCDATA, u"Notes", 0x0407), 11);
  EXPECT_FALSE(archive->findByName(u"NOTES", &index));

  // What was written is in the file: a fresh archive finds the same.
  Opened again(copy);
  ASSERT_TRUE(again.ok);
  EXPECT_EQ(again->getEntryCount(), 11);
  EXPECT_EQ(written([&](ArrayU08* out) {
              return again->exportGroupCursor(indexOf(again.archive, dll::kGroupCursor, 300), out);
            }),
            cur);

  // Extracted, the cursor group is a cursor file; a name cannot lead out of the folder.
  EXPECT_EQ(again->updateResource("y", 1, u"MYTYPE", u"..\\..\\ESCAPE", 0), 12);
  ASSERT_TRUE(again->extractAll(temp.windowsPath("tree").c_str()));
  EXPECT_EQ(readFile(temp.file("tree") / "CURSOR" / "300.cur"), cur);
  EXPECT_EQ(readFile(temp.file("tree") / "MYTYPE" / "ITEM"), (Bytes{'x'}));
  EXPECT_EQ(readFile(temp.file("tree") / "MYTYPE" / ".._.._ESCAPE"), (Bytes{'y'}));
  EXPECT_FALSE(std::filesystem::exists(temp.file("ESCAPE")));
  EXPECT_FALSE(std::filesystem::exists(temp.file("tree") / "4"))
      << "cursor images travel in their group";
}

TEST(ModuleArchive, FailuresLeaveTheArchiveAsItWas) {
  Opened self(ownProgram());
  ASSERT_TRUE(self.ok);
  // The running program cannot be rewritten; its entries stay readable.
  SetLastError(0);
  EXPECT_EQ(self->updateResource("x", 1, RT_RCDATA, MAKEINTRESOURCEW(9), 0), -1);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  EXPECT_EQ(self->getEntryCount(), 9);
  int32_t index = -1;
  ASSERT_TRUE(self->findByTypeNameAndId(u"IDR_XML", 130, &index));
  EXPECT_EQ(entryBytes(self.archive, index), dataFile("pack.xml"));

  // Sources that are not archives: a missing file, a file without resources, a damaged one.
  lumetra::testlib::TempDir temp;
  Opened missing(temp.windowsPath("missing.exe"));
  EXPECT_FALSE(missing.ok);
  EXPECT_EQ(missing->getEntryCount(), 0);
  EXPECT_EQ(missing->getFileSize(), 0);
  std::ofstream(temp.file("plain.txt")) << "no resources here";
  Opened plain(temp.windowsPath("plain.txt"));
  EXPECT_FALSE(plain.ok);
  EXPECT_EQ(plain->getEntryCount(), 0);
  Bytes damaged = readFile("/proc/self/exe");
  damaged[damaged.size() - 40] ^= 0xFF;  // inside the trailer's checked part
  std::ofstream(temp.file("damaged.exe"), std::ios::binary)
      .write(reinterpret_cast<const char*>(damaged.data()),
             static_cast<std::streamsize>(damaged.size()));
  Opened broken(temp.windowsPath("damaged.exe"));
  EXPECT_FALSE(broken.ok);
  EXPECT_EQ(broken->updateResource("x", 1, RT_RCDATA, MAKEINTRESOURCEW(9), 0), -1)
      << "a closed archive";

  // An entry of another archive, or grown past its resource, is not read.
  ArrayU08* out = ArrayU08::take();
  Opened other(ownProgram());
  EXPECT_FALSE(missing->extractEntry(self->getEntry(index), out));
  Entry* entry = other->getEntry(index);
  entry->setSize(entry->getSize() + 1);
  EXPECT_FALSE(other->extractEntry(entry, out));
  EXPECT_EQ(out->getCount(), 0u);
  out->release();
}

TEST(ModuleArchive, ResourcesNumberedZeroByThePackerKeepTheArchiveOpen) {
  // The build's packer takes a type or a name 0; the archive must list them and everything else.
  lumetra::testlib::TempDir temp;
  const std::string data = LUMETRA_ARCHIVE_TEST_DATA;
  std::ofstream(temp.file("zero.txt")) << "IDR_XML 130 0 " << data << "/pack.xml\n"
                                       << "0       5   0 " << data << "/notes.txt\n"
                                       << "RCDATA  0   0 " << data << "/notes_de.txt\n"
                                       << "RCDATA  9   0 " << data << "/notes.txt\n";
  const std::string pack = std::string(LUMETRA_RC_TOOL) + " pack " +
                           temp.file("zero.txt").string() + " " + temp.file("zero.res").string();
  ASSERT_EQ(std::system(pack.c_str()), 0) << pack;

  Opened archive(temp.windowsPath("zero.res"));
  ASSERT_TRUE(archive.ok) << GetLastError();
  EXPECT_EQ(archive->getEntryCount(), 4);
  EXPECT_EQ(entryBytes(archive.archive, indexOf(archive.archive, dll::kRcData, 0)),
            dataFile("notes_de.txt"));
  EXPECT_EQ(entryBytes(archive.archive, indexOf(archive.archive, dll::kRcData, 9)),
            dataFile("notes.txt"));
  int32_t index = -1;
  ASSERT_TRUE(archive->findById(5, &index));
  EXPECT_EQ(entryBytes(archive.archive, index), dataFile("notes.txt"));

  // The language pack after them is still there for the localizer.
  s::lang::Localizer* localizer =
      s::lang::Localizer::createFromResource(archive.archive, u"IDR_XML", 130);
  ASSERT_NE(localizer, nullptr);
  EXPECT_EQ(std::u16string(localizer->getText(100000)), u"Hello");
  localizer->release();
}

TEST(ModuleArchive, EntryNamesAndTypesFollowThePlatformsNumberRule) {
  Entry* entry = Entry::take();
  entry->setType(RT_GROUP_ICON);
  entry->setName(MAKEINTRESOURCEW(0xFFFF));
  EXPECT_TRUE(entry->isTypeId());
  EXPECT_EQ(entry->getTypeId(), dll::kGroupIcon);
  EXPECT_EQ(entry->getNameId(), 0xFFFFu);
  entry->setType(u"IDR_XML");
  entry->setName(u"pack");
  EXPECT_TRUE(entry->isTypeText());
  EXPECT_EQ(std::u16string(entry->getTypeText()), u"IDR_XML");
  EXPECT_EQ(std::u16string(entry->getNameText()), u"pack");
  EXPECT_EQ(entry->getNameId(), 0u);
  entry->release();
  Entry* fresh = Entry::take();
  EXPECT_TRUE(fresh->isNameId() && fresh->isTypeId());
  EXPECT_EQ(fresh->getNameString()->getLength(), 0u);
  fresh->release();
  // The standard types map to their internal numbers and back; other numbers stand for themselves.
  for (int32_t type :
       {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 14, 16, 17, 19, 20, 21, 22, 23, 24, 240, 0x7FFF}) {
    EXPECT_EQ(dll::toResourceType(dll::toInternalType(type)), type);
  }
  EXPECT_EQ(dll::toInternalType(240), 240);
  EXPECT_EQ(dll::toInternalType(3), dll::kIcon);
  EXPECT_EQ(dll::toResourceType(dll::kVersion), 16);
}

namespace {

std::string dumpOf(void (*dump)(const uint8_t*, uint32_t, s::str::strbuffer::StrBuffer*),
                   const Bytes& block) {
  auto* text = s::str::strbuffer::StrBuffer::take();
  dump(block.data(), static_cast<uint32_t>(block.size()), text);
  ArrayU08* utf8 = text->encodeUtf8();
  std::string out(reinterpret_cast<const char*>(utf8->getItems()), utf8->getCount());
  utf8->release();
  text->release();
  return out;
}

std::string textFile(const std::filesystem::path& path) {
  const Bytes b = readFile(path);
  return std::string(b.begin(), b.end());
}

}  // namespace

TEST(ModuleArchive, ExtractAllWritesTheTextDumps) {
  using lumetra::dump_test::Builder;
  using lumetra::dump_test::VersionNode;
  lumetra::testlib::TempDir temp;
  std::filesystem::copy_file("/proc/self/exe", temp.file("dumps.exe"));
  ScopedLocale english("C");
  Opened archive(temp.windowsPath("dumps.exe"));
  ASSERT_TRUE(archive.ok);
  const Bytes strings = lumetra::dump_test::stringBlock({u"", u"Hello", u"W\u00f6rld"});
  Builder accelerators;
  accelerators.u16(0x99).u16(0x4F).u16(40001).u16(0);
  Builder menu;
  menu.u16(0).u16(0).u16(0x90).text(u"&File").u16(0x80).u16(40001).text(u"&Open");
  Builder dialog;
  dialog.u32(WS_POPUP | WS_CAPTION | DS_SETFONT).u32(0).u16(1).u16(0).u16(0).u16(100).u16(50);
  dialog.u16(0).u16(0).text(u"About").u16(8).text(u"MS Shell Dlg 2").align4();
  dialog.u32(WS_CHILD | WS_VISIBLE)
      .u32(0)
      .u16(5)
      .u16(5)
      .u16(40)
      .u16(14)
      .u16(1)
      .ordinal(0x80)
      .text(u"OK")
      .u16(0);
  std::vector<uint8_t> fixed = {0xBD, 0x04, 0xEF, 0xFE};
  fixed.resize(52, 0);
  VersionNode table{u"040904b0", 1, {}, u"", {VersionNode{u"ProductName", 1, {}, u"Lumetra", {}}}};
  const Bytes version =
      VersionNode{
          u"VS_VERSION_INFO", 0, fixed, u"", {VersionNode{u"StringFileInfo", 1, {}, u"", {table}}}}
          .build();
  const struct {
    const WCHAR* type;
    uint16_t name;
    const Bytes& bytes;
  } resources[] = {{RT_STRING, 1, strings},
                   {RT_ACCELERATOR, 2, accelerators.bytes},
                   {RT_MENU, 3, menu.bytes},
                   {RT_DIALOG, 4, dialog.bytes},
                   {RT_VERSION, 1, version}};
  for (const auto& r : resources) {
    ASSERT_GT(archive->updateResource(r.bytes.data(), static_cast<uint32_t>(r.bytes.size()), r.type,
                                      MAKEINTRESOURCEW(r.name), 0x0409),
              0);
  }
  ASSERT_TRUE(archive->extractAll(temp.windowsPath("out").c_str()));
  const auto out = temp.file("out");
  namespace win = s::archive::dll::win;
  EXPECT_EQ(textFile(out / "STRING" / "1.txt"), dumpOf(&win::dumpStrings, strings));
  std::string rest;
  for (int i = 0; i < 13; ++i) rest += "\r\n";
  EXPECT_EQ(textFile(out / "STRING" / "1.txt"), "\r\n\"Hello\"\r\n\"W\xc3\xb6rld\"\r\n" + rest);
  EXPECT_EQ(textFile(out / "ACCELERATOR" / "2.txt"),
            "Key: Alt + Ctrl + O key\r\nAction ID: 40001\r\n\r\n");
  EXPECT_EQ(textFile(out / "MENU" / "3.txt"), "&File\r\n\t&Open\r\n\t(ID: 40001)\r\n");
  EXPECT_EQ(textFile(out / "DIALOG" / "4.txt"), dumpOf(&win::dumpDialog, dialog.bytes));
  EXPECT_NE(
      textFile(out / "DIALOG" / "4.txt").find("[Component 1]\r\nClass ID: Button\r\nText: OK\r\n"),
      std::string::npos);
  EXPECT_EQ(textFile(out / "VERSION.txt"), "ProductName: Lumetra\r\n");
}
