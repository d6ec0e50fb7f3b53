// A minimal PNG writer for looking at surfaces: test failures and the headless frame dump.
// The image data goes into stored (uncompressed) deflate blocks, which every reader accepts.
#include "winapi/gdi32/Gdi.h"

#include <cstdio>
#include <string>

namespace winapi {
namespace {

uint32_t crcTable(int n) {
  uint32_t c = static_cast<uint32_t>(n);
  for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
  return c;
}

uint32_t crc32(const std::string& data) {
  static uint32_t table[256];
  static bool ready = false;
  if (!ready) {
    for (int i = 0; i < 256; ++i) table[i] = crcTable(i);
    ready = true;
  }
  uint32_t c = 0xFFFFFFFFu;
  for (unsigned char b : data) c = table[(c ^ b) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

void putBig32(std::string& out, uint32_t v) {
  out.push_back(static_cast<char>(v >> 24));
  out.push_back(static_cast<char>(v >> 16));
  out.push_back(static_cast<char>(v >> 8));
  out.push_back(static_cast<char>(v));
}

void chunk(std::string& out, const char* type, const std::string& data) {
  putBig32(out, static_cast<uint32_t>(data.size()));
  std::string body = std::string(type, 4) + data;
  out += body;
  putBig32(out, crc32(body));
}

}  // namespace

bool writePng(const PixelBuffer& pixels, const char* path) {
  std::string raw;
  raw.reserve(static_cast<size_t>(pixels.height) * (static_cast<size_t>(pixels.width) * 4 + 1));
  for (int y = 0; y < pixels.height; ++y) {
    raw.push_back(0);  // no filter
    const uint32_t* row = pixels.row(y);
    for (int x = 0; x < pixels.width; ++x) {
      uint32_t p = row[x];
      raw.push_back(static_cast<char>(p >> 16));
      raw.push_back(static_cast<char>(p >> 8));
      raw.push_back(static_cast<char>(p));
      raw.push_back(static_cast<char>(p >> 24));
    }
  }
  std::string z = "\x78\x01";
  uint32_t a = 1, b = 0;
  for (unsigned char c : raw) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  size_t pos = 0;
  do {
    size_t n = std::min<size_t>(65535, raw.size() - pos);
    bool last = pos + n == raw.size();
    z.push_back(last ? 1 : 0);
    z.push_back(static_cast<char>(n & 0xFF));
    z.push_back(static_cast<char>(n >> 8));
    z.push_back(static_cast<char>(~n & 0xFF));
    z.push_back(static_cast<char>((~n >> 8) & 0xFF));
    z.append(raw, pos, n);
    pos += n;
  } while (pos < raw.size());
  putBig32(z, (b << 16) | a);

  std::string header;
  putBig32(header, static_cast<uint32_t>(pixels.width));
  putBig32(header, static_cast<uint32_t>(pixels.height));
  header += std::string("\x08\x06\x00\x00\x00", 5);  // 8 bits, RGBA, deflate, no filter, no interlace
  std::string file = "\x89PNG\r\n\x1a\n";
  chunk(file, "IHDR", header);
  chunk(file, "IDAT", z);
  chunk(file, "IEND", "");

  FILE* f = std::fopen(path, "wb");
  if (f == nullptr) return false;
  bool ok = std::fwrite(file.data(), 1, file.size(), f) == file.size();
  ok = std::fclose(f) == 0 && ok;
  return ok;
}

}  // namespace winapi
