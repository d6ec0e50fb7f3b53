// Fuzz target of the XML settings store (libFuzzer): a settings file with any bytes is loaded, then
// typed values are written, read, removed and saved, and the saved file is loaded again.
// Contract checked (abort on a break):
// - a file that does not parse is kept aside under its "damaged" name with its bytes, and the
//   store starts empty; a file that parses stays where it is;
// - every value written reads back through its getter (numbers exactly, "%f" numbers to their six
//   decimals, texts and bytes exactly), until another write or a removal of it or its section;
//   a lone surrogate, which the UTF-8 file cannot hold, reads back as U+FFFD once saved;
// - saving succeeds, and the saved file loads again (nothing kept aside) with every value.
//
// Input: byte 0 is the number of operations N, then N records of 12 bytes (kind, section, key,
// length, 8 bytes of value), then the file's bytes.
#include "core/col/array/ArrayU08.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "platform/xml/MappedData.h"
#include "platform/xml/Node.h"
#include "testlib/FuzzContract.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <variant>
#include <vector>

using s::col::_array::ArrayU08;
using s::str::strbuffer::StrBuffer;
using s::xml::MappedData;
using s::xml::Node;

namespace {

namespace fs = std::filesystem;

// Sections as the program writes them, with the element path each one names. None differs from
// another only in case: the store keeps its current section by name ignoring case, but looks
// elements up exactly, so two such names would be one section now and two after loading.
struct Section {
  const char16_t* text;
  const char* path;
};
constexpr Section kSections[] = {
    {u"", ""},
    {u"Main", "Main"},
    {u"Skin", "Skin"},
    {u"Skin/Colors", "Skin/Colors"},
    {u"Skin\\Colors", "Skin/Colors"},
    {u"Skin\\Colors\\Deep", "Skin/Colors/Deep"},
    {u"Audio//Effects/", "Audio/Effects"},
    {u"Audio", "Audio"},
};
// Keys compare ignoring case, so "Volume" and "volume" are one key.
constexpr const char16_t* kKeys[] = {u"Volume", u"volume", u"Language", u"Path",
                                     u"Level",  u"x",      u"Colors"};

// Units that values are made of: the ones that need escaping or survive only when kept exactly.
constexpr char16_t kSpecial[] = {u'&',   u'<',   u'>',   u'"',   u'\'', u'\n', u'\r',
                                 u'\t',  u' ',   u'=',   u'/',   u'\\', u';',  0x00E9,
                                 0x4E2D, 0xFFFD, 0xD83D, 0xDE00, 0x0001};

enum Kind : uint8_t {
  kInt32,
  kUInt32,
  kInt64,
  kUInt64,
  kInt8,
  kUInt8,
  kInt16,
  kUInt16,
  kBool,
  kDouble,
  kFloat,
  kString,
  kBinary,
  kRemoveKey,
  kRemoveSection,
  kReload,
  kKinds
};

using Value = std::variant<int64_t, uint64_t, double, std::u16string, std::vector<uint8_t>>;
struct Expected {
  Kind kind;
  Value value;
};
using Model = std::map<std::pair<std::string, std::u16string>, Expected>;

std::u16string lower(const char16_t* key) {
  std::u16string out(key);
  for (char16_t& c : out) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
  }
  return out;
}

template <typename T>
T bitsOf(const uint8_t* bytes) {
  T value;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

// The value read back for an expectation, compared with it.
void checkValue(MappedData* store, const char16_t* section, const char16_t* key,
                const Expected& e) {
  switch (e.kind) {
    case kInt32: FUZZ_CHECK(store->getInt32(section, key, 0) == std::get<int64_t>(e.value)); break;
    case kUInt32:
      FUZZ_CHECK(store->getUInt32(section, key, 0) == std::get<uint64_t>(e.value));
      break;
    case kInt64: FUZZ_CHECK(store->getInt64(section, key, 0) == std::get<int64_t>(e.value)); break;
    case kUInt64:
      FUZZ_CHECK(store->getUInt64(section, key, 0) == std::get<uint64_t>(e.value));
      break;
    case kInt8: FUZZ_CHECK(store->getInt8(section, key, 0) == std::get<int64_t>(e.value)); break;
    case kUInt8: FUZZ_CHECK(store->getUInt8(section, key, 0) == std::get<uint64_t>(e.value)); break;
    case kInt16: FUZZ_CHECK(store->getInt16(section, key, 0) == std::get<int64_t>(e.value)); break;
    case kUInt16:
      FUZZ_CHECK(store->getUInt16(section, key, 0) == std::get<uint64_t>(e.value));
      break;
    case kBool:
      FUZZ_CHECK(store->getBool(section, key, false) == (std::get<uint64_t>(e.value) != 0));
      FUZZ_CHECK(store->getBool(section, key, true) == (std::get<uint64_t>(e.value) != 0));
      break;
    case kDouble: {
      // "%f" keeps six decimals; a large value is written with every digit and reads back exactly.
      const double v = std::get<double>(e.value);
      FUZZ_CHECK(std::fabs(store->getDouble(section, key, 0) - v) <= 5.1e-7 + std::fabs(v) * 1e-15);
      break;
    }
    case kFloat: {
      const double v = std::get<double>(e.value);
      FUZZ_CHECK(std::fabs(store->getFloat(section, key, 0) - v) <= 5.1e-7 + std::fabs(v) * 1.2e-7);
      break;
    }
    case kString: {
      const WCHAR* text = store->getString(section, key, u"\uFFFF", nullptr, false);
      FUZZ_CHECK(text != nullptr && std::u16string(text) == std::get<std::u16string>(e.value));
      break;
    }
    case kBinary: {
      ArrayU08* bytes = store->getBinary(section, key, nullptr);
      const auto& want = std::get<std::vector<uint8_t>>(e.value);
      FUZZ_CHECK(bytes->getCount() == want.size() &&
                 (want.empty() || std::memcmp(bytes->getItems(), want.data(), want.size()) == 0));
      bytes->release();
      break;
    }
    default: break;
  }
  FUZZ_CHECK(store->hasKey(section, key));
}

const char16_t* sectionTextOf(const std::string& path) {
  for (const Section& s : kSections) {
    if (path == s.path) return s.text;
  }
  return u"";
}

// The model after a save: the file is UTF-8, in which a lone surrogate becomes U+FFFD.
void saved(Model& model) {
  for (auto& [where, expected] : model) {
    auto* text = std::get_if<std::u16string>(&expected.value);
    for (size_t i = 0; text != nullptr && i < text->size(); ++i) {
      const char16_t c = (*text)[i];
      const bool pairs = c >= 0xD800 && c < 0xDC00 && i + 1 < text->size() &&
                         (*text)[i + 1] >= 0xDC00 && (*text)[i + 1] < 0xE000;
      if (pairs) {
        ++i;
      } else if (c >= 0xD800 && c < 0xE000) {
        (*text)[i] = 0xFFFD;
      }
    }
  }
}

void checkAll(MappedData* store, const Model& model) {
  for (const auto& [where, expected] : model) {
    const char16_t* key = nullptr;
    for (const char16_t* k : kKeys) {
      if (lower(k) == where.second) key = k;
    }
    checkValue(store, sectionTextOf(where.first), key, expected);
  }
}

std::vector<uint8_t> readAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Folder {
  Folder() {
    // In memory where the system has one: every save is flushed to its disk.
    char name[] = "/dev/shm/lumetra-settings-fuzz-XXXXXX";
    char fallback[] = "/tmp/lumetra-settings-fuzz-XXXXXX";
    const char* made = mkdtemp(name);
    if (made == nullptr) made = mkdtemp(fallback);
    FUZZ_CHECK(made != nullptr);
    path = made;
    file = path / "SaveData.xml";
    windowsFile = u"Z:";
    for (char c : file.string()) windowsFile.push_back(c == '/' ? u'\\' : static_cast<char16_t>(c));
  }
  ~Folder() {
    std::error_code ignored;
    fs::remove_all(path, ignored);
  }
  fs::path path, file;
  std::u16string windowsFile;
};

MappedData* openStore(const Folder& folder) {
  StrBuffer* path = StrBuffer::take();
  path->assign(folder.windowsFile.c_str());
  MappedData* store = MappedData::openFile(path);
  path->release();
  return store;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > 1 << 16) {
    return 0;
  }
  static Folder s_folder;  // one for the whole run
  Folder* folder = &s_folder;
  std::error_code ignored;
  for (const auto& entry : fs::directory_iterator(folder->path))
    fs::remove_all(entry.path(), ignored);

  const size_t count = std::min<size_t>(data[0], (size - 1) / 12);
  const uint8_t* records = data + 1;
  const uint8_t* file = records + 12 * count;
  const size_t fileSize = size - 1 - 12 * count;
  {
    std::ofstream out(folder->file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(file), static_cast<std::streamsize>(fileSize));
  }

  // A file that parses is the store's tree; any other is kept aside and the store starts empty.
  ArrayU08* bytes = ArrayU08::take();
  bytes->clear();
  bytes->add(file, static_cast<uint32_t>(fileSize));
  Node* probe = Node::take();
  const bool parses = probe->parseBytes(bytes);
  probe->release();
  bytes->release();
  MappedData* store = openStore(*folder);
  FUZZ_CHECK(store->getRoot() != nullptr);
  if (parses) {
    FUZZ_CHECK(fs::exists(folder->file));
  } else {
    FUZZ_CHECK(!fs::exists(folder->file) && fs::exists(folder->path / "SaveData.damaged.xml"));
    const std::vector<uint8_t> kept = readAll(folder->path / "SaveData.damaged.xml");
    FUZZ_CHECK(kept.size() == fileSize &&
               (fileSize == 0 || std::memcmp(kept.data(), file, fileSize) == 0));
    FUZZ_CHECK(store->getRoot()->getChildCount() == 0);
    fs::remove(folder->path / "SaveData.damaged.xml");
  }

  Model model;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* r = records + 12 * i;
    const auto kind = static_cast<Kind>(r[0] % kKinds);
    const Section& section = kSections[r[1] % std::size(kSections)];
    const char16_t* key = kKeys[r[2] % std::size(kKeys)];
    const uint8_t* v = r + 4;
    const auto where = std::make_pair(std::string(section.path), lower(key));
    Expected e{kind, int64_t{0}};
    switch (kind) {
      case kInt32:
        e.value = int64_t{bitsOf<int32_t>(v)};
        store->setInt32(section.text, key, bitsOf<int32_t>(v));
        break;
      case kUInt32:
        e.value = uint64_t{bitsOf<uint32_t>(v)};
        store->setUInt32(section.text, key, bitsOf<uint32_t>(v));
        break;
      case kInt64:
        e.value = bitsOf<int64_t>(v);
        store->setInt64(section.text, key, bitsOf<int64_t>(v));
        break;
      case kUInt64:
        e.value = bitsOf<uint64_t>(v);
        store->setUInt64(section.text, key, bitsOf<uint64_t>(v));
        break;
      case kInt8:
        e.value = int64_t{static_cast<int8_t>(v[0])};
        store->setInt8(section.text, key, static_cast<int8_t>(v[0]));
        break;
      case kUInt8:
        e.value = uint64_t{v[0]};
        store->setUInt8(section.text, key, v[0]);
        break;
      case kInt16:
        e.value = int64_t{bitsOf<int16_t>(v)};
        store->setInt16(section.text, key, bitsOf<int16_t>(v));
        break;
      case kUInt16:
        e.value = uint64_t{bitsOf<uint16_t>(v)};
        store->setUInt16(section.text, key, bitsOf<uint16_t>(v));
        break;
      case kBool:
        e.value = uint64_t{v[0] & 1u};
        store->setBool(section.text, key, (v[0] & 1) != 0);
        break;
      case kDouble: {
        double d = bitsOf<double>(v);
        if (!std::isfinite(d)) d = 0;  // "%f" has no form for them that reads back
        e.value = d;
        store->setDouble(section.text, key, d);
        break;
      }
      case kFloat: {
        float f = bitsOf<float>(v);
        if (!std::isfinite(f)) f = 0;
        e.value = double{f};
        store->setFloat(section.text, key, f);
        break;
      }
      case kString: {
        std::u16string text;
        for (int u = 0; u < r[3] % 9; ++u) {
          text.push_back(v[u] < std::size(kSpecial) ? kSpecial[v[u]] : static_cast<char16_t>(v[u]));
        }
        e.value = text;
        store->setString(section.text, key, text.c_str());
        break;
      }
      case kBinary: {
        std::vector<uint8_t> blob(v, v + r[3] % 9);
        ArrayU08* array = ArrayU08::take();
        array->clear();
        array->add(blob.data(), static_cast<uint32_t>(blob.size()));
        store->setBinary(section.text, key, array);
        array->release();
        e.value = blob;
        break;
      }
      case kRemoveKey:
        store->removeKey(section.text, key);
        model.erase(where);
        FUZZ_CHECK(!store->hasKey(section.text, key));
        break;
      case kRemoveSection: {
        // The file may hold other elements of that name, which then come to light: what was
        // in the removed section is no longer known, not necessarily gone.
        store->removeSection(section.text);
        const std::string path = section.path;
        for (auto it = model.begin(); it != model.end();) {
          const bool inside = !path.empty() && (it->first.first == path ||
                                                it->first.first.rfind(path + "/", 0) == 0);
          it = inside ? model.erase(it) : std::next(it);
        }
        break;
      }
      case kReload: {
        FUZZ_CHECK(store->save());
        store->release();
        store = openStore(*folder);
        saved(model);
        FUZZ_CHECK(fs::exists(folder->file) && !fs::exists(folder->path / "SaveData.damaged.xml"));
        break;
      }
      default: break;
    }
    if (kind < kRemoveKey) {
      model[where] = e;
      checkValue(store, section.text, key, e);
    }
    checkAll(store, model);
  }

  // What was written is in the saved file.
  FUZZ_CHECK(store->save());
  store->release();
  store = openStore(*folder);
  saved(model);
  FUZZ_CHECK(!fs::exists(folder->path / "SaveData.damaged.xml"));
  checkAll(store, model);
  store->release();
  return 0;
}
