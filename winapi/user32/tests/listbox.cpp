// The plain "ListBox" through the headless driver: LB_FINDSTRING and LB_FINDSTRINGEXACT, type-ahead
// by letters, and extended selection by Shift and Ctrl with clicks and arrow keys.
#include <windows.h>

#include <gtest/gtest.h>

#include "winapi/drivers/headless/HeadlessDriver.h"
#include "winapi/testsupport/Recorder.h"

#include <initializer_list>
#include <string>
#include <vector>

namespace {

constexpr int kListId = 1120;
std::vector<int> g_notifications;  // LBN_* codes in order

LRESULT CALLBACK parentProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && LOWORD(wParam) == kListId) {
    g_notifications.push_back(HIWORD(wParam));
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

winapi::HeadlessDriver& headless() { return *winapi::HeadlessDriver::current(); }

class ListBox : public ::testing::Test {
 protected:
  void SetUp() override {
    g_notifications.clear();
    static bool registered = false;
    if (!registered) {
      WNDCLASSEXW wc{};
      wc.cbSize = sizeof wc;
      wc.lpfnWndProc = parentProc;
      wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
      wc.lpszClassName = u"ListBoxTestParent";
      RegisterClassExW(&wc);
      registered = true;
    }
    top = CreateWindowExW(0, u"ListBoxTestParent", u"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400, 300, nullptr,
                          nullptr, nullptr, nullptr);
    pump();
  }
  void TearDown() override {
    DestroyWindow(top);
    headless().runClock();
  }

  HWND make(DWORD style, std::initializer_list<const char16_t*> rows) {
    HWND list =
        CreateWindowExW(0, u"ListBox", u"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY | style, 10, 10, 150, 200,
                        top, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)), nullptr, nullptr);
    for (const char16_t* row : rows) SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row));
    pump();
    return list;
  }
  static LRESULT find(HWND list, int after, const char16_t* text, bool exact = false) {
    return SendMessageW(list, exact ? LB_FINDSTRINGEXACT : LB_FINDSTRING, static_cast<WPARAM>(after),
                        reinterpret_cast<LPARAM>(text));
  }
  static void clickRow(HWND list, int row) {
    RECT r{};
    SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
    POINT p{r.left + 5, (r.top + r.bottom) / 2};
    ClientToScreen(list, &p);
    headless().click(p.x, p.y);
    pump();
  }
  static void key(UINT vk) {
    headless().key(vk, true);
    headless().key(vk, false);
    pump();
  }
  static void typeLetter(char16_t c) {
    headless().type(std::u16string(1, c));
    pump();
  }
  static LRESULT current(HWND list) { return SendMessageW(list, LB_GETCURSEL, 0, 0); }
  static std::vector<int> selection(HWND list) {
    std::vector<int> rows(32);
    LRESULT n = SendMessageW(list, LB_GETSELITEMS, rows.size(), reinterpret_cast<LPARAM>(rows.data()));
    rows.resize(static_cast<size_t>(n < 0 ? 0 : n));
    return rows;
  }
  HWND top = nullptr;
};

TEST_F(ListBox, FindStringMatchesAPrefixIgnoringCaseFromAfterTheStartRoundToIt) {
  HWND list = make(0, {u"apple", u"Banana", u"apricot", u"cherry", u"APPLE", u"\u00c9lan"});
  EXPECT_EQ(find(list, -1, u"ap"), 0);
  EXPECT_EQ(find(list, 0, u"ap"), 2) << "the search begins after the start row";
  EXPECT_EQ(find(list, 2, u"AP"), 4);
  EXPECT_EQ(find(list, 4, u"ap"), 0) << "past the last row it goes on from the top";
  EXPECT_EQ(find(list, 3, u"b"), 1);
  EXPECT_EQ(find(list, 1, u"banana"), 1) << "the start row itself comes last";
  EXPECT_EQ(find(list, 2, u""), 3) << "the empty text begins every row";
  EXPECT_EQ(find(list, 99, u"cherry"), 3) << "a start past the end searches the whole list";
  EXPECT_EQ(find(list, -1, u"\u00e9L"), 5) << "letters beyond A-Z ignore case too";
  EXPECT_EQ(find(list, -1, u"kiwi"), LB_ERR);
  EXPECT_EQ(find(list, -1, u"applesauce"), LB_ERR);

  EXPECT_EQ(find(list, -1, u"apple", true), 0);
  EXPECT_EQ(find(list, 0, u"apple", true), 4);
  EXPECT_EQ(find(list, 4, u"Apple", true), 0);
  EXPECT_EQ(find(list, -1, u"app", true), LB_ERR) << "an exact search takes no prefix";
  EXPECT_EQ(find(list, -1, u"CHERRY", true), 3);
  EXPECT_EQ(find(list, -1, u"\u00c9LAN", true), 5);

  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  EXPECT_EQ(find(list, -1, u""), LB_ERR) << "an empty list holds nothing";

  // Without strings the rows' item data are compared with the value, in both messages.
  HWND data = CreateWindowExW(0, u"ListBox", u"", WS_CHILD | WS_VISIBLE | LBS_OWNERDRAWFIXED, 200, 10, 100, 100, top,
                              nullptr, nullptr, nullptr);
  for (LPARAM value : {7, 9, 7}) SendMessageW(data, LB_ADDSTRING, 0, value);
  EXPECT_EQ(SendMessageW(data, LB_FINDSTRING, static_cast<WPARAM>(-1), 9), 1);
  EXPECT_EQ(SendMessageW(data, LB_FINDSTRING, 0, 7), 2);
  EXPECT_EQ(SendMessageW(data, LB_FINDSTRINGEXACT, 2, 7), 0);
  EXPECT_EQ(SendMessageW(data, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), 8), LB_ERR);
}

TEST_F(ListBox, LettersSelectTheNextRowBeginningWithWhatWasTyped) {
  // The clock stands still, so the letters come at once unless the test moves it.
  headless().setClock(1000000);
  HWND list = make(0, {u"alpha", u"beta", u"bravo", u"charlie", u"Bob", u"delta"});
  clickRow(list, 0);
  ASSERT_EQ(GetFocus(), list);
  ASSERT_EQ(current(list), 0);
  g_notifications.clear();

  typeLetter(u'b');
  EXPECT_EQ(current(list), 1) << "a first letter moves on from the selected row";
  typeLetter(u'r');
  EXPECT_EQ(current(list), 2) << "\"br\"";
  typeLetter(u'a');
  EXPECT_EQ(current(list), 2) << "a longer prefix may stay on the selected row";
  typeLetter(u'x');
  EXPECT_EQ(current(list), 2) << "no row begins with \"brax\"";
  EXPECT_EQ(g_notifications, (std::vector<int>{LBN_SELCHANGE, LBN_SELCHANGE})) << "only changes are told";

  // After a pause of more than a second the letters start a new prefix; one letter again and
  // again steps through the rows that begin with it.
  headless().advanceClock(1000);
  typeLetter(u'B');
  EXPECT_EQ(current(list), 2) << "a second apart still adds to \"brax\"";
  headless().advanceClock(1001);
  typeLetter(u'B');
  EXPECT_EQ(current(list), 4);
  typeLetter(u'b');
  EXPECT_EQ(current(list), 1) << "round from the last row";
  typeLetter(u'b');
  EXPECT_EQ(current(list), 2);

  // Control characters and the space are no row's first letter.
  g_notifications.clear();
  for (WPARAM c : {WPARAM{1}, WPARAM{u' '}, WPARAM{u'\r'}}) SendMessageW(list, WM_CHAR, c, 0);
  EXPECT_EQ(current(list), 2);
  EXPECT_TRUE(g_notifications.empty());

  // In an extended list the row found is selected alone, whatever modifier typed the letter.
  HWND extended = make(LBS_EXTENDEDSEL, {u"one", u"two", u"three", u"four"});
  SendMessageW(extended, LB_SELITEMRANGEEX, 0, 1);
  SendMessageW(extended, WM_CHAR, u'T', 0);
  EXPECT_EQ(selection(extended), (std::vector<int>{1}));
  EXPECT_EQ(SendMessageW(extended, LB_GETCARETINDEX, 0, 0), 1);
  EXPECT_EQ(SendMessageW(extended, LB_GETANCHORINDEX, 0, 0), 1);
}

TEST_F(ListBox, ExtendedSelectionFollowsShiftAndCtrlWithClicksAndArrows) {
  HWND list = make(LBS_EXTENDEDSEL, {u"r0", u"r1", u"r2", u"r3", u"r4", u"r5", u"r6", u"r7"});
  struct Step {
    const char* what;
    bool shift;
    bool control;
    int clickRow;  // -1: press `vk`
    UINT vk;
    std::vector<int> selected;
    int caret;
    int anchor;
  };
  // clang-format off
  const Step steps[] = {
      {"click 2",             false, false,  2, 0,       {2},                   2, 2},
      {"Shift+click 5",       true,  false,  5, 0,       {2, 3, 4, 5},          5, 2},
      {"Ctrl+click 7",        false, true,   7, 0,       {2, 3, 4, 5, 7},       7, 7},
      {"Ctrl+click 3",        false, true,   3, 0,       {2, 4, 5, 7},          3, 3},
      {"Shift+Ctrl+click 1",  true,  true,   1, 0,       {1, 2, 3, 4, 5, 7},    1, 3},
      {"Down",                false, false, -1, VK_DOWN, {2},                   2, 2},
      {"Shift+Down",          true,  false, -1, VK_DOWN, {2, 3},                3, 2},
      {"Shift+Down",          true,  false, -1, VK_DOWN, {2, 3, 4},             4, 2},
      {"Shift+Up",            true,  false, -1, VK_UP,   {2, 3},                3, 2},
      {"Ctrl+Down",           false, true,  -1, VK_DOWN, {2, 3},                4, 2},
      {"Ctrl+Down",           false, true,  -1, VK_DOWN, {2, 3},                5, 2},
      {"Shift+Ctrl+End",      true,  true,  -1, VK_END,  {2, 3, 4, 5, 6, 7},    7, 2},
      {"Home",                false, false, -1, VK_HOME, {0},                   0, 0},
  };
  // clang-format on
  for (const Step& step : steps) {
    if (step.shift) headless().key(VK_SHIFT, true);
    if (step.control) headless().key(VK_CONTROL, true);
    if (step.clickRow >= 0) {
      clickRow(list, step.clickRow);
    } else {
      key(step.vk);  // handled before the modifiers are let go
    }
    if (step.control) headless().key(VK_CONTROL, false);
    if (step.shift) headless().key(VK_SHIFT, false);
    pump();
    EXPECT_EQ(selection(list), step.selected) << step.what;
    EXPECT_EQ(SendMessageW(list, LB_GETCARETINDEX, 0, 0), step.caret) << step.what;
    EXPECT_EQ(SendMessageW(list, LB_GETANCHORINDEX, 0, 0), step.anchor) << step.what;
  }
}

}  // namespace
