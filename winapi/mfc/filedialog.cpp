// The framework's open, save and colour dialogs over the layer's common dialogs. The file dialog
// runs with an explorer-style hook whose child window is the object's window while the dialog is
// open; the hook turns the CDN_* notifications into the virtual On... calls.
#include <windows.h>
#include <afxdlgs.h>
#include <afxwin.h>

#include <cstring>

IMPLEMENT_DYNAMIC(CFileDialog, CWnd)
IMPLEMENT_DYNAMIC(CColorDialog, CWnd)

CFileDialog::CFileDialog(BOOL openFileDialog, LPCWSTR defaultExtension, LPCWSTR fileName, DWORD flags, LPCWSTR filter,
                         CWnd* parent)
    : m_bOpenFileDialog(openFileDialog) {
  m_ofn.lStructSize = sizeof m_ofn;
  m_ofn.hwndOwner = parent != nullptr ? parent->m_hWnd : nullptr;
  m_ofn.lpstrFile = m_fileName;
  m_ofn.nMaxFile = MAX_PATH;
  m_ofn.lpstrFileTitle = m_fileTitle;
  m_ofn.nMaxFileTitle = MAX_PATH;
  m_ofn.Flags = flags | OFN_EXPLORER | OFN_ENABLEHOOK;
  m_ofn.lpstrDefExt = defaultExtension;
  if (fileName != nullptr) {
    size_t length = std::char_traits<char16_t>::length(fileName);
    if (length >= MAX_PATH) length = MAX_PATH - 1;
    std::memcpy(m_fileName, fileName, length * sizeof(char16_t));
    m_fileName[length] = 0;
  }
  if (filter != nullptr) {
    // "a|*.a|b|*.b||" becomes the NUL-separated pairs the dialog reads.
    m_filter = filter;
    for (char16_t& c : m_filter) {
      if (c == u'|') c = 0;
    }
    m_filter += u'\0';
    m_ofn.lpstrFilter = m_filter.c_str();
  }
}

CFileDialog::~CFileDialog() { m_hWnd = nullptr; }

UINT_PTR CALLBACK CFileDialog::hookProc(HWND hook, UINT message, WPARAM, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* ofn = reinterpret_cast<OPENFILENAMEW*>(lParam);
    auto* self = reinterpret_cast<CFileDialog*>(ofn->lCustData);
    SetWindowLongPtrW(hook, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    if (self != nullptr) self->m_hWnd = hook;
    return TRUE;
  }
  auto* self = reinterpret_cast<CFileDialog*>(GetWindowLongPtrW(hook, DWLP_USER));
  if (self == nullptr || message != WM_NOTIFY) return FALSE;
  const auto* note = reinterpret_cast<const OFNOTIFYW*>(lParam);
  switch (note->hdr.code) {
    case CDN_INITDONE: self->OnInitDone(); break;
    case CDN_SELCHANGE: self->OnFileNameChange(); break;
    case CDN_FOLDERCHANGE: self->OnFolderChange(); break;
    case CDN_TYPECHANGE: self->OnTypeChange(); break;
    case CDN_FILEOK: SetWindowLongPtrW(hook, DWLP_MSGRESULT, self->OnFileNameOK() ? 1 : 0); return TRUE;
    default: return FALSE;
  }
  return TRUE;
}

INT_PTR CFileDialog::DoModal() {
  m_ofn.Flags |= OFN_EXPLORER | OFN_ENABLEHOOK;
  m_ofn.lpfnHook = &CFileDialog::hookProc;
  m_ofn.lCustData = reinterpret_cast<LPARAM>(this);
  BOOL chosen = m_bOpenFileDialog ? GetOpenFileNameW(&m_ofn) : GetSaveFileNameW(&m_ofn);
  m_hWnd = nullptr;
  return chosen ? IDOK : IDCANCEL;
}

std::u16string CFileDialog::askDialog(UINT message) const {
  HWND dialog = ::GetParent(m_hWnd);
  LRESULT size = SendMessageW(dialog, message, 0, 0);
  if (size <= 0) return std::u16string();
  std::u16string out(static_cast<size_t>(size), u'\0');
  SendMessageW(dialog, message, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(out.data()));
  out.resize(std::char_traits<char16_t>::length(out.c_str()));
  return out;
}

std::u16string CFileDialog::GetPathName() const {
  if (m_hWnd != nullptr) return askDialog(CDM_GETFILEPATH);
  if (m_ofn.lpstrFile == nullptr) return std::u16string();
  if ((m_ofn.Flags & OFN_ALLOWMULTISELECT) != 0) {
    POSITION position = GetStartPosition();
    return position != nullptr ? GetNextPathName(position) : std::u16string();
  }
  return m_ofn.lpstrFile;
}

std::u16string CFileDialog::GetFileName() const {
  if (m_hWnd != nullptr) return askDialog(CDM_GETSPEC);
  if (m_ofn.lpstrFile == nullptr || m_ofn.nFileOffset >= m_ofn.nMaxFile) return std::u16string();
  return m_ofn.lpstrFile + m_ofn.nFileOffset;
}

std::u16string CFileDialog::GetFileExt() const {
  std::u16string path = m_hWnd != nullptr ? askDialog(CDM_GETFILEPATH) : GetPathName();
  size_t slash = path.find_last_of(u"\\/");
  size_t dot = path.rfind(u'.');
  if (dot == std::u16string::npos || (slash != std::u16string::npos && dot < slash)) return std::u16string();
  return path.substr(dot + 1);
}

std::u16string CFileDialog::GetFolderPath() const {
  if (m_hWnd != nullptr) return askDialog(CDM_GETFOLDERPATH);
  if (m_ofn.lpstrFile == nullptr || m_ofn.nFileOffset == 0) return std::u16string();
  std::u16string folder(m_ofn.lpstrFile, m_ofn.nFileOffset - 1);
  // A single path keeps its separator before the name; the list form has a NUL there.
  if (m_ofn.lpstrFile[m_ofn.nFileOffset - 1] != 0 && folder.size() == 2) folder += u'\\';
  return folder;
}

POSITION CFileDialog::GetStartPosition() const {
  if (m_ofn.lpstrFile == nullptr || m_ofn.lpstrFile[0] == 0) return nullptr;
  return reinterpret_cast<POSITION>(m_ofn.lpstrFile);
}

std::u16string CFileDialog::GetNextPathName(POSITION& position) const {
  const char16_t* at = reinterpret_cast<const char16_t*>(position);
  const char16_t* buffer = m_ofn.lpstrFile;
  if (at == nullptr || buffer == nullptr) {
    position = nullptr;
    return std::u16string();
  }
  // One file: the whole path. Several: the folder, then each name after its NUL.
  const bool list = m_ofn.nFileOffset > 0 && buffer[m_ofn.nFileOffset - 1] == 0;
  if (!list) {
    position = nullptr;
    return buffer;
  }
  if (at == buffer) at = buffer + m_ofn.nFileOffset;
  std::u16string name(at);
  const char16_t* next = at + name.size() + 1;
  position = *next != 0 ? reinterpret_cast<POSITION>(const_cast<char16_t*>(next)) : nullptr;
  std::u16string path(buffer);
  if (!path.empty() && path.back() != u'\\') path += u'\\';
  return path + name;
}

void CFileDialog::SetControlText(int id, LPCWSTR text) {
  if (m_hWnd == nullptr) return;
  SendMessageW(::GetParent(m_hWnd), CDM_SETCONTROLTEXT, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(text));
}

CColorDialog::CColorDialog(COLORREF initial, DWORD flags, CWnd* parent) {
  m_cc.lStructSize = sizeof m_cc;
  m_cc.hwndOwner = parent != nullptr ? parent->m_hWnd : nullptr;
  m_cc.rgbResult = initial;
  m_cc.lpCustColors = GetSavedCustomColors();
  m_cc.Flags = flags | (initial != 0 ? CC_RGBINIT : 0);
}

INT_PTR CColorDialog::DoModal() { return ChooseColorW(&m_cc) ? IDOK : IDCANCEL; }

COLORREF* CColorDialog::GetSavedCustomColors() {
  // White until the user defines some, as the framework starts them.
  static COLORREF colours[16] = {0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF,
                                 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF};
  return colours;
}
