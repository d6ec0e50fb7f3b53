// OLE's per-thread initialisation and COM's process-wide security settings. OLE initialises COM
// on the thread as well, so a thread that called OleInitialize can create COM objects.
// Left out: a COM apartment of its own (no server, no marshalling), message filters.
#include <windows.h>
#include <ole2.h>
#include <objbase.h>

#include "winapi/ole32/DragDrop.h"

#include <atomic>

namespace {

thread_local unsigned t_oleInitialized = 0;
std::atomic<bool> s_securitySet{false};

}  // namespace

bool winapi::ole::oleInitialized() { return t_oleInitialized > 0; }

extern "C" HRESULT WINAPI OleInitialize(LPVOID reserved) {
  if (reserved != nullptr) return E_INVALIDARG;
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  return t_oleInitialized++ == 0 ? S_OK : S_FALSE;
}

extern "C" void WINAPI OleUninitialize(void) {
  // An unmatched call is ignored, as Windows does.
  if (t_oleInitialized > 0) {
    --t_oleInitialized;
    CoUninitialize();
  }
}

extern "C" HRESULT WINAPI CoInitializeSecurity(PVOID, LONG, PVOID, PVOID, DWORD, DWORD, PVOID, DWORD, PVOID) {
  // The first call in the process sets the security for good; later ones come too late.
  bool expected = false;
  return s_securitySet.compare_exchange_strong(expected, true) ? S_OK : RPC_E_TOO_LATE;
}
