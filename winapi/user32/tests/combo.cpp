// The combo box with its drop list and the vertical scroll bar through the headless driver: the
// owner-draw protocol, the CB_* answers, the open, choose and cancel sequences by mouse, keys and
// wheel, the drop list's placement and scrolling, and the layout of the records.
#include <windows.h>

#include <gtest/gtest.h>

#include "winapi/drivers/headless/HeadlessDriver.h"
#include "winapi/testsupport/PaintCheck.h"
#include "winapi/testsupport/Recorder.h"

#include <algorithm>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kComboId = 1020;

struct Draw {
  UINT itemId;
  UINT state;
  HWND item;
  RECT rect;
};

struct Log {
  std::vector<int> notifications;  // CBN_* codes in order
  std::vector<MEASUREITEMSTRUCT> measures;
  std::vector<Draw> draws;
  std::vector<UINT> colourMessages;
  std::function<void(HWND combo)> onDropDown;
  std::function<void(const DRAWITEMSTRUCT&)> onDraw;
  UINT measureAnswer = 0;  // 0 keeps the preset
};
Log g_log;

LRESULT CALLBACK parentProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wParam) == kComboId) {
        g_log.notifications.push_back(HIWORD(wParam));
        if (HIWORD(wParam) == CBN_DROPDOWN && g_log.onDropDown) g_log.onDropDown(reinterpret_cast<HWND>(lParam));
      }
      return 0;
    case WM_MEASUREITEM: {
      auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      g_log.measures.push_back(*mis);
      if (g_log.measureAnswer != 0) mis->itemHeight = g_log.measureAnswer;
      return TRUE;
    }
    case WM_DRAWITEM: {
      auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
      g_log.draws.push_back(Draw{dis->itemID, dis->itemState, dis->hwndItem, dis->rcItem});
      if (g_log.onDraw) g_log.onDraw(*dis);
      return TRUE;
    }
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORLISTBOX: g_log.colourMessages.push_back(message); break;
    default: break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

winapi::HeadlessDriver& headless() { return *winapi::HeadlessDriver::current(); }

class Combo : public ::testing::Test {
 protected:
  void SetUp() override {
    g_log = Log{};
    static bool registered = false;
    if (!registered) {
      WNDCLASSEXW wc{};
      wc.cbSize = sizeof wc;
      wc.lpfnWndProc = parentProc;
      wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
      wc.lpszClassName = u"ComboTestParent";
      RegisterClassExW(&wc);
      registered = true;
    }
    top = CreateWindowExW(0, u"ComboTestParent", u"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 500, 400, nullptr,
                          nullptr, nullptr, nullptr);
    pump();
  }
  void TearDown() override { DestroyWindow(top); }

  HWND make(DWORD style, int count, int x = 20, int y = 20, int width = 150, int height = 24) {
    HWND combo = CreateWindowExW(0, u"ComboBox", u"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | style, x, y, width, height,
                                 top, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kComboId)), nullptr, nullptr);
    for (int i = 0; i < count; ++i) {
      std::u16string text = u"item ";
      text += static_cast<char16_t>(u'A' + i % 26);
      SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    pump();
    return combo;
  }
  HWND makeOwnerDrawn(int count, int x = 20, int y = 20) {
    return make(CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS, count, x, y);
  }
  static POINT faceCentre(HWND combo) {
    RECT r{};
    GetWindowRect(combo, &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }
  static HWND listOf(HWND combo) {
    COMBOBOXINFO info{sizeof info, {}, {}, 0, nullptr, nullptr, nullptr};
    GetComboBoxInfo(combo, &info);
    return info.hwndList;
  }
  // The screen point in the middle of a row of the open list.
  static POINT rowPoint(HWND combo, int row) {
    RECT r{};
    SendMessageW(listOf(combo), LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(listOf(combo), &p);
    return p;
  }
  static void clickAt(POINT p) {
    headless().click(p.x, p.y);
    pump();
  }
  static void key(UINT vk) {
    headless().key(vk, true);
    headless().key(vk, false);
    pump();
  }
  HWND top = nullptr;
};

TEST(ComboLayout, RecordsHaveTheWindowsSizesAndOffsets) {
  EXPECT_EQ(sizeof(COMBOBOXINFO), 64u);
  EXPECT_EQ(offsetof(COMBOBOXINFO, rcItem), 4u);
  EXPECT_EQ(offsetof(COMBOBOXINFO, rcButton), 20u);
  EXPECT_EQ(offsetof(COMBOBOXINFO, stateButton), 36u);
  EXPECT_EQ(offsetof(COMBOBOXINFO, hwndCombo), 40u);
  EXPECT_EQ(offsetof(COMBOBOXINFO, hwndList), 56u);
  EXPECT_EQ(sizeof(SCROLLINFO), 28u);
  EXPECT_EQ(offsetof(SCROLLINFO, nPage), 16u);
  EXPECT_EQ(offsetof(SCROLLINFO, nTrackPos), 24u);
  EXPECT_EQ(sizeof(MEASUREITEMSTRUCT), 32u);
  EXPECT_EQ(offsetof(MEASUREITEMSTRUCT, itemData), 24u);
  EXPECT_EQ(sizeof(DRAWITEMSTRUCT), 64u);
  EXPECT_EQ(offsetof(DRAWITEMSTRUCT, hwndItem), 24u);
  EXPECT_EQ(offsetof(DRAWITEMSTRUCT, rcItem), 40u);
  EXPECT_EQ(offsetof(DRAWITEMSTRUCT, itemData), 56u);
  EXPECT_EQ(CB_SETMINVISIBLE, 0x1701);
  EXPECT_EQ(LB_ITEMFROMPOINT, 0x01A9);
}

TEST(ComboLayout, TheComboAndListClassesAreSystemClassesThatAProgramClassOutranks) {
  const char16_t* names[] = {u"combobox", u"COMBOLBOX", u"ListBox"};
  for (int i = 0; i < 3; ++i) {
    const char16_t* name = names[i];
    WNDCLASSEXW info{};
    info.cbSize = sizeof info;
    EXPECT_NE(GetClassInfoExW(nullptr, name, &info), 0) << "class " << i;
    EXPECT_NE(info.style & CS_DBLCLKS, 0u);
    EXPECT_FALSE(UnregisterClassW(name, nullptr)) << "system classes cannot be unregistered";
  }
  HWND top = CreateWindowExW(0, u"Static", u"", WS_OVERLAPPED, 0, 0, 200, 200, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(top, nullptr);
  WNDCLASSEXW own{};
  own.cbSize = sizeof own;
  own.lpfnWndProc = DefWindowProcW;
  own.lpszClassName = u"ComboBox";
  ASSERT_NE(RegisterClassExW(&own), 0);
  HWND mine = CreateWindowExW(0, u"ComboBox", u"", WS_CHILD, 0, 0, 100, 20, top, nullptr, nullptr, nullptr);
  EXPECT_EQ(GetClassLongPtrW(mine, GCLP_WNDPROC), reinterpret_cast<ULONG_PTR>(&DefWindowProcW));
  DestroyWindow(mine);
  EXPECT_TRUE(UnregisterClassW(u"ComboBox", nullptr));
  HWND combo = CreateWindowExW(0, u"ComboBox", u"", WS_CHILD | CBS_DROPDOWNLIST | CBS_HASSTRINGS, 0, 0, 100, 20, top,
                               nullptr, nullptr, nullptr);
  ASSERT_NE(combo, nullptr);
  EXPECT_EQ(SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"one")), 0);
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  ASSERT_TRUE(GetComboBoxInfo(combo, &info));
  char16_t name[16];
  ASSERT_EQ(GetClassNameW(info.hwndList, name, 16), 9);
  EXPECT_EQ(std::u16string(name), u"ComboLBox");
  DestroyWindow(top);
}
// The cell height of the font a control without WM_SETFONT takes.
UINT guiFontHeight() {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  TEXTMETRICW tm{};
  GetTextMetricsW(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return static_cast<UINT>(tm.tmHeight);
}

TEST_F(Combo, CreationMeasuresTheFieldThenTheRows) {
  g_log.measureAnswer = 18;
  HWND combo = makeOwnerDrawn(0);
  ASSERT_EQ(g_log.measures.size(), 2u);
  EXPECT_EQ(g_log.measures[0].itemID, static_cast<UINT>(-1));
  EXPECT_EQ(g_log.measures[1].itemID, 0u);
  for (const MEASUREITEMSTRUCT& m : g_log.measures) {
    EXPECT_EQ(m.CtlType, static_cast<UINT>(ODT_COMBOBOX));
    EXPECT_EQ(m.CtlID, static_cast<UINT>(kComboId));
    EXPECT_EQ(m.itemWidth, 150u);
    EXPECT_EQ(m.itemHeight, guiFontHeight()) << "preset to the font's height";
  }
  EXPECT_EQ(SendMessageW(combo, CB_GETITEMHEIGHT, 0, 0), 18);
  EXPECT_EQ(SendMessageW(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0), 24 - 6) << "the field of the face";
}

TEST_F(Combo, AnAnswerBelowOnePixelKeepsThePresetAndVariableRowsAreMeasuredAsAdded) {
  g_log.measureAnswer = 0;
  HWND fixed = makeOwnerDrawn(0);
  EXPECT_EQ(SendMessageW(fixed, CB_GETITEMHEIGHT, 0, 0), static_cast<LRESULT>(guiFontHeight()));
  DestroyWindow(fixed);
  g_log.measures.clear();
  g_log.measureAnswer = 21;
  HWND variable = make(CBS_DROPDOWNLIST | CBS_OWNERDRAWVARIABLE | CBS_HASSTRINGS, 3);
  ASSERT_EQ(g_log.measures.size(), 4u) << "the field, then one per item";
  EXPECT_EQ(g_log.measures[0].itemID, static_cast<UINT>(-1));
  EXPECT_EQ(g_log.measures[3].itemID, 2u);
  EXPECT_EQ(SendMessageW(variable, CB_GETITEMHEIGHT, 2, 0), 21);
}

TEST_F(Combo, ItemMessagesAnswerAsWindowsDoes) {
  HWND combo = make(CBS_DROPDOWNLIST | CBS_HASSTRINGS, 3);
  EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 3);
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), CB_ERR);
  EXPECT_EQ(SendMessageW(combo, CB_INSERTSTRING, 1, reinterpret_cast<LPARAM>(u"inserted")), 1);
  EXPECT_EQ(SendMessageW(combo, CB_INSERTSTRING, 9, reinterpret_cast<LPARAM>(u"x")), CB_ERR);
  EXPECT_EQ(SendMessageW(combo, CB_GETLBTEXTLEN, 1, 0), 8);
  WCHAR text[32] = {};
  EXPECT_EQ(SendMessageW(combo, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(text)), 8);
  EXPECT_EQ(std::u16string(text), u"inserted");
  EXPECT_EQ(SendMessageW(combo, CB_GETLBTEXT, 4, reinterpret_cast<LPARAM>(text)), CB_ERR);
  EXPECT_EQ(SendMessageW(combo, CB_SETITEMDATA, 2, 77), TRUE);
  EXPECT_EQ(SendMessageW(combo, CB_GETITEMDATA, 2, 0), 77);
  EXPECT_EQ(SendMessageW(combo, CB_GETITEMDATA, 4, 0), CB_ERR);

  // The selection follows insertions and deletions before it; deleting it leaves none.
  EXPECT_EQ(SendMessageW(combo, CB_SETCURSEL, 2, 0), 2);
  SendMessageW(combo, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(u"first"));
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 3);
  EXPECT_EQ(SendMessageW(combo, CB_DELETESTRING, 0, 0), 4) << "the count left";
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 2);
  SendMessageW(combo, CB_DELETESTRING, 2, 0);
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), CB_ERR);
  EXPECT_EQ(SendMessageW(combo, CB_DELETESTRING, 7, 0), CB_ERR);
  EXPECT_EQ(SendMessageW(combo, CB_SETCURSEL, 7, 0), CB_ERR);
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), CB_ERR);

  EXPECT_EQ(SendMessageW(combo, CB_SETTOPINDEX, 9, 0), CB_ERR);
  EXPECT_EQ(SendMessageW(combo, CB_GETMINVISIBLE, 0, 0), 30);
  EXPECT_EQ(SendMessageW(combo, CB_SETMINVISIBLE, 0, 0), FALSE);
  EXPECT_EQ(SendMessageW(combo, CB_GETDROPPEDWIDTH, 0, 0), 150) << "at least the face";
  SendMessageW(combo, CB_SETDROPPEDWIDTH, 220, 0);
  EXPECT_EQ(SendMessageW(combo, CB_GETDROPPEDWIDTH, 0, 0), 220);
  SendMessageW(combo, CB_RESETCONTENT, 0, 0);
  EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 0);
  EXPECT_TRUE(g_log.notifications.empty()) << "CB_SETCURSEL and the item messages notify nothing";
}

TEST_F(Combo, WithoutStringsTheAddedValueIsTheItemData) {
  HWND combo = make(CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED, 0);
  EXPECT_EQ(SendMessageW(combo, CB_ADDSTRING, 0, 0x1234), 0);
  EXPECT_EQ(SendMessageW(combo, CB_GETITEMDATA, 0, 0), 0x1234);
}

TEST_F(Combo, AClickOnARowChoosesItWithTheNotificationOrder) {
  HWND combo = makeOwnerDrawn(5);
  clickAt(faceCentre(combo));
  EXPECT_EQ(GetFocus(), combo);
  EXPECT_EQ(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0), TRUE);
  EXPECT_TRUE(IsWindowVisible(listOf(combo)));
  clickAt(rowPoint(combo, 3));
  EXPECT_EQ(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0), FALSE);
  EXPECT_FALSE(IsWindowVisible(listOf(combo)));
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 3);
  std::vector<int> expected{CBN_SETFOCUS, CBN_DROPDOWN, CBN_SELCHANGE, CBN_SELENDOK, CBN_CLOSEUP};
  EXPECT_EQ(g_log.notifications, expected);

  // Choosing the row that is already selected sends no CBN_SELCHANGE.
  g_log.notifications.clear();
  clickAt(faceCentre(combo));
  clickAt(rowPoint(combo, 3));
  expected = {CBN_DROPDOWN, CBN_SELENDOK, CBN_CLOSEUP};
  EXPECT_EQ(g_log.notifications, expected);
}

TEST_F(Combo, PressDragAndReleaseChoosesAndMovingOnlyHighlights) {
  HWND combo = makeOwnerDrawn(5);
  POINT face = faceCentre(combo);
  headless().moveMouse(face.x, face.y);
  headless().pressButton(WM_LBUTTONDOWN);
  pump();
  POINT row = rowPoint(combo, 2);
  headless().moveMouse(row.x, row.y);
  pump();
  EXPECT_EQ(SendMessageW(listOf(combo), LB_GETCURSEL, 0, 0), 2) << "the highlight follows the pointer";
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), CB_ERR) << "moving does not choose";
  headless().releaseButton(WM_LBUTTONUP);
  pump();
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0), FALSE);
}

TEST_F(Combo, AReleaseOnTheFaceKeepsTheListOpenAndAClickOutsideCancels) {
  HWND combo = makeOwnerDrawn(5);
  SendMessageW(combo, CB_SETCURSEL, 1, 0);
  clickAt(faceCentre(combo));
  EXPECT_EQ(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0), TRUE) << "press and release on the face";
  POINT row = rowPoint(combo, 4);
  headless().moveMouse(row.x, row.y);
  pump();
  g_log.notifications.clear();
  RECT r{};
  GetWindowRect(top, &r);
  clickAt(POINT{r.right - 20, r.bottom - 20});
  EXPECT_EQ(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0), FALSE);
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 1) << "a cancel keeps the selection";
  std::vector<int> expected{CBN_SELENDCANCEL, CBN_CLOSEUP};
  EXPECT_EQ(g_log.notifications, expected);

  // A click on the face of the open list closes it the same way.
  clickAt(faceCentre(combo));
  g_log.notifications.clear();
  clickAt(faceCentre(combo));
  EXPECT_EQ(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0), FALSE);
  EXPECT_EQ(g_log.notifications, expected);
}

TEST_F(Combo, KeysOpenMoveChooseAndCancel) {
  HWND combo = makeOwnerDrawn(6);
  SetFocus(combo);
  SendMessageW(combo, CB_SETCURSEL, 0, 0);
  g_log.notifications.clear();
  // On the closed face the arrows change the selection at once.
  key(VK_DOWN);
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 1);
  key(VK_END);
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 5);
  key(VK_DOWN);
  std::vector<int> expected{CBN_SELCHANGE, CBN_SELCHANGE};
  EXPECT_EQ(g_log.notifications, expected) << "End, then Down at the end changes nothing";

  g_log.notifications.clear();
  key(VK_F1 + 3);
  EXPECT_EQ(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0), TRUE);
  key(VK_HOME);
  key(VK_DOWN);
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 5) << "the open list moves only its highlight";
  key(VK_RETURN);
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 1);
  expected = {CBN_DROPDOWN, CBN_SELCHANGE, CBN_SELENDOK, CBN_CLOSEUP};
  EXPECT_EQ(g_log.notifications, expected);

  g_log.notifications.clear();
  headless().key(VK_MENU, true);
  key(VK_DOWN);
  headless().key(VK_MENU, false);
  pump();
  EXPECT_EQ(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0), TRUE) << "Alt+Down opens";
  key(VK_NEXT);
  key(VK_ESCAPE);
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 1);
  expected = {CBN_DROPDOWN, CBN_SELENDCANCEL, CBN_CLOSEUP};
  EXPECT_EQ(g_log.notifications, expected);
}

TEST_F(Combo, TheFocusLeavingOrCancelModeClosesWithoutAChoice) {
  HWND combo = makeOwnerDrawn(4);
  HWND other = CreateWindowExW(0, u"ComboTestParent", u"", WS_CHILD | WS_VISIBLE, 300, 20, 50, 20, top, nullptr,
                               nullptr, nullptr);
  SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
  SetFocus(combo);
  SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
  ASSERT_EQ(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0), TRUE);
  SetFocus(other);
  EXPECT_EQ(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0), FALSE);
  EXPECT_EQ(GetCapture(), nullptr) << "the list gave its capture back";
  SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
  SendMessageW(combo, WM_CANCELMODE, 0, 0);
  EXPECT_EQ(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0), FALSE);
}

TEST_F(Combo, TheListUsesWhatTheDropDownHandlerSet) {
  HWND combo = makeOwnerDrawn(40);
  g_log.onDropDown = [](HWND c) {
    SendMessageW(c, CB_SETDROPPEDWIDTH, 260, 0);
    SendMessageW(c, CB_SETITEMHEIGHT, 0, 15);
  };
  RECT predicted{};
  SendMessageW(combo, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&predicted));
  EXPECT_EQ(predicted.right - predicted.left, 150);
  SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
  RECT list{};
  GetWindowRect(listOf(combo), &list);
  EXPECT_EQ(list.right - list.left, 260);
  EXPECT_EQ(list.bottom - list.top, 30 * 15 + 2) << "30 rows of the new height in a 1-pixel frame";
  RECT face{};
  GetWindowRect(combo, &face);
  EXPECT_EQ(list.top, face.bottom) << "below the face";
  EXPECT_EQ(list.left, face.left);
  RECT reported{};
  SendMessageW(combo, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&reported));
  EXPECT_TRUE(EqualRect(&reported, &list));
}

TEST_F(Combo, OnlyVisibleRowsAreDrawnWithTheComboAsTheirItem) {
  HWND combo = makeOwnerDrawn(1000);
  SendMessageW(combo, CB_SETCURSEL, 0, 0);
  pump();
  // The closed face draws the field.
  ASSERT_FALSE(g_log.draws.empty());
  EXPECT_EQ(g_log.draws.back().itemId, 0u);
  EXPECT_TRUE(g_log.draws.back().state & ODS_COMBOBOXEDIT);
  EXPECT_EQ(g_log.draws.back().item, combo);
  g_log.draws.clear();
  SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
  pump();
  int rows = 0;
  for (const Draw& d : g_log.draws) {
    if (d.state & ODS_COMBOBOXEDIT) continue;
    ++rows;
    EXPECT_EQ(d.item, combo);
    EXPECT_LT(d.itemId, 30u);
    EXPECT_EQ((d.state & ODS_SELECTED) != 0, d.itemId == 0) << "row " << d.itemId;
  }
  EXPECT_EQ(rows, 30);
}

TEST_F(Combo, TheFieldOfAnEmptySelectionIsItemMinusOneAndFocusShowsSelected) {
  HWND combo = makeOwnerDrawn(3);
  g_log.draws.clear();
  SetFocus(combo);
  pump();
  ASSERT_FALSE(g_log.draws.empty());
  EXPECT_EQ(g_log.draws.back().itemId, static_cast<UINT>(-1));
  EXPECT_EQ(g_log.draws.back().state & (ODS_SELECTED | ODS_FOCUS | ODS_COMBOBOXEDIT),
            static_cast<UINT>(ODS_SELECTED | ODS_FOCUS | ODS_COMBOBOXEDIT));
  COMBOBOXINFO info{sizeof info, {}, {}, 0, nullptr, nullptr, nullptr};
  ASSERT_TRUE(GetComboBoxInfo(combo, &info));
  EXPECT_TRUE(EqualRect(&info.rcItem, &g_log.draws.back().rect));
  EXPECT_EQ(info.rcButton.right - info.rcButton.left, GetSystemMetrics(SM_CXVSCROLL));
  EXPECT_EQ(info.rcItem.left, 3);
  EXPECT_EQ(info.rcItem.right, info.rcButton.left - 1);
  EXPECT_EQ(info.hwndCombo, combo);
  info.cbSize = 0;
  EXPECT_FALSE(GetComboBoxInfo(combo, &info));
  COMBOBOXINFO notCombo{sizeof notCombo, {}, {}, 0, nullptr, nullptr, nullptr};
  EXPECT_FALSE(GetComboBoxInfo(top, &notCombo));
}

TEST_F(Combo, ATopIndexSetWhileDrawingScrollsAfterThePaint) {
  HWND combo = makeOwnerDrawn(100);
  bool asked = false;
  g_log.onDraw = [&](const DRAWITEMSTRUCT& dis) {
    if (!asked && !(dis.itemState & ODS_COMBOBOXEDIT)) {
      asked = true;
      SendMessageW(dis.hwndItem, CB_SETTOPINDEX, 40, 0);
    }
  };
  SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
  pump();
  EXPECT_TRUE(asked);
  EXPECT_EQ(SendMessageW(combo, CB_GETTOPINDEX, 0, 0), 40);
  bool sawRow40 = false;
  for (const Draw& d : g_log.draws) sawRow40 = sawRow40 || d.itemId == 40;
  EXPECT_TRUE(sawRow40) << "the list painted again from its new top";
}

TEST_F(Combo, ThirtyOneRowsScrollByArrowsTrackThumbAndWheel) {
  HWND combo = makeOwnerDrawn(31);
  SetFocus(combo);
  SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
  pump();
  HWND list = listOf(combo);
  EXPECT_TRUE(GetWindowLongPtrW(list, GWL_STYLE) & WS_VSCROLL);
  RECT window{}, client{};
  GetWindowRect(list, &window);
  GetClientRect(list, &client);
  EXPECT_EQ(client.right, (window.right - window.left) - 2 - GetSystemMetrics(SM_CXVSCROLL));
  int barX = window.right - 1 - GetSystemMetrics(SM_CXVSCROLL) / 2;
  // The down arrow: one row.
  clickAt(POINT{barX, window.bottom - 1 - 5});
  EXPECT_EQ(SendMessageW(combo, CB_GETTOPINDEX, 0, 0), 1);
  EXPECT_EQ(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0), TRUE) << "scrolling keeps the list open";
  EXPECT_EQ(GetCapture(), list);
  // The up arrow held: a step at once, and repeats once the clock passes the first delay.
  headless().moveMouse(barX, window.top + 1 + 5);
  headless().pressButton(WM_LBUTTONDOWN);
  pump();
  EXPECT_EQ(SendMessageW(combo, CB_GETTOPINDEX, 0, 0), 0);
  headless().releaseButton(WM_LBUTTONUP);
  pump();
  // The wheel: three rows a notch (clamped at the last top row, 1).
  headless().wheel(-WHEEL_DELTA);
  pump();
  EXPECT_EQ(SendMessageW(combo, CB_GETTOPINDEX, 0, 0), 1);
  headless().wheel(WHEEL_DELTA);
  pump();
  EXPECT_EQ(SendMessageW(combo, CB_GETTOPINDEX, 0, 0), 0);
  // The track below the thumb: a page.
  clickAt(POINT{barX, window.bottom - 1 - 17 - 3});
  EXPECT_EQ(SendMessageW(combo, CB_GETTOPINDEX, 0, 0), 1);
  EXPECT_EQ(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0), TRUE);
}

TEST_F(Combo, AHeldArrowRepeatsAndTheThumbDrags) {
  HWND combo = makeOwnerDrawn(200);
  SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
  pump();
  HWND list = listOf(combo);
  RECT window{};
  GetWindowRect(list, &window);
  int barX = window.right - 1 - GetSystemMetrics(SM_CXVSCROLL) / 2;
  headless().moveMouse(barX, window.bottom - 1 - 5);
  headless().pressButton(WM_LBUTTONDOWN);
  pump();
  EXPECT_EQ(SendMessageW(combo, CB_GETTOPINDEX, 0, 0), 1);
  headless().advanceClock(200);
  pump();
  EXPECT_EQ(SendMessageW(combo, CB_GETTOPINDEX, 0, 0), 2);
  headless().advanceClock(50);
  pump();
  headless().advanceClock(50);
  pump();
  EXPECT_EQ(SendMessageW(combo, CB_GETTOPINDEX, 0, 0), 4);
  headless().releaseButton(WM_LBUTTONUP);
  pump();
  headless().advanceClock(500);
  pump();
  EXPECT_EQ(SendMessageW(combo, CB_GETTOPINDEX, 0, 0), 4) << "the release stops the repeat";

  // Drag the thumb to the bottom of the track: the last page.
  SCROLLINFO info{sizeof info, SIF_ALL, 0, 0, 0, 0, 0};
  ASSERT_TRUE(GetScrollInfo(list, SB_VERT, &info));
  EXPECT_EQ(info.nMax, 199);
  EXPECT_EQ(info.nPage, 30u);
  EXPECT_EQ(info.nPos, 4);
  RECT client{};
  GetClientRect(list, &client);
  int track = client.bottom - 2 * 17;
  int thumb = std::max(track * 30 / 200, 8);
  int thumbTop = window.top + 1 + 17 + (track - thumb) * 4 / 170;
  headless().moveMouse(barX, thumbTop + 2);
  headless().pressButton(WM_LBUTTONDOWN);
  pump();
  headless().moveMouse(barX, window.bottom - 5);
  pump();
  EXPECT_EQ(SendMessageW(combo, CB_GETTOPINDEX, 0, 0), 170) << "the thumb tracks as it moves";
  headless().releaseButton(WM_LBUTTONUP);
  pump();
  EXPECT_EQ(GetScrollPos(list, SB_VERT), 170);
  EXPECT_EQ(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0), TRUE);
}

TEST_F(Combo, TheListOpensAboveTheFaceNearTheBottomOfTheWorkArea) {
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  SetWindowPos(top, nullptr, 100, work.bottom - 200, 500, 200, SWP_NOZORDER);
  pump();
  HWND combo = makeOwnerDrawn(27, 20, 120);
  SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
  RECT face{}, list{};
  GetWindowRect(combo, &face);
  GetWindowRect(listOf(combo), &list);
  EXPECT_EQ(list.bottom, face.top);
  EXPECT_GE(list.top, work.top);
  EXPECT_FALSE(GetWindowLongPtrW(listOf(combo), GWL_STYLE) & WS_VSCROLL) << "27 rows need no bar";
}

TEST_F(Combo, AListWithRoomOnNeitherSideTakesTheLargerOneAndNeverCoversTheFace) {
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const int middle = static_cast<int>((work.top + work.bottom) / 2);
  SetWindowPos(top, nullptr, 100, middle - 100, 500, 200, SWP_NOZORDER);
  pump();
  HWND combo = makeOwnerDrawn(200, 20, 40);
  SendMessageW(combo, CB_SETMINVISIBLE, 200, 0);
  SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
  RECT face{}, list{};
  GetWindowRect(combo, &face);
  GetWindowRect(listOf(combo), &list);
  const bool below = work.bottom - face.bottom >= face.top - work.top;
  if (below) {
    EXPECT_EQ(list.top, face.bottom);
    EXPECT_LE(list.bottom, work.bottom);
  } else {
    EXPECT_EQ(list.bottom, face.top);
    EXPECT_GE(list.top, work.top);
  }
  RECT both{};
  EXPECT_FALSE(IntersectRect(&both, &face, &list)) << "the press's release never lands on a row";
  EXPECT_TRUE(GetWindowLongPtrW(listOf(combo), GWL_STYLE) & WS_VSCROLL);
  // Whole rows only: the client height is a multiple of the row height.
  RECT client{};
  GetClientRect(listOf(combo), &client);
  const LRESULT row = SendMessageW(combo, CB_GETITEMHEIGHT, 0, 0);
  ASSERT_GT(row, 0);
  EXPECT_EQ(client.bottom % row, 0);
}

TEST_F(Combo, ADisabledComboTakesNoInputAndAsksForStaticColours) {
  HWND combo = makeOwnerDrawn(3);
  EnableWindow(combo, FALSE);
  g_log.colourMessages.clear();
  pump();
  clickAt(faceCentre(combo));
  EXPECT_EQ(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0), FALSE);
  EXPECT_TRUE(g_log.notifications.empty());
  RedrawWindow(combo, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  ASSERT_FALSE(g_log.colourMessages.empty());
  EXPECT_EQ(g_log.colourMessages.back(), static_cast<UINT>(WM_CTLCOLORSTATIC));
  EnableWindow(combo, TRUE);
  RedrawWindow(combo, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_EQ(g_log.colourMessages.back(), static_cast<UINT>(WM_CTLCOLOREDIT));
  g_log.colourMessages.clear();
  SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
  pump();
  EXPECT_NE(std::find(g_log.colourMessages.begin(), g_log.colourMessages.end(), static_cast<UINT>(WM_CTLCOLORLISTBOX)),
            g_log.colourMessages.end())
      << "the list's colour message is passed on by the combo";
}

TEST_F(Combo, TheWheelMovesAFocusedClosedFaceOneRowANotch) {
  HWND combo = makeOwnerDrawn(5);
  SetFocus(combo);
  SendMessageW(combo, CB_SETCURSEL, 2, 0);
  g_log.notifications.clear();
  headless().wheel(-WHEEL_DELTA);
  pump();
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 3);
  headless().wheel(2 * WHEEL_DELTA);
  pump();
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 1);
  std::vector<int> expected{CBN_SELCHANGE, CBN_SELCHANGE};
  EXPECT_EQ(g_log.notifications, expected);
}

TEST_F(Combo, ScrollInfoShowsAndHidesTheBarWithItsRange) {
  HWND plain = CreateWindowExW(0, u"ComboTestParent", u"", WS_CHILD | WS_VISIBLE | WS_VSCROLL, 10, 10, 100, 100, top,
                               nullptr, nullptr, nullptr);
  RECT client{};
  GetClientRect(plain, &client);
  EXPECT_EQ(client.right, 100 - GetSystemMetrics(SM_CXVSCROLL));
  EXPECT_EQ(GetScrollPos(plain, SB_VERT), 0);
  int low = -1, high = -1;
  EXPECT_TRUE(GetScrollRange(plain, SB_VERT, &low, &high));
  EXPECT_EQ(high, 100) << "the default range";
  SCROLLINFO info{sizeof info, SIF_RANGE | SIF_PAGE, 0, 9, 10, 0, 0};
  SetScrollInfo(plain, SB_VERT, &info, TRUE);
  GetClientRect(plain, &client);
  EXPECT_EQ(client.right, 100) << "a page that shows everything hides the bar";
  info.fMask |= SIF_DISABLENOSCROLL;
  SetScrollInfo(plain, SB_VERT, &info, TRUE);
  GetClientRect(plain, &client);
  EXPECT_EQ(client.right, 100 - GetSystemMetrics(SM_CXVSCROLL));
  info = SCROLLINFO{sizeof info, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 49, 10, 45, 0};
  EXPECT_EQ(SetScrollInfo(plain, SB_VERT, &info, TRUE), 40) << "clamped to the last page";
  EXPECT_EQ(SetScrollPos(plain, SB_VERT, 5, TRUE), 40);
  EXPECT_EQ(GetScrollPos(plain, SB_VERT), 5);
  POINT bar{100 - 3, 50};
  ClientToScreen(plain, &bar);
  EXPECT_EQ(SendMessageW(plain, WM_NCHITTEST, 0, MAKELPARAM(bar.x, bar.y)), HTVSCROLL);
  ShowScrollBar(plain, SB_VERT, FALSE);
  GetClientRect(plain, &client);
  EXPECT_EQ(client.right, 100);
  SetLastError(0);
  EXPECT_EQ(SetScrollPos(plain, SB_HORZ, 3, TRUE), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  info.cbSize = 3;
  EXPECT_EQ(SetScrollInfo(plain, SB_VERT, &info, TRUE), 0);
}

TEST_F(Combo, APlainListBoxSelectsByClickAndKeysWithNotifications) {
  HWND list = CreateWindowExW(0, u"ListBox", u"", WS_CHILD | WS_VISIBLE | LBS_NOTIFY | WS_VSCROLL, 10, 200, 120, 60,
                              top, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kComboId)), nullptr, nullptr);
  for (int i = 0; i < 10; ++i) SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(u"row"));
  pump();
  RECT row{};
  SendMessageW(list, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&row));
  POINT p{row.left + 5, row.top + 3};
  ClientToScreen(list, &p);
  clickAt(p);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 2);
  key(VK_END);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 9);
  EXPECT_GT(SendMessageW(list, LB_GETTOPINDEX, 0, 0), 0) << "the selection was scrolled into view";
  std::vector<int> expected{LBN_SETFOCUS, LBN_SELCHANGE, LBN_SELCHANGE};
  EXPECT_EQ(g_log.notifications, expected);
}

// The pixels of a window as the screen shows them (its part of its top-level surface), hashed and
// written as a PNG on a mismatch.
::testing::AssertionResult looksAsBefore(HWND hwnd, uint64_t expected, const char* name) {
  HWND top = GetAncestor(hwnd, GA_ROOT);
  winapi::PixelBuffer picture;
  if (!winapi::HeadlessDriver::current()->capture(top, &picture)) return ::testing::AssertionFailure() << "no picture";
  RECT topRect{}, r{};
  GetWindowRect(top, &topRect);
  GetWindowRect(hwnd, &r);
  int x0 = r.left - topRect.left, y0 = r.top - topRect.top, w = r.right - r.left, h = r.bottom - r.top;
  std::vector<uint32_t> part(static_cast<size_t>(w) * static_cast<size_t>(h));
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) part[static_cast<size_t>(y * w + x)] = picture.row(y0 + y)[x0 + x];
  }
  return matchesGolden(pixelHash(part.data(), w, w, h), expected, name, [&](const std::string& path) {
    return winapi::HeadlessDriver::savePng(part.data(), w, h, false, path.c_str());
  });
}

TEST_F(Combo, TheOwnerDrawsTheFieldOnlyAndNeverOverTheArrowButton) {
  // An owner that paints far past the field, as a long entry's text would.
  g_log.onDraw = [](const DRAWITEMSTRUCT& dis) {
    if (!(dis.itemState & ODS_COMBOBOXEDIT)) return;
    RECT wide{dis.rcItem.left, dis.rcItem.top, dis.rcItem.right + 100, dis.rcItem.bottom};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(dis.hDC, &wide, red);
    DeleteObject(red);
  };
  HWND combo = makeOwnerDrawn(3);
  SendMessageW(combo, CB_SETCURSEL, 1, 0);
  InvalidateRect(combo, nullptr, TRUE);
  pump();
  COMBOBOXINFO info{sizeof info, {}, {}, 0, nullptr, nullptr, nullptr};
  ASSERT_TRUE(GetComboBoxInfo(combo, &info));
  winapi::PixelBuffer picture;
  ASSERT_TRUE(headless().capture(top, &picture));
  RECT topRect{};
  GetWindowRect(top, &topRect);
  auto red = [&](POINT client) {
    ClientToScreen(combo, &client);
    return (picture.row(client.y - topRect.top)[client.x - topRect.left] & 0xFFFFFF) == 0xFF0000;
  };
  EXPECT_TRUE(red(POINT{info.rcItem.left + 2, (info.rcItem.top + info.rcItem.bottom) / 2})) << "the field is drawn";
  const POINT button{(info.rcButton.left + info.rcButton.right) / 2, (info.rcButton.top + info.rcButton.bottom) / 2};
  EXPECT_FALSE(red(button)) << "the arrow button stays as the combo drew it";
  EXPECT_FALSE(red(POINT{info.rcButton.right + 1, button.y})) << "and so does the edge";
}

TEST_F(Combo, TheFaceAndTheListLookAsBefore) {
  HWND other = CreateWindowExW(0, u"ComboTestParent", u"", WS_CHILD | WS_VISIBLE, 300, 20, 50, 20, top, nullptr,
                               nullptr, nullptr);
  HWND combo = make(CBS_DROPDOWNLIST | CBS_HASSTRINGS, 40);
  SendMessageW(combo, CB_SETCURSEL, 2, 0);
  pump();
  EXPECT_TRUE(looksAsBefore(combo, 0x87e6e80c15d081cdull, "combo-closed"));
  SetFocus(combo);
  pump();
  EXPECT_TRUE(looksAsBefore(combo, 0xfa1990467fdb5621ull, "combo-focused"));
  clickAt(faceCentre(combo));
  POINT row = rowPoint(combo, 4);
  headless().moveMouse(row.x, row.y);
  pump();
  EXPECT_TRUE(looksAsBefore(combo, 0x7262953612397b95ull, "combo-pressed"));
  EXPECT_TRUE(looksAsBefore(listOf(combo), 0xc0457c58b2deadf8ull, "combo-list"));
  SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
  SetFocus(other);
  EnableWindow(combo, FALSE);
  pump();
  EXPECT_TRUE(looksAsBefore(combo, 0xad50bc93aae1e6aeull, "combo-disabled"));
}

}  // namespace
