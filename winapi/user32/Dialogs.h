// The layer's own dialog classes ("Edit" and the dialog frame "#32770") and the modal loop that
// every dialog of the layer runs in. Internal to the layer.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace winapi {

/// The window procedure of the "Edit" system class (the dialog class's is DefDlgProcW).
LRESULT CALLBACK editProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
/// The extra bytes of a dialog window: DWLP_MSGRESULT, DWLP_DLGPROC and DWLP_USER.
constexpr int kDialogWindowExtra = 3 * sizeof(LONG_PTR);

/// How a modal dialog of the layer runs.
struct ModalOptions {
  /// Windows disabled while the dialog runs and enabled again before it is destroyed (the
  /// owner's top-level window; for a task-modal box, the thread's top-level windows).
  std::vector<HWND> disable;
  /// What the dialog answers when WM_QUIT ends its loop (the message is posted again).
  INT_PTR quitResult = 0;
  /// Kept above other windows (MB_SYSTEMMODAL, MB_TOPMOST, an owner kept on top).
  bool topmost = false;
  /// WM_INITDIALOG's lParam.
  LPARAM initParam = 0;
};

/// Makes a hidden dialog frame of class "#32770" with a caption and close box, the client size
/// given, owned by `owner`'s top-level window (null: none), with `proc` as its DWLP_DLGPROC.
/// Controls are then made as its children; runModalDialog shows and runs it.
HWND createDialogFrame(HWND owner, LPCWSTR caption, DWORD style, DWORD exStyle, int clientWidth, int clientHeight,
                       DLGPROC proc);

/// Runs a dialog made by createDialogFrame on the calling thread until EndDialog or WM_QUIT:
/// sends WM_INITDIALOG, centres it on its owner (or the primary work area) within the work area,
/// disables what options.disable names, shows it, dispatches the thread's messages meanwhile,
/// then enables and activates the owner again and destroys the dialog. Answers EndDialog's
/// result (options.quitResult after WM_QUIT; 0 when the dialog went away by itself).
INT_PTR runModalDialog(HWND dialog, const ModalOptions& options);

/// Moves a top-level window to the centre of `over` (screen coordinates) and then fully into
/// the work area of the monitor it lands on.
void centreWindow(HWND hwnd, const RECT& over);

/// True for a window of the dialog class "#32770".
bool isDialogFrame(HWND hwnd);
/// After the focus moved inside a dialog: the focused push button shows the default mark, and
/// the dialog's default button gets it back when the focus leaves the push buttons.
void followDefaultMark(HWND dialog);

/// The side of a message box icon in pixels.
constexpr int kMessageBoxIconSize = 32;
/// Draws the icon of an MB_ICON* type over `background` into 32 x 32 opaque ARGB pixels, top
/// row first; false (nothing drawn) for a type without an icon.
bool drawMessageBoxIcon(UINT iconType, COLORREF background, uint32_t* pixels);

}  // namespace winapi
