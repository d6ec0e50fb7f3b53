// Conformance of the run-time's wide file calls: path split and composition, access tests,
// permissions, file status, folder and file creation.
#include <crtfile.h>
#include <windows.h>

#include <gtest/gtest.h>

#include "testlib/TempDir.h"

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

struct Split {
  std::u16string drive, dir, fname, ext;
};

Split split(const char16_t* path) {
  WCHAR drive[_MAX_DRIVE], dir[_MAX_DIR], fname[_MAX_FNAME], ext[_MAX_EXT];
  EXPECT_EQ(_wsplitpath_s(path, drive, _MAX_DRIVE, dir, _MAX_DIR, fname, _MAX_FNAME, ext, _MAX_EXT), 0);
  return {drive, dir, fname, ext};
}

std::u16string windowsOf(const fs::path& path) {
  std::u16string out = u"Z:";
  for (char c : path.string()) out += c == '/' ? u'\\' : static_cast<char16_t>(c);
  return out;
}

}  // namespace

TEST(SplitPath, TakesApartDriveFolderTitleAndExtension) {
  Split s = split(u"C:\\music\\a.mp3");
  EXPECT_EQ(s.drive, u"C:");
  EXPECT_EQ(s.dir, u"\\music\\");
  EXPECT_EQ(s.fname, u"a");
  EXPECT_EQ(s.ext, u".mp3");
  s = split(u"Z:/home/ann/song.v2.wav");
  EXPECT_EQ(s.dir, u"/home/ann/");
  EXPECT_EQ(s.fname, u"song.v2");
  EXPECT_EQ(s.ext, u".wav");
  s = split(u"C:\\a\\b.txt:meta");
  EXPECT_EQ(s.ext, u".txt:meta") << "a stream name stays in the extension";
  s = split(u"C:\\a\\b:meta");
  EXPECT_EQ(s.fname, u"b:meta");
  EXPECT_EQ(s.ext, u"");
  s = split(u"\\\\server\\share\\f");
  EXPECT_EQ(s.drive, u"");
  EXPECT_EQ(s.dir, u"\\\\server\\share\\");
  s = split(u"C:");
  EXPECT_EQ(s.drive, u"C:");
  EXPECT_EQ(s.dir + s.fname + s.ext, u"");
  s = split(u"Z:\\home\\.profile");
  EXPECT_EQ(s.fname, u"");
  EXPECT_EQ(s.ext, u".profile") << "a leading dot starts the extension";
  s = split(u"Z:\\dot.dir\\name");
  EXPECT_EQ(s.fname, u"name") << "dots in folders are not extensions";
  EXPECT_EQ(s.ext, u"");
}

TEST(SplitPath, ReportsPartsThatDoNotFit) {
  WCHAR drive[3], dir[4], fname[8], ext[8];
  EXPECT_EQ(_wsplitpath_s(u"C:\\long\\a.b", drive, 3, dir, 4, fname, 8, ext, 8), ERANGE);
  EXPECT_EQ(drive[0], 0);
  EXPECT_EQ(fname[0], 0);
  EXPECT_EQ(_wsplitpath_s(nullptr, drive, 3, dir, 4, fname, 8, ext, 8), EINVAL);
  EXPECT_EQ(_wsplitpath_s(u"a", drive, 0, nullptr, 0, nullptr, 0, nullptr, 0), EINVAL) << "a buffer without a size";
  EXPECT_EQ(_wsplitpath_s(u"C:\\x\\a.b", nullptr, 0, nullptr, 0, fname, 8, nullptr, 0), 0) << "parts may be skipped";
  EXPECT_EQ(std::u16string(fname), u"a");
}

TEST(MakePath, JoinsPartsAddingSeparators) {
  WCHAR out[64];
  ASSERT_EQ(_wmakepath_s(out, 64, u"C", u"\\music", u"a", u"mp3"), 0);
  EXPECT_EQ(std::u16string(out), u"C:\\music\\a.mp3");
  ASSERT_EQ(_wmakepath_s(out, 64, u"C:", u"\\music\\", nullptr, nullptr), 0);
  EXPECT_EQ(std::u16string(out), u"C:\\music\\");
  ASSERT_EQ(_wmakepath_s(out, 64, u"", u"", u"x", u".y"), 0);
  EXPECT_EQ(std::u16string(out), u"x.y");
  EXPECT_EQ(_wmakepath_s(out, 5, u"C:", u"\\music\\", nullptr, nullptr), ERANGE);
  EXPECT_EQ(out[0], 0);
}

class CrtFiles : public ::testing::Test {
 protected:
  lumetra::testlib::TempDir m_temp;
  const fs::path m_root = m_temp.path();
};

TEST_F(CrtFiles, AccessAndPermissionsFollowTheReadOnlyAttribute) {
  std::ofstream(m_root / "f.mp3") << "12345";
  std::u16string name = windowsOf(m_root / "f.mp3");
  EXPECT_EQ(_waccess(name.c_str(), 0), 0);
  EXPECT_EQ(_waccess(name.c_str(), 6), 0);
  ASSERT_EQ(_wchmod(name.c_str(), _S_IREAD), 0);
  EXPECT_EQ(_waccess(name.c_str(), 4), 0);
  EXPECT_EQ(_waccess(name.c_str(), 2), -1) << "read-only, whoever asks";
  EXPECT_EQ(errno, EACCES);
  EXPECT_EQ(GetFileAttributesW(name.c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  ASSERT_EQ(_wchmod(name.c_str(), _S_IREAD | _S_IWRITE), 0);
  EXPECT_EQ(_waccess(name.c_str(), 2), 0);
  std::u16string missing = windowsOf(m_root / "none");
  EXPECT_EQ(_waccess(missing.c_str(), 0), -1);
  EXPECT_EQ(errno, ENOENT);
  EXPECT_EQ(_waccess(name.c_str(), 1), -1);
  EXPECT_EQ(errno, EINVAL);
}

TEST_F(CrtFiles, StatusHasTheRunTimesShape) {
  std::ofstream(m_root / "f.mp3") << "12345";
  fs::create_directory(m_root / "d");
  struct _stat64 status;
  ASSERT_EQ(_wstat64(windowsOf(m_root / "f.mp3").c_str(), &status), 0);
  EXPECT_EQ(status.st_size, 5);
  EXPECT_EQ(status.st_mode & _S_IFMT, _S_IFREG);
  EXPECT_EQ(status.st_mode & 0777, 0600 | 060 | 06) << "read and write, repeated for group and others";
  EXPECT_GT(status.st_mtime, 1600000000);
  EXPECT_LE(status.st_ctime, status.st_mtime + 1);
  EXPECT_EQ(status.st_dev, 25u);
  ASSERT_EQ(_wstat64(windowsOf(m_root / "d").c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & _S_IFMT, _S_IFDIR);
  EXPECT_EQ(_wstat64(windowsOf(m_root / "none").c_str(), &status), -1);
  EXPECT_EQ(errno, ENOENT);
}

TEST_F(CrtFiles, CreatesFoldersAndNewFiles) {
  std::u16string folder = windowsOf(m_root / "new");
  EXPECT_EQ(_wmkdir(folder.c_str()), 0);
  EXPECT_EQ(_wmkdir(folder.c_str()), -1);
  EXPECT_EQ(errno, EEXIST);
  EXPECT_EQ(_wmkdir(windowsOf(m_root / "a" / "b").c_str()), -1) << "no parents are made";
  EXPECT_EQ(errno, ENOENT);

  std::u16string file = windowsOf(m_root / "new" / "f.txt");
  int fd = -1;
  ASSERT_EQ(_wsopen_s(&fd, file.c_str(), _O_CREAT | _O_EXCL | _O_RDWR | _O_BINARY, _SH_DENYNO, _S_IREAD | _S_IWRITE),
            0);
  EXPECT_GE(fd, 0);
  EXPECT_EQ(_close(fd), 0);
  EXPECT_EQ(_wsopen_s(&fd, file.c_str(), _O_CREAT | _O_EXCL | _O_RDWR, _SH_DENYNO, _S_IREAD | _S_IWRITE), EEXIST);
  EXPECT_EQ(fd, -1);
  EXPECT_EQ(_wsopen_s(&fd, file.c_str(), _O_RDONLY | _O_TEXT, _SH_DENYNO, 0), EINVAL) << "no text translation";
}

TEST(RunTimeTypes, StatusRecordHasTheRunTimesLayout) {
  EXPECT_EQ(sizeof(struct _stat64), 56u);
  EXPECT_EQ(offsetof(struct _stat64, st_rdev), 16u);
  EXPECT_EQ(offsetof(struct _stat64, st_size), 24u);
  EXPECT_EQ(offsetof(struct _stat64, st_ctime), 48u);
}

TEST_F(CrtFiles, DescriptorReadsWritesSeeksAndLengths) {
  std::u16string name = windowsOf(m_root / "d.bin");
  int fd = -1;
  ASSERT_EQ(_wsopen_s(&fd, name.c_str(), _O_RDWR | _O_CREAT | _O_BINARY, _SH_DENYWR, _S_IREAD | _S_IWRITE), 0);
  EXPECT_EQ(_write(fd, "0123456789", 10), 10);
  EXPECT_EQ(_filelengthi64(fd), 10);
  EXPECT_EQ(_lseeki64(fd, 4, SEEK_SET), 4);
  char got[8] = {};
  EXPECT_EQ(_read(fd, got, 3), 3);
  EXPECT_EQ(std::string(got), "456");
  EXPECT_EQ(_lseeki64(fd, -2, SEEK_END), 8);
  EXPECT_EQ(_read(fd, got, 8), 2) << "a read stops at the end";
  EXPECT_EQ(_read(fd, got, 8), 0);
  EXPECT_EQ(_lseeki64(fd, 20, SEEK_SET), 20) << "past the end is allowed";
  EXPECT_EQ(_write(fd, "x", 1), 1);
  EXPECT_EQ(_filelengthi64(fd), 21);
  EXPECT_EQ(_lseeki64(fd, -1, SEEK_SET), -1);
  EXPECT_EQ(errno, EINVAL);
  EXPECT_EQ(_lseeki64(fd, 0, 7), -1);
  EXPECT_EQ(_commit(fd), 0);
  EXPECT_EQ(_close(fd), 0);
  EXPECT_EQ(_filelengthi64(fd), -1);
  EXPECT_EQ(errno, EBADF);
  EXPECT_EQ(_write(fd, "x", 1), -1);
}
