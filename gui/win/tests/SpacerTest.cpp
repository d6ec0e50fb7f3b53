// The spacer's and the progress bar's sizes and stored values, and a spacer attaching a child on
// its window's UI thread.
#include "gui/win/ProgressBar.h"
#include "gui/win/Spacer.h"
#include "gui/win/tests/BoxTestSupport.h"
#include "gui/win/tests/RecordingTextDrawer.h"

#include "gui/win/Box.h"
#include "gui/win/Label.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

namespace {

using lumetra::testgui::ShownWindow;
using s::gui::win::Box;
using s::gui::win::ProgressBar;
using s::gui::win::Spacer;

TEST(Spacer, AVerticalGapIsOnePixelWideAndNothingWideInARow) {
  Spacer* spacer = Spacer::take();
  spacer->setVertical();
  spacer->setFixedHeight(12);
  EXPECT_EQ(spacer->getMinimumWidth(), 1);
  EXPECT_EQ(spacer->getMaximumWidth(), 1);
  EXPECT_EQ(spacer->getMinimumHeight(), 12);
  EXPECT_EQ(spacer->getMaximumHeight(), 12);

  ShownWindow window;
  Box* row = Box::take();
  row->setHorizontal();
  window->add(row);
  row->add(spacer);
  EXPECT_EQ(spacer->getMinimumWidth(), 0);
  EXPECT_EQ(spacer->getMaximumWidth(), 0);
  EXPECT_EQ(spacer->getMinimumHeight(), 12) << "the row's own direction keeps its size";
}

TEST(Spacer, OrientationCallsExchangeTheAxesEveryTime) {
  Spacer* spacer = Spacer::take();
  spacer->setFixedWidth(5);
  spacer->setHeightPercent(30);
  spacer->setVertical();
  EXPECT_EQ(spacer->getMaximumHeight(), 5);
  spacer->setVertical();
  EXPECT_EQ(spacer->getMaximumWidth(), 5) << "twice: back where it was";
  EXPECT_EQ(spacer->getOrientation(), 1);
  spacer->release();
}

TEST(Spacer, APercentIsOfTheParentsContentAndClearsTheFixedSize) {
  Spacer* spacer = Spacer::take();
  spacer->setWidthPercent(50);
  EXPECT_EQ(spacer->getMinimumWidth(), 0) << "no fixed width any more";
  ShownWindow window;
  Box* box = Box::take();
  window->add(box);
  box->add(spacer);
  box->setSize(301, 40);
  EXPECT_EQ(spacer->getMaximumWidth(), 150);
}

TEST(ProgressBar, KeepsItsValuesUntilItHasAControl) {
  ProgressBar* bar = ProgressBar::take();
  EXPECT_EQ(bar->getRangeMinimum(), 0);
  EXPECT_EQ(bar->getRangeMaximum(), 100);
  bar->setRange(0, 1000);
  bar->setPosition(37);
  EXPECT_EQ(bar->getRangeMaximum(), 1000);
  EXPECT_EQ(bar->getPosition(), 37);
  bar->setFixedWidth(100);
  bar->setFixedHeight(16);
  EXPECT_EQ(bar->getMinimumWidth(), 100);
  EXPECT_EQ(bar->getMaximumHeight(), 16);
  bar->setFixedWidth(-1);
  EXPECT_EQ(bar->getMaximumWidth(), 0) << "nothing measured, no percent";
  bar->release();
  ProgressBar* reused = ProgressBar::take();
  EXPECT_EQ(reused->getRangeMaximum(), 100) << "reset";
  EXPECT_EQ(reused->getPosition(), 0);
  reused->release();
}

TEST(Spacer, AttachesAChildOnItsWindowsUiThread) {
  ShownWindow window;
  lumetra::testgui::RecordingTextDrawer drawer;
  Spacer* spacer = Spacer::take();
  window->add(spacer);
  ASSERT_TRUE(spacer->isCreated());
  s::gui::win::Label* label = s::gui::win::Label::take();
  label->setDrawer(&drawer, false);
  SendMessageW(spacer->GetSafeHwnd(), Spacer::kAddChildMessage, reinterpret_cast<WPARAM>(label), 0);
  ASSERT_TRUE(label->isCreated());
  EXPECT_EQ(GetWindowThreadProcessId(label->GetSafeHwnd(), nullptr),
            GetWindowThreadProcessId(window->getHandle(), nullptr));
  EXPECT_EQ(GetParent(label->GetSafeHwnd()), spacer->GetSafeHwnd());
  label->setParent(nullptr);
  label->release();
}

}  // namespace
