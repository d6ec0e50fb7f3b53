// The path's file operations on real temporary trees: creation, removal and the streams.
#include "core/file/win/PathWin.h"

#include "core/file/win/tests/TempFolder.h"
#include "core/thread/Pooled.h"

#include <windows.h>
#include <shlobj.h>
#include <winseam.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using s::file::win::PathWin;
using Path = s::thread::Pooled<PathWin>;
namespace fs = std::filesystem;

Path path(const std::u16string& text) { return Path(PathWin::newFromText(text.c_str())); }

// The change notifications sent while it lives, as "event path" lines.
class NotifyRecorder {
 public:
  NotifyRecorder() { m_previous = winapi::seam::replaceSHChangeNotify(&record); }
  ~NotifyRecorder() { winapi::seam::replaceSHChangeNotify(m_previous); }
  static std::vector<std::u16string>& events() {
    static std::vector<std::u16string> s_events;
    return s_events;
  }

 private:
  static void WINAPI record(LONG event, UINT flags, LPCVOID item, LPCVOID) {
    EXPECT_EQ(flags, static_cast<UINT>(SHCNF_PATHW | SHCNF_FLUSH));
    const char16_t* name = event == SHCNE_CREATE   ? u"create "
                           : event == SHCNE_MKDIR  ? u"mkdir "
                           : event == SHCNE_DELETE ? u"delete "
                           : event == SHCNE_RMDIR  ? u"rmdir "
                                                   : u"other ";
    events().push_back(name + std::u16string(static_cast<const char16_t*>(item)));
  }
  winapi::seam::SHChangeNotifyFunction m_previous;
};

using PathOperations = s::testing::TempFolder;

}  // namespace

TEST_F(PathOperations, CreateMakesParentsAndRefusesWhatExists) {
  NotifyRecorder recorder;
  NotifyRecorder::events().clear();
  EXPECT_TRUE(path(at("new/deep/x"))->createDirectory(true));
  EXPECT_TRUE(fs::is_directory(posix("new/deep/x")));
  EXPECT_FALSE(path(at("new/deep/x"))->createDirectory(false)) << "an existing folder";
  EXPECT_TRUE(path(at("files/a/b.txt"))->createFile(true));
  EXPECT_EQ(fs::file_size(posix("files/a/b.txt")), 0u);
  writeFile("files/a/b.txt", "keep");
  EXPECT_FALSE(path(at("files/a/b.txt"))->createFile(false)) << "an existing file";
  EXPECT_EQ(readFile("files/a/b.txt"), "keep");
  EXPECT_TRUE(path(at("more/c.txt"))->createParentDirectories());
  EXPECT_TRUE(fs::is_directory(posix("more")));
  EXPECT_FALSE(fs::exists(posix("more/c.txt")));
  EXPECT_EQ(NotifyRecorder::events(),
            (std::vector<std::u16string>{u"mkdir " + at("new/deep/x"),
                                         u"create " + at("files/a/b.txt")}));
  EXPECT_FALSE(path(u"Z:\\")->createDirectory(false)) << "a drive root is never touched";
}

TEST_F(PathOperations, RemoveDeletesFilesFoldersAndLinksButNeverLinkTargets) {
  NotifyRecorder recorder;
  NotifyRecorder::events().clear();
  writeFile("ro.txt", "x");
  fs::permissions(posix("ro.txt"), fs::perms::owner_read);
  EXPECT_TRUE(path(at("ro.txt"))->remove(true, false)) << "read-only: made writable, then deleted";
  EXPECT_FALSE(fs::exists(posix("ro.txt")));
  EXPECT_TRUE(path(at("missing"))->remove(false, false));

  writeFile("target/keep.txt", "k");
  writeFile("tree/a/b.txt", "b");
  writeFile("tree/.hidden", "h");
  fs::create_directory_symlink(posix("target"), posix("tree/a/link"));
  fs::create_symlink(posix("nowhere"), posix("tree/dangling"));
  EXPECT_TRUE(path(at("tree"))->remove(true, true));
  EXPECT_FALSE(fs::exists(fs::symlink_status(posix("tree"))));
  EXPECT_EQ(readFile("target/keep.txt"), "k") << "the link's target stays";

  fs::create_directory_symlink(posix("target"), posix("folderlink"));
  EXPECT_TRUE(path(at("folderlink"))->remove(false, false));
  EXPECT_TRUE(fs::exists(posix("target/keep.txt")));
  EXPECT_EQ(NotifyRecorder::events(),
            (std::vector<std::u16string>{u"delete " + at("ro.txt"), u"rmdir " + at("tree")}));
  EXPECT_FALSE(path(u"Z:")->remove(false, false));
}

TEST_F(PathOperations, StreamsOpenOnThePathAndOutputMakesParents) {
  s::file::win::FileOutputStream* out = path(at("out/sub/f.bin"))->openOutputStream(false);
  uint32_t written = 0;
  ASSERT_TRUE(out->write("abc", 3, &written));
  out->dispose();
  EXPECT_EQ(readFile("out/sub/f.bin"), "abc");
  out = path(at("out/sub/f.bin"))->openOutputStream(true);
  ASSERT_TRUE(out->write("d", 1, &written));
  out->dispose();
  s::file::win::FileInputStream* in = path(at("out/sub/f.bin"))->openInputStream();
  char bytes[8] = {};
  uint32_t got = 0;
  EXPECT_TRUE(in->read(bytes, 8, &got));
  EXPECT_EQ(std::string(bytes, got), "abcd");
  in->dispose();
  in = path(at("missing"))->openInputStream();
  ASSERT_NE(in, nullptr) << "returned unopened";
  EXPECT_FALSE(in->read(bytes, 8, &got) && got > 0);
  in->dispose();
}

TEST_F(PathOperations, CopiesAndMovesFilesAndFoldersButNeverIntoThemselves) {
  writeFile("a/x.txt", "x");
  writeFile("a/.h", "h");
  writeFile("a/sub/y.txt", "y");
  EXPECT_TRUE(path(at("a"))->copyTo(at("c").c_str(), false));
  EXPECT_EQ(readFile("c/sub/y.txt"), "y");
  EXPECT_EQ(readFile("c/.h"), "h") << "hidden entries too";
  EXPECT_FALSE(path(at("a"))->copyTo(at("c").c_str(), false)) << "an existing target";
  EXPECT_TRUE(path(at("a"))->copyTo(at("c").c_str(), true));
  EXPECT_FALSE(path(at("a"))->copyTo(at("a/b").c_str(), true));
  EXPECT_FALSE(path(at("a"))->copyTo(at("c/../a/sub/deeper").c_str(), true)) << "through \"..\"";
  fs::create_directory_symlink(posix("a"), posix("alias"));
  EXPECT_FALSE(path(at("a"))->copyTo(at("alias/new").c_str(), true)) << "through a link";
  EXPECT_FALSE(fs::exists(posix("a/new")));
  EXPECT_TRUE(path(at("a/x.txt"))->copyTo(at("deep/er/x.txt").c_str(), false)) << "parents made";

  NotifyRecorder recorder;
  NotifyRecorder::events().clear();
  EXPECT_TRUE(path(at("c"))->moveTo(at("moved").c_str(), false, true));
  EXPECT_TRUE(fs::exists(posix("moved/sub/y.txt")));
  EXPECT_FALSE(path(at("deep/er/x.txt"))->moveTo(at("a/x.txt").c_str(), false, false));
  EXPECT_TRUE(path(at("deep/er/x.txt"))->moveTo(at("a/x.txt").c_str(), true, false));
  EXPECT_EQ(NotifyRecorder::events(),
            (std::vector<std::u16string>{u"rmdir " + at("c"), u"mkdir " + at("moved")}));
  EXPECT_TRUE(path(at("a/x.txt"))->renameTo(at("a/z.txt").c_str()));
  EXPECT_FALSE(path(at("a/z.txt"))->renameTo(at("a/sub").c_str())) << "onto an existing name";
}

TEST_F(PathOperations, FileTimesByAttributeClass) {
  writeFile("n.txt", "n");
  writeFile(".hidden", "h");
  EXPECT_TRUE(path(at("n.txt"))
                  ->setFileTimes(-1, 1000000000, 1100000000, true, false, false, false, false));
  EXPECT_EQ(path(at("n.txt"))->getLastWriteTime(false), 1100000000);
  EXPECT_EQ(path(at("n.txt"))->getLastAccessTime(false), 1000000000);
  const int64_t before = path(at(".hidden"))->getLastWriteTime(false);
  EXPECT_TRUE(path(at(".hidden"))->setFileTimes(-1, -1, 5, true, true, false, true, false))
      << "nothing asked for hidden files";
  EXPECT_EQ(path(at(".hidden"))->getLastWriteTime(false), before);
  writeFile("t/u/v.txt", "v");
  EXPECT_TRUE(path(at("t"))->setFileTimes(-1, -1, 86400, true, true, true, true, true));
  EXPECT_EQ(path(at("t/u/v.txt"))->getLastWriteTime(false), 86400) << "recursion reaches files";
  EXPECT_EQ(path(at("t"))->getLastWriteTime(false), 86400) << "and folders";
  EXPECT_FALSE(path(at("missing"))->setFileTimes(-1, -1, 0, true, true, true, true, false));
}

TEST_F(PathOperations, ScrambleKeepsDotsAndPadsShortNames) {
  writeFile("d/secret.txt", "s");
  s::thread::Pooled<s::str::strbuffer::StrBuffer> out;
  EXPECT_TRUE(path(at("d/secret.txt"))->scrambleName(3, out.get(), true));
  std::u16string name = path(out->getCStr())->getFileName();
  EXPECT_EQ(name.size(), 10u);
  EXPECT_EQ(name[6], u'.');
  EXPECT_EQ(readFile("d/" + std::string(name.begin(), name.end())), "s");
  writeFile("d/x", "x");
  EXPECT_TRUE(path(at("d/x"))->scrambleName(1, out.get(), false));
  name = path(out->getCStr())->getFileName();
  EXPECT_EQ(name.size(), 3u);
  EXPECT_EQ(name[2], u'_');
  EXPECT_FALSE(path(at("d/missing"))->scrambleName(1, nullptr, false));
}

TEST_F(PathOperations, WholeFilesAndTemporaryFiles) {
  s::thread::Pooled<s::str::strbuffer::StrBuffer> text;
  text->assign(u"abc");
  EXPECT_TRUE(path(at("w/t.txt"))->writeText(text.get(), false));
  EXPECT_EQ(readFile("w/t.txt"), "abc") << "three bytes, no mark";
  EXPECT_TRUE(path(at("w/t.txt"))->writeText(text.get(), true));
  s::thread::Pooled<s::col::_array::ArrayU08> bytes;
  EXPECT_TRUE(path(at("w/t.txt"))->readAllInto(bytes.get()));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes->getItems()), bytes->getCount()),
            "abcabc");
  EXPECT_FALSE(path(at("w/none"))->readAllInto(bytes.get()));
  EXPECT_EQ(bytes->getCount(), 0u);
  EXPECT_TRUE(path(at("w/t.txt"))->probeExclusiveAccess(1, true, nullptr, 0));

  Path temp(s::file::win::newTempFilePath());
  ASSERT_TRUE(temp->exists());
  EXPECT_TRUE(std::u16string(temp->getFileName()).starts_with(u"NEW"));
  EXPECT_EQ(temp->getSize(false, true, nullptr, nullptr, true), 0);
  EXPECT_TRUE(temp->remove(false, false));
}

TEST_F(PathOperations, RecyclingSendsToTheTrashAndTellsTheShell) {
  const std::string dataHome = posix("data").string();
  const char* old = std::getenv("XDG_DATA_HOME");
  const std::string saved = old != nullptr ? old : "";
  setenv("XDG_DATA_HOME", dataHome.c_str(), 1);
  NotifyRecorder recorder;
  NotifyRecorder::events().clear();
  writeFile("song.mp3", "s");
  writeFile("album/a.wav", "a");
  EXPECT_TRUE(path(at("song.mp3"))->moveToRecycleBin(false, true));
  EXPECT_TRUE(path(at("album"))->moveToRecycleBin(false, true));
  EXPECT_FALSE(fs::exists(posix("song.mp3")));
  EXPECT_EQ(readFile("data/Trash/files/album/a.wav"), "a");
  EXPECT_EQ(NotifyRecorder::events(),
            (std::vector<std::u16string>{u"delete " + at("song.mp3"), u"rmdir " + at("album")}));
  EXPECT_FALSE(path(at("missing.mp3"))->moveToRecycleBin(false, true)) << "nothing to recycle";
  EXPECT_FALSE(path(u"Z:")->moveToRecycleBin(false, false));
  if (old != nullptr) {
    setenv("XDG_DATA_HOME", saved.c_str(), 1);
  } else {
    unsetenv("XDG_DATA_HOME");
  }
}
