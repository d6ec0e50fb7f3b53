// Fuzz target of the shell link file reader (libFuzzer): any bytes are read without a crash or a
// read past the input. Contract, checked on every input that reads as a link (abort on a break):
// - the target holds no NUL unit (every form of it ends at its terminator);
// - written back by the link writer and read again, the link gives the same target, texts, icon
//   index, show command and hot key (the reader and the writer agree).
#include "winapi/shell32/linkfile.h"
#include "testlib/FuzzContract.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 16) return 0;
  winapi::shell::LinkData link;
  // No folder: a relative path is not joined to anything, so the reading depends on the bytes.
  if (!winapi::shell::decodeLink(data, size, std::u16string(), link)) return 0;
  FUZZ_CHECK(link.target.find(u'\0') == std::u16string::npos);
  std::vector<uint8_t> bytes;
  if (!winapi::shell::encodeLink(link, nullptr, bytes)) return 0;
  winapi::shell::LinkData again;
  FUZZ_CHECK(winapi::shell::decodeLink(bytes.data(), bytes.size(), std::u16string(), again));
  FUZZ_CHECK(again.target == link.target);
  FUZZ_CHECK(again.description == link.description);
  FUZZ_CHECK(again.relativePath == link.relativePath);
  FUZZ_CHECK(again.workingDirectory == link.workingDirectory);
  FUZZ_CHECK(again.arguments == link.arguments);
  FUZZ_CHECK(again.iconLocation == link.iconLocation);
  FUZZ_CHECK(again.iconIndex == link.iconIndex && again.showCommand == link.showCommand && again.hotKey == link.hotKey);
  return 0;
}
