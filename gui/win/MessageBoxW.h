// The toolkit's message box: modal boxes captioned with the application's title.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"
#include "gui/IMessageBox.h"

#include <windows.h>
#include <afxwin.h>

namespace s::gui::win {

/// Shows a text to the user in a modal box captioned with the application's title (the layer
/// captions it "Error" when there is no application object). The box belongs to the calling
/// thread's active window, else to the application's main window, else to no window; its owner
/// is disabled while it shows.
///
/// Pooled (`take`, `release`); holds nothing between calls, so any thread may take one and show
/// a box on its own thread. Its window part stays unattached.
class MessageBoxW final : public IMessageBox,
                          public base::IObject,
                          public virtual thread::IPoolable,
                          public CWnd {
  S_POOLED_CLASS(MessageBoxW, u"s_gui_win_MessageBoxW")

  MessageBoxW() = default;
  void reset() override {}

  // IMessageBox
  int showInformation(const WCHAR* text) override;
  int showWarning(const WCHAR* text) override;
  int showError(const WCHAR* text) override;
  bool askYesNo(const WCHAR* text) override;
  bool askYesNoCancel(const WCHAR* text, bool* yes) override;

 private:
  int show(const WCHAR* text, UINT type);
};

/// Take a box, ask or tell, give it back.
void showInformation(const WCHAR* text);
void showError(const WCHAR* text);
bool askYesNo(const WCHAR* text);

}  // namespace s::gui::win
