// Globally unique identifiers: the 16-byte GUID of COM classes, interfaces and shell items.
#pragma once

#include <winnt.h>

#ifndef GUID_DEFINED
#define GUID_DEFINED
typedef struct _GUID {
  DWORD Data1;
  WORD Data2;
  WORD Data3;
  BYTE Data4[8];
} GUID;
#endif
