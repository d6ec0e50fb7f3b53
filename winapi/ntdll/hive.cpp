// Native calls that the registry binds by name but that have no meaning over one database, and
// the native thread and file forms, which the layer reaches through kernel32 instead.
// Status: every call here answers STATUS_NOT_IMPLEMENTED and changes nothing.
#include <windows.h>
#include <winternl.h>

#include "winapi/base/debug.h"

extern "C" {

NTSTATUS NTAPI NtSaveKey(HANDLE key, HANDLE file) {
  (void)key, (void)file;
  FIXME(Ntdll, "not supported over the registry database");
  return STATUS_NOT_IMPLEMENTED;
}

NTSTATUS NTAPI NtRestoreKey(HANDLE key, HANDLE file, ULONG flags) {
  (void)key, (void)file, (void)flags;
  FIXME(Ntdll, "not supported over the registry database");
  return STATUS_NOT_IMPLEMENTED;
}

NTSTATUS NTAPI NtLoadKey(POBJECT_ATTRIBUTES target, POBJECT_ATTRIBUTES file) {
  (void)target, (void)file;
  FIXME(Ntdll, "not supported over the registry database");
  return STATUS_NOT_IMPLEMENTED;
}

NTSTATUS NTAPI NtLoadKey2(POBJECT_ATTRIBUTES target, POBJECT_ATTRIBUTES file, ULONG flags) {
  (void)target, (void)file, (void)flags;
  FIXME(Ntdll, "not supported over the registry database");
  return STATUS_NOT_IMPLEMENTED;
}

NTSTATUS NTAPI NtReplaceKey(POBJECT_ATTRIBUTES newFile, HANDLE key, POBJECT_ATTRIBUTES oldFile) {
  (void)newFile, (void)key, (void)oldFile;
  FIXME(Ntdll, "not supported over the registry database");
  return STATUS_NOT_IMPLEMENTED;
}

NTSTATUS NTAPI NtUnloadKey(POBJECT_ATTRIBUTES target) {
  (void)target;
  FIXME(Ntdll, "not supported over the registry database");
  return STATUS_NOT_IMPLEMENTED;
}

NTSTATUS NTAPI NtOpenThread(PHANDLE thread, ACCESS_MASK access, POBJECT_ATTRIBUTES attributes, PCLIENT_ID clientId) {
  (void)access, (void)attributes, (void)clientId;
  if (thread != nullptr) *thread = nullptr;
  FIXME(Ntdll, "threads are opened through kernel32");
  return STATUS_NOT_IMPLEMENTED;
}

NTSTATUS NTAPI NtCreateFile(PHANDLE file, ACCESS_MASK access, POBJECT_ATTRIBUTES attributes, PIO_STATUS_BLOCK ioStatus,
                            PLARGE_INTEGER allocationSize, ULONG fileAttributes, ULONG shareAccess,
                            ULONG createDisposition, ULONG createOptions, PVOID eaBuffer, ULONG eaLength) {
  (void)access, (void)attributes, (void)ioStatus, (void)allocationSize, (void)fileAttributes;
  (void)shareAccess, (void)createDisposition, (void)createOptions, (void)eaBuffer, (void)eaLength;
  if (file != nullptr) *file = nullptr;
  FIXME(Ntdll, "files are opened through kernel32");
  return STATUS_NOT_IMPLEMENTED;
}

}  // extern "C"
