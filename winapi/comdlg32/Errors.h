// The extended error of the calling thread's last common dialog (CommDlgExtendedError).
// Internal to the layer.
#pragma once

#include <windows.h>

namespace winapi::dialogs {

void setDialogError(DWORD code);

}  // namespace winapi::dialogs
