// The confirmation dialog answered by keys, by its buttons and by its frame, with and without its
// check box, and what it does to its owner.
#include "gui/dialogs/FlexAsker.h"

#include "gui/app/AppHooks.h"
#include "gui/win/Button.h"
#include "gui/win/CheckBox.h"
#include "gui/win/Window.h"
#include "gui/win/tests/BoxTestSupport.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "winapi/drivers/headless/HeadlessDriver.h"

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

using lumetra::testgui::ShownWindow;
using lumetra::testgui::waitFor;
using s::gui::dialogs::FlexAsker;

/// An asker from the pool, set up whole: a pooled one keeps the texts and the check box its last
/// user set.
FlexAsker* takeAsker(bool showCheckBox = true) {
  FlexAsker* asker = FlexAsker::take();
  asker->setYesTextId(FlexAsker::kYesTextId);
  asker->setNoTextId(FlexAsker::kNoTextId);
  asker->setCheckBoxTextId(FlexAsker::kCheckBoxTextId);
  asker->setShowCheckBox(showCheckBox);
  return asker;
}

/// Asks on a thread of its own, as the update check and the drop handler do from theirs.
class Question {
 public:
  explicit Question(FlexAsker* asker, HWND owner = nullptr, const WCHAR* message = u"Go on?")
      : m_asker(asker) {
    m_thread = std::thread([this, owner, message] {
      m_shown = m_asker->ask(owner, u"Question", message);
      m_done = true;
    });
    EXPECT_TRUE(waitFor([&] {
      m_frame = ::FindWindowW(nullptr, u"Question");
      return m_frame != nullptr && ::IsWindowVisible(m_frame);
    }));
    // The dialog is built before it is shown; its default mark is set by then, and keys reach
    // it once it is active.
    EXPECT_TRUE(waitFor([&] { return ::GetForegroundWindow() == m_frame; }));
    lumetra::testgui::settle(m_frame);
  }
  ~Question() {
    if (m_thread.joinable()) {
      m_thread.join();
    }
  }
  HWND frame() const { return m_frame; }
  /// Waits until `ask` returned.
  bool finished() {
    const bool done = waitFor([&] { return m_done.load(); });
    if (m_thread.joinable()) {
      m_thread.join();
    }
    return done && m_shown;
  }
  void press(UINT key) {
    winapi::HeadlessDriver::current()->key(key, true);
    winapi::HeadlessDriver::current()->key(key, false);
  }

 private:
  FlexAsker* m_asker;
  std::thread m_thread;
  std::atomic<bool> m_done{false};
  std::atomic<bool> m_shown{false};
  HWND m_frame = nullptr;
};

int buttonsIn(HWND frame) {
  int count = 0;
  ::EnumChildWindows(
      frame,
      [](HWND child, LPARAM counter) -> BOOL {
        WCHAR name[16] = {};
        ::GetClassNameW(child, name, 16);
        if (std::u16string(name) == u"Button") {
          ++*reinterpret_cast<int*>(counter);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&count));
  return count;
}

TEST(FlexAsker, EnterAnswersTheButtonWithTheDefaultMarkThatTabMoves) {
  struct Case {
    std::vector<UINT> tabs;
    bool yes;
  };
  for (const Case& c : {Case{{}, true}, Case{{VK_TAB}, false}, Case{{VK_TAB, VK_TAB}, true}}) {
    FlexAsker* asker = takeAsker();
    {
      Question question(asker);
      for (UINT key : c.tabs) {
        question.press(key);
      }
      question.press(VK_RETURN);
      ASSERT_TRUE(question.finished()) << c.tabs.size() << " tabs";
    }
    EXPECT_EQ(asker->getAnswer(), c.yes) << c.tabs.size() << " tabs";
    asker->release();
  }
}

TEST(FlexAsker, TheFrameAnswersNoAndKeepsTheCheckBoxState) {
  FlexAsker* asker = takeAsker();
  {
    Question question(asker);
    ASSERT_NE(asker->getCheckBox(), nullptr);
    HWND box = asker->getCheckBox()->GetSafeHwnd();
    ::SendMessageW(box, BM_CLICK, 0, 0);
    winapi::HeadlessDriver::current()->requestClose(question.frame());
    ASSERT_TRUE(question.finished());
  }
  EXPECT_FALSE(asker->getAnswer());
  EXPECT_TRUE(asker->isDontAskAgain());
  asker->release();
}

TEST(FlexAsker, WithoutTheCheckBoxNoneIsLaidOutAndTheFlagStaysFalse) {
  FlexAsker* asker = takeAsker(false);
  {
    Question question(asker);
    EXPECT_EQ(asker->getCheckBox(), nullptr);
    EXPECT_EQ(buttonsIn(question.frame()), 2) << "Yes and No alone";
    ::SendMessageW(asker->getYesButton()->GetSafeHwnd(), BM_CLICK, 0, 0);
    ASSERT_TRUE(question.finished());
  }
  EXPECT_TRUE(asker->getAnswer());
  EXPECT_FALSE(asker->isDontAskAgain());
  asker->release();
}

TEST(FlexAsker, CentresOnItsOwnerAndDisablesItWhileItAsks) {
  ShownWindow owner;
  owner->setBounds(100, 80, 600, 500);
  HWND ownerHandle = owner->getHandle();
  FlexAsker* asker = takeAsker();
  {
    Question question(asker, ownerHandle);
    // Disabling the owner is the last step before the wait.
    EXPECT_TRUE(waitFor([&] { return !::IsWindowEnabled(ownerHandle); }));
    RECT r;
    ::GetWindowRect(question.frame(), &r);
    EXPECT_EQ((r.left + r.right) / 2, 100 + 600 / 2);
    EXPECT_NEAR((r.top + r.bottom) / 2, 80 + 500 / 2, 1);
    ::SendMessageW(asker->getNoButton()->GetSafeHwnd(), BM_CLICK, 0, 0);
    ASSERT_TRUE(question.finished());
  }
  EXPECT_TRUE(::IsWindowEnabled(ownerHandle));
  EXPECT_FALSE(asker->getAnswer());
  asker->release();
}

TEST(FlexAsker, TheDefaultTextsAreTheLanguagesOrEnglish) {
  FlexAsker* asker = takeAsker();
  {
    Question question(asker, nullptr, nullptr);
    WCHAR text[64] = {};
    ::GetWindowTextW(asker->getYesButton()->GetSafeHwnd(), text, 64);
    EXPECT_EQ(std::u16string(text), u"\u00A0      Yes      \u00A0");
    ASSERT_NE(asker->getCheckBox(), nullptr);
    ::GetWindowTextW(asker->getCheckBox()->GetSafeHwnd(), text, 64);
    EXPECT_EQ(std::u16string(text), u"Don't ask me again");
    question.press(VK_RETURN);
    ASSERT_TRUE(question.finished());
  }
  asker->release();
}

}  // namespace

namespace {

/// Records the window description the asker asks the application for.
class DescriptionHooks : public s::app::IAppHooks {
 public:
  DescriptionHooks() { m_previous = s::app::setAppHooks(this); }
  ~DescriptionHooks() override { s::app::setAppHooks(m_previous); }
  s::app::IAppWindow* makeAppWindow(s::app::win::AppBase*, const WCHAR* name, int32_t width,
                                    int32_t height, const WCHAR* onMiddleClick,
                                    const WCHAR* defaultSkin) override {
    m_name = name;
    m_width = width;
    m_height = height;
    m_onMiddleClick = onMiddleClick;
    m_skinned = defaultSkin != nullptr;
    return nullptr;
  }
  std::u16string m_name;
  int32_t m_width = 0;
  int32_t m_height = 0;
  std::u16string m_onMiddleClick;
  bool m_skinned = true;

 private:
  s::app::IAppHooks* m_previous = nullptr;
};

TEST(FlexAsker, MakeFlexAskerDescribesItsWindowThroughTheApplication) {
  DescriptionHooks hooks;
  FlexAsker* asker = s::gui::dialogs::makeFlexAsker(nullptr);
  ASSERT_NE(asker, nullptr);
  EXPECT_EQ(hooks.m_name, u"FlexAskerWindow");
  EXPECT_EQ(hooks.m_width, 400);
  EXPECT_EQ(hooks.m_height, 200);
  EXPECT_EQ(hooks.m_onMiddleClick, u"Close");
  EXPECT_FALSE(hooks.m_skinned) << "no skinner";
  asker->release();
}

}  // namespace
