// Conformance of the native registry, counted strings and version calls. Each test works on a
// database file of its own in a temporary folder (LUMETRA_REGISTRY).
#include <windows.h>
#include <winternl.h>

#include <gtest/gtest.h>

#include "testlib/BusyDatabase.h"
#include "testlib/Process.h"
#include "testlib/TempDir.h"
#include "testlib/Wait.h"

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

// A counted string over its own copy of the text.
class Name {
 public:
  Name(std::u16string_view text) : m_text(text) {  // NOLINT: used as an implicit conversion
    m_string.Buffer = m_text.data();
    m_string.Length = m_string.MaximumLength = static_cast<USHORT>(m_text.size() * 2);
  }
  Name(const Name&) = delete;
  Name& operator=(const Name&) = delete;
  PUNICODE_STRING get() { return &m_string; }

 private:
  std::u16string m_text;
  UNICODE_STRING m_string;
};

NTSTATUS openKey(HANDLE* key, std::u16string_view path, ACCESS_MASK access = KEY_ALL_ACCESS, HANDLE root = nullptr) {
  Name name(path);
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, name.get(), OBJ_CASE_INSENSITIVE, root, nullptr);
  return NtOpenKey(key, access, &attributes);
}

NTSTATUS createKey(HANDLE* key, std::u16string_view path, ULONG* disposition = nullptr, HANDLE root = nullptr,
                   ACCESS_MASK access = KEY_ALL_ACCESS) {
  Name name(path);
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, name.get(), OBJ_CASE_INSENSITIVE, root, nullptr);
  return NtCreateKey(key, access, &attributes, 0, nullptr, 0, disposition);
}

NTSTATUS setValue(HANDLE key, std::u16string_view name, ULONG type, const void* data, ULONG size) {
  Name n(name);
  return NtSetValueKey(key, n.get(), 0, type, const_cast<void*>(data), size);
}

NTSTATUS setDword(HANDLE key, std::u16string_view name, DWORD value) {
  return setValue(key, name, REG_DWORD, &value, sizeof(value));
}

struct Value {
  std::u16string name;
  ULONG type = 0;
  std::vector<BYTE> data;
};

Value fromFullRecord(const std::vector<BYTE>& buffer) {
  const auto* full = reinterpret_cast<const KEY_VALUE_FULL_INFORMATION*>(buffer.data());
  Value v;
  v.name.assign(full->Name, full->NameLength / 2);
  v.type = full->Type;
  v.data.assign(buffer.data() + full->DataOffset, buffer.data() + full->DataOffset + full->DataLength);
  return v;
}

// Reads a value the way the registry classes do: the full record, growing the buffer on demand.
NTSTATUS queryValue(HANDLE key, std::u16string_view name, Value& out) {
  Name n(name);
  std::vector<BYTE> buffer(16);
  ULONG needed = 0;
  NTSTATUS s;
  while ((s = NtQueryValueKey(key, n.get(), KeyValueFullInformation, buffer.data(), static_cast<ULONG>(buffer.size()),
                              &needed)) == STATUS_BUFFER_OVERFLOW ||
         s == STATUS_BUFFER_TOO_SMALL) {
    buffer.resize(needed);
  }
  if (s == STATUS_SUCCESS) out = fromFullRecord(buffer);
  return s;
}

std::vector<std::u16string> subKeyNames(HANDLE key) {
  std::vector<std::u16string> names;
  alignas(8) BYTE buffer[1024];
  ULONG length = 0;
  for (ULONG i = 0; NtEnumerateKey(key, i, KeyBasicInformation, buffer, sizeof(buffer), &length) == 0; ++i) {
    const auto* basic = reinterpret_cast<const KEY_BASIC_INFORMATION*>(buffer);
    names.emplace_back(basic->Name, basic->NameLength / 2);
  }
  return names;
}

std::vector<std::u16string> valueNames(HANDLE key) {
  std::vector<std::u16string> names;
  alignas(8) BYTE buffer[1024];
  ULONG length = 0;
  for (ULONG i = 0; NtEnumerateValueKey(key, i, KeyValueBasicInformation, buffer, sizeof(buffer), &length) == 0; ++i) {
    const auto* basic = reinterpret_cast<const KEY_VALUE_BASIC_INFORMATION*>(buffer);
    names.emplace_back(basic->Name, basic->NameLength / 2);
  }
  return names;
}

std::u16string keyName(HANDLE key) {
  alignas(8) BYTE buffer[1024];
  ULONG length = 0;
  if (NtQueryKey(key, KeyBasicInformation, buffer, sizeof(buffer), &length) != 0) return u"<failed>";
  const auto* basic = reinterpret_cast<const KEY_BASIC_INFORMATION*>(buffer);
  return std::u16string(basic->Name, basic->NameLength / 2);
}

std::u16string currentUserRoot() {
  return u"\\Registry\\User\\S-1-5-21-0-0-0-" + [] {
    std::string uid = std::to_string(getuid());
    return std::u16string(uid.begin(), uid.end());
  }();
}

constexpr std::u16string_view kBase = u"\\Registry\\Machine\\SOFTWARE";

// A fresh database per test, and the handles it opened closed afterwards.
class Registry : public ::testing::Test {
 protected:
  void SetUp() override { useDatabase(m_folder / "registry.sqlite3"); }
  void TearDown() override {
    for (HANDLE h : m_handles) NtClose(h);
    unsetenv("LUMETRA_REGISTRY");
  }

  void useDatabase(const std::filesystem::path& file) { setenv("LUMETRA_REGISTRY", file.c_str(), 1); }

  HANDLE create(std::u16string_view path, HANDLE root = nullptr) {
    HANDLE key = nullptr;
    NTSTATUS s = createKey(&key, path, nullptr, root);
    EXPECT_EQ(s, STATUS_SUCCESS) << "creating the key";
    if (key != nullptr) m_handles.push_back(key);
    return key;
  }
  HANDLE open(std::u16string_view path, ACCESS_MASK access = KEY_ALL_ACCESS) {
    HANDLE key = nullptr;
    EXPECT_EQ(openKey(&key, path, access), STATUS_SUCCESS) << "opening the key";
    if (key != nullptr) m_handles.push_back(key);
    return key;
  }
  std::u16string under(std::u16string_view tail) { return std::u16string(kBase) + u"\\" + std::u16string(tail); }

  lumetra::testlib::TempDir m_temp;
  const std::filesystem::path m_folder = m_temp.path();
  std::vector<HANDLE> m_handles;
};

TEST(NativeTypes, RecordsHaveTheLayoutsOf64BitWindows) {
  EXPECT_EQ(sizeof(UNICODE_STRING), 16u);
  EXPECT_EQ(offsetof(UNICODE_STRING, Buffer), 8u);
  EXPECT_EQ(sizeof(OBJECT_ATTRIBUTES), 48u);
  EXPECT_EQ(offsetof(OBJECT_ATTRIBUTES, ObjectName), 16u);
  EXPECT_EQ(offsetof(OBJECT_ATTRIBUTES, Attributes), 24u);
  EXPECT_EQ(offsetof(KEY_BASIC_INFORMATION, Name), 16u);
  EXPECT_EQ(offsetof(KEY_NODE_INFORMATION, Name), 24u);
  EXPECT_EQ(offsetof(KEY_FULL_INFORMATION, Class), 44u);
  EXPECT_EQ(offsetof(KEY_VALUE_BASIC_INFORMATION, Name), 12u);
  EXPECT_EQ(offsetof(KEY_VALUE_FULL_INFORMATION, Name), 20u);
  EXPECT_EQ(offsetof(KEY_VALUE_PARTIAL_INFORMATION, Data), 12u);
  EXPECT_EQ(sizeof(OSVERSIONINFOW), 276u);
  EXPECT_EQ(sizeof(OSVERSIONINFOEXW), 284u);
}

TEST_F(Registry, PredefinedRootsExistInAFreshDatabase) {
  for (std::u16string path : {std::u16string(u"\\Registry\\Machine"), std::u16string(u"\\Registry\\User"),
                              currentUserRoot(), std::u16string(u"\\Registry\\Machine\\SOFTWARE\\Classes"),
                              std::u16string(u"\\Registry\\Machine\\System\\CurrentControlSet\\Hardware "
                                             u"Profiles\\Current"),
                              // a root opened with an empty sub-path keeps a trailing separator
                              std::u16string(u"\\Registry\\Machine\\"), std::u16string(u"\\REGISTRY\\machine")}) {
    HANDLE key = nullptr;
    EXPECT_EQ(openKey(&key, path), STATUS_SUCCESS) << std::string(path.begin(), path.end());
    NtClose(key);
  }
}

TEST_F(Registry, KeysAreFoundIgnoringCaseAndKeepTheirCase) {
  create(under(u"MixedCase"));
  HANDLE again = nullptr;
  ULONG disposition = 0;
  ASSERT_EQ(createKey(&again, under(u"MIXEDCASE"), &disposition), STATUS_SUCCESS);
  EXPECT_EQ(disposition, static_cast<ULONG>(REG_OPENED_EXISTING_KEY));
  EXPECT_EQ(keyName(again), u"MixedCase");
  NtClose(again);
  EXPECT_EQ(keyName(open(under(u"mixedcase"))), u"MixedCase");
  // Letters beyond ASCII fold too.
  create(under(u"Straße-Ärger"));
  EXPECT_EQ(keyName(open(under(u"STRAßE-äRGER"))), u"Straße-Ärger");
}

TEST_F(Registry, CreateMakesOnlyTheLastKeyAndOpenRefusesMissingKeys) {
  HANDLE key = nullptr;
  EXPECT_EQ(createKey(&key, under(u"A\\B\\C")), STATUS_OBJECT_NAME_NOT_FOUND);
  EXPECT_EQ(key, nullptr);
  EXPECT_EQ(openKey(&key, under(u"A")), STATUS_OBJECT_NAME_NOT_FOUND);
  ULONG disposition = 0;
  ASSERT_EQ(createKey(&key, under(u"A"), &disposition), STATUS_SUCCESS);
  EXPECT_EQ(disposition, static_cast<ULONG>(REG_CREATED_NEW_KEY));
  NtClose(key);
  // Malformed names are refused, not turned into odd keys.
  EXPECT_EQ(createKey(&key, under(u"A\\\\B")), STATUS_OBJECT_NAME_INVALID);
  EXPECT_EQ(createKey(&key, under(std::u16string(256, u'x'))), STATUS_OBJECT_NAME_INVALID);
  EXPECT_EQ(openKey(&key, u"Registry\\Machine"), STATUS_OBJECT_PATH_SYNTAX_BAD);
  EXPECT_EQ(openKey(&key, u"\\Elsewhere\\Machine"), STATUS_OBJECT_PATH_NOT_FOUND);
  EXPECT_EQ(openKey(&key, u"\\RegistryX"), STATUS_OBJECT_PATH_NOT_FOUND);
}

TEST_F(Registry, RelativeNamesStartAtTheRootHandle) {
  HANDLE base = open(std::u16string(kBase));
  HANDLE child = create(u"Child", base);
  ASSERT_EQ(setDword(child, u"x", 7), STATUS_SUCCESS);
  HANDLE grandChild = create(u"Child\\Grand", base);
  EXPECT_EQ(keyName(grandChild), u"Grand");
  HANDLE viaAbsolute = open(under(u"child\\grand"));
  EXPECT_EQ(keyName(viaAbsolute), u"Grand");
  HANDLE key = nullptr;
  EXPECT_EQ(openKey(&key, u"\\Registry\\Machine", KEY_READ, base), STATUS_OBJECT_PATH_SYNTAX_BAD);
}

TEST_F(Registry, ValuesKeepTheirTypeAndExactBytes) {
  HANDLE key = create(under(u"Values"));
  const BYTE binary[] = {0, 1, 0, 255, 0, 0};
  const char16_t text[] = u"Grüße";
  const char16_t multi[] = u"a\0bc\0";  // two texts and the closing NUL
  const ULONGLONG qword = 0x0123456789ABCDEFull;
  const DWORD dword = 0xFFFFFFFF;
  ASSERT_EQ(setValue(key, u"Binary", REG_BINARY, binary, sizeof(binary)), STATUS_SUCCESS);
  ASSERT_EQ(setValue(key, u"Text", REG_SZ, text, sizeof(text)), STATUS_SUCCESS);
  ASSERT_EQ(setValue(key, u"Multi", REG_MULTI_SZ, multi, sizeof(multi)), STATUS_SUCCESS);
  ASSERT_EQ(setValue(key, u"Qword", REG_QWORD, &qword, sizeof(qword)), STATUS_SUCCESS);
  ASSERT_EQ(setValue(key, u"Dword", REG_DWORD, &dword, sizeof(dword)), STATUS_SUCCESS);
  ASSERT_EQ(setValue(key, u"Empty", REG_BINARY, nullptr, 0), STATUS_SUCCESS);
  ASSERT_EQ(setValue(key, u"OddType", 0x1234, binary, 3), STATUS_SUCCESS);
  // A text stored without its terminator stays exactly that long.
  ASSERT_EQ(setValue(key, u"Unterminated", REG_SZ, text, 4), STATUS_SUCCESS);

  struct Expected {
    std::u16string_view name;
    ULONG type;
    const void* bytes;
    size_t size;
  } const expected[] = {
      {u"Binary", REG_BINARY, binary, sizeof(binary)},
      {u"TEXT", REG_SZ, text, sizeof(text)},
      {u"multi", REG_MULTI_SZ, multi, sizeof(multi)},
      {u"Qword", REG_QWORD, &qword, sizeof(qword)},
      {u"Dword", REG_DWORD, &dword, sizeof(dword)},
      {u"Empty", REG_BINARY, nullptr, 0},
      {u"OddType", 0x1234, binary, 3},
      {u"Unterminated", REG_SZ, text, 4},
  };
  for (const Expected& e : expected) {
    Value v;
    ASSERT_EQ(queryValue(key, e.name, v), STATUS_SUCCESS) << std::string(e.name.begin(), e.name.end());
    EXPECT_EQ(v.type, e.type);
    ASSERT_EQ(v.data.size(), e.size);
    if (e.size != 0) {
      EXPECT_EQ(std::memcmp(v.data.data(), e.bytes, e.size), 0);
    }
  }

  // The partial record carries the same type and bytes.
  Name name(u"Qword");
  alignas(8) BYTE buffer[64];
  ULONG length = 0;
  ASSERT_EQ(NtQueryValueKey(key, name.get(), KeyValuePartialInformation, buffer, sizeof(buffer), &length),
            STATUS_SUCCESS);
  const auto* partial = reinterpret_cast<const KEY_VALUE_PARTIAL_INFORMATION*>(buffer);
  EXPECT_EQ(partial->Type, static_cast<ULONG>(REG_QWORD));
  ASSERT_EQ(partial->DataLength, 8u);
  ULONGLONG read = 0;
  std::memcpy(&read, partial->Data, 8);
  EXPECT_EQ(read, qword);
  EXPECT_EQ(length, offsetof(KEY_VALUE_PARTIAL_INFORMATION, Data) + 8);
}

TEST_F(Registry, TheEmptyNameIsTheDefaultValue) {
  HANDLE key = create(under(u"Default"));
  const char16_t product[] = u"Converter";
  ASSERT_EQ(setValue(key, u"", REG_SZ, product, sizeof(product)), STATUS_SUCCESS);
  ASSERT_EQ(setDword(key, u"Version", 2), STATUS_SUCCESS);
  Value v;
  ASSERT_EQ(queryValue(key, u"", v), STATUS_SUCCESS);
  EXPECT_EQ(v.name, u"");
  EXPECT_EQ(v.type, static_cast<ULONG>(REG_SZ));
  EXPECT_EQ(v.data.size(), sizeof(product));
  // A counted string with no buffer at all names the default value too.
  UNICODE_STRING none = {0, 0, nullptr};
  alignas(8) BYTE buffer[128];
  ULONG length = 0;
  EXPECT_EQ(NtQueryValueKey(key, &none, KeyValueBasicInformation, buffer, sizeof(buffer), &length), STATUS_SUCCESS);
  EXPECT_EQ(valueNames(key), (std::vector<std::u16string>{u"", u"Version"}));
}

TEST_F(Registry, QueryFollowsTheNativeBufferRules) {
  HANDLE key = create(under(u"Sizes"));
  const BYTE data[40] = {1, 2, 3};
  ASSERT_EQ(setValue(key, u"Data", REG_BINARY, data, sizeof(data)), STATUS_SUCCESS);
  Name name(u"Data");
  ULONG needed = 0;
  std::vector<BYTE> buffer(256, 0xCC);
  EXPECT_EQ(NtQueryValueKey(key, name.get(), KeyValueFullInformation, buffer.data(), 0, &needed),
            STATUS_BUFFER_TOO_SMALL);
  const ULONG full = needed;
  EXPECT_GE(full, offsetof(KEY_VALUE_FULL_INFORMATION, Name) + 8 + sizeof(data));
  // Room for the fixed part only: it is filled, and the needed size reported.
  EXPECT_EQ(NtQueryValueKey(key, name.get(), KeyValueFullInformation, buffer.data(),
                            offsetof(KEY_VALUE_FULL_INFORMATION, Name), &needed),
            STATUS_BUFFER_OVERFLOW);
  EXPECT_EQ(needed, full);
  EXPECT_EQ(reinterpret_cast<KEY_VALUE_FULL_INFORMATION*>(buffer.data())->DataLength, sizeof(data));
  EXPECT_EQ(NtQueryValueKey(key, name.get(), KeyValueFullInformation, buffer.data(), full - 1, &needed),
            STATUS_BUFFER_OVERFLOW);
  EXPECT_EQ(NtQueryValueKey(key, name.get(), KeyValueFullInformation, buffer.data(), full, &needed), STATUS_SUCCESS);
  Name missing(u"Missing");
  EXPECT_EQ(NtQueryValueKey(key, missing.get(), KeyValueFullInformation, buffer.data(), full, &needed),
            STATUS_OBJECT_NAME_NOT_FOUND);
  EXPECT_EQ(
      NtQueryValueKey(key, name.get(), static_cast<KEY_VALUE_INFORMATION_CLASS>(42), buffer.data(), full, &needed),
      STATUS_INVALID_INFO_CLASS);
}

TEST_F(Registry, SubKeysEnumerateSortedIgnoringCase) {
  HANDLE key = create(under(u"Sorted"));
  for (std::u16string_view name : {u"b", u"_x", u"A", u"c", u"a1", u"Ä"}) create(name, key);
  EXPECT_EQ(subKeyNames(key), (std::vector<std::u16string>{u"A", u"a1", u"b", u"c", u"_x", u"Ä"}));
  alignas(8) BYTE buffer[256];
  ULONG length = 0;
  EXPECT_EQ(NtEnumerateKey(key, 6, KeyBasicInformation, buffer, sizeof(buffer), &length), STATUS_NO_MORE_ENTRIES);
  // The full record of the key counts what it holds.
  setDword(key, u"LongestValueName", 1);
  ASSERT_EQ(NtQueryKey(key, KeyFullInformation, buffer, sizeof(buffer), &length), STATUS_SUCCESS);
  const auto* info = reinterpret_cast<const KEY_FULL_INFORMATION*>(buffer);
  EXPECT_EQ(info->SubKeys, 6u);
  EXPECT_EQ(info->MaxNameLen, 4u);  // "a1" and "_x", in bytes
  EXPECT_EQ(info->Values, 1u);
  EXPECT_EQ(info->MaxValueNameLen, 32u);
  EXPECT_EQ(info->MaxValueDataLen, 4u);
}

TEST_F(Registry, ValuesEnumerateInCreationOrderAndKeepTheirPlace) {
  HANDLE key = create(under(u"Order"));
  for (std::u16string_view name : {u"zeta", u"Alpha", u"mid"}) ASSERT_EQ(setDword(key, name, 1), STATUS_SUCCESS);
  // Overwriting keeps the place and the name's first spelling; deleting removes it.
  ASSERT_EQ(setDword(key, u"ALPHA", 2), STATUS_SUCCESS);
  EXPECT_EQ(valueNames(key), (std::vector<std::u16string>{u"zeta", u"Alpha", u"mid"}));
  Name zeta(u"ZETA");
  ASSERT_EQ(NtDeleteValueKey(key, zeta.get()), STATUS_SUCCESS);
  EXPECT_EQ(NtDeleteValueKey(key, zeta.get()), STATUS_OBJECT_NAME_NOT_FOUND);
  ASSERT_EQ(setDword(key, u"zeta", 3), STATUS_SUCCESS);
  EXPECT_EQ(valueNames(key), (std::vector<std::u16string>{u"Alpha", u"mid", u"zeta"}));
  Value v;
  ASSERT_EQ(queryValue(key, u"alpha", v), STATUS_SUCCESS);
  EXPECT_EQ(v.data, (std::vector<BYTE>{2, 0, 0, 0}));
}

TEST_F(Registry, DeletingAKeyLeavesItsHandlesStale) {
  HANDLE parent = create(under(u"Parent"));
  HANDLE child = create(u"Child", parent);
  HANDLE other = open(under(u"Parent\\Child"));
  ASSERT_EQ(setDword(child, u"v", 1), STATUS_SUCCESS);
  EXPECT_EQ(NtDeleteKey(parent), STATUS_CANNOT_DELETE) << "a key with sub-keys stays";
  ASSERT_EQ(NtDeleteKey(child), STATUS_SUCCESS);
  Value v;
  EXPECT_EQ(queryValue(other, u"v", v), STATUS_KEY_DELETED);
  EXPECT_EQ(setDword(other, u"w", 1), STATUS_KEY_DELETED);
  EXPECT_EQ(NtDeleteKey(child), STATUS_KEY_DELETED);
  HANDLE stillThere = nullptr;
  EXPECT_EQ(createKey(&stillThere, u"Deeper", nullptr, child), STATUS_KEY_DELETED);
  // A key made again under the same name starts empty.
  HANDLE fresh = create(u"Child", parent);
  EXPECT_EQ(queryValue(fresh, u"v", v), STATUS_OBJECT_NAME_NOT_FOUND);
  EXPECT_TRUE(subKeyNames(parent) == std::vector<std::u16string>{u"Child"});
  // The hive roots cannot be deleted.
  EXPECT_EQ(NtDeleteKey(open(u"\\Registry\\Machine")), STATUS_CANNOT_DELETE);
  EXPECT_EQ(NtDeleteKey(open(currentUserRoot())), STATUS_CANNOT_DELETE);
}

TEST_F(Registry, RenameKeepsContentAndRefusesCollisions) {
  HANDLE parent = create(under(u"Rename"));
  HANDLE key = create(u"Old", parent);
  create(u"Taken", parent);
  create(u"Old\\Sub", parent);
  ASSERT_EQ(setDword(key, u"v", 5), STATUS_SUCCESS);
  Name taken(u"TAKEN"), invalid(u"a\\b"), fresh(u"New"), recased(u"NEW");
  EXPECT_EQ(NtRenameKey(key, taken.get()), STATUS_OBJECT_NAME_COLLISION);
  EXPECT_EQ(NtRenameKey(key, invalid.get()), STATUS_OBJECT_NAME_INVALID);
  ASSERT_EQ(NtRenameKey(key, fresh.get()), STATUS_SUCCESS);
  ASSERT_EQ(NtRenameKey(key, recased.get()), STATUS_SUCCESS) << "a change of case only is allowed";
  EXPECT_EQ(subKeyNames(parent), (std::vector<std::u16string>{u"NEW", u"Taken"}));
  HANDLE moved = open(under(u"Rename\\new"));
  Value v;
  EXPECT_EQ(queryValue(moved, u"v", v), STATUS_SUCCESS);
  EXPECT_EQ(subKeyNames(moved), std::vector<std::u16string>{u"Sub"});
}

TEST_F(Registry, HandlesCarryTheirAccessRights) {
  create(under(u"Rights"));
  HANDLE readOnly = open(under(u"Rights"), KEY_READ);
  EXPECT_EQ(setDword(readOnly, u"v", 1), STATUS_ACCESS_DENIED);
  EXPECT_EQ(NtDeleteKey(readOnly), STATUS_ACCESS_DENIED);
  HANDLE generic = open(under(u"Rights"), GENERIC_READ | GENERIC_WRITE);
  EXPECT_EQ(setDword(generic, u"v", 1), STATUS_SUCCESS);
  Value v;
  EXPECT_EQ(queryValue(readOnly, u"v", v), STATUS_SUCCESS);
  HANDLE writeOnly = open(under(u"Rights"), KEY_SET_VALUE);
  EXPECT_EQ(queryValue(writeOnly, u"v", v), STATUS_ACCESS_DENIED);
}

TEST_F(Registry, ForeignAndClosedHandlesAreRefused) {
  HANDLE key = nullptr;
  ASSERT_EQ(createKey(&key, under(u"Closing")), STATUS_SUCCESS);
  EXPECT_EQ(NtClose(key), STATUS_SUCCESS);
  EXPECT_EQ(NtClose(key), STATUS_INVALID_HANDLE);
  EXPECT_EQ(setDword(key, u"v", 1), STATUS_INVALID_HANDLE);
  int notAKey = 0;
  EXPECT_EQ(setDword(&notAKey, u"v", 1), STATUS_INVALID_HANDLE);
  EXPECT_EQ(setDword(HKEY_CURRENT_USER, u"v", 1), STATUS_INVALID_HANDLE);
  EXPECT_EQ(NtFlushKey(nullptr), STATUS_INVALID_HANDLE);
  // Key handles are kernel handles: CloseHandle closes them too.
  ASSERT_EQ(openKey(&key, under(u"Closing")), STATUS_SUCCESS);
  EXPECT_TRUE(CloseHandle(key));
  EXPECT_EQ(NtClose(key), STATUS_INVALID_HANDLE);
}

TEST_F(Registry, WritesPersistInTheFileAndEachFileIsItsOwnRegistry) {
  HANDLE key = create(currentUserRoot() + u"\\Software");
  ASSERT_EQ(setDword(key, u"Kept", 42), STATUS_SUCCESS);
  ASSERT_EQ(NtFlushKey(key), STATUS_SUCCESS);
  useDatabase(m_folder / "other.sqlite3");
  HANDLE elsewhere = nullptr;
  EXPECT_EQ(openKey(&elsewhere, currentUserRoot() + u"\\Software"), STATUS_OBJECT_NAME_NOT_FOUND);
  // The handle opened on the first file keeps working on it.
  Value v;
  EXPECT_EQ(queryValue(key, u"Kept", v), STATUS_SUCCESS);
  useDatabase(m_folder / "registry.sqlite3");
  EXPECT_EQ(queryValue(open(currentUserRoot() + u"\\software"), u"kept", v), STATUS_SUCCESS);
  EXPECT_EQ(v.data, (std::vector<BYTE>{42, 0, 0, 0}));
}

TEST_F(Registry, ADamagedOrForeignFileIsAnErrorNotACrash) {
  {
    std::ofstream garbage(m_folder / "damaged.sqlite3", std::ios::binary);
    for (int i = 0; i < 4096; ++i) garbage.put(static_cast<char>(i * 7));
  }
  useDatabase(m_folder / "damaged.sqlite3");
  HANDLE key = nullptr;
  EXPECT_EQ(openKey(&key, u"\\Registry\\Machine"), STATUS_REGISTRY_CORRUPT);
  EXPECT_EQ(key, nullptr);
  useDatabase(m_folder / "missing-folder" / "deeper" / "registry.sqlite3");
  EXPECT_EQ(openKey(&key, u"\\Registry\\Machine"), STATUS_SUCCESS) << "missing folders are created";
  NtClose(key);
}

// Runs this test binary again as a second process that works on the same database. The helper
// tests are disabled, so a normal run neither runs nor lists them.
lumetra::testlib::ChildProcess startHelper(const char* test, const std::string& argument) {
  return lumetra::testlib::ChildProcess::helperTest(std::string("RegistryHelper.DISABLED_") + test,
                                                    {{"LUMETRA_REGISTRY_HELPER", argument}});
}

const char* helperArgument() { return std::getenv("LUMETRA_REGISTRY_HELPER"); }

constexpr int kValuesPerWriter = 150;

void writeValues(const std::u16string& prefix) {
  HANDLE key = nullptr;
  ASSERT_EQ(createKey(&key, std::u16string(kBase) + u"\\Shared"), STATUS_SUCCESS);
  for (int i = 0; i < kValuesPerWriter; ++i) {
    std::string n = std::to_string(i);
    ASSERT_EQ(setDword(key, prefix + std::u16string(n.begin(), n.end()), static_cast<DWORD>(i)), STATUS_SUCCESS);
  }
  NtClose(key);
}

TEST(RegistryHelper, DISABLED_WriteValues) {
  if (helperArgument() == nullptr) GTEST_SKIP() << "runs only as the second process of a registry test";
  std::string prefix = helperArgument();
  writeValues(std::u16string(prefix.begin(), prefix.end()));
}

TEST(RegistryHelper, DISABLED_WriteUntilKilled) {
  if (helperArgument() == nullptr) GTEST_SKIP() << "runs only as the second process of a registry test";
  HANDLE key = nullptr;
  ASSERT_EQ(createKey(&key, std::u16string(kBase) + u"\\Crash"), STATUS_SUCCESS);
  std::vector<BYTE> data(8192);
  for (DWORD i = 0;; ++i) {
    // Every value is its own index repeated, so a torn write would show.
    std::memset(data.data(), static_cast<int>(i & 0xFF), data.size());
    std::string n = std::to_string(i % 64);
    setValue(key, std::u16string(n.begin(), n.end()), REG_BINARY, data.data(), static_cast<ULONG>(data.size()));
  }
}

TEST_F(Registry, TwoProcessesWritingAtOnceLoseNothing) {
  create(under(u"Shared"));
  lumetra::testlib::ChildProcess helper = startHelper("WriteValues", "second-");
  ASSERT_TRUE(helper.started());
  writeValues(u"first-");
  ASSERT_TRUE(helper.wait());
  ASSERT_EQ(helper.exitCode(), 0) << "the second writer failed";
  std::vector<std::u16string> names = valueNames(open(under(u"Shared")));
  EXPECT_EQ(names.size(), 2u * kValuesPerWriter);
}

TEST_F(Registry, AKilledWriterLeavesEveryValueWhole) {
  HANDLE key = create(under(u"Crash"));
  lumetra::testlib::ChildProcess helper = startHelper("WriteUntilKilled", "-");
  ASSERT_TRUE(helper.started());
  // Let it write every value and start over, with this process reading at the same time.
  lumetra::testlib::waitUntil([&] {
    Value first;
    return valueNames(key).size() == 64 && queryValue(key, u"0", first) == STATUS_SUCCESS && !first.data.empty() &&
           first.data[0] != 0;
  });
  helper.kill();
  std::vector<std::u16string> names = valueNames(key);
  ASSERT_EQ(names.size(), 64u);
  for (const std::u16string& name : names) {
    Value v;
    ASSERT_EQ(queryValue(key, name, v), STATUS_SUCCESS);
    ASSERT_EQ(v.data.size(), 8192u);
    for (BYTE b : v.data) ASSERT_EQ(b, v.data[0]) << "a value was torn";
  }
  ASSERT_EQ(setDword(key, u"after", 1), STATUS_SUCCESS) << "the database stays writable";
}

// A DWORD value as the database file holds it, read by another program: its bytes in hex, or ""
// when it is not there.
std::string valueInFile(const std::filesystem::path& database, const std::string& name) {
  return lumetra::testlib::queryDatabase(
      database, "SELECT hex(data) FROM vals WHERE folded=x'" + lumetra::testlib::foldedRegistryName(name) + "'");
}

TEST(RegistryHelper, DISABLED_WriteWhileBusy) {
  if (helperArgument() == nullptr) GTEST_SKIP() << "runs only as the second process of a registry test";
  HANDLE key = nullptr;
  ASSERT_EQ(createKey(&key, std::u16string(kBase) + u"\\Busy"), STATUS_SUCCESS);
  std::string name = helperArgument();
  ASSERT_EQ(setDword(key, std::u16string(name.begin(), name.end()), 7), STATUS_SUCCESS);
  std::printf("written\n");
  std::fflush(stdout);
  // Ends when told to, with the change still waiting for the file.
  const char* wait = std::getenv("LUMETRA_REGISTRY_HELPER_WAIT");
  if (wait != nullptr) lumetra::testlib::waitUntil([&] { return std::filesystem::exists(wait); });
}

TEST_F(Registry, ABusyDatabaseHoldsNoCallUpAndLosesNoWrite) {
  const std::filesystem::path database = m_folder / "registry.sqlite3";
  HANDLE key = create(under(u"Busy"));
  ASSERT_EQ(setDword(key, u"Old", 1), STATUS_SUCCESS);
  lumetra::testlib::BusyDatabase busy(database, m_folder);
  ASSERT_TRUE(busy.held());

  const auto began = std::chrono::steady_clock::now();
  EXPECT_EQ(setDword(key, u"During", 2), STATUS_SUCCESS);
  HANDLE fresh = create(under(u"Busy\\Fresh"));
  EXPECT_EQ(setDword(fresh, u"Inner", 3), STATUS_SUCCESS);
  Name old(u"Old");
  EXPECT_EQ(NtDeleteValueKey(key, old.get()), STATUS_SUCCESS);
  Value v;
  EXPECT_EQ(queryValue(key, u"During", v), STATUS_SUCCESS) << "the process sees what it wrote";
  EXPECT_EQ(v.data, (std::vector<BYTE>{2, 0, 0, 0}));
  EXPECT_EQ(queryValue(key, u"Old", v), STATUS_OBJECT_NAME_NOT_FOUND);
  EXPECT_EQ(subKeyNames(open(under(u"Busy"))), std::vector<std::u16string>{u"Fresh"});
  EXPECT_NE(NtFlushKey(key), STATUS_SUCCESS) << "what waits is not on the disk";
  // The calls wait 2 s in all while the file stays busy, not a wait of their own each.
  EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(8));
  EXPECT_EQ(valueInFile(database, "DURING"), "") << "the file is another program's meanwhile";

  // A process that ends while the file is still busy says what it could not save.
  lumetra::testlib::ChildProcess early = lumetra::testlib::ChildProcess(
      {lumetra::testlib::selfPath().string(), "--gtest_filter=RegistryHelper.DISABLED_WriteWhileBusy",
       "--gtest_also_run_disabled_tests"},
      {{"LUMETRA_REGISTRY_HELPER", "EARLY"}}, true);
  // One that ends after the file is free writes what it kept.
  const std::filesystem::path go = m_folder / "go";
  lumetra::testlib::ChildProcess late = lumetra::testlib::ChildProcess(
      {lumetra::testlib::selfPath().string(), "--gtest_filter=RegistryHelper.DISABLED_WriteWhileBusy",
       "--gtest_also_run_disabled_tests"},
      {{"LUMETRA_REGISTRY_HELPER", "LATE"}, {"LUMETRA_REGISTRY_HELPER_WAIT", go.string()}}, true);
  ASSERT_TRUE(early.wait(30000));
  EXPECT_NE(early.readOutputToEnd().find("stayed busy: 1 changes"), std::string::npos);
  std::string said;
  while (said.find("written") == std::string::npos && late.running()) said += late.readOutput();
  busy.release();
  std::ofstream(go).put('x');
  ASSERT_TRUE(late.wait(30000));
  EXPECT_EQ(late.exitCode(), 0);

  lumetra::testlib::waitUntil([&] { return NtFlushKey(key) == STATUS_SUCCESS; });
  EXPECT_EQ(NtFlushKey(key), STATUS_SUCCESS) << "the file is free again";
  EXPECT_EQ(valueInFile(database, "DURING"), "02000000");
  EXPECT_EQ(valueInFile(database, "INNER"), "03000000");
  EXPECT_EQ(valueInFile(database, "OLD"), "");
  EXPECT_EQ(valueInFile(database, "LATE"), "07000000");
  EXPECT_EQ(valueInFile(database, "EARLY"), "") << "said lost, and lost";
  EXPECT_EQ(setDword(fresh, u"After", 4), STATUS_SUCCESS) << "a handle to a key made meanwhile still works";
  EXPECT_EQ(valueInFile(database, "AFTER"), "04000000");
}

TEST(NtdllModule, EveryEntryPointTheRegistryBindsIsExportedByName) {
  HMODULE ntdll = LoadLibraryW(u"ntdll.dll");
  ASSERT_NE(ntdll, nullptr);
  EXPECT_EQ(LoadLibraryW(u"NTDLL.DLL"), ntdll);
  for (const char* name : {"NtOpenThread",
                           "NtCreateKey",
                           "NtOpenKey",
                           "NtFlushKey",
                           "NtDeleteKey",
                           "NtQueryKey",
                           "NtEnumerateKey",
                           "NtClose",
                           "NtSetValueKey",
                           "NtSetInformationKey",
                           "NtQueryValueKey",
                           "NtEnumerateValueKey",
                           "NtDeleteValueKey",
                           "NtRenameKey",
                           "NtQueryMultipleValueKey",
                           "NtNotifyChangeKey",
                           "NtCreateFile",
                           "RtlAllocateHeap",
                           "RtlFreeHeap",
                           "NtRestoreKey",
                           "NtSaveKey",
                           "NtLoadKey",
                           "NtLoadKey2",
                           "NtReplaceKey",
                           "NtUnloadKey",
                           "RtlInitString",
                           "RtlInitAnsiString",
                           "RtlInitUnicodeString",
                           "RtlAnsiStringToUnicodeString",
                           "RtlUnicodeStringToAnsiString",
                           "RtlFreeAnsiString",
                           "RtlFreeUnicodeString",
                           "RtlGetVersion"}) {
    EXPECT_NE(GetProcAddress(ntdll, name), nullptr) << name;
  }
  auto getVersion = reinterpret_cast<NTSTATUS(NTAPI*)(PRTL_OSVERSIONINFOW)>(
      reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
  RTL_OSVERSIONINFOW info = {};
  info.dwOSVersionInfoSize = sizeof(info);
  ASSERT_EQ(getVersion(&info), STATUS_SUCCESS);
  EXPECT_EQ(info.dwBuildNumber, 7601u);
  EXPECT_EQ(GetProcAddress(ntdll, "NtNoSuchCall"), nullptr);
  FreeLibrary(ntdll);
}

TEST(CountedStrings, InitMeasuresInBytesAndConversionsRoundTrip) {
  UNICODE_STRING u;
  RtlInitUnicodeString(&u, u"Grüße");
  EXPECT_EQ(u.Length, 10);
  EXPECT_EQ(u.MaximumLength, 12);
  RtlInitUnicodeString(&u, nullptr);
  EXPECT_EQ(u.Length, 0);
  EXPECT_EQ(u.Buffer, nullptr);
  ANSI_STRING a;
  RtlInitAnsiString(&a, "abc");
  EXPECT_EQ(a.Length, 3);
  EXPECT_EQ(a.MaximumLength, 4);

  RtlInitUnicodeString(&u, u"Grüße");
  ANSI_STRING converted;
  ASSERT_EQ(RtlUnicodeStringToAnsiString(&converted, &u, TRUE), STATUS_SUCCESS);
  UNICODE_STRING back;
  ASSERT_EQ(RtlAnsiStringToUnicodeString(&back, &converted, TRUE), STATUS_SUCCESS);
  EXPECT_EQ(std::u16string(back.Buffer, back.Length / 2), u"Grüße");
  RtlFreeAnsiString(&converted);
  RtlFreeUnicodeString(&back);
  EXPECT_EQ(back.Buffer, nullptr);

  // Without allocation the destination must be large enough.
  char small[2];
  ANSI_STRING tooSmall = {0, sizeof(small), small};
  EXPECT_EQ(RtlUnicodeStringToAnsiString(&tooSmall, &u, FALSE), STATUS_BUFFER_OVERFLOW);
}

TEST(Version, RtlGetVersionReportsWindows7ServicePack1) {
  RTL_OSVERSIONINFOEXW info = {};
  info.dwOSVersionInfoSize = sizeof(info);
  ASSERT_EQ(RtlGetVersion(reinterpret_cast<PRTL_OSVERSIONINFOW>(&info)), STATUS_SUCCESS);
  EXPECT_EQ(info.dwMajorVersion, 6u);
  EXPECT_EQ(info.dwMinorVersion, 1u);
  EXPECT_EQ(info.dwBuildNumber, 7601u);
  EXPECT_EQ(info.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
  EXPECT_EQ(std::u16string(info.szCSDVersion), u"Service Pack 1");
  EXPECT_EQ(info.wServicePackMajor, 1);
  RTL_OSVERSIONINFOW wrongSize = {};
  wrongSize.dwOSVersionInfoSize = 100;
  EXPECT_EQ(RtlGetVersion(&wrongSize), STATUS_INVALID_PARAMETER);
  EXPECT_EQ(wrongSize.dwMajorVersion, 0u);
}

}  // namespace
