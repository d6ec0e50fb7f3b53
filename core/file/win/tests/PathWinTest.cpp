// The path: split and derived texts as pure text, then attributes, sizes, times and unique
// names on real temporary trees.
#include "core/file/win/PathWin.h"

#include "core/file/win/tests/TempFolder.h"
#include "core/thread/Pooled.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

namespace {

using s::file::win::PathWin;
using s::str::strbuffer::StrBuffer;

using Path = s::thread::Pooled<PathWin>;
using Text = s::thread::Pooled<StrBuffer>;

Path path(const std::u16string& text) { return Path(PathWin::newFromText(text.c_str())); }
std::u16string str(const WCHAR* text) { return text == nullptr ? u"(null)" : std::u16string(text); }
std::u16string full(const Path& p) {
  return p.get() == nullptr ? u"(null)" : str(p->getFullPath());
}

using PathTempTree = s::testing::TempFolder;

}  // namespace

TEST(PathWinText, SplitsIntoDriveFolderTitleAndExtension) {
  Path p = path(u"C:/music/a.mp3");
  EXPECT_TRUE(p->isValid());
  EXPECT_EQ(str(p->getFullPath()), u"C:\\music\\a.mp3") << "slashes become backslashes";
  EXPECT_EQ(str(p->getFolder()), u"C:\\music\\");
  EXPECT_EQ(str(p->getFolderNoSlash()), u"C:\\music");
  EXPECT_EQ(str(p->getFileName()), u"a.mp3");
  EXPECT_EQ(str(p->getTitle()), u"a");
  EXPECT_EQ(str(p->getExtension()), u".mp3");
  EXPECT_EQ(str(p->getExtensionNoDot()), u"mp3");
  EXPECT_TRUE(p->hasExtension(u".MP3"));
  EXPECT_FALSE(p->hasExtension(u".mp"));
  EXPECT_TRUE(p->isAbsolute());

  Path folder = path(u"C:\\music\\");
  EXPECT_EQ(str(folder->getFullPath()), u"C:\\music") << "trailing backslashes go";
  EXPECT_EQ(str(folder->getTitle()), u"music");
  EXPECT_EQ(str(folder->getExtension()), u"");
  Path child(folder->newChild(u"x"));
  EXPECT_EQ(full(child), u"C:\\music\\x");

  Path root = path(u"C:\\");
  EXPECT_EQ(str(root->getFullPath()), u"C:");
  EXPECT_TRUE(root->isDriveOnly());
  EXPECT_TRUE(root->hasDriveLetter());
  EXPECT_EQ(str(root->getRoot()), u"C:\\");
  EXPECT_EQ(root->newFolderPath(), nullptr);
  EXPECT_EQ(full(Path(root->newParent())), u"C:");
  EXPECT_EQ(full(Path(Path(path(u"C:\\a"))->newParent())), u"C:");

  Path empty = path(u"");
  EXPECT_FALSE(empty->isValid());
  EXPECT_FALSE(empty->exists());
  EXPECT_FALSE(empty->isAbsolute());
  EXPECT_EQ(str(empty->getFullPath()), u"");

  Path relative = path(u"song.wav");
  EXPECT_FALSE(relative->isAbsolute());
  EXPECT_EQ(str(relative->getFolder()), u"\\")
      << "a bare name has only the separator as its folder";
  EXPECT_EQ(str(Path(path(u"C:\\a\\.hidden"))->getExtension()), u".hidden");
}

TEST(PathWinText, ReusedPathForgetsItsParts) {
  Path p = path(u"C:\\x\\song.mp3");
  p->setPathText(u"D:\\other");
  EXPECT_EQ(str(p->getFullPath()), u"D:\\other");
  EXPECT_EQ(str(p->getExtension()), u"");
  EXPECT_EQ(str(p->getFolder()), u"D:\\");
  p->setPathText(u"");
  EXPECT_FALSE(p->isValid());
  EXPECT_EQ(str(p->getTitle()), u"");
  p->clear();
  EXPECT_FALSE(p->isValid());
}

TEST(PathWinText, TooLongPartMakesThePathInvalid) {
  std::u16string name(780, u'n');
  Path p = path(u"C:\\" + name);
  EXPECT_FALSE(p->isValid()) << "a title of 780 units does not fit its 779-unit part";
  EXPECT_EQ(str(p->getTitle()), u"");
  name.resize(779);
  EXPECT_TRUE(path(u"C:\\" + name)->isValid());
}

TEST(PathWinText, UncPathsAndTheirRoots) {
  Path p = path(u"\\\\server\\share\\dir\\f.txt");
  EXPECT_TRUE(p->isUncPath());
  EXPECT_TRUE(p->isAbsolute());
  EXPECT_EQ(str(p->getUncServer()), u"server");
  EXPECT_EQ(str(p->getRoot()), u"\\\\server\\share\\");
  EXPECT_EQ(str(p->getFolder()), u"\\\\server\\share\\dir\\");
  EXPECT_TRUE(path(u"//server/share")->isUncPath());
  EXPECT_FALSE(path(u"\\\\\\server\\share")->isUncPath()) << "three leading backslashes";
  EXPECT_FALSE(path(u"\\\\")->isUncPath());
  EXPECT_EQ(str(path(u"\\\\server")->getUncServer()), u"server");
}

TEST(PathWinText, LongFormFromTwoHundredFiftyUnits) {
  std::u16string prefix = u"C:\\";
  std::u16string at249 = prefix + std::u16string(249 - prefix.size(), u'a');
  Path p = path(at249);
  EXPECT_EQ(p->getLength(), 249u);
  EXPECT_EQ(str(p->getLongPath()), at249) << "no long form below 250 units";
  std::u16string at250 = at249 + u"b";
  EXPECT_EQ(str(path(at250)->getLongPath()), u"\\\\?\\" + at250);
  std::u16string unc = u"\\\\server\\share\\" + std::u16string(250 - 15, u'c');
  ASSERT_EQ(unc.size(), 250u);
  EXPECT_EQ(str(path(unc)->getLongPath()), u"\\\\?\\UNC\\" + unc.substr(2));
}

TEST(PathWinText, StreamPathsByTheirText) {
  Path inExtension = path(u"C:\\a\\b.txt:meta");
  EXPECT_TRUE(inExtension->isStream());
  EXPECT_EQ(str(inExtension->getExtension()), u".txt:meta");
  Path inTitle = path(u"C:\\a\\b:meta");
  EXPECT_TRUE(inTitle->isStream());
  EXPECT_EQ(str(inTitle->getTitle()), u"b:meta");
  EXPECT_FALSE(path(u"C:\\a\\b.txt")->isStream());
  EXPECT_FALSE(path(u"C:")->isStream()) << "the drive's colon is not a stream";
  Path sized = path(u"C:\\a\\b.txt:meta");
  sized->setCachedSize(42);
  EXPECT_EQ(sized->getSize(false, true, nullptr, nullptr, true), 42);
}

TEST(PathWinText, ComparesByFullPath) {
  Path lower = path(u"C:\\Music\\a.mp3");
  Path upper = path(u"c:\\music\\A.MP3");
  EXPECT_FALSE(lower->equals(upper.get()));
  EXPECT_TRUE(lower->equalsIgnoreCase(upper.get()));
  EXPECT_EQ(lower->hashCodeIgnoreCase(), upper->hashCodeIgnoreCase());
  EXPECT_TRUE(lower->equals(path(u"C:/Music/a.mp3").get()));
  EXPECT_GT(upper->compareTo(lower.get()), 0)
      << "lower case orders after upper case when case counts";

  Path a = path(u"a.mp3");
  Path ax = path(u"a.mp3x");
  Path b = path(u"B.mp3");
  using s::file::win::compareByFullPath;
  EXPECT_LT(compareByFullPath(a.get(), ax.get(), nullptr), 0) << "the shorter first";
  EXPECT_LT(compareByFullPath(ax.get(), b.get(), nullptr), 0) << "case is ignored: a before B";
  EXPECT_GT(compareByFullPath(b.get(), a.get(), nullptr), 0);
  EXPECT_EQ(compareByFullPath(a.get(), path(u"A.MP3").get(), nullptr), 0);

  using s::file::win::compareByExtension;
  EXPECT_LT(compareByExtension(path(u"z.MP3").get(), path(u"a.wav").get(), nullptr), 0);
  EXPECT_LT(compareByExtension(path(u"z").get(), path(u"a.mp3").get(), nullptr), 0)
      << "no extension first";
  EXPECT_EQ(compareByExtension(path(u"x.Mp3").get(), path(u"y.mP3").get(), nullptr), 0);
}

TEST(PathWinText, DerivedPaths) {
  Path p = path(u"C:\\music\\song.mp3");
  EXPECT_EQ(full(Path(p->newWithNewExtension(u".wav"))), u"C:\\music\\song.wav");
  EXPECT_EQ(full(Path(p->newWithSuffix(u"_vocal"))), u"C:\\music\\song_vocal.mp3");
  EXPECT_EQ(full(Path(p->newParent())), u"C:\\music");
  EXPECT_EQ(full(Path(p->newFolderPath())), u"C:\\music");
  EXPECT_EQ(full(Path(PathWin::newFromConcatenation(u"C:\\a", u"b.txt"))), u"C:\\ab.txt");
  EXPECT_EQ(full(Path(PathWin::newFromFolderAndName(u"C:\\a", u"b.txt"))), u"C:\\a\\b.txt");
  EXPECT_EQ(full(Path(PathWin::newShortcutPathIn(u"C:\\a", u"Song"))), u"C:\\a\\Song.lnk");

  Text out(p->copyTitle(nullptr, false));
  p->copyExtension(out.get(), true);
  p->copyExtensionNoDot(out.get(), true);
  EXPECT_EQ(str(out->getCStr()), u"song.mp3mp3") << "append adds to what the text holds";
  p->copyFolderNoSlash(out.get(), false);
  EXPECT_EQ(str(out->getCStr()), u"C:\\music");
  EXPECT_EQ(str(path(u"C:\\x.")->getExtensionNoDot()), u"") << "a lone dot gives nothing";
}

TEST(PathWinText, AbsolutePathsCountOnlyTheLeadingLevels) {
  Path base = path(u"C:\\a\\b\\c");
  EXPECT_EQ(str(base->toAbsolutePath(u"..\\..\\y\\z.txt", true)), u"C:\\a\\y\\z.txt");
  EXPECT_EQ(str(base->toAbsolutePath(u"../y", true)), u"C:\\a\\b\\y");
  EXPECT_EQ(str(base->toAbsolutePath(u"z.txt", true)), u"C:\\a\\b\\c\\z.txt");
  EXPECT_EQ(str(base->toAbsolutePath(u"z.txt", false)), u"C:\\a\\b\\z.txt")
      << "a missing path is a file";
  EXPECT_EQ(str(base->toAbsolutePath(u"x\\..\\y", true)), u"C:\\a\\b\\c\\x\\..\\y")
      << "a \"..\\\" inside the text is no level of the base";
  EXPECT_EQ(str(base->toAbsolutePath(u"..\\..\\..\\y", true)), u"C:\\y");
  EXPECT_EQ(str(base->toAbsolutePath(u"..\\..\\..\\..\\y", true)), u"..\\..\\..\\..\\y")
      << "more levels than the base has";
  EXPECT_EQ(str(base->toAbsolutePath(u"D:\\q", true)), u"D:\\q");
  EXPECT_EQ(str(base->toAbsolutePath(u"\\\\srv\\s\\f", true)), u"\\\\srv\\s\\f");
}

TEST(PathWinText, RelativePathsClimbWithDotDot) {
  EXPECT_EQ(str(path(u"C:\\a\\b")->toRelativePath(u"C:\\a\\b\\c\\d.txt", true)), u"c\\d.txt");
  EXPECT_EQ(str(path(u"C:\\a\\b\\x")->toRelativePath(u"C:\\a\\b\\c\\d.txt", true)),
            u"..\\c\\d.txt");
  EXPECT_EQ(str(path(u"C:\\A\\B")->toRelativePath(u"C:\\a\\b\\Song.mp3", true)), u"Song.mp3")
      << "folders compare ignoring case, the rest keeps its own";
  EXPECT_EQ(str(path(u"C:\\a\\b")->toRelativePath(u"D:\\a\\b\\c", true)), u"D:\\a\\b\\c");
  EXPECT_EQ(str(path(u"C:\\a\\b")->toRelativePath(u"c:\\a\\b\\c", true)), u"c:\\a\\b\\c")
      << "drive letters are compared as written";
  EXPECT_TRUE(path(u"\\\\Srv\\a")->isSameVolume(u"\\\\srv\\b"));
  EXPECT_FALSE(path(u"\\\\srv\\a")->isSameVolume(u"C:\\b"));
}

// Inputs the text fuzz target found wrong; each is kept in its corpus as well.
TEST(PathWinText, RelativeTextsThatPartInsideANameShareOnlyWholeNames) {
  Path base = path(u"C:\\abc");
  const std::u16string relative = str(base->toRelativePath(u"C:\\abd\\x", true));
  EXPECT_EQ(relative, u"..\\abd\\x");
  EXPECT_EQ(str(base->toAbsolutePath(relative.c_str(), true)), u"C:\\abd\\x");
  EXPECT_EQ(str(path(u"C:\\a\\b")->toRelativePath(u"C:\\a", true)), u"..\\..\\a")
      << "a text that ends inside the base still names itself";
  EXPECT_EQ(str(path(u"C:\\a")->toRelativePath(u"C:\\ab", true)), u"..\\ab");
}

TEST(PathWinText, FolderThatFillsItsPartKeepsItsDrive) {
  // Drive and folder together are longer than one part may be; each alone fits.
  const std::u16string folder = u"\\" + std::u16string(PathWin::kPartUnits - 3, u'f') + u"\\";
  Path p = path(u"C:" + folder + u"a.mp3");
  ASSERT_TRUE(p->isValid());
  EXPECT_EQ(str(p->getFolder()), u"C:" + folder);
  EXPECT_EQ(full(Path(p->newWithNewExtension(u".wav"))), u"C:" + folder + u"a.wav")
      << "the new file goes beside the old one, not to the root";
}

TEST(PathWinText, LongFormPrefixIsTakenOffTheGivenText) {
  Path drive = path(u"\\\\?\\C:\\music\\a.mp3");
  EXPECT_EQ(str(drive->getFullPath()), u"C:\\music\\a.mp3");
  EXPECT_FALSE(drive->isUncPath()) << "no share on a server named \"?\"";
  EXPECT_EQ(str(drive->getFolder()), u"C:\\music\\");
  Path unc = path(u"\\\\?\\unc\\srv\\share\\f.txt");
  EXPECT_EQ(str(unc->getFullPath()), u"\\\\srv\\share\\f.txt");
  EXPECT_EQ(str(unc->getUncServer()), u"srv");
  const std::u16string longName = u"C:\\" + std::u16string(300, u'n');
  EXPECT_EQ(str(path(u"\\\\?\\" + longName)->getLongPath()), u"\\\\?\\" + longName)
      << "one prefix, not two";
  EXPECT_EQ(str(path(u"\\\\?\\\\\\?\\C:\\x")->getFullPath()), u"C:\\x")
      << "a doubled prefix comes off too";
  EXPECT_FALSE(path(u"\\\\?\\")->isValid()) << "a prefix alone names nothing";
}

TEST_F(PathTempTree, AttributesOfRealFilesFoldersAndLinks) {
  writeFile("file.mp3", "12345");
  writeFile(".hidden", "x");
  makeFolder("folder");
  std::filesystem::create_directory_symlink(posix("folder"), posix("link"));

  Path file = path(at("file.mp3"));
  EXPECT_TRUE(file->exists());
  EXPECT_TRUE(file->isFile());
  EXPECT_FALSE(file->isDirectory());
  EXPECT_FALSE(file->isHidden());
  EXPECT_TRUE(file->isReadWritable());
  EXPECT_EQ(str(file->getShellTypeName()), u"MP3 File");

  Path folder = path(at("folder"));
  EXPECT_TRUE(folder->isDirectory());
  EXPECT_FALSE(folder->isFile());
  EXPECT_EQ(str(folder->getShellTypeName()), u"File folder");
  EXPECT_EQ(str(folder->getRoot()), u"Z:\\");

  Path link = path(at("link"));
  EXPECT_TRUE(link->isDirectory());
  EXPECT_NE(link->getAttributes() & FILE_ATTRIBUTE_REPARSE_POINT, 0u);

  Path hidden = path(at(".hidden"));
  EXPECT_TRUE(hidden->isHidden());
  EXPECT_TRUE(hidden->hide()) << "already hidden";
  EXPECT_FALSE(file->hide()) << "hidden cannot be set on this system";
  EXPECT_FALSE(file->isHidden());

  Path missing = path(at("missing.mp3"));
  EXPECT_FALSE(missing->exists());
  EXPECT_EQ(missing->getAttributes(), INVALID_FILE_ATTRIBUTES);
  EXPECT_FALSE(missing->isDirectory());
  EXPECT_FALSE(missing->isFile());
  EXPECT_FALSE(missing->isHidden());
  EXPECT_FALSE(missing->isSystem());
  EXPECT_FALSE(missing->isArchive());
  EXPECT_FALSE(missing->addAttributes(FILE_ATTRIBUTE_READONLY)) << "nothing to add attributes to";
  EXPECT_EQ(missing->getSize(true, true, nullptr, nullptr, true), 0);
  EXPECT_EQ(missing->getLastWriteTime(false), 0);
  EXPECT_EQ(missing->getSizeOnDisk(), 0);
  EXPECT_EQ(str(missing->getShellTypeName()), u"MP3 File") << "named by its extension";
}

TEST_F(PathTempTree, ReadOnlyThroughPermissions) {
  writeFile("song.wav", "data");
  Path p = path(at("song.wav"));
  ASSERT_TRUE(p->isWritable());
  EXPECT_TRUE(p->setWritable(false));
  EXPECT_FALSE(p->isWritable());
  EXPECT_TRUE(p->isReadable());
  EXPECT_NE(p->getAttributes() & FILE_ATTRIBUTE_READONLY, 0u)
      << "the cached word follows the change";
  EXPECT_TRUE(p->setReadable()) << "keeps it read-only";
  EXPECT_FALSE(p->isWritable());
  EXPECT_TRUE(p->makeWritable());
  EXPECT_TRUE(p->isWritable());
  EXPECT_TRUE(p->addAttributes(FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(p->isReadWritable());
  EXPECT_TRUE(p->setAttributes(FILE_ATTRIBUTE_NORMAL));
  EXPECT_TRUE(p->isWritable());
  EXPECT_FALSE(path(at("missing"))->setWritable(true));
}

TEST_F(PathTempTree, SizesOfFilesAndFolderTrees) {
  writeFile("top.bin", std::string(100, 'a'));
  writeFile("sub/one.bin", std::string(10, 'b'));
  writeFile("sub/deep/two.bin", std::string(20, 'c'));
  writeFile("sub/.dot.bin", std::string(3, 'd'));
  writeFile("elsewhere/big.bin", std::string(1000, 'e'));
  makeFolder("sub/empty");
  std::filesystem::create_directory_symlink(posix("elsewhere"), posix("sub/link"));

  Path file = path(at("top.bin"));
  EXPECT_EQ(file->getSize(false, true, nullptr, nullptr, true), 100);
  Path root = path(at("sub"));
  EXPECT_EQ(root->getSize(false, true, nullptr, nullptr, true), 0)
      << "a folder outside folder mode";

  uint32_t files = 0;
  uint32_t folders = 0;
  EXPECT_EQ(root->getSize(true, true, &files, &folders, true), 33)
      << "the link's target is not counted";
  EXPECT_EQ(files, 3u);
  EXPECT_EQ(folders, 2u) << "deep and empty, not the link";

  files = folders = 0;
  EXPECT_EQ(root->getSize(true, true, &files, &folders, false), 20)
      << "only files inside sub-folders";
  EXPECT_EQ(files, 1u);
  files = folders = 0;
  EXPECT_EQ(root->getSize(true, false, &files, &folders, true), 13) << "without descending";
  EXPECT_EQ(folders, 0u);

  Path small = path(at("sub/one.bin"));
  int64_t onDisk = small->getSizeOnDisk();
  EXPECT_GE(onDisk, 512);
  EXPECT_EQ(onDisk % 512, 0);
  writeFile("empty.bin", "");
  EXPECT_EQ(path(at("empty.bin"))->getSizeOnDisk(), 0);

  EXPECT_EQ(str(file->getSizeText()), u"100 bytes");
  writeFile("k.bin", std::string(1536, 'k'));
  EXPECT_EQ(str(path(at("k.bin"))->getSizeText()), u"1.50 KB");
  EXPECT_EQ(str(root->getSizeText()), u"") << "folders have no size text";
}

TEST_F(PathTempTree, CachesHoldUntilTheNextSetPath) {
  writeFile("grow.bin", "12345");
  Path p = path(at("grow.bin"));
  EXPECT_EQ(p->getSize(false, true, nullptr, nullptr, true), 5);
  writeFile("grow.bin", "1234567890");
  EXPECT_EQ(p->getSize(false, true, nullptr, nullptr, true), 5) << "answered from the cache";
  p->setPathText(at("grow.bin").c_str());
  EXPECT_EQ(p->getSize(false, true, nullptr, nullptr, true), 10);

  auto when = std::filesystem::file_time_type::clock::now() - std::chrono::hours(48);
  std::filesystem::last_write_time(posix("grow.bin"), when);
  int64_t cached = p->getLastWriteTime(false);
  int64_t fresh = p->getLastWriteTime(true);
  int64_t expected = std::chrono::duration_cast<std::chrono::seconds>(
                         std::chrono::file_clock::to_sys(when).time_since_epoch())
                         .count();
  EXPECT_EQ(fresh, expected);
  EXPECT_NE(cached, fresh);
  EXPECT_GT(p->getCreationTime(false), 0);
  EXPECT_GT(p->getLastAccessTime(false), 0);
}

TEST_F(PathTempTree, UniqueSiblingsSkipTakenNames) {
  writeFile("song.mp3", "a");
  writeFile("song (1).mp3", "b");
  writeFile("song1.mp3", "c");
  makeFolder("Out");

  Path song = path(at("song.mp3"));
  EXPECT_EQ(full(Path(song->newUniqueSibling())), at("song (2).mp3"));
  EXPECT_EQ(full(Path(song->newUniqueSiblingPlainNumber())), at("song2.mp3"));
  EXPECT_EQ(full(Path(path(at("Out"))->newUniqueSibling())), at("Out (1)"));
  EXPECT_EQ(full(Path(path(at("free.mp3"))->newUniqueSibling())), at("free.mp3"))
      << "a free name stays";
  EXPECT_EQ(full(Path(path(at("Out"))->newWithSuffix(u"_x"))), at("Out_x"));
}

TEST_F(PathTempTree, LongPathsWorkThroughTheirLongForm) {
  std::string deep;
  for (int i = 0; i < 3; ++i) deep += std::string(90, static_cast<char>('a' + i)) + "/";
  writeFile(deep + "tail.bin", "0123456789");
  Path p = path(at(deep + "tail.bin"));
  ASSERT_GE(p->getLength(), PathWin::kLongFormFrom);
  EXPECT_EQ(str(p->getLongPath()).substr(0, 4), u"\\\\?\\");
  EXPECT_TRUE(p->exists());
  EXPECT_TRUE(p->isFile());
  EXPECT_EQ(p->getSize(false, true, nullptr, nullptr, true), 10);
  Path top = path(at(deep.substr(0, 91)));
  EXPECT_EQ(top->getSize(true, true, nullptr, nullptr, true), 10);
}

TEST_F(PathTempTree, NamesThatAreNotUtf8AreWalkedAndFound) {
  // A folder name with bytes that are no UTF-8: the layer carries each byte as one lone
  // surrogate, and gives the same byte back on the way out.
  std::string odd = std::string("odd") + static_cast<char>(0xFF) + static_cast<char>(0xC3);
  writeFile(odd + "/inside.bin", std::string(7, 'x'));
  uint32_t files = 0;
  EXPECT_EQ(path(at())->getSize(true, true, &files, nullptr, true), 7);
  EXPECT_EQ(files, 1u);
  Path folder = path(at() + u"\\odd\xDCFF\xDCC3");
  EXPECT_TRUE(folder->isDirectory());
  EXPECT_TRUE(Path(folder->newChild(u"inside.bin"))->exists());
}
