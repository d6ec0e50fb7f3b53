// Icon and cursor files built in memory for the icon archive's tests, and the archive's writes
// read back as bytes. Imaging's tests of its calls in platform's table build their files with
// them too.
#pragma once

#include "core/col/array/ArrayU08.h"
#include "core/file/win/PathWin.h"
#include "platform/archive/dll/win/Archive.h"

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace icon_testing {

using Bytes = std::vector<uint8_t>;

inline Bytes readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void writeFile(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

inline void put16(Bytes& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

inline void put32(Bytes& out, uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

struct Image {
  uint8_t width, height, colours;
  uint16_t planesOrX, bitsOrY;
  Bytes bytes;
};

// A file of these images, laid out as writers do: header, records, images in order.
inline Bytes fileOf(uint16_t type, const std::vector<Image>& images) {
  Bytes out;
  put16(out, 0);
  put16(out, type);
  put16(out, static_cast<uint32_t>(images.size()));
  uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
  for (const Image& i : images) {
    out.insert(out.end(), {i.width, i.height, i.colours, 0});
    put16(out, i.planesOrX);
    put16(out, i.bitsOrY);
    put32(out, static_cast<uint32_t>(i.bytes.size()));
    put32(out, offset);
    offset += static_cast<uint32_t>(i.bytes.size());
  }
  for (const Image& i : images) out.insert(out.end(), i.bytes.begin(), i.bytes.end());
  return out;
}

inline Bytes filler(size_t size, uint8_t seed) {
  Bytes b(size);
  for (size_t i = 0; i < size; ++i) b[i] = static_cast<uint8_t>(seed + i * 7);
  return b;
}

template <typename A>
bool openOn(A* archive, const std::filesystem::path& file) {
  const std::u16string text = u"Z:" + std::filesystem::path(file).u16string();
  std::u16string windows = text;
  for (auto& c : windows) c = c == u'/' ? u'\\' : c;
  s::file::win::PathWin* path = s::file::win::PathWin::newFromText(windows.c_str());
  const bool ok = archive->open(path);
  path->release();
  return ok;
}

template <typename Write>
Bytes written(Write write) {
  s::col::_array::ArrayU08* out = s::col::_array::ArrayU08::take();
  Bytes bytes;
  if (write(out)) bytes.assign(out->getItems(), out->getItems() + out->getCount());
  out->release();
  return bytes;
}

/// The running test program as a module archive, whose resources the build appended; null when
/// it does not open.
inline s::archive::dll::win::Archive* openOwnProgram() {
  char16_t self[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
  auto* module = s::archive::dll::win::Archive::take();
  s::file::win::PathWin* path = s::file::win::PathWin::newFromText(std::u16string(self, n).c_str());
  const bool ok = module->open(path);
  path->release();
  if (!ok) {
    module->release();
    return nullptr;
  }
  return module;
}

inline bool haveImageMagick() { return std::system("convert -version > /dev/null 2>&1") == 0; }

inline int run(const std::string& command) { return std::system(command.c_str()); }

}  // namespace icon_testing
