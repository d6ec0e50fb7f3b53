// The toolkit's folder dialog: the owner comes off the top for the dialog's time and to the
// front after it.
#include "gui/dialogs/win/FolderSelector.h"

#include "gui/IWindow.h"

#include <shlobj.h>

#include <string>

namespace s::gui::dialogs::win {
namespace {

int CALLBACK preselect(HWND dialog, UINT message, LPARAM, LPARAM folder) {
  if (message == BFFM_INITIALIZED) SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, folder);
  return 0;
}

}  // namespace

FolderSelector::FolderSelector() : m_folder(new WCHAR[kFolderUnits]()) {}

UINT FolderSelector::flagsFor(bool hasInitialFolder) {
  return BIF_NEWDIALOGSTYLE | BIF_EDITBOX | (hasInitialFolder ? BIF_VALIDATE : 0);
}

bool FolderSelector::run(IWindow* owner, const WCHAR* initialFolder, const WCHAR* title) {
  bool wasOnTop = false;
  if (owner != nullptr) {
    wasOnTop = owner->isKeepOnTop();
    if (wasOnTop) owner->setKeepOnTop(false);
  }
  std::u16string prompt =
      title != nullptr && title[0] != 0 ? title : u"Please Select the Destination";
  if (prompt.size() > MAX_PATH - 1) prompt.resize(MAX_PATH - 1);
  const bool hasInitialFolder = initialFolder != nullptr && initialFolder[0] != 0;
  WCHAR displayName[MAX_PATH] = {};
  BROWSEINFOW info{};
  info.hwndOwner = owner != nullptr ? owner->getHandle() : nullptr;
  info.pszDisplayName = displayName;
  info.lpszTitle = prompt.c_str();
  info.ulFlags = flagsFor(hasInitialFolder);
  if (hasInitialFolder) {
    info.lpfn = preselect;
    info.lParam = reinterpret_cast<LPARAM>(initialFolder);
  }
  bool chosen = false;
  PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&info);
  if (item != nullptr) {
    chosen = SHGetPathFromIDListEx(item, m_folder.get(), kFolderUnits, GPFIDL_DEFAULT) != FALSE;
    ILFree(item);
  }
  if (owner != nullptr) {
    if (wasOnTop) owner->setKeepOnTop(true);
    owner->setActive(true);
  }
  return chosen;
}

}  // namespace s::gui::dialogs::win
