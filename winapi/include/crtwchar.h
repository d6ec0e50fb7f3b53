// The C run-time's wide-string, formatting and parsing routines for 16-bit WCHAR texts, with the
// behaviour of the Windows run-time: `long` is 32 bits, "%I64d" and friends are understood, and
// case-insensitive routines fold A-Z only (the classic locale, which the program never changes).
//
// They are C++ overloads of the C library's wchar_t routines (which are 32-bit on Linux), so a call
// with WCHAR texts, as Windows code makes it, reaches these. All of them may be called from any
// thread; none keeps state.
#pragma once

#include <winnt.h>

// The standard headers that import the C library's wchar_t routines into namespace std come first,
// so that std:: keeps only those and the overloads below stay out of it.
#include <cstdarg>
#include <cstddef>
#include <cstdlib>
#include <cwchar>
#include <cwctype>

// Length in units up to the terminating NUL.
size_t wcslen(const WCHAR* text);

// Three-way comparisons of units as unsigned 16-bit values, stopping at the first NUL; the n forms
// compare at most n units. The i forms fold A-Z to a-z before comparing. Results are negative,
// 0 or positive.
int wcscmp(const WCHAR* a, const WCHAR* b);
int wcsncmp(const WCHAR* a, const WCHAR* b, size_t n);
int _wcsicmp(const WCHAR* a, const WCHAR* b);
int _wcsnicmp(const WCHAR* a, const WCHAR* b, size_t n);

// The first occurrence of `find` in `text`, or null; an empty `find` matches at `text`.
const WCHAR* wcsstr(const WCHAR* text, const WCHAR* find);
WCHAR* wcsstr(WCHAR* text, const WCHAR* find);

// Case of one unit in the classic locale: only A-Z and a-z change.
WCHAR towlower(WCHAR unit);
WCHAR towupper(WCHAR unit);

// Formatted output into `buffer` of `count` units, Windows style:
// - %s and %c take WCHAR texts and units, %hs/%S and %hc/%C narrow ones (a null text prints
//   "(null)"); %ls/%ws and %lc/%wc are wide again;
// - length modifiers h, hh, l (32 bits, as `long` on Windows), ll, I64, I32, I (pointer-sized),
//   z, j, t and L (a double, as `long double` on Windows);
// - conversions d i u o x X c s S C f F e E g G a A p %, with the flags - + space # 0, widths and
//   precisions (also given as *); %p prints 16 upper-case hex digits; infinities print "inf" and
//   NaNs "nan", "-nan(ind)" for the indefinite NaN of invalid operations.
// The output is always NUL-terminated when count > 0. Returns the units written (without the NUL),
// or -1 when the output did not fit (the buffer then holds as much as fitted) or the format is
// invalid (%n and unknown conversions; errno is then EINVAL).
int swprintf(WCHAR* buffer, size_t count, const WCHAR* format, ...);
int vswprintf(WCHAR* buffer, size_t count, const WCHAR* format, va_list args);
// The units the formatted output needs, without the NUL; -1 for an invalid format.
int _scwprintf(const WCHAR* format, ...);
int _vscwprintf(const WCHAR* format, va_list args);

// Text to numbers. Leading white space (TAB, LF, VT, FF, CR, space) and one sign are skipped; base 0
// picks 16 for "0x", 8 for a leading "0" and 10 otherwise; base 16 also accepts "0x". Only ASCII
// digits and letters count. `end` (when not null) receives the address behind the last digit used,
// or `text` itself when there was no number. Out-of-range values clamp and set errno to ERANGE.
// `wcstol` and `wcstoul` work on Windows' 32-bit `long`; the unsigned forms negate a "-" value
// modulo their range, as the C run-time does.
LONG wcstol(const WCHAR* text, WCHAR** end, int base);
ULONG wcstoul(const WCHAR* text, WCHAR** end, int base);
LONGLONG _wcstoi64(const WCHAR* text, WCHAR** end, int base);
ULONGLONG _wcstoui64(const WCHAR* text, WCHAR** end, int base);
// Decimal or hex floating-point text, "inf", "infinity" and "nan"; the decimal point is always ".".
double wcstod(const WCHAR* text, WCHAR** end);
