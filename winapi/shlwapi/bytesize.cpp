// StrFormatByteSizeW. Left out: the user's decimal separator (always ".").
#include <shlwapi.h>

#include <cstdio>
#include <cstring>

extern "C" PWSTR WINAPI StrFormatByteSizeW(LONGLONG bytes, PWSTR buffer, UINT size) {
  if (buffer == nullptr || size == 0) return nullptr;
  char text[64];
  if (bytes < 1024) {
    std::snprintf(text, sizeof text, "%lld bytes", static_cast<long long>(bytes));
  } else {
    static const char* const kUnits[] = {"KB", "MB", "GB", "TB", "PB", "EB"};
    unsigned unit = 0;
    unsigned __int128 divisor = 1024;
    while (unit + 1 < sizeof kUnits / sizeof kUnits[0] && static_cast<unsigned __int128>(bytes) >= divisor * 1024) {
      divisor *= 1024;
      ++unit;
    }
    // Hundredths of the unit, cut: the shell shows three significant digits and never rounds up.
    auto hundredths = static_cast<unsigned long long>(static_cast<unsigned __int128>(bytes) * 100 / divisor);
    if (hundredths < 1000) {
      std::snprintf(text, sizeof text, "%llu.%02llu %s", hundredths / 100, hundredths % 100, kUnits[unit]);
    } else if (hundredths < 10000) {
      std::snprintf(text, sizeof text, "%llu.%llu %s", hundredths / 100, hundredths / 10 % 10, kUnits[unit]);
    } else {
      std::snprintf(text, sizeof text, "%llu %s", hundredths / 100, kUnits[unit]);
    }
  }
  size_t length = std::strlen(text);
  if (length >= size) length = size - 1;
  for (size_t i = 0; i < length; ++i) buffer[i] = static_cast<WCHAR>(text[i]);
  buffer[length] = 0;
  return buffer;
}
