// Test support of the layer: a window class whose procedure records the messages it receives,
// and a comparison of the record with an expected table of {window, message, flags, wParam}
// rows that prints both on a mismatch.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

/// A message as it was recorded.
struct Seen {
  std::string window;  // the name the test gave the window, "(new)" before it had one
  UINT message;
  WPARAM wParam;
};

/// Flags of an expected row.
enum ExpectFlags : unsigned {
  kExact = 0,
  kOptional = 1,     // may be missing: some paths send it, others do not
  kCheckWParam = 2,  // the recorded wParam must equal the row's
};

/// One row of an expected message sequence.
struct Expected {
  std::string window;
  UINT message;
  unsigned flags = kExact;
  WPARAM wParam = 0;

  bool matches(const Seen& seen) const {
    return seen.window == window && seen.message == message && ((flags & kCheckWParam) == 0 || seen.wParam == wParam);
  }
};

/// Messages the sequences leave out: they come in bursts that depend on pointer and caption
/// details, not on the order under test.
inline bool isNoise(UINT m) {
  return m == WM_SETCURSOR || m == WM_NCHITTEST || m == WM_GETTEXT || m == WM_GETTEXTLENGTH || m == WM_GETICON ||
         m == WM_NCMOUSEMOVE || m == WM_MOUSEMOVE;
}

inline const char* messageName(UINT m) {
  static const std::map<UINT, const char*> names = {{WM_CREATE, "WM_CREATE"},
                                                    {WM_DESTROY, "WM_DESTROY"},
                                                    {WM_MOVE, "WM_MOVE"},
                                                    {WM_SIZE, "WM_SIZE"},
                                                    {WM_ACTIVATE, "WM_ACTIVATE"},
                                                    {WM_SETFOCUS, "WM_SETFOCUS"},
                                                    {WM_KILLFOCUS, "WM_KILLFOCUS"},
                                                    {WM_ENABLE, "WM_ENABLE"},
                                                    {WM_SETTEXT, "WM_SETTEXT"},
                                                    {WM_PAINT, "WM_PAINT"},
                                                    {WM_CLOSE, "WM_CLOSE"},
                                                    {WM_QUIT, "WM_QUIT"},
                                                    {WM_ERASEBKGND, "WM_ERASEBKGND"},
                                                    {WM_SHOWWINDOW, "WM_SHOWWINDOW"},
                                                    {WM_MOUSEACTIVATE, "WM_MOUSEACTIVATE"},
                                                    {WM_GETMINMAXINFO, "WM_GETMINMAXINFO"},
                                                    {WM_WINDOWPOSCHANGING, "WM_WINDOWPOSCHANGING"},
                                                    {WM_WINDOWPOSCHANGED, "WM_WINDOWPOSCHANGED"},
                                                    {WM_NCCREATE, "WM_NCCREATE"},
                                                    {WM_NCDESTROY, "WM_NCDESTROY"},
                                                    {WM_NCCALCSIZE, "WM_NCCALCSIZE"},
                                                    {WM_NCPAINT, "WM_NCPAINT"},
                                                    {WM_NCACTIVATE, "WM_NCACTIVATE"},
                                                    {WM_PARENTNOTIFY, "WM_PARENTNOTIFY"},
                                                    {WM_TIMER, "WM_TIMER"},
                                                    {WM_LBUTTONDOWN, "WM_LBUTTONDOWN"},
                                                    {WM_LBUTTONUP, "WM_LBUTTONUP"},
                                                    {WM_LBUTTONDBLCLK, "WM_LBUTTONDBLCLK"},
                                                    {WM_CAPTURECHANGED, "WM_CAPTURECHANGED"},
                                                    {WM_KEYDOWN, "WM_KEYDOWN"},
                                                    {WM_KEYUP, "WM_KEYUP"},
                                                    {WM_CHAR, "WM_CHAR"},
                                                    {WM_DROPFILES, "WM_DROPFILES"},
                                                    {WM_STYLECHANGING, "WM_STYLECHANGING"},
                                                    {WM_STYLECHANGED, "WM_STYLECHANGED"},
                                                    {WM_SYSCOMMAND, "WM_SYSCOMMAND"},
                                                    {WM_USER, "WM_USER"}};
  auto it = names.find(m);
  return it == names.end() ? "?" : it->second;
}

inline std::string describe(const std::vector<Seen>& list) {
  std::ostringstream out;
  for (const Seen& s : list) {
    out << "  " << s.window << " " << messageName(s.message) << " (0x" << std::hex << s.message << ") wParam 0x"
        << s.wParam << std::dec << "\n";
  }
  return out.str();
}

inline std::string describe(const std::vector<Expected>& list) {
  std::ostringstream out;
  for (const Expected& e : list) {
    out << "  " << e.window << " " << messageName(e.message) << " (0x" << std::hex << e.message << ")";
    if (e.flags & kCheckWParam) out << " wParam 0x" << e.wParam;
    out << std::dec << ((e.flags & kOptional) ? " optional" : "") << "\n";
  }
  return out.str();
}

/// Whether the recorded messages follow the table: each row matches the next message, except an
/// optional row, which may also be skipped; nothing may be left over on either side. A mismatch
/// prints both lists and where they part.
inline ::testing::AssertionResult matchesSequence(const std::vector<Seen>& actual,
                                                  const std::vector<Expected>& expected) {
  size_t a = 0;
  size_t e = 0;
  while (e < expected.size()) {
    if (a < actual.size() && expected[e].matches(actual[a])) {
      ++a;
      ++e;
    } else if (expected[e].flags & kOptional) {
      ++e;
    } else {
      break;
    }
  }
  if (e == expected.size() && a == actual.size()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "the sequences part at expected row " << e << ", recorded message " << a
                                       << "\nexpected:\n"
                                       << describe(expected) << "actual:\n"
                                       << describe(actual);
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

#define EXPECT_SEQUENCE(actual, ...) EXPECT_TRUE(matchesSequence((actual), std::vector<Expected>{__VA_ARGS__}))
