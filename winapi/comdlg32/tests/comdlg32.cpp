// Conformance of printing without a printer: the print dialog, printer DCs, the document and
// page calls, and the framework's wrappers all answer the failures Windows gives on a system
// that has no printer.
#include <windows.h>
#include <afxdlgs.h>
#include <afxwin.h>

#include <gtest/gtest.h>

#include <cstddef>

namespace {

TEST(Printing, TheDialogAndPrinterDcsFindNoPrinter) {
  EXPECT_EQ(sizeof(PRINTDLGW), 120u);
  EXPECT_EQ(offsetof(PRINTDLGW, Flags), 40u);
  EXPECT_EQ(offsetof(PRINTDLGW, nFromPage), 44u);
  EXPECT_EQ(offsetof(PRINTDLGW, hInstance), 56u);
  EXPECT_EQ(sizeof(DOCINFOW), 40u);

  PRINTDLGW pd{};
  pd.lStructSize = sizeof pd;
  pd.Flags = PD_RETURNDC | PD_PAGENUMS;
  pd.nMinPage = pd.nMaxPage = pd.nFromPage = pd.nToPage = 1;
  EXPECT_FALSE(PrintDlgW(&pd));
  EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(PDERR_NODEFAULTPRN));
  EXPECT_EQ(pd.hDC, nullptr);
  pd.lStructSize = 12;
  EXPECT_FALSE(PrintDlgW(&pd));
  EXPECT_EQ(CommDlgExtendedError(), static_cast<DWORD>(CDERR_STRUCTSIZE));

  SetLastError(0);
  EXPECT_EQ(CreateDCW(u"WINSPOOL", u"Any Printer", nullptr, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));

  HDC memory = CreateCompatibleDC(nullptr);
  DOCINFOW doc{static_cast<int>(sizeof doc), u"picture", nullptr, nullptr, 0};
  EXPECT_EQ(StartDocW(memory, &doc), SP_ERROR) << "not a printer DC";
  EXPECT_LE(StartPage(memory), 0);
  EXPECT_LE(EndPage(memory), 0);
  EXPECT_LE(EndDoc(memory), 0);
  EXPECT_LE(AbortDoc(memory), 0);
  DeleteDC(memory);
  SetLastError(0);
  EXPECT_EQ(StartDocW(nullptr, &doc), SP_ERROR);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(Printing, FrameworkWrappersAnswerNoPrinter) {
  CPrintDialog dialog(FALSE, PD_PAGENUMS | PD_USEDEVMODECOPIES);
  dialog.m_pd.nMinPage = dialog.m_pd.nMaxPage = 1;
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_FALSE(dialog.GetDefaults());
  EXPECT_EQ(dialog.CreatePrinterDC(), nullptr);
  EXPECT_EQ(dialog.GetPortName()[0], u'\0');

  CDC dc;
  EXPECT_TRUE(dc.CreateCompatibleDC(nullptr));
  EXPECT_EQ(dc.StartDoc(u"picture"), SP_ERROR);
  EXPECT_LE(dc.EndDoc(), 0);
}

}  // namespace
