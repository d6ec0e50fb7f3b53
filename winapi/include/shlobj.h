// The shell's objects and operations: item id lists and special folders, the desktop folder,
// shell links and Internet shortcuts, file operations, opening files in the user's programs and
// change notification.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

// Item id lists. The layer's lists are its own opaque form (one item naming a path); only the
// shell's calls read them.
#pragma pack(push, 1)
typedef struct _SHITEMID {
  USHORT cb;
  BYTE abID[1];
} SHITEMID;
typedef struct _ITEMIDLIST {
  SHITEMID mkid;
} ITEMIDLIST;
#pragma pack(pop)
typedef ITEMIDLIST* LPITEMIDLIST;
typedef const ITEMIDLIST* LPCITEMIDLIST;
typedef ITEMIDLIST* PIDLIST_ABSOLUTE;
typedef const ITEMIDLIST* PCIDLIST_ABSOLUTE;
typedef ITEMIDLIST* PIDLIST_RELATIVE;
typedef const ITEMIDLIST* PCUITEMID_CHILD;
typedef const ITEMIDLIST** PCUITEMID_CHILD_ARRAY;

// The block of dropped files a CF_HDROP medium holds: this header, then the names from pFiles
// on, each with its NUL, and one more NUL at the end (UTF-16 when fWide).
typedef struct _DROPFILES {
  DWORD pFiles;  // bytes from the block's start to the first name
  POINT pt;
  BOOL fNC;
  BOOL fWide;
} DROPFILES, *LPDROPFILES;

#define CSIDL_DESKTOP 0x0000
#define CSIDL_WINDOWS 0x0024

// Shell link resolution and path queries.
#define SLR_NO_UI 0x0001
#define SLR_ANY_MATCH 0x0002
#define SLR_UPDATE 0x0004
#define SLR_NOUPDATE 0x0008
#define SLR_NOSEARCH 0x0010
#define SLR_NOTRACK 0x0020
#define SLGP_SHORTPATH 0x0001
#define SLGP_UNCPRIORITY 0x0002
#define SLGP_RAWPATH 0x0004

// Change notification events and flags.
#define SHCNE_RENAMEITEM 0x00000001L
#define SHCNE_CREATE 0x00000002L
#define SHCNE_DELETE 0x00000004L
#define SHCNE_MKDIR 0x00000008L
#define SHCNE_RMDIR 0x00000010L
#define SHCNE_UPDATEDIR 0x00001000L
#define SHCNF_IDLIST 0x0000
#define SHCNF_PATHW 0x0005
#define SHCNF_FLUSH 0x1000

// File operations.
#define FO_MOVE 0x0001
#define FO_COPY 0x0002
#define FO_DELETE 0x0003
#define FO_RENAME 0x0004
#define FOF_MULTIDESTFILES 0x0001
#define FOF_SILENT 0x0004
#define FOF_RENAMEONCOLLISION 0x0008
#define FOF_NOCONFIRMATION 0x0010
#define FOF_WANTMAPPINGHANDLE 0x0020
#define FOF_ALLOWUNDO 0x0040
#define FOF_FILESONLY 0x0080
#define FOF_SIMPLEPROGRESS 0x0100
#define FOF_NOCONFIRMMKDIR 0x0200
#define FOF_NOERRORUI 0x0400
typedef WORD FILEOP_FLAGS;

typedef struct _SHFILEOPSTRUCTW {
  HWND hwnd;
  UINT wFunc;
  LPCWSTR pFrom;
  LPCWSTR pTo;
  FILEOP_FLAGS fFlags;
  BOOL fAnyOperationsAborted;
  LPVOID hNameMappings;
  LPCWSTR lpszProgressTitle;
} SHFILEOPSTRUCTW, *LPSHFILEOPSTRUCTW;

// Opening files and addresses.
#define SEE_MASK_DEFAULT 0x00000000
#define SEE_MASK_CLASSNAME 0x00000001
#define SEE_MASK_IDLIST 0x00000004
#define SEE_MASK_INVOKEIDLIST 0x0000000C
#define SEE_MASK_NOCLOSEPROCESS 0x00000040
#define SEE_MASK_FLAG_NO_UI 0x00000400

// hInstApp's error values; above 32 means success.
#define SE_ERR_FNF 2
#define SE_ERR_PNF 3
#define SE_ERR_ACCESSDENIED 5
#define SE_ERR_OOM 8
#define SE_ERR_NOASSOC 31

#define ERROR_NO_ASSOCIATION 1155L

typedef struct _SHELLEXECUTEINFOW {
  DWORD cbSize;
  ULONG fMask;
  HWND hwnd;
  LPCWSTR lpVerb;
  LPCWSTR lpFile;
  LPCWSTR lpParameters;
  LPCWSTR lpDirectory;
  int nShow;
  HINSTANCE hInstApp;
  void* lpIDList;
  LPCWSTR lpClass;
  HKEY hkeyClass;
  DWORD dwHotKey;
  union {
    HANDLE hIcon;
    HANDLE hMonitor;
  };
  HANDLE hProcess;
} SHELLEXECUTEINFOW, *LPSHELLEXECUTEINFOW;

// The folder browser.
typedef int(CALLBACK* BFFCALLBACK)(HWND dialog, UINT message, LPARAM lParam, LPARAM data);
typedef struct _browseinfoW {
  HWND hwndOwner;
  PCIDLIST_ABSOLUTE pidlRoot;
  LPWSTR pszDisplayName;  // MAX_PATH units: the chosen folder's name
  LPCWSTR lpszTitle;
  UINT ulFlags;
  BFFCALLBACK lpfn;
  LPARAM lParam;
  int iImage;
} BROWSEINFOW, *LPBROWSEINFOW;

#define BIF_RETURNONLYFSDIRS 0x00000001
#define BIF_DONTGOBELOWDOMAIN 0x00000002
#define BIF_STATUSTEXT 0x00000004
#define BIF_EDITBOX 0x00000010
#define BIF_VALIDATE 0x00000020
#define BIF_NEWDIALOGSTYLE 0x00000040
#define BIF_USENEWUI (BIF_NEWDIALOGSTYLE | BIF_EDITBOX)
#define BIF_NONEWFOLDERBUTTON 0x00000200

// Callback messages and the messages the callback may send the dialog.
#define BFFM_INITIALIZED 1
#define BFFM_SELCHANGED 2
#define BFFM_VALIDATEFAILEDA 3
#define BFFM_VALIDATEFAILEDW 4
#define BFFM_SETSTATUSTEXTA (WM_USER + 100)
#define BFFM_ENABLEOK (WM_USER + 101)
#define BFFM_SETSELECTIONA (WM_USER + 102)
#define BFFM_SETSELECTIONW (WM_USER + 103)
#define BFFM_SETSTATUSTEXTW (WM_USER + 104)
#define BFFM_SETOKTEXT (WM_USER + 105)

typedef int GPFIDL_FLAGS;
#define GPFIDL_DEFAULT 0x0000

#ifdef __cplusplus

// The desktop folder: ParseDisplayName makes item id lists of paths; the other members answer
// E_NOTIMPL (no shell namespace here).
struct IShellFolder : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE ParseDisplayName(HWND owner, void* bindContext, LPWSTR displayName, ULONG* eaten,
                                                     PIDLIST_RELATIVE* idList, ULONG* attributes) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumObjects(HWND owner, DWORD flags, void** enumerator) = 0;
  virtual HRESULT STDMETHODCALLTYPE BindToObject(PCUITEMID_CHILD idList, void* bindContext, REFIID iid,
                                                 void** object) = 0;
  virtual HRESULT STDMETHODCALLTYPE BindToStorage(PCUITEMID_CHILD idList, void* bindContext, REFIID iid,
                                                  void** object) = 0;
  virtual HRESULT STDMETHODCALLTYPE CompareIDs(LPARAM how, PCUITEMID_CHILD a, PCUITEMID_CHILD b) = 0;
  virtual HRESULT STDMETHODCALLTYPE CreateViewObject(HWND owner, REFIID iid, void** object) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetAttributesOf(UINT count, PCUITEMID_CHILD_ARRAY idLists, ULONG* inOut) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetUIObjectOf(HWND owner, UINT count, PCUITEMID_CHILD_ARRAY idLists, REFIID iid,
                                                  UINT* reserved, void** object) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDisplayNameOf(PCUITEMID_CHILD idList, DWORD flags, void* name) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetNameOf(HWND owner, PCUITEMID_CHILD idList, LPCWSTR name, DWORD flags,
                                              PIDLIST_RELATIVE* out) = 0;
};
typedef IShellFolder* LPSHELLFOLDER;

struct IShellLinkW : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetPath(LPWSTR file, int size, WIN32_FIND_DATAW* findData, DWORD flags) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetIDList(PIDLIST_ABSOLUTE* idList) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetIDList(PCIDLIST_ABSOLUTE idList) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDescription(LPWSTR name, int size) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetDescription(LPCWSTR name) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetWorkingDirectory(LPWSTR folder, int size) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetWorkingDirectory(LPCWSTR folder) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetArguments(LPWSTR arguments, int size) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetArguments(LPCWSTR arguments) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetHotkey(WORD* hotkey) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetHotkey(WORD hotkey) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetShowCmd(int* showCommand) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetShowCmd(int showCommand) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetIconLocation(LPWSTR iconPath, int size, int* index) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetIconLocation(LPCWSTR iconPath, int index) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetRelativePath(LPCWSTR path, DWORD reserved) = 0;
  virtual HRESULT STDMETHODCALLTYPE Resolve(HWND owner, DWORD flags) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetPath(LPCWSTR file) = 0;
};

struct IUniformResourceLocatorW : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SetURL(LPCWSTR url, DWORD flags) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetURL(LPWSTR* url) = 0;
  virtual HRESULT STDMETHODCALLTYPE InvokeCommand(void* info) = 0;
};

extern "C" {
extern const CLSID CLSID_ShellLink;
extern const CLSID CLSID_InternetShortcut;
extern const IID IID_IShellLinkW;
extern const IID IID_IUniformResourceLocatorW;
extern const IID IID_IShellFolder;

// CSIDL_DESKTOP is the XDG desktop folder (XDG_DESKTOP_DIR of user-dirs.dirs, else $HOME/Desktop),
// whether or not it exists; every other folder fails with E_INVALIDARG.
HRESULT WINAPI SHGetSpecialFolderLocation(HWND owner, int folder, PIDLIST_ABSOLUTE* idList);
// FALSE when the list names no path or the path does not fit MAX_PATH units.
BOOL WINAPI SHGetPathFromIDListW(PCIDLIST_ABSOLUTE idList, LPWSTR path);
// The same into `size` units; FALSE (an empty buffer) when the path does not fit.
BOOL WINAPI SHGetPathFromIDListEx(PCIDLIST_ABSOLUTE idList, LPWSTR path, DWORD size, GPFIDL_FLAGS flags);
// The folder browser: the chosen folder's item list (the caller frees it with CoTaskMemFree or
// ILFree), null on Cancel.
PIDLIST_ABSOLUTE WINAPI SHBrowseForFolderW(LPBROWSEINFOW info);
HRESULT WINAPI SHGetMalloc(IMalloc** malloc);
// The list of an existing path (ILCreateFromPathW) or of any path (SHSimpleIDListFromPath); null
// when there is none.
PIDLIST_ABSOLUTE WINAPI ILCreateFromPathW(LPCWSTR path);
PIDLIST_ABSOLUTE WINAPI SHSimpleIDListFromPath(LPCWSTR path);
void WINAPI ILFree(LPITEMIDLIST idList);
HRESULT WINAPI SHGetDesktopFolder(IShellFolder** folder);
// There is no Properties sheet here: E_NOTIMPL.
HRESULT WINAPI SHMultiFileProperties(IDataObject* data, DWORD flags);
// File managers here watch the disk themselves: nothing is sent.
void WINAPI SHChangeNotify(LONG eventId, UINT flags, LPCVOID item1, LPCVOID item2);
// Copy, move, delete and recycle into the freedesktop Trash; 0 on success, else a Windows error.
int WINAPI SHFileOperationW(LPSHFILEOPSTRUCTW operation);
// Verb "open" (or none) through xdg-open; "properties" fails with ERROR_NO_ASSOCIATION.
BOOL WINAPI ShellExecuteExW(SHELLEXECUTEINFOW* info);
}

#endif
