// The framework's file dialog with the file-type change of save dialogs.
#pragma once

#include <windows.h>
#include <afxdlgs.h>

#include <string>

namespace s::gui::dialogs::win {

/// A save dialog rewrites the name field when the user picks another file type: the extension
/// of the type's pattern is appended to the current name ("song" with "*.wav" becomes
/// "song.wav"; "song.mp3" becomes "song.mp3.wav"). An open dialog leaves the name alone.
class FileDialogEx : public CFileDialog {
  DECLARE_DYNAMIC(FileDialogEx)
 public:
  FileDialogEx(bool openMode, LPCWSTR defaultExtension, LPCWSTR fileName, DWORD flags,
               LPCWSTR filter, CWnd* parent);
  ~FileDialogEx() override = default;

  /// The name (without its folder) that `pathName` becomes for the file type `pattern`; empty
  /// when nothing changes (no name, or a pattern without an extension).
  static std::u16string nameForType(const std::u16string& pathName, const std::u16string& pattern);
  /// The pattern of the filter entry `index` (1-based) of a NUL-separated filter; empty when
  /// there is none.
  static std::u16string patternAt(LPCWSTR filter, DWORD index);

 protected:
  void OnTypeChange() override;

 private:
  bool m_openMode;
};

}  // namespace s::gui::dialogs::win
