// LoadStringW: strings of the module's string table. Each RT_STRING resource numbered n holds the
// sixteen strings (n - 1) * 16 to n * 16 - 1, each a 16-bit length followed by that many UTF-16
// units, without a NUL; an absent string has length 0.
// Left out on purpose: LoadStringA (nothing calls it) and choosing among languages (the
// resource calls' own choice stands).
#include <windows.h>

namespace {

/// The text of string `id` inside its block, or null when the block does not hold it whole.
const WCHAR* findInBlock(const BYTE* block, DWORD size, UINT id, int* length) {
  DWORD offset = 0;
  for (UINT index = 0; index <= (id & 15); ++index) {
    if (offset + sizeof(WORD) > size) {
      return nullptr;
    }
    WORD units = static_cast<WORD>(block[offset] | (block[offset + 1] << 8));
    offset += sizeof(WORD);
    // A damaged block whose lengths run past its end yields no string, never a read beyond it.
    if (offset + DWORD{units} * sizeof(WCHAR) > size) {
      return nullptr;
    }
    if (index == (id & 15)) {
      *length = units;
      return reinterpret_cast<const WCHAR*>(block + offset);
    }
    offset += DWORD{units} * sizeof(WCHAR);
  }
  return nullptr;
}

}  // namespace

extern "C" int WINAPI LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int bufferMax) {
  if (buffer == nullptr || bufferMax < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (bufferMax > 0) {
    buffer[0] = 0;
  }
  HMODULE module = instance != nullptr ? instance : GetModuleHandleW(nullptr);
  HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW((id >> 4) + 1), RT_STRING);
  if (resource == nullptr) {
    return 0;
  }
  const DWORD size = SizeofResource(module, resource);
  const BYTE* block = static_cast<const BYTE*>(LockResource(LoadResource(module, resource)));
  int length = 0;
  const WCHAR* text = block != nullptr ? findInBlock(block, size, id, &length) : nullptr;
  if (text == nullptr || length == 0) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return 0;
  }
  if (bufferMax == 0) {
    *reinterpret_cast<const WCHAR**>(buffer) = text;
    return length;
  }
  const int copied = length < bufferMax - 1 ? length : bufferMax - 1;
  for (int i = 0; i < copied; ++i) {
    buffer[i] = text[i];
  }
  buffer[copied] = 0;
  return copied;
}
