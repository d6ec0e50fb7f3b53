// Fuzz target of the text/uri-list reader of X11 drops (libFuzzer): any bytes give a list of
// paths without a crash or a read past the input. Contract, checked on every input (abort on a
// break):
// - no more paths than lines that are not comments;
// - every path holds no NUL unit and is either a UNC path of another machine (\\host\...),
//   which names nothing here (paths::toUnix refuses it), or a Windows path on drive Z:;
// - a path on drive Z: names a POSIX path here (paths::toUnix succeeds) without a NUL byte, unless
//   it holds the escape of a byte no name can hold ("/" or NUL), which names nothing (a ".."
//   after such a name takes it away, as the URI's own dot segments do);
// - written back as a file URI with every byte but the unreserved ones escaped, a POSIX path
//   reads as the same file again (the reader and an escaping writer agree).
#include "testlib/FuzzContract.h"
#include "winapi/base/unixpath.h"
#include "winapi/drivers/x11/urilist.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

std::string escaped(const std::string& path) {
  static const char* digits = "0123456789ABCDEF";
  std::string out = "file://";
  for (char c : path) {
    auto b = static_cast<unsigned char>(c);
    bool plain = (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b == '-' || b == '.' ||
                 b == '_' || b == '~' || b == '/';
    if (plain) {
      out.push_back(c);
    } else {
      out.push_back('%');
      out.push_back(digits[b >> 4]);
      out.push_back(digits[b & 0xF]);
    }
  }
  return out;
}

size_t uriLines(std::string_view text) {
  size_t count = 0;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    if (end > start && text[start] != '#') ++count;
    start = end + 1;
  }
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 16) return 0;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<std::u16string> paths = winapi::x11::parseUriList(text);
  FUZZ_CHECK(paths.size() <= uriLines(text));
  for (const std::u16string& path : paths) {
    FUZZ_CHECK(path.find(u'\0') == std::u16string::npos);
    std::string posix;
    if (path.compare(0, 2, u"\\\\") == 0) {
      FUZZ_CHECK(path.size() > 2 && !winapi::paths::toUnix(path, posix));
      continue;
    }
    FUZZ_CHECK(path.size() >= 3 && path.compare(0, 3, u"Z:\\") == 0);
    if (!winapi::paths::toUnix(path, posix)) {
      FUZZ_CHECK(path.find_first_of(u"\xDC00\xDC2F") != std::u16string::npos);
      continue;
    }
    FUZZ_CHECK(!posix.empty() && posix[0] == '/' && posix.find('\0') == std::string::npos);
    std::vector<std::u16string> again = winapi::x11::parseUriList(escaped(posix));
    FUZZ_CHECK(again.size() == 1);
    std::string posixAgain;
    FUZZ_CHECK(winapi::paths::toUnix(again[0], posixAgain) && posixAgain == posix);
  }
  return 0;
}
