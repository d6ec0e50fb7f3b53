// The native API of ntdll that the layer provides: counted strings, object attributes, the
// registry key calls with their information records, and the version query. Layouts are those
// of 64-bit Windows.
#pragma once

#include <winnt.h>
#include <windef.h>
#include <winreg.h>
#include <winversion.h>
#include <ntstatus.h>

typedef struct _UNICODE_STRING {
  USHORT Length;         // bytes, without a terminating NUL
  USHORT MaximumLength;  // bytes of the buffer
  PWSTR Buffer;
} UNICODE_STRING, *PUNICODE_STRING;
typedef const UNICODE_STRING* PCUNICODE_STRING;

typedef struct _STRING {
  USHORT Length;
  USHORT MaximumLength;
  CHAR* Buffer;
} STRING, *PSTRING, ANSI_STRING, *PANSI_STRING;
typedef const STRING* PCSZ_STRING;
typedef const ANSI_STRING* PCANSI_STRING;
typedef const CHAR* PCSZ;

#define OBJ_INHERIT 0x00000002L
#define OBJ_CASE_INSENSITIVE 0x00000040L
#define OBJ_OPENIF 0x00000080L

typedef struct _OBJECT_ATTRIBUTES {
  ULONG Length;
  HANDLE RootDirectory;
  PUNICODE_STRING ObjectName;
  ULONG Attributes;
  PVOID SecurityDescriptor;
  PVOID SecurityQualityOfService;
} OBJECT_ATTRIBUTES, *POBJECT_ATTRIBUTES;

#define InitializeObjectAttributes(p, n, a, r, s) \
  do {                                            \
    (p)->Length = sizeof(OBJECT_ATTRIBUTES);      \
    (p)->RootDirectory = (r);                     \
    (p)->Attributes = (a);                        \
    (p)->ObjectName = (n);                        \
    (p)->SecurityDescriptor = (s);                \
    (p)->SecurityQualityOfService = NULL;         \
  } while (0)

typedef struct _IO_STATUS_BLOCK {
  union {
    NTSTATUS Status;
    PVOID Pointer;
  };
  ULONG_PTR Information;
} IO_STATUS_BLOCK, *PIO_STATUS_BLOCK;

typedef void(NTAPI* PIO_APC_ROUTINE)(PVOID context, PIO_STATUS_BLOCK ioStatus, ULONG reserved);

typedef struct _CLIENT_ID {
  HANDLE UniqueProcess;
  HANDLE UniqueThread;
} CLIENT_ID, *PCLIENT_ID;

// The native calls take any class number and refuse those they do not know: the classes are
// ints, so an unknown one is a value like any other.
typedef enum _KEY_INFORMATION_CLASS : int {
  KeyBasicInformation,
  KeyNodeInformation,
  KeyFullInformation,
  KeyNameInformation,
  KeyCachedInformation,
  KeyFlagsInformation,
  KeyVirtualizationInformation,
  KeyHandleTagsInformation,
  MaxKeyInfoClass
} KEY_INFORMATION_CLASS;

typedef struct _KEY_BASIC_INFORMATION {
  LARGE_INTEGER LastWriteTime;
  ULONG TitleIndex;
  ULONG NameLength;  // bytes
  WCHAR Name[1];
} KEY_BASIC_INFORMATION, *PKEY_BASIC_INFORMATION;

typedef struct _KEY_NODE_INFORMATION {
  LARGE_INTEGER LastWriteTime;
  ULONG TitleIndex;
  ULONG ClassOffset;  // bytes from the record's start
  ULONG ClassLength;
  ULONG NameLength;
  WCHAR Name[1];
} KEY_NODE_INFORMATION, *PKEY_NODE_INFORMATION;

typedef struct _KEY_FULL_INFORMATION {
  LARGE_INTEGER LastWriteTime;
  ULONG TitleIndex;
  ULONG ClassOffset;
  ULONG ClassLength;
  ULONG SubKeys;
  ULONG MaxNameLen;
  ULONG MaxClassLen;
  ULONG Values;
  ULONG MaxValueNameLen;
  ULONG MaxValueDataLen;
  WCHAR Class[1];
} KEY_FULL_INFORMATION, *PKEY_FULL_INFORMATION;

typedef struct _KEY_NAME_INFORMATION {
  ULONG NameLength;
  WCHAR Name[1];
} KEY_NAME_INFORMATION, *PKEY_NAME_INFORMATION;

typedef enum _KEY_VALUE_INFORMATION_CLASS : int {
  KeyValueBasicInformation,
  KeyValueFullInformation,
  KeyValuePartialInformation,
  KeyValueFullInformationAlign64,
  KeyValuePartialInformationAlign64,
  MaxKeyValueInfoClass
} KEY_VALUE_INFORMATION_CLASS;

typedef struct _KEY_VALUE_BASIC_INFORMATION {
  ULONG TitleIndex;
  ULONG Type;
  ULONG NameLength;
  WCHAR Name[1];
} KEY_VALUE_BASIC_INFORMATION, *PKEY_VALUE_BASIC_INFORMATION;

typedef struct _KEY_VALUE_FULL_INFORMATION {
  ULONG TitleIndex;
  ULONG Type;
  ULONG DataOffset;  // bytes from the record's start
  ULONG DataLength;
  ULONG NameLength;
  WCHAR Name[1];
} KEY_VALUE_FULL_INFORMATION, *PKEY_VALUE_FULL_INFORMATION;

typedef struct _KEY_VALUE_PARTIAL_INFORMATION {
  ULONG TitleIndex;
  ULONG Type;
  ULONG DataLength;
  UCHAR Data[1];
} KEY_VALUE_PARTIAL_INFORMATION, *PKEY_VALUE_PARTIAL_INFORMATION;

typedef struct _KEY_VALUE_ENTRY {
  PUNICODE_STRING ValueName;
  ULONG DataLength;
  ULONG DataOffset;
  ULONG Type;
} KEY_VALUE_ENTRY, *PKEY_VALUE_ENTRY;

typedef enum _KEY_SET_INFORMATION_CLASS {
  KeyWriteTimeInformation,
  KeyWow64FlagsInformation,
  KeyControlFlagsInformation,
  KeySetVirtualizationInformation,
  KeySetDebugInformation,
  KeySetHandleTagsInformation,
  MaxKeySetInfoClass
} KEY_SET_INFORMATION_CLASS;

#define HEAP_ZERO_MEMORY 0x00000008

#ifdef __cplusplus
extern "C" {
#endif

// Keys. A key handle stays valid until NtClose, even after the key is deleted (calls on it then
// answer STATUS_KEY_DELETED). Names are compared ignoring case and kept as written.
NTSTATUS NTAPI NtCreateKey(PHANDLE key, ACCESS_MASK access, POBJECT_ATTRIBUTES attributes, ULONG titleIndex,
                           PUNICODE_STRING keyClass, ULONG options, PULONG disposition);
NTSTATUS NTAPI NtOpenKey(PHANDLE key, ACCESS_MASK access, POBJECT_ATTRIBUTES attributes);
NTSTATUS NTAPI NtClose(HANDLE handle);
NTSTATUS NTAPI NtDeleteKey(HANDLE key);
NTSTATUS NTAPI NtFlushKey(HANDLE key);
NTSTATUS NTAPI NtRenameKey(HANDLE key, PUNICODE_STRING newName);
NTSTATUS NTAPI NtQueryKey(HANDLE key, KEY_INFORMATION_CLASS infoClass, PVOID info, ULONG length, PULONG resultLength);
NTSTATUS NTAPI NtEnumerateKey(HANDLE key, ULONG index, KEY_INFORMATION_CLASS infoClass, PVOID info, ULONG length,
                              PULONG resultLength);
NTSTATUS NTAPI NtSetInformationKey(HANDLE key, KEY_SET_INFORMATION_CLASS infoClass, PVOID info, ULONG length);
NTSTATUS NTAPI NtNotifyChangeKey(HANDLE key, HANDLE event, PIO_APC_ROUTINE apcRoutine, PVOID apcContext,
                                 PIO_STATUS_BLOCK ioStatus, ULONG filter, BOOLEAN watchTree, PVOID buffer, ULONG length,
                                 BOOLEAN async);

// Values. The empty name is the key's default value.
NTSTATUS NTAPI NtQueryValueKey(HANDLE key, PUNICODE_STRING name, KEY_VALUE_INFORMATION_CLASS infoClass, PVOID info,
                               ULONG length, PULONG resultLength);
NTSTATUS NTAPI NtEnumerateValueKey(HANDLE key, ULONG index, KEY_VALUE_INFORMATION_CLASS infoClass, PVOID info,
                                   ULONG length, PULONG resultLength);
NTSTATUS NTAPI NtSetValueKey(HANDLE key, PUNICODE_STRING name, ULONG titleIndex, ULONG type, PVOID data, ULONG size);
NTSTATUS NTAPI NtDeleteValueKey(HANDLE key, PUNICODE_STRING name);
NTSTATUS NTAPI NtQueryMultipleValueKey(HANDLE key, PKEY_VALUE_ENTRY entries, ULONG count, PVOID buffer, PULONG length,
                                       PULONG requiredLength);

// Hive files: not supported by the layer (the registry is one database).
NTSTATUS NTAPI NtSaveKey(HANDLE key, HANDLE file);
NTSTATUS NTAPI NtRestoreKey(HANDLE key, HANDLE file, ULONG flags);
NTSTATUS NTAPI NtLoadKey(POBJECT_ATTRIBUTES target, POBJECT_ATTRIBUTES file);
NTSTATUS NTAPI NtLoadKey2(POBJECT_ATTRIBUTES target, POBJECT_ATTRIBUTES file, ULONG flags);
NTSTATUS NTAPI NtReplaceKey(POBJECT_ATTRIBUTES newFile, HANDLE key, POBJECT_ATTRIBUTES oldFile);
NTSTATUS NTAPI NtUnloadKey(POBJECT_ATTRIBUTES target);

// Threads and files are reached through kernel32; these native forms are not supported.
NTSTATUS NTAPI NtOpenThread(PHANDLE thread, ACCESS_MASK access, POBJECT_ATTRIBUTES attributes, PCLIENT_ID clientId);
NTSTATUS NTAPI NtCreateFile(PHANDLE file, ACCESS_MASK access, POBJECT_ATTRIBUTES attributes, PIO_STATUS_BLOCK ioStatus,
                            PLARGE_INTEGER allocationSize, ULONG fileAttributes, ULONG shareAccess,
                            ULONG createDisposition, ULONG createOptions, PVOID eaBuffer, ULONG eaLength);

// Heap blocks of the process heap (any heap handle names it).
PVOID NTAPI RtlAllocateHeap(PVOID heap, ULONG flags, SIZE_T size);
BOOLEAN NTAPI RtlFreeHeap(PVOID heap, ULONG flags, PVOID block);

// Counted strings. The conversions allocate from the process heap when asked to; the two free
// calls give such buffers back. ANSI texts are in the process's ANSI code page.
void NTAPI RtlInitString(PSTRING destination, PCSZ source);
void NTAPI RtlInitAnsiString(PANSI_STRING destination, PCSZ source);
void NTAPI RtlInitUnicodeString(PUNICODE_STRING destination, PCWSTR source);
NTSTATUS NTAPI RtlAnsiStringToUnicodeString(PUNICODE_STRING destination, PCANSI_STRING source, BOOLEAN allocate);
NTSTATUS NTAPI RtlUnicodeStringToAnsiString(PANSI_STRING destination, PCUNICODE_STRING source, BOOLEAN allocate);
void NTAPI RtlFreeAnsiString(PANSI_STRING string);
void NTAPI RtlFreeUnicodeString(PUNICODE_STRING string);

// The true version of the system, whatever compatibility mode the program runs in.
NTSTATUS NTAPI RtlGetVersion(PRTL_OSVERSIONINFOW info);

#ifdef __cplusplus
}
#endif
