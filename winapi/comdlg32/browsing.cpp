// What the layer's file and folder dialogs share: paths in both forms, listings, list rows, and
// the words of the dialogs in the user's interface language, from the language files built in.
#include "winapi/comdlg32/Browsing.h"

#include "winapi/base/unixpath.h"
#include "winapi/base/utf8.h"
#include "winapi/kernel32/posixfile.h"

#include <algorithm>
#include <cstdlib>
#include <string>

namespace winapi::dialogs {

namespace {

char16_t folded(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool lessIgnoringCase(const Entry& a, const Entry& b) {
  const size_t n = std::min(a.name.size(), b.name.size());
  for (size_t i = 0; i < n; ++i) {
    char16_t x = folded(a.name[i]), y = folded(b.name[i]);
    if (x != y) return x < y;
  }
  return a.name.size() < b.name.size();
}

bool isSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

}  // namespace

std::u16string rootFolder() { return u"Z:\\"; }

std::u16string homeFolder() {
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] != '/') return rootFolder();
  return resolvePath(paths::toWindows(home), rootFolder());
}

std::u16string displayPath(std::u16string_view windowsPath) { return paths::displayForm(windowsPath); }

std::u16string resolvePath(std::u16string_view typed, std::u16string_view folder) {
  std::u16string full;
  if (!typed.empty() && typed[0] == u'/') {
    std::string bytes;
    utf8::toUtf8(typed, bytes);
    full = paths::fullPath(paths::toWindows(bytes));
  } else if ((typed.size() >= 2 && typed[1] == u':') || (!typed.empty() && typed[0] == u'\\')) {
    full = paths::fullPath(typed);
  } else {
    full = paths::fullPath(joinPath(folder, typed));
  }
  while (full.size() > 3 && isSeparator(full.back())) full.pop_back();
  return full;
}

std::u16string parentFolder(std::u16string_view path) {
  std::u16string p(path);
  while (p.size() > 3 && isSeparator(p.back())) p.pop_back();
  size_t at = p.find_last_of(u"\\/");
  if (at == std::u16string::npos || p.size() <= 3) return p;
  p.resize(std::max<size_t>(at, 2));
  if (p.size() == 2) p += u'\\';
  return p;
}

std::u16string_view nameOf(std::u16string_view path) {
  size_t at = path.find_last_of(u"\\/");
  return at == std::u16string_view::npos ? path : path.substr(at + 1);
}

std::u16string joinPath(std::u16string_view folder, std::u16string_view name) {
  std::u16string out(folder);
  if (!out.empty() && !isSeparator(out.back())) out += u'\\';
  out += name;
  return out;
}

bool isFolder(std::u16string_view path) {
  std::u16string p(path);
  DWORD a = GetFileAttributesW(p.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool exists(std::u16string_view path) {
  std::u16string p(path);
  return GetFileAttributesW(p.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool matchesPatterns(std::u16string_view name, std::u16string_view patterns) {
  size_t start = 0;
  while (start <= patterns.size()) {
    size_t end = patterns.find(u';', start);
    if (end == std::u16string_view::npos) end = patterns.size();
    std::u16string_view one = patterns.substr(start, end - start);
    while (!one.empty() && one.front() == u' ') one.remove_prefix(1);
    while (!one.empty() && one.back() == u' ') one.remove_suffix(1);
    if (!one.empty() && files::matchesWildcard(one, name)) return true;
    start = end + 1;
  }
  return false;
}

bool listFolder(std::u16string_view folder, std::u16string_view patterns, bool showHidden, bool foldersOnly,
                std::vector<Entry>& out) {
  out.clear();
  std::u16string query = joinPath(folder, u"*");
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(query.c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_NOT_FOUND;
  std::vector<Entry> files;
  do {
    std::u16string_view name(found.cFileName);
    if (name == u"." || name == u"..") continue;
    if (!showHidden && name[0] == u'.') continue;
    bool folderEntry = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (folderEntry) {
      out.push_back(Entry{std::u16string(name), true});
    } else if (!foldersOnly && matchesPatterns(name, patterns)) {
      files.push_back(Entry{std::u16string(name), false});
    }
  } while (FindNextFileW(find, &found));
  FindClose(find);
  std::sort(out.begin(), out.end(), lessIgnoringCase);
  std::sort(files.begin(), files.end(), lessIgnoringCase);
  out.insert(out.end(), std::make_move_iterator(files.begin()), std::make_move_iterator(files.end()));
  return true;
}

void drawEntryRow(const DRAWITEMSTRUCT& item, const std::vector<Entry>& entries) {
  if (item.itemID == static_cast<UINT>(-1) || item.itemData >= entries.size()) return;
  const Entry& entry = entries[item.itemData];
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  HDC dc = item.hDC;
  RECT r = item.rcItem;
  HBRUSH back = GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW);
  FillRect(dc, &r, back);
  // The glyphs: a folder as a yellow folder with its tab, a file as a white page with a folded corner.
  const int x = r.left + 3, y = r.top + (r.bottom - r.top - 12) / 2;
  HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
  if (entry.folder) {
    HBRUSH yellow = CreateSolidBrush(RGB(240, 200, 80));
    HGDIOBJ oldBrush = SelectObject(dc, yellow);
    Rectangle(dc, x, y + 2, x + 14, y + 12);
    Rectangle(dc, x, y, x + 6, y + 3);
    SelectObject(dc, oldBrush);
    DeleteObject(yellow);
  } else {
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(WHITE_BRUSH));
    Rectangle(dc, x + 2, y, x + 12, y + 12);
    MoveToEx(dc, x + 8, y, nullptr);
    LineTo(dc, x + 8, y + 4);
    LineTo(dc, x + 12, y + 4);
    SelectObject(dc, oldBrush);
  }
  SelectObject(dc, oldPen);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  RECT textRect{r.left + 21, r.top, r.right, r.bottom};
  DrawTextW(dc, entry.name.c_str(), static_cast<int>(entry.name.size()), &textRect,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
}

bool answerListRows(UINT message, LPARAM lParam, int listId, const std::vector<Entry>& entries) {
  if (message == WM_MEASUREITEM) {
    auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
    if (static_cast<int>(item->CtlID) != listId) return false;
    item->itemHeight = kRowHeight;
    return true;
  }
  if (message == WM_DRAWITEM) {
    auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (static_cast<int>(item->CtlID) != listId) return false;
    drawEntryRow(*item, entries);
    return true;
  }
  return false;
}

void placeControl(HWND dialog, int id, int x, int y, int width, int height) {
  HWND control = GetDlgItem(dialog, id);
  if (control != nullptr) MoveWindow(control, x, y, std::max(width, 1), std::max(height, 1), FALSE);
}

std::u16string windowText(HWND hwnd) {
  int length = GetWindowTextLengthW(hwnd);
  std::u16string out(static_cast<size_t>(std::max(length, 0)) + 1, u'\0');
  int got = GetWindowTextW(hwnd, out.data(), static_cast<int>(out.size()));
  out.resize(static_cast<size_t>(std::max(got, 0)));
  return out;
}

HFONT makeDialogFont() {
  return CreateFontW(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, u"MS Shell Dlg 2");
}

HWND makeControl(HWND dialog, HFONT font, LPCWSTR className, LPCWSTR caption, DWORD style, int id, DWORD exStyle) {
  HWND control = CreateWindowExW(exStyle, className, caption, WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10, dialog,
                                 reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr, nullptr);
  if (control != nullptr) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return control;
}

}  // namespace winapi::dialogs
