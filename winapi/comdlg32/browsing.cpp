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

extern const char* const kTextFiles[];
extern const size_t kTextFileCount;

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

// The English words, the source of the language files and what any language lacks falls back to.
const char16_t* englishText(Text id) {
  switch (id) {
    case Text::Open: return u"Open";
    case Text::SaveAs: return u"Save As";
    case Text::OpenButton: return u"&Open";
    case Text::SaveButton: return u"&Save";
    case Text::Cancel: return u"Cancel";
    case Text::FileName: return u"File &name:";
    case Text::FilesOfType: return u"Files of &type:";
    case Text::Up: return u"&Up";
    case Text::Home: return u"&Home";
    case Text::Desktop: return u"&Desktop";
    case Text::FileSystem: return u"File &System";
    case Text::FileNotFound: return u"File not found.";
    case Text::PathNotFound: return u"The path does not exist.";
    case Text::ReplacePrompt: return u"%s already exists. Do you want to replace it?";
    case Text::OneFolder: return u"The chosen files must be in one folder.";
    case Text::BrowseForFolder: return u"Browse For Folder";
    case Text::Folder: return u"&Folder:";
    case Text::NoSuchFolder: return u"The folder does not exist.";
    case Text::OK: return u"OK";
    case Text::Color: return u"Color";
    case Text::BasicColors: return u"&Basic colors:";
    case Text::CustomColors: return u"&Custom colors:";
    case Text::DefineCustomColors: return u"&Define Custom Colors >>";
    case Text::AddToCustomColors: return u"&Add to Custom Colors";
    case Text::Hue: return u"Hu&e:";
    case Text::Sat: return u"&Sat:";
    case Text::Lum: return u"&Lum:";
    case Text::Red: return u"&Red:";
    case Text::Green: return u"&Green:";
    case Text::Blue: return u"Bl&ue:";
    case Text::Abort: return u"&Abort";
    case Text::Retry: return u"&Retry";
    case Text::Ignore: return u"&Ignore";
    case Text::Yes: return u"&Yes";
    case Text::No: return u"&No";
    case Text::TryAgain: return u"&Try Again";
    case Text::Continue: return u"&Continue";
  }
  return u"";
}

namespace {

constexpr size_t kTextCount = static_cast<size_t>(Text::Continue) + 1;

struct Language {
  std::string tag;
  std::vector<std::u16string> texts = std::vector<std::u16string>(kTextCount);
  std::vector<bool> present = std::vector<bool>(kTextCount, false);
};

// The pack's few escapes: "&gt;", "&lt;", "&#160;" and "&#10;".
std::u16string unescape(std::string_view bytes) {
  std::string plain;
  for (size_t i = 0; i < bytes.size(); ++i) {
    auto starts = [&](std::string_view what) { return bytes.substr(i, what.size()) == what; };
    if (starts("&gt;")) {
      plain += '>';
      i += 3;
    } else if (starts("&lt;")) {
      plain += '<';
      i += 3;
    } else if (starts("&#160;")) {
      plain += "\xC2\xA0";
      i += 5;
    } else if (starts("&#10;")) {
      plain += '\n';
      i += 4;
    } else {
      plain += bytes[i];
    }
  }
  std::u16string out;
  utf8::toUtf16(plain, out);
  return out;
}

Language parseLanguage(std::string_view file) {
  Language language;
  size_t at = 0;
  while (at < file.size()) {
    size_t end = file.find('\n', at);
    if (end == std::string_view::npos) end = file.size();
    std::string_view line = file.substr(at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line[0] == '#') continue;
    size_t tab = line.find('\t');
    if (tab == std::string_view::npos) continue;
    std::string_view name = line.substr(0, tab), value = line.substr(tab + 1);
    if (name == "tagName") {
      language.tag = std::string(value);
      continue;
    }
    size_t id = 0;
    bool number = !name.empty();
    for (char c : name) {
      number = number && c >= '0' && c <= '9';
      id = id * 10 + static_cast<size_t>(c - '0');
    }
    if (!number || id < 1 || id > kTextCount) continue;
    language.texts[id - 1] = unescape(value);
    language.present[id - 1] = true;
  }
  return language;
}

const std::vector<Language>& languages() {
  static const std::vector<Language> all = [] {
    std::vector<Language> out;
    for (size_t i = 0; i < kTextFileCount; ++i) out.push_back(parseLanguage(kTextFiles[i]));
    return out;
  }();
  return all;
}

// The language file of a Windows language identifier; English for any other language.
std::string_view tagOf(LANGID id) {
  const WORD primary = PRIMARYLANGID(id), sub = SUBLANGID(id);
  switch (primary) {
    case 0x01: return "ara";
    case 0x02: return "bul";
    case 0x04: return sub == 0x02 || sub == 0x04 ? "zhs" : "zht";
    case 0x05: return "cze";
    case 0x06: return "dan";
    case 0x07: return "deu";
    case 0x08: return "ell";
    case 0x0A: return "spa";
    case 0x0B: return "fin";
    case 0x0C: return "fra";
    case 0x0D: return "heb";
    case 0x0E: return "hun";
    case 0x10: return "ita";
    case 0x11: return "jpn";
    case 0x12: return "kor";
    case 0x13: return "nld";
    case 0x14: return "nor";
    case 0x15: return "pol";
    case 0x16: return sub == 0x01 ? "bra" : "por";
    case 0x18: return "rom";
    case 0x19: return "rus";
    case 0x1A:
      // Croatian, Serbian in Latin and Serbian in Cyrillic share one primary language.
      if (sub == 0x01 || sub == 0x04) return "hrv";
      if (sub == 0x03 || sub == 0x07 || sub == 0x0A || sub == 0x0C) return "cpn";
      return "srp";
    case 0x1B: return "slk";
    case 0x1D: return "swe";
    case 0x1E: return "tha";
    case 0x1F: return "tur";
    case 0x21: return "ind";
    case 0x22: return "ukr";
    case 0x23: return "bel";
    case 0x24: return "slv";
    case 0x25: return "est";
    case 0x29: return "per";
    case 0x2A: return "vie";
    case 0x39: return "hin";
    default: return "eng";
  }
}

size_t countOf(std::u16string_view text, std::u16string_view what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::u16string_view::npos; at = text.find(what, at + what.size())) ++n;
  return n;
}

}  // namespace

const char16_t* text(Text id) {
  const size_t index = static_cast<size_t>(id);
  const std::string_view tag = tagOf(GetUserDefaultUILanguage());
  for (const Language& language : languages()) {
    if (language.tag == tag && index < kTextCount && language.present[index]) return language.texts[index].c_str();
  }
  return englishText(id);
}

std::vector<std::string> textProblems() {
  std::vector<std::string> problems;
  const Language* english = nullptr;
  for (const Language& language : languages()) {
    if (language.tag == "eng") english = &language;
  }
  if (english == nullptr) return {"no English texts"};
  for (size_t i = 0; i < kTextCount; ++i) {
    if (english->texts[i] != englishText(static_cast<Text>(i)))
      problems.push_back("eng: text " + std::to_string(i + 1) + " differs from the layer's own");
  }
  for (const Language& language : languages()) {
    for (size_t i = 0; i < kTextCount; ++i) {
      const std::string where = language.tag + ": text " + std::to_string(i + 1);
      const std::u16string& t = language.texts[i];
      if (!language.present[i] || t.empty()) {
        problems.push_back(where + " is missing");
        continue;
      }
      // One mnemonic where English has one (none where it has none), and every placeholder.
      const size_t marks = countOf(t, u"&"), englishMarks = countOf(english->texts[i], u"&");
      if (marks != englishMarks) problems.push_back(where + " has " + std::to_string(marks) + " mnemonics");
      if (countOf(t, u"%s") != countOf(english->texts[i], u"%s")) problems.push_back(where + " lost its %s");
    }
  }
  return problems;
}

std::u16string rootFolder() { return u"Z:\\"; }

std::u16string homeFolder() {
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] != '/') return rootFolder();
  return resolvePath(paths::toWindows(home), rootFolder());
}

std::u16string displayPath(std::u16string_view windowsPath) {
  std::string bytes;
  if (!paths::toUnix(windowsPath, bytes)) return std::u16string(windowsPath);
  std::u16string out;
  utf8::toUtf16(bytes, out);
  return out;
}

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
