// The path's file operations on real temporary trees: creation, removal and the streams.
#include "core/file/win/PathWin.h"

#include "core/file/win/tests/TempFolder.h"
#include "core/thread/Pooled.h"

#include <windows.h>
#include <shlobj.h>
#include <winseam.h>

#include <gtest/gtest.h>

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
