// Test support: a window class whose procedure records the messages it receives, and a
// comparison of the record with an expected table that prints both on a mismatch.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

struct Seen {
  std::string window;  // the name the test gave the window
  UINT message;
  WPARAM wParam;

  bool operator==(const Seen& o) const { return window == o.window && message == o.message; }
};

/// Messages the sequences leave out: they come in bursts that depend on pointer and caption
/// details, not on the order under test.
inline bool isNoise(UINT m) {
  return m == WM_SETCURSOR || m == WM_NCHITTEST || m == WM_GETTEXT || m == WM_GETTEXTLENGTH || m == WM_GETICON ||
         m == WM_NCMOUSEMOVE || m == WM_MOUSEMOVE;
}

inline const char* messageName(UINT m) {
  static const std::map<UINT, const char*> names = {
      {WM_CREATE, "WM_CREATE"}, {WM_DESTROY, "WM_DESTROY"}, {WM_MOVE, "WM_MOVE"}, {WM_SIZE, "WM_SIZE"},
      {WM_ACTIVATE, "WM_ACTIVATE"}, {WM_SETFOCUS, "WM_SETFOCUS"}, {WM_KILLFOCUS, "WM_KILLFOCUS"},
      {WM_ENABLE, "WM_ENABLE"}, {WM_SETTEXT, "WM_SETTEXT"}, {WM_PAINT, "WM_PAINT"}, {WM_CLOSE, "WM_CLOSE"},
      {WM_QUIT, "WM_QUIT"}, {WM_ERASEBKGND, "WM_ERASEBKGND"}, {WM_SHOWWINDOW, "WM_SHOWWINDOW"},
      {WM_MOUSEACTIVATE, "WM_MOUSEACTIVATE"}, {WM_GETMINMAXINFO, "WM_GETMINMAXINFO"},
      {WM_WINDOWPOSCHANGING, "WM_WINDOWPOSCHANGING"}, {WM_WINDOWPOSCHANGED, "WM_WINDOWPOSCHANGED"},
      {WM_NCCREATE, "WM_NCCREATE"}, {WM_NCDESTROY, "WM_NCDESTROY"}, {WM_NCCALCSIZE, "WM_NCCALCSIZE"},
      {WM_NCPAINT, "WM_NCPAINT"}, {WM_NCACTIVATE, "WM_NCACTIVATE"}, {WM_PARENTNOTIFY, "WM_PARENTNOTIFY"},
      {WM_TIMER, "WM_TIMER"}, {WM_LBUTTONDOWN, "WM_LBUTTONDOWN"}, {WM_LBUTTONUP, "WM_LBUTTONUP"},
      {WM_LBUTTONDBLCLK, "WM_LBUTTONDBLCLK"}, {WM_CAPTURECHANGED, "WM_CAPTURECHANGED"},
      {WM_KEYDOWN, "WM_KEYDOWN"}, {WM_KEYUP, "WM_KEYUP"}, {WM_CHAR, "WM_CHAR"}, {WM_DROPFILES, "WM_DROPFILES"},
      {WM_STYLECHANGING, "WM_STYLECHANGING"}, {WM_STYLECHANGED, "WM_STYLECHANGED"},
      {WM_SYSCOMMAND, "WM_SYSCOMMAND"}, {WM_USER, "WM_USER"}};
  auto it = names.find(m);
  return it == names.end() ? "?" : it->second;
}

inline std::string describe(const std::vector<Seen>& list) {
  std::ostringstream out;
  for (const Seen& s : list) out << "  " << s.window << " " << messageName(s.message) << " (0x" << std::hex << s.message << std::dec << ")\n";
  return out.str();
}

/// Records messages of the windows it names, from any thread.
class Recorder {
 public:
  static Recorder& instance() {
    static Recorder r;
    return r;
  }
  void name(HWND hwnd, const std::string& name) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_names[hwnd] = name;
  }
  void record(HWND hwnd, UINT message, WPARAM wParam) {
    if (isNoise(message)) return;
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_on) return;
    auto it = m_names.find(hwnd);
    m_seen.push_back(Seen{it == m_names.end() ? "(new)" : it->second, message, wParam});
  }
  void start() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_seen.clear();
    m_on = true;
  }
  std::vector<Seen> stop() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_on = false;
    return m_seen;
  }

 private:
  std::mutex m_lock;
  std::map<HWND, std::string> m_names;
  std::vector<Seen> m_seen;
  bool m_on = false;
};

inline LRESULT CALLBACK recordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Recorder::instance().record(hwnd, message, wParam);
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

inline void registerRecordingClass() {
  static bool done = false;
  if (done) return;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = recordingProc;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = u"Recording";
  RegisterClassExW(&wc);
  done = true;
}

/// Runs every message that is waiting, painting included, then returns.
inline void pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

#define EXPECT_SEQUENCE(actual, ...)                                                          \
  do {                                                                                      \
    std::vector<Seen> expected__ = {__VA_ARGS__};                                           \
    EXPECT_TRUE(actual == expected__) << "expected:\n" << describe(expected__) << "actual:\n" << describe(actual); \
  } while (0)
