// The interface of the toolkit's message box: tell the user something, or ask Yes or No.
#pragma once

#include <windows.h>

namespace s::gui {

/// A modal box with one text and the buttons of its kind; each call shows a box and waits for
/// the answer on the calling thread. The operations keep their virtual order.
class IMessageBox {
 public:
  virtual ~IMessageBox() = default;
  /// The information icon and OK; answers the button that closed the box, 0 when none showed.
  virtual int showInformation(const WCHAR* text) = 0;
  /// The warning icon and OK; answers as `showInformation`.
  virtual int showWarning(const WCHAR* text) = 0;
  /// The error icon and OK; answers as `showInformation`.
  virtual int showError(const WCHAR* text) = 0;
  /// The question icon, Yes and No: true for Yes. A box that cannot be shown counts as No.
  virtual bool askYesNo(const WCHAR* text) = 0;
  /// The question icon, Yes, No and Cancel: false for Cancel (and when no box could be shown),
  /// else true with `yes` set for Yes and cleared for No.
  virtual bool askYesNoCancel(const WCHAR* text, bool* yes) = 0;
};

}  // namespace s::gui
