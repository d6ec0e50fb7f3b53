// The layer's <windows.h>: declarations of the Windows API calls the program makes, with
// Windows types and sizes. The calls are implemented by the area folders of winapi/.
#pragma once

#include <winnt.h>
#include <windef.h>
#include <winerror.h>
#include <winbase.h>
#include <winlang.h>
#include <winnls.h>
#include <fileapi.h>
#include <winreg.h>
#include <winresource.h>
#include <winsecurity.h>
#include <winversion.h>
#include <wingdi.h>
#include <winuser.h>
#include <winmsgbox.h>
#include <winhotkey.h>
#include <winclipboard.h>
#include <commdlg.h>
#include <winmenu.h>
#include <winedit.h>
#include <windialog.h>
