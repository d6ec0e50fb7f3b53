// The toolkit's file dialog over the framework's, for opening one file or several, or saving.
#pragma once

#include "core/str/strarray/StrArray.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "core/thread/ClassTail.h"
#include "gui/dialogs/IFileOpener.h"

#include <string>

namespace s::gui::dialogs::win {

/// Pooled; reset returns to an open dialog of one file with no texts and no filters. One thread
/// at a time.
class FileOpener final : public IFileOpener {
  S_POOLED_CLASS(FileOpener, u"s_gui_dialogs_win_FileOpener")

  FileOpener() = default;
  void reset() override;

  bool run(IWindow* owner) override;
  void setOpenMode(bool multipleSelection, bool dereferenceLinks) override;
  void setSaveMode() override;
  const WCHAR* getPath() override { return m_path.getCStr(); }
  str::strarray::StrArray* getPaths() override { return &m_paths; }
  void setInitialFolder(const WCHAR* folder) override;
  void setFileName(const WCHAR* name) override;
  void setDefaultExtension(const WCHAR* extension) override;
  void addFilter(const WCHAR* description, const WCHAR* pattern) override;

  /// The filter in the framework's form: each description and pattern followed by "|", and
  /// one more "|"; empty without filters.
  std::u16string filterText();
  /// The dialog's flags for the current mode.
  DWORD flags() const;

 private:
  bool m_openMode = true;
  str::strbuffer::StrBuffer m_path;
  str::strbuffer::StrBuffer m_initialFolder;
  str::strbuffer::StrBuffer m_fileName;
  str::strbuffer::StrBuffer m_defaultExtension;
  str::strbuffer::StrBuffer m_filter;
  bool m_dereferenceLinks = true;
  bool m_multipleSelection = false;
  str::strarray::StrArray m_paths;
};

}  // namespace s::gui::dialogs::win
