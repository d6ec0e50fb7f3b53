// The folder browser, our own: a "#32770" frame "Browse For Folder" with the caller's title, a
// row of the places and an Up button, the list of the current folder's sub-folders (a click
// selects one, a double-click opens it, Backspace goes up), "Folder:" with the selected
// path when BIF_EDITBOX asks for it, and OK and Cancel. A typed path naming a folder is the
// answer; one naming none goes to the callback (BIF_VALIDATE) or a message box. The callback gets
// BFFM_INITIALIZED and BFFM_SELCHANGED and may send BFFM_SETSELECTIONW, BFFM_ENABLEOK and
// BFFM_SETSTATUSTEXTW. The answer is an item list of the layer's (a CoTaskMemAlloc block). Under
// the headless driver the dialog takes the next scripted folder (checked as a typed path) or
// cancels at once; "run" shows it for injected input.
// Left out: a folder tree, "Make New Folder", pidlRoot (the whole file system can be browsed)
// and the non-file-system items.
#include <shlobj.h>

#include "winapi/base/userdirs.h"
#include "winapi/comdlg32/Browsing.h"
#include "winapi/gdi32/DisplayDriver.h"
#include "winapi/shell32/idlist.h"
#include "winapi/user32/Dialogs.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

using winapi::dialogs::Entry;
using winapi::dialogs::Text;
using winapi::dialogs::text;
using winapi::dialogs::windowText;

constexpr int kTitleId = 0x3742;
constexpr int kStatusId = 0x3743;
constexpr int kListId = 0x3741;
constexpr int kFolderLabelId = 0x3748;
constexpr int kFolderId = 0x3744;
constexpr int kUpId = 0x3750;
constexpr int kHomeId = 0x3751;
constexpr int kDesktopId = 0x3752;
constexpr int kRootId = 0x3753;

constexpr int kMargin = 8;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;

struct FolderDialog {
  BROWSEINFOW* info = nullptr;
  bool listing = true;
  HFONT font = nullptr;
  HWND dialog = nullptr;
  HWND list = nullptr;
  HWND field = nullptr;
  WNDPROC listProc = nullptr;
  std::u16string current;   // the folder whose sub-folders are listed
  std::u16string selected;  // the folder chosen so far
  std::u16string desktop;
  std::vector<Entry> entries;
  bool initialized = false;  // callbacks begin with BFFM_INITIALIZED
  std::u16string answer;     // empty: none
};

FolderDialog* dialogOf(HWND dialog) { return reinterpret_cast<FolderDialog*>(GetWindowLongPtrW(dialog, DWLP_USER)); }

int callback(FolderDialog& d, UINT message, LPARAM lParam) {
  if (d.info->lpfn == nullptr) return 0;
  return d.info->lpfn(d.dialog, message, lParam, d.info->lParam);
}

void select(FolderDialog& d, const std::u16string& folder) {
  d.selected = folder;
  if (d.field != nullptr) SetWindowTextW(d.field, winapi::dialogs::displayPath(folder).c_str());
  if (d.initialized && d.info->lpfn != nullptr) {
    PIDLIST_ABSOLUTE item = winapi::shell::makeIdList(folder);
    callback(d, BFFM_SELCHANGED, reinterpret_cast<LPARAM>(item));
    CoTaskMemFree(item);
  }
}

void open(FolderDialog& d, const std::u16string& folder) {
  d.current = folder;
  if (d.listing) {
    winapi::dialogs::listFolder(folder, u"", false, true, d.entries);
    SendMessageW(d.list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(d.list, LB_RESETCONTENT, 0, 0);
    for (size_t i = 0; i < d.entries.size(); ++i) SendMessageW(d.list, LB_ADDSTRING, 0, static_cast<LPARAM>(i));
    SendMessageW(d.list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(d.list, nullptr, TRUE);
  }
  select(d, folder);
}

const Entry* selectedEntry(FolderDialog& d) {
  LRESULT row = SendMessageW(d.list, LB_GETCURSEL, 0, 0);
  if (row < 0 || static_cast<size_t>(row) >= d.entries.size()) return nullptr;
  return &d.entries[static_cast<size_t>(row)];
}

void finish(FolderDialog& d, const std::u16string& answer) {
  d.answer = answer;
  EndDialog(d.dialog, answer.empty() ? 0 : 1);
}

// OK: the typed path (or the selection without an edit box) must name a folder.
void accept(FolderDialog& d) {
  std::u16string typed = d.field != nullptr ? windowText(d.field) : winapi::dialogs::displayPath(d.selected);
  while (!typed.empty() && typed.back() == u' ') typed.pop_back();
  std::u16string path = typed.empty() ? d.selected : winapi::dialogs::resolvePath(typed, d.current);
  if (winapi::dialogs::isFolder(path)) {
    finish(d, path);
    return;
  }
  if ((d.info->ulFlags & BIF_VALIDATE) != 0) {
    // As on Windows: the callback's 0 ends the dialog with no folder, anything else keeps it.
    if (callback(d, BFFM_VALIDATEFAILEDW, reinterpret_cast<LPARAM>(typed.c_str())) == 0) finish(d, u"");
    return;
  }
  std::u16string message = typed + u"\n" + text(Text::NoSuchFolder);
  MessageBoxW(d.dialog, message.c_str(), text(Text::BrowseForFolder), MB_OK | MB_ICONWARNING);
}

void layout(FolderDialog& d) {
  RECT client;
  GetClientRect(d.dialog, &client);
  const int w = client.right, h = client.bottom;
  auto place = [&d](int id, int x, int y, int cw, int ch) {
    winapi::dialogs::placeControl(d.dialog, id, x, y, cw, ch);
  };
  int y = kMargin;
  place(kTitleId, kMargin, y, w - 2 * kMargin, 30);
  y += 30;
  if (GetDlgItem(d.dialog, kStatusId) != nullptr) {
    place(kStatusId, kMargin, y, w - 2 * kMargin, 16);
    y += 18;
  }
  const int placeWidth = (w - 2 * kMargin - 3 * 4) / 4;
  place(kUpId, kMargin, y, placeWidth, kButtonHeight);
  place(kHomeId, kMargin + (placeWidth + 4), y, placeWidth, kButtonHeight);
  place(kDesktopId, kMargin + 2 * (placeWidth + 4), y, placeWidth, kButtonHeight);
  place(kRootId, kMargin + 3 * (placeWidth + 4), y, placeWidth, kButtonHeight);
  y += kButtonHeight + kMargin;
  int bottom = h - kMargin - kButtonHeight - kMargin;
  if (d.field != nullptr) {
    bottom -= 21 + kMargin;
    place(kFolderLabelId, kMargin, bottom + kMargin + 4, 50, 16);
    place(kFolderId, kMargin + 54, bottom + kMargin, w - 2 * kMargin - 54, 21);
  }
  place(kListId, kMargin, y, w - 2 * kMargin, bottom - y);
  place(IDOK, w - 2 * kMargin - 2 * kButtonWidth, h - kMargin - kButtonHeight, kButtonWidth, kButtonHeight);
  place(IDCANCEL, w - kMargin - kButtonWidth, h - kMargin - kButtonHeight, kButtonWidth, kButtonHeight);
  InvalidateRect(d.dialog, nullptr, TRUE);
}

LRESULT CALLBACK listKeys(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
  FolderDialog* d = dialogOf(GetParent(list));
  if (d != nullptr && message == WM_KEYDOWN && wParam == VK_BACK) {
    open(*d, winapi::dialogs::parentFolder(d->current));
    return 0;
  }
  WNDPROC base = d != nullptr ? d->listProc : nullptr;
  return base != nullptr ? CallWindowProcW(base, list, message, wParam, lParam)
                         : DefWindowProcW(list, message, wParam, lParam);
}

INT_PTR CALLBACK folderDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  FolderDialog* d = dialogOf(dialog);
  if (d == nullptr) return FALSE;
  switch (message) {
    case WM_INITDIALOG: SetFocus(d->list); return FALSE;
    case WM_SIZE: layout(*d); return TRUE;
    case WM_MEASUREITEM:
    case WM_DRAWITEM: return winapi::dialogs::answerListRows(message, lParam, kListId, d->entries);
    case WM_COMMAND: {
      const int id = LOWORD(wParam), code = HIWORD(wParam);
      switch (id) {
        case IDOK: accept(*d); return TRUE;
        case IDCANCEL: finish(*d, u""); return TRUE;
        case kUpId: open(*d, winapi::dialogs::parentFolder(d->current)); return TRUE;
        case kHomeId: open(*d, winapi::dialogs::homeFolder()); return TRUE;
        case kDesktopId:
          if (winapi::dialogs::isFolder(d->desktop)) open(*d, d->desktop);
          return TRUE;
        case kRootId: open(*d, winapi::dialogs::rootFolder()); return TRUE;
        case kListId: {
          const Entry* entry = selectedEntry(*d);
          if (entry == nullptr) return TRUE;
          std::u16string path = winapi::dialogs::joinPath(d->current, entry->name);
          if (code == LBN_SELCHANGE) select(*d, path);
          if (code == LBN_DBLCLK) open(*d, path);
          return TRUE;
        }
        default: return FALSE;
      }
    }
    case BFFM_SETSELECTIONW: {
      std::u16string path;
      if (wParam != 0) {
        if (lParam != 0) path = winapi::dialogs::resolvePath(reinterpret_cast<LPCWSTR>(lParam), d->current);
      } else {
        winapi::shell::pathOfIdList(reinterpret_cast<PCIDLIST_ABSOLUTE>(lParam), path);
      }
      // The folder's parent is listed with the folder selected in it.
      if (!path.empty() && winapi::dialogs::isFolder(path)) {
        open(*d, winapi::dialogs::parentFolder(path));
        std::u16string_view name = winapi::dialogs::nameOf(path);
        for (size_t i = 0; i < d->entries.size(); ++i) {
          if (d->entries[i].name == name) SendMessageW(d->list, LB_SETCURSEL, i, 0);
        }
        select(*d, path);
      }
      SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 0);
      return TRUE;
    }
    case BFFM_ENABLEOK:
      EnableWindow(GetDlgItem(dialog, IDOK), lParam != 0);
      SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 0);
      return TRUE;
    case BFFM_SETSTATUSTEXTW:
      SetDlgItemTextW(dialog, kStatusId, reinterpret_cast<LPCWSTR>(lParam));
      SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 0);
      return TRUE;
    default: return FALSE;
  }
}

bool buildControls(FolderDialog& d) {
  using winapi::dialogs::makeControl;
  HWND dlg = d.dialog;
  HFONT f = d.font;
  const UINT flags = d.info->ulFlags;
  makeControl(dlg, f, u"Static", d.info->lpszTitle != nullptr ? d.info->lpszTitle : u"", SS_LEFT | SS_NOPREFIX,
              kTitleId);
  if ((flags & BIF_STATUSTEXT) != 0) makeControl(dlg, f, u"Static", u"", SS_LEFT | SS_NOPREFIX, kStatusId);
  makeControl(dlg, f, u"Button", text(Text::Up), BS_PUSHBUTTON | WS_TABSTOP, kUpId);
  makeControl(dlg, f, u"Button", text(Text::Home), BS_PUSHBUTTON | WS_TABSTOP, kHomeId);
  if (!d.desktop.empty()) makeControl(dlg, f, u"Button", text(Text::Desktop), BS_PUSHBUTTON | WS_TABSTOP, kDesktopId);
  makeControl(dlg, f, u"Button", text(Text::FileSystem), BS_PUSHBUTTON | WS_TABSTOP, kRootId);
  d.list = makeControl(dlg, f, u"ListBox", u"",
                       LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP, kListId,
                       WS_EX_CLIENTEDGE);
  if ((flags & BIF_EDITBOX) != 0) {
    makeControl(dlg, f, u"Static", text(Text::Folder), SS_LEFT, kFolderLabelId);
    d.field = makeControl(dlg, f, u"Edit", u"", ES_AUTOHSCROLL | WS_TABSTOP, kFolderId, WS_EX_CLIENTEDGE);
    if (d.field == nullptr) return false;
  }
  makeControl(dlg, f, u"Button", text(Text::OK), BS_DEFPUSHBUTTON | WS_TABSTOP, IDOK);
  makeControl(dlg, f, u"Button", text(Text::Cancel), BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL);
  if (d.list == nullptr) return false;
  SendMessageW(d.list, LB_SETITEMHEIGHT, 0, winapi::dialogs::kRowHeight);
  d.listProc =
      reinterpret_cast<WNDPROC>(SetWindowLongPtrW(d.list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&listKeys)));
  return true;
}

}  // namespace

extern "C" PIDLIST_ABSOLUTE WINAPI SHBrowseForFolderW(LPBROWSEINFOW info) {
  if (info == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  winapi::ModalAnswer answer = winapi::displayDriver().takeModalAnswer(winapi::ModalAnswer::Kind::Folder);
  if (answer.kind != winapi::ModalAnswer::Kind::Folder && answer.kind != winapi::ModalAnswer::Kind::Run) {
    return nullptr;
  }
  FolderDialog d;
  d.info = info;
  d.listing = answer.kind == winapi::ModalAnswer::Kind::Run;
  d.desktop = winapi::paths::desktopFolder();
  if (!winapi::dialogs::isFolder(d.desktop)) d.desktop.clear();
  d.font = winapi::dialogs::makeDialogFont();
  const DWORD style = (info->ulFlags & BIF_NEWDIALOGSTYLE) != 0 ? WS_THICKFRAME : 0;
  d.dialog = winapi::dialogs::makeDialog(info->hwndOwner, text(Text::BrowseForFolder), style, 360, 400,
                                         folderDialogProc, &d, [&d](HWND dialog) {
                                           d.dialog = dialog;
                                           return buildControls(d);
                                         });
  if (d.dialog == nullptr) {
    DeleteObject(d.font);
    return nullptr;
  }
  layout(d);
  open(d, winapi::dialogs::homeFolder());
  d.initialized = true;
  callback(d, BFFM_INITIALIZED, 0);

  if (answer.kind == winapi::ModalAnswer::Kind::Folder) {
    // A scripted folder is typed as the user would type it, and checked the same way.
    const std::u16string typed = answer.files.empty() ? std::u16string() : answer.files[0];
    if (d.field == nullptr) {
      d.field = winapi::dialogs::makeControl(d.dialog, d.font, u"Edit", u"", ES_AUTOHSCROLL, kFolderId);
    }
    if (d.field != nullptr) {
      SetWindowTextW(d.field, typed.c_str());
      accept(d);
    }
    DestroyWindow(d.dialog);
  } else {
    winapi::ModalOptions options;
    if (info->hwndOwner != nullptr && IsWindow(info->hwndOwner)) {
      options.disable.push_back(GetAncestor(info->hwndOwner, GA_ROOT));
    }
    winapi::runModalDialog(d.dialog, options);
  }
  DeleteObject(d.font);
  if (d.answer.empty()) return nullptr;
  if (info->pszDisplayName != nullptr) {
    std::u16string name(winapi::dialogs::nameOf(d.answer));
    if (name.empty()) name = d.answer;
    if (name.size() >= MAX_PATH) name.resize(MAX_PATH - 1);
    std::memcpy(info->pszDisplayName, name.c_str(), (name.size() + 1) * sizeof(char16_t));
  }
  return winapi::shell::makeIdList(d.answer);
}
