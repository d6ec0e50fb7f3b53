// The print dialog. Its printer is the display driver's default printer, which exists only when
// a test gives the headless driver one; without it PrintDlgW answers FALSE with
// PDERR_NODEFAULTPRN, as Windows does on a system without printers. The dialog itself takes
// the headless driver's scripted answer: print, or cancel (also without an answer).
// Left out on purpose: a drawn dialog, which would have one printer to list.
#include <windows.h>

#include "winapi/comdlg32/Errors.h"
#include "winapi/gdi32/DisplayDriver.h"

#include <cstring>
#include <string>

namespace {

thread_local DWORD t_lastError = 0;

// A DEVNAMES block for the printer: driver "winspool", the device and the port.
HGLOBAL devNamesOf(const winapi::Printer& printer) {
  const std::u16string driver = u"winspool";
  const size_t header = sizeof(DEVNAMES) / sizeof(char16_t);
  const size_t units = header + driver.size() + 1 + printer.name.size() + 1 + printer.port.size() + 1;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, units * sizeof(char16_t));
  auto* names = static_cast<DEVNAMES*>(GlobalLock(block));
  if (names == nullptr) {
    if (block != nullptr) GlobalFree(block);
    return nullptr;
  }
  auto* text = reinterpret_cast<char16_t*>(names);
  size_t at = header;
  auto put = [&](const std::u16string& part) {
    const auto offset = static_cast<WORD>(at);
    std::memcpy(text + at, part.data(), part.size() * sizeof(char16_t));
    at += part.size() + 1;
    return offset;
  };
  names->wDriverOffset = put(driver);
  names->wDeviceOffset = put(printer.name);
  names->wOutputOffset = put(printer.port);
  names->wDefault = DN_DEFAULTPRN;
  GlobalUnlock(block);
  return block;
}

}  // namespace

extern "C" BOOL WINAPI PrintDlgW(LPPRINTDLGW dialog) {
  if (dialog == nullptr || dialog->lStructSize != sizeof(PRINTDLGW)) {
    t_lastError = CDERR_STRUCTSIZE;
    return FALSE;
  }
  dialog->hDC = nullptr;
  winapi::Printer printer;
  if (!winapi::displayDriver().defaultPrinter(&printer)) {
    t_lastError = PDERR_NODEFAULTPRN;
    return FALSE;
  }
  if ((dialog->Flags & PD_RETURNDEFAULT) == 0) {
    // Nothing is drawn, so "run" has no dialog to drive: it cancels as a missing answer does.
    const winapi::ModalAnswer answer = winapi::displayDriver().takeModalAnswer(winapi::ModalAnswer::Kind::Print);
    if (answer.kind != winapi::ModalAnswer::Kind::Print) {
      t_lastError = 0;
      return FALSE;
    }
  }
  HGLOBAL names = devNamesOf(printer);
  if (names == nullptr) {
    t_lastError = CDERR_MEMALLOCFAILURE;
    return FALSE;
  }
  if (dialog->hDevNames != nullptr) GlobalFree(dialog->hDevNames);
  dialog->hDevNames = names;
  if ((dialog->Flags & (PD_RETURNDC | PD_RETURNIC)) != 0) {
    dialog->hDC = CreateDCW(u"winspool", printer.name.c_str(), printer.port.c_str(), nullptr);
    if (dialog->hDC == nullptr) {
      t_lastError = PDERR_PRINTERNOTFOUND;
      return FALSE;
    }
  }
  t_lastError = 0;
  return TRUE;
}

namespace winapi::dialogs {
void setDialogError(DWORD code) { t_lastError = code; }
}  // namespace winapi::dialogs

extern "C" DWORD WINAPI CommDlgExtendedError(void) { return t_lastError; }
