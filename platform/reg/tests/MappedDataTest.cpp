// The registry settings store: sections as keys below the base key, values with the registry
// encodings, and the section cache against keys that change behind its back.
#include "platform/reg/MappedData.h"

#include "core/col/array/ArrayU08.h"
#include "platform/reg/win/RegDir.h"
#include "platform/reg/win/tests/TempRegistry.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

using s::col::_array::ArrayU08;
using s::reg::MappedData;
using s::reg::win::RegDir;

namespace {

constexpr const char16_t* kBase = u"Software\\Tovi\\Test\\SaveData";

class RegistryStore : public TempRegistry {
 protected:
  void SetUp() override {
    TempRegistry::SetUp();
    m_store = MappedData::take();
    RegDir* base = RegDir::take();
    base->open(HKEY_CURRENT_USER, kBase);
    m_store->setBaseKey(base);
  }
  void TearDown() override {
    m_store->release();
    TempRegistry::TearDown();
  }

  // A key below the base, opened directly.
  static RegDir* key(const char16_t* section) {
    RegDir* dir = RegDir::take();
    std::u16string path = kBase;
    if (*section != 0) path += std::u16string(u"\\") + section;
    dir->open(HKEY_CURRENT_USER, path.c_str());
    return dir;
  }
  static bool exists(const char16_t* section) {
    RegDir* dir = key(section);
    const bool open = dir->isOpen();
    dir->release();
    return open;
  }

  MappedData* m_store = nullptr;
};

std::u16string text(const char16_t* t) { return t == nullptr ? u"(null)" : std::u16string(t); }

}  // namespace

TEST_F(RegistryStore, EveryTypeRoundTripsThroughItsSection) {
  m_store->setUInt8(u"Main", u"u8", 200);
  m_store->setInt8(u"Main", u"s8", -100);
  m_store->setUInt16(u"Main", u"u16", 60000);
  m_store->setInt16(u"Main", u"s16", -30000);
  m_store->setUInt32(u"Main", u"u32", 4000000000u);
  m_store->setInt32(u"Main", u"s32", -2000000000);
  m_store->setUInt64(u"Main", u"u64", 0xFFFFFFFFFFFFFFFFull);
  m_store->setInt64(u"Main", u"s64", -3);
  m_store->setFloat(u"Main", u"f", 1.25f);
  m_store->setDouble(u"Main", u"d", 1.0 / 3);  // the registry keeps every bit
  m_store->setBool(u"Main", u"b", true);
  m_store->setString(u"Main", u"s", u"Grüße");
  m_store->setExpandString(u"Main", u"e", u"%NOT_SET_ANYWHERE%");
  ArrayU08* bytes = ArrayU08::take();
  bytes->push(0x00);
  bytes->push(0x7F);
  m_store->setBinary(u"Main", u"bin", bytes);

  EXPECT_EQ(m_store->getUInt8(u"Main", u"u8", 0), 200);
  EXPECT_EQ(m_store->getInt8(u"Main", u"s8", 0), -100);
  EXPECT_EQ(m_store->getUInt16(u"Main", u"u16", 0), 60000);
  EXPECT_EQ(m_store->getInt16(u"Main", u"s16", 0), -30000);
  EXPECT_EQ(m_store->getUInt32(u"Main", u"u32", 0), 4000000000u);
  EXPECT_EQ(m_store->getInt32(u"Main", u"s32", 0), -2000000000);
  EXPECT_EQ(m_store->getUInt64(u"Main", u"u64", 0), 0xFFFFFFFFFFFFFFFFull);
  EXPECT_EQ(m_store->getInt64(u"Main", u"s64", 0), -3);
  EXPECT_EQ(m_store->getFloat(u"Main", u"f", 0), 1.25f);
  EXPECT_EQ(m_store->getDouble(u"Main", u"d", 0), 1.0 / 3);
  EXPECT_TRUE(m_store->getBool(u"Main", u"b", false));
  EXPECT_EQ(text(m_store->getString(u"Main", u"s", u"", nullptr, false)), u"Grüße");
  bool expandable = false;
  EXPECT_EQ(text(m_store->getString(u"Main", u"e", u"", &expandable, false)),
            u"%NOT_SET_ANYWHERE%");
  EXPECT_TRUE(expandable);
  bytes->clear();
  EXPECT_EQ(m_store->getBinary(u"Main", u"bin", bytes), bytes);
  ASSERT_EQ(bytes->getCount(), 2u);
  EXPECT_EQ(bytes->getItems()[1], 0x7F);
  bytes->release();
  EXPECT_EQ(m_store->getMultiString(u"Main", u"s"), nullptr);

  // The values are the section key's own, readable by any RegDir.
  RegDir* main = key(u"Main");
  DWORD type = 0;
  DWORD size = 0;
  EXPECT_TRUE(main->queryValue(u"u64", &type, &size, -1));
  EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
  EXPECT_EQ(size, 8u);
  main->release();
}

TEST_F(RegistryStore, ReadsTakeOnlyTheSizesTheyKnowAndMissingThingsAnswerDefaults) {
  RegDir* main = key(u"Main");
  const uint8_t four[] = {1, 2, 0, 0};
  main->setValue(u"four", REG_BINARY, four, 4);
  main->setValue(u"two", REG_BINARY, four, 2);
  main->release();
  EXPECT_EQ(m_store->getUInt32(u"Main", u"four", 9), 0x0201u);
  EXPECT_EQ(m_store->getUInt32(u"Main", u"two", 9), 9u);
  EXPECT_EQ(m_store->getUInt32(u"Main", u"missing", 9), 9u);
  EXPECT_EQ(m_store->getUInt32(u"Nowhere", u"four", 9), 9u);
  const char16_t* fallback = u"fallback";
  EXPECT_EQ(m_store->getString(u"Main", u"missing", fallback, nullptr, false), fallback);
  EXPECT_EQ(m_store->getString(u"Nowhere", u"missing", fallback, nullptr, false), fallback);
  EXPECT_FALSE(m_store->hasKey(u"Main", u"missing"));
  EXPECT_TRUE(m_store->hasKey(u"main", u"FOUR"));
  m_store->removeKey(u"Main", u"four");
  EXPECT_FALSE(m_store->hasKey(u"Main", u"four"));
  EXPECT_FALSE(exists(u"Nowhere")) << "reads create nothing";
}

TEST_F(RegistryStore, AMissingBinaryValueGivesTheArrayItTookBack) {
  m_store->setUInt32(u"Main", u"x", 1);
  ArrayU08::take()->release();  // at least one array waits in the pool
  const uint32_t freeBefore = ArrayU08::pool().getFreeCount();
  EXPECT_EQ(m_store->getBinary(u"Main", u"missing", nullptr), nullptr);
  EXPECT_EQ(ArrayU08::pool().getFreeCount(), freeBefore);
  // A missing section answers the array it was given, or a new empty one.
  ArrayU08* answer = m_store->getBinary(u"Nowhere", u"x", nullptr);
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer->getCount(), 0u);
  answer->release();
}

TEST_F(RegistryStore, SectionsAreKeysBelowTheBase) {
  EXPECT_FALSE(m_store->selectExistingSection(u"Skin"));
  EXPECT_FALSE(m_store->selectExistingSection(u"Skin")) << "asked twice, still missing";
  m_store->selectSection(u"Skin");
  EXPECT_TRUE(exists(u"Skin"));
  EXPECT_TRUE(m_store->selectExistingSection(u"skin"));

  m_store->setUInt32(u"A\\B", u"x", 1);  // nests
  m_store->setUInt32(u"C/D", u"x", 2);   // one key named "C/D"
  EXPECT_TRUE(exists(u"A\\B"));
  EXPECT_TRUE(exists(u"C/D"));
  EXPECT_FALSE(exists(u"C"));

  // The empty section is the base key: the program's unnamed values live there.
  m_store->setString(u"", u"", u"Lumetra");
  RegDir* base = key(u"");
  EXPECT_EQ(text(base->getString(nullptr, u"", nullptr, false)), u"Lumetra");
  base->release();

  m_store->removeSection(u"A\\B");
  EXPECT_FALSE(exists(u"A\\B"));
  EXPECT_TRUE(exists(u"A"));
  m_store->removeSection(u"");
  EXPECT_FALSE(exists(u"")) << "the base key goes with every section";
  // The store keeps working: the next write makes the base and the section again.
  m_store->setUInt32(u"Skin", u"x", 3);
  EXPECT_EQ(m_store->getUInt32(u"Skin", u"x", 0), 3u);
}

TEST_F(RegistryStore, TheSelectedSectionNoticesChangesMadeElsewhere) {
  m_store->setUInt32(u"Main", u"x", 1);
  RegDir* main = key(u"Main");
  main->removeKey(true);
  main->release();
  EXPECT_EQ(m_store->getUInt32(u"Main", u"x", 9), 9u) << "deleted behind the store's back";
  EXPECT_FALSE(m_store->selectExistingSection(u"Main"));
  // Made again by someone else: the cached section finds it.
  RegDir* again = key(u"Main");
  again->setUInt32(u"x", 5);
  again->release();
  EXPECT_EQ(m_store->getUInt32(u"Main", u"x", 9), 5u);
  main = key(u"Main");
  main->removeKey(true);
  main->release();
  m_store->setUInt32(u"Main", u"x", 7);  // a write recreates it
  EXPECT_EQ(m_store->getUInt32(u"Main", u"x", 9), 7u);
}

TEST_F(RegistryStore, AStoreWithoutABaseKeyAnswersDefaultsAndWritesNothing) {
  MappedData* bare = MappedData::take();
  bare->setUInt32(u"Main", u"x", 1);
  EXPECT_EQ(bare->getUInt32(u"Main", u"x", 9), 9u);
  EXPECT_FALSE(bare->selectExistingSection(u""));
  bare->removeSection(u"");
  EXPECT_EQ(std::u16string(bare->getClassName()), u"s_reg_MappedData");
  bare->setAutoFlush(true);
  EXPECT_TRUE(bare->isAutoFlush());
  bare->release();
  MappedData* reused = MappedData::take();
  EXPECT_FALSE(reused->isAutoFlush()) << "a store comes back from its pool reset";
  EXPECT_EQ(reused->getBaseKey(), nullptr);
  reused->release();
}

// A program's main thread asks for the window's place while its window thread stores a setting
// of another section: each call must see its own section, and neither may free the other's key.
TEST_F(RegistryStore, TwoThreadsUsingTheStoreAtOnceEachSeeTheirOwnSection) {
  m_store->setInt32(u"MainWindow\\View", u"X", 40);
  m_store->setInt32(u"MainWindow\\Effect", u"Level", 3);
  std::atomic<int> wrong{0};
  std::thread writer([&] {
    for (int i = 0; i < 300; ++i) {
      m_store->setInt32(u"MainWindow\\Effect", u"Level", i);
      if (m_store->getInt32(u"MainWindow\\Effect", u"Level", -1) != i) ++wrong;
    }
  });
  for (int i = 0; i < 300; ++i) {
    if (!m_store->hasKey(u"MainWindow\\View", u"X")) ++wrong;
    if (m_store->getInt32(u"MainWindow\\View", u"X", -1) != 40) ++wrong;
  }
  writer.join();
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_EQ(m_store->getInt32(u"MainWindow\\Effect", u"Level", -1), 299);
}
