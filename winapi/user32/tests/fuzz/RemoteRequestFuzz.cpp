// Fuzz target of what other processes send and publish for the cross-process window services
// (libFuzzer). The first byte chooses what the rest is: a socket request (as it arrives, or with
// its handle pointed at a real window of this process), a socket answer, or a window list.
// Contract, checked on every input (abort on a break):
// - a request that does not decode is refused with ERROR_INVALID_PARAMETER and sends nothing;
// - a request succeeds only for a window of this process and a message that may cross, and then
//   answers exactly what the window procedure returned; a refusal carries an error code;
// - a decoded answer is consistent (ok with no error, or a failure with one);
// - every window of a decoded list belongs to the process that published it, and writing the
//   decoded windows out again and reading them back gives the same windows.
#include <windows.h>

#include "testlib/FuzzContract.h"
#include "winapi/user32/remote_protocol.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>

using winapi::remote::Request;
using winapi::remote::Response;

namespace {

HWND g_window = nullptr;
int g_sent = 0;
std::string g_runtimeFolder;

LRESULT answerOf(UINT message, WPARAM wParam, LPARAM lParam) {
  return static_cast<LRESULT>(wParam * 3 + static_cast<WPARAM>(lParam)) ^ static_cast<LRESULT>(message);
}

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE || message == WM_NULL || message >= WM_USER) {
    ++g_sent;
    // A close request must not end the window the next inputs talk to.
    return answerOf(message, wParam, lParam);
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

void removeRuntimeFolder() {
  std::error_code error;
  std::filesystem::remove_all(g_runtimeFolder, error);
}

void fuzzRequest(const uint8_t* data, size_t size, bool toOurWindow) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  if (toOurWindow && bytes.size() >= offsetof(Request, hwnd) + sizeof(uint64_t)) {
    uint64_t handle = reinterpret_cast<uintptr_t>(g_window);
    std::memcpy(bytes.data() + offsetof(Request, hwnd), &handle, sizeof handle);
  }
  Request request;
  bool decodes = winapi::remote::decodeRequest(bytes.data(), bytes.size(), &request);
  g_sent = 0;
  Response response = winapi::remote::answer(bytes.data(), bytes.size());
  FUZZ_CHECK(response.ok == 0 || response.ok == 1);
  FUZZ_CHECK((response.ok == 1) == (response.error == 0));
  if (!decodes) {
    FUZZ_CHECK(response.ok == 0 && response.error == ERROR_INVALID_PARAMETER && response.result == 0 && g_sent == 0);
    return;
  }
  bool ours = request.hwnd == reinterpret_cast<uintptr_t>(g_window);
  bool crosses = winapi::remote::allowedAcross(request.message);
  if (response.ok) {
    FUZZ_CHECK(ours && crosses && g_sent == 1);
    FUZZ_CHECK(response.result == static_cast<int64_t>(answerOf(request.message, static_cast<WPARAM>(request.wParam),
                                                                static_cast<LPARAM>(request.lParam))));
  } else {
    FUZZ_CHECK(g_sent == 0);
    FUZZ_CHECK(!ours ? response.error == ERROR_INVALID_WINDOW_HANDLE : response.error == ERROR_ACCESS_DENIED);
  }
}

void fuzzResponse(const uint8_t* data, size_t size) {
  Response response;
  if (!winapi::remote::decodeResponse(data, size, &response)) return;
  FUZZ_CHECK(size == sizeof(Response));
  FUZZ_CHECK(response.ok <= 1 && (response.ok == 1) == (response.error == 0));
}

void fuzzWindowList(const uint8_t* data, size_t size) {
  // The owner's pid comes from the input, so lists of other processes are read too.
  if (size < 4) return;
  uint32_t owner = 0;
  std::memcpy(&owner, data, sizeof owner);
  owner &= 0x3FFFFFFF;
  std::string_view text(reinterpret_cast<const char*>(data + 4), size - 4);
  std::vector<winapi::remote::WindowEntry> entries = winapi::remote::decodeWindowList(text, static_cast<pid_t>(owner));
  std::string written;
  for (const winapi::remote::WindowEntry& entry : entries) {
    uint64_t handle = reinterpret_cast<uintptr_t>(entry.hwnd);
    FUZZ_CHECK(handle != 0 && winapi::remote::pidOfHandle(handle) == static_cast<pid_t>(owner));
    written += winapi::remote::encodeWindowEntry(entry);
  }
  FUZZ_CHECK(winapi::remote::decodeWindowList(written, static_cast<pid_t>(owner)) == entries);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The window is published like any top-level window; its files go to a folder of our own.
  char folder[] = "/tmp/lumetra-remote-fuzz-XXXXXX";
  if (mkdtemp(folder) == nullptr) std::abort();
  g_runtimeFolder = folder;
  std::atexit(removeRuntimeFolder);
  setenv("XDG_RUNTIME_DIR", folder, 1);
  setenv("LUMETRA_DISPLAY", "headless", 1);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = windowProc;
  wc.lpszClassName = u"RemoteRequestFuzz";
  RegisterClassExW(&wc);
  g_window = CreateWindowExW(0, u"RemoteRequestFuzz", u"fuzz", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                             nullptr);
  if (g_window == nullptr) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 1 << 16) return 0;
  switch (data[0] % 4) {
    case 0: fuzzRequest(data + 1, size - 1, false); break;
    case 1: fuzzRequest(data + 1, size - 1, true); break;
    case 2: fuzzResponse(data + 1, size - 1); break;
    default: fuzzWindowList(data + 1, size - 1); break;
  }
  return 0;
}
