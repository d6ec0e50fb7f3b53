// The toolkit's file dialog: the owner is held in its modal state (and off the top) while the
// framework's dialog runs on the calling thread.
#include "gui/dialogs/win/FileOpener.h"

#include "gui/IWindow.h"
#include "gui/dialogs/win/FileDialogEx.h"

#include <memory>
#include <new>

namespace s::gui::dialogs::win {
namespace {

// Room for 129998 characters of names and the closing NULs: 260000 bytes.
constexpr DWORD kMultipleSelectionUnits = 260000 / sizeof(char16_t);

const WCHAR* orEmpty(const WCHAR* text) { return text != nullptr ? text : u""; }

}  // namespace

void FileOpener::reset() {
  m_openMode = true;
  m_path.clear();
  m_initialFolder.clear();
  m_fileName.clear();
  m_defaultExtension.clear();
  m_filter.clear();
  m_dereferenceLinks = true;
  m_multipleSelection = false;
  m_paths.clear();
}

void FileOpener::setOpenMode(bool multipleSelection, bool dereferenceLinks) {
  m_openMode = true;
  m_multipleSelection = multipleSelection;
  m_dereferenceLinks = dereferenceLinks;
}

void FileOpener::setSaveMode() { m_openMode = false; }

void FileOpener::setInitialFolder(const WCHAR* folder) { m_initialFolder.assign(orEmpty(folder)); }

void FileOpener::setFileName(const WCHAR* name) { m_fileName.assign(orEmpty(name)); }

void FileOpener::setDefaultExtension(const WCHAR* extension) {
  m_defaultExtension.assign(orEmpty(extension));
}

void FileOpener::addFilter(const WCHAR* description, const WCHAR* pattern) {
  m_filter.append(orEmpty(description));
  m_filter.append(u"|");
  m_filter.append(orEmpty(pattern));
  m_filter.append(u"|");
}

std::u16string FileOpener::filterText() {
  std::u16string text(m_filter.getCStr());
  if (!text.empty()) text += u'|';
  return text;
}

DWORD FileOpener::flags() const {
  DWORD flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_ENABLESIZING;
  if (m_openMode && m_multipleSelection) flags |= OFN_ALLOWMULTISELECT;
  if (!m_dereferenceLinks) flags |= OFN_NODEREFERENCELINKS;
  return flags;
}

bool FileOpener::run(IWindow* owner) {
  m_paths.clear();
  m_path.clear();
  bool wasOnTop = false;
  if (owner != nullptr) {
    owner->setModalState(true);
    wasOnTop = owner->isKeepOnTop();
    if (wasOnTop) owner->setKeepOnTop(false);
  }
  const std::u16string filter = filterText();
  const bool multiple = m_openMode && m_multipleSelection;
  const WCHAR* extension =
      m_defaultExtension.getLength() > 0 ? m_defaultExtension.getCStr() : nullptr;
  const WCHAR* name = m_fileName.getLength() > 0 ? m_fileName.getCStr() : nullptr;
  FileDialogEx dialog(m_openMode, extension, name, flags(),
                      filter.empty() ? nullptr : filter.c_str(), nullptr);
  dialog.m_ofn.hwndOwner = owner != nullptr ? owner->getHandle() : nullptr;
  if (m_initialFolder.getLength() > 0) dialog.m_ofn.lpstrInitialDir = m_initialFolder.getCStr();
  std::unique_ptr<char16_t[]> names;
  bool chosen = false;
  if (multiple) {
    names.reset(new (std::nothrow) char16_t[kMultipleSelectionUnits]());
    if (names != nullptr) {
      std::char_traits<char16_t>::copy(
          names.get(), dialog.m_ofn.lpstrFile,
          std::char_traits<char16_t>::length(dialog.m_ofn.lpstrFile) + 1);
      dialog.m_ofn.lpstrFile = names.get();
      dialog.m_ofn.nMaxFile = kMultipleSelectionUnits;
    }
  }
  // A missing name buffer counts as a dialog that could not open: Cancel.
  if (!multiple || names != nullptr) chosen = dialog.DoModal() == IDOK;
  if (chosen && multiple) {
    POSITION position = dialog.GetStartPosition();
    while (position != nullptr) {
      const std::u16string path = dialog.GetNextPathName(position);
      if (m_paths.getCount() == 0) m_path.assign(path.c_str());
      m_paths.addText(path.c_str());
    }
  } else if (chosen) {
    const std::u16string path = dialog.GetPathName();
    m_path.assign(path.c_str());
    m_paths.addText(path.c_str());
  }
  if (owner != nullptr) {
    owner->setModalState(false);
    if (wasOnTop) owner->setKeepOnTop(true);
  }
  return chosen;
}

}  // namespace s::gui::dialogs::win
