// Encoding and checking of what crosses between processes for the cross-process window services:
// socket requests and answers, and the published window lists (one line per window: handle in
// hex, thread id, visibility, then title and class name as hex UTF-16 units, "-" when empty).
#include "winapi/user32/remote_protocol.h"

#include <unistd.h>

#include <cstring>

namespace winapi::remote {
namespace {

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string toHex(const std::u16string& s) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (char16_t c : s) {
    for (int shift = 12; shift >= 0; shift -= 4) out.push_back(digits[(c >> shift) & 0xF]);
  }
  return out.empty() ? "-" : out;
}

// Four hex digits per unit; anything else is a damaged field, not a shorter text.
bool fromHex(std::string_view s, std::u16string* out) {
  out->clear();
  if (s == "-") return true;
  if (s.empty() || s.size() % 4 != 0) return false;
  for (size_t i = 0; i < s.size(); i += 4) {
    char16_t unit = 0;
    for (size_t k = i; k < i + 4; ++k) {
      int d = hexDigit(s[k]);
      if (d < 0) return false;
      unit = static_cast<char16_t>((unit << 4) | d);
    }
    out->push_back(unit);
  }
  return true;
}

bool parseHandle(std::string_view s, uint64_t* out) {
  if (s.empty() || s.size() > 16) return false;
  uint64_t value = 0;
  for (char c : s) {
    int d = hexDigit(c);
    if (d < 0) return false;
    value = (value << 4) | static_cast<uint64_t>(d);
  }
  *out = value;
  return true;
}

bool parseThread(std::string_view s, DWORD* out) {
  if (s.empty() || s.size() > 10) return false;
  uint64_t value = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  if (value > 0xFFFFFFFFu) return false;
  *out = static_cast<DWORD>(value);
  return true;
}

// The blank-separated fields of a line.
std::vector<std::string_view> fieldsOf(std::string_view line) {
  std::vector<std::string_view> out;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
    size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
    if (i > start) out.push_back(line.substr(start, i - start));
  }
  return out;
}

bool decodeLine(std::string_view line, pid_t owner, WindowEntry* out) {
  std::vector<std::string_view> fields = fieldsOf(line);
  if (fields.size() < 5) return false;
  uint64_t handle = 0;
  // A list names only windows of the process that wrote it; a handle of another process (or no
  // handle at all) would make EnumWindows report a window that is not there.
  if (!parseHandle(fields[0], &handle) || handle == 0 || pidOfHandle(handle) != owner) return false;
  if (!parseThread(fields[1], &out->thread)) return false;
  if (fields[2] != "0" && fields[2] != "1") return false;
  if (!fromHex(fields[3], &out->title) || !fromHex(fields[4], &out->className)) return false;
  out->hwnd = reinterpret_cast<HWND>(static_cast<uintptr_t>(handle));
  out->visible = fields[2] == "1";
  return true;
}

}  // namespace

bool decodeRequest(const void* bytes, size_t size, Request* out) {
  if (bytes == nullptr || size != sizeof(Request)) return false;
  Request r;
  std::memcpy(&r, bytes, sizeof r);
  if (r.magic != kMagic || r.kind != kSend || r.reserved != 0 || (r.flags & ~kKnownFlags) != 0) return false;
  *out = r;
  return true;
}

Response answer(const void* bytes, size_t size) {
  Response resp{0, ERROR_INVALID_PARAMETER, 0};
  Request req;
  if (!decodeRequest(bytes, size, &req)) return resp;
  HWND hwnd = reinterpret_cast<HWND>(static_cast<uintptr_t>(req.hwnd));
  if (pidOfHandle(req.hwnd) != getpid() || !IsWindow(hwnd)) {
    resp.error = ERROR_INVALID_WINDOW_HANDLE;
    return resp;
  }
  if (!allowedAcross(req.message)) {
    resp.error = ERROR_ACCESS_DENIED;
    return resp;
  }
  DWORD_PTR result = 0;
  SetLastError(ERROR_SUCCESS);
  if (SendMessageTimeoutW(hwnd, req.message, static_cast<WPARAM>(req.wParam), static_cast<LPARAM>(req.lParam),
                          req.flags, req.timeout, &result)) {
    resp.ok = 1;
    resp.error = 0;
    resp.result = static_cast<int64_t>(result);
  } else {
    resp.error = GetLastError() != 0 ? GetLastError() : ERROR_TIMEOUT;
  }
  return resp;
}

bool decodeResponse(const void* bytes, size_t size, Response* out) {
  if (bytes == nullptr || size != sizeof(Response)) return false;
  Response r;
  std::memcpy(&r, bytes, sizeof r);
  if (r.ok > 1 || (r.ok == 1) != (r.error == 0)) return false;
  *out = r;
  return true;
}

std::string encodeWindowEntry(const WindowEntry& entry) {
  static const char* digits = "0123456789abcdef";
  uint64_t handle = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(entry.hwnd));
  std::string hex;
  do {
    hex.insert(hex.begin(), digits[handle & 0xF]);
    handle >>= 4;
  } while (handle != 0);
  return hex + ' ' + std::to_string(entry.thread) + ' ' + (entry.visible ? '1' : '0') + ' ' + toHex(entry.title) + ' ' +
         toHex(entry.className) + '\n';
}

std::vector<WindowEntry> decodeWindowList(std::string_view text, pid_t owner) {
  std::vector<WindowEntry> out;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    WindowEntry entry;
    if (decodeLine(text.substr(start, end - start), owner, &entry)) out.push_back(std::move(entry));
    start = end + 1;
  }
  return out;
}

}  // namespace winapi::remote
