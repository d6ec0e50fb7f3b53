// The main window in the user's language: every script shows its own letters (pictures of the
// window in seven of them for people to look at), no text is cut through a letter in either
// view, and the effect chosen in one language is still chosen after a restart in another.
#include "app/dialogs/effect/EffectTable.h"
#include "app/tests/TextRuns.h"
#include "app/tests/e2e/EndToEnd.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
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
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    m_app.settle();
    return runs.taken();
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
  start();
  useLargeView();
  for (const Case& c : cases) {
    switchTo(c.engName);
    std::vector<DrawnText> runs = repaintedTexts();
    EXPECT_GT(runs.size(), 10u) << c.tag;
    for (const DrawnText& run : runs) {
      EXPECT_EQ(run.missingUnit, -1) << c.tag << ": \"" << utf8Of(run.text) << "\" shows a box";
    }
    writePicture(std::string("app_main_window_") + c.tag + ".png");
  }
}

TEST_F(Languages, NoTextIsCutThroughALetterInEitherView) {
  start();
  for (const char16_t* language : {u"English", u"German"}) {
    switchTo(language);
    for (bool large : {false, true}) {
      if (large) {
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
          for (const DrawnText& run : repaintedTexts()) {
            EXPECT_TRUE(TextRuns::whole(run))
                << utf8Of(language) << " large view: \"" << utf8Of(run.text) << "\" from "
                << run.box.left << " to " << run.box.right << ", shown " << run.clip.left << " to "
                << run.clip.right;
          }
        }
      } else {
        for (const DrawnText& run : repaintedTexts()) {
          EXPECT_TRUE(TextRuns::whole(run))
              << utf8Of(language) << " small view: \"" << utf8Of(run.text) << "\" from "
              << run.box.left << " to " << run.box.right << ", shown " << run.clip.left << " to "
              << run.clip.right;
        }
      }
    }
    ::PostMessageW(frame(), WM_RBUTTONDOWN, 0, MAKELPARAM(5, 5));
    ASSERT_TRUE(waitFor([this] { return dialog()->isCompact(); }));
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
