// The toolkit's folder dialog over the shell's folder browser.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/dialogs/IFolderSelector.h"

#include <memory>

namespace s::gui::dialogs::win {

/// Pooled; reset empties the chosen folder. One thread at a time.
class FolderSelector final : public IFolderSelector {
  S_POOLED_CLASS(FolderSelector, u"s_gui_dialogs_win_FolderSelector")

  /// The room for the chosen folder: the longest path of the system, not MAX_PATH, so a deep
  /// Linux folder is a choice and not a Cancel.
  static constexpr DWORD kFolderUnits = 32768;

  FolderSelector();
  void reset() override { m_folder[0] = 0; }

  bool run(IWindow* owner, const WCHAR* initialFolder, const WCHAR* title) override;
  const WCHAR* getFolder() override { return m_folder.get(); }

  /// The flags the browser gets: an edit box in the new style, and validation of typed paths
  /// when it opens on a folder.
  static UINT flagsFor(bool hasInitialFolder);

 private:
  std::unique_ptr<WCHAR[]> m_folder;
};

}  // namespace s::gui::dialogs::win
