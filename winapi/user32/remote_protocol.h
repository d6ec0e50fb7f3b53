// The wire forms of the cross-process window services: the request one process sends to the
// socket of another and the answer it gets back, and the lines of the window lists processes
// publish. Everything read from another process is checked here before anything acts on it.
#pragma once

#include <windows.h>

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace winapi::remote {

inline constexpr uint32_t kMagic = 0x4C574D31;  // "LWM1"
inline constexpr uint32_t kSend = 1;
/// The SendMessageTimeoutW flags a request may carry.
inline constexpr uint32_t kKnownFlags = SMTO_BLOCK | SMTO_ABORTIFHUNG | SMTO_NOTIMEOUTIFNOTHUNG | SMTO_ERRORONEXIT;

/// A SendMessageTimeoutW to a window of the receiving process, as it travels.
struct Request {
  uint32_t magic;
  uint32_t kind;
  uint64_t hwnd;
  uint32_t message;
  uint32_t flags;
  uint64_t wParam;
  int64_t lParam;
  uint32_t timeout;
  uint32_t reserved;  // zero
};
static_assert(sizeof(Request) == 48, "the request crosses processes: its layout is fixed");

/// The answer: ok is 1 with the result of the send, or 0 with the Windows error code.
struct Response {
  uint32_t ok;
  uint32_t error;
  int64_t result;
};
static_assert(sizeof(Response) == 16, "the answer crosses processes: its layout is fixed");

/// The process that owns a window handle: its upper 32 bits.
inline pid_t pidOfHandle(uint64_t hwnd) { return static_cast<pid_t>(hwnd >> 32); }

/// Only messages whose parameters are plain values cross: pointers in the others would mean
/// nothing in the receiving process.
inline bool allowedAcross(UINT message) { return message == WM_NULL || message == WM_CLOSE || message >= WM_USER; }

/// The request held in exactly `size` bytes; false when they are no request: a wrong size, magic
/// or kind, a reserved field in use or a flag SendMessageTimeoutW does not know.
bool decodeRequest(const void* bytes, size_t size, Request* out);

/// What this process answers to the bytes of a request, sending the message on the calling
/// thread: ERROR_INVALID_PARAMETER for bytes that are no request, ERROR_INVALID_WINDOW_HANDLE for
/// a handle that is not a window of this process, ERROR_ACCESS_DENIED for a message that does not
/// cross, else the outcome of SendMessageTimeoutW.
Response answer(const void* bytes, size_t size);

/// The answer held in exactly `size` bytes; false when they are none (ok is neither 0 nor 1, a
/// failure without an error code, or a success with one).
bool decodeResponse(const void* bytes, size_t size, Response* out);

/// One published top-level window.
struct WindowEntry {
  HWND hwnd = nullptr;
  DWORD thread = 0;
  bool visible = false;
  std::u16string title;
  std::u16string className;

  bool operator==(const WindowEntry&) const = default;
};

/// The line of a window list (newline included) that describes `entry`.
std::string encodeWindowEntry(const WindowEntry& entry);

/// The windows in the list that process `owner` published. A damaged line, or one that claims a
/// window of another process, is skipped; the lines around it still count. Fields after the
/// class name are ignored, so a later layer may add some.
std::vector<WindowEntry> decodeWindowList(std::string_view text, pid_t owner);

}  // namespace winapi::remote
