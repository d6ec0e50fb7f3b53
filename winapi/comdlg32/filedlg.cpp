// The open and save dialogs, our own, on the real file system: a "#32770" frame with the current
// folder (read-only, with Up and Home), the places (home, desktop, the file-system root), one
// owner-drawn list of the folder's sub-folders and then its files that match the current filter,
// "File name:" (control 1148), "Files of type:" (control 1136), and the OK and Cancel buttons,
// run by the layer's modal loop. Typed names go through the checks Windows makes (the file or the
// path must exist, the overwrite prompt, the default extension); a typed folder is opened and a
// typed pattern becomes the filter. Results come in Windows' formats. An explorer-style hook gets
// its child window with WM_INITDIALOG and the CDN_* notifications, and the dialog answers the
// CDM_* messages. Under the headless driver a dialog takes the next scripted list of files (which
// goes through the same checks) or cancels at once; "run" shows it for injected input.
// With OFN_ALLOWMULTISELECT the list selects several files by Shift and Ctrl with clicks and
// arrows, and Ctrl+A, and the name field shows them in quotes.
// Left out: custom filters (lpstrCustomFilter), templates, the read-only check box, the
// help button, thumbnails and a details view.
#include <windows.h>

#include "winapi/base/unixpath.h"
#include "winapi/base/userdirs.h"
#include "winapi/comdlg32/Browsing.h"
#include "winapi/comdlg32/Errors.h"
#include "winapi/gdi32/DisplayDriver.h"
#include "winapi/user32/Dialogs.h"

#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using winapi::dialogs::Entry;
using winapi::dialogs::Text;
using winapi::dialogs::text;
using winapi::dialogs::windowText;

// Control ids: the name and type fields as on Windows; the others are ours.
constexpr int kNameId = 1148;
constexpr int kTypeId = 1136;
constexpr int kListId = 1120;
constexpr int kFolderId = 1137;
constexpr int kUpId = 1138;
constexpr int kHomeId = 1139;
constexpr int kPlaceHomeId = 1140;
constexpr int kPlaceDesktopId = 1141;
constexpr int kPlaceRootId = 1142;
constexpr int kNameLabelId = 1090;
constexpr int kTypeLabelId = 1089;

constexpr int kMargin = 8;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kPlacesWidth = 90;
constexpr int kLabelWidth = 80;

struct FileDialog {
  OPENFILENAMEW* ofn = nullptr;
  bool save = false;
  bool multi = false;
  bool listing = true;  // false for a scripted answer: nothing is shown
  std::u16string caption;
  std::vector<std::pair<std::u16string, std::u16string>> filters;
  DWORD filterIndex = 0;        // 1-based; 0 without filters
  std::u16string typedPattern;  // a pattern typed as a name, in place of the filter
  std::u16string defExt;
  std::u16string folder;
  std::u16string desktop;
  std::vector<Entry> entries;
  HFONT font = nullptr;
  HWND dialog = nullptr;
  HWND hook = nullptr;
  HWND list = nullptr;
  HWND name = nullptr;
  HWND types = nullptr;
  HWND folderField = nullptr;
  WNDPROC listProc = nullptr;
  BOOL result = FALSE;
  DWORD error = 0;
};

FileDialog* dialogOf(HWND dialog) { return reinterpret_cast<FileDialog*>(GetWindowLongPtrW(dialog, DWLP_USER)); }

// The hook's child dialog runs the caller's hook, whose answer is a UINT_PTR: it is called as
// the function it is, never through a dialog procedure's type.
INT_PTR CALLBACK hookDialogProc(HWND hook, UINT message, WPARAM wParam, LPARAM lParam) {
  const FileDialog* d = dialogOf(GetParent(hook));
  if (d == nullptr || d->ofn == nullptr || d->ofn->lpfnHook == nullptr) return FALSE;
  return static_cast<INT_PTR>(d->ofn->lpfnHook(hook, message, wParam, lParam));
}

std::u16string trimmed(std::u16string_view s) {
  while (!s.empty() && s.front() == u' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == u' ') s.remove_suffix(1);
  return std::u16string(s);
}

// The description and pattern pairs of lpstrFilter ("a\0*.a\0b\0*.b\0\0").
void readFilters(FileDialog& d) {
  const char16_t* at = d.ofn->lpstrFilter;
  if (at == nullptr) return;
  while (*at != 0) {
    std::u16string description(at);
    at += description.size() + 1;
    if (*at == 0) break;
    std::u16string pattern(at);
    at += pattern.size() + 1;
    d.filters.emplace_back(std::move(description), std::move(pattern));
  }
  if (d.filters.empty()) return;
  d.filterIndex = d.ofn->nFilterIndex == 0 || d.ofn->nFilterIndex > d.filters.size() ? 1 : d.ofn->nFilterIndex;
}

std::u16string currentPatterns(const FileDialog& d) {
  if (!d.typedPattern.empty()) return d.typedPattern;
  if (d.filterIndex >= 1 && d.filterIndex <= d.filters.size()) return d.filters[d.filterIndex - 1].second;
  return u"*.*";
}

// The hook's notification; answers the DWLP_MSGRESULT the hook left.
LONG_PTR notify(FileDialog& d, UINT code, LPWSTR file = nullptr) {
  if (d.hook == nullptr) return 0;
  OFNOTIFYW note{};
  note.hdr.hwndFrom = d.dialog;
  note.hdr.idFrom = 0;
  note.hdr.code = code;
  note.lpOFN = d.ofn;
  note.pszFile = file;
  SetWindowLongPtrW(d.hook, DWLP_MSGRESULT, 0);
  SendMessageW(d.hook, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&note));
  return IsWindow(d.hook) ? GetWindowLongPtrW(d.hook, DWLP_MSGRESULT) : 0;
}

void refresh(FileDialog& d) {
  if (!d.listing) return;
  winapi::dialogs::listFolder(d.folder, currentPatterns(d), (d.ofn->Flags & OFN_FORCESHOWHIDDEN) != 0, false,
                              d.entries);
  SendMessageW(d.list, WM_SETREDRAW, FALSE, 0);
  SendMessageW(d.list, LB_RESETCONTENT, 0, 0);
  // The names are the rows' texts, for the list's own type-ahead; the item data index the entries
  // for drawing.
  for (size_t i = 0; i < d.entries.size(); ++i) {
    LRESULT row = SendMessageW(d.list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(d.entries[i].name.c_str()));
    if (row >= 0) SendMessageW(d.list, LB_SETITEMDATA, static_cast<WPARAM>(row), static_cast<LPARAM>(i));
  }
  SendMessageW(d.list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(d.list, nullptr, TRUE);
}

void navigate(FileDialog& d, const std::u16string& folder) {
  d.folder = folder;
  if (d.folderField != nullptr) SetWindowTextW(d.folderField, winapi::dialogs::displayPath(folder).c_str());
  refresh(d);
  notify(d, CDN_FOLDERCHANGE);
}

// The names in the name field: each quoted one, or the whole text as one.
std::vector<std::u16string> typedNames(const std::u16string& field) {
  std::vector<std::u16string> names;
  if (field.find(u'"') == std::u16string::npos) {
    std::u16string one = trimmed(field);
    if (!one.empty()) names.push_back(one);
    return names;
  }
  size_t at = 0;
  while ((at = field.find(u'"', at)) != std::u16string::npos) {
    size_t end = field.find(u'"', at + 1);
    if (end == std::u16string::npos) end = field.size();
    std::u16string one = field.substr(at + 1, end - at - 1);
    if (!one.empty()) names.push_back(one);
    at = end + 1;
    if (at >= field.size()) break;
  }
  return names;
}

bool hasWildcard(std::u16string_view name) { return name.find_first_of(u"*?") != std::u16string_view::npos; }

bool hasExtension(std::u16string_view name) {
  std::u16string_view last = winapi::dialogs::nameOf(name);
  size_t dot = last.rfind(u'.');
  return dot != std::u16string_view::npos && dot != 0 && dot + 1 < last.size();
}

// The target of a symbolic link in the program's form; the path itself when it is no link.
std::u16string dereferenced(const std::u16string& path) {
  std::string bytes;
  if (!winapi::paths::toUnix(path, bytes)) return path;
  struct stat st {};
  if (lstat(bytes.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  char* real = realpath(bytes.c_str(), nullptr);
  if (real == nullptr) return path;
  std::u16string out = winapi::paths::toWindows(real);
  std::free(real);
  return out;
}

int say(FileDialog& d, const std::u16string& message, UINT type) {
  return MessageBoxW(d.dialog, message.c_str(), d.caption.c_str(), type);
}

std::u16string replacePrompt(const std::u16string& name) {
  std::u16string prompt = text(Text::ReplacePrompt);
  size_t at = prompt.find(u"%s");
  if (at != std::u16string::npos) prompt.replace(at, 2, name);
  return prompt;
}

// Writes the choice into lpstrFile in Windows' format; false (FNERR_BUFFERTOOSMALL, the size
// needed in the first character) when it does not fit.
bool writeResult(FileDialog& d, const std::u16string& folder, const std::vector<std::u16string>& names) {
  OPENFILENAMEW& ofn = *d.ofn;
  std::u16string block;
  WORD offset = 0, extension = 0;
  if (names.size() == 1) {
    block = winapi::dialogs::joinPath(folder, names[0]);
    offset = static_cast<WORD>(block.size() - names[0].size());
    size_t dot = names[0].rfind(u'.');
    if (dot != std::u16string::npos) extension = static_cast<WORD>(offset + dot + 1);
    block += u'\0';
  } else {
    block = folder;
    block += u'\0';
    offset = static_cast<WORD>(block.size());
    for (const std::u16string& name : names) {
      block += name;
      block += u'\0';
    }
    block += u'\0';
  }
  if (ofn.lpstrFile == nullptr || block.size() > ofn.nMaxFile) {
    if (ofn.lpstrFile != nullptr && ofn.nMaxFile >= 1) {
      ofn.lpstrFile[0] = static_cast<char16_t>(std::min<size_t>(block.size(), 0xFFFF));
    }
    d.error = FNERR_BUFFERTOOSMALL;
    return false;
  }
  std::memcpy(ofn.lpstrFile, block.data(), block.size() * sizeof(char16_t));
  ofn.nFileOffset = offset;
  ofn.nFileExtension = extension;
  ofn.nFilterIndex = d.filterIndex;
  if (ofn.lpstrFileTitle != nullptr && ofn.nMaxFileTitle > 0 && names.size() == 1 &&
      names[0].size() < ofn.nMaxFileTitle) {
    std::memcpy(ofn.lpstrFileTitle, names[0].c_str(), (names[0].size() + 1) * sizeof(char16_t));
  }
  return true;
}

void finish(FileDialog& d, BOOL result) {
  d.result = result;
  EndDialog(d.dialog, result);
}

// OK: what the name field holds is checked as Windows checks it, and the dialog either ends with
// the choice, opens a folder, takes a pattern as its filter, or says why it stays.
void accept(FileDialog& d) {
  std::vector<std::u16string> names = typedNames(windowText(d.name));
  if (names.empty()) return;
  if (names.size() == 1 && hasWildcard(names[0])) {
    std::u16string full = winapi::dialogs::resolvePath(names[0], d.folder);
    std::u16string folder = winapi::dialogs::parentFolder(full);
    d.typedPattern = std::u16string(winapi::dialogs::nameOf(full));
    if (folder != d.folder && winapi::dialogs::isFolder(folder)) {
      navigate(d, folder);
    } else {
      refresh(d);
    }
    return;
  }
  if (names.size() > 1 && !d.multi) {
    say(d, names[0] + u"\n" + text(Text::FileNotFound), MB_OK | MB_ICONWARNING);
    return;
  }
  std::vector<std::u16string> paths;
  for (const std::u16string& name : names) paths.push_back(winapi::dialogs::resolvePath(name, d.folder));
  if (paths.size() == 1 && winapi::dialogs::isFolder(paths[0])) {
    SetWindowTextW(d.name, u"");
    navigate(d, paths[0]);
    return;
  }
  const std::u16string folder = winapi::dialogs::parentFolder(paths[0]);
  for (const std::u16string& path : paths) {
    if (winapi::dialogs::parentFolder(path) != folder) {
      say(d, text(Text::OneFolder), MB_OK | MB_ICONWARNING);
      return;
    }
  }
  const DWORD flags = d.ofn->Flags;
  if ((flags & (OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST)) != 0 && !winapi::dialogs::isFolder(folder)) {
    say(d, winapi::dialogs::displayPath(folder) + u"\n" + text(Text::PathNotFound), MB_OK | MB_ICONWARNING);
    return;
  }
  std::vector<std::u16string> chosen;
  for (std::u16string path : paths) {
    if (!d.defExt.empty() && !hasExtension(path)) {
      std::u16string withExtension = path + u"." + d.defExt;
      // An open dialog still takes an existing name without the extension.
      if (d.save || winapi::dialogs::exists(withExtension) || !winapi::dialogs::exists(path)) path = withExtension;
    }
    const std::u16string shown(winapi::dialogs::nameOf(path));
    if ((flags & OFN_FILEMUSTEXIST) != 0 && !winapi::dialogs::exists(path)) {
      say(d, shown + u"\n" + text(Text::FileNotFound), MB_OK | MB_ICONWARNING);
      return;
    }
    if (d.save && (flags & OFN_OVERWRITEPROMPT) != 0 && winapi::dialogs::exists(path) &&
        say(d, replacePrompt(shown), MB_YESNO | MB_ICONWARNING) != IDYES) {
      return;
    }
    chosen.push_back(std::move(path));
  }
  std::vector<std::u16string> result;
  std::u16string resultFolder = folder;
  if (chosen.size() == 1) {
    std::u16string path = (flags & OFN_NODEREFERENCELINKS) != 0 ? chosen[0] : dereferenced(chosen[0]);
    resultFolder = winapi::dialogs::parentFolder(path);
    result.emplace_back(winapi::dialogs::nameOf(path));
  } else {
    for (const std::u16string& path : chosen) result.emplace_back(winapi::dialogs::nameOf(path));
  }
  if (!writeResult(d, resultFolder, result)) {
    finish(d, FALSE);
    return;
  }
  // The hook sees the result and may keep the dialog open.
  if (notify(d, CDN_FILEOK, d.ofn->lpstrFile) != 0) return;
  d.error = 0;
  finish(d, TRUE);
}

// The full path the name field names (CDM_GETFILEPATH): empty for an empty field.
std::u16string filePath(FileDialog& d) {
  std::vector<std::u16string> names = typedNames(windowText(d.name));
  if (names.empty()) return std::u16string();
  return winapi::dialogs::resolvePath(names[0], d.folder);
}

LRESULT answerText(HWND dialog, const std::u16string& value, WPARAM size, LPARAM buffer) {
  auto* out = reinterpret_cast<char16_t*>(buffer);
  if (out != nullptr && value.size() < size) std::memcpy(out, value.c_str(), (value.size() + 1) * sizeof(char16_t));
  SetWindowLongPtrW(dialog, DWLP_MSGRESULT, static_cast<LONG_PTR>(value.size() + 1));
  return TRUE;
}

void layout(FileDialog& d) {
  RECT client;
  GetClientRect(d.dialog, &client);
  const int w = client.right, h = client.bottom;
  auto place = [&d](int id, int x, int y, int cw, int ch) {
    winapi::dialogs::placeControl(d.dialog, id, x, y, cw, ch);
  };
  const int rowTop = h - kMargin - 2 * kButtonHeight - kMargin;
  const int listLeft = kMargin + kPlacesWidth + kMargin;
  place(kFolderId, kMargin, kMargin, w - 4 * kMargin - 2 * kButtonWidth, 21);
  place(kUpId, w - 2 * kMargin - 2 * kButtonWidth, kMargin - 1, kButtonWidth, kButtonHeight);
  place(kHomeId, w - kMargin - kButtonWidth, kMargin - 1, kButtonWidth, kButtonHeight);
  const int listTop = kMargin + kButtonHeight + kMargin;
  place(kPlaceHomeId, kMargin, listTop, kPlacesWidth, kButtonHeight);
  place(kPlaceDesktopId, kMargin, listTop + kButtonHeight + 4, kPlacesWidth, kButtonHeight);
  const int rootSlot = d.desktop.empty() ? 1 : 2;
  place(kPlaceRootId, kMargin, listTop + rootSlot * (kButtonHeight + 4), kPlacesWidth, kButtonHeight);
  place(kListId, listLeft, listTop, w - kMargin - listLeft, rowTop - kMargin - listTop);
  const int fieldLeft = listLeft + kLabelWidth;
  const int fieldWidth = w - 2 * kMargin - kButtonWidth - fieldLeft;
  place(kNameLabelId, listLeft, rowTop + 4, kLabelWidth, 16);
  place(kNameId, fieldLeft, rowTop + 1, fieldWidth, 21);
  place(IDOK, w - kMargin - kButtonWidth, rowTop, kButtonWidth, kButtonHeight);
  const int typeTop = rowTop + kButtonHeight + kMargin;
  place(kTypeLabelId, listLeft, typeTop + 4, kLabelWidth, 16);
  place(kTypeId, fieldLeft, typeTop + 1, fieldWidth, 21);
  place(IDCANCEL, w - kMargin - kButtonWidth, typeTop, kButtonWidth, kButtonHeight);
  InvalidateRect(d.dialog, nullptr, TRUE);
}

std::u16string quotedNames(const std::vector<std::u16string>& names);

// Selecting files shows their names in the name field (in quotes when there are several); the
// hook hears of every change.
void selectionChanged(FileDialog& d) {
  std::vector<std::u16string> files;
  if (d.multi) {
    std::vector<int> rows(d.entries.size());
    LRESULT count = SendMessageW(d.list, LB_GETSELITEMS, rows.size(), reinterpret_cast<LPARAM>(rows.data()));
    for (LRESULT i = 0; i < count; ++i) {
      const Entry& entry = d.entries[static_cast<size_t>(rows[static_cast<size_t>(i)])];
      if (!entry.folder) files.push_back(entry.name);
    }
  } else {
    LRESULT row = SendMessageW(d.list, LB_GETCURSEL, 0, 0);
    if (row >= 0 && static_cast<size_t>(row) < d.entries.size() && !d.entries[static_cast<size_t>(row)].folder) {
      files.push_back(d.entries[static_cast<size_t>(row)].name);
    }
  }
  if (!files.empty()) SetWindowTextW(d.name, quotedNames(files).c_str());
  notify(d, CDN_SELCHANGE);
}

const Entry* selectedEntry(FileDialog& d) {
  LRESULT row = SendMessageW(d.list, LB_GETCURSEL, 0, 0);
  if (row < 0 || static_cast<size_t>(row) >= d.entries.size()) return nullptr;
  return &d.entries[static_cast<size_t>(row)];
}

void openEntry(FileDialog& d) {
  const Entry* entry = selectedEntry(d);
  if (entry == nullptr) return;
  if (entry->folder) {
    navigate(d, winapi::dialogs::joinPath(d.folder, entry->name));
  } else {
    SetWindowTextW(d.name, entry->name.c_str());
    accept(d);
  }
}

// The list's keys beyond its own (arrows, and type-ahead by letters): Backspace goes up, and
// Ctrl+A selects every row of a multiple choice.
LRESULT CALLBACK listKeys(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
  FileDialog* d = dialogOf(GetParent(list));
  if (d != nullptr && message == WM_KEYDOWN && wParam == VK_BACK) {
    navigate(*d, winapi::dialogs::parentFolder(d->folder));
    return 0;
  }
  if (d != nullptr && d->multi && message == WM_KEYDOWN && wParam == 'A' && GetKeyState(VK_CONTROL) < 0) {
    if (!d->entries.empty()) SendMessageW(list, LB_SELITEMRANGEEX, 0, static_cast<LPARAM>(d->entries.size() - 1));
    selectionChanged(*d);
    return 0;
  }
  WNDPROC base = d != nullptr ? d->listProc : nullptr;
  return base != nullptr ? CallWindowProcW(base, list, message, wParam, lParam)
                         : DefWindowProcW(list, message, wParam, lParam);
}

bool buildControls(FileDialog& d) {
  using winapi::dialogs::makeControl;
  HWND dlg = d.dialog;
  HFONT f = d.font;
  d.folderField =
      makeControl(dlg, f, u"Edit", u"", ES_READONLY | ES_AUTOHSCROLL | WS_TABSTOP, kFolderId, WS_EX_CLIENTEDGE);
  makeControl(dlg, f, u"Button", text(Text::Up), BS_PUSHBUTTON | WS_TABSTOP, kUpId);
  makeControl(dlg, f, u"Button", text(Text::Home), BS_PUSHBUTTON | WS_TABSTOP, kHomeId);
  makeControl(dlg, f, u"Button", text(Text::Home), BS_PUSHBUTTON | WS_TABSTOP, kPlaceHomeId);
  if (!d.desktop.empty())
    makeControl(dlg, f, u"Button", text(Text::Desktop), BS_PUSHBUTTON | WS_TABSTOP, kPlaceDesktopId);
  makeControl(dlg, f, u"Button", text(Text::FileSystem), BS_PUSHBUTTON | WS_TABSTOP, kPlaceRootId);
  d.list = makeControl(dlg, f, u"ListBox", u"",
                       LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | WS_VSCROLL |
                           WS_TABSTOP | (d.multi ? LBS_EXTENDEDSEL : 0),
                       kListId, WS_EX_CLIENTEDGE);
  makeControl(dlg, f, u"Static", text(Text::FileName), SS_LEFT, kNameLabelId);
  d.name = makeControl(dlg, f, u"Edit", u"", ES_AUTOHSCROLL | WS_TABSTOP, kNameId, WS_EX_CLIENTEDGE);
  makeControl(dlg, f, u"Static", text(Text::FilesOfType), SS_LEFT, kTypeLabelId);
  d.types = makeControl(dlg, f, u"ComboBox", u"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, kTypeId);
  makeControl(dlg, f, u"Button", text(d.save ? Text::SaveButton : Text::OpenButton), BS_DEFPUSHBUTTON | WS_TABSTOP,
              IDOK);
  makeControl(dlg, f, u"Button", text(Text::Cancel), BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL);
  if (d.folderField == nullptr || d.list == nullptr || d.name == nullptr || d.types == nullptr) return false;
  SendMessageW(d.list, LB_SETITEMHEIGHT, 0, winapi::dialogs::kRowHeight);
  d.listProc =
      reinterpret_cast<WNDPROC>(SetWindowLongPtrW(d.list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&listKeys)));
  for (const auto& filter : d.filters)
    SendMessageW(d.types, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(filter.first.c_str()));
  if (d.filterIndex > 0) SendMessageW(d.types, CB_SETCURSEL, d.filterIndex - 1, 0);
  if (d.filters.empty()) EnableWindow(d.types, FALSE);
  return true;
}

INT_PTR CALLBACK fileDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  FileDialog* d = dialogOf(dialog);
  switch (message) {
    case WM_INITDIALOG:
      if (d != nullptr) SetFocus(d->name);
      return FALSE;
    case WM_SIZE:
      if (d != nullptr) layout(*d);
      return TRUE;
    case WM_MEASUREITEM:
    case WM_DRAWITEM: return d != nullptr && winapi::dialogs::answerListRows(message, lParam, kListId, d->entries);
    case WM_COMMAND: {
      if (d == nullptr) return FALSE;
      const int id = LOWORD(wParam), code = HIWORD(wParam);
      switch (id) {
        case IDOK: {
          const Entry* entry = selectedEntry(*d);
          bool inList = GetFocus() == d->list;
          if (entry != nullptr && entry->folder && (inList || trimmed(windowText(d->name)).empty())) {
            openEntry(*d);
          } else {
            accept(*d);
          }
          return TRUE;
        }
        case IDCANCEL:
          d->error = 0;
          finish(*d, FALSE);
          return TRUE;
        case kUpId: navigate(*d, winapi::dialogs::parentFolder(d->folder)); return TRUE;
        case kHomeId:
        case kPlaceHomeId: navigate(*d, winapi::dialogs::homeFolder()); return TRUE;
        case kPlaceDesktopId:
          if (winapi::dialogs::isFolder(d->desktop)) navigate(*d, d->desktop);
          return TRUE;
        case kPlaceRootId: navigate(*d, winapi::dialogs::rootFolder()); return TRUE;
        case kListId:
          if (code == LBN_SELCHANGE) selectionChanged(*d);
          if (code == LBN_DBLCLK) openEntry(*d);
          return TRUE;
        case kTypeId:
          if (code == CBN_SELCHANGE) {
            LRESULT sel = SendMessageW(d->types, CB_GETCURSEL, 0, 0);
            if (sel >= 0 && static_cast<size_t>(sel) < d->filters.size()) {
              d->filterIndex = static_cast<DWORD>(sel) + 1;
              d->ofn->nFilterIndex = d->filterIndex;
              d->typedPattern.clear();
              refresh(*d);
              notify(*d, CDN_TYPECHANGE);
            }
          }
          return TRUE;
        default: return FALSE;
      }
    }
    case CDM_GETFILEPATH: return d != nullptr ? answerText(dialog, filePath(*d), wParam, lParam) : FALSE;
    case CDM_GETFOLDERPATH: return d != nullptr ? answerText(dialog, d->folder, wParam, lParam) : FALSE;
    case CDM_GETSPEC: return d != nullptr ? answerText(dialog, windowText(d->name), wParam, lParam) : FALSE;
    case CDM_SETCONTROLTEXT:
      SetDlgItemTextW(dialog, static_cast<int>(wParam), reinterpret_cast<LPCWSTR>(lParam));
      SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 0);
      return TRUE;
    case CDM_HIDECONTROL:
      ShowWindow(GetDlgItem(dialog, static_cast<int>(wParam)), SW_HIDE);
      SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 0);
      return TRUE;
    case CDM_SETDEFEXT:
      if (d != nullptr) d->defExt = lParam != 0 ? reinterpret_cast<LPCWSTR>(lParam) : u"";
      SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 0);
      return TRUE;
    default: return FALSE;
  }
}

// The first folder: lpstrInitialDir, else the folder of the name in lpstrFile, else the current
// folder, else home.
std::u16string firstFolder(const OPENFILENAMEW& ofn, std::u16string& initialName) {
  std::u16string current = winapi::dialogs::resolvePath(u".", u"");
  if (current.empty() || !winapi::dialogs::isFolder(current)) current = winapi::dialogs::homeFolder();
  if (ofn.lpstrFile != nullptr && ofn.nMaxFile > 0 && ofn.lpstrFile[0] != 0) {
    std::u16string file(ofn.lpstrFile, std::char_traits<char16_t>::length(ofn.lpstrFile));
    if (file.find_first_of(u"\\/") != std::u16string::npos) {
      std::u16string full = winapi::dialogs::resolvePath(file, current);
      initialName = std::u16string(winapi::dialogs::nameOf(full));
      std::u16string folder = winapi::dialogs::parentFolder(full);
      if ((ofn.lpstrInitialDir == nullptr || ofn.lpstrInitialDir[0] == 0) && winapi::dialogs::isFolder(folder)) {
        return folder;
      }
    } else {
      initialName = file;
    }
  }
  if (ofn.lpstrInitialDir != nullptr && ofn.lpstrInitialDir[0] != 0) {
    std::u16string folder = winapi::dialogs::resolvePath(ofn.lpstrInitialDir, current);
    if (winapi::dialogs::isFolder(folder)) return folder;
  }
  return current;
}

std::u16string quotedNames(const std::vector<std::u16string>& names) {
  if (names.size() == 1) return names[0];
  std::u16string out;
  for (const std::u16string& name : names) {
    if (!out.empty()) out += u' ';
    out += u'"' + name + u'"';
  }
  return out;
}

BOOL runFileDialog(OPENFILENAMEW* ofn, bool save) {
  if (ofn == nullptr || ofn->lStructSize != sizeof(OPENFILENAMEW)) {
    winapi::dialogs::setDialogError(CDERR_STRUCTSIZE);
    return FALSE;
  }
  if ((ofn->Flags & OFN_ENABLEHOOK) != 0 && ofn->lpfnHook == nullptr) {
    winapi::dialogs::setDialogError(CDERR_NOHOOK);
    return FALSE;
  }
  winapi::ModalAnswer answer = winapi::displayDriver().takeModalAnswer(winapi::ModalAnswer::Kind::Files);
  if (answer.kind != winapi::ModalAnswer::Kind::Files && answer.kind != winapi::ModalAnswer::Kind::Run) {
    winapi::dialogs::setDialogError(0);
    return FALSE;
  }
  FileDialog d;
  d.ofn = ofn;
  d.save = save;
  d.multi = (ofn->Flags & (OFN_ALLOWMULTISELECT | OFN_EXPLORER)) == (OFN_ALLOWMULTISELECT | OFN_EXPLORER);
  d.listing = answer.kind == winapi::ModalAnswer::Kind::Run;
  d.caption =
      ofn->lpstrTitle != nullptr && ofn->lpstrTitle[0] != 0 ? ofn->lpstrTitle : text(save ? Text::SaveAs : Text::Open);
  d.defExt = ofn->lpstrDefExt != nullptr ? ofn->lpstrDefExt : u"";
  d.desktop = winapi::paths::desktopFolder();
  if (!winapi::dialogs::isFolder(d.desktop)) d.desktop.clear();
  readFilters(d);
  std::u16string initialName;
  const std::u16string folder = firstFolder(*ofn, initialName);

  d.font = winapi::dialogs::makeDialogFont();
  const DWORD style = (ofn->Flags & OFN_ENABLESIZING) != 0 ? WS_THICKFRAME : 0;
  d.dialog = winapi::dialogs::makeDialog(ofn->hwndOwner, d.caption.c_str(), style, 560, 360, fileDialogProc, &d,
                                         [&d](HWND dialog) {
                                           d.dialog = dialog;
                                           return buildControls(d);
                                         });
  if (d.dialog == nullptr) {
    DeleteObject(d.font);
    winapi::dialogs::setDialogError(CDERR_DIALOGFAILURE);
    return FALSE;
  }
  layout(d);
  SetWindowTextW(d.name, initialName.c_str());
  if ((ofn->Flags & (OFN_ENABLEHOOK | OFN_EXPLORER)) == (OFN_ENABLEHOOK | OFN_EXPLORER)) {
    d.hook = CreateWindowExW(0, u"#32770", u"", WS_CHILD, 0, 0, 0, 0, d.dialog, nullptr, nullptr, nullptr);
    if (d.hook != nullptr) {
      SetWindowLongPtrW(d.hook, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(&hookDialogProc));
      SendMessageW(d.hook, WM_INITDIALOG, 0, reinterpret_cast<LPARAM>(ofn));
    }
  }
  d.folder = folder;
  SetWindowTextW(d.folderField, winapi::dialogs::displayPath(folder).c_str());
  refresh(d);
  notify(d, CDN_INITDONE);

  if (answer.kind == winapi::ModalAnswer::Kind::Files) {
    // A scripted choice: the files' folder becomes the current one and their names are typed.
    std::vector<std::u16string> names;
    std::u16string scriptedFolder;
    for (const std::u16string& file : answer.files) {
      std::u16string full = winapi::dialogs::resolvePath(file, folder);
      scriptedFolder = winapi::dialogs::parentFolder(full);
      names.emplace_back(winapi::dialogs::nameOf(full));
    }
    if (!names.empty()) {
      if (winapi::dialogs::isFolder(scriptedFolder)) d.folder = scriptedFolder;
      // Names of another folder than the current one are typed as full paths, for the checks to judge.
      for (size_t i = 0; i < names.size(); ++i) {
        std::u16string full = winapi::dialogs::resolvePath(answer.files[i], folder);
        if (winapi::dialogs::parentFolder(full) != d.folder) names[i] = full;
      }
      SetWindowTextW(d.name, quotedNames(names).c_str());
      accept(d);
    }
    // A choice the checks refused leaves nobody to choose again: the dialog is cancelled.
    DestroyWindow(d.dialog);
  } else {
    winapi::ModalOptions options;
    if (ofn->hwndOwner != nullptr && IsWindow(ofn->hwndOwner)) {
      options.disable.push_back(GetAncestor(ofn->hwndOwner, GA_ROOT));
    }
    winapi::runModalDialog(d.dialog, options);
  }
  DeleteObject(d.font);
  winapi::dialogs::setDialogError(d.result ? 0 : d.error);
  return d.result;
}

}  // namespace

extern "C" BOOL WINAPI GetOpenFileNameW(LPOPENFILENAMEW dialog) { return runFileDialog(dialog, false); }

extern "C" BOOL WINAPI GetSaveFileNameW(LPOPENFILENAMEW dialog) { return runFileDialog(dialog, true); }
