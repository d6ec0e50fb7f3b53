// The temporary folder and unique temporary file names.
// Status: GetTempPathW ($TMPDIR, else /tmp, with its final "\"), GetTempFileNameW (prefix, four
// hexadecimal digits and ".tmp", created exclusively when no number is given).
// Left out: nothing the program calls.
#include <windows.h>

#include "winapi/base/unixpath.h"
#include "winapi/kernel32/posixfile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

namespace {

// Copies `text` with its NUL into `buffer` of `size` units; answers the length without the NUL,
// or, when it does not fit, the size it needs with the NUL, as the Windows calls of this kind do.
DWORD answerText(const std::u16string& text, DWORD size, LPWSTR buffer) {
  if (buffer == nullptr || text.size() + 1 > size) return static_cast<DWORD>(text.size() + 1);
  text.copy(buffer, text.size());
  buffer[text.size()] = 0;
  return static_cast<DWORD>(text.size());
}

// The name "<folder>\<prefix><XXXX>.tmp" for a number, the prefix cut to three units.
std::u16string tempName(const std::u16string& folder, LPCWSTR prefix, UINT number) {
  std::u16string name = folder;
  if (!name.empty() && name.back() != u'\\' && name.back() != u'/') name += u'\\';
  for (int i = 0; prefix != nullptr && i < 3 && prefix[i] != 0; ++i) name += prefix[i];
  char digits[8];
  std::snprintf(digits, sizeof digits, "%04X", number & 0xFFFF);
  for (const char* d = digits; *d != 0; ++d) name += static_cast<char16_t>(*d);
  name += u".tmp";
  return name;
}

}  // namespace

extern "C" DWORD WINAPI GetTempPathW(DWORD bufferLength, LPWSTR buffer) {
  const char* folder = std::getenv("TMPDIR");
  std::string unixFolder = folder != nullptr && folder[0] == '/' ? folder : "/tmp";
  std::u16string path = winapi::paths::toWindows(unixFolder);
  if (path.empty() || path.back() != u'\\') path += u'\\';
  return answerText(path, bufferLength, buffer);
}

extern "C" UINT WINAPI GetTempFileNameW(LPCWSTR pathName, LPCWSTR prefixString, UINT unique, LPWSTR tempFileName) {
  if (pathName == nullptr || tempFileName == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::u16string folder = pathName;
  if (unique != 0) {
    // With a number given nothing is created, as on Windows.
    std::u16string name = tempName(folder, prefixString, unique);
    if (name.size() + 1 > MAX_PATH) {
      SetLastError(ERROR_BUFFER_OVERFLOW);
      return 0;
    }
    answerText(name, MAX_PATH, tempFileName);
    return unique & 0xFFFF;
  }
  std::string unixFolder;
  if (!winapi::paths::toUnix(folder, unixFolder)) return 0;
  // Start from a number that differs between processes and calls, then count up past taken ones.
  const UINT start = static_cast<UINT>(std::time(nullptr) ^ (getpid() << 4)) & 0xFFFF;
  for (UINT step = 0; step < 0x10000; ++step) {
    const UINT number = (start + step) & 0xFFFF;
    if (number == 0) continue;
    std::u16string name = tempName(folder, prefixString, number);
    if (name.size() + 1 > MAX_PATH) {
      SetLastError(ERROR_BUFFER_OVERFLOW);
      return 0;
    }
    std::string unixName;
    if (!winapi::paths::toUnix(name, unixName)) return 0;
    const int fd = open(unixName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      close(fd);
      answerText(name, MAX_PATH, tempFileName);
      return number;
    }
    if (errno != EEXIST) {
      winapi::files::failFromErrno(unixName);
      return 0;
    }
  }
  SetLastError(ERROR_FILE_EXISTS);
  return 0;
}
