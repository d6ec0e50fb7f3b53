// Printing calls. The layer has no printers: CreateDCW finds none, and as no DC is a printer
// DC, the document and page calls answer SP_ERROR on every DC.
// Left out on purpose: printing itself (no print system is reached), and DCs of the display
// made by name ("DISPLAY"), which nothing asks for.
#include <windows.h>

#include "winapi/gdi32/Gdi.h"

#include <string>

namespace {

int notAPrinter(HDC handle) {
  SetLastError(winapi::findDc(handle) ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
  return SP_ERROR;
}

}  // namespace

extern "C" HDC WINAPI CreateDCW(LPCWSTR driver, LPCWSTR device, LPCWSTR, const DEVMODEW*) {
  static const char16_t kDisplay[] = u"DISPLAY";
  bool display = driver != nullptr && std::char_traits<char16_t>::compare(driver, kDisplay, 8) == 0;
  if (display && device == nullptr) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return nullptr;
  }
  SetLastError(ERROR_INVALID_PRINTER_NAME);
  return nullptr;
}

extern "C" int WINAPI StartDocW(HDC dc, const DOCINFOW*) { return notAPrinter(dc); }
extern "C" int WINAPI EndDoc(HDC dc) { return notAPrinter(dc); }
extern "C" int WINAPI AbortDoc(HDC dc) { return notAPrinter(dc); }
extern "C" int WINAPI StartPage(HDC dc) { return notAPrinter(dc); }
extern "C" int WINAPI EndPage(HDC dc) { return notAPrinter(dc); }
