// Conformance of the shell's objects: opening through xdg-open, the desktop folder, item id
// lists and the desktop folder object.
#include <windows.h>
#include <shlobj.h>
#include <winseam.h>

#include <gtest/gtest.h>

#include "testlib/TempDir.h"
#include "testlib/Wait.h"
#include "winapi/drivers/headless/HeadlessDriver.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

namespace fs = std::filesystem;
using winapi::HeadlessDriver;

namespace {

// Sets an environment variable for a scope and puts the old value back.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const std::optional<std::string>& value) : m_name(name) {
    if (const char* old = std::getenv(name)) m_old = old;
    if (value) {
      setenv(name, value->c_str(), 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedVariable() {
    if (m_old) {
      setenv(m_name, m_old->c_str(), 1);
    } else {
      unsetenv(m_name);
    }
  }

 private:
  const char* m_name;
  std::optional<std::string> m_old;
};

std::u16string windowsOf(const fs::path& path) {
  std::u16string out = u"Z:";
  for (char c : path.string()) out += c == '/' ? u'\\' : static_cast<char16_t>(c);
  return out;
}

BOOL open(const char16_t* file, const char16_t* verb, HINSTANCE* code = nullptr) {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.lpVerb = verb;
  info.lpFile = file;
  info.nShow = SW_SHOW;
  BOOL done = ShellExecuteExW(&info);
  if (code != nullptr) *code = info.hInstApp;
  return done;
}

// The lines the stand-in xdg-open wrote; it runs detached, so wait for `count` lines a while.
std::string waitForLines(const fs::path& log, int count) {
  std::string text;
  lumetra::testlib::waitUntil(
      [&] {
        std::ifstream in(log);
        text.assign(std::istreambuf_iterator<char>(in), {});
        return std::count(text.begin(), text.end(), '\n') >= count;
      },
      std::chrono::seconds(5));
  return text;
}

std::u16string desktop() {
  PIDLIST_ABSOLUTE list = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &list))) return u"(failed)";
  WCHAR path[MAX_PATH];
  std::u16string text = SHGetPathFromIDListW(list, path) ? path : u"(no path)";
  ILFree(list);
  return text;
}

}  // namespace

TEST(ShellExecute, OpensPathsInPosixFormAndAddressesAsGiven) {
  lumetra::testlib::TempDir dir;
  ScopedVariable log("LUMETRA_TEST_OPEN_LOG", dir.file("open.log").string());
  std::ofstream(dir.file("song one.mp3")) << "x";
  HINSTANCE code = nullptr;
  ASSERT_TRUE(open(dir.windowsPath("song one.mp3").c_str(), u"open", &code));
  EXPECT_GT(reinterpret_cast<INT_PTR>(code), 32);
  EXPECT_EQ(waitForLines(dir.file("open.log"), 1), dir.file("song one.mp3").string() + "\n");
  ASSERT_TRUE(open(u"https://example.org/a?b=c", nullptr));
  EXPECT_EQ(waitForLines(dir.file("open.log"), 2), dir.file("song one.mp3").string() + "\nhttps://example.org/a?b=c\n");
}

TEST(ShellExecute, FailuresAnswerTheirErrors) {
  lumetra::testlib::TempDir dir;
  HINSTANCE code = nullptr;
  EXPECT_FALSE(open(dir.windowsPath("missing.mp3").c_str(), u"open", &code));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(reinterpret_cast<INT_PTR>(code), SE_ERR_FNF);
  EXPECT_FALSE(open(u"", u"open"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(open(dir.windowsPath("").c_str(), u"properties", &code));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_ASSOCIATION));
  {
    ScopedVariable path("PATH", dir.path().string());  // no xdg-open there
    EXPECT_FALSE(open(u"https://example.org/", u"open", &code));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_ASSOCIATION));
    EXPECT_EQ(reinterpret_cast<INT_PTR>(code), SE_ERR_NOASSOC);
  }
}

TEST(ShellExecute, SeamRecordsInsteadOfOpening) {
  static std::u16string s_seen;
  auto previous = winapi::seam::replaceShellExecuteExW([](SHELLEXECUTEINFOW* info) -> BOOL {
    s_seen = std::u16string(info->lpVerb) + u"|" + info->lpFile;
    return TRUE;
  });
  EXPECT_TRUE(open(u"Z:\\nowhere", u"open"));
  winapi::seam::replaceShellExecuteExW(previous);
  EXPECT_EQ(s_seen, u"open|Z:\\nowhere");
}

TEST(SpecialFolders, DesktopFollowsTheUserDirsFile) {
  lumetra::testlib::TempDir dir;
  ScopedVariable home("HOME", dir.file("home").string());
  ScopedVariable config("XDG_CONFIG_HOME", dir.file("config").string());
  EXPECT_EQ(desktop(), windowsOf(dir.file("home/Desktop"))) << "no file: $HOME/Desktop";
  fs::create_directories(dir.file("config"));
  std::ofstream(dir.file("config/user-dirs.dirs")) << "# written by xdg-user-dirs-update\n"
                                                      "XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n"
                                                      "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n";
  EXPECT_EQ(desktop(), windowsOf(dir.file("home/Schreibtisch"))) << "a localised name";
  std::ofstream(dir.file("config/user-dirs.dirs")) << "XDG_DESKTOP_DIR=relative/path\n"
                                                      "XDG_DESKTOP_DIR=\"unquoted\n"
                                                      "XDG_DESKTOP_DIR=\"/srv/desk/\"\n";
  EXPECT_EQ(desktop(), u"Z:\\srv\\desk") << "malformed lines skipped, an absolute path taken";
  std::ofstream(dir.file("config/user-dirs.dirs")) << "XDG_DESKTOP_DIR=nonsense\n";
  EXPECT_EQ(desktop(), windowsOf(dir.file("home/Desktop")));

  PIDLIST_ABSOLUTE list = reinterpret_cast<PIDLIST_ABSOLUTE>(1);
  EXPECT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_WINDOWS, &list), E_INVALIDARG);
  EXPECT_EQ(list, nullptr);
}

TEST(ItemIdLists, NamePathsAndFreeThroughTheShellAllocator) {
  lumetra::testlib::TempDir dir;
  std::ofstream(dir.file("a.txt")) << "x";
  const std::u16string path = dir.windowsPath("a.txt");
  PIDLIST_ABSOLUTE list = ILCreateFromPathW(path.c_str());
  ASSERT_NE(list, nullptr);
  WCHAR back[MAX_PATH];
  ASSERT_TRUE(SHGetPathFromIDListW(list, back));
  EXPECT_EQ(std::u16string(back), path);
  IMalloc* malloc = nullptr;
  ASSERT_EQ(SHGetMalloc(&malloc), S_OK);
  malloc->Free(list);
  malloc->Release();

  EXPECT_EQ(ILCreateFromPathW(dir.windowsPath("missing").c_str()), nullptr);
  list = SHSimpleIDListFromPath(dir.windowsPath("missing").c_str());
  ASSERT_NE(list, nullptr) << "a simple list needs no file";
  ILFree(list);

  const std::u16string deep = u"Z:\\" + std::u16string(300, u'd');
  list = SHSimpleIDListFromPath(deep.c_str());
  EXPECT_FALSE(SHGetPathFromIDListW(list, back)) << "a path longer than MAX_PATH does not fit";
  ILFree(list);

  IShellFolder* folder = nullptr;
  ASSERT_EQ(SHGetDesktopFolder(&folder), S_OK);
  PIDLIST_RELATIVE parsed = nullptr;
  std::u16string name = path;
  EXPECT_EQ(folder->ParseDisplayName(nullptr, nullptr, name.data(), nullptr, &parsed, nullptr), S_OK);
  ILFree(parsed);
  void* data = reinterpret_cast<void*>(1);
  const ITEMIDLIST* none[1] = {nullptr};
  EXPECT_TRUE(FAILED(folder->GetUIObjectOf(nullptr, 1, none, IID_IDataObject, nullptr, &data)));
  EXPECT_EQ(data, nullptr);
  folder->Release();
  EXPECT_EQ(SHMultiFileProperties(nullptr, 0), E_NOTIMPL);
}

TEST(ShellStructures, LayoutsMatchWindows) {
  EXPECT_EQ(sizeof(SHELLEXECUTEINFOW), 112u);
  EXPECT_EQ(offsetof(SHELLEXECUTEINFOW, hInstApp), 56u);
  EXPECT_EQ(offsetof(SHELLEXECUTEINFOW, hProcess), 104u);
  EXPECT_EQ(sizeof(SHFILEOPSTRUCTW), 56u);
  EXPECT_EQ(offsetof(SHFILEOPSTRUCTW, fFlags), 32u);
  EXPECT_EQ(offsetof(SHFILEOPSTRUCTW, fAnyOperationsAborted), 36u);
  EXPECT_EQ(offsetof(SHFILEOPSTRUCTW, lpszProgressTitle), 48u);
  EXPECT_EQ(sizeof(SHITEMID), 3u);
  EXPECT_EQ(sizeof(GUID), 16u);
}

namespace {

std::string readText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeText(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// A double-NUL list of the Windows forms of `names` inside `dir`.
std::u16string listOf(const lumetra::testlib::TempDir& dir, std::initializer_list<const char*> names) {
  std::u16string list;
  for (const char* name : names) list += dir.windowsPath(name) + u'\0';
  return list + u'\0';
}

int fileOperation(UINT function, const std::u16string& from, const std::u16string& to, FILEOP_FLAGS flags,
                  BOOL* aborted = nullptr) {
  SHFILEOPSTRUCTW op{};
  op.wFunc = function;
  op.pFrom = from.c_str();
  op.pTo = to.empty() ? nullptr : to.c_str();
  op.fFlags = flags;
  const int result = SHFileOperationW(&op);
  if (aborted != nullptr) *aborted = op.fAnyOperationsAborted;
  return result;
}

constexpr FILEOP_FLAGS kQuietTrash = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT;

}  // namespace

TEST(Trash, FilesAndFoldersGoToTheDataHomeTrashWithTheirInfo) {
  lumetra::testlib::TempDir dir;
  ScopedVariable dataHome("XDG_DATA_HOME", (dir.path() / "data").string());
  writeText(dir.file("song.mp3"), "first");
  fs::create_directories(dir.file("album/disc"));
  writeText(dir.file("album/disc/a.wav"), "12345");
  writeText(dir.file("album/b.wav"), "678");
  const std::string odd = std::string("na\xE9me ") + "%x.mp3";  // not UTF-8, with a space and a %
  writeText(dir.file(odd), "odd");

  ASSERT_EQ(fileOperation(FO_DELETE, listOf(dir, {"song.mp3", "album"}), u"", kQuietTrash), 0);
  EXPECT_FALSE(fs::exists(dir.file("song.mp3")));
  EXPECT_FALSE(fs::exists(dir.file("album")));
  const fs::path trash = dir.path() / "data" / "Trash";
  EXPECT_EQ(readText(trash / "files" / "song.mp3"), "first");
  EXPECT_EQ(readText(trash / "files" / "album" / "disc" / "a.wav"), "12345");
  const std::string info = readText(trash / "info" / "song.mp3.trashinfo");
  EXPECT_EQ(info.rfind("[Trash Info]\nPath=" + dir.file("song.mp3").string() + "\nDeletionDate=", 0), 0u) << info;
  EXPECT_EQ(info.size(), std::string("[Trash Info]\nPath=\nDeletionDate=YYYY-MM-DDThh:mm:ss\n").size() +
                             dir.file("song.mp3").string().size())
      << info;
  const std::string sizes = readText(trash / "directorysizes");
  EXPECT_EQ(sizes.rfind("8 ", 0), 0u) << "the folder's bytes: " << sizes;
  EXPECT_NE(sizes.find(" album\n"), std::string::npos) << sizes;

  // A second file of the same name takes a free one; a name that is not UTF-8 is encoded by bytes.
  writeText(dir.file("song.mp3"), "second");
  ASSERT_EQ(fileOperation(FO_DELETE, listOf(dir, {"song.mp3"}), u"", kQuietTrash), 0);
  EXPECT_EQ(readText(trash / "files" / "song.mp3"), "first");
  EXPECT_EQ(readText(trash / "files" / "song.mp3.2"), "second");
  // The layer carries a byte that is not UTF-8 as U+DC00 + the byte.
  std::u16string oddList = dir.windowsPath("na");
  oddList += u"\xDCE9me %x.mp3";
  oddList += u'\0';
  oddList += u'\0';
  ASSERT_EQ(fileOperation(FO_DELETE, oddList, u"", kQuietTrash), 0);
  EXPECT_FALSE(fs::exists(dir.file(odd)));
  EXPECT_NE(readText(trash / "info" / (odd + ".trashinfo")).find("/na%E9me%20%25x.mp3\n"), std::string::npos);
}

TEST(Trash, ARecycleThatCannotBeDoneNeverDeletes) {
  lumetra::testlib::TempDir dir;
  writeText(dir.file("blocker"), "a file where the data home's folder should be");
  ScopedVariable dataHome("XDG_DATA_HOME", (dir.path() / "blocker" / "data").string());
  writeText(dir.file("keep.mp3"), "kept");
  EXPECT_NE(fileOperation(FO_DELETE, listOf(dir, {"keep.mp3"}), u"", kQuietTrash), 0);
  EXPECT_EQ(readText(dir.file("keep.mp3")), "kept");
  EXPECT_NE(fileOperation(FO_DELETE, listOf(dir, {"missing.mp3"}), u"", kQuietTrash), 0);
}

TEST(FileOperations, DeletingAsksUnlessToldNotToAndNeverFollowsALink) {
  lumetra::testlib::TempDir dir;
  HeadlessDriver* driver = HeadlessDriver::current();
  ASSERT_NE(driver, nullptr);
  fs::create_directories(dir.file("folder"));
  fs::create_directories(dir.file("elsewhere"));
  writeText(dir.file("elsewhere/precious"), "x");
  fs::create_directory_symlink(dir.file("elsewhere"), dir.file("folder/link"));
  writeText(dir.file("folder/a"), "a");

  testing::internal::CaptureStderr();
  driver->scriptButton(IDNO);
  BOOL aborted = FALSE;
  EXPECT_NE(fileOperation(FO_DELETE, listOf(dir, {"folder"}), u"", 0, &aborted), 0);
  EXPECT_TRUE(aborted);
  EXPECT_TRUE(fs::exists(dir.file("folder/a")));
  driver->scriptButton(IDYES);
  EXPECT_EQ(fileOperation(FO_DELETE, listOf(dir, {"folder"}), u"", 0, &aborted), 0);
  EXPECT_FALSE(aborted);
  testing::internal::GetCapturedStderr();
  EXPECT_FALSE(fs::exists(dir.file("folder")));
  EXPECT_TRUE(fs::exists(dir.file("elsewhere/precious"))) << "the link went, not its target";
}

TEST(FileOperations, CopiesAndMovesIntoFoldersOrOntoNamesAndAsksBeforeReplacing) {
  lumetra::testlib::TempDir dir;
  HeadlessDriver* driver = HeadlessDriver::current();
  writeText(dir.file("a.mp3"), "A");
  writeText(dir.file("b.mp3"), "B");
  fs::create_directories(dir.file("album/disc"));
  writeText(dir.file("album/disc/c.wav"), "C");

  // Several sources into a folder that does not exist yet.
  ASSERT_EQ(fileOperation(FO_COPY, listOf(dir, {"a.mp3", "b.mp3", "album"}), dir.windowsPath("out") + u'\0',
                          FOF_NOCONFIRMMKDIR | FOF_ALLOWUNDO),
            0);
  EXPECT_EQ(readText(dir.file("out/a.mp3")), "A");
  EXPECT_EQ(readText(dir.file("out/b.mp3")), "B");
  EXPECT_EQ(readText(dir.file("out/album/disc/c.wav")), "C");
  // One source onto a new name.
  ASSERT_EQ(fileOperation(FO_COPY, listOf(dir, {"a.mp3"}), dir.windowsPath("copy.mp3") + u'\0', FOF_NOCONFIRMATION), 0);
  EXPECT_EQ(readText(dir.file("copy.mp3")), "A");

  // Replacing: No skips the file (aborted), Cancel stops, Yes and no confirmation replace.
  writeText(dir.file("b.mp3"), "B2");
  testing::internal::CaptureStderr();
  BOOL aborted = FALSE;
  driver->scriptButton(IDNO);
  EXPECT_EQ(fileOperation(FO_COPY, listOf(dir, {"b.mp3"}), dir.windowsPath("out") + u'\0', 0, &aborted), 0);
  EXPECT_TRUE(aborted);
  EXPECT_EQ(readText(dir.file("out/b.mp3")), "B");
  driver->scriptButton(IDCANCEL);
  EXPECT_NE(fileOperation(FO_MOVE, listOf(dir, {"b.mp3"}), dir.windowsPath("out") + u'\0', 0, &aborted), 0);
  EXPECT_TRUE(aborted);
  EXPECT_TRUE(fs::exists(dir.file("b.mp3")));
  driver->scriptButton(IDYES);
  EXPECT_EQ(fileOperation(FO_MOVE, listOf(dir, {"b.mp3"}), dir.windowsPath("out") + u'\0', 0, &aborted), 0);
  EXPECT_FALSE(aborted);
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(readText(dir.file("out/b.mp3")), "B2");
  EXPECT_FALSE(fs::exists(dir.file("b.mp3")));

  // A folder moved, and a rename that refuses an existing name.
  ASSERT_EQ(fileOperation(FO_MOVE, listOf(dir, {"album"}), dir.windowsPath("moved") + u'\0', FOF_NOCONFIRMATION), 0);
  EXPECT_EQ(readText(dir.file("moved/disc/c.wav")), "C");
  EXPECT_NE(fileOperation(FO_RENAME, listOf(dir, {"a.mp3"}), dir.windowsPath("copy.mp3") + u'\0', FOF_NOCONFIRMATION),
            0);
  EXPECT_EQ(readText(dir.file("a.mp3")), "A");
  // Never into itself.
  EXPECT_NE(fileOperation(FO_COPY, listOf(dir, {"moved"}), dir.windowsPath("moved/inner") + u'\0',
                          FOF_NOCONFIRMATION | FOF_NOCONFIRMMKDIR),
            0);
  EXPECT_FALSE(fs::exists(dir.file("moved/inner")));
}
