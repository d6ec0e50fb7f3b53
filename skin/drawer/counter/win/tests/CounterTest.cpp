// The counter drawer over sample histories on a white canvas: the three kinds with their
// heights, thick marks, the one-pixel rule and the second history's skipped marks; colours, swap
// and a history's own colour; scale to largest and an empty range; the background switch; the
// locks taken one history at a time; reset after reuse.
#include "skin/drawer/counter/win/Basic.h"
#include "skin/drawer/counter/win/SampleHistory.h"

#include "skin/drawer/tests/DrawerPage.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace {

using lumetra::skintest::Page;
using s::gui::drawer::counter::IHistory;
using s::gui::drawer::counter::win::Basic;
using s::gui::drawer::counter::win::SampleHistory;

const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kBlue = RGB(0, 0, 255);

class Counter : public testing::Test {
 protected:
  void SetUp() override {
    drawer = Basic::take();
    drawer->setFirstColor(255, 0, 0);
    drawer->setSecondColor(0, 0, 255);
  }
  void TearDown() override { drawer->release(); }

  static void fillWith(SampleHistory& history, std::initializer_list<double> samples) {
    for (double sample : samples) history.add(sample);
  }
  /// The height of the run of `color` in column x, and its top row (-1 when none).
  static int column(const Page& page, int x, COLORREF color, int* top = nullptr) {
    int n = 0, first = -1;
    for (int y = 0; y < page.canvas.height(); ++y) {
      if (page.color(x, y) == color) {
        ++n;
        if (first < 0) first = y;
      }
    }
    if (top != nullptr) *top = first;
    return n;
  }

  Basic* drawer = nullptr;
};

TEST_F(Counter, BarsFromTheBottomNewestAtTheRight) {
  SampleHistory history(16);
  fillWith(history, {0.1, 0.2, 0.5, 1.0, 0.25});
  Page page(10, 20);
  drawer->paint(&page.dc, 0, 0, 10, 20, 0, &history, nullptr, false);
  int top = 0;
  EXPECT_EQ(column(page, 9, kRed, &top), 5) << "0.25 of 20 pixels";
  EXPECT_EQ(top, 15);
  EXPECT_EQ(column(page, 8, kRed), 20);
  EXPECT_EQ(column(page, 7, kRed), 10);
  EXPECT_EQ(column(page, 6, kRed), 4);
  EXPECT_EQ(column(page, 5, kRed), 0) << "the oldest of the count is not drawn";
  EXPECT_EQ(page.inked().left, 6);
}

TEST_F(Counter, OneSampleDrawsNothingInEveryKind) {
  SampleHistory history(8);
  history.add(0.5);
  for (int kind = 0; kind < 3; ++kind) {
    Page page(10, 20);
    drawer->paint(&page.dc, 0, 0, 10, 20, kind, &history, nullptr, false);
    EXPECT_TRUE(page.blank()) << "kind " << kind;
  }
}

TEST_F(Counter, TheRingWrapsAndTheWidthLimitsTheSamples) {
  SampleHistory history(4);
  fillWith(history, {1.0, 1.0, 1.0, 0.5, 0.25, 0.75});
  Page page(10, 20);
  drawer->paint(&page.dc, 0, 0, 10, 20, 0, &history, nullptr, false);
  EXPECT_EQ(column(page, 9, kRed), 15);
  EXPECT_EQ(column(page, 8, kRed), 5);
  EXPECT_EQ(column(page, 7, kRed), 10);
  EXPECT_EQ(column(page, 6, kRed), 0) << "count 4 shows 3";
  SampleHistory many(64);
  for (int i = 0; i < 40; ++i) many.add(0.5);
  Page narrow(30, 20);
  drawer->paint(&narrow.dc, 5, 0, 25, 20, 0, &many, nullptr, false);
  EXPECT_EQ(narrow.inked().left, 5);
  EXPECT_EQ(narrow.inked().right, 25);
}

TEST_F(Counter, ThickMarksAndTheOnePixelRule) {
  SampleHistory history(8);
  history.setThick(true);
  fillWith(history, {0, 0.9, 0.01, 0.0});
  Page page(10, 20);
  drawer->paint(&page.dc, 0, 0, 10, 20, 0, &history, nullptr, false);
  int top = 0;
  EXPECT_EQ(column(page, 7, kRed, &top), 5) << "only the top of a thick bar";
  EXPECT_EQ(top, 2);
  EXPECT_EQ(column(page, 8, kRed, &top), 1) << "a sample above the floor shows a pixel";
  EXPECT_EQ(top, 19);
  EXPECT_EQ(column(page, 9, kRed), 0) << "a sample on the floor shows none";

  // The second history's one-pixel mark hides behind a higher first sample.
  SampleHistory first(8), second(8);
  fillWith(first, {0, 0.5, 0.5});
  fillWith(second, {0, 0.01, 0.01});
  first.add(0.0);
  second.add(0.01);
  Page both(10, 20);
  drawer->paint(&both.dc, 0, 0, 10, 20, 0, &first, &second, false);
  EXPECT_EQ(column(both, 9, kBlue), 1) << "above a zero first sample the mark shows";
  EXPECT_EQ(column(both, 8, kBlue), 0) << "skipped under the first's higher bar";
  EXPECT_EQ(column(both, 8, kRed), 10);
}

TEST_F(Counter, LevelBarAndCentredBars) {
  SampleHistory history(8);
  fillWith(history, {0.2, 0.5, 0.3});
  Page level(40, 10);
  drawer->paint(&level.dc, 0, 0, 40, 10, 1, &history, nullptr, false);
  EXPECT_EQ(level.count(kRed), 12 * 10) << "0.3 of the width, the full height";
  EXPECT_EQ(level.inked().right, 12);

  Page centred(10, 21);
  SampleHistory bars(8);
  fillWith(bars, {0, 0.5, 1.0, 0.25});
  drawer->paint(&centred.dc, 0, 0, 10, 21, 2, &bars, nullptr, false);
  int top = 0;
  EXPECT_EQ(column(centred, 9, kRed, &top), 5) << "0.25 x 21 rounds to 5";
  EXPECT_EQ(top, 8);
  EXPECT_EQ(column(centred, 8, kRed, &top), 21);
  EXPECT_EQ(column(centred, 7, kRed, &top), 11) << "10.5 rounds up";
  EXPECT_EQ(top, 5);

  bars.setThick(true);
  Page thick(10, 21);
  drawer->paint(&thick.dc, 0, 0, 10, 21, 2, &bars, nullptr, false);
  EXPECT_EQ(column(thick, 8, kRed), 10) << "a mark of 5 at each end";
  EXPECT_FALSE(thick.isPaper(8, 0));
  EXPECT_TRUE(thick.isPaper(8, 10));
  EXPECT_FALSE(thick.isPaper(8, 20));
}

TEST_F(Counter, SwappedColoursKeepAHistorysOwnColour) {
  SampleHistory first(8), second(8);
  fillWith(first, {0, 1.0, 1.0});
  fillWith(second, {0, 0.5, 0.5});
  Page plain(10, 20);
  drawer->paint(&plain.dc, 0, 0, 10, 20, 0, &first, &second, false);
  EXPECT_EQ(plain.color(9, 0), kRed);
  EXPECT_EQ(plain.color(9, 19), kBlue) << "the second is drawn over the first";
  Page swapped(10, 20);
  drawer->paint(&swapped.dc, 0, 0, 10, 20, 0, &first, &second, true);
  EXPECT_EQ(swapped.color(9, 0), kBlue);
  EXPECT_EQ(swapped.color(9, 19), kRed);
  second.setOwnColor(0, 200, 0);
  Page own(10, 20);
  drawer->paint(&own.dc, 0, 0, 10, 20, 0, &first, &second, true);
  EXPECT_EQ(own.color(9, 0), kBlue);
  EXPECT_EQ(own.color(9, 19), RGB(0, 200, 0));
}

TEST_F(Counter, ScaleToLargestAndEmptyRanges) {
  SampleHistory first(8), second(8);
  first.setRange(0, 100);
  first.setScaledToLargest(true);
  fillWith(first, {0, 2, 4});
  second.setRange(0, 100);
  second.setScaledToLargest(true);
  fillWith(second, {0, 1, 1});
  Page alone(10, 20);
  drawer->paint(&alone.dc, 0, 0, 10, 20, 0, &first, nullptr, false);
  EXPECT_EQ(column(alone, 9, kRed), 20) << "the largest shown, 4, is the top";
  EXPECT_EQ(column(alone, 8, kRed), 10);
  Page both(10, 20);
  drawer->paint(&both.dc, 0, 0, 10, 20, 0, &first, &second, false);
  EXPECT_EQ(column(both, 9, kBlue), 5) << "the second shares the first's largest: 1 of 4";

  // All-zero samples scaled to their largest leave nothing to divide by: no heights at all.
  SampleHistory zeros(8);
  zeros.setScaledToLargest(true);
  fillWith(zeros, {0, 0, 0});
  SampleHistory flat(8);
  flat.setRange(5, 5);
  fillWith(flat, {5, 7, 9});
  for (int kind = 0; kind < 3; ++kind) {
    Page nothing(10, 20);
    drawer->paint(&nothing.dc, 0, 0, 10, 20, kind, &zeros, &flat, false);
    EXPECT_TRUE(nothing.blank()) << "kind " << kind;
  }
  SampleHistory above(8);
  fillWith(above, {0, 3.0, -1.0});
  Page clamped(10, 20);
  drawer->paint(&clamped.dc, 0, 0, 10, 20, 0, &above, nullptr, false);
  EXPECT_EQ(column(clamped, 8, kRed), 20) << "a sample beyond the range stops at the top";
  EXPECT_EQ(column(clamped, 9, kRed), 0);
  EXPECT_EQ(clamped.inked().top, 0);
}

TEST_F(Counter, BackgroundOnlyOnceSetAndResetAfterReuse) {
  EXPECT_EQ(std::u16string(drawer->getClassName()), u"s_gui_drawer_counter_win_Basic");
  SampleHistory history(4);
  fillWith(history, {0, 0});
  Page clear(10, 10);
  drawer->paint(&clear.dc, 0, 0, 10, 10, 0, &history, nullptr, false);
  EXPECT_TRUE(clear.blank());
  EXPECT_EQ(drawer->setBackgroundColor(300, 0, 0), 44);
  EXPECT_FALSE(drawer->isTransparent());
  Page filled(12, 12);
  drawer->paint(&filled.dc, 1, 1, 11, 11, 0, &history, nullptr, false);
  EXPECT_EQ(filled.count(RGB(44, 0, 0)), 100);
  Page none(10, 10);
  drawer->paint(&none.dc, 0, 0, 10, 10, 0, nullptr, nullptr, false);
  drawer->paint(&none.dc, 0, 0, 0, 10, 0, &history, nullptr, false);
  EXPECT_TRUE(none.blank()) << "no first history or an empty rectangle: nothing, no background";

  drawer->release();
  drawer = Basic::take();
  EXPECT_TRUE(drawer->isTransparent());
  EXPECT_EQ(drawer->getFirstRed(), 255);
  EXPECT_EQ(drawer->getFirstGreen(), 255);
  EXPECT_EQ(drawer->getSecondBlue(), 255);
  EXPECT_EQ(drawer->getBackgroundColor(), 0xFFFFFFFFu);
}

/// A history that notes when its lock is taken and given back.
class NotingHistory : public IHistory {
 public:
  NotingHistory(char name, std::string& log) : m_name(name), m_log(log), m_samples(4) {
    m_samples.add(0.5);
    m_samples.add(0.5);
  }
  void lock() override { m_log += std::string("+") + m_name; }
  void unlock() override { m_log += std::string("-") + m_name; }
  bool isScaledToLargest() override { return false; }
  double getMaximum() override { return 1; }
  double getMinimum() override { return 0; }
  bool isThick() override { return false; }
  bool hasOwnColor() override { return false; }
  COLORREF getOwnColor() override { return 0; }
  const double* getSamples() override { return m_samples.getSamples(); }
  int32_t getCapacity() override { return m_samples.getCapacity(); }
  int32_t getCount() override { return m_samples.getCount(); }
  int32_t getNewestIndex() override { return m_samples.getNewestIndex(); }

 private:
  char m_name;
  std::string& m_log;
  SampleHistory m_samples;
};

TEST_F(Counter, EachHistoryIsReadUnderItsOwnLockInTurn) {
  std::string log;
  NotingHistory first('1', log), second('2', log);
  for (int kind = 0; kind < 3; ++kind) {
    log.clear();
    Page page(10, 10);
    drawer->paint(&page.dc, 0, 0, 10, 10, kind, &first, &second, false);
    EXPECT_EQ(log, "+1-1+2-2") << "kind " << kind;
  }
}

}  // namespace
