// Printing calls. The only printer is the display driver's default printer, which exists only
// when a test gives the headless driver one: its DC paints each page into a surface of the
// paper's size in dots and hands the finished page to the driver at EndPage. Every other DC
// answers SP_ERROR to the document and page calls.
// Left out on purpose: a real print system (nothing in the program offers printing to its
// users), and DCs of the display made by name ("DISPLAY"), which nothing asks for.
#include <windows.h>

#include "winapi/gdi32/DisplayDriver.h"
#include "winapi/gdi32/Gdi.h"

#include <atomic>
#include <string>

namespace winapi {

int printerCaps(const PrinterState& printer, int index) {
  switch (index) {
    case LOGPIXELSX: return printer.dotsPerInchX;
    case LOGPIXELSY: return printer.dotsPerInchY;
    case HORZSIZE: return printer.paperWidthMm;
    case VERTSIZE: return printer.paperHeightMm;
    case HORZRES:
    case DESKTOPHORZRES: return printer.widthDots();
    case VERTRES:
    case DESKTOPVERTRES: return printer.heightDots();
    case BITSPIXEL: return 32;
    case PLANES: return 1;
    case NUMCOLORS: return -1;
    case TECHNOLOGY: return DT_RASPRINTER;
    case RASTERCAPS: return RC_BITBLT | RC_STRETCHBLT | RC_DI_BITMAP;
    default: return 0;
  }
}

}  // namespace winapi

namespace {

using winapi::DeviceContext;

std::atomic<int> s_nextJob{1};

// The DC's printer state, or null (SP_ERROR set up) when the DC is none or no printer DC.
std::shared_ptr<DeviceContext> printerDc(HDC handle) {
  std::shared_ptr<DeviceContext> dc = winapi::findDc(handle);
  if (!dc || !dc->printer) {
    SetLastError(dc ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return dc;
}

// Pages are painted only between StartPage and EndPage: otherwise the DC has nothing to draw on.
void setPage(DeviceContext& dc, int width, int height) {
  auto page = std::make_shared<winapi::PixelBuffer>();
  if (width > 0 && height > 0) page->allocate(width, height, 0xFFFFFFFFu);
  dc.target = page;
  dc.visible = winapi::Region(page->bounds());
  dc.dirty = RECT{0, 0, 0, 0};
  dc.clipChanged();
}

std::u16string textOf(LPCWSTR text) { return text != nullptr ? std::u16string(text) : std::u16string(); }

}  // namespace

extern "C" HDC WINAPI CreateDCW(LPCWSTR driver, LPCWSTR device, LPCWSTR, const DEVMODEW*) {
  static const char16_t kDisplay[] = u"DISPLAY";
  bool display = driver != nullptr && std::char_traits<char16_t>::compare(driver, kDisplay, 8) == 0;
  if (display && device == nullptr) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return nullptr;
  }
  winapi::Printer printer;
  if (display || device == nullptr || !winapi::displayDriver().defaultPrinter(&printer) || printer.name != device ||
      printer.dotsPerInchX <= 0 || printer.dotsPerInchY <= 0) {
    SetLastError(ERROR_INVALID_PRINTER_NAME);
    return nullptr;
  }
  auto dc = std::make_shared<DeviceContext>(false);
  auto state = std::make_shared<winapi::PrinterState>();
  state->name = printer.name;
  state->port = printer.port;
  state->paperWidthMm = printer.paperWidthMm;
  state->paperHeightMm = printer.paperHeightMm;
  state->dotsPerInchX = printer.dotsPerInchX;
  state->dotsPerInchY = printer.dotsPerInchY;
  dc->printer = std::move(state);
  setPage(*dc, 0, 0);
  return winapi::addDc(std::move(dc));
}

extern "C" int WINAPI StartDocW(HDC handle, const DOCINFOW* document) {
  std::shared_ptr<DeviceContext> dc = printerDc(handle);
  if (!dc) return SP_ERROR;
  if (dc->printer->inDocument) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return SP_ERROR;
  }
  dc->printer->inDocument = true;
  dc->printer->document = document != nullptr ? textOf(document->lpszDocName) : std::u16string();
  dc->printer->output = document != nullptr ? textOf(document->lpszOutput) : std::u16string();
  return s_nextJob.fetch_add(1);
}

extern "C" int WINAPI StartPage(HDC handle) {
  std::shared_ptr<DeviceContext> dc = printerDc(handle);
  if (!dc) return SP_ERROR;
  if (!dc->printer->inDocument || dc->printer->inPage) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return SP_ERROR;
  }
  dc->printer->inPage = true;
  setPage(*dc, dc->printer->widthDots(), dc->printer->heightDots());
  return 1;
}

extern "C" int WINAPI EndPage(HDC handle) {
  std::shared_ptr<DeviceContext> dc = printerDc(handle);
  if (!dc) return SP_ERROR;
  if (!dc->printer->inPage) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return SP_ERROR;
  }
  winapi::PrintedPage page;
  page.printer = dc->printer->name;
  page.document = dc->printer->document;
  page.output = dc->printer->output;
  page.width = dc->target->width;
  page.height = dc->target->height;
  page.pixels = std::move(dc->target->owned);
  dc->printer->inPage = false;
  setPage(*dc, 0, 0);
  winapi::displayDriver().printPage(std::move(page));
  return 1;
}

extern "C" int WINAPI EndDoc(HDC handle) {
  std::shared_ptr<DeviceContext> dc = printerDc(handle);
  if (!dc) return SP_ERROR;
  if (!dc->printer->inDocument) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return SP_ERROR;
  }
  // A page left open is finished with the document, so nothing painted is lost.
  if (dc->printer->inPage && EndPage(handle) <= 0) return SP_ERROR;
  dc->printer->inDocument = false;
  return 1;
}

extern "C" int WINAPI AbortDoc(HDC handle) {
  std::shared_ptr<DeviceContext> dc = printerDc(handle);
  if (!dc) return SP_ERROR;
  if (!dc->printer->inDocument) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return SP_ERROR;
  }
  dc->printer->inPage = false;
  dc->printer->inDocument = false;
  setPage(*dc, 0, 0);
  return 1;
}
