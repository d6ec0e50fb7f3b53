// Shortcut files on real trees: the ".lnk" name rules, overwriting, shortcuts as targets, folder
// shortcuts, Internet shortcuts and the long form of paths.
#include "core/file/win/Shortcuts.h"

#include "core/file/win/PathWin.h"
#include "core/file/win/tests/TempFolder.h"
#include "core/thread/Pooled.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <thread>

namespace {

using s::file::win::PathWin;
using s::str::strbuffer::StrBuffer;
using Path = s::thread::Pooled<PathWin>;
using Text = s::thread::Pooled<StrBuffer>;
namespace fs = std::filesystem;

Path path(const std::u16string& text) { return Path(PathWin::newFromText(text.c_str())); }

std::u16string targetOf(const std::u16string& link) {
  Path target(path(link)->newShortcutTarget());
  return target->isValid() ? std::u16string(target->getFullPath()) : u"(none)";
}

using Shortcuts = s::testing::TempFolder;

}  // namespace

TEST_F(Shortcuts, NamesGainLnkOnceAndExistingFilesNeedOverwrite) {
  writeFile("song.mp3", "s");
  writeFile("other.mp3", "o");
  makeFolder("links");
  Path song(path(at("song.mp3")));
  EXPECT_TRUE(song->createShortcut(at("links/song").c_str(), false, nullptr));
  EXPECT_TRUE(fs::exists(posix("links/song.lnk")));
  EXPECT_TRUE(song->createShortcut(at("links/upper.LNK").c_str(), false, nullptr));
  EXPECT_TRUE(fs::exists(posix("links/upper.LNK")));
  EXPECT_FALSE(fs::exists(posix("links/upper.LNK.lnk")));
  EXPECT_EQ(targetOf(at("links/song.lnk")), at("song.mp3"));

  const std::string before = readFile("links/song.lnk");
  Path other(path(at("other.mp3")));
  EXPECT_FALSE(other->createShortcut(at("links/song.lnk").c_str(), false, nullptr));
  EXPECT_EQ(readFile("links/song.lnk"), before) << "left as it was";
  EXPECT_TRUE(other->createShortcut(at("links/song.lnk").c_str(), true, nullptr));
  EXPECT_EQ(targetOf(at("links/song.lnk")), at("other.mp3"));

  EXPECT_FALSE(path(at("missing.mp3"))->createShortcut(at("links/m").c_str(), false, nullptr));
  EXPECT_FALSE(fs::exists(posix("links/m.lnk")));
}

TEST_F(Shortcuts, AShortcutAsTargetIsCopiedNotWrapped) {
  writeFile("song.mp3", "s");
  makeFolder("links");
  ASSERT_TRUE(path(at("song.mp3"))->createShortcut(at("first").c_str(), false, nullptr));
  EXPECT_TRUE(path(at("first.lnk"))->createShortcut(at("links/second").c_str(), false, nullptr));
  EXPECT_EQ(readFile("links/second.lnk"), readFile("first.lnk"));
  EXPECT_EQ(targetOf(at("links/second.lnk")), at("song.mp3"));
  // A copy that cannot be made is no shortcut made.
  writeFile("blocker", "file, not a folder");
  EXPECT_FALSE(
      s::file::win::createShortcut(at("first.lnk").c_str(), at("blocker/x.lnk").c_str(), nullptr));
}

TEST_F(Shortcuts, FolderShortcutsFollowTheirTargetUntilItGoes) {
  makeFolder("f");
  makeFolder("g");
  makeFolder("plain");
  ASSERT_TRUE(path(at("g"))->createShortcut(at("f/target").c_str(), false, u"--ignored"));
  Path shortcut(path(at("f")));
  EXPECT_TRUE(shortcut->isFolderShortcut());
  EXPECT_EQ(std::u16string(shortcut->getFolderShortcutTarget()), at("g"));
  Path target(shortcut->newFolderShortcutTarget());
  EXPECT_EQ(std::u16string(target->getFullPath()), at("g"));
  EXPECT_FALSE(path(at("plain"))->isFolderShortcut());
  Text kept;
  kept->assign(u"kept");
  path(at("plain"))->copyFolderShortcutTarget(kept.get(), false);
  EXPECT_EQ(std::u16string(kept->getCStr()), u"kept") << "not a folder shortcut: left as it is";

  fs::remove(posix("g"));
  Path again(path(at("f")));
  EXPECT_FALSE(again->isFolderShortcut());
  EXPECT_EQ(std::u16string(again->getFolderShortcutTarget()), u"");
  Path none(again->newFolderShortcutTarget());
  EXPECT_FALSE(none->isValid());
}

TEST_F(Shortcuts, InternetShortcutsKeepTheirAddress) {
  Path site(path(at("site.url")));
  EXPECT_TRUE(site->createInternetShortcut(u"https://example.test/a?b=c", false));
  EXPECT_EQ(std::u16string(path(at("site.url"))->getInternetShortcutTarget()),
            u"https://example.test/a?b=c");
  EXPECT_FALSE(path(at("site.url"))->createInternetShortcut(u"https://other.test/", false));
  EXPECT_TRUE(path(at("site.url"))->createInternetShortcut(u"https://other.test/", true));
  Text url(s::file::win::resolveInternetShortcut(at("site.url").c_str()));
  EXPECT_EQ(std::u16string(url->getCStr()), u"https://other.test/");

  Text missing(s::file::win::resolveInternetShortcut(at("missing.url").c_str()));
  EXPECT_EQ(missing->getLength(), 0u);
  writeFile("page.txt", "[InternetShortcut]\nURL=http://x/\n");
  EXPECT_EQ(std::u16string(path(at("page.txt"))->getInternetShortcutTarget()), u"")
      << "only .url files are asked";
}

TEST_F(Shortcuts, LinksResolveOnThreadsThatNeverStartedCom) {
  writeFile("song.mp3", "s");
  ASSERT_TRUE(path(at("song.mp3"))->createShortcut(at("song").c_str(), false, nullptr));
  std::u16string resolved;
  std::thread([&] {
    Text target(s::file::win::resolveShortcut(at("song.lnk").c_str()));
    resolved = target->getCStr();
  }).join();
  EXPECT_EQ(resolved, at("song.mp3"));
  Text none(s::file::win::resolveShortcut(at("song.mp3").c_str()));
  EXPECT_EQ(none->getLength(), 0u) << "not a link";
  EXPECT_EQ(targetOf(at("missing.lnk")), u"(none)");
}

TEST_F(Shortcuts, LongFormsOfExistingPathsAreThePathsThemselves) {
  writeFile("Album/Track One.mp3", "t");
  Text out;
  const std::u16string full = at("Album/Track One.mp3");
  EXPECT_EQ(s::file::win::expandLongPathName(full.c_str(), out.get()), full.size());
  EXPECT_EQ(std::u16string(out->getCStr()), full);
  EXPECT_EQ(s::file::win::expandLongPathName(at("Album/none.mp3").c_str(), out.get()), 0u);
  EXPECT_EQ(s::file::win::expandLongPathName(u"", out.get()), 0u);
  // A name the finder would read as a pattern is carried over as written.
  writeFile("odd?name", "o");
  EXPECT_EQ(s::file::win::expandLongPathName(at("odd?name").c_str(), nullptr),
            at("odd?name").size());
}
