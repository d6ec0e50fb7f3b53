// Registry keys: value encodings read by size, texts and lists, paths, key creation, listing,
// renaming and deletion, over a registry database of each test's own.
#include "platform/reg/win/RegDir.h"

#include "core/col/array/ArrayP.h"
#include "core/col/array/ArrayU08.h"
#include "core/str/strarray/StrArray.h"
#include "platform/reg/win/MultiString.h"
#include "platform/reg/win/tests/TempRegistry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using s::col::_array::ArrayP;
using s::col::_array::ArrayU08;
using s::reg::win::RegDir;
using s::str::strarray::StrArray;

namespace {

// A pooled RegDir for the length of a scope.
class Dir {
 public:
  Dir() : m_dir(RegDir::take()) {}
  Dir(HKEY root, const char16_t* path) : Dir() { m_status = m_dir->open(root, path); }
  ~Dir() { m_dir->release(); }
  Dir(const Dir&) = delete;
  Dir& operator=(const Dir&) = delete;
  RegDir* operator->() const { return m_dir; }
  RegDir* get() const { return m_dir; }
  NTSTATUS status() const { return m_status; }

 private:
  RegDir* m_dir;
  NTSTATUS m_status = 0;
};

std::u16string text(const char16_t* t) { return t == nullptr ? u"(null)" : std::u16string(t); }

std::vector<std::u16string> texts(StrArray* list) {
  std::vector<std::u16string> out;
  for (uint32_t i = 0; i < list->getCount(); ++i) {
    out.emplace_back(list->get(i)->getCStr());
  }
  list->release();
  return out;
}

std::vector<std::u16string> keyNames(ArrayP* keys) {
  std::vector<std::u16string> out;
  for (uint32_t i = 0; i < keys->getCount(); ++i) {
    auto* key = static_cast<RegDir*>(static_cast<s::base::IObject*>(keys->getItems()[i]));
    EXPECT_TRUE(key->isOpen()) << "listed sub-keys are opened";
    auto* name = key->getKeyName();
    out.emplace_back(name->getCStr());
    name->release();
  }
  keys->release();
  return out;
}

struct Stored {
  DWORD type;
  DWORD size;
  std::vector<uint8_t> bytes;
};

Stored stored(RegDir* dir, const char16_t* name) {
  Stored s{};
  EXPECT_TRUE(dir->queryValue(name, &s.type, &s.size, -1)) << "the value exists";
  ArrayU08* bytes = dir->getBinary(name, nullptr);
  if (bytes != nullptr) {
    s.bytes.assign(bytes->getItems(), bytes->getItems() + bytes->getCount());
    bytes->release();
  }
  return s;
}

std::vector<uint8_t> le32(uint32_t v) {
  return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}

class RegDirTest : public TempRegistry {};

}  // namespace

TEST_F(RegDirTest, SettersWriteTheLibrarysTypesAndSizes) {
  Dir dir(HKEY_CURRENT_USER, u"Software\\Test");
  dir->setUInt8(u"u8", 0xF0);
  dir->setInt8(u"s8", -2);
  dir->setUInt16(u"u16", 0xFFFF);
  dir->setInt16(u"s16", -1);
  dir->setUInt32(u"u32", 0x12345678);
  dir->setInt64(u"s64", -5);
  dir->setFloat(u"f", 0.5f);
  dir->setDouble(u"d", 0.25);
  dir->setBool(u"b", true);
  dir->setString(u"empty", u"");

  struct Case {
    const char16_t* name;
    DWORD type;
    std::vector<uint8_t> bytes;
  };
  float half = 0.5f;
  double quarter = 0.25;
  std::vector<uint8_t> halfBytes(4), quarterBytes(8);
  std::memcpy(halfBytes.data(), &half, 4);
  std::memcpy(quarterBytes.data(), &quarter, 8);
  const Case cases[] = {
      {u"u8", REG_DWORD, le32(0xF0)},        // zero-extended
      {u"s8", REG_DWORD, le32(0xFFFFFFFE)},  // sign-extended
      {u"u16", REG_DWORD, le32(0xFFFF)},
      {u"s16", REG_DWORD, le32(0xFFFFFFFF)},
      {u"u32", REG_DWORD, le32(0x12345678)},
      {u"s64", REG_BINARY, {0xFB, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}},  // not REG_QWORD
      {u"f", REG_BINARY, halfBytes},
      {u"d", REG_BINARY, quarterBytes},
      {u"b", REG_DWORD, le32(1)},
      {u"empty", REG_SZ, {0, 0}},  // the NUL is stored
  };
  for (const Case& c : cases) {
    Stored s = stored(dir.get(), c.name);
    EXPECT_EQ(s.type, c.type) << std::string(c.name, c.name + 3);
    EXPECT_EQ(s.size, c.bytes.size());
    EXPECT_EQ(s.bytes, c.bytes);
  }
  // Both 16-bit forms read back through the unsigned getter as the same bits.
  EXPECT_EQ(dir->getUInt16(u"u16", 0), 0xFFFF);
  EXPECT_EQ(dir->getUInt16(u"s16", 0), 0xFFFF);
  EXPECT_EQ(dir->getInt8(u"s8", 0), -2);
  EXPECT_EQ(dir->getInt64(u"s64", 0), -5);
  EXPECT_EQ(dir->getFloat(u"f", 0), 0.5f);
  EXPECT_EQ(dir->getDouble(u"d", 0), 0.25);
  EXPECT_TRUE(dir->getBool(u"b", false));
  EXPECT_EQ(text(dir->getString(u"empty", u"default", nullptr, false)), u"");
}

TEST_F(RegDirTest, GettersGoBySizeNotType) {
  Dir dir(HKEY_CURRENT_USER, u"Software\\Test");
  const float bits = 1.5f;
  uint32_t asDword;
  std::memcpy(&asDword, &bits, 4);
  dir->setUInt32(u"dword", asDword);
  const uint64_t qword = 0x0102030405060708ull;
  ASSERT_EQ(dir->setValue(u"qword", REG_QWORD, &qword, 8), STATUS_SUCCESS);
  const uint8_t four[] = {1, 0, 0, 0};
  ASSERT_EQ(dir->setValue(u"four", REG_BINARY, four, 4), STATUS_SUCCESS);
  const uint8_t three[] = {1, 2, 3};
  ASSERT_EQ(dir->setValue(u"three", REG_BINARY, three, 3), STATUS_SUCCESS);

  EXPECT_EQ(dir->getFloat(u"dword", 0), 1.5f);    // a REG_DWORD read as float bits
  EXPECT_EQ(dir->getUInt64(u"qword", 0), qword);  // another program's REG_QWORD
  double qwordBits;
  std::memcpy(&qwordBits, &qword, 8);
  EXPECT_EQ(dir->getDouble(u"qword", 9.0), qwordBits);  // any 8 bytes read as a double
  EXPECT_EQ(dir->getUInt32(u"four", 7), 1u);            // 4-byte binary: its bits
  EXPECT_TRUE(dir->getBool(u"four", false));
  EXPECT_EQ(dir->getUInt32(u"three", 7), 7u);  // any other size: the default
  EXPECT_EQ(dir->getUInt8(u"qword", 7), 7);
  EXPECT_EQ(dir->getUInt64(u"dword", 7), 7u);
  EXPECT_EQ(dir->getUInt32(u"missing", 7), 7u);
  EXPECT_EQ(text(dir->getString(u"dword", u"default", nullptr, false)), u"default");
  EXPECT_EQ(dir->getValueSize(u"three"), 3u);
  EXPECT_EQ(dir->getValueSize(u"missing"), 0u);
  EXPECT_EQ(dir->getBinary(u"missing", nullptr), nullptr);
  EXPECT_EQ(dir->removeValue(u"missing"), STATUS_OBJECT_NAME_NOT_FOUND);
  EXPECT_EQ(dir->removeValue(u"three"), STATUS_SUCCESS);
  EXPECT_EQ(dir->getValueSize(u"three"), 0u);
}

TEST_F(RegDirTest, TheEmptyNameIsTheKeysDefaultValue) {
  Dir dir(HKEY_CURRENT_USER, u"Software\\Test");
  dir->setString(u"", u"Unnamed");
  dir->setString(u"Named", u"x");
  EXPECT_EQ(text(dir->getString(nullptr, u"", nullptr, false)), u"Unnamed");
  EXPECT_EQ(text(dir->getString(u"", u"", nullptr, false)), u"Unnamed");
  EXPECT_EQ(texts(dir->listValueNames()), (std::vector<std::u16string>{u"", u"Named"}));
}

TEST_F(RegDirTest, TextsAreAnsweredTerminatedAndExpandedWhole) {
  Dir dir(HKEY_CURRENT_USER, u"Software\\Test");
  // Texts written by other programs need not carry their NUL, nor an even size.
  const char16_t bare[] = {u'a', u'b', u'c'};
  ASSERT_EQ(dir->setValue(u"bare", REG_SZ, bare, sizeof(bare)), STATUS_SUCCESS);
  ASSERT_EQ(dir->setValue(u"odd", REG_SZ, bare, 5), STATUS_SUCCESS);
  ASSERT_EQ(dir->setValue(u"zero", REG_DWORD, nullptr, 0), STATUS_SUCCESS);
  EXPECT_EQ(text(dir->getString(u"bare", u"", nullptr, false)), u"abc");
  EXPECT_EQ(text(dir->getString(u"odd", u"", nullptr, false)), u"ab");
  EXPECT_EQ(text(dir->getString(u"zero", u"default", nullptr, false)), u"");

  setenv("LUMETRA_TEST_PLACE", "Somewhere", 1);
  dir->setExpandString(u"expand", u"%LUMETRA_TEST_PLACE%\\sub");
  bool expandable = false;
  EXPECT_EQ(text(dir->getString(u"expand", u"", &expandable, false)), u"%LUMETRA_TEST_PLACE%\\sub");
  EXPECT_TRUE(expandable);
  EXPECT_EQ(text(dir->getString(u"expand", u"", &expandable, true)), u"Somewhere\\sub");
  // An expansion longer than the first 520 units is answered whole, not cut.
  const std::string longValue(700, 'L');
  setenv("LUMETRA_TEST_LONG", longValue.c_str(), 1);
  dir->setExpandString(u"long", u"<%LUMETRA_TEST_LONG%>");
  EXPECT_EQ(text(dir->getString(u"long", u"", nullptr, true)),
            u"<" + std::u16string(700, u'L') + u">");
  unsetenv("LUMETRA_TEST_PLACE");
  unsetenv("LUMETRA_TEST_LONG");
  dir->setString(u"plain", u"x");
  EXPECT_EQ(text(dir->getString(u"plain", u"", &expandable, true)), u"x");
  EXPECT_FALSE(expandable);
}

TEST_F(RegDirTest, MultiStringsJoinAndSplitAtTheirNuls) {
  auto bytesOf = [](std::u16string units) {
    ArrayU08* a = ArrayU08::take();
    a->add(units.data(), static_cast<uint32_t>(units.size() * 2));
    return a;
  };
  auto split = [&](std::u16string units) {
    ArrayU08* bytes = bytesOf(units);
    StrArray* list = StrArray::take();
    s::reg::win::splitMultiString(list, bytes);
    bytes->release();
    return texts(list);
  };
  using List = std::vector<std::u16string>;
  EXPECT_EQ(split(std::u16string(u"a\0\0", 3)), List{u"a"});
  EXPECT_EQ(split(std::u16string(u"\0\0", 2)), List{u""});
  EXPECT_EQ(split(std::u16string(u"a\0bc\0\0", 6)), (List{u"a", u"bc"}));
  EXPECT_EQ(split(std::u16string(u"a\0\0b\0\0", 6)), List{u"a"});  // the first empty text ends it
  EXPECT_EQ(split(std::u16string(u"abc\0", 4)), List{});           // no NUL pair: nothing
  EXPECT_EQ(split(std::u16string(u"abc", 3)), List{});

  StrArray* list = StrArray::take();
  ArrayU08* joined = s::reg::win::joinMultiString(list);
  EXPECT_EQ(std::vector<uint8_t>(joined->getItems(), joined->getItems() + joined->getCount()),
            std::vector<uint8_t>(4, 0));
  list->addText(u"one")->addText(u"")->addText(u"three");
  s::reg::win::joinMultiString(list, joined);
  EXPECT_EQ(joined->getCount(), 2u + 8 + 2 + 12);
  joined->release();

  Dir dir(HKEY_CURRENT_USER, u"Software\\Test");
  dir->setMultiString(u"list", list);
  EXPECT_EQ(stored(dir.get(), u"list").type, static_cast<DWORD>(REG_MULTI_SZ));
  // An empty text inside a list ends it on the way back, as the platform reads such lists.
  EXPECT_EQ(texts(dir->getMultiString(u"list")), List{u"one"});
  list->clear();
  dir->setMultiString(u"empty", list);
  EXPECT_EQ(dir->getValueSize(u"empty"), 4u);
  EXPECT_EQ(texts(dir->getMultiString(u"empty")), List{});
  list->addText(u"x")->addText(u"yz");
  dir->setMultiString(u"two", list);
  EXPECT_EQ(texts(dir->getMultiString(u"two")), (List{u"x", u"yz"}));
  EXPECT_EQ(texts(dir->getMultiString(u"missing")), List{});
  dir->setString(u"notAList", u"x");
  EXPECT_EQ(texts(dir->getMultiString(u"notAList")), List{});
  list->release();
}

TEST_F(RegDirTest, PathsAreCleanedAndSplit) {
  Dir dir;
  dir->open(HKEY_CURRENT_USER, u"A\\B\\");
  EXPECT_EQ(text(dir->getPath()), u"A\\B");
  EXPECT_EQ(text(dir->getFullPath()), u"HKEY_CURRENT_USER\\A\\B");
  const std::u16string native = text(dir->getNativePath());
  EXPECT_EQ(native.rfind(u"\\Registry\\User\\S-1-5-21-0-0-0-", 0), 0u) << "the user's own hive";
  EXPECT_EQ(native.substr(native.size() - 4), u"\\A\\B");
  auto* name = dir->getKeyName();
  EXPECT_EQ(text(name->getCStr()), u"B");
  dir->getKeyName(name, true);
  EXPECT_EQ(text(name->getCStr()), u"BB");
  name->release();
  RegDir* parent = dir->newParent();
  EXPECT_EQ(text(parent->getPath()), u"A");
  RegDir* top = parent->newParent();
  EXPECT_EQ(text(top->getPath()), u"");
  EXPECT_TRUE(top->isOpen()) << "the root key itself";
  top->release();
  parent->release();

  struct Case {
    const char16_t* full;
    HKEY root;
    const char16_t* path;
  };
  const Case cases[] = {
      {u"hkey_local_machine\\Software\\X", HKEY_LOCAL_MACHINE, u"Software\\X"},
      {u"HKEY_USERS\\.DEFAULT", HKEY_USERS, u".DEFAULT"},
      {u"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG, u""},     // a bare root name: the root
      {u"HKLM\\Software", HKEY_CURRENT_USER, u"InvalidKey"},  // no such root name
      {u"HKEY_USERSX\\A", HKEY_CURRENT_USER, u"InvalidKey"},
      // Either separator ends the root name; the rest is kept as written.
      {u"HKEY_CURRENT_USER/Software", HKEY_CURRENT_USER, u"Software"},
      {u"hkey_classes_root/.mp3/Shell", HKEY_CLASSES_ROOT, u".mp3/Shell"},
      {u"HKEY_LOCAL_MACHINE//X", HKEY_LOCAL_MACHINE, u"/X"},
      {u"", HKEY_CURRENT_USER, u"InvalidKey"},
  };
  for (const Case& c : cases) {
    dir->openByFullPath(c.full);
    EXPECT_EQ(dir->getRootKey(), c.root) << std::string(c.full, c.full + 6);
    EXPECT_EQ(text(dir->getPath()), c.path);
  }
  EXPECT_EQ(dir->openByFullPath(u"HKEY_LOCAL_MACHINE"), STATUS_SUCCESS);
}

TEST_F(RegDirTest, WritesCreateMissingKeysAndRemovalGoesBottomUp) {
  Dir deep(HKEY_CURRENT_USER, u"Software\\T\\One\\Two\\Three");
  EXPECT_EQ(deep.status(), STATUS_OBJECT_NAME_NOT_FOUND);
  EXPECT_FALSE(deep->isOpen());
  EXPECT_EQ(deep->getUInt32(u"v", 5), 5u) << "reads do not create";
  EXPECT_EQ(Dir(HKEY_CURRENT_USER, u"Software\\T").status(), STATUS_OBJECT_NAME_NOT_FOUND);
  deep->setUInt32(u"v", 6);
  EXPECT_TRUE(deep->isOpen());
  EXPECT_EQ(Dir(HKEY_CURRENT_USER, u"Software\\T\\One\\Two").status(), STATUS_SUCCESS);
  EXPECT_EQ(Dir(HKEY_CURRENT_USER, u"software\\t\\one\\two\\three")->getUInt32(u"V", 0), 6u);

  Dir one(HKEY_CURRENT_USER, u"Software\\T\\One");
  one->setString(u"kept", u"yes");
  Dir(HKEY_CURRENT_USER, u"Software\\T\\One\\Side")->createKey();
  one->removeKey(false);
  EXPECT_TRUE(one->reopen()) << "the key itself stays";
  EXPECT_EQ(text(one->getString(u"kept", u"", nullptr, false)), u"yes");
  EXPECT_EQ(keyNames(one->listSubKeys()), std::vector<std::u16string>{});
  EXPECT_FALSE(deep->reopen()) << "a deleted key is noticed on reopening";

  Dir t(HKEY_CURRENT_USER, u"Software\\T");
  t->removeKey(true);
  EXPECT_FALSE(t->isOpen());
  EXPECT_EQ(Dir(HKEY_CURRENT_USER, u"Software\\T").status(), STATUS_OBJECT_NAME_NOT_FOUND);
  EXPECT_EQ(Dir(HKEY_CURRENT_USER, u"Software").status(), STATUS_SUCCESS);
}

TEST_F(RegDirTest, ListingsRenamingAndTotals) {
  Dir base(HKEY_CURRENT_USER, u"Software\\Listing");
  base->createKey();
  for (const char16_t* name : {u"beta", u"Alpha", u"alphabet", u"Gamma"}) {
    Dir child(HKEY_CURRENT_USER, (std::u16string(u"Software\\Listing\\") + name).c_str());
    child->setUInt32(u"n", 1);
    child->setString(u"s", u"ab");  // 6 bytes
  }
  EXPECT_EQ(keyNames(base->listSubKeys()),
            (std::vector<std::u16string>{u"Alpha", u"alphabet", u"beta", u"Gamma"}));
  EXPECT_EQ(keyNames(base->listSubKeysMatching(u"ALPHA")),
            (std::vector<std::u16string>{u"Alpha", u"alphabet"}));
  EXPECT_EQ(keyNames(base->listSubKeysMatching(u"")).size(), 4u);

  // Values list in creation order; a name far longer than the first listing buffer is listed
  // whole and the listing goes on after it.
  base->setUInt32(u"z", 1);
  const std::u16string longName(600, u'n');
  base->setUInt32(longName.c_str(), 2);
  base->setUInt32(u"a", 3);
  EXPECT_EQ(texts(base->listValueNames()), (std::vector<std::u16string>{u"z", longName, u"a"}));

  uint32_t values = 0;
  uint32_t keys = 0;
  EXPECT_EQ(base->getTotalSize(true, &values, &keys, true), 3u * 4 + 4u * (4 + 6));
  EXPECT_EQ(values, 3u + 4 * 2);
  EXPECT_EQ(keys, 4u);
  values = keys = 0;
  EXPECT_EQ(base->getTotalSize(false, &values, &keys, true), 12u);
  EXPECT_EQ(keys, 0u);

  Dir gamma(HKEY_CURRENT_USER, u"Software\\Listing\\Gamma");
  EXPECT_EQ(gamma->rename(u"Delta"), STATUS_SUCCESS);
  EXPECT_FALSE(gamma->isOpen());
  EXPECT_EQ(Dir(HKEY_CURRENT_USER, u"Software\\Listing\\Delta")->getUInt32(u"n", 0), 1u);
  Dir beta(HKEY_CURRENT_USER, u"Software\\Listing\\beta");
  EXPECT_NE(beta->rename(u"ALPHA"), STATUS_SUCCESS) << "a sibling of that name exists";
  EXPECT_EQ(Dir(HKEY_CURRENT_USER, u"Software\\Listing\\beta")->getUInt32(u"n", 0), 1u);
}

TEST_F(RegDirTest, WhatCannotBeNamedIsRefusedNotCut) {
  // A value name longer than a counted string holds would be cut into another name.
  Dir dir(HKEY_CURRENT_USER, u"Software\\Test");
  const std::u16string huge(40000, u'v');
  EXPECT_EQ(dir->setValue(huge.c_str(), REG_DWORD, "\1\0\0\0", 4), STATUS_OBJECT_NAME_INVALID);
  EXPECT_EQ(texts(dir->listValueNames()), std::vector<std::u16string>{});
  EXPECT_EQ(dir->getUInt32(huge.c_str(), 9), 9u);
  // So would a path.
  std::u16string longPath;
  for (int i = 0; i < 200; ++i) longPath += u"Software\\" + std::u16string(200, u'p') + u"\\";
  Dir far(HKEY_CURRENT_USER, longPath.c_str());
  EXPECT_EQ(far.status(), STATUS_OBJECT_NAME_INVALID);
  far->setUInt32(u"x", 1);
  EXPECT_FALSE(far->isOpen());
  // A root that is not one of the predefined keys opens nothing, rather than the previous root.
  Dir odd;
  EXPECT_NE(odd->open(reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000004)), u"Software"),
            STATUS_SUCCESS);
  odd->setUInt32(u"x", 1);
  EXPECT_FALSE(odd->isOpen());
  EXPECT_EQ(Dir(HKEY_LOCAL_MACHINE, u"Software")->getValueSize(u"x"), 0u);
}

TEST_F(RegDirTest, PooledKeysComeBackClosedOnTheMachineRoot) {
  RegDir* dir = RegDir::take();
  dir->open(HKEY_CURRENT_USER, u"Software");
  dir->createKey();
  ASSERT_TRUE(dir->isOpen());
  dir->release();
  RegDir* again = RegDir::take();
  EXPECT_FALSE(again->isOpen());
  EXPECT_EQ(again->getRootKey(), HKEY_LOCAL_MACHINE);
  EXPECT_EQ(text(again->getPath()), u"");
  EXPECT_EQ(text(again->getClassName()), u"s_reg_win_RegDir");
  again->release();
}
