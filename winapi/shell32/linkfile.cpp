// The binary shell link file: its header, LinkInfo, string data and extra data blocks.
// Status: writes the header, LinkInfo (volume id and local base path) and the string data; reads
// LinkInfo (local or network form), the relative path and the environment-variable block.
// Left out on purpose: item id lists (no shell namespace here: a link holding only one names
// nothing), link tracking and the other extra data blocks (skipped when read, never written).
#include "winapi/shell32/linkfile.h"

#include <cstring>

namespace winapi::shell {

namespace {

constexpr uint32_t kHeaderSize = 0x4C;
// {00021401-0000-0000-C000-000000000046}, as the header stores it (Data1 to Data3 little-endian).
constexpr uint8_t kLinkClassId[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                      0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

constexpr uint32_t kHasIdList = 0x1;
constexpr uint32_t kHasLinkInfo = 0x2;
constexpr uint32_t kHasName = 0x4;
constexpr uint32_t kHasRelativePath = 0x8;
constexpr uint32_t kHasWorkingDir = 0x10;
constexpr uint32_t kHasArguments = 0x20;
constexpr uint32_t kHasIconLocation = 0x40;
constexpr uint32_t kIsUnicode = 0x80;
constexpr uint32_t kForceNoLinkInfo = 0x100;

constexpr uint32_t kVolumeIdAndLocalBasePath = 0x1;
constexpr uint32_t kCommonNetworkRelativeLinkAndPathSuffix = 0x2;
// A LinkInfo header this long or longer carries the offsets of the Unicode paths.
constexpr uint32_t kLinkInfoHeaderWithUnicode = 0x24;
constexpr uint32_t kEnvironmentBlock = 0xA0000001;
constexpr uint32_t kEnvironmentBlockSize = 0x314;
constexpr uint32_t kDriveFixed = 3;

class Writer {
 public:
  explicit Writer(std::vector<uint8_t>& out) : m_out(out) {}
  void u16(uint16_t value) { bytes(&value, 2); }
  void u32(uint32_t value) { bytes(&value, 4); }
  void u64(uint64_t value) { bytes(&value, 8); }
  void bytes(const void* data, size_t size) {
    if (size == 0) return;
    const size_t at = m_out.size();
    m_out.resize(at + size);
    std::memcpy(m_out.data() + at, data, size);
  }
  void put32(size_t at, uint32_t value) { std::memcpy(m_out.data() + at, &value, 4); }
  size_t size() const { return m_out.size(); }

 private:
  std::vector<uint8_t>& m_out;
};

uint64_t ticksOf(const FILETIME& time) {
  return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

std::string ansiOf(const std::u16string& text) {
  const int bytes =
      WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(bytes > 0 ? static_cast<size_t>(bytes) : 0, '\0');
  if (bytes > 0) {
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), out.data(), bytes, nullptr, nullptr);
  }
  return out;
}

void putStringData(Writer& writer, const std::u16string& text) {
  writer.u16(static_cast<uint16_t>(text.size()));
  writer.bytes(text.data(), text.size() * 2);
}

// Bounds-checked little-endian reads; a read past the end reports failure and reads zeros.
class Reader {
 public:
  Reader(const uint8_t* bytes, size_t size) : m_bytes(bytes), m_size(size) {}
  bool has(size_t at, size_t count) const { return at <= m_size && count <= m_size - at; }
  uint16_t u16(size_t at) const {
    uint16_t value = 0;
    if (has(at, 2)) std::memcpy(&value, m_bytes + at, 2);
    return value;
  }
  uint32_t u32(size_t at) const {
    uint32_t value = 0;
    if (has(at, 4)) std::memcpy(&value, m_bytes + at, 4);
    return value;
  }
  /// A NUL-terminated ANSI text that starts at `at` and ends before `end`.
  bool ansi(size_t at, size_t end, std::u16string& out) const {
    if (end > m_size || at >= end) return false;
    const void* nul = std::memchr(m_bytes + at, 0, end - at);
    if (nul == nullptr) return false;
    const auto length = static_cast<int>(static_cast<const uint8_t*>(nul) - (m_bytes + at));
    out.clear();
    if (length == 0) return true;
    const auto* text = reinterpret_cast<const char*>(m_bytes + at);
    const int units = MultiByteToWideChar(CP_ACP, 0, text, length, nullptr, 0);
    if (units <= 0) return false;
    out.resize(static_cast<size_t>(units));
    MultiByteToWideChar(CP_ACP, 0, text, length, out.data(), units);
    return true;
  }
  /// A NUL-terminated UTF-16 text that starts at `at` and ends before `end`.
  bool unicode(size_t at, size_t end, std::u16string& out) const {
    if (end > m_size) return false;
    out.clear();
    for (size_t i = at; has(i, 2) && i + 2 <= end; i += 2) {
      const uint16_t unit = u16(i);
      if (unit == 0) return true;
      out.push_back(static_cast<char16_t>(unit));
    }
    return false;
  }
  /// One counted string of the string data; moves `at` past it.
  bool counted(size_t& at, bool isUnicode, std::u16string& out) const {
    const size_t count = u16(at);
    const size_t bytes = isUnicode ? count * 2 : count;
    if (!has(at + 2, bytes)) return false;
    out.clear();
    if (isUnicode) {
      for (size_t i = 0; i < count; ++i) out.push_back(static_cast<char16_t>(u16(at + 2 + i * 2)));
    } else if (count > 0) {
      const auto* text = reinterpret_cast<const char*>(m_bytes + at + 2);
      const int units = MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(count), nullptr, 0);
      if (units <= 0) return false;
      out.resize(static_cast<size_t>(units));
      MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(count), out.data(), units);
    }
    at += 2 + bytes;
    return true;
  }

 private:
  const uint8_t* m_bytes;
  size_t m_size;
};

std::u16string joined(const std::u16string& base, const std::u16string& suffix) {
  std::u16string out = base;
  if (!suffix.empty() && !out.empty() && out.back() != u'\\') out.push_back(u'\\');
  out.append(suffix);
  return out;
}

// The target LinkInfo names; empty when it names none.
bool readLinkInfo(const Reader& reader, size_t start, std::u16string& target) {
  const uint32_t size = reader.u32(start);
  const uint32_t headerSize = reader.u32(start + 4);
  if (size < 0x1C || headerSize < 0x1C || headerSize > size || !reader.has(start, size)) return false;
  const size_t end = start + size;
  const uint32_t flags = reader.u32(start + 8);
  const bool withUnicode = headerSize >= kLinkInfoHeaderWithUnicode;
  std::u16string suffix;
  const uint32_t suffixUnicode = withUnicode ? reader.u32(start + 0x20) : 0;
  if (suffixUnicode != 0) {
    if (!reader.unicode(start + suffixUnicode, end, suffix)) return false;
  } else if (const uint32_t suffixAnsi = reader.u32(start + 0x18); suffixAnsi != 0) {
    if (!reader.ansi(start + suffixAnsi, end, suffix)) return false;
  }
  if ((flags & kVolumeIdAndLocalBasePath) != 0) {
    std::u16string base;
    const uint32_t baseUnicode = withUnicode ? reader.u32(start + 0x1C) : 0;
    if (baseUnicode != 0) {
      if (!reader.unicode(start + baseUnicode, end, base)) return false;
    } else if (!reader.ansi(start + reader.u32(start + 0x10), end, base)) {
      return false;
    }
    target = joined(base, suffix);
    return true;
  }
  if ((flags & kCommonNetworkRelativeLinkAndPathSuffix) != 0) {
    const size_t link = start + reader.u32(start + 0x14);
    const uint32_t linkSize = reader.u32(link);
    if (linkSize < 0x14 || !reader.has(link, linkSize) || link + linkSize > end) return false;
    const uint32_t netNameOffset = reader.u32(link + 8);
    std::u16string share;
    if (netNameOffset > 0x14) {
      if (!reader.unicode(link + reader.u32(link + 0x14), link + linkSize, share)) return false;
    } else if (!reader.ansi(link + netNameOffset, link + linkSize, share)) {
      return false;
    }
    target = joined(share, suffix);
    return true;
  }
  return true;
}

// The relative path joined to the link's folder, "." and ".." resolved.
std::u16string resolveRelative(const std::u16string& folder, const std::u16string& relative) {
  if (folder.empty() || relative.empty()) return {};
  std::u16string whole = folder;
  whole.append(relative);
  DWORD units = GetFullPathNameW(whole.c_str(), 0, nullptr, nullptr);
  if (units == 0) return {};
  std::u16string out(units, u'\0');
  units = GetFullPathNameW(whole.c_str(), units, out.data(), nullptr);
  out.resize(units);
  return out;
}

std::u16string expandEnvironment(const std::u16string& text) {
  DWORD units = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
  if (units == 0) return text;
  std::u16string out(units, u'\0');
  units = ExpandEnvironmentStringsW(text.c_str(), out.data(), units);
  if (units == 0) return text;
  out.resize(units - 1);
  return out;
}

}  // namespace

bool encodeLink(const LinkData& link, const WIN32_FILE_ATTRIBUTE_DATA* targetInfo, std::vector<uint8_t>& out) {
  for (const std::u16string* text : {&link.target, &link.description, &link.relativePath, &link.workingDirectory,
                                     &link.arguments, &link.iconLocation}) {
    if (text->size() > 0xFFFF) return false;
  }
  out.clear();
  Writer writer(out);
  uint32_t flags = kIsUnicode;
  if (!link.target.empty()) flags |= kHasLinkInfo;
  if (!link.description.empty()) flags |= kHasName;
  if (!link.relativePath.empty()) flags |= kHasRelativePath;
  if (!link.workingDirectory.empty()) flags |= kHasWorkingDir;
  if (!link.arguments.empty()) flags |= kHasArguments;
  if (!link.iconLocation.empty()) flags |= kHasIconLocation;
  writer.u32(kHeaderSize);
  writer.bytes(kLinkClassId, sizeof kLinkClassId);
  writer.u32(flags);
  writer.u32(targetInfo != nullptr ? targetInfo->dwFileAttributes : 0);
  writer.u64(targetInfo != nullptr ? ticksOf(targetInfo->ftCreationTime) : 0);
  writer.u64(targetInfo != nullptr ? ticksOf(targetInfo->ftLastAccessTime) : 0);
  writer.u64(targetInfo != nullptr ? ticksOf(targetInfo->ftLastWriteTime) : 0);
  // The header keeps the low 32 bits of the size, as the format asks.
  writer.u32(targetInfo != nullptr ? targetInfo->nFileSizeLow : 0);
  writer.u32(static_cast<uint32_t>(link.iconIndex));
  writer.u32(link.showCommand);
  writer.u16(link.hotKey);
  writer.u16(0);
  writer.u32(0);
  writer.u32(0);

  if ((flags & kHasLinkInfo) != 0) {
    const size_t start = writer.size();
    const std::string ansi = ansiOf(link.target);
    constexpr uint32_t kVolumeIdSize = 0x11;  // the fixed fields and an empty label
    const uint32_t localBase = kLinkInfoHeaderWithUnicode + kVolumeIdSize;
    const uint32_t suffix = localBase + static_cast<uint32_t>(ansi.size()) + 1;
    const uint32_t localBaseUnicode = suffix + 1;
    const uint32_t suffixUnicode = localBaseUnicode + static_cast<uint32_t>(link.target.size() + 1) * 2;
    writer.u32(0);  // the size, written below
    writer.u32(kLinkInfoHeaderWithUnicode);
    writer.u32(kVolumeIdAndLocalBasePath);
    writer.u32(kLinkInfoHeaderWithUnicode);  // the volume id follows the header
    writer.u32(localBase);
    writer.u32(0);  // no network link
    writer.u32(suffix);
    writer.u32(localBaseUnicode);
    writer.u32(suffixUnicode);
    writer.u32(kVolumeIdSize);
    writer.u32(kDriveFixed);
    writer.u32(0);        // serial number
    writer.u32(0x10);     // the label follows the fixed fields
    writer.bytes("", 1);  // the empty label
    writer.bytes(ansi.c_str(), ansi.size() + 1);
    writer.bytes("", 1);
    writer.bytes(link.target.c_str(), (link.target.size() + 1) * 2);
    writer.u16(0);
    writer.put32(start, static_cast<uint32_t>(writer.size() - start));
  }
  if ((flags & kHasName) != 0) putStringData(writer, link.description);
  if ((flags & kHasRelativePath) != 0) putStringData(writer, link.relativePath);
  if ((flags & kHasWorkingDir) != 0) putStringData(writer, link.workingDirectory);
  if ((flags & kHasArguments) != 0) putStringData(writer, link.arguments);
  if ((flags & kHasIconLocation) != 0) putStringData(writer, link.iconLocation);
  writer.u32(0);  // the terminal block
  return true;
}

bool decodeLink(const uint8_t* bytes, size_t size, const std::u16string& linkFolder, LinkData& out) {
  const Reader reader(bytes, size);
  if (reader.u32(0) != kHeaderSize || !reader.has(0, kHeaderSize) ||
      std::memcmp(bytes + 4, kLinkClassId, sizeof kLinkClassId) != 0) {
    return false;
  }
  out = LinkData();
  const uint32_t flags = reader.u32(0x14);
  out.iconIndex = static_cast<int32_t>(reader.u32(0x38));
  out.showCommand = reader.u32(0x3C);
  out.hotKey = reader.u16(0x40);
  size_t at = kHeaderSize;
  if ((flags & kHasIdList) != 0) {
    const size_t listSize = reader.u16(at);
    if (!reader.has(at + 2, listSize)) return false;
    at += 2 + listSize;
  }
  if ((flags & kHasLinkInfo) != 0) {
    const uint32_t infoSize = reader.u32(at);
    if (!reader.has(at, infoSize) || infoSize < 4) return false;
    if ((flags & kForceNoLinkInfo) == 0 && !readLinkInfo(reader, at, out.target)) return false;
    at += infoSize;
  }
  const bool isUnicode = (flags & kIsUnicode) != 0;
  const std::pair<uint32_t, std::u16string*> strings[] = {{kHasName, &out.description},
                                                          {kHasRelativePath, &out.relativePath},
                                                          {kHasWorkingDir, &out.workingDirectory},
                                                          {kHasArguments, &out.arguments},
                                                          {kHasIconLocation, &out.iconLocation}};
  for (const auto& [flag, text] : strings) {
    if ((flags & flag) != 0 && !reader.counted(at, isUnicode, *text)) return false;
  }
  std::u16string environmentTarget;
  // Extra data blocks up to the terminal block (any size below 4); a block that leaves the file
  // ends the walk: what was read before it stands.
  while (reader.has(at, 4)) {
    const uint32_t blockSize = reader.u32(at);
    if (blockSize < 8 || !reader.has(at, blockSize)) break;
    if (reader.u32(at + 4) == kEnvironmentBlock && blockSize >= kEnvironmentBlockSize) {
      std::u16string unicode;
      if (reader.unicode(at + 8 + 260, at + 8 + 260 + 520, unicode) && !unicode.empty()) {
        environmentTarget = unicode;
      } else {
        reader.ansi(at + 8, at + 8 + 260, environmentTarget);
      }
    }
    at += blockSize;
  }
  if (out.target.empty()) out.target = resolveRelative(linkFolder, out.relativePath);
  if (out.target.empty() && !environmentTarget.empty()) out.target = expandEnvironment(environmentTarget);
  return true;
}

bool readWholeFile(LPCWSTR path, size_t limit, std::vector<uint8_t>& out) {
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size{};
  bool ok = GetFileSizeEx(file, &size) != FALSE;
  if (ok && static_cast<uint64_t>(size.QuadPart) > limit) {
    SetLastError(ERROR_INVALID_DATA);
    ok = false;
  }
  if (ok) {
    out.resize(static_cast<size_t>(size.QuadPart));
    DWORD done = 0;
    ok = out.empty() ||
         (ReadFile(file, out.data(), static_cast<DWORD>(out.size()), &done, nullptr) && done == out.size());
  }
  CloseHandle(file);
  return ok;
}

bool writeWholeFile(LPCWSTR path, const void* bytes, size_t size) {
  HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD done = 0;
  const bool ok = WriteFile(file, bytes, static_cast<DWORD>(size), &done, nullptr) && done == size;
  const DWORD error = GetLastError();
  CloseHandle(file);
  if (!ok) {
    DeleteFileW(path);
    SetLastError(error == ERROR_SUCCESS ? ERROR_WRITE_FAULT : error);
  }
  return ok;
}

}  // namespace winapi::shell
