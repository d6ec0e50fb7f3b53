// The texts the window system draws, as a test sees them: every run of text drawn while a
// recorder lives, with the box it takes and the rectangle it was clipped to, from any thread.
#pragma once

#include <windows.h>
#include <winseam.h>

#include <mutex>
#include <string>
#include <vector>

namespace lumetra::apptest {

struct DrawnText {
  HWND window;  // the window whose DC it was drawn in; null for a memory DC
  std::u16string text;
  RECT box;
  RECT clip;
  int missingUnit;  // the first unit drawn as the missing-glyph box, or -1
};

/// Records the text runs drawn while it lives; one recorder at a time.
class TextRuns {
 public:
  TextRuns() { m_previous = winapi::seam::replaceTextRunObserver(&TextRuns::observe); }
  ~TextRuns() {
    winapi::seam::replaceTextRunObserver(m_previous);
    clear();
  }
  TextRuns(const TextRuns&) = delete;
  TextRuns& operator=(const TextRuns&) = delete;

  std::vector<DrawnText> taken() const {
    std::lock_guard<std::mutex> guard(lock());
    return runs();
  }
  void clear() {
    std::lock_guard<std::mutex> guard(lock());
    runs().clear();
  }

  /// Whether a run shows whole: its box lies inside the rectangle it was clipped to (a pixel
  /// of slack on each side for glyphs that overhang their advance), or nothing of it shows.
  static bool whole(const DrawnText& run) {
    if (run.clip.right <= run.clip.left || run.clip.bottom <= run.clip.top) {
      return true;
    }
    return run.box.left >= run.clip.left - 1 && run.box.right <= run.clip.right + 1;
  }

 private:
  static std::mutex& lock() {
    static std::mutex m;
    return m;
  }
  static std::vector<DrawnText>& runs() {
    static std::vector<DrawnText> r;
    return r;
  }
  static void observe(const winapi::seam::TextRunDrawn& run) {
    std::lock_guard<std::mutex> guard(lock());
    runs().push_back(DrawnText{::WindowFromDC(run.dc),
                               std::u16string(run.text, static_cast<size_t>(run.count)), run.box,
                               run.clip, run.missingUnit});
  }

  winapi::seam::TextRunObserver m_previous = nullptr;
};

/// UTF-8 of a text, for failure messages.
inline std::string utf8Of(const std::u16string& text) {
  std::string out;
  int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                nullptr, nullptr);
  out.resize(static_cast<size_t>(n));
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, nullptr);
  return out;
}

}  // namespace lumetra::apptest
