// The main window in the user's language: every script shows its own letters (pictures of the
// window in seven of them for people to look at), no text is cut through a letter in either
// view, and the effect chosen in one language is still chosen after a restart in another.
#include "app/dialogs/effect/EffectTable.h"
#include "app/tests/TextRuns.h"
#include "app/tests/e2e/EndToEnd.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace lumetra::e2e {
namespace {

using namespace s::sound::gui::dialogs::effect;
using lumetra::apptest::DrawnText;
using lumetra::apptest::TextRuns;
using lumetra::apptest::utf8Of;
using lumetra::apptest::waitFor;

BOOL CALLBACK invalidateChild(HWND child, LPARAM) {
  ::InvalidateRect(child, nullptr, TRUE);
  return TRUE;
}

// Adds a shown child window that reaches past its parent's sides (so its parent cuts what it
// draws) to the list in `param`, with its text.
BOOL CALLBACK collectSpilled(HWND child, LPARAM param) {
  HWND parent = ::GetParent(child);
  if (!::IsWindowVisible(child) || parent == nullptr) {
    return TRUE;
  }
  RECT own{};
  RECT room{};
  ::GetWindowRect(child, &own);
  ::GetClientRect(parent, &room);
  ::MapWindowPoints(parent, nullptr, reinterpret_cast<POINT*>(&room), 2);
  // A parent of no width is a box hidden by its layout: nothing of it shows.
  if (room.right > room.left && own.right > own.left &&
      (own.left < room.left || own.right > room.right)) {
    WCHAR text[128] = {};
    ::GetWindowTextW(child, text, 128);
    reinterpret_cast<std::vector<std::string>*>(param)->push_back(
        "\"" + utf8Of(text) + "\" from " + std::to_string(own.left) + " to " +
        std::to_string(own.right) + " in " + std::to_string(room.left) + " to " +
        std::to_string(room.right));
  }
  return TRUE;
}

class Languages : public EndToEnd {
 protected:
  /// The texts the main window draws when all of it paints again, once the status text shows.
  std::vector<DrawnText> repaintedTexts() {
    TextRuns runs;
    const std::u16string ready = text(609450);
    ::EnumChildWindows(frame(), invalidateChild, 0);
    ::RedrawWindow(frame(), nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
    EXPECT_TRUE(waitFor([&] {
      m_app.settle();
      for (const DrawnText& run : runs.taken()) {
        if (run.text == ready) {
          return true;
        }
      }
      return false;
    })) << "the status bar paints";
    // The other children of the window's thread paint in the same round of messages.
    EXPECT_TRUE(driver()->waitUntilIdle(frame())) << "the window paints all it was asked to";
    return runs.taken();
  }

  /// Checks that the window shows every text whole: no run of text reaches past the rectangle
  /// it is drawn in, and no shown child reaches past its parent. `where` names the case.
  void expectNothingCut(const std::string& where) {
    std::vector<std::string> spilled;
    ::EnumChildWindows(frame(), collectSpilled, reinterpret_cast<LPARAM>(&spilled));
    for (const std::string& child : spilled) {
      ADD_FAILURE() << where << ": " << child;
    }
    for (const DrawnText& run : repaintedTexts()) {
      EXPECT_TRUE(TextRuns::whole(run))
          << where << ": \"" << utf8Of(run.text) << "\" from " << run.box.left << " to "
          << run.box.right << ", shown " << run.clip.left << " to " << run.clip.right;
    }
  }

  /// Checks that the effect list's drop list shows every entry whole, not shortened.
  void expectWholeDropList(const std::string& where) {
    s::gui::win::ComboBox* list = dialog()->getEffectList();
    HWND combo = list->GetSafeHwnd();
    TextRuns runs;
    ::SendMessageW(combo, CB_SHOWDROPDOWN, TRUE, 0);
    COMBOBOXINFO info{sizeof info, {}, {}, 0, nullptr, nullptr, nullptr};
    ASSERT_TRUE(waitFor([&] {
      return ::GetComboBoxInfo(combo, &info) && info.hwndList != nullptr &&
             ::IsWindowVisible(info.hwndList);
    })) << where;
    ::RedrawWindow(info.hwndList, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    m_app.settle();
    std::vector<DrawnText> drawn = runs.taken();
    ::SendMessageW(combo, CB_SHOWDROPDOWN, FALSE, 0);
    m_app.settle();
    int rows = 0;
    for (int32_t i = 0; i < list->getItemCount(); ++i) {
      const std::u16string entry = list->getItem(i)->text->getCStr();
      if (entry.empty()) {
        continue;
      }
      for (const DrawnText& run : drawn) {
        if (run.window != info.hwndList) {
          continue;
        }
        if (run.text.size() >= 3 && run.text.compare(run.text.size() - 3, 3, u"...") == 0 &&
            entry.compare(0, run.text.size() - 3, run.text, 0, run.text.size() - 3) == 0) {
          ADD_FAILURE() << where << ": the drop list shortens \"" << utf8Of(entry) << "\"";
        }
        rows += run.text == entry ? 1 : 0;
      }
    }
    EXPECT_GT(rows, 10) << where << ": the rows drawn whole";
  }

  void switchTo(const char16_t* engName) {
    const int32_t index = languageIndex(engName);
    ASSERT_GE(index, 0);
    choose(kLanguageEntry, Dialog::kCommandFirstLanguage + index);
    m_texts.get()->selectLanguage(engName);
    m_app.settle();
  }

  void writePicture(const std::string& name) {
    const std::string file = std::string(APP_PICTURE_FOLDER) + "/" + name;
    EXPECT_TRUE(driver()->dumpFrame(frame(), file.c_str())) << file;
  }
};

}  // namespace

TEST_F(Languages, EveryScriptShowsItsLetters) {
  struct Case {
    const char16_t* engName;
    const char* tag;
  };
  const Case cases[] = {{u"Japanese", "ja"}, {u"Chinese_Simplified", "zh"},
                        {u"Korean", "ko"},   {u"Thai", "th"},
                        {u"Hindi", "hi"},    {u"Hebrew", "he"},
                        {u"Arabic", "ar"}};
  for (const Case& c : cases) {
    // Chosen in the Language menu, the language is the one the next start shows.
    start();
    useLargeView();
    switchTo(c.engName);
    EXPECT_EQ(m_app.close(), FALSE);
    start();
    std::vector<DrawnText> runs = repaintedTexts();
    EXPECT_GT(runs.size(), 10u) << c.tag;
    for (const DrawnText& run : runs) {
      EXPECT_EQ(run.missingUnit, -1) << c.tag << ": \"" << utf8Of(run.text) << "\" shows a box";
    }
    expectNothingCut(c.tag);
    writePicture(std::string("app_main_window_") + c.tag + ".png");
    EXPECT_EQ(m_app.close(), FALSE);
  }
}

TEST_F(Languages, TheEnglishLanguageMenuShowsEveryLanguagesOwnName) {
  start();
  s::gui::win::MenuEx* bar = dialog()->getMenuBar();
  RECT r = bar->getEntryRect(kLanguageEntry);
  POINT middle{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  ::ClientToScreen(bar->GetSafeHwnd(), &middle);
  TextRuns runs;
  driver()->scriptRun();
  driver()->click(middle.x, middle.y);
  HWND popup = nullptr;
  ASSERT_TRUE(waitFor([&] {
    popup = ::FindWindowW(u"#32768", nullptr);
    return popup != nullptr && ::IsWindowVisible(popup);
  })) << "the Language menu opens";
  s::lang::Localizer* texts = m_texts.get();
  std::vector<std::u16string> names;
  for (int32_t i = 0; i < texts->getPackCount(); ++i) {
    names.emplace_back(texts->getPack(i)->getTrueName()->getCStr());
  }
  // Each name drawn in the menu, with a glyph for every character.
  EXPECT_TRUE(waitFor([&] {
    size_t shown = 0;
    for (const std::u16string& name : names) {
      for (const DrawnText& run : runs.taken()) {
        if (run.window == popup && run.text == name) {
          ++shown;
          break;
        }
      }
    }
    return shown == names.size();
  })) << "every language's name is drawn whole";
  for (const DrawnText& run : runs.taken()) {
    if (run.window == popup) {
      EXPECT_EQ(run.missingUnit, -1) << "\"" << utf8Of(run.text) << "\" shows a box";
    }
  }
  const std::string file = std::string(APP_PICTURE_FOLDER) + "/app_language_menu.png";
  EXPECT_TRUE(driver()->dumpFrame(popup, file.c_str())) << file;
  driver()->key(VK_ESCAPE, true);
  driver()->key(VK_ESCAPE, false);
  EXPECT_TRUE(waitFor([&] { return !::IsWindowVisible(popup); })) << "Esc closes the menu";
}

TEST_F(Languages, NoTextIsCutThroughALetterInEitherView) {
  start();
  for (const char16_t* language : {u"English", u"German"}) {
    switchTo(language);
    expectNothingCut(utf8Of(language) + " small view");
    expectWholeDropList(utf8Of(language) + " small view");
    useLargeView();
    // Pages of each kind, so each parameter list and label shows.
    struct Pick {
      int32_t effect;
      int64_t level;
      int64_t quality;
    };
    for (Pick pick : {Pick{kPitchUp, 1, 8}, Pick{kBassBoost, 5, 3}, Pick{kVolumeUp, 30, 0},
                      Pick{kSpeedUp, 20, 4}}) {
      pickEffect(pick.effect, pick.level, pick.quality);
      expectNothingCut(utf8Of(language) + " large view");
    }
    ::PostMessageW(frame(), WM_RBUTTONDOWN, 0, MAKELPARAM(5, 5));
    ASSERT_TRUE(waitFor([this] { return dialog()->isCompact(); }));
  }
}

TEST_F(Languages, ALanguageChosenInTheLargeViewGivesItsLongerTextsRoom) {
  start();
  useLargeView();
  for (const char16_t* language : {u"Hindi", u"Arabic", u"German"}) {
    switchTo(language);
    expectNothingCut(utf8Of(language));
  }
}

TEST_F(Languages, TheEffectChosenInEnglishIsStillChosenAfterARestartInGerman) {
  start();
  useLargeView();
  pickEffect(kPitchUp, 1, 8);
  switchTo(u"German");
  EXPECT_EQ(m_app.close(), FALSE);

  start();
  EXPECT_EQ(dialog()->getEffectList()->getSelectedIndex(), kPitchUp);
  EXPECT_EQ(std::u16string(dialog()->getEffectList()->getSelectedItem()->text->getCStr()),
            text(effectRow(kPitchUp).textId))
      << "shown in German";
}

}  // namespace lumetra::e2e
