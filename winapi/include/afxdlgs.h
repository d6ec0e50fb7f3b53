// The framework's common dialogs: the print dialog.
#pragma once

#include <windows.h>
#include <afxwin.h>

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
