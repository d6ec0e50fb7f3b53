// Conformance of printing. Without a printer the print dialog, printer DCs, the document and
// page calls and the framework's wrappers answer the failures Windows gives on a system that has
// none; with the headless driver's test printer they print pages that the test reads back.
#include <windows.h>
#include <afxdlgs.h>
#include <afxwin.h>

#include <gtest/gtest.h>

#include "winapi/drivers/headless/HeadlessDriver.h"

#include <cstddef>
#include <string>
#include <vector>

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

winapi::HeadlessDriver& headless() { return *winapi::HeadlessDriver::current(); }

// A small printer, so that pages stay small: 40 x 30 mm at 100 dots per inch (157 x 118 dots).
class TestPrinter : public ::testing::Test {
 protected:
  void SetUp() override {
    headless().setTestPrinter(winapi::Printer{u"Test Printer", u"LPT1:", 40, 30, 100, 100});
    headless().takePrintedPages();
  }
  void TearDown() override {
    headless().removeTestPrinter();
    headless().clearAnswers();
  }
};

TEST_F(TestPrinter, ItsDcTellsThePaperAndPrintsWhatWasPaintedPageByPage) {
  SetLastError(0);
  EXPECT_EQ(CreateDCW(u"WINSPOOL", u"Other Printer", nullptr, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));
  HDC dc = CreateDCW(u"WINSPOOL", u"Test Printer", nullptr, nullptr);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(GetDeviceCaps(dc, TECHNOLOGY), DT_RASPRINTER);
  EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), 100);
  EXPECT_EQ(GetDeviceCaps(dc, HORZSIZE), 40);
  EXPECT_EQ(GetDeviceCaps(dc, VERTSIZE), 30);
  EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 157) << "40 mm at 100 dpi, cut down";
  EXPECT_EQ(GetDeviceCaps(dc, VERTRES), 118);

  EXPECT_EQ(StartPage(dc), SP_ERROR) << "no document yet";
  DOCINFOW doc{static_cast<int>(sizeof doc), u"Picture", u"LPT1:", nullptr, 0};
  EXPECT_GT(StartDocW(dc, &doc), 0);
  EXPECT_EQ(StartDocW(dc, &doc), SP_ERROR) << "one document at a time";
  ASSERT_GT(StartPage(dc), 0);
  RECT red{10, 5, 20, 15};
  HBRUSH brush = CreateSolidBrush(RGB(255, 0, 0));
  FillRect(dc, &red, brush);
  EXPECT_GT(EndPage(dc), 0);
  ASSERT_GT(StartPage(dc), 0);  // left open: EndDoc finishes it
  EXPECT_GT(EndDoc(dc), 0);
  DeleteObject(brush);
  DeleteDC(dc);

  std::vector<winapi::PrintedPage> pages = headless().takePrintedPages();
  ASSERT_EQ(pages.size(), 2u);
  EXPECT_EQ(pages[0].printer, u"Test Printer");
  EXPECT_EQ(pages[0].document, u"Picture");
  EXPECT_EQ(pages[0].output, u"LPT1:");
  ASSERT_EQ(pages[0].width, 157);
  ASSERT_EQ(pages[0].height, 118);
  ASSERT_EQ(pages[0].pixels.size(), 157u * 118u);
  EXPECT_EQ(pages[0].pixels[10 * 157 + 15] & 0xFFFFFFu, 0xFF0000u) << "painted";
  EXPECT_EQ(pages[0].pixels[50 * 157 + 50] & 0xFFFFFFu, 0xFFFFFFu) << "paper is white";
  EXPECT_EQ(pages[1].pixels[10 * 157 + 15] & 0xFFFFFFu, 0xFFFFFFu) << "each page starts blank";
}

TEST_F(TestPrinter, AnAbortedDocumentPrintsNothing) {
  HDC dc = CreateDCW(u"WINSPOOL", u"Test Printer", nullptr, nullptr);
  ASSERT_NE(dc, nullptr);
  DOCINFOW doc{static_cast<int>(sizeof doc), u"Gone", nullptr, nullptr, 0};
  ASSERT_GT(StartDocW(dc, &doc), 0);
  ASSERT_GT(StartPage(dc), 0);
  EXPECT_GT(AbortDoc(dc), 0);
  EXPECT_EQ(EndDoc(dc), SP_ERROR) << "the document is gone";
  DeleteDC(dc);
  EXPECT_TRUE(headless().takePrintedPages().empty());
}

TEST_F(TestPrinter, TheDialogTakesItsScriptedAnswerAndNamesThePrinter) {
  PRINTDLGW pd{};
  pd.lStructSize = sizeof pd;
  pd.Flags = PD_RETURNDC | PD_PAGENUMS;
  EXPECT_FALSE(PrintDlgW(&pd)) << "no answer: cancelled";
  EXPECT_EQ(CommDlgExtendedError(), 0u);
  EXPECT_EQ(pd.hDC, nullptr);

  headless().scriptPrint();
  ASSERT_TRUE(PrintDlgW(&pd));
  ASSERT_NE(pd.hDC, nullptr);
  EXPECT_EQ(GetDeviceCaps(pd.hDC, TECHNOLOGY), DT_RASPRINTER);
  const auto* names = static_cast<const DEVNAMES*>(GlobalLock(pd.hDevNames));
  ASSERT_NE(names, nullptr);
  const auto* text = reinterpret_cast<const char16_t*>(names);
  EXPECT_EQ(std::u16string(text + names->wDeviceOffset), u"Test Printer");
  EXPECT_EQ(std::u16string(text + names->wOutputOffset), u"LPT1:");
  EXPECT_EQ(names->wDefault, DN_DEFAULTPRN);
  GlobalUnlock(pd.hDevNames);
  DeleteDC(pd.hDC);
  GlobalFree(pd.hDevNames);

  CPrintDialog dialog(FALSE, PD_PAGENUMS);
  headless().scriptPrint();
  ASSERT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(std::u16string(dialog.GetPortName()), u"LPT1:");
  HDC chosen = dialog.CreatePrinterDC();
  ASSERT_NE(chosen, nullptr);
  DeleteDC(chosen);
  headless().scriptCancel();
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
}

}  // namespace
