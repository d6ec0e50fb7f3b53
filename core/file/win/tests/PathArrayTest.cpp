// The list of paths: ownership, the double-NUL list and directory flags.
#include "core/file/win/PathArray.h"

#include "core/file/win/tests/TempFolder.h"
#include "core/thread/Pooled.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using s::file::win::PathArray;
using s::file::win::PathWin;
using List = s::thread::Pooled<PathArray>;

std::u16string fullAt(PathArray* list, int32_t index) { return list->getAt(index)->getFullPath(); }

using PathArrayTree = s::testing::TempFolder;

}  // namespace

TEST(PathArray, OwnsItsEntriesAndHandsThemOut) {
  List list;
  list->addText(u"C:\\b")->addText(u"C:\\c");
  list->insertTextAt(0, u"C:\\a");
  list->insertAt(3, PathWin::newFromText(u"C:\\d"));
  ASSERT_EQ(list->getCount(), 4);
  EXPECT_EQ(fullAt(list.get(), 0), u"C:\\a");
  EXPECT_EQ(fullAt(list.get(), 3), u"C:\\d");
  s::thread::Pooled<PathWin> taken(list->takeAt(1));
  EXPECT_EQ(std::u16string(taken->getFullPath()), u"C:\\b");
  list->removeAt(0);
  list->removeLast();
  ASSERT_EQ(list->getCount(), 1);
  EXPECT_EQ(fullAt(list.get(), 0), u"C:\\c");

  // clear forgets entries that now belong elsewhere; they stay usable.
  PathWin* kept = list->getAt(0);
  List other;
  other->add(kept);
  list->clear();
  EXPECT_EQ(list->getCount(), 0);
  EXPECT_EQ(std::u16string(other->getAt(0)->getFullPath()), u"C:\\c");
  other->clearWith();
  EXPECT_EQ(other->getCount(), 0);
}

TEST(PathArray, DoubleNulListEndsInTwoNuls) {
  List list;
  EXPECT_EQ(list->getDoubleNulList()[0], 0);
  list->addText(u"a")->addText(u"b");
  const WCHAR* units = list->getDoubleNulList();
  EXPECT_EQ(std::u16string(units, 5), std::u16string(u"a\0b\0\0", 5));
  s::thread::Pooled<s::str::strbuffer::StrBuffer> out(list->copyDoubleNulList(nullptr, false));
  EXPECT_EQ(out->getLength(), 4u);
  list->copyDoubleNulList(out.get(), true);
  EXPECT_EQ(out->getLength(), 8u);
}

TEST_F(PathArrayTree, DirectoryFlagsAreCachedUntilCleared) {
  makeFolder("d");
  writeFile("f", "x");
  List list;
  list->addText(at("d").c_str())->addText(at("f").c_str());
  EXPECT_FALSE(list->isDirectoryAt(0)) << "nothing cached yet";
  list->cacheDirectoryFlags();
  EXPECT_TRUE(list->isDirectoryAt(0));
  EXPECT_FALSE(list->isDirectoryAt(1));
  EXPECT_FALSE(list->isDirectoryAt(2));
  list->clearDirectoryFlags();
  EXPECT_FALSE(list->isDirectoryAt(0));
}
