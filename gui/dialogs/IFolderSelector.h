// The interface of the folder dialog.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/IPoolable.h"

#include <windows.h>

namespace s::gui {
class IWindow;
}

namespace s::gui::dialogs {

/// Asks the user for a folder. The operations keep their virtual order after the object's.
class IFolderSelector : public base::IObject, public virtual thread::IPoolable {
 public:
  /// Shows the dialog modally on the calling thread, owned by `owner` (may be null), opened on
  /// `initialFolder` when given, with `title` above the folders (null: the default prompt); true
  /// when the user chose a folder of the file system.
  virtual bool run(IWindow* owner, const WCHAR* initialFolder, const WCHAR* title) = 0;
  /// The chosen folder; empty before a choice.
  virtual const WCHAR* getFolder() = 0;
};

}  // namespace s::gui::dialogs
