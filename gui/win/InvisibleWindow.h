// The hidden owner of every top-level frame.
#pragma once

#include <windows.h>
#include <afxwin.h>

namespace s::gui::win {

/// A hidden tool window that owns a frame, so the frame never stands in the taskbar on its own
/// and goes with its owner. Made and destroyed on the window's UI thread.
class InvisibleWindow : public CWnd {
 public:
  InvisibleWindow() = default;
  /// Closes and destroys the native window (and with it the frame it owns).
  ~InvisibleWindow() override;

  /// Makes the hidden window; false, after telling the user, when it could not be made.
  bool create();
  HWND getHandle() const { return m_handle; }

 private:
  HWND m_handle = nullptr;
};

}  // namespace s::gui::win
