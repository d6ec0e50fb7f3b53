// window_demo: opens a top-level window titled "Layer demo" whose child window shows a line of
// text, prints the path of each file dropped on the window on a line of its own (UTF-8), and
// ends when the window is closed.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr int kMargin = 16;

std::string toUtf8(const std::u16string& text) {
  const int units = static_cast<int>(text.size());
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), units, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), units, out.data(), bytes, nullptr, nullptr);
  return out;
}

LRESULT CALLBACK textProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_PAINT) return DefWindowProcW(hwnd, message, wParam, lParam);
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT r;
  GetClientRect(hwnd, &r);
  FillRect(dc, &r, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
  LOGFONTW lf{};
  lf.lfHeight = -16;
  lf.lfWeight = FW_NORMAL;
  lf.lfQuality = CLEARTYPE_QUALITY;
  const std::u16string face = u"Segoe UI";
  face.copy(lf.lfFaceName, face.size());
  HFONT font = CreateFontIndirectW(&lf);
  HGDIOBJ old = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 51, 153));
  DrawTextW(dc, u"Drop MP3 or WAV files on this window", -1, &r, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
  SelectObject(dc, old);
  DeleteObject(font);
  EndPaint(hwnd, &ps);
  return 0;
}

HWND g_text = nullptr;

LRESULT CALLBACK frameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      if (g_text != nullptr) {
        MoveWindow(g_text, kMargin, kMargin, LOWORD(lParam) - 2 * kMargin, HIWORD(lParam) - 2 * kMargin, TRUE);
      }
      return 0;
    case WM_DROPFILES: {
      HDROP drop = reinterpret_cast<HDROP>(wParam);
      UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
      for (UINT i = 0; i < count; ++i) {
        std::u16string name(DragQueryFileW(drop, i, nullptr, 0) + 1, u'\0');
        UINT n = DragQueryFileW(drop, i, name.data(), static_cast<UINT>(name.size()));
        name.resize(n);
        std::printf("%s\n", toUtf8(name).c_str());
      }
      std::fflush(stdout);
      DragFinish(drop);
      return 0;
    }
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

}  // namespace

int main() {
  WNDCLASSEXW frame{};
  frame.cbSize = sizeof frame;
  frame.lpfnWndProc = frameProc;
  frame.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  frame.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  frame.lpszClassName = u"LayerDemoFrame";
  WNDCLASSEXW text = frame;
  text.lpfnWndProc = textProc;
  text.lpszClassName = u"LayerDemoText";
  if (!RegisterClassExW(&frame) || !RegisterClassExW(&text)) {
    std::fprintf(stderr, "window_demo: the window classes could not be registered\n");
    return 1;
  }
  HWND top = CreateWindowExW(0, u"LayerDemoFrame", u"Layer demo", WS_OVERLAPPEDWINDOW, 40, 40, 480, 220, nullptr,
                             nullptr, nullptr, nullptr);
  if (top == nullptr) {
    std::fprintf(stderr, "window_demo: the window could not be created (error %u)\n", GetLastError());
    return 1;
  }
  RECT client;
  GetClientRect(top, &client);
  g_text = CreateWindowExW(WS_EX_CLIENTEDGE, u"LayerDemoText", nullptr, WS_CHILD | WS_VISIBLE, kMargin, kMargin,
                           client.right - 2 * kMargin, client.bottom - 2 * kMargin, top, nullptr, nullptr, nullptr);
  DragAcceptFiles(top, TRUE);
  ShowWindow(top, SW_SHOW);
  UpdateWindow(top);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}
