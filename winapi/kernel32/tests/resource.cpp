// Conformance of the module-resource calls on files whose resources the update calls wrote.
#include <windows.h>

#include <gtest/gtest.h>

#include "testlib/TempDir.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <variant>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::u16string windowsPath(const fs::path& path) {
  std::string text = path.string();
  std::u16string out = u"Z:";
  for (char c : text) out.push_back(c == '/' ? u'\\' : static_cast<char16_t>(static_cast<unsigned char>(c)));
  return out;
}

std::vector<BYTE> readAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<BYTE>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeAll(const fs::path& path, const std::vector<BYTE>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<BYTE> bytesOf(std::string_view text) { return std::vector<BYTE>(text.begin(), text.end()); }

std::vector<BYTE> resourceData(HMODULE module, HRSRC resource) {
  DWORD size = SizeofResource(module, resource);
  const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(module, resource)));
  return data == nullptr ? std::vector<BYTE>() : std::vector<BYTE>(data, data + size);
}

// Enumeration results as texts: numbers in decimal, texts as they are.
std::string idText(LPCWSTR id) {
  if (IS_INTRESOURCE(id)) return std::to_string(reinterpret_cast<ULONG_PTR>(id));
  std::u16string text(id);
  return std::string(text.begin(), text.end());
}

std::vector<std::string> typesOf(HMODULE module) {
  std::vector<std::string> types;
  EnumResourceTypesW(
      module,
      [](HMODULE, LPWSTR type, LONG_PTR param) -> BOOL {
        reinterpret_cast<std::vector<std::string>*>(param)->push_back(idText(type));
        return TRUE;
      },
      reinterpret_cast<LONG_PTR>(&types));
  return types;
}

std::vector<std::string> namesOf(HMODULE module, LPCWSTR type) {
  std::vector<std::string> names;
  EnumResourceNamesW(
      module, type,
      [](HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param) -> BOOL {
        reinterpret_cast<std::vector<std::string>*>(param)->push_back(idText(name));
        return TRUE;
      },
      reinterpret_cast<LONG_PTR>(&names));
  return names;
}

std::vector<WORD> languagesOf(HMODULE module, LPCWSTR type, LPCWSTR name) {
  std::vector<WORD> languages;
  EnumResourceLanguagesW(
      module, type, name,
      [](HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param) -> BOOL {
        reinterpret_cast<std::vector<WORD>*>(param)->push_back(language);
        return TRUE;
      },
      reinterpret_cast<LONG_PTR>(&languages));
  return languages;
}

// A resource as a module file written elsewhere may hold it: a number (below 0x10000) or a text
// kept exactly as given, which the update calls would have put in upper case.
struct RawResource {
  std::variant<WORD, std::u16string> type, name;
  WORD language;
  std::string data;
};

void put16(std::vector<BYTE>& out, uint32_t v) {
  out.push_back(static_cast<BYTE>(v));
  out.push_back(static_cast<BYTE>(v >> 8));
}
void put32(std::vector<BYTE>& out, uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

uint32_t crc32Of(const std::vector<BYTE>& bytes) {
  uint32_t crc = 0xFFFFFFFFu;
  for (BYTE b : bytes) {
    crc ^= b;
    for (int k = 0; k < 8; ++k) crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
  }
  return ~crc;
}

// The resource container of a module file for resources given in directory order, as the build's
// packer writes it: header, directory, text pool, data, trailer.
std::vector<BYTE> containerOf(const std::vector<RawResource>& resources) {
  std::vector<BYTE> directory, pool, data;
  auto refOf = [&pool](const std::variant<WORD, std::u16string>& id) -> uint32_t {
    if (const WORD* number = std::get_if<WORD>(&id)) return *number;
    const std::u16string& text = std::get<std::u16string>(id);
    const auto offset = static_cast<uint32_t>(pool.size());
    put16(pool, static_cast<uint32_t>(text.size()));
    for (char16_t c : text) put16(pool, c);
    return 0x80000000u | offset;
  };
  for (const RawResource& r : resources) {
    put32(directory, refOf(r.type));
    put32(directory, refOf(r.name));
    put16(directory, r.language);
    put16(directory, 0);
    data.resize((data.size() + 3) & ~size_t{3});
    put32(directory, static_cast<uint32_t>(data.size()));
    put32(directory, static_cast<uint32_t>(r.data.size()));
    data.insert(data.end(), r.data.begin(), r.data.end());
  }
  std::vector<BYTE> out = bytesOf(std::string_view("LMRES\r\n\x1a", 8));
  for (uint32_t v : {1u, static_cast<uint32_t>(resources.size()), static_cast<uint32_t>(pool.size()), 0u}) {
    put32(out, v);
  }
  out.insert(out.end(), directory.begin(), directory.end());
  out.insert(out.end(), pool.begin(), pool.end());
  out.insert(out.end(), data.begin(), data.end());
  const uint32_t crc = crc32Of(out);
  put32(out, static_cast<uint32_t>(out.size()));
  put32(out, 0);
  put32(out, crc);
  put32(out, 1);
  const std::vector<BYTE> magic = bytesOf("LMRESEND");
  out.insert(out.end(), magic.begin(), magic.end());
  return out;
}

class Resources : public ::testing::Test {
 protected:
  void SetUp() override {
    m_program = m_folder / "program";
    // Stands for the program part of a module file, which updates must leave as it is.
    for (int i = 0; i < 3000; ++i) m_programBytes.push_back(static_cast<BYTE>(i * 31 + 7));
    writeAll(m_program, m_programBytes);
    fs::permissions(m_program, fs::perms::owner_all | fs::perms::group_read);
  }
  void TearDown() override {
    for (HMODULE m : m_modules) FreeLibrary(m);
  }

  // Writes the sample resources: a text type with a numeric name, one name in two languages, and
  // an empty resource.
  void writeSample() {
    HANDLE update = BeginUpdateResourceW(windowsPath(m_program).c_str(), FALSE);
    ASSERT_NE(update, nullptr) << GetLastError();
    std::vector<BYTE> xml = bytesOf("<lang/>"), english = bytesOf("colour"), german = bytesOf("Farbe");
    ASSERT_TRUE(UpdateResourceW(update, u"IDR_XML", MAKEINTRESOURCEW(130), 0, xml.data(), 7));
    ASSERT_TRUE(UpdateResourceW(update, RT_RCDATA, u"Config", 0x0409, english.data(), 6));
    ASSERT_TRUE(UpdateResourceW(update, RT_RCDATA, u"config", 0x0407, german.data(), 5));
    ASSERT_TRUE(UpdateResourceW(update, RT_RCDATA, MAKEINTRESOURCEW(7), 0, english.data(), 0));
    ASSERT_TRUE(EndUpdateResourceW(update, FALSE)) << GetLastError();
  }
  HMODULE load(const fs::path& path) {
    HMODULE module = LoadLibraryExW(windowsPath(path).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module != nullptr) m_modules.push_back(module);
    return module;
  }

  lumetra::testlib::TempDir m_temp;
  const fs::path m_folder = m_temp.path();
  fs::path m_program;
  std::vector<BYTE> m_programBytes;
  std::vector<HMODULE> m_modules;
};

TEST_F(Resources, UpdatedResourcesAreFoundEnumeratedAndRead) {
  writeSample();
  std::vector<BYTE> file = readAll(m_program);
  ASSERT_GT(file.size(), m_programBytes.size());
  EXPECT_TRUE(std::equal(m_programBytes.begin(), m_programBytes.end(), file.begin())) << "the program part changed";
  EXPECT_EQ(fs::status(m_program).permissions(), fs::perms::owner_all | fs::perms::group_read);

  HMODULE module = load(m_program);
  ASSERT_NE(module, nullptr) << GetLastError();
  EXPECT_EQ(typesOf(module), (std::vector<std::string>{"IDR_XML", "10"})) << "text types first";
  EXPECT_EQ(namesOf(module, RT_RCDATA), (std::vector<std::string>{"CONFIG", "7"}));
  EXPECT_EQ(namesOf(module, u"idr_xml"), std::vector<std::string>{"130"});
  EXPECT_EQ(languagesOf(module, RT_RCDATA, u"CONFIG"), (std::vector<WORD>{0x0407, 0x0409}));

  HRSRC xml = FindResourceW(module, MAKEINTRESOURCEW(130), u"IDR_XML");
  ASSERT_NE(xml, nullptr);
  EXPECT_EQ(resourceData(module, xml), bytesOf("<lang/>"));
  EXPECT_EQ(FindResourceW(module, u"#130", u"Idr_Xml"), xml) << "\"#130\" names the number, texts ignore case";
  HRSRC empty = FindResourceW(module, MAKEINTRESOURCEW(7), RT_RCDATA);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(SizeofResource(module, empty), 0u);
  EXPECT_NE(LoadResource(module, empty), nullptr);
}

TEST_F(Resources, LoadLibraryOpensAFileThatIsNoLibraryForItsResources) {
  writeSample();
  HMODULE module = LoadLibraryW(windowsPath(m_program).c_str());
  ASSERT_NE(module, nullptr) << GetLastError();
  EXPECT_EQ(resourceData(module, FindResourceW(module, MAKEINTRESOURCEW(130), u"IDR_XML")), bytesOf("<lang/>"));
  EXPECT_EQ(GetProcAddress(module, "main"), nullptr) << "a data file exports nothing";
  EXPECT_TRUE(FreeLibrary(module));
  EXPECT_FALSE(FreeLibrary(module));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(Resources, TheLanguageAskedWinsThenTheUsersThenAnyOther) {
  writeSample();
  HMODULE module = load(m_program);
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(resourceData(module, FindResourceExW(module, RT_RCDATA, u"Config", 0x0407)), bytesOf("Farbe"));
  EXPECT_EQ(resourceData(module, FindResourceExW(module, RT_RCDATA, u"Config", 0x0409)), bytesOf("colour"));
  std::string saved = std::getenv("LC_ALL") != nullptr ? std::getenv("LC_ALL") : "";
  setenv("LC_ALL", "de_AT.UTF-8", 1);
  EXPECT_EQ(resourceData(module, FindResourceW(module, u"Config", RT_RCDATA)), bytesOf("Farbe"));
  setenv("LC_ALL", "ja_JP.UTF-8", 1);
  EXPECT_EQ(resourceData(module, FindResourceW(module, u"Config", RT_RCDATA)), bytesOf("colour")) << "then English";
  if (saved.empty()) {
    unsetenv("LC_ALL");
  } else {
    setenv("LC_ALL", saved.c_str(), 1);
  }
  // Only this language exists: it is answered for any other.
  EXPECT_EQ(resourceData(module, FindResourceExW(module, u"IDR_XML", MAKEINTRESOURCEW(130), 0x0411)),
            bytesOf("<lang/>"));
}

TEST_F(Resources, MissingResourcesAndStoppedEnumerationsReportTheirError) {
  writeSample();
  HMODULE module = load(m_program);
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(FindResourceW(module, MAKEINTRESOURCEW(131), u"IDR_XML"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
  EXPECT_EQ(FindResourceW(module, MAKEINTRESOURCEW(130), u"IDR_JPG"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_TYPE_NOT_FOUND));
  EXPECT_FALSE(EnumResourceNamesW(
      module, RT_ICON, [](HMODULE, LPCWSTR, LPWSTR, LONG_PTR) -> BOOL { return TRUE; }, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_TYPE_NOT_FOUND));
  int calls = 0;
  EXPECT_FALSE(EnumResourceTypesW(
      module, [](HMODULE, LPWSTR, LONG_PTR param) -> BOOL { return ++*reinterpret_cast<int*>(param) < 1; },
      reinterpret_cast<LONG_PTR>(&calls)));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_ENUM_USER_STOP));
  EXPECT_EQ(calls, 1);

  // A resource handle of another module is refused, not followed.
  HMODULE plain = load(m_program);
  HRSRC xml = FindResourceW(module, MAKEINTRESOURCEW(130), u"IDR_XML");
  EXPECT_EQ(SizeofResource(plain, reinterpret_cast<HRSRC>(reinterpret_cast<BYTE*>(xml) + 1)), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

  // A file without a container is a module without resources.
  writeAll(m_folder / "bare", m_programBytes);
  HMODULE bare = load(m_folder / "bare");
  ASSERT_NE(bare, nullptr);
  EXPECT_EQ(typesOf(bare), std::vector<std::string>{});
  EXPECT_EQ(FindResourceW(bare, MAKEINTRESOURCEW(1), RT_ICON), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_DATA_NOT_FOUND));
  EXPECT_EQ(load(m_folder / "missing"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(Resources, ResourcesNumberedZeroAreFoundAndUnnameableOnesAreNotListed) {
  // The packer takes type and name 0; texts that no argument can name come only from files
  // written elsewhere: a name in lower case and one that reads as the number 12.
  const std::vector<RawResource> resources = {
      {u"IDR_XML", WORD{130}, 0, "<lang/>"}, {WORD{0}, WORD{5}, 0, "type zero"},  {WORD{10}, u"#12", 0, "hash"},
      {WORD{10}, u"lower", 0, "lower case"}, {WORD{10}, WORD{0}, 0, "name zero"}, {WORD{10}, WORD{7}, 0x0409, "seven"},
  };
  std::vector<BYTE> file = m_programBytes;
  const std::vector<BYTE> container = containerOf(resources);
  file.insert(file.end(), container.begin(), container.end());
  writeAll(m_program, file);
  HMODULE module = load(m_program);
  ASSERT_NE(module, nullptr) << GetLastError();

  EXPECT_EQ(typesOf(module), (std::vector<std::string>{"IDR_XML", "0", "10"}));
  EXPECT_EQ(namesOf(module, RT_RCDATA), (std::vector<std::string>{"0", "7"}));
  EXPECT_EQ(namesOf(module, MAKEINTRESOURCEW(0)), std::vector<std::string>{"5"});
  EXPECT_EQ(languagesOf(module, RT_RCDATA, MAKEINTRESOURCEW(0)), std::vector<WORD>{0});
  EXPECT_EQ(resourceData(module, FindResourceW(module, MAKEINTRESOURCEW(0), RT_RCDATA)), bytesOf("name zero"));
  EXPECT_EQ(resourceData(module, FindResourceW(module, u"#0", RT_RCDATA)), bytesOf("name zero"));
  EXPECT_EQ(resourceData(module, FindResourceExW(module, MAKEINTRESOURCEW(0), MAKEINTRESOURCEW(5), 0)),
            bytesOf("type zero"));
  EXPECT_EQ(resourceData(module, FindResourceW(module, MAKEINTRESOURCEW(7), RT_RCDATA)), bytesOf("seven"));
  EXPECT_EQ(FindResourceW(module, u"lower", RT_RCDATA), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));

  // Whatever the enumeration lists can be found, in each language it lists.
  for (const std::string& type : typesOf(module)) {
    std::u16string typeText(type.begin(), type.end());
    LPCWSTR typeArgument = type == "0" ? MAKEINTRESOURCEW(0) : type == "10" ? RT_RCDATA : typeText.c_str();
    for (const std::string& name : namesOf(module, typeArgument)) {
      std::u16string nameText = u"#" + std::u16string(name.begin(), name.end());
      for (WORD language : languagesOf(module, typeArgument, nameText.c_str())) {
        EXPECT_NE(FindResourceExW(module, typeArgument, nameText.c_str(), language), nullptr) << type << " " << name;
      }
    }
  }
}

TEST_F(Resources, UpdatesKeepReplaceOrDropTheOtherResources) {
  writeSample();
  std::vector<BYTE> jpg = bytesOf("\xFF\xD8jpeg");
  HANDLE update = BeginUpdateResourceW(windowsPath(m_program).c_str(), FALSE);
  ASSERT_NE(update, nullptr);
  ASSERT_TRUE(UpdateResourceW(update, u"IDR_JPG", MAKEINTRESOURCEW(131), 0, jpg.data(), 6));
  ASSERT_TRUE(UpdateResourceW(update, RT_RCDATA, u"CONFIG", 0x0407, nullptr, 0)) << "no data deletes";
  ASSERT_TRUE(UpdateResourceW(update, u"IDR_XML", MAKEINTRESOURCEW(130), 0, jpg.data(), 2)) << "replaces";
  EXPECT_FALSE(CloseHandle(update)) << "an update ends only with EndUpdateResourceW";
  ASSERT_TRUE(EndUpdateResourceW(update, FALSE));
  HMODULE module = load(m_program);
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(typesOf(module), (std::vector<std::string>{"IDR_JPG", "IDR_XML", "10"}));
  EXPECT_EQ(languagesOf(module, RT_RCDATA, u"CONFIG"), std::vector<WORD>{0x0409});
  EXPECT_EQ(resourceData(module, FindResourceW(module, MAKEINTRESOURCEW(130), u"IDR_XML")), bytesOf("\xFF\xD8"));

  // A discarded update changes nothing; deleting all existing ones leaves only the program part.
  std::vector<BYTE> before = readAll(m_program);
  update = BeginUpdateResourceW(windowsPath(m_program).c_str(), TRUE);
  ASSERT_NE(update, nullptr);
  ASSERT_TRUE(EndUpdateResourceW(update, TRUE));
  EXPECT_EQ(readAll(m_program), before);
  EXPECT_FALSE(EndUpdateResourceW(update, FALSE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  update = BeginUpdateResourceW(windowsPath(m_program).c_str(), TRUE);
  ASSERT_TRUE(EndUpdateResourceW(update, FALSE));
  EXPECT_EQ(readAll(m_program), m_programBytes);
  EXPECT_EQ(std::distance(fs::directory_iterator(m_folder), fs::directory_iterator()), 1)
      << "no temporary file is left behind";
}

TEST_F(Resources, TheRunningProgramCannotBeUpdated) {
  fs::path self = fs::read_symlink("/proc/self/exe");
  HANDLE update = BeginUpdateResourceW(windowsPath(self).c_str(), FALSE);
  EXPECT_EQ(update, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  EXPECT_EQ(BeginUpdateResourceW(windowsPath(m_folder / "missing").c_str(), FALSE), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(Resources, EveryDamagedOrTruncatedContainerIsAnErrorNeverACrash) {
  writeSample();
  const std::vector<BYTE> good = readAll(m_program);
  const fs::path copy = m_folder / "damaged";
  // Each byte of the container flipped in turn, then the file cut at each length into it.
  for (size_t at = m_programBytes.size(); at < good.size(); ++at) {
    std::vector<BYTE> bad = good;
    bad[at] ^= 0x5A;
    writeAll(copy, bad);
    HMODULE module = LoadLibraryExW(windowsPath(copy).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module != nullptr) {
      // Only the trailer's final bytes may be hit so that no container is seen at all.
      EXPECT_GE(at, good.size() - 8) << "damage at " << at << " went unnoticed";
      EXPECT_EQ(typesOf(module), std::vector<std::string>{});
      FreeLibrary(module);
    } else {
      EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_EXE_FORMAT)) << "at " << at;
    }
    HANDLE update = BeginUpdateResourceW(windowsPath(copy).c_str(), TRUE);
    EXPECT_EQ(update == nullptr, module == nullptr) << "an update must not cut at a damaged container: " << at;
    if (update != nullptr) EndUpdateResourceW(update, TRUE);
  }
  for (size_t length = m_programBytes.size(); length < good.size(); ++length) {
    writeAll(copy, std::vector<BYTE>(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(length)));
    HMODULE module = LoadLibraryExW(windowsPath(copy).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module != nullptr) {
      EXPECT_EQ(typesOf(module), std::vector<std::string>{}) << "cut at " << length;
      FreeLibrary(module);
    }
  }
}

}  // namespace
