// Folder listings on real temporary trees: kinds, visibility by the Explorer settings (in a
// registry database of the test's own), links, recursion order, wildcards and the neighbouring
// file; the walk over stream records on buffers built here.
#include "core/file/win/PathArray.h"
#include "core/file/win/PathWin.h"

#include "core/file/win/tests/TempFolder.h"
#include "core/thread/Pooled.h"

#include <windows.h>
#include <winreg.h>
#include <winternl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using s::col::_array::ArrayP;
using s::file::win::PathWin;
using s::str::strarray::StrArray;
using Path = s::thread::Pooled<PathWin>;
namespace fs = std::filesystem;

Path path(const std::u16string& text) { return Path(PathWin::newFromText(text.c_str())); }

std::vector<std::u16string> texts(StrArray* list) {
  std::vector<std::u16string> out;
  for (uint32_t i = 0; i < list->getCount(); ++i) out.emplace_back(list->get(i)->getCStr());
  list->release();
  return out;
}

// Paths relative to `base`, the array released.
std::vector<std::u16string> relative(ArrayP* paths, const std::u16string& base) {
  std::vector<std::u16string> out;
  for (uint32_t i = 0; i < paths->getCount(); ++i) {
    std::u16string full = static_cast<PathWin*>(paths->getItems()[i])->getFullPath();
    out.push_back(full.substr(base.size() + 1));
  }
  paths->release();
  return out;
}

std::u16string sidText() {
  HANDLE token = nullptr;
  OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
  DWORD needed = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &needed);
  std::vector<BYTE> buffer(needed);
  GetTokenInformation(token, TokenUser, buffer.data(), needed, &needed);
  CloseHandle(token);
  const auto* sid = static_cast<const SID*>(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid);
  std::string text = "S-" + std::to_string(sid->Revision) + "-" +
                     std::to_string(sid->IdentifierAuthority.Value[5]);
  for (BYTE i = 0; i < sid->SubAuthorityCount; ++i)
    text += "-" + std::to_string(sid->SubAuthority[i]);
  return std::u16string(text.begin(), text.end());
}

// Writes one of the Explorer's 32-bit settings into the test's registry database.
void setExplorerValue(const char16_t* name, DWORD value) {
  HANDLE key = nullptr;
  std::u16string path = u"\\Registry\\User\\" + sidText();
  for (const char16_t* part :
       {u"Software", u"Microsoft", u"Windows", u"CurrentVersion", u"Explorer", u"Advanced"}) {
    path += u"\\";
    path += part;
    UNICODE_STRING text;
    RtlInitUnicodeString(&text, path.c_str());
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, nullptr, nullptr);
    if (key != nullptr) NtClose(key);
    ASSERT_EQ(NtCreateKey(&key, KEY_ALL_ACCESS, &attributes, 0, nullptr, 0, nullptr),
              STATUS_SUCCESS);
  }
  UNICODE_STRING valueName;
  RtlInitUnicodeString(&valueName, name);
  ASSERT_EQ(NtSetValueKey(key, &valueName, 0, REG_DWORD, &value, sizeof value), STATUS_SUCCESS);
  NtClose(key);
}

class PathListing : public s::testing::TempFolder {
 protected:
  void SetUp() override {
    setenv("LUMETRA_REGISTRY", posix("registry.sqlite3").c_str(), 1);
    makeFolder("A/B");
    writeFile("A/B/f", "f");
    writeFile("A/g", "g");
    writeFile("A/.h", "h");
    fs::create_directory_symlink(posix("A/B"), posix("A/link"));
  }
  void TearDown() override { unsetenv("LUMETRA_REGISTRY"); }
};

}  // namespace

TEST_F(PathListing, KindsVisibilityAndLinks) {
  Path folder = path(at("A"));
  // Listings come in the layer's order: names by A-Z folded.
  EXPECT_EQ(texts(folder->listAll(false, false)), (std::vector<std::u16string>{u".h", u"B", u"g"}))
      << "hidden shown by default; the link never";
  EXPECT_EQ(texts(folder->listFolders(false, true)), (std::vector<std::u16string>{u"B"}));
  EXPECT_EQ(texts(folder->listFiles(true, true)),
            (std::vector<std::u16string>{at("A/.h"), at("A/g")}));
  setExplorerValue(u"Hidden", 2);
  EXPECT_FALSE(s::file::win::isExplorerShowingHidden());
  EXPECT_EQ(texts(folder->listAll(false, false)), (std::vector<std::u16string>{u"B", u"g"}));
  EXPECT_EQ(texts(folder->listAll(false, true)), (std::vector<std::u16string>{u".h", u"B", u"g"}));
  EXPECT_FALSE(s::file::win::isExplorerShowingSuperHidden());
  setExplorerValue(u"ShowSuperHidden", 1);
  EXPECT_TRUE(s::file::win::isExplorerShowingSuperHidden());

  EXPECT_TRUE(folder->hasChildren(false));
  makeFolder("empty");
  writeFile("onlyhidden/.x", "x");
  EXPECT_TRUE(path(at("empty"))->isEmptyDirectory());
  EXPECT_FALSE(path(at("onlyhidden"))->hasChildren(false));
  EXPECT_FALSE(path(at("onlyhidden"))->isEmptyDirectory());
  EXPECT_FALSE(path(at("A/g"))->isEmptyDirectory());
}

TEST_F(PathListing, RecursionPutsFoldersBeforeTheirContents) {
  Path folder = path(at("A"));
  const std::u16string base = at("A");
  EXPECT_EQ(relative(folder->collectAll(true, true, nullptr), base),
            (std::vector<std::u16string>{u".h", u"B", u"B\\f", u"g"}));
  EXPECT_EQ(relative(folder->collectFiles(true, true, nullptr), base),
            (std::vector<std::u16string>{u".h", u"B\\f", u"g"}));
  EXPECT_EQ(relative(folder->collectFolders(true, false, nullptr), base),
            (std::vector<std::u16string>{u"B"}));
  auto* list =
      static_cast<s::file::win::PathArray*>(folder->collectAllToPathArray(true, false, nullptr));
  EXPECT_EQ(list->getCount(), 3);
  folder->collectFilesToPathArray(true, true, list);
  EXPECT_EQ(list->getCount(), 6) << "appended to the list given";
  list->release();
}

TEST_F(PathListing, WildcardsSearchTheOwnFolderFirst) {
  writeFile("m/a.mp3", "");
  writeFile("m/b.MP3", "");
  writeFile("m/c.wav", "");
  writeFile("m/sub/d.mp3", "");
  makeFolder("m/x.mp3");
  const std::u16string base = at("m");
  EXPECT_EQ(relative(path(at("m/*.mp3"))->findMatchingFiles(false, true, nullptr), base),
            (std::vector<std::u16string>{u"a.mp3", u"b.MP3", u"sub\\d.mp3"}));
  EXPECT_EQ(relative(path(at("m/*.mp3"))->findMatchingEntries(false, false, nullptr), base),
            (std::vector<std::u16string>{u"a.mp3", u"b.MP3", u"x.mp3"}));
}

TEST_F(PathListing, AdjacentFilesBySortExtensionAndWrap) {
  writeFile("n/1.mp3", "");
  writeFile("n/2.wav", "");
  writeFile("n/3.mp3", "");
  auto name = [](PathWin* p) {
    std::u16string text = p == nullptr ? u"(none)" : p->getFileName();
    if (p != nullptr) p->release();
    return text;
  };
  EXPECT_EQ(name(path(at("n/3.mp3"))->newAdjacentFile(true, nullptr, true, false)), u"(none)");
  EXPECT_EQ(name(path(at("n/3.mp3"))->newAdjacentFile(true, nullptr, true, true)), u"1.mp3");
  EXPECT_EQ(name(path(at("n/1.mp3"))->newAdjacentFile(false, nullptr, true, true)), u"3.mp3");
  s::thread::Pooled<StrArray> mp3;
  mp3->addText(u".mp3");
  EXPECT_EQ(name(path(at("n/1.mp3"))->newAdjacentFile(true, mp3.get(), true, false)), u"3.mp3");
  s::thread::Pooled<StrArray> wav;
  wav->addText(u".WAV");
  EXPECT_EQ(name(path(at("n/2.wav"))->newAdjacentFile(true, wav.get(), true, true)), u"(none)")
      << "one matching file has no neighbour";
}

TEST(StreamRecords, WalkFollowsOffsetsAndStopsAtTheBufferEnd) {
  std::vector<unsigned char> buffer;
  auto addRecord = [&](const std::u16string& name, int64_t size, bool last) {
    const size_t at = buffer.size();
    const uint32_t bytes = static_cast<uint32_t>(name.size() * 2);
    const uint32_t next = last ? 0 : static_cast<uint32_t>((24 + bytes + 7) / 8 * 8);
    buffer.resize(at + (last ? 24 + bytes : next));
    std::memcpy(&buffer[at], &next, 4);
    std::memcpy(&buffer[at + 4], &bytes, 4);
    std::memcpy(&buffer[at + 8], &size, 8);
    std::memcpy(&buffer[at + 24], name.data(), bytes);
  };
  addRecord(u"::$DATA", 100, false);
  addRecord(u":s:$DATA", 10, true);
  std::vector<std::u16string> seen;
  auto visit = [](const s::file::win::StreamRecord& record, void* user) {
    static_cast<std::vector<std::u16string>*>(user)->push_back(
        std::u16string(record.name, record.nameUnits) + u"=" +
        std::u16string(1, static_cast<char16_t>(u'0' + record.size % 10)));
  };
  EXPECT_EQ(s::file::win::walkStreamRecords(buffer.data(), static_cast<uint32_t>(buffer.size()),
                                            visit, &seen),
            2u);
  EXPECT_EQ(seen, (std::vector<std::u16string>{u"::$DATA=0", u":s:$DATA=0"}));
  seen.clear();
  EXPECT_EQ(s::file::win::walkStreamRecords(buffer.data(), static_cast<uint32_t>(buffer.size() - 2),
                                            visit, &seen),
            1u)
      << "a name that runs past the buffer ends the walk";
  EXPECT_EQ(s::file::win::walkStreamRecords(nullptr, 0, visit, &seen), 0u);

  Path file = Path(PathWin::newFromText(u"Z:\\tmp"));
  ArrayP* streams = file->listStreams(nullptr);
  EXPECT_EQ(streams->getCount(), 0u) << "no named streams on this system";
  streams->release();
  EXPECT_FALSE(s::file::win::loadNtFileFunctions());
  EXPECT_FALSE(s::file::win::enableBackupPrivilege());
}
