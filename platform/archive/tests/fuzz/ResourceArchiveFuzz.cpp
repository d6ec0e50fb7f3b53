// Fuzz target of the resource container and the module-resource archive (libFuzzer): any bytes are
// written as a program file, which the layer's resource calls and the archive then read.
// Contract checked (abort on a break):
// - a file the layer refuses is refused as damaged, and the archive does not open on it;
// - every resource the layer lists (type, name, language) is found, and its bytes can be read;
// - the archive opens exactly when the layer lists a resource, with one entry per type and name;
//   every entry extracts exactly its size, and the icon, cursor and bitmap exports never read
//   outside their resources;
// - extracting everything writes only inside the folder asked.
//
// Input: byte 0 holds flags (1: a valid trailer is appended to the bytes, so that damage reaches
// the directory and the data instead of stopping at the checksum; 2: a program part comes first;
// 4: everything is extracted into a folder), then the bytes of the container.
#include "core/col/array/ArrayU08.h"
#include "core/file/win/PathWin.h"
#include "platform/archive/dll/ResourceType.h"
#include "platform/archive/dll/win/Archive.h"
#include "testlib/FuzzContract.h"

#include <windows.h>

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <utility>
#include <vector>

using s::archive::dll::win::Archive;
using s::col::_array::ArrayU08;
using s::file::win::PathWin;
namespace dll = s::archive::dll;

namespace {

namespace fs = std::filesystem;

void put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

uint32_t crc32Of(const uint8_t* bytes, size_t size) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) {
    crc ^= bytes[i];
    for (int k = 0; k < 8; ++k) crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
  }
  return ~crc;
}

// A type or name as the enumeration handed it out, kept beyond the callback.
struct Id {
  bool isNumber;
  WORD number;
  std::u16string text;
  explicit Id(LPCWSTR id)
      : isNumber(IS_INTRESOURCE(id)),
        number(isNumber ? LOWORD(reinterpret_cast<ULONG_PTR>(id)) : 0),
        text(isNumber ? u"" : id) {}
  LPCWSTR argument() const { return isNumber ? MAKEINTRESOURCEW(number) : text.c_str(); }
  bool operator<(const Id& o) const {
    return isNumber != o.isNumber ? isNumber < o.isNumber
           : isNumber             ? number < o.number
                                  : text < o.text;
  }
};

struct Listed {
  std::vector<std::pair<Id, Id>> names;
  std::vector<std::pair<std::pair<Id, Id>, WORD>> resources;
};

// Every resource the layer lists, with its languages.
Listed listAll(HMODULE module) {
  std::vector<Id> types;
  EnumResourceTypesW(
      module,
      [](HMODULE, LPWSTR type, LONG_PTR param) -> BOOL {
        reinterpret_cast<std::vector<Id>*>(param)->emplace_back(type);
        return TRUE;
      },
      reinterpret_cast<LONG_PTR>(&types));
  Listed listed;
  for (const Id& type : types) {
    std::vector<Id> names;
    FUZZ_CHECK(EnumResourceNamesW(
        module, type.argument(),
        [](HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param) -> BOOL {
          reinterpret_cast<std::vector<Id>*>(param)->emplace_back(name);
          return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&names)));
    for (const Id& name : names) {
      listed.names.emplace_back(type, name);
      std::vector<WORD> languages;
      FUZZ_CHECK(EnumResourceLanguagesW(
          module, type.argument(), name.argument(),
          [](HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR param) -> BOOL {
            reinterpret_cast<std::vector<WORD>*>(param)->push_back(language);
            return TRUE;
          },
          reinterpret_cast<LONG_PTR>(&languages)));
      for (WORD language : languages) listed.resources.push_back({{type, name}, language});
    }
  }
  return listed;
}

volatile uint8_t g_sink;

void readResource(HMODULE module, HRSRC resource) {
  FUZZ_CHECK(resource != nullptr);
  const DWORD size = SizeofResource(module, resource);
  const auto* bytes = static_cast<const uint8_t*>(LockResource(LoadResource(module, resource)));
  FUZZ_CHECK(bytes != nullptr);
  uint8_t sum = 0;
  for (DWORD i = 0; i < size; ++i) sum = static_cast<uint8_t>(sum + bytes[i]);
  g_sink = sum;
}

struct Folder {
  Folder() {
    // In memory where the system has one: every save is flushed to its disk.
    char name[] = "/dev/shm/lumetra-archive-fuzz-XXXXXX";
    char fallback[] = "/tmp/lumetra-archive-fuzz-XXXXXX";
    const char* made = mkdtemp(name);
    if (made == nullptr) made = mkdtemp(fallback);
    FUZZ_CHECK(made != nullptr);
    path = made;
  }
  ~Folder() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
  }
  std::u16string windows(const std::string& name) const {
    std::u16string out = u"Z:";
    for (char c : (path / name).string())
      out.push_back(c == '/' ? u'\\' : static_cast<char16_t>(c));
    return out;
  }
  fs::path path;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > 1 << 20) {
    return 0;
  }
  static Folder s_folder;
  const Folder& folder = s_folder;
  std::error_code ignored;
  for (const auto& entry : fs::directory_iterator(folder.path))
    fs::remove_all(entry.path(), ignored);

  const uint8_t flags = data[0];
  std::vector<uint8_t> file;
  if (flags & 2) file.assign(64, 0x90);  // stands for the program before the container
  const size_t programSize = file.size();
  file.insert(file.end(), data + 1, data + size);
  if (flags & 1) {
    const uint32_t crc = crc32Of(file.data() + programSize, file.size() - programSize);
    const uint64_t containerSize = file.size() - programSize;
    put32(file, static_cast<uint32_t>(containerSize));
    put32(file, static_cast<uint32_t>(containerSize >> 32));
    put32(file, crc);
    put32(file, 1);
    for (char c : std::string("LMRESEND")) file.push_back(static_cast<uint8_t>(c));
  }
  // A file that looks like a shared library would be handed to the system's loader.
  if (file.size() >= 4 && std::memcmp(file.data(),
                                      "\x7f"
                                      "ELF",
                                      4) == 0) {
    return 0;
  }
  {
    std::ofstream out(folder.path / "program.exe", std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.data()),
              static_cast<std::streamsize>(file.size()));
  }
  const std::u16string program = folder.windows("program.exe");

  // The layer: everything it lists is found and read.
  std::set<std::pair<Id, Id>> names;
  HMODULE module = LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (module == nullptr) {
    FUZZ_CHECK(GetLastError() == ERROR_BAD_EXE_FORMAT);
  } else {
    const Listed listed = listAll(module);
    for (const auto& [id, language] : listed.resources) {
      readResource(module,
                   FindResourceExW(module, id.first.argument(), id.second.argument(), language));
    }
    for (const auto& name : listed.names) {
      readResource(module, FindResourceW(module, name.second.argument(), name.first.argument()));
      names.insert(name);
    }
    FUZZ_CHECK(names.size() == listed.names.size());  // each type and name is listed once
    FreeLibrary(module);
  }

  // The archive: one entry per listed type and name, each read within its resource.
  Archive* archive = Archive::take();
  PathWin* path = PathWin::newFromText(program.c_str());
  const bool opened = archive->open(path);
  path->release();
  FUZZ_CHECK(opened == !names.empty());
  FUZZ_CHECK(archive->getEntryCount() == static_cast<int32_t>(names.size()));
  ArrayU08* out = ArrayU08::take();
  for (int32_t i = 0; i < archive->getEntryCount(); ++i) {
    out->clear();
    FUZZ_CHECK(archive->extractEntry(archive->getEntry(i), out));
    FUZZ_CHECK(out->getCount() == archive->getEntry(i)->getSize());
    out->clear();
    archive->exportGroupIcon(i, out);
    out->clear();
    archive->exportGroupCursor(i, out);
    out->clear();
    archive->extractBitmap(i, out);
  }
  out->release();
  if ((flags & 4) != 0 && opened) {
    archive->extractAll(folder.windows("out").c_str());
    for (const auto& entry : fs::directory_iterator(folder.path)) {
      const std::string name = entry.path().filename().string();
      FUZZ_CHECK(name == "program.exe" || name == "out");
    }
  }
  archive->release();
  return 0;
}
