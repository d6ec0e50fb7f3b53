// Run-time library calls of ntdll: counted strings and the process heap.
// Status: RtlInitString, RtlInitAnsiString, RtlInitUnicodeString, the two conversions between
// ANSI and UTF-16 counted strings and their free calls, RtlAllocateHeap, RtlFreeHeap.
#include <windows.h>
#include <winternl.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// A counted string's length is 16-bit; longer texts are cut at the largest even length that
// leaves room for the terminator, as on Windows.
constexpr size_t kMaxCountedBytes = 0xFFFC;

// The heap the conversions allocate from: the process heap, which any non-null handle names.
PVOID processHeap() {
  static char marker;
  return &marker;
}

template <typename String, typename Char>
void initCounted(String* destination, const Char* source) {
  if (destination == nullptr) return;
  destination->Buffer = const_cast<Char*>(source);
  if (source == nullptr) {
    destination->Length = destination->MaximumLength = 0;
    return;
  }
  size_t units = 0;
  while (source[units] != 0) ++units;
  size_t bytes = units * sizeof(Char);
  if (bytes > kMaxCountedBytes) bytes = kMaxCountedBytes;
  destination->Length = static_cast<USHORT>(bytes);
  destination->MaximumLength = static_cast<USHORT>(bytes + sizeof(Char));
}

// Copies converted text into a counted string, allocating its buffer when asked to.
template <typename String, typename Text>
NTSTATUS storeCounted(String* destination, const Text& text, BOOLEAN allocate) {
  using Char = typename Text::value_type;
  size_t bytes = text.size() * sizeof(Char);
  if (bytes > kMaxCountedBytes) return STATUS_INVALID_PARAMETER;
  if (allocate) {
    void* buffer = RtlAllocateHeap(processHeap(), 0, bytes + sizeof(Char));
    if (buffer == nullptr) return STATUS_NO_MEMORY;
    destination->Buffer = static_cast<decltype(destination->Buffer)>(buffer);
    destination->MaximumLength = static_cast<USHORT>(bytes + sizeof(Char));
  } else if (destination->Buffer == nullptr || destination->MaximumLength < bytes) {
    return STATUS_BUFFER_OVERFLOW;
  }
  std::memcpy(destination->Buffer, text.data(), bytes);
  if (destination->MaximumLength >= bytes + sizeof(Char)) {
    destination->Buffer[text.size()] = 0;
  }
  destination->Length = static_cast<USHORT>(bytes);
  return STATUS_SUCCESS;
}

}  // namespace

extern "C" {

PVOID NTAPI RtlAllocateHeap(PVOID heap, ULONG flags, SIZE_T size) {
  if (heap == nullptr) return nullptr;
  // Every heap handle names the process heap, which is the C run-time's.
  return (flags & HEAP_ZERO_MEMORY) ? std::calloc(size == 0 ? 1 : size, 1) : std::malloc(size == 0 ? 1 : size);
}

BOOLEAN NTAPI RtlFreeHeap(PVOID heap, ULONG flags, PVOID block) {
  (void)flags;
  if (heap == nullptr) return FALSE;
  std::free(block);
  return TRUE;
}

void NTAPI RtlInitString(PSTRING destination, PCSZ source) { initCounted(destination, source); }

void NTAPI RtlInitAnsiString(PANSI_STRING destination, PCSZ source) { initCounted(destination, source); }

void NTAPI RtlInitUnicodeString(PUNICODE_STRING destination, PCWSTR source) { initCounted(destination, source); }

NTSTATUS NTAPI RtlAnsiStringToUnicodeString(PUNICODE_STRING destination, PCANSI_STRING source, BOOLEAN allocate) {
  if (destination == nullptr || source == nullptr) return STATUS_INVALID_PARAMETER;
  std::u16string text;
  if (source->Length != 0) {
    int units = MultiByteToWideChar(CP_ACP, 0, source->Buffer, source->Length, nullptr, 0);
    text.resize(static_cast<size_t>(units));
    MultiByteToWideChar(CP_ACP, 0, source->Buffer, source->Length, text.data(), units);
  }
  return storeCounted(destination, text, allocate);
}

NTSTATUS NTAPI RtlUnicodeStringToAnsiString(PANSI_STRING destination, PCUNICODE_STRING source, BOOLEAN allocate) {
  if (destination == nullptr || source == nullptr) return STATUS_INVALID_PARAMETER;
  std::string text;
  int units = source->Length / 2;
  if (units != 0) {
    int bytes = WideCharToMultiByte(CP_ACP, 0, source->Buffer, units, nullptr, 0, nullptr, nullptr);
    text.resize(static_cast<size_t>(bytes));
    WideCharToMultiByte(CP_ACP, 0, source->Buffer, units, text.data(), bytes, nullptr, nullptr);
  }
  return storeCounted(destination, text, allocate);
}

void NTAPI RtlFreeAnsiString(PANSI_STRING string) {
  if (string == nullptr) return;
  RtlFreeHeap(processHeap(), 0, string->Buffer);
  string->Buffer = nullptr;
  string->Length = string->MaximumLength = 0;
}

void NTAPI RtlFreeUnicodeString(PUNICODE_STRING string) {
  if (string == nullptr) return;
  RtlFreeHeap(processHeap(), 0, string->Buffer);
  string->Buffer = nullptr;
  string->Length = string->MaximumLength = 0;
}

}  // extern "C"
