// What the open, save and folder dialogs share: folders as the user sees them, typed paths in
// either form, folder listings with patterns, the places and the list rows with their glyphs
// (the dialogs' words are user32's, beside the message box). Offered by comdlg32 to shell32's
// folder browser.
#pragma once

#include <windows.h>

#include "winapi/user32/DialogWords.h"
#include "winapi/user32/Dialogs.h"

#include <string>
#include <string_view>
#include <vector>

namespace winapi::dialogs {

/// A folder or file of a listing.
struct Entry {
  std::u16string name;
  bool folder = false;
};

/// The user's home folder in the program's form (Z:\home\ann); the root when there is none.
std::u16string homeFolder();
/// The root of the file system (Z:\).
std::u16string rootFolder();
/// A folder or file as the user knows it (/home/ann/Music).
std::u16string displayPath(std::u16string_view windowsPath);
/// A typed path (/home/ann/x.mp3, Z:\home\ann\x.mp3, or relative to `folder`) in the program's
/// full form, without a trailing separator except at the root.
std::u16string resolvePath(std::u16string_view typed, std::u16string_view folder);
/// The folder above `path`; the root stays the root.
std::u16string parentFolder(std::u16string_view path);
/// The last component of `path`.
std::u16string_view nameOf(std::u16string_view path);
/// `folder` joined with `name`.
std::u16string joinPath(std::u16string_view folder, std::u16string_view name);

bool isFolder(std::u16string_view path);
bool exists(std::u16string_view path);

/// Whether `name` matches one of the ";"-separated `patterns` ("*" and "?", ignoring case; "*.*"
/// matches every name, as on Windows).
bool matchesPatterns(std::u16string_view name, std::u16string_view patterns);

/// The sub-folders of `folder`, then (unless foldersOnly) its files that match `patterns`, each
/// group sorted by name ignoring case; names beginning with "." only with showHidden. False when
/// the folder cannot be read.
bool listFolder(std::u16string_view folder, std::u16string_view patterns, bool showHidden, bool foldersOnly,
                std::vector<Entry>& out);

/// The height of a list row and the drawing of one (glyph and name), for owner-drawn list boxes
/// whose item data indexes `entries`.
constexpr int kRowHeight = 18;
void drawEntryRow(const DRAWITEMSTRUCT& item, const std::vector<Entry>& entries);
/// Answers WM_MEASUREITEM and WM_DRAWITEM for the list `listId`; false for other messages.
bool answerListRows(UINT message, LPARAM lParam, int listId, const std::vector<Entry>& entries);

/// Moves a dialog's control `id` (when it has one), without repainting.
void placeControl(HWND dialog, int id, int x, int y, int width, int height);

/// A hidden dialog frame whose DWLP_USER is `state`, with the controls `build(dialog)` makes;
/// null (nothing left behind) when the frame or a control cannot be made.
template <typename Build>
HWND makeDialog(HWND owner, LPCWSTR caption, DWORD style, int width, int height, DLGPROC proc, void* state,
                Build build) {
  HWND dialog = createDialogFrame(owner, caption, style, 0, width, height, proc);
  if (dialog == nullptr) return nullptr;
  SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
  if (!build(dialog)) {
    DestroyWindow(dialog);
    return nullptr;
  }
  return dialog;
}

/// A window's text.
std::u16string windowText(HWND hwnd);

/// Makes a visible child control of a dialog in `font`; the dialog lays it out later.
HWND makeControl(HWND dialog, HFONT font, LPCWSTR className, LPCWSTR caption, DWORD style, int id, DWORD exStyle = 0);
/// The dialogs' font: "MS Shell Dlg 2" at 8 points; the caller deletes it.
HFONT makeDialogFont();

}  // namespace winapi::dialogs
