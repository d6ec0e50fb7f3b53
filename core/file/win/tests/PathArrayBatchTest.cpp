// The list of paths on real trees: sorts, groups, searches, derived lists and the batch shell
// operations with their results and notifications.
#include "core/file/Extension.h"
#include "core/file/win/PathArray.h"
#include "core/file/win/Shortcuts.h"

#include "core/file/win/tests/TempFolder.h"
#include "core/thread/Pooled.h"

#include <windows.h>
#include <shlobj.h>
#include <winseam.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace {

using s::col::_array::ArrayP;
using s::file::Extension;
using s::file::IPathArray;
using s::file::win::PathArray;
using s::file::win::PathWin;
using List = s::thread::Pooled<PathArray>;
using Groups = s::thread::Pooled<ArrayP>;
namespace fs = std::filesystem;

std::u16string fullAt(PathArray* list, int32_t index) { return list->getAt(index)->getFullPath(); }

std::u16string fileName(void* path) { return static_cast<PathWin*>(path)->getFileName(); }

// Each group as "key: name name ...", in list order.
std::vector<std::u16string> describe(ArrayP* groups) {
  std::vector<std::u16string> out;
  for (uint32_t g = 0; g < groups->getCount(); ++g) {
    auto* group = static_cast<Extension*>(groups->getItems()[g]);
    std::u16string line(group->getKey()->getCStr());
    line += u":";
    for (uint32_t p = 0; p < group->getPathCount(); ++p) {
      line += u" ";
      line += fileName(group->getPaths()->getItems()[p]);
    }
    out.push_back(line);
  }
  return out;
}

// The change notifications sent while it lives, as "event path" lines.
class NotifyRecorder {
 public:
  NotifyRecorder() {
    events().clear();
    m_previous = winapi::seam::replaceSHChangeNotify(&record);
  }
  ~NotifyRecorder() { winapi::seam::replaceSHChangeNotify(m_previous); }
  static std::vector<std::u16string>& events() {
    static std::vector<std::u16string> s_events;
    return s_events;
  }

 private:
  static void WINAPI record(LONG event, UINT, LPCVOID item, LPCVOID) {
    std::u16string line = event == SHCNE_CREATE   ? u"create "
                          : event == SHCNE_MKDIR  ? u"mkdir "
                          : event == SHCNE_DELETE ? u"delete "
                          : event == SHCNE_RMDIR  ? u"rmdir "
                                                  : u"other ";
    line += static_cast<const char16_t*>(item);
    events().push_back(line);
  }
  winapi::seam::SHChangeNotifyFunction m_previous;
};

// Sets an environment variable for a scope.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const std::string& value) : m_name(name) {
    if (const char* old = std::getenv(name)) m_old = old;
    setenv(name, value.c_str(), 1);
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

std::u16string line(const char16_t* event, const std::u16string& path) {
  std::u16string text(event);
  text += path;
  return text;
}

using PathArrayBatch = s::testing::TempFolder;

}  // namespace

TEST(PathArrayGroups, ExtensionsGroupIgnoringCaseInSortedOrder) {
  List list;
  list->addText(u"C:\\m\\z.wav")->addText(u"C:\\m\\x.MP3")->addText(u"C:\\m\\y.mp3");
  list->addText(u"C:\\m\\readme");
  Groups groups(list->groupByExtension());
  EXPECT_EQ(describe(groups.get()),
            (std::vector<std::u16string>{u": readme", u".MP3: x.MP3 y.mp3", u".wav: z.wav"}));
  EXPECT_EQ(fullAt(list.get(), 1), u"C:\\m\\x.MP3") << "the list itself is sorted";

  list->sortByPath();
  EXPECT_EQ(fullAt(list.get(), 0), u"C:\\m\\readme");
  EXPECT_EQ(fullAt(list.get(), 3), u"C:\\m\\z.wav");
}

TEST(PathArrayGroups, TitleWordsKeepOnlyGroupsOfSeveralLargestFirst) {
  List list;
  list->addText(u"C:\\Best of Bach.mp3")->addText(u"C:\\bach live.wav")->addText(u"C:\\Other.mp3");
  Groups words(list->groupByTitleWords(false));
  EXPECT_EQ(describe(words.get()),
            (std::vector<std::u16string>{u"Bach: Best of Bach.mp3 bach live.wav"}));

  // With the extension as a further word, .mp3 joins; equal counts keep their first-seen order.
  Groups withExtension(list->groupByTitleWordsAndExtension(false));
  EXPECT_EQ(describe(withExtension.get()),
            (std::vector<std::u16string>{u"Bach: Best of Bach.mp3 bach live.wav",
                                         u".mp3: Best of Bach.mp3 Other.mp3"}));
}

TEST_F(PathArrayBatch, SizeClassesAccumulateAndOnlyClassesWithTheirOwnPathsAppear) {
  writeFile("small", std::string(500, 'a'));
  writeFile("medium", std::string(5000, 'b'));
  writeFile("large", "");
  fs::resize_file(posix("large"), 2000000);
  makeFolder("folder");
  List list;
  for (const char* name : {"small", "medium", "large"}) list->addText(at(name).c_str());
  Groups below(list->groupBySizeBelow());
  EXPECT_EQ(describe(below.get()),
            (std::vector<std::u16string>{u"10485760: large medium small", u"10240: medium small",
                                         u"1024: small"}));
  Groups atLeast(list->groupBySizeAtLeast());
  EXPECT_EQ(describe(atLeast.get()),
            (std::vector<std::u16string>{u"1048576: large", u"1024: medium large"}));
  // A folder counts as size 0: below everything, at least nothing.
  list->addText(at("folder").c_str());
  Groups withFolder(list->groupBySizeBelow());
  EXPECT_EQ(describe(withFolder.get()).back(), u"1024: small folder");
}

TEST_F(PathArrayBatch, SearchesExpansionAndExtractionKeepListOrder) {
  writeFile("a/one.txt", "1");
  writeFile("a/.hidden", "h");
  writeFile("a/sub/deep.txt", "d");
  writeFile("b.txt", "b");
  makeFolder("c");
  List list;
  list->addText(at("a").c_str())->addText(at("b.txt").c_str())->addText(at("c").c_str());

  int32_t index = -1;
  std::u16string upper = at("B.TXT");
  EXPECT_TRUE(list->findTextIgnoreCase(upper.c_str(), &index));
  EXPECT_EQ(index, 1);
  s::thread::Pooled<PathWin> probe(PathWin::newFromText(upper.c_str()));
  EXPECT_FALSE(list->find(probe.get(), nullptr)) << "exact search";
  probe->setPathText(at("c").c_str());
  EXPECT_TRUE(list->find(probe.get(), &index));
  EXPECT_EQ(index, 2);

  List flat;
  flat->addText(at("a").c_str());
  flat->expandFolders(false);
  EXPECT_EQ(flat->getCount(), 4) << "the folder and its three entries, the hidden one included";
  List deep;
  deep->addText(at("a").c_str());
  deep->expandFolders(true);
  ASSERT_EQ(deep->getCount(), 5);
  EXPECT_EQ(fullAt(deep.get(), 0), at("a"));
  EXPECT_EQ(fullAt(deep.get(), 4), at("a/sub/deep.txt")) << "a sub-folder's contents come last";

  List folders(list->extractDirectories(nullptr));
  ASSERT_EQ(folders->getCount(), 2);
  EXPECT_EQ(fullAt(folders.get(), 0), at("c"));
  EXPECT_EQ(fullAt(folders.get(), 1), at("a"));
  ASSERT_EQ(list->getCount(), 1);
  EXPECT_EQ(fullAt(list.get(), 0), at("b.txt"));
}

TEST_F(PathArrayBatch, DerivedListsAndFlagsFollowTheirEntries) {
  makeFolder("d");
  writeFile("f.mp3", "x");
  writeFile("f (1).mp3", "x");
  List list;
  list->addText(at("d").c_str())->addText(at("f.mp3").c_str())->addText(u"C:");
  list->cacheDirectoryFlags();

  List rebased(list->rebaseOnto(u"Y:\\out"));
  EXPECT_EQ(fullAt(rebased.get(), 1), u"Y:\\out\\f.mp3");
  EXPECT_TRUE(rebased->isDirectoryAt(0)) << "flags are copied";
  List shortcuts(list->rebaseOntoAsShortcuts(u"Y:\\links"));
  EXPECT_EQ(fullAt(shortcuts.get(), 0), u"Y:\\links\\d.lnk");
  EXPECT_EQ(fullAt(shortcuts.get(), 2), u"Y:\\links\\C.lnk") << "a drive is named by its letter";
  EXPECT_FALSE(shortcuts->isDirectoryAt(0));
  s::thread::Pooled<s::str::strarray::StrArray> names(list->getFileNames());
  ASSERT_EQ(names->getCount(), 3u);
  EXPECT_EQ(std::u16string(names->get(1)->getCStr()), u"f.mp3");

  // A removal keeps the remaining flags beside their entries.
  list->removeAt(0);
  EXPECT_FALSE(list->isDirectoryAt(0));
  list->insertAt(0, PathWin::newFromText(at("d").c_str()));
  EXPECT_TRUE(list->isDirectoryAt(0));

  List unique;
  unique->addText(at("f.mp3").c_str())->addText(at("new.mp3").c_str());
  unique->makeAllUnique();
  EXPECT_EQ(fullAt(unique.get(), 0), at("f (2).mp3"));
  EXPECT_EQ(fullAt(unique.get(), 1), at("new.mp3"));

  const WCHAR* texts[] = {u"C:\\x", u"C:\\y"};
  list->setTexts(2, texts);
  ASSERT_EQ(list->getCount(), 2);
  EXPECT_EQ(fullAt(list.get(), 1), u"C:\\y");
}

TEST_F(PathArrayBatch, CopyAndMoveBatchesAnswerTheirResultsAndTellTheShell) {
  writeFile("src/a.mp3", "a");
  writeFile("src/album/t.wav", "t");
  makeFolder("to");
  NotifyRecorder recorder;
  List list;
  list->addText(at("src/a.mp3").c_str())->addText(at("src/album").c_str());
  EXPECT_EQ(list->copyTo(at("to").c_str(), true, false, nullptr), 0) << "not performed";
  EXPECT_TRUE(NotifyRecorder::events().empty());
  EXPECT_EQ(list->copyTo(at("to").c_str(), true, true, nullptr), 2);
  EXPECT_EQ(readFile("to/a.mp3"), "a");
  EXPECT_EQ(readFile("to/album/t.wav"), "t");
  EXPECT_EQ(NotifyRecorder::events(),
            (std::vector<std::u16string>{line(u"create ", at("to/a.mp3")),
                                         line(u"mkdir ", at("to/album"))}));

  // One entry goes onto its own name in the folder; a move tells both sides.
  NotifyRecorder::events().clear();
  makeFolder("moved");
  List one;
  one->addText(at("src/a.mp3").c_str());
  EXPECT_EQ(one->moveTo(at("moved").c_str(), true, true, nullptr), 2);
  EXPECT_EQ(readFile("moved/a.mp3"), "a");
  EXPECT_FALSE(fs::exists(posix("src/a.mp3")));
  EXPECT_EQ(NotifyRecorder::events(),
            (std::vector<std::u16string>{line(u"delete ", at("src/a.mp3")),
                                         line(u"create ", at("moved/a.mp3"))}));

  // A folder shortcut stands for its target.
  makeFolder("shortcut");
  makeFolder("real");
  ASSERT_TRUE(
      s::file::win::createShortcut(at("real").c_str(), at("shortcut/target.lnk").c_str(), nullptr));
  List viaShortcut;
  viaShortcut->addText(at("moved/a.mp3").c_str());
  EXPECT_EQ(viaShortcut->copyTo(at("shortcut").c_str(), false, true, nullptr), 2);
  EXPECT_EQ(readFile("real/a.mp3"), "a");

  List empty;
  EXPECT_EQ(empty->copyTo(at("to").c_str(), false, true, nullptr), 0);
  EXPECT_EQ(list->moveTo(u"", false, true, nullptr), 0) << "no valid destination";
  List missing;
  missing->addText(at("src/none.mp3").c_str());
  EXPECT_EQ(missing->copyTo(at("to").c_str(), false, true, nullptr), 0);
}

TEST_F(PathArrayBatch, ShortcutBatchesPlanMakeAndCount) {
  writeFile("a.mp3", "a");
  writeFile("b.mp3", "b");
  makeFolder("links");
  List list;
  list->addText(at("a.mp3").c_str())->addText(at("b.mp3").c_str());
  IPathArray* planned = nullptr;
  EXPECT_EQ(list->createShortcutsIn(at("links").c_str(), false, false, true, true, &planned), 0);
  ASSERT_NE(planned, nullptr);
  EXPECT_EQ(std::u16string(planned->getAt(1)->getFullPath()), at("links/b.mp3.lnk"));
  EXPECT_FALSE(fs::exists(posix("links/a.mp3.lnk"))) << "only planned";
  static_cast<PathArray*>(planned)->release();

  NotifyRecorder recorder;
  EXPECT_EQ(list->createShortcutsIn(at("links").c_str(), false, false, true, false, nullptr), 2);
  s::thread::Pooled<PathWin> made(PathWin::newFromText(at("links/a.mp3.lnk").c_str()));
  s::thread::Pooled<PathWin> target(made->newShortcutTarget());
  EXPECT_EQ(std::u16string(target->getFullPath()), at("a.mp3"));
  EXPECT_EQ(NotifyRecorder::events(),
            (std::vector<std::u16string>{line(u"create ", at("links/a.mp3.lnk")),
                                         line(u"create ", at("links/b.mp3.lnk"))}));

  // Existing shortcuts: refused without overwrite, beside them with makeUnique.
  EXPECT_EQ(list->createShortcutsIn(at("links").c_str(), false, false, false, false, nullptr), 0);
  EXPECT_EQ(list->createShortcutsIn(at("links").c_str(), false, true, false, false, nullptr), 2);
  EXPECT_TRUE(fs::exists(posix("links/a.mp3 (1).lnk")));
  list->addText(at("gone.mp3").c_str());
  EXPECT_EQ(list->createShortcutsIn(at("links").c_str(), true, false, false, false, nullptr), 1)
      << "one entry does not exist";
}

TEST_F(PathArrayBatch, RecyclingABatchEmptiesItIntoTheTrashAndPropertiesNeedAnEntry) {
  ScopedVariable dataHome("XDG_DATA_HOME", posix("data").string());
  writeFile("a.mp3", "a");
  writeFile("album/t.wav", "t");
  NotifyRecorder recorder;
  List list;
  list->addText(at("a.mp3").c_str())->addText(at("album").c_str());
  list->cacheDirectoryFlags();
  EXPECT_TRUE(list->moveToRecycleBin(true, false, nullptr));
  EXPECT_EQ(readFile("data/Trash/files/a.mp3"), "a");
  EXPECT_EQ(readFile("data/Trash/files/album/t.wav"), "t");
  EXPECT_EQ(NotifyRecorder::events(), (std::vector<std::u16string>{line(u"delete ", at("a.mp3")),
                                                                   line(u"rmdir ", at("album"))}));
  EXPECT_FALSE(list->moveToRecycleBin(false, false, nullptr)) << "nothing left to recycle";
  List empty;
  EXPECT_FALSE(empty->moveToRecycleBin(false, false, nullptr));

  EXPECT_FALSE(empty->showProperties());
  List two;
  two->addText(at("x").c_str());
  EXPECT_FALSE(two->showProperties()) << "one path: the sheet is asked for, and there is none here";
  two->addText(at("y").c_str());
  EXPECT_FALSE(two->showProperties()) << "no multi-file sheet here";
}
