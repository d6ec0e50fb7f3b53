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
};

}  // namespace s::gui::win
