// Common dialogs: the print dialog and the extended error of the last dialog call.
#pragma once

#include <windef.h>
#include <wingdi.h>

typedef HANDLE HGLOBAL;
typedef UINT_PTR(CALLBACK* LPPRINTHOOKPROC)(HWND, UINT, WPARAM, LPARAM);
typedef UINT_PTR(CALLBACK* LPSETUPHOOKPROC)(HWND, UINT, WPARAM, LPARAM);

typedef struct tagPDW {
  DWORD lStructSize;
  HWND hwndOwner;
  HGLOBAL hDevMode;
  HGLOBAL hDevNames;
  HDC hDC;
  DWORD Flags;
  WORD nFromPage;
  WORD nToPage;
  WORD nMinPage;
  WORD nMaxPage;
  WORD nCopies;
  HINSTANCE hInstance;
  LPARAM lCustData;
  LPPRINTHOOKPROC lpfnPrintHook;
  LPSETUPHOOKPROC lpfnSetupHook;
  LPCWSTR lpPrintTemplateName;
  LPCWSTR lpSetupTemplateName;
  HGLOBAL hPrintTemplate;
  HGLOBAL hSetupTemplate;
} PRINTDLGW, *LPPRINTDLGW;

// The printer a print dialog chose: offsets in characters from the start of the block to the
// driver, device and port names that follow the record.
typedef struct tagDEVNAMES {
  WORD wDriverOffset;
  WORD wDeviceOffset;
  WORD wOutputOffset;
  WORD wDefault;
} DEVNAMES, *LPDEVNAMES;

#define DN_DEFAULTPRN 0x0001

// PRINTDLGW flags.
#define PD_ALLPAGES 0x00000000
#define PD_SELECTION 0x00000001
#define PD_PAGENUMS 0x00000002
#define PD_NOSELECTION 0x00000004
#define PD_NOPAGENUMS 0x00000008
#define PD_COLLATE 0x00000010
#define PD_PRINTTOFILE 0x00000020
#define PD_PRINTSETUP 0x00000040
#define PD_NOWARNING 0x00000080
#define PD_RETURNDC 0x00000100
#define PD_RETURNIC 0x00000200
#define PD_RETURNDEFAULT 0x00000400
#define PD_SHOWHELP 0x00000800
#define PD_USEDEVMODECOPIES 0x00040000
#define PD_USEDEVMODECOPIESANDCOLLATE PD_USEDEVMODECOPIES
#define PD_DISABLEPRINTTOFILE 0x00080000
#define PD_HIDEPRINTTOFILE 0x00100000
#define PD_NONETWORKBUTTON 0x00200000

// Extended errors (CommDlgExtendedError).
#define CDERR_STRUCTSIZE 0x0001
#define CDERR_INITIALIZATION 0x0002
#define CDERR_MEMALLOCFAILURE 0x0009
#define PDERR_NODEFAULTPRN 0x1008
#define PDERR_PRINTERNOTFOUND 0x100B

#ifdef __cplusplus
extern "C" {
#endif

BOOL WINAPI PrintDlgW(LPPRINTDLGW dialog);
DWORD WINAPI CommDlgExtendedError(void);

#ifdef __cplusplus
}
#endif
