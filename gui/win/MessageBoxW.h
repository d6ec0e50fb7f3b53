// The toolkit's message box: modal boxes captioned with the application's title.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"

#include <windows.h>

namespace s::gui::win {

/// Shows a text to the user in a modal box captioned with the application's title (the layer
/// captions it "Error" when there is no application object), owned by the application's main
/// window when it has one.
///
/// Pooled (`take`, `release`); holds nothing between calls, so any thread may take one and show
/// a box on its own thread.
class MessageBoxW final : public base::IObject, public virtual thread::IPoolable {
  S_POOLED_CLASS(MessageBoxW, u"s_gui_win_MessageBoxW")

  MessageBoxW() = default;
  void reset() override {}

  /// `text` with the information icon and an OK button; answers the button that closed the box
  /// (IDOK), or 0 when no box could be shown.
  int showInformation(const WCHAR* text);
  /// The same with the warning icon.
  int showWarning(const WCHAR* text);
  /// The same with the error icon.
  int showError(const WCHAR* text);
  /// A Yes/No question; true for Yes. A box that cannot be shown counts as No.
  bool askYesNo(const WCHAR* text);
  /// A Yes/No/Cancel question: false for Cancel (and when no box could be shown), otherwise
  /// true with `yes` set for Yes and cleared for No.
  bool askYesNoCancel(const WCHAR* text, bool* yes);

 private:
  int show(const WCHAR* text, UINT type);
};

/// Take a box, ask or tell, give it back.
void showInformation(const WCHAR* text);
void showError(const WCHAR* text);
bool askYesNo(const WCHAR* text);

}  // namespace s::gui::win
