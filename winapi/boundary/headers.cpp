// A build-time check of the layer's boundary: the declarations in include/ are everything the
// program sees, and they bring no system, X11 or library header with them. Only the C and C++
// standard headers may come along. The object is built with every build and linked nowhere.
#include <afx.h>
#include <afxdisp.h>
#include <afxwin.h>
#include <afxdlgs.h>
#include <afxole.h>
#include <afxwindow.h>
#include <afxcontrols.h>
#include <afxcmn.h>
#include <commctrl.h>
#include <commdlg.h>
#include <crtfile.h>
#include <crtwchar.h>
#include <fileapi.h>
#include <guiddef.h>
#include <ntstatus.h>
#include <ole2.h>
#include <psapi.h>
#include <shellapi.h>
#include <shlwapi.h>
#include <shobjidl.h>
#include <tlhelp32.h>
#include <urlmon.h>
#include <uxtheme.h>
#include <winbase.h>
#include <winclipboard.h>
#include <windef.h>
#include <windows.h>
#include <winerror.h>
#include <winhotkey.h>
#include <wininet.h>
#include <wingdi.h>
#include <winlang.h>
#include <winmsgbox.h>
#include <winnls.h>
#include <winnt.h>
#include <winreg.h>
#include <winresource.h>
#include <winseam.h>
#include <winsecurity.h>
#include <winternl.h>
#include <winuser.h>
#include <winversion.h>

// The include guards of the POSIX headers that the layer's sources use.
#if defined(_SYS_STAT_H) || defined(_UNISTD_H) || defined(_FCNTL_H) || defined(_DIRENT_H) || defined(_DLFCN_H) ||      \
    defined(_PTHREAD_H) || defined(_SYS_SOCKET_H) || defined(_SYS_UN_H) || defined(_SYS_POLL_H) ||                     \
    defined(_SYS_MMAN_H) || defined(_SYS_WAIT_H) || defined(_SYS_STATVFS_H) || defined(_SYS_STATFS_H) ||               \
    defined(_PWD_H) || defined(_LINK_H) || defined(_SYS_RESOURCE_H) || defined(_SYS_SYSCALL_H) || defined(_ICONV_H) || \
    defined(_SPAWN_H)
#error "a header in winapi/include/ brings a POSIX header with it"
#endif
// POSIX names that would shadow or clash with the run-time's own.
#if defined(S_IFMT) || defined(st_atime) || defined(st_mtime) || defined(st_ctime) || defined(O_RDONLY)
#error "a header in winapi/include/ brings POSIX file definitions with it"
#endif
// X11, FreeType, fontconfig, FriBidi, HarfBuzz, SQLite and libcurl stay inside the layer as well.
#if defined(_X11_XLIB_H_) || defined(X_H) || defined(FT2BUILD_H_) || defined(_FONTCONFIG_H_) || defined(_FRIBIDI_H) || \
    defined(HB_H) || defined(SQLITE3_H) || defined(CURLINC_CURL_H)
#error "a header in winapi/include/ brings a library header with it"
#endif
