// The framework's printing: the application's printer defaults and the print dialog, over
// PrintDlgW. Without a printer (on this system, always outside tests) the defaults are missing
// and the dialog is cancelled, which callers take as "nothing to print on".
#include <windows.h>
#include <afxdlgs.h>
#include <afxwin.h>

IMPLEMENT_DYNAMIC(CPrintDialog, CCmdTarget)

BOOL CWinApp::GetPrinterDeviceDefaults(PRINTDLGW* dialog) {
  if (dialog == nullptr) return FALSE;
  dialog->lStructSize = sizeof(PRINTDLGW);
  dialog->Flags |= PD_RETURNDEFAULT;
  BOOL ok = PrintDlgW(dialog);
  dialog->Flags &= ~static_cast<DWORD>(PD_RETURNDEFAULT);
  return ok;
}

BOOL CWinApp::CreatePrinterDC(CDC& dc) {
  PRINTDLGW defaults{};
  defaults.lStructSize = sizeof defaults;
  defaults.Flags = PD_RETURNDC;
  const BOOL found = GetPrinterDeviceDefaults(&defaults);
  if (defaults.hDevNames != nullptr) GlobalFree(defaults.hDevNames);
  if (!found || defaults.hDC == nullptr) return FALSE;
  return dc.Attach(defaults.hDC);
}

CPrintDialog::CPrintDialog(BOOL printSetupOnly, DWORD flags, CWnd* parent) {
  m_pd.lStructSize = sizeof m_pd;
  m_pd.hwndOwner = parent != nullptr ? parent->m_hWnd : nullptr;
  m_pd.Flags = flags | PD_RETURNDC | (printSetupOnly ? PD_PRINTSETUP : 0);
  m_pd.nCopies = 1;
}

CPrintDialog::~CPrintDialog() {
  if (m_pd.hDC != nullptr) DeleteDC(m_pd.hDC);
  if (m_pd.hDevNames != nullptr) GlobalFree(m_pd.hDevNames);
}

INT_PTR CPrintDialog::DoModal() { return PrintDlgW(&m_pd) ? IDOK : IDCANCEL; }

BOOL CPrintDialog::GetDefaults() {
  m_pd.Flags |= PD_RETURNDEFAULT;
  BOOL ok = PrintDlgW(&m_pd);
  m_pd.Flags &= ~static_cast<DWORD>(PD_RETURNDEFAULT);
  return ok;
}

// The port of the chosen printer; empty before one was chosen.
LPCWSTR CPrintDialog::GetPortName() const {
  const auto* names = static_cast<const DEVNAMES*>(GlobalLock(m_pd.hDevNames));
  if (names == nullptr) return u"";
  // The block stays where it is while the dialog holds it, so the text may be handed out.
  const auto* port = reinterpret_cast<const char16_t*>(names) + names->wOutputOffset;
  GlobalUnlock(m_pd.hDevNames);
  return port;
}

HDC CPrintDialog::CreatePrinterDC() {
  HDC dc = m_pd.hDC;
  m_pd.hDC = nullptr;  // the caller owns it now
  return dc;
}
