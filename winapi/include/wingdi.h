// Graphics device interface: device contexts, pens, brushes, fonts, bitmaps, regions and the
// painting calls. Everything paints in software into 32-bit ARGB surfaces.
#pragma once

#include <winnt.h>
#include <windef.h>

DECLARE_HANDLE(HDC);
typedef void* HGDIOBJ;
DECLARE_HANDLE(HBITMAP);
DECLARE_HANDLE(HBRUSH);
DECLARE_HANDLE(HPEN);
DECLARE_HANDLE(HFONT);
DECLARE_HANDLE(HRGN);
DECLARE_HANDLE(HPALETTE);
DECLARE_HANDLE(HMONITOR);

typedef INT* LPINT;
typedef DWORD COLORREF;
typedef COLORREF* LPCOLORREF;

#define RGB(r, g, b) ((COLORREF)(((BYTE)(r) | ((WORD)((BYTE)(g)) << 8)) | (((DWORD)(BYTE)(b)) << 16)))
#define GetRValue(c) (LOBYTE(c))
#define GetGValue(c) (LOBYTE(((WORD)(c)) >> 8))
#define GetBValue(c) (LOBYTE((c) >> 16))
#define CLR_INVALID 0xFFFFFFFF

#define HGDI_ERROR ((HGDIOBJ)(LONG_PTR)-1)
#define GDI_ERROR 0xFFFFFFFFL

// Object types (GetObjectType).
#define OBJ_PEN 1
#define OBJ_BRUSH 2
#define OBJ_DC 3
#define OBJ_PAL 5
#define OBJ_FONT 6
#define OBJ_BITMAP 7
#define OBJ_REGION 8
#define OBJ_MEMDC 10

// Stock objects.
#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define HOLLOW_BRUSH NULL_BRUSH
#define WHITE_PEN 6
#define BLACK_PEN 7
#define NULL_PEN 8
#define OEM_FIXED_FONT 10
#define ANSI_FIXED_FONT 11
#define ANSI_VAR_FONT 12
#define SYSTEM_FONT 13
#define DEVICE_DEFAULT_FONT 14
#define DEFAULT_PALETTE 15
#define SYSTEM_FIXED_FONT 16
#define DEFAULT_GUI_FONT 17
#define DC_BRUSH 18
#define DC_PEN 19

// Pen styles.
#define PS_SOLID 0
#define PS_DASH 1
#define PS_DOT 2
#define PS_DASHDOT 3
#define PS_DASHDOTDOT 4
#define PS_NULL 5
#define PS_INSIDEFRAME 6

// Brush styles.
#define BS_SOLID 0
#define BS_NULL 1
#define BS_HOLLOW BS_NULL

// Background modes.
#define TRANSPARENT 1
#define OPAQUE 2

// Stretching modes.
#define BLACKONWHITE 1
#define WHITEONBLACK 2
#define COLORONCOLOR 3
#define HALFTONE 4
#define STRETCH_ANDSCANS BLACKONWHITE
#define STRETCH_ORSCANS WHITEONBLACK
#define STRETCH_DELETESCANS COLORONCOLOR
#define STRETCH_HALFTONE HALFTONE

// Raster operations.
#define SRCCOPY 0x00CC0020
#define SRCPAINT 0x00EE0086
#define SRCAND 0x008800C6
#define SRCINVERT 0x00660046
#define NOTSRCCOPY 0x00330008
#define PATCOPY 0x00F00021
#define PATINVERT 0x005A0049
#define DSTINVERT 0x00550009
#define BLACKNESS 0x00000042
#define WHITENESS 0x00FF0062

// Region results and combination modes.
#define ERROR 0
#define NULLREGION 1
#define SIMPLEREGION 2
#define COMPLEXREGION 3
#define RGN_ERROR ERROR
#define RGN_AND 1
#define RGN_OR 2
#define RGN_XOR 3
#define RGN_DIFF 4
#define RGN_COPY 5

// Text alignment.
#define TA_NOUPDATECP 0
#define TA_UPDATECP 1
#define TA_LEFT 0
#define TA_RIGHT 2
#define TA_CENTER 6
#define TA_TOP 0
#define TA_BOTTOM 8
#define TA_BASELINE 24

// ExtTextOut options.
#define ETO_OPAQUE 0x0002
#define ETO_CLIPPED 0x0004
#define ETO_GLYPH_INDEX 0x0010
#define ETO_RTLREADING 0x0080
#define ETO_IGNORELANGUAGE 0x1000

// Device capabilities.
#define DRIVERVERSION 0
#define TECHNOLOGY 2
#define HORZSIZE 4
#define VERTSIZE 6
#define HORZRES 8
#define VERTRES 10
#define BITSPIXEL 12
#define PLANES 14
#define NUMCOLORS 24
#define RASTERCAPS 38
#define LOGPIXELSX 88
#define LOGPIXELSY 90
#define SIZEPALETTE 104
#define DESKTOPVERTRES 117
#define DESKTOPHORZRES 118
#define DT_RASDISPLAY 1
#define DT_RASPRINTER 2
#define RC_BITBLT 1
#define RC_STRETCHBLT 0x0800
#define RC_DI_BITMAP 0x0080

// Font constants.
#define LF_FACESIZE 32
#define FW_DONTCARE 0
#define FW_THIN 100
#define FW_EXTRALIGHT 200
#define FW_LIGHT 300
#define FW_NORMAL 400
#define FW_REGULAR 400
#define FW_MEDIUM 500
#define FW_SEMIBOLD 600
#define FW_BOLD 700
#define FW_EXTRABOLD 800
#define FW_HEAVY 900
#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1
#define SYMBOL_CHARSET 2
#define OEM_CHARSET 255
#define OUT_DEFAULT_PRECIS 0
#define OUT_STRING_PRECIS 1
#define OUT_CHARACTER_PRECIS 2
#define OUT_STROKE_PRECIS 3
#define OUT_TT_PRECIS 4
#define OUT_TT_ONLY_PRECIS 7
#define CLIP_DEFAULT_PRECIS 0
#define CLIP_CHARACTER_PRECIS 1
#define CLIP_STROKE_PRECIS 2
#define DEFAULT_QUALITY 0
#define DRAFT_QUALITY 1
#define PROOF_QUALITY 2
#define NONANTIALIASED_QUALITY 3
#define ANTIALIASED_QUALITY 4
#define CLEARTYPE_QUALITY 5
#define CLEARTYPE_NATURAL_QUALITY 6
#define DEFAULT_PITCH 0
#define FIXED_PITCH 1
#define VARIABLE_PITCH 2
#define FF_DONTCARE 0x00
#define FF_ROMAN 0x10
#define FF_SWISS 0x20
#define FF_MODERN 0x30
#define FF_SCRIPT 0x40
#define FF_DECORATIVE 0x50
#define TMPF_FIXED_PITCH 0x01
#define TMPF_VECTOR 0x02
#define TMPF_TRUETYPE 0x04

// Bitmap compression and colour usage.
#define BI_RGB 0L
#define BI_BITFIELDS 3L
#define DIB_RGB_COLORS 0
#define DIB_PAL_COLORS 1

typedef struct tagLOGFONTW {
  LONG lfHeight;
  LONG lfWidth;
  LONG lfEscapement;
  LONG lfOrientation;
  LONG lfWeight;
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  WCHAR lfFaceName[LF_FACESIZE];
} LOGFONTW, *PLOGFONTW, *LPLOGFONTW;

typedef struct tagTEXTMETRICW {
  LONG tmHeight;
  LONG tmAscent;
  LONG tmDescent;
  LONG tmInternalLeading;
  LONG tmExternalLeading;
  LONG tmAveCharWidth;
  LONG tmMaxCharWidth;
  LONG tmWeight;
  LONG tmOverhang;
  LONG tmDigitizedAspectX;
  LONG tmDigitizedAspectY;
  WCHAR tmFirstChar;
  WCHAR tmLastChar;
  WCHAR tmDefaultChar;
  WCHAR tmBreakChar;
  BYTE tmItalic;
  BYTE tmUnderlined;
  BYTE tmStruckOut;
  BYTE tmPitchAndFamily;
  BYTE tmCharSet;
} TEXTMETRICW, *PTEXTMETRICW, *LPTEXTMETRICW;

typedef struct tagLOGPEN {
  UINT lopnStyle;
  POINT lopnWidth;
  COLORREF lopnColor;
} LOGPEN, *PLOGPEN, *LPLOGPEN;

typedef struct tagLOGBRUSH {
  UINT lbStyle;
  COLORREF lbColor;
  ULONG_PTR lbHatch;
} LOGBRUSH, *PLOGBRUSH, *LPLOGBRUSH;

typedef struct tagBITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;
  WORD bmPlanes;
  WORD bmBitsPixel;
  LPVOID bmBits;
} BITMAP, *PBITMAP, *LPBITMAP;

typedef struct tagRGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
} RGBQUAD;

typedef struct tagBITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
} BITMAPINFOHEADER, *PBITMAPINFOHEADER, *LPBITMAPINFOHEADER;

typedef struct tagBITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
} BITMAPINFO, *PBITMAPINFO, *LPBITMAPINFO;

// The file header of a BMP file: packed, 14 bytes, as it lies on disk.
#pragma pack(push, 2)
typedef struct tagBITMAPFILEHEADER {
  WORD bfType;
  DWORD bfSize;
  WORD bfReserved1;
  WORD bfReserved2;
  DWORD bfOffBits;
} BITMAPFILEHEADER, *PBITMAPFILEHEADER, *LPBITMAPFILEHEADER;
#pragma pack(pop)

typedef struct tagDIBSECTION {
  BITMAP dsBm;
  BITMAPINFOHEADER dsBmih;
  DWORD dsBitfields[3];
  HANDLE dshSection;
  DWORD dsOffset;
} DIBSECTION, *PDIBSECTION, *LPDIBSECTION;

// Printing.
#define SP_ERROR (-1)

typedef struct _DOCINFOW {
  int cbSize;
  LPCWSTR lpszDocName;
  LPCWSTR lpszOutput;
  LPCWSTR lpszDatatype;
  DWORD fwType;
} DOCINFOW, *LPDOCINFOW;

typedef struct _devicemodeW DEVMODEW;

typedef struct _RGNDATAHEADER {
  DWORD dwSize;
  DWORD iType;
  DWORD nCount;
  DWORD nRgnSize;
  RECT rcBound;
} RGNDATAHEADER;

#ifdef __cplusplus
extern "C" {
#endif

// Objects.
HGDIOBJ WINAPI GetStockObject(int object);
HGDIOBJ WINAPI SelectObject(HDC dc, HGDIOBJ object);
BOOL WINAPI DeleteObject(HGDIOBJ object);
int WINAPI GetObjectW(HANDLE object, int size, LPVOID buffer);
DWORD WINAPI GetObjectType(HGDIOBJ object);
HGDIOBJ WINAPI GetCurrentObject(HDC dc, UINT type);
HBRUSH WINAPI CreateSolidBrush(COLORREF color);
HBRUSH WINAPI CreateBrushIndirect(const LOGBRUSH* brush);
HPEN WINAPI CreatePen(int style, int width, COLORREF color);
HPEN WINAPI CreatePenIndirect(const LOGPEN* pen);
HFONT WINAPI CreateFontIndirectW(const LOGFONTW* font);
HFONT WINAPI CreateFontW(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                         DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                         DWORD quality, DWORD pitchAndFamily, LPCWSTR faceName);

// Device contexts.
HDC WINAPI CreateCompatibleDC(HDC dc);
HDC WINAPI CreateDCW(LPCWSTR driver, LPCWSTR device, LPCWSTR output, const DEVMODEW* mode);
BOOL WINAPI DeleteDC(HDC dc);
int WINAPI SaveDC(HDC dc);
BOOL WINAPI RestoreDC(HDC dc, int saved);
int WINAPI GetDeviceCaps(HDC dc, int index);
int WINAPI Escape(HDC dc, int escape, int inputSize, LPCSTR input, LPVOID output);
COLORREF WINAPI SetBkColor(HDC dc, COLORREF color);
COLORREF WINAPI GetBkColor(HDC dc);
int WINAPI SetBkMode(HDC dc, int mode);
int WINAPI GetBkMode(HDC dc);
COLORREF WINAPI SetTextColor(HDC dc, COLORREF color);
COLORREF WINAPI GetTextColor(HDC dc);
UINT WINAPI SetTextAlign(HDC dc, UINT align);
UINT WINAPI GetTextAlign(HDC dc);
int WINAPI SetStretchBltMode(HDC dc, int mode);
int WINAPI GetStretchBltMode(HDC dc);
COLORREF WINAPI SetDCBrushColor(HDC dc, COLORREF color);
COLORREF WINAPI SetDCPenColor(HDC dc, COLORREF color);
BOOL WINAPI SetViewportOrgEx(HDC dc, int x, int y, LPPOINT previous);
BOOL WINAPI GetViewportOrgEx(HDC dc, LPPOINT origin);
BOOL WINAPI OffsetViewportOrgEx(HDC dc, int dx, int dy, LPPOINT previous);
BOOL WINAPI MoveToEx(HDC dc, int x, int y, LPPOINT previous);
BOOL WINAPI LineTo(HDC dc, int x, int y);

// Bitmaps and blits.
HBITMAP WINAPI CreateCompatibleBitmap(HDC dc, int width, int height);
HBITMAP WINAPI CreateBitmap(int width, int height, UINT planes, UINT bitCount, const void* bits);
HBITMAP WINAPI CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD offset);
BOOL WINAPI BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY, DWORD rop);
BOOL WINAPI StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                       int sourceWidth, int sourceHeight, DWORD rop);
BOOL WINAPI PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop);
int WINAPI StretchDIBits(HDC dc, int x, int y, int width, int height, int sourceX, int sourceY, int sourceWidth,
                         int sourceHeight, const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop);
int WINAPI SetDIBitsToDevice(HDC dc, int x, int y, DWORD width, DWORD height, int sourceX, int sourceY, UINT startScan,
                             UINT scanLines, const void* bits, const BITMAPINFO* info, UINT usage);
UINT WINAPI SetDIBColorTable(HDC dc, UINT start, UINT count, const RGBQUAD* colors);
UINT WINAPI GetDIBColorTable(HDC dc, UINT start, UINT count, RGBQUAD* colors);
int WINAPI GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, LPBITMAPINFO info, UINT usage);
COLORREF WINAPI GetPixel(HDC dc, int x, int y);
COLORREF WINAPI SetPixel(HDC dc, int x, int y, COLORREF color);

// Printing.
int WINAPI StartDocW(HDC dc, const DOCINFOW* document);
int WINAPI EndDoc(HDC dc);
int WINAPI AbortDoc(HDC dc);
int WINAPI StartPage(HDC dc);
int WINAPI EndPage(HDC dc);

// Shapes.
BOOL WINAPI Rectangle(HDC dc, int left, int top, int right, int bottom);
BOOL WINAPI Ellipse(HDC dc, int left, int top, int right, int bottom);
BOOL WINAPI RoundRect(HDC dc, int left, int top, int right, int bottom, int width, int height);
BOOL WINAPI FillRgn(HDC dc, HRGN region, HBRUSH brush);
BOOL WINAPI PaintRgn(HDC dc, HRGN region);

// Regions and clipping.
HRGN WINAPI CreateRectRgn(int left, int top, int right, int bottom);
HRGN WINAPI CreateRectRgnIndirect(const RECT* rect);
HRGN WINAPI CreateRoundRectRgn(int left, int top, int right, int bottom, int width, int height);
HRGN WINAPI CreateEllipticRgn(int left, int top, int right, int bottom);
BOOL WINAPI SetRectRgn(HRGN region, int left, int top, int right, int bottom);
int WINAPI CombineRgn(HRGN dest, HRGN source1, HRGN source2, int mode);
int WINAPI OffsetRgn(HRGN region, int dx, int dy);
int WINAPI GetRgnBox(HRGN region, LPRECT box);
BOOL WINAPI PtInRegion(HRGN region, int x, int y);
BOOL WINAPI RectInRegion(HRGN region, const RECT* rect);
BOOL WINAPI EqualRgn(HRGN a, HRGN b);
int WINAPI SelectClipRgn(HDC dc, HRGN region);
int WINAPI ExtSelectClipRgn(HDC dc, HRGN region, int mode);
int WINAPI ExcludeClipRect(HDC dc, int left, int top, int right, int bottom);
int WINAPI IntersectClipRect(HDC dc, int left, int top, int right, int bottom);
int WINAPI OffsetClipRgn(HDC dc, int dx, int dy);
int WINAPI GetClipBox(HDC dc, LPRECT box);
int WINAPI GetClipRgn(HDC dc, HRGN region);
BOOL WINAPI PtVisible(HDC dc, int x, int y);
BOOL WINAPI RectVisible(HDC dc, const RECT* rect);

// Text.
BOOL WINAPI ExtTextOutW(HDC dc, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count, const INT* dx);
BOOL WINAPI TextOutW(HDC dc, int x, int y, LPCWSTR text, int count);
BOOL WINAPI GetTextExtentPoint32W(HDC dc, LPCWSTR text, int count, LPSIZE size);
BOOL WINAPI GetTextExtentExPointW(HDC dc, LPCWSTR text, int count, int maxExtent, LPINT fit, LPINT dx, LPSIZE size);
BOOL WINAPI GetTextMetricsW(HDC dc, LPTEXTMETRICW metrics);
int WINAPI GetTextFaceW(HDC dc, int count, LPWSTR face);

#ifdef __cplusplus
}
#endif
