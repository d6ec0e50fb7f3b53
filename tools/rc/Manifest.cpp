// Reading the resource manifest and splitting icon files.
#include "tools/rc/Manifest.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

namespace tools::rc {

namespace {

using winapi::resources::ResourceEntry;
using winapi::resources::ResourceId;

constexpr uint16_t kIcon = 3;
constexpr uint16_t kGroupIcon = 14;
constexpr uint16_t kBitmap = 2;

struct TypeName {
  const char* name;
  uint16_t number;
};

constexpr TypeName kTypes[] = {
    {"CURSOR", 1},      {"BITMAP", 2},     {"ICON", 3},          {"MENU", 4},
    {"DIALOG", 5},      {"STRING", 6},     {"FONTDIR", 7},       {"FONT", 8},
    {"ACCELERATOR", 9}, {"RCDATA", 10},    {"MESSAGETABLE", 11}, {"GROUP_CURSOR", 12},
    {"GROUP_ICON", 14}, {"VERSION", 16},   {"DLGINCLUDE", 17},   {"PLUGPLAY", 19},
    {"VXD", 20},        {"ANICURSOR", 21}, {"ANIICON", 22},      {"HTML", 23},
    {"MANIFEST", 24},
};

using winapi::resources::put16;
using winapi::resources::put32;

uint16_t get16(const std::vector<uint8_t>& b, size_t at) {
  return winapi::resources::get16(b.data() + at);
}
uint32_t get32(const std::vector<uint8_t>& b, size_t at) {
  return winapi::resources::get32(b.data() + at);
}

bool parseNumber(const std::string& text, unsigned long& out) {
  if (text.empty()) return false;
  bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  std::string digits = hex ? text.substr(2) : text;
  if (digits.empty() ||
      digits.find_first_not_of(hex ? "0123456789abcdefABCDEF" : "0123456789") !=
          std::string::npos ||
      digits.size() > 8) {
    return false;
  }
  out = std::stoul(digits, nullptr, hex ? 16 : 10);
  return true;
}

std::u16string widen(const std::string& text) {
  // Resource names in manifests are plain ASCII identifiers; anything else is refused by the
  // caller.
  return std::u16string(text.begin(), text.end());
}

bool isAscii(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c > 0x20 && c < 0x7F; });
}

std::vector<uint8_t> readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Line {
  int number;
  std::string type, name, language, file;
};

std::vector<Line> readLines(const std::string& path) {
  std::ifstream in(path);
  if (!in) throw ManifestError(path + ": cannot read the manifest");
  std::vector<Line> lines;
  std::string text;
  for (int number = 1; std::getline(in, text); ++number) {
    if (!text.empty() && text.back() == '\r') text.pop_back();
    std::istringstream fields(text);
    Line line{number, {}, {}, {}, {}};
    if (!(fields >> line.type) || line.type[0] == '#') continue;
    fields >> line.name >> line.language >> std::ws;
    std::getline(fields, line.file);
    while (!line.file.empty() && (line.file.back() == ' ' || line.file.back() == '\t'))
      line.file.pop_back();
    if (line.file.empty()) {
      throw ManifestError(path + ":" + std::to_string(number) +
                          ": expected TYPE NAME LANGUAGE FILE");
    }
    lines.push_back(line);
  }
  return lines;
}

}  // namespace

SplitIcon splitIcon(const std::vector<uint8_t>& ico, uint16_t firstId) {
  if (ico.size() < 6 || get16(ico, 0) != 0 || get16(ico, 2) != 1 || get16(ico, 4) == 0) {
    throw std::invalid_argument("not an icon file");
  }
  uint16_t count = get16(ico, 4);
  if (6 + 16 * static_cast<size_t>(count) > ico.size())
    throw std::invalid_argument("icon directory cut short");
  if (static_cast<uint32_t>(firstId) + count - 1 > 0xFFFF)
    throw std::invalid_argument("too many icon images");
  SplitIcon split;
  put16(split.group, 0);
  put16(split.group, 1);
  put16(split.group, count);
  for (uint16_t i = 0; i < count; ++i) {
    size_t record = 6 + 16 * static_cast<size_t>(i);
    uint32_t size = get32(ico, record + 8), offset = get32(ico, record + 12);
    if (size == 0 || offset > ico.size() || size > ico.size() - offset) {
      throw std::invalid_argument("icon image " + std::to_string(i + 1) + " lies outside the file");
    }
    std::vector<uint8_t> image(ico.begin() + offset, ico.begin() + offset + size);
    uint16_t planes = get16(ico, record + 4), bitCount = get16(ico, record + 6);
    // Many icon files leave these two at zero; the group record gets them from the image, as a
    // resource compiler fills them: from the bitmap header, or 1 and 32 for a PNG image.
    if (planes == 0 && bitCount == 0) {
      static const uint8_t kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
      if (image.size() >= 8 && std::equal(kPng, kPng + 8, image.begin())) {
        planes = 1, bitCount = 32;
      } else if (image.size() >= 16) {
        planes = get16(image, 12), bitCount = get16(image, 14);
      }
    }
    split.group.insert(split.group.end(), ico.begin() + record,
                       ico.begin() + record + 4);  // size, colours
    put16(split.group, planes);
    put16(split.group, bitCount);
    put32(split.group, size);
    put16(split.group, static_cast<uint16_t>(firstId + i));
    split.images.push_back(std::move(image));
  }
  return split;
}

std::vector<ResourceEntry> loadManifest(const std::string& path) {
  std::string folder = path.substr(0, path.find_last_of('/') + 1);
  std::vector<Line> lines = readLines(path);
  std::vector<ResourceEntry> entries;

  // Icon images are numbered after the ICON resources the manifest names itself.
  std::set<unsigned long> takenIconIds;
  for (const Line& line : lines) {
    unsigned long id = 0;
    if ((line.type == "3") && parseNumber(line.name, id)) takenIconIds.insert(id);
  }
  unsigned long nextIconId = 1;

  for (const Line& line : lines) {
    std::string where = path + ":" + std::to_string(line.number) + ": ";
    ResourceEntry entry;
    unsigned long number = 0;
    if (!parseNumber(line.language, number) || number > 0xFFFF)
      throw ManifestError(where + "bad language " + line.language);
    entry.language = static_cast<uint16_t>(number);
    if (parseNumber(line.name, number)) {
      if (number > 0xFFFF) throw ManifestError(where + "name number above 65535");
      entry.name = ResourceId::fromNumber(static_cast<uint16_t>(number));
    } else if (line.name[0] == '#') {
      // The resource calls read a name "#12" as the number 12, so a text of that form could
      // never be found; refusing it here keeps it out of every program file.
      throw ManifestError(where + "a text name must not begin with \"#\", which names a number");
    } else if (isAscii(line.name)) {
      entry.name = ResourceId::fromText(widen(line.name));
    } else {
      throw ManifestError(where + "a text name must be plain ASCII");
    }
    auto known = std::find_if(std::begin(kTypes), std::end(kTypes),
                              [&](const TypeName& t) { return line.type == t.name; });
    if (parseNumber(line.type, number)) {
      if (number > 0xFFFF) throw ManifestError(where + "type number above 65535");
      entry.type = ResourceId::fromNumber(static_cast<uint16_t>(number));
    } else if (known != std::end(kTypes)) {
      entry.type = ResourceId::fromNumber(known->number);
    } else if (isAscii(line.type)) {
      entry.type = ResourceId::fromText(widen(line.type));
    } else {
      throw ManifestError(where + "a text type must be plain ASCII");
    }

    std::string file = line.file[0] == '/' ? line.file : folder + line.file;
    std::vector<uint8_t> bytes;
    try {
      bytes = readBytes(file);
    } catch (const std::exception& e) {
      throw ManifestError(where + e.what());
    }
    if (known != std::end(kTypes) && known->number == kIcon) {
      while (takenIconIds.count(nextIconId) != 0) ++nextIconId;
      SplitIcon split;
      try {
        split = splitIcon(bytes, static_cast<uint16_t>(nextIconId));
      } catch (const std::invalid_argument& e) {
        throw ManifestError(where + file + ": " + e.what());
      }
      for (std::vector<uint8_t>& image : split.images) {
        if (takenIconIds.count(nextIconId) != 0)
          throw ManifestError(where + "icon numbers collide");
        entries.push_back({ResourceId::fromNumber(kIcon),
                           ResourceId::fromNumber(static_cast<uint16_t>(nextIconId++)),
                           entry.language, std::move(image)});
      }
      entry.type = ResourceId::fromNumber(kGroupIcon);
      entry.data = std::move(split.group);
    } else if (known != std::end(kTypes) && known->number == kBitmap && bytes.size() >= 14 &&
               bytes[0] == 'B' && bytes[1] == 'M') {
      entry.data.assign(bytes.begin() + 14,
                        bytes.end());  // the resource is the bitmap without its file header
    } else {
      entry.data = std::move(bytes);
    }
    entries.push_back(std::move(entry));
  }
  winapi::resources::sortEntries(entries);
  for (size_t i = 1; i < entries.size(); ++i) {
    const ResourceEntry &a = entries[i - 1], &b = entries[i];
    if (a.type == b.type && a.name == b.name && a.language == b.language) {
      throw ManifestError(path + ": a resource is named twice with the same type and language");
    }
  }
  return entries;
}

}  // namespace tools::rc
