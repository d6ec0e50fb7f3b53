// The file dialog's file-type change.
#include "gui/dialogs/win/FileDialogEx.h"

namespace s::gui::dialogs::win {

IMPLEMENT_DYNAMIC(FileDialogEx, CFileDialog)

FileDialogEx::FileDialogEx(bool openMode, LPCWSTR defaultExtension, LPCWSTR fileName, DWORD flags,
                           LPCWSTR filter, CWnd* parent)
    : CFileDialog(openMode ? TRUE : FALSE, defaultExtension, fileName, flags, filter, parent),
      m_openMode(openMode) {}

std::u16string FileDialogEx::nameForType(const std::u16string& pathName,
                                         const std::u16string& pattern) {
  const size_t dot = pattern.rfind(u'.');
  if (pathName.empty() || dot == std::u16string::npos) return std::u16string();
  // An extension the name has already stays in front of the new one.
  const std::u16string path = pathName + pattern.substr(dot);
  const size_t slash = path.find_last_of(u"\\/");
  return slash == std::u16string::npos ? path : path.substr(slash + 1);
}

std::u16string FileDialogEx::patternAt(LPCWSTR filter, DWORD index) {
  if (filter == nullptr || index == 0) return std::u16string();
  const char16_t* at = filter;
  for (DWORD entry = 1; *at != 0; ++entry) {
    const std::u16string description(at);
    at += description.size() + 1;
    if (*at == 0) break;
    const std::u16string pattern(at);
    if (entry == index) return pattern;
    at += pattern.size() + 1;
  }
  return std::u16string();
}

void FileDialogEx::OnTypeChange() {
  if (m_openMode) return;
  const std::u16string name =
      nameForType(GetPathName(), patternAt(m_ofn.lpstrFilter, m_ofn.nFilterIndex));
  if (!name.empty()) SetControlText(1148, name.c_str());
}

}  // namespace s::gui::dialogs::win
