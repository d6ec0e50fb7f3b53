// The interface of the file dialog: open (one file or several) or save.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/IPoolable.h"

#include <windows.h>

namespace s::str::strarray {
class StrArray;
}

namespace s::gui {
class IWindow;
}

namespace s::gui::dialogs {

/// Asks the user for files to open or a file to save. Every setter takes null as an empty text.
/// The operations keep their virtual order after the object's.
class IFileOpener : public base::IObject, public virtual thread::IPoolable {
 public:
  /// Shows the dialog modally on the calling thread, owned by `owner` (may be null); true when
  /// the user chose. A dialog that cannot be shown counts as Cancel.
  virtual bool run(IWindow* owner) = 0;
  /// An open dialog, with or without multiple selection; false for `dereferenceLinks` returns a
  /// chosen link as itself.
  virtual void setOpenMode(bool multipleSelection, bool dereferenceLinks) = 0;
  virtual void setSaveMode() = 0;
  /// The chosen path; with multiple selection the first.
  virtual const WCHAR* getPath() = 0;
  /// Every chosen path in the dialog's order.
  virtual str::strarray::StrArray* getPaths() = 0;
  virtual void setInitialFolder(const WCHAR* folder) = 0;
  virtual void setFileName(const WCHAR* name) = 0;
  virtual void setDefaultExtension(const WCHAR* extension) = 0;
  /// Adds a file type: its description and its ";"-separated patterns. The first one added is
  /// chosen at the start.
  virtual void addFilter(const WCHAR* description, const WCHAR* pattern) = 0;
};

}  // namespace s::gui::dialogs
