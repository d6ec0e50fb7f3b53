// The framework's common dialogs: the open and save dialogs, the colour dialog and the print
// dialog.
#pragma once

#include <windows.h>
#include <afxwin.h>

#include <string>

#ifndef LUMETRA_POSITION_DEFINED
#define LUMETRA_POSITION_DEFINED
/// A place in a list the framework walks (GetStartPosition, GetNextPathName).
struct __POSITION {};
typedef __POSITION* POSITION;
#endif

/// The open or save dialog over GetOpenFileNameW and GetSaveFileNameW, explorer style with its
/// hook: while the dialog is open the object's window is the hook's child window (the dialog is
/// its parent), and the notifications come to the virtual On... calls. m_ofn is the caller's to
/// adjust before DoModal (lpstrInitialDir, a larger lpstrFile buffer for several files).
/// Texts are the layer's UTF-16 strings. This framework has no message maps: subclasses
/// override the virtual calls.
class CFileDialog : public CWnd {
  DECLARE_DYNAMIC(CFileDialog)
 public:
  /// `filter` in the framework's form: "description|patterns|...|" ending with "||".
  explicit CFileDialog(BOOL openFileDialog, LPCWSTR defaultExtension = nullptr, LPCWSTR fileName = nullptr,
                       DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCWSTR filter = nullptr,
                       CWnd* parent = nullptr);
  ~CFileDialog() override;

  OPENFILENAMEW m_ofn{};
  BOOL m_bOpenFileDialog = TRUE;

  /// IDOK when the user chose, IDCANCEL on Cancel or failure (CommDlgExtendedError tells which).
  virtual INT_PTR DoModal();

  /// The chosen file's full path (while open: the path the name field names); with several
  /// files, the first.
  std::u16string GetPathName() const;
  /// The name and extension of the chosen file, without its folder.
  std::u16string GetFileName() const;
  /// The chosen file's extension without the dot; empty when none.
  std::u16string GetFileExt() const;
  /// The folder of the chosen files (while open: the current folder).
  std::u16string GetFolderPath() const;
  /// The first of the chosen paths; null when there is none.
  POSITION GetStartPosition() const;
  /// The path at `position`, which moves on to the next (null after the last).
  std::u16string GetNextPathName(POSITION& position) const;
  /// Sets the text of a control of the open dialog (CDM_SETCONTROLTEXT).
  void SetControlText(int id, LPCWSTR text);

 protected:
  virtual void OnInitDone() {}
  virtual void OnFileNameChange() {}
  virtual void OnFolderChange() {}
  /// After the user picked another file type; m_ofn.nFilterIndex is the new one.
  virtual void OnTypeChange() {}
  /// TRUE keeps the dialog open (the choice is refused).
  virtual BOOL OnFileNameOK() { return FALSE; }

 private:
  static UINT_PTR CALLBACK hookProc(HWND hook, UINT message, WPARAM wParam, LPARAM lParam);
  std::u16string askDialog(UINT message) const;
  std::u16string m_filter;
  char16_t m_fileName[MAX_PATH]{};
  char16_t m_fileTitle[MAX_PATH]{};
};

/// The colour dialog over ChooseColorW. The custom colours are kept per process, shared by every
/// colour dialog of the framework.
class CColorDialog : public CWnd {
  DECLARE_DYNAMIC(CColorDialog)
 public:
  explicit CColorDialog(COLORREF initial = 0, DWORD flags = 0, CWnd* parent = nullptr);

  CHOOSECOLORW m_cc{};

  virtual INT_PTR DoModal();
  COLORREF GetColor() const { return m_cc.rgbResult; }
  /// The process's 16 custom colours.
  static COLORREF* GetSavedCustomColors();
};

/// The print dialog over PrintDlgW. m_pd is the caller's to fill before DoModal (page range,
/// flags). The layer has no printers: DoModal answers IDCANCEL and CommDlgExtendedError tells
/// PDERR_NODEFAULTPRN.
class CPrintDialog : public CCmdTarget {
  DECLARE_DYNAMIC(CPrintDialog)
 public:
  explicit CPrintDialog(BOOL printSetupOnly,
                        DWORD flags = PD_ALLPAGES | PD_USEDEVMODECOPIES | PD_NOPAGENUMS | PD_HIDEPRINTTOFILE |
                                      PD_NOSELECTION,
                        CWnd* parent = nullptr);
  ~CPrintDialog() override;

  PRINTDLGW m_pd{};

  /// IDOK when the user chose a printer, IDCANCEL otherwise.
  virtual INT_PTR DoModal();
  /// The default printer without showing anything; FALSE when there is none.
  BOOL GetDefaults();
  /// The chosen printer's port; empty when none was chosen.
  LPCWSTR GetPortName() const;
  /// A DC of the chosen printer, which the caller deletes; null when none was chosen.
  HDC CreatePrinterDC();
  int GetFromPage() const { return m_pd.nFromPage; }
  int GetToPage() const { return m_pd.nToPage; }
  BOOL PrintRange() const { return (m_pd.Flags & PD_PAGENUMS) != 0; }
};
