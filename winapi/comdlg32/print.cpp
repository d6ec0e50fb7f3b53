// The print dialog. The layer has no printers, so there is never a default printer to offer:
// PrintDlgW answers FALSE with PDERR_NODEFAULTPRN, as Windows does on a system without one.
// Left out on purpose: the dialog itself, which has nothing to list.
#include <windows.h>

namespace {

thread_local DWORD t_lastError = 0;

}  // namespace

extern "C" BOOL WINAPI PrintDlgW(LPPRINTDLGW dialog) {
  if (dialog == nullptr || dialog->lStructSize != sizeof(PRINTDLGW)) {
    t_lastError = CDERR_STRUCTSIZE;
    return FALSE;
  }
  dialog->hDC = nullptr;
  t_lastError = PDERR_NODEFAULTPRN;
  return FALSE;
}

extern "C" DWORD WINAPI CommDlgExtendedError(void) { return t_lastError; }
