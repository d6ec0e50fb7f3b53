// The user's hand in the application tests: clicks on the menu bar with a scripted choice, on a
// combo box and a row of its drop list, on a button; and the waits that let the window catch up.
#pragma once

#include "gui/events/IEventListener.h"
#include "gui/win/MenuEx.h"
#include "testlib/Wait.h"
#include "winapi/drivers/headless/HeadlessDriver.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>

namespace lumetra::apptest {

/// Looks at `condition` until it holds or `milliseconds` have passed; its last answer.
inline bool waitFor(const std::function<bool()>& condition, int milliseconds = 5000) {
  return lumetra::testlib::waitUntil(condition, std::chrono::milliseconds(milliseconds));
}

/// Returns once the window's thread has handled everything queued for it before.
inline void settle(HWND window) { ::SendMessageW(window, WM_NULL, 0, 0); }

/// The middle of a window, in screen coordinates.
inline POINT centreOf(HWND window) {
  RECT r{};
  ::GetWindowRect(window, &r);
  return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

/// The first visible child (at any depth) of `parent` of the window class `className` for which
/// `match` holds; null when there is none.
inline HWND findChild(HWND parent, const char16_t* className,
                      const std::function<bool(HWND)>& match = {}) {
  struct Search {
    const char16_t* className;
    const std::function<bool(HWND)>* match;
    HWND found;
  } search{className, &match, nullptr};
  ::EnumChildWindows(
      parent,
      [](HWND child, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        WCHAR name[64] = {};
        ::GetClassNameW(child, name, 64);
        if (std::u16string(name) != s->className || !::IsWindowVisible(child) ||
            (*s->match && !(*s->match)(child))) {
          return TRUE;
        }
        s->found = child;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

/// A window's text.
inline std::u16string windowText(HWND window) {
  WCHAR text[512] = {};
  ::GetWindowTextW(window, text, 512);
  return text;
}

/// Counts the menu bar's choices. Added after the window's own listener, it hears a choice only
/// once the window has carried the command out.
class ChoiceCounter final : public s::gui::events::IEventListener {
 public:
  void onEvent(s::base::IObject*, int32_t) override { heard.fetch_add(1); }
  std::atomic<int> heard{0};
};

/// Clicks entry `entry` of the menu bar and chooses `command` in the drop-down it opens, then
/// waits until the window has carried the command out (`choices` listens to the bar). A dialog
/// the command opens is cancelled when `cancelDialog` is set; other answers the test scripts
/// before the call.
inline void chooseFromMenuBar(s::gui::win::MenuEx* bar, ChoiceCounter* choices, int32_t entry,
                              int32_t command, bool cancelDialog = false) {
  auto* driver = winapi::HeadlessDriver::current();
  ASSERT_NE(driver, nullptr);
  // A click soon after a drop-down closed only closes it again: the clock is moved past that
  // (and runs on, unless the test holds it still).
  if (bar->getLastCloseTime() != 0) {
    const bool held = driver->manualClock();
    driver->advanceClock(static_cast<ULONGLONG>(s::gui::win::MenuEx::kReopenGuardMs) + 1);
    if (!held) {
      driver->runClock();
    }
  }
  // The click comes once the window has done all that the last command set going (a language
  // chosen lays the window out again), as a user's would.
  ASSERT_TRUE(driver->waitUntilIdle(::GetAncestor(bar->GetSafeHwnd(), GA_ROOT)));
  // The entry's place is read then: a view switched just before may still have moved the bar.
  RECT r = bar->getEntryRect(entry);
  POINT middle{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  ::ClientToScreen(bar->GetSafeHwnd(), &middle);
  driver->scriptMenuItem(command);
  if (cancelDialog) {
    driver->scriptCancel();
  }
  const int before = choices->heard.load();
  driver->click(middle.x, middle.y);
  ASSERT_TRUE(waitFor([driver] { return driver->scriptedAnswers() == 0; }))
      << "command " << command << ": the menu took its answers";
  ASSERT_TRUE(waitFor([&] { return choices->heard.load() > before; })) << "command " << command;
  settle(::GetAncestor(bar->GetSafeHwnd(), GA_ROOT));
}

/// Opens a combo box's drop list with a click on its face and clicks row `row` of the list; the
/// box must show that row afterwards.
inline void pickComboRow(HWND combo, int row) {
  auto* driver = winapi::HeadlessDriver::current();
  ASSERT_NE(driver, nullptr);
  const POINT face = centreOf(combo);
  driver->click(face.x, face.y);
  ASSERT_TRUE(waitFor([combo] { return ::SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0) != 0; }))
      << "a click on the face opens the list";
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  ASSERT_TRUE(::GetComboBoxInfo(combo, &info));
  RECT item{};
  ::SendMessageW(info.hwndList, LB_GETITEMRECT, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&item));
  RECT client{};
  ::GetClientRect(info.hwndList, &client);
  POINT point{(item.left + item.right) / 2, (item.top + item.bottom) / 2};
  ASSERT_TRUE(::PtInRect(&client, point)) << "row " << row << " shows in the open list";
  ::ClientToScreen(info.hwndList, &point);
  driver->click(point.x, point.y);
  ASSERT_TRUE(waitFor([combo, row] {
    return ::SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0) == 0 &&
           ::SendMessageW(combo, CB_GETCURSEL, 0, 0) == row;
  })) << "row "
      << row << " is chosen";
  settle(::GetAncestor(combo, GA_ROOT));
}

/// A click in the middle of a window, then a wait for its window to handle it.
inline void clickOn(HWND window) {
  const POINT p = centreOf(window);
  winapi::HeadlessDriver::current()->click(p.x, p.y);
  settle(::GetAncestor(window, GA_ROOT));
}

}  // namespace lumetra::apptest
