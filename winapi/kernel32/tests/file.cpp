// Conformance of the file calls on real temporary trees: handles, paths and the Z: drive,
// attributes, listings, volumes. The trees are built with std::filesystem.
#include <windows.h>
#include <winseam.h>

#include <gtest/gtest.h>

#include "testlib/TempDir.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The Windows form of a POSIX path: drive Z: is the root.
std::u16string windowsOf(const fs::path& path) {
  std::u16string out = u"Z:";
  for (char c : path.string()) out += c == '/' ? u'\\' : static_cast<char16_t>(static_cast<unsigned char>(c));
  return out;
}

class TempTree : public ::testing::Test {
 protected:
  // The folder goes with the fixture, read-only parts included.
  lumetra::testlib::TempDir m_temp;
  std::u16string at(const std::string& relative) const { return windowsOf(m_root / relative); }
  void writeFile(const std::string& relative, const std::string& content) const {
    std::ofstream(m_root / relative, std::ios::binary) << content;
  }
  const fs::path m_root = m_temp.path();
};

std::vector<std::u16string> listNames(const std::u16string& pattern) {
  std::vector<std::u16string> names;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(pattern.c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    names.emplace_back(data.cFileName);
  } while (FindNextFileW(find, &data));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
  EXPECT_TRUE(FindClose(find));
  return names;
}

}  // namespace

TEST_F(TempTree, WriteSeekReadAndTruncate) {
  std::u16string name = at("data.bin");
  HANDLE file = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS)) << "a new file";
  DWORD done = 0;
  ASSERT_TRUE(WriteFile(file, "0123456789", 10, &done, nullptr));
  EXPECT_EQ(done, 10u);
  LARGE_INTEGER distance, position;
  distance.QuadPart = -4;
  ASSERT_TRUE(SetFilePointerEx(file, distance, &position, FILE_END));
  EXPECT_EQ(position.QuadPart, 6);
  char buffer[16] = {};
  ASSERT_TRUE(ReadFile(file, buffer, sizeof buffer, &done, nullptr));
  EXPECT_EQ(std::string(buffer, done), "6789");
  ASSERT_TRUE(ReadFile(file, buffer, sizeof buffer, &done, nullptr)) << "the end of the file is a successful read";
  EXPECT_EQ(done, 0u);
  distance.QuadPart = 3;
  ASSERT_TRUE(SetFilePointerEx(file, distance, &position, FILE_BEGIN));
  ASSERT_TRUE(SetEndOfFile(file));
  LARGE_INTEGER size;
  ASSERT_TRUE(GetFileSizeEx(file, &size));
  EXPECT_EQ(size.QuadPart, 3);
  distance.QuadPart = -10;
  SetLastError(0);
  EXPECT_FALSE(SetFilePointerEx(file, distance, &position, FILE_CURRENT));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NEGATIVE_SEEK));
  EXPECT_TRUE(FlushFileBuffers(file));
  EXPECT_TRUE(CloseHandle(file));

  // OPEN_ALWAYS on an existing file opens it and says so; CREATE_NEW refuses it.
  file = CreateFileW(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  SetLastError(0);
  EXPECT_FALSE(WriteFile(file, "x", 1, &done, nullptr)) << "the handle is read-only";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  CloseHandle(file);
  EXPECT_EQ(CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
}

TEST_F(TempTree, LongWritesReachTheFileWholeAroundARewrittenHeader) {
  // Past 4 MiB the layer starts the disk's writing behind the writer; a writer that goes back
  // to rewrite its header (as the WAV writer does) must still find every byte where it put it.
  std::u16string name = at("long.bin");
  HANDLE file = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  constexpr DWORD kPiece = 65536;
  constexpr int kPieces = 160;  // 10 MiB
  std::vector<char> expected;
  std::vector<char> piece(kPiece);
  DWORD done = 0;
  for (int i = 0; i < kPieces; ++i) {
    for (DWORD j = 0; j < kPiece; ++j) piece[j] = static_cast<char>((i * 31 + j * 7) & 0xFF);
    ASSERT_TRUE(WriteFile(file, piece.data(), kPiece, &done, nullptr)) << "piece " << i;
    ASSERT_EQ(done, kPiece);
    expected.insert(expected.end(), piece.begin(), piece.end());
    if (i == kPieces / 2) {
      LARGE_INTEGER start{}, position{};
      ASSERT_TRUE(SetFilePointerEx(file, start, nullptr, FILE_BEGIN));
      ASSERT_TRUE(WriteFile(file, "HEAD", 4, &done, nullptr));
      std::copy_n("HEAD", 4, expected.begin());
      ASSERT_TRUE(SetFilePointerEx(file, start, &position, FILE_END));
    }
  }
  EXPECT_TRUE(FlushFileBuffers(file));
  EXPECT_TRUE(CloseHandle(file));
  std::ifstream in(m_root / "long.bin", std::ios::binary);
  const std::vector<char> actual((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_EQ(actual.size(), expected.size());
  EXPECT_TRUE(actual == expected) << "the bytes differ";

  // A device takes long writes too: the writing behind does not apply to it and fails nothing.
  HANDLE sink = CreateFileW(u"Z:\\dev\\null", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(sink, INVALID_HANDLE_VALUE);
  for (int i = 0; i < kPieces; ++i) {
    ASSERT_TRUE(WriteFile(sink, piece.data(), kPiece, &done, nullptr)) << "piece " << i;
  }
  EXPECT_TRUE(CloseHandle(sink));
}

TEST_F(TempTree, MissingFilesAndFoldersAreToldApart) {
  EXPECT_EQ(CreateFileW(at("none.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(CreateFileW(at("no/dir/x.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(GetFileAttributesW(at("none.txt").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  // Folders open only with backup semantics.
  EXPECT_EQ(CreateFileW(at("").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  // A named pipe is refused at once instead of waiting for a writer.
  ASSERT_EQ(std::system(("mkfifo '" + (m_root / "pipe.mp3").string() + "'").c_str()), 0);
  EXPECT_EQ(CreateFileW(at("pipe.mp3").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  HANDLE folder =
      CreateFileW(at("").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(folder, INVALID_HANDLE_VALUE);
  BY_HANDLE_FILE_INFORMATION info;
  ASSERT_TRUE(GetFileInformationByHandle(folder, &info));
  EXPECT_TRUE(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  CloseHandle(folder);
}

TEST_F(TempTree, PathsMapOntoDriveZ) {
  writeFile("a.txt", "abc");
  std::u16string plain = at("a.txt");
  // The long-path prefix is accepted and stripped; forward slashes and dot segments resolve.
  std::u16string longForm = u"\\\\?\\" + plain;
  std::u16string dotted = at("sub/../a.txt");
  for (const std::u16string& name : {longForm, dotted}) {
    HANDLE file = CreateFileW(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
  }
  EXPECT_EQ(GetFileAttributesW(u"\\\\?\\UNC\\server\\share\\a.txt"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_NETPATH));
  EXPECT_EQ(GetFileAttributesW(u"\\\\server\\share\\a.txt"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_NETPATH));
  EXPECT_EQ(GetFileAttributesW(u"C:\\a.txt"), INVALID_FILE_ATTRIBUTES) << "only drive Z: exists";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_NE(GetFileAttributesW(u"z:\\"), INVALID_FILE_ATTRIBUTES) << "drive letters ignore case";

  WCHAR full[MAX_PATH];
  LPWSTR filePart = nullptr;
  DWORD n = GetFullPathNameW(u"Z:/x//y/./../z.mp3", MAX_PATH, full, &filePart);
  EXPECT_EQ(std::u16string(full, n), u"Z:\\x\\z.mp3");
  EXPECT_EQ(std::u16string(filePart), u"z.mp3");
  EXPECT_EQ(GetFullPathNameW(u"\\a\\..\\..\\b\\", MAX_PATH, full, &filePart), 5u);
  EXPECT_EQ(std::u16string(full), u"Z:\\b\\") << "\"..\" stops at the root and a trailing separator stays";
  EXPECT_EQ(filePart, nullptr);
  EXPECT_EQ(GetFullPathNameW(u"C:\\a\\b\\..", MAX_PATH, full, nullptr), 4u) << "other drives resolve as text";
  EXPECT_EQ(GetFullPathNameW(u"Z:\\abc", 3, full, nullptr), 7u) << "a short buffer gets the size it needs";
  n = GetFullPathNameW(u"relative.txt", MAX_PATH, full, nullptr);
  std::u16string relative(full, n);
  EXPECT_EQ(relative.substr(0, 3), u"Z:\\");
  EXPECT_EQ(relative.substr(relative.size() - 13), u"\\relative.txt");
}

TEST_F(TempTree, LongPathsWorkThroughTheLongForm) {
  fs::path deep = m_root;
  for (int i = 0; i < 12; ++i) deep /= std::string(30, static_cast<char>('a' + i));
  fs::create_directories(deep);
  std::u16string name = u"\\\\?\\" + windowsOf(deep / "f.txt");
  ASSERT_GT(name.size(), 300u);
  HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  EXPECT_TRUE(fs::exists(deep / "f.txt"));
}

TEST_F(TempTree, NamesThatAreNotUtf8RoundTrip) {
  std::string raw = "a\xFF\xC3.mp3";
  std::ofstream(m_root / raw) << "x";
  std::vector<std::u16string> names = listNames(at("*.mp3"));
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(names[0], u"a\xDCFF\xDCC3.mp3") << "each undecodable byte is one lone surrogate";
  std::u16string back = at("") + u"\\" + names[0];
  HANDLE file = CreateFileW(back.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << "the same bytes are used again on the way out";
  CloseHandle(file);
  std::u16string unmappable = at("") + u"\\b\xD800.mp3";
  EXPECT_EQ(CreateFileW(unmappable.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME)) << "a surrogate that stands for no byte";
}

TEST_F(TempTree, ABackslashInANameStaysPartOfThatName) {
  // "a\b.mp3" in the folder, and a folder "a" holding "b.mp3": the name that Windows would read as
  // the second must keep naming the first, whichever road its path took.
  writeFile("a\\b.mp3", "own");
  fs::create_directory(m_root / "a");
  writeFile("a/b.mp3", "other");
  std::vector<std::u16string> names = listNames(at("*.mp3"));
  ASSERT_EQ(names.size(), 1u);
  const std::u16string escaped(1, char16_t(0xDC00 + '\\'));
  EXPECT_EQ(names[0], u"a" + escaped + u"b.mp3") << "the backslash travels as the escape of its byte";
  const std::u16string listed = windowsOf(m_root) + u"\\" + names[0];
  HANDLE file = CreateFileW(listed.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  char buffer[8] = {};
  DWORD done = 0;
  ASSERT_TRUE(ReadFile(file, buffer, sizeof buffer, &done, nullptr));
  EXPECT_EQ(std::string(buffer, done), "own") << "the file of that name, not b.mp3 in the folder a";
  WCHAR final[MAX_PATH] = {};
  ASSERT_GT(GetFinalPathNameByHandleW(file, final, MAX_PATH, 0), 0u);
  EXPECT_EQ(std::u16string(final), listed) << "a path from the system carries the same escape";
  CloseHandle(file);
  // A new file of such a name is made under it.
  const std::u16string made = windowsOf(m_root) + u"\\c" + escaped + u"d.mp3";
  file = CreateFileW(made.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  EXPECT_TRUE(fs::exists(m_root / "c\\d.mp3"));
  EXPECT_FALSE(fs::exists(m_root / "c"));
}

TEST_F(TempTree, AttributesComeFromTheFileSystem) {
  writeFile("plain.mp3", "12345");
  writeFile(".hidden", "");
  writeFile("locked.txt", "");
  fs::create_directory(m_root / "folder");
  fs::permissions(m_root / "locked.txt", fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  fs::create_symlink(m_root / "plain.mp3", m_root / "link.mp3");
  fs::create_directory_symlink(m_root / "folder", m_root / "folderlink");

  EXPECT_EQ(GetFileAttributesW(at("plain.mp3").c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(GetFileAttributesW(at(".hidden").c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(GetFileAttributesW(at("locked.txt").c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(GetFileAttributesW(at("folder").c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  EXPECT_EQ(GetFileAttributesW(at("link.mp3").c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT));
  EXPECT_EQ(GetFileAttributesW(at("folderlink").c_str()),
            static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY));

  WIN32_FILE_ATTRIBUTE_DATA data;
  ASSERT_TRUE(GetFileAttributesExW(at("plain.mp3").c_str(), GetFileExInfoStandard, &data));
  EXPECT_EQ(data.nFileSizeLow, 5u);
  EXPECT_EQ(data.nFileSizeHigh, 0u);
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  auto ticks = [](const FILETIME& t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  EXPECT_LT(ticks(now) - ticks(data.ftLastWriteTime), 600000000ULL) << "written within the last minute";
  EXPECT_LE(ticks(data.ftCreationTime), ticks(data.ftLastWriteTime) + 10000000ULL);

  // Read-only can be set and cleared; hidden and system cannot be invented.
  ASSERT_TRUE(SetFileAttributesW(at("plain.mp3").c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(GetFileAttributesW(at("plain.mp3").c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(SetFileAttributesW(at("plain.mp3").c_str(), FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(GetFileAttributesW(at("plain.mp3").c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_NORMAL));
  SetLastError(0);
  EXPECT_FALSE(SetFileAttributesW(at("plain.mp3").c_str(), FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  EXPECT_FALSE(SetFileAttributesW(at("plain.mp3").c_str(), FILE_ATTRIBUTE_SYSTEM));
  EXPECT_TRUE(SetFileAttributesW(at(".hidden").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE))
      << "a dot-name is hidden already";
  EXPECT_FALSE(SetFileAttributesW(at("missing").c_str(), FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(TempTree, PipesAreDevicesAndLoopsOfLinksCannotBeResolved) {
  ASSERT_EQ(mkfifo((m_root / "pipe").c_str(), 0600), 0);
  EXPECT_EQ(GetFileAttributesW(at("pipe").c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_DEVICE));
  EXPECT_EQ(CreateFileW(at("pipe").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  fs::create_symlink(m_root / "b", m_root / "a");
  fs::create_symlink(m_root / "a", m_root / "b");
  EXPECT_EQ(CreateFileW(at("a").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANT_RESOLVE_FILENAME));
}

TEST_F(TempTree, ListingsAreSortedAndMatchWildcards) {
  writeFile("b.mp3", "12");
  writeFile("A.MP3", "1");
  writeFile("c.wav", "123");
  writeFile("noext", "");
  fs::create_directory(m_root / "sub");
  fs::create_symlink(m_root / "b.mp3", m_root / "l.mp3");

  std::vector<std::u16string> all = listNames(at("*"));
  std::vector<std::u16string> expected = {u".", u"..", u"A.MP3", u"b.mp3", u"c.wav", u"l.mp3", u"noext", u"sub"};
  EXPECT_EQ(all, expected);
  EXPECT_EQ(listNames(at("*.*")), expected) << "\"*.*\" takes names without a dot too";
  EXPECT_EQ(listNames(at("*.mp3")), (std::vector<std::u16string>{u"A.MP3", u"b.mp3", u"l.mp3"}));
  EXPECT_EQ(listNames(at("?.wav")), std::vector<std::u16string>{u"c.wav"});
  EXPECT_EQ(listNames(at("c.wav")), std::vector<std::u16string>{u"c.wav"}) << "a plain name finds that entry";

  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(at("l.mp3").c_str(), &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  EXPECT_EQ(data.dwFileAttributes, static_cast<DWORD>(FILE_ATTRIBUTE_REPARSE_POINT));
  EXPECT_EQ(data.dwReserved0, IO_REPARSE_TAG_SYMLINK);
  EXPECT_EQ(data.nFileSizeLow, 0u) << "a link has no size of its own";
  EXPECT_FALSE(CloseHandle(find)) << "a search is closed by FindClose only";
  EXPECT_TRUE(FindClose(find));
  find = FindFirstFileW(at("c.wav").c_str(), &data);
  EXPECT_EQ(data.nFileSizeLow, 3u);
  FindClose(find);

  EXPECT_EQ(FindFirstFileW(at("*.flac").c_str(), &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(FindFirstFileW(at("nowhere/*").c_str(), &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST_F(TempTree, ListedEntriesTellWhatTheAttributeQueryTells) {
  // A wildcard listing reads each entry's status its own way; it must agree with the query of
  // the one name, for every kind of entry, with times set apart from each other and from now.
  writeFile("plain.mp3", "12345");
  writeFile(".hidden", "xy");
  writeFile("locked.txt", "");
  fs::permissions(m_root / "locked.txt", fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  fs::create_directory(m_root / "folder");
  fs::create_symlink(m_root / "plain.mp3", m_root / "link.mp3");
  fs::create_directory_symlink(m_root / "folder", m_root / "folderlink");
  fs::create_symlink(m_root / "missing", m_root / "dangling");
  const std::string old = (m_root / "plain.mp3").string();
  const struct timespec times[2] = {{1000000000, 123456700}, {1200000000, 765432100}};
  ASSERT_EQ(utimensat(AT_FDCWD, old.c_str(), times, 0), 0);

  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(at("*").c_str(), &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  int checked = 0;
  auto ticks = [](const FILETIME& t) { return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  do {
    const std::u16string name = data.cFileName;
    if (name == u"." || name == u"..") continue;
    WIN32_FILE_ATTRIBUTE_DATA one;
    ASSERT_TRUE(GetFileAttributesExW((at("") + u"\\" + name).c_str(), GetFileExInfoStandard, &one));
    const std::string shown(name.begin(), name.end());
    EXPECT_EQ(data.dwFileAttributes, one.dwFileAttributes) << shown;
    EXPECT_EQ(ticks(data.ftCreationTime), ticks(one.ftCreationTime)) << shown;
    // Telling a link's target apart reads the link, which may move the link's own access time
    // between the two questions.
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
      EXPECT_EQ(ticks(data.ftLastAccessTime), ticks(one.ftLastAccessTime)) << shown;
    }
    EXPECT_EQ(ticks(data.ftLastWriteTime), ticks(one.ftLastWriteTime)) << shown;
    EXPECT_EQ(data.nFileSizeHigh, one.nFileSizeHigh) << shown;
    EXPECT_EQ(data.nFileSizeLow, one.nFileSizeLow) << shown;
    if (name == u"plain.mp3") {
      // 1200000000 s and 765432100 ns after 1970, in 100 ns ticks after 1601.
      EXPECT_EQ(ticks(data.ftLastWriteTime), 12000000000000000ULL + 7654321ULL + 116444736000000000ULL);
      EXPECT_EQ(ticks(data.ftLastAccessTime), 10000000000000000ULL + 1234567ULL + 116444736000000000ULL);
    }
    ++checked;
  } while (FindNextFileW(find, &data));
  FindClose(find);
  EXPECT_EQ(checked, 7);
}

TEST_F(TempTree, HandlesTellTheSameFile) {
  writeFile("f.txt", "hello");
  HANDLE first = CreateFileW(at("f.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  HANDLE second = CreateFileW(at("f.txt").c_str(), 0, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(first, INVALID_HANDLE_VALUE);
  ASSERT_NE(second, INVALID_HANDLE_VALUE) << "a handle without access only asks about the file";
  BY_HANDLE_FILE_INFORMATION a, b;
  ASSERT_TRUE(GetFileInformationByHandle(first, &a));
  ASSERT_TRUE(GetFileInformationByHandle(second, &b));
  EXPECT_EQ(a.nFileSizeLow, 5u);
  EXPECT_EQ(a.nNumberOfLinks, 1u);
  EXPECT_EQ(a.nFileIndexLow, b.nFileIndexLow);
  EXPECT_EQ(a.dwVolumeSerialNumber, b.dwVolumeSerialNumber);
  CloseHandle(first);
  CloseHandle(second);

  HANDLE temporary =
      CreateFileW(at("gone.tmp").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  ASSERT_NE(temporary, INVALID_HANDLE_VALUE);
  EXPECT_TRUE(fs::exists(m_root / "gone.tmp"));
  CloseHandle(temporary);
  EXPECT_FALSE(fs::exists(m_root / "gone.tmp"));
}

TEST_F(TempTree, VolumesAreTheMountsOfFolders) {
  WCHAR fileSystem[32];
  DWORD serial = 0, maxName = 0, flags = 0;
  ASSERT_TRUE(GetVolumeInformationW(at("").c_str(), nullptr, 0, &serial, &maxName, &flags, fileSystem, 32));
  EXPECT_GE(maxName, 255u);
  EXPECT_TRUE(flags & FILE_CASE_SENSITIVE_SEARCH);
  EXPECT_GT(std::u16string(fileSystem).size(), 0u);
  DWORD sectors = 0, bytes = 0, freeClusters = 0, clusters = 0;
  ASSERT_TRUE(GetDiskFreeSpaceW(u"Z:\\", &sectors, &bytes, &freeClusters, &clusters));
  EXPECT_GE(sectors * bytes, 512u);
  EXPECT_GT(clusters, 0u);
  EXPECT_FALSE(GetVolumeInformationW(at("missing").c_str(), nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0));
  writeFile("f", "");
  EXPECT_FALSE(GetVolumeInformationW(at("f").c_str(), nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIRECTORY));
}

TEST_F(TempTree, WritesCanBeCountedAndFailed) {
  static int calls = 0;
  static winapi::seam::WriteFileFunction real = nullptr;
  calls = 0;
  real =
      winapi::seam::replaceWriteFile([](HANDLE h, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED o) -> BOOL {
        if (++calls == 2) {
          *written = 0;
          SetLastError(ERROR_DISK_FULL);
          return FALSE;
        }
        return real(h, data, size, written, o);
      });
  HANDLE file = CreateFileW(at("w.bin").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD done = 0;
  EXPECT_TRUE(WriteFile(file, "ab", 2, &done, nullptr));
  EXPECT_FALSE(WriteFile(file, "cd", 2, &done, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
  winapi::seam::replaceWriteFile(real);
  EXPECT_TRUE(WriteFile(file, "ef", 2, &done, nullptr));
  CloseHandle(file);
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(fs::file_size(m_root / "w.bin"), 4u);
}

TEST_F(TempTree, FoldersAreMadeAndFilesDeletedAndMovedByName) {
  EXPECT_TRUE(CreateDirectoryW(at("made").c_str(), nullptr));
  EXPECT_TRUE(fs::is_directory(m_root / "made"));
  EXPECT_FALSE(CreateDirectoryW(at("made").c_str(), nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_FALSE(CreateDirectoryW(at("missing/inner").c_str(), nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

  writeFile("a.txt", "old");
  writeFile("b.txt", "new");
  // Without the replace flag an existing target stays as it is.
  EXPECT_FALSE(MoveFileExW(at("b.txt").c_str(), at("a.txt").c_str(), 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_TRUE(fs::exists(m_root / "b.txt"));
  EXPECT_TRUE(
      MoveFileExW(at("b.txt").c_str(), at("a.txt").c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
  EXPECT_FALSE(fs::exists(m_root / "b.txt"));
  std::ifstream in(m_root / "a.txt");
  std::string content;
  in >> content;
  EXPECT_EQ(content, "new");
  EXPECT_TRUE(MoveFileExW(at("a.txt").c_str(), at("made/c.txt").c_str(), 0));
  // A folder is never replaced, and delayed moves are not offered.
  writeFile("d.txt", "d");
  EXPECT_FALSE(MoveFileExW(at("d.txt").c_str(), at("made").c_str(), MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(MoveFileExW(at("d.txt").c_str(), at("e.txt").c_str(), MOVEFILE_DELAY_UNTIL_REBOOT));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_FALSE(MoveFileExW(at("nothing.txt").c_str(), at("e.txt").c_str(), 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

  EXPECT_TRUE(DeleteFileW(at("made/c.txt").c_str()));
  EXPECT_FALSE(DeleteFileW(at("made/c.txt").c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(DeleteFileW(at("made").c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST_F(TempTree, OnlyEmptyFoldersAreRemoved) {
  fs::create_directories(m_root / "full/inner");
  writeFile("file.txt", "x");
  fs::create_directory_symlink(m_root / "full", m_root / "link");
  EXPECT_FALSE(RemoveDirectoryW(at("full").c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIR_NOT_EMPTY));
  EXPECT_FALSE(RemoveDirectoryW(at("file.txt").c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIRECTORY));
  EXPECT_FALSE(RemoveDirectoryW(at("link").c_str())) << "a link is not followed into its folder";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIRECTORY));
  EXPECT_FALSE(RemoveDirectoryW(at("missing").c_str()));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_TRUE(RemoveDirectoryW(at("full/inner").c_str()));
  EXPECT_FALSE(fs::exists(m_root / "full/inner"));
  EXPECT_TRUE(fs::exists(m_root / "full"));
}

TEST_F(TempTree, CopiesKeepBytesModeAndTimeAndLeaveNothingHalfDone) {
  std::string bytes(300000, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + i / 251);
  writeFile("src.bin", bytes);
  fs::permissions(m_root / "src.bin", fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  const auto written = fs::last_write_time(m_root / "src.bin") - std::chrono::hours(30);
  fs::last_write_time(m_root / "src.bin", written);
  ASSERT_TRUE(CopyFileW(at("src.bin").c_str(), at("fast.bin").c_str(), TRUE));
  // A replaced step seam takes the read and write road: the same bytes must arrive.
  auto passThrough = [](LPCWSTR, ULONGLONG, ULONGLONG) -> BOOL { return TRUE; };
  auto previous = winapi::seam::replaceCopyFileStep(passThrough);
  ASSERT_TRUE(CopyFileW(at("src.bin").c_str(), at("blocks.bin").c_str(), TRUE));
  winapi::seam::replaceCopyFileStep(previous);
  for (const char* name : {"fast.bin", "blocks.bin"}) {
    std::ifstream in(m_root / name, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), bytes) << name;
    EXPECT_EQ(fs::status(m_root / name).permissions(), fs::status(m_root / "src.bin").permissions()) << name;
    EXPECT_EQ(fs::last_write_time(m_root / name), written) << name;
  }
  EXPECT_FALSE(CopyFileW(at("src.bin").c_str(), at("fast.bin").c_str(), TRUE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
  EXPECT_FALSE(CopyFileW(at("none.bin").c_str(), at("x.bin").c_str(), FALSE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(CopyFileW(at("src.bin").c_str(), at("nofolder/x.bin").c_str(), FALSE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  fs::permissions(m_root / "fast.bin", fs::perms::owner_read);
  EXPECT_FALSE(CopyFileW(at("src.bin").c_str(), at("fast.bin").c_str(), FALSE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED)) << "a read-only target";

  auto failHalfWay = [](LPCWSTR, ULONGLONG done, ULONGLONG total) -> BOOL {
    if (done * 2 < total) return TRUE;
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
  };
  previous = winapi::seam::replaceCopyFileStep(failHalfWay);
  EXPECT_FALSE(CopyFileW(at("src.bin").c_str(), at("half.bin").c_str(), FALSE));
  winapi::seam::replaceCopyFileStep(previous);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
  EXPECT_FALSE(fs::exists(m_root / "half.bin")) << "no partial target";
}

TEST_F(TempTree, MovesCrossFileSystemsByCopyAndTimesAreSet) {
  writeFile("f.txt", "data");
  const fs::path shm = "/dev/shm";
  if (fs::is_directory(shm) && fs::status(shm).permissions() != fs::perms::none) {
    const fs::path away = shm / ("lumetra-move-" + std::to_string(getpid()));
    const std::u16string target = windowsOf(away);
    EXPECT_FALSE(MoveFileExW(at("f.txt").c_str(), target.c_str(), 0)) << "no copy allowed";
    if (GetLastError() == static_cast<DWORD>(ERROR_NOT_SAME_DEVICE)) {
      ASSERT_TRUE(MoveFileExW(at("f.txt").c_str(), target.c_str(), MOVEFILE_COPY_ALLOWED));
      EXPECT_FALSE(fs::exists(m_root / "f.txt"));
      EXPECT_TRUE(fs::exists(away));
      ASSERT_TRUE(MoveFileExW(target.c_str(), at("f.txt").c_str(), MOVEFILE_COPY_ALLOWED));
      fs::create_directories(m_root / "folder");
      EXPECT_FALSE(MoveFileExW(at("folder").c_str(), target.c_str(), MOVEFILE_COPY_ALLOWED));
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SAME_DEVICE)) << "folders do not cross";
    }
    fs::remove(away);
  }
  fs::create_directories(m_root / "dir");
  for (const char* name : {"f.txt", "dir"}) {
    HANDLE file = CreateFileW(at(name).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << name;
    // 2001-09-09 01:46:40 UTC: 1e9 seconds after 1970.
    const ULONGLONG ticks = 1000000000ULL * 10000000ULL + 116444736000000000ULL;
    const FILETIME time{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &time));
    CloseHandle(file);
    struct stat status;
    ASSERT_EQ(stat((m_root / name).c_str(), &status), 0);
    EXPECT_EQ(status.st_mtime, 1000000000) << name;
  }
}
