// Module resources: finding, reading and enumerating the resources of a module file, and
// rewriting them. In this layer a module's resources live in a container appended to its file
// by the build; the running program's come from its own file.
#pragma once

#include <winnt.h>
#include <windef.h>

DECLARE_HANDLE(HRSRC);
typedef HANDLE HGLOBAL;

#ifndef MAKEINTRESOURCEW
#define IS_INTRESOURCE(r) ((((ULONG_PTR)(r)) >> 16) == 0)
#define MAKEINTRESOURCEW(i) ((LPWSTR)((ULONG_PTR)((WORD)(i))))
#endif

#ifndef RT_ICON
#define RT_CURSOR MAKEINTRESOURCEW(1)
#define RT_BITMAP MAKEINTRESOURCEW(2)
#define RT_ICON MAKEINTRESOURCEW(3)
#define RT_MENU MAKEINTRESOURCEW(4)
#define RT_DIALOG MAKEINTRESOURCEW(5)
#define RT_STRING MAKEINTRESOURCEW(6)
#define RT_FONTDIR MAKEINTRESOURCEW(7)
#define RT_FONT MAKEINTRESOURCEW(8)
#define RT_ACCELERATOR MAKEINTRESOURCEW(9)
#define RT_RCDATA MAKEINTRESOURCEW(10)
#define RT_MESSAGETABLE MAKEINTRESOURCEW(11)
#define RT_GROUP_CURSOR MAKEINTRESOURCEW(12)
#define RT_GROUP_ICON MAKEINTRESOURCEW(14)
#define RT_VERSION MAKEINTRESOURCEW(16)
#define RT_DLGINCLUDE MAKEINTRESOURCEW(17)
#define RT_PLUGPLAY MAKEINTRESOURCEW(19)
#define RT_VXD MAKEINTRESOURCEW(20)
#define RT_ANICURSOR MAKEINTRESOURCEW(21)
#define RT_ANIICON MAKEINTRESOURCEW(22)
#define RT_HTML MAKEINTRESOURCEW(23)
#define RT_MANIFEST MAKEINTRESOURCEW(24)
#endif

#ifndef LOAD_LIBRARY_AS_DATAFILE
#define DONT_RESOLVE_DLL_REFERENCES 0x00000001
#define LOAD_LIBRARY_AS_DATAFILE 0x00000002
#define LOAD_LIBRARY_AS_IMAGE_RESOURCE 0x00000020
#define LOAD_LIBRARY_AS_DATAFILE_EXCLUSIVE 0x00000040
#endif

typedef BOOL(CALLBACK* ENUMRESTYPEPROCW)(HMODULE module, LPWSTR type, LONG_PTR param);
typedef BOOL(CALLBACK* ENUMRESNAMEPROCW)(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR param);
typedef BOOL(CALLBACK* ENUMRESLANGPROCW)(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language, LONG_PTR param);

#ifdef __cplusplus
extern "C" {
#endif

// A module of resources only: any file, whose appended container is read (a file without one has
// no resources; a damaged one fails with ERROR_BAD_EXE_FORMAT). Freed with FreeLibrary.
HMODULE WINAPI LoadLibraryExW(LPCWSTR fileName, HANDLE file, DWORD flags);

// Types and names are numbers (MAKEINTRESOURCEW), "#123" texts standing for numbers, or texts
// compared ignoring A-Z case. A null module is the running program. Texts handed to the
// callbacks are valid during the call only. Enumeration runs in directory order: text types and
// names first, then numbers ascending; a callback answering FALSE stops it, and the call then
// fails with ERROR_RESOURCE_ENUM_USER_STOP.
BOOL WINAPI EnumResourceTypesW(HMODULE module, ENUMRESTYPEPROCW callback, LONG_PTR param);
BOOL WINAPI EnumResourceNamesW(HMODULE module, LPCWSTR type, ENUMRESNAMEPROCW callback, LONG_PTR param);
BOOL WINAPI EnumResourceLanguagesW(HMODULE module, LPCWSTR type, LPCWSTR name, ENUMRESLANGPROCW callback,
                                   LONG_PTR param);

// The language is searched in the order: the one asked, its neutral sub-language, neutral, the
// user's interface language, English, then the first the resource has.
HRSRC WINAPI FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type);
HRSRC WINAPI FindResourceExW(HMODULE module, LPCWSTR type, LPCWSTR name, WORD language);
DWORD WINAPI SizeofResource(HMODULE module, HRSRC resource);
// The data stay valid while the module is loaded.
HGLOBAL WINAPI LoadResource(HMODULE module, HRSRC resource);
LPVOID WINAPI LockResource(HGLOBAL data);

// Rewrites the resources of a file that no process is running: the file is replaced whole on
// EndUpdateResourceW, so a crash leaves the old or the new file. A running program fails with
// ERROR_SHARING_VIOLATION. UpdateResourceW with no data deletes that resource.
HANDLE WINAPI BeginUpdateResourceW(LPCWSTR fileName, BOOL deleteExisting);
BOOL WINAPI UpdateResourceW(HANDLE update, LPCWSTR type, LPCWSTR name, WORD language, LPVOID data, DWORD size);
BOOL WINAPI EndUpdateResourceW(HANDLE update, BOOL discard);

#ifdef __cplusplus
}
#endif
