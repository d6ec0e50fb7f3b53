// The "Edit" control through the headless driver: typing and its notifications in Windows'
// order, selection by keys and mouse, the clipboard round trip and undo, the limit and the
// width without ES_AUTOHSCROLL, read-only, password and number controls, the colour message
// it asks its parent, and the redraw switch.
#include <windows.h>

#include <gtest/gtest.h>

#include "winapi/drivers/headless/HeadlessDriver.h"
#include "winapi/testsupport/Recorder.h"

#include <string>
#include <vector>

namespace {

std::vector<WORD> g_notes;  // EN_* codes the parent received, in order
std::vector<UINT> g_colourAsks;
HBRUSH g_answerBrush = nullptr;

LRESULT CALLBACK parentProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: g_notes.push_back(HIWORD(wParam)); return 0;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
      g_colourAsks.push_back(message);
      if (g_answerBrush != nullptr) return reinterpret_cast<LRESULT>(g_answerBrush);
      break;
    default: break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

winapi::HeadlessDriver& headless() { return *winapi::HeadlessDriver::current(); }

std::u16string textOf(HWND hwnd) {
  WCHAR buffer[512];
  GetWindowTextW(hwnd, buffer, 512);
  return buffer;
}

std::pair<DWORD, DWORD> selectionOf(HWND edit) {
  DWORD start = 99, end = 99;
  SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return {start, end};
}

class Edit : public ::testing::Test {
 protected:
  void SetUp() override {
    static bool registered = false;
    if (!registered) {
      WNDCLASSEXW wc{};
      wc.cbSize = sizeof wc;
      wc.lpfnWndProc = parentProc;
      wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
      wc.lpszClassName = u"EditTestParent";
      RegisterClassExW(&wc);
      registered = true;
    }
    parent = CreateWindowExW(0, u"EditTestParent", u"Parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400, 200,
                             nullptr, nullptr, nullptr, nullptr);
    pump();
  }
  void TearDown() override {
    DestroyWindow(parent);
    g_notes.clear();
    g_colourAsks.clear();
    g_answerBrush = nullptr;
    pump();
  }
  HWND makeEdit(DWORD style, const char16_t* text = u"", int width = 200) {
    HWND edit =
        CreateWindowExW(WS_EX_CLIENTEDGE, u"Edit", text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, 10, 10, width, 21,
                        parent, reinterpret_cast<HMENU>(static_cast<intptr_t>(100)), nullptr, nullptr);
    SetFocus(edit);
    pump();
    g_notes.clear();
    return edit;
  }
  void type(const std::u16string& text) {
    headless().type(text);
    pump();
  }
  void press(UINT vk, bool shift = false, bool ctrl = false) {
    // Each step is taken before the next: a key's message reads the modifiers as they are then.
    if (shift) headless().key(VK_SHIFT, true);
    if (ctrl) headless().key(VK_CONTROL, true);
    pump();
    headless().key(vk, true);
    headless().key(vk, false);
    pump();
    if (ctrl) headless().key(VK_CONTROL, false);
    if (shift) headless().key(VK_SHIFT, false);
    pump();
  }
  POINT screenAt(HWND edit, int x) {
    POINT p{x, 8};
    ClientToScreen(edit, &p);
    return p;
  }
  HWND parent = nullptr;
};

TEST_F(Edit, TypingUpdatesThenChangesAndFocusIsNotified) {
  HWND edit = CreateWindowExW(0, u"Edit", u"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 10, 10, 200, 21, parent,
                              reinterpret_cast<HMENU>(static_cast<intptr_t>(7)), nullptr, nullptr);
  SetFocus(edit);
  pump();
  type(u"ab");
  press(VK_BACK);
  EXPECT_EQ(textOf(edit), u"a");
  SetFocus(parent);
  pump();
  const std::vector<WORD> expected = {EN_SETFOCUS, EN_UPDATE, EN_CHANGE, EN_UPDATE,
                                      EN_CHANGE,   EN_UPDATE, EN_CHANGE, EN_KILLFOCUS};
  EXPECT_EQ(g_notes, expected);
  EXPECT_EQ(SendMessageW(edit, EM_GETMODIFY, 0, 0), TRUE);
  // The program's own text is no user's change: the modify flag starts over.
  SetWindowTextW(edit, u"new");
  EXPECT_EQ(SendMessageW(edit, EM_GETMODIFY, 0, 0), FALSE);
  EXPECT_EQ(GetWindowTextLengthW(edit), 3);
}

TEST_F(Edit, KeysMoveAndSelect) {
  HWND edit = makeEdit(ES_AUTOHSCROLL, u"one two three");
  press(VK_END);
  EXPECT_EQ(selectionOf(edit), std::make_pair(DWORD{13}, DWORD{13}));
  press(VK_LEFT, true, true);  // Ctrl+Shift+Left takes the last word
  EXPECT_EQ(selectionOf(edit), std::make_pair(DWORD{8}, DWORD{13}));
  press(VK_LEFT);  // a bare arrow collapses the selection at its left end
  EXPECT_EQ(selectionOf(edit), std::make_pair(DWORD{8}, DWORD{8}));
  press(VK_HOME, true);
  EXPECT_EQ(selectionOf(edit), std::make_pair(DWORD{0}, DWORD{8}));
  type(u"X");
  EXPECT_EQ(textOf(edit), u"Xthree");
  press('A', false, true);
  EXPECT_EQ(selectionOf(edit), std::make_pair(DWORD{0}, DWORD{6}));
  press(VK_DELETE);
  EXPECT_EQ(textOf(edit), u"");

  SetWindowTextW(edit, u"abcdef");
  SendMessageW(edit, EM_SETSEL, 4, 1);  // the caret stands at the second position given
  EXPECT_EQ(selectionOf(edit), std::make_pair(DWORD{1}, DWORD{4}));
  press(VK_RIGHT, true);
  EXPECT_EQ(selectionOf(edit), std::make_pair(DWORD{2}, DWORD{4}));
  SendMessageW(edit, EM_SETSEL, 0, -1);
  EXPECT_EQ(SendMessageW(edit, EM_GETSEL, 0, 0), MAKELONG(0, 6));
  SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(-1), 0);
  EXPECT_EQ(selectionOf(edit), std::make_pair(DWORD{6}, DWORD{6}));
}

TEST_F(Edit, MouseSelectsByDragShiftClickAndDoubleClick) {
  HWND edit = makeEdit(ES_AUTOHSCROLL, u"hello world");
  LRESULT endPos = SendMessageW(edit, EM_POSFROMCHAR, 5, 0);
  int x5 = static_cast<SHORT>(LOWORD(endPos));
  POINT start = screenAt(edit, 2), mid = screenAt(edit, x5);
  headless().moveMouse(start.x, start.y);
  headless().pressButton(WM_LBUTTONDOWN);
  headless().moveMouse(mid.x, mid.y);
  headless().releaseButton(WM_LBUTTONUP);
  pump();
  EXPECT_EQ(selectionOf(edit), std::make_pair(DWORD{0}, DWORD{5}));

  int x8 = static_cast<SHORT>(LOWORD(SendMessageW(edit, EM_POSFROMCHAR, 8, 0)));
  POINT word = screenAt(edit, x8 + 1);
  headless().key(VK_SHIFT, true);
  pump();
  headless().click(word.x, word.y);
  pump();
  headless().key(VK_SHIFT, false);
  pump();
  EXPECT_EQ(selectionOf(edit), std::make_pair(DWORD{0}, DWORD{8}));

  headless().advanceClock(1000);
  headless().click(word.x, word.y);
  headless().click(word.x, word.y);
  pump();
  EXPECT_EQ(selectionOf(edit), std::make_pair(DWORD{6}, DWORD{11})) << "a double click takes the word";
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(Edit, ClipboardRoundTripAndUndo) {
  HWND edit = makeEdit(ES_AUTOHSCROLL, u"copy me");
  SendMessageW(edit, EM_SETSEL, 0, 4);
  press('X', false, true);
  EXPECT_EQ(textOf(edit), u" me");
  ASSERT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
  press(VK_END);
  press('V', false, true);
  press('V', false, true);
  EXPECT_EQ(textOf(edit), u" mecopycopy");
  press('Z', false, true);
  EXPECT_EQ(textOf(edit), u" mecopy");
  press('Z', false, true);  // a second undo takes the undone change back
  EXPECT_EQ(textOf(edit), u" mecopycopy");

  // What the control put there is the program's to read, and what the program puts there the
  // control pastes; a line break ends what a single line takes.
  ASSERT_TRUE(OpenClipboard(parent));
  HANDLE held = GetClipboardData(CF_UNICODETEXT);
  ASSERT_NE(held, nullptr);
  EXPECT_EQ(std::u16string(static_cast<const char16_t*>(GlobalLock(held))), u"copy");
  GlobalUnlock(held);
  EXPECT_FALSE(OpenClipboard(edit)) << "the clipboard is open elsewhere";
  EXPECT_TRUE(EmptyClipboard());
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 16 * sizeof(char16_t));
  std::u16string lines = u"first\r\nsecond";
  std::copy(lines.c_str(), lines.c_str() + lines.size() + 1, static_cast<char16_t*>(GlobalLock(block)));
  GlobalUnlock(block);
  EXPECT_EQ(SetClipboardData(CF_UNICODETEXT, block), block);
  EXPECT_TRUE(CloseClipboard());
  EXPECT_EQ(GetClipboardOwner(), parent);
  SetWindowTextW(edit, u"");
  SendMessageW(edit, WM_PASTE, 0, 0);
  EXPECT_EQ(textOf(edit), u"first");
  EXPECT_FALSE(CloseClipboard());
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLIPBOARD_NOT_OPEN));
}

TEST_F(Edit, TheLimitAndTheWidthCutWhatDoesNotFit) {
  HWND edit = makeEdit(ES_AUTOHSCROLL, u"abc");
  EXPECT_EQ(SendMessageW(edit, EM_GETLIMITTEXT, 0, 0), 30000);
  SendMessageW(edit, EM_LIMITTEXT, 5, 0);
  SendMessageW(edit, EM_SETSEL, 3, 3);
  g_notes.clear();
  SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(u"defg"));
  EXPECT_EQ(textOf(edit), u"abcde");
  std::vector<WORD> cut = {EN_MAXTEXT, EN_UPDATE, EN_CHANGE};
  EXPECT_EQ(g_notes, cut);
  g_notes.clear();
  type(u"z");
  EXPECT_EQ(textOf(edit), u"abcde");
  EXPECT_EQ(g_notes, std::vector<WORD>{EN_MAXTEXT}) << "a full control changes nothing";
  // The program's own text is not held to the user's limit.
  SetWindowTextW(edit, u"longer than five");
  EXPECT_EQ(textOf(edit), u"longer than five");
  SendMessageW(edit, EM_LIMITTEXT, 0, 0);
  EXPECT_EQ(SendMessageW(edit, EM_GETLIMITTEXT, 0, 0), 0x7FFFFFFE);

  // Without ES_AUTOHSCROLL the text may not grow past the control's width.
  HWND narrow = makeEdit(0, u"", 40);
  type(u"wwwwwwwwwwwwwwwwwwww");
  std::u16string kept = textOf(narrow);
  EXPECT_GT(kept.size(), 0u);
  EXPECT_LT(kept.size(), 20u);
  EXPECT_EQ(g_notes.back(), EN_MAXTEXT);
  DestroyWindow(narrow);
}

TEST_F(Edit, ReadOnlyPasswordAndNumberControls) {
  HWND edit = makeEdit(ES_AUTOHSCROLL | ES_READONLY, u"fixed");
  type(u"x");
  press(VK_BACK);
  SendMessageW(edit, EM_SETSEL, 0, -1);
  SendMessageW(edit, WM_CUT, 0, 0);
  EXPECT_EQ(textOf(edit), u"fixed");
  EXPECT_TRUE(g_notes.empty());
  // The program may still replace the text of a read-only control.
  SendMessageW(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(u"set"));
  EXPECT_EQ(textOf(edit), u"set");
  EXPECT_EQ(SendMessageW(edit, EM_SETREADONLY, FALSE, 0), TRUE);
  EXPECT_FALSE(GetWindowLongPtrW(edit, GWL_STYLE) & ES_READONLY);
  type(u"!");
  EXPECT_EQ(textOf(edit), u"set!");

  HWND secret = makeEdit(ES_AUTOHSCROLL | ES_PASSWORD, u"");
  EXPECT_EQ(SendMessageW(secret, EM_GETPASSWORDCHAR, 0, 0), u'*');
  type(u"pw");
  EXPECT_EQ(textOf(secret), u"pw");
  SendMessageW(secret, EM_SETSEL, 0, -1);
  ASSERT_TRUE(OpenClipboard(parent));
  EmptyClipboard();
  CloseClipboard();
  press('C', false, true);
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_UNICODETEXT)) << "a password was copied";
  SendMessageW(secret, EM_SETPASSWORDCHAR, 0, 0);
  EXPECT_FALSE(GetWindowLongPtrW(secret, GWL_STYLE) & ES_PASSWORD);

  HWND number = makeEdit(ES_AUTOHSCROLL | ES_NUMBER, u"");
  type(u"1a2-3");
  EXPECT_EQ(textOf(number), u"123");
}

TEST_F(Edit, AsksForStaticColoursWhileReadOnlyAndKeepsStillWithoutRedraw) {
  HWND edit = makeEdit(ES_AUTOHSCROLL, u"text");
  g_colourAsks.clear();
  InvalidateRect(edit, nullptr, TRUE);
  UpdateWindow(edit);
  ASSERT_FALSE(g_colourAsks.empty());
  EXPECT_EQ(g_colourAsks.back(), static_cast<UINT>(WM_CTLCOLOREDIT));
  SendMessageW(edit, EM_SETREADONLY, TRUE, 0);
  g_colourAsks.clear();
  UpdateWindow(edit);
  ASSERT_FALSE(g_colourAsks.empty()) << "EM_SETREADONLY did not repaint";
  EXPECT_EQ(g_colourAsks.back(), static_cast<UINT>(WM_CTLCOLORSTATIC));
  SendMessageW(edit, EM_SETREADONLY, FALSE, 0);
  EnableWindow(edit, FALSE);
  g_colourAsks.clear();
  UpdateWindow(edit);
  ASSERT_FALSE(g_colourAsks.empty());
  EXPECT_EQ(g_colourAsks.back(), static_cast<UINT>(WM_CTLCOLORSTATIC));
  EnableWindow(edit, TRUE);
  UpdateWindow(edit);

  SendMessageW(edit, WM_SETREDRAW, FALSE, 0);
  SetWindowTextW(edit, u"quiet");
  SendMessageW(edit, EM_SETPASSWORDCHAR, u'#', 0);
  RECT update{};
  EXPECT_FALSE(GetUpdateRect(edit, &update, FALSE)) << "a change painted while redraw was off";
  // Turning redrawing back on repaints nothing by itself, as on Windows: the caller's own repaint
  // shows what changed, once.
  SendMessageW(edit, WM_SETREDRAW, TRUE, 0);
  EXPECT_FALSE(GetUpdateRect(edit, &update, FALSE)) << "WM_SETREDRAW TRUE invalidated the edit";
  g_colourAsks.clear();
  InvalidateRect(edit, nullptr, TRUE);
  UpdateWindow(edit);
  EXPECT_EQ(g_colourAsks.size(), 1u) << "one repaint";
  EXPECT_FALSE(GetUpdateRect(edit, &update, FALSE));
  // Changes made after redrawing is back on repaint as usual.
  SetWindowTextW(edit, u"loud");
  EXPECT_TRUE(GetUpdateRect(edit, &update, FALSE));
}

}  // namespace
