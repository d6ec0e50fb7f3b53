// The layout routines over in-memory components: the worked examples and random layouts checked
// for the limits, the minimum winning, the gap rule and one batch per child.
#include "gui/IContainer.h"
#include "gui/layout/FlowH.h"
#include "gui/layout/Pile.h"
#include "gui/layout/Vertical.h"
#include "gui/tests/FakeComponent.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

namespace {

using lumetra::testgui::Fake;
using s::gui::IComponent;
using s::gui::IContainer;

/// A container of the given client size whose children the test owns.
struct Scene {
  explicit Scene(int32_t w, int32_t h) : container(0, 10000, 0, 10000) { container.setSize(w, h); }
  Fake* add(int32_t minW, int32_t maxW, int32_t minH, int32_t maxH, bool visible = true) {
    children.push_back(std::make_unique<Fake>(minW, maxW, minH, maxH, visible));
    container.add(children.back().get());
    return children.back().get();
  }
  Fake container;
  std::vector<std::unique_ptr<Fake>> children;
};

TEST(LayoutColumn, GapsFollowOnlyChildrenThatTakeRoom) {
  Scene scene(100, 0);
  scene.add(0, 100, 20, 20);
  scene.add(0, 100, 0, 0);
  Fake* third = scene.add(0, 100, 30, 30);
  int32_t minHeight = -1;
  IContainer::layoutColumn(&scene.container, 0, 0, 5, nullptr, &minHeight);
  EXPECT_EQ(minHeight, 55);
  EXPECT_EQ(third->getY(), 25);
}

TEST(LayoutColumn, ExtraHeightIsSharedByWhatEachChildMayGrow) {
  Scene scene(80, 100);
  Fake* a = scene.add(0, 100, 20, 60);
  Fake* b = scene.add(0, 100, 20, 60);
  int32_t outs[4] = {-1, -1, -1, -1};
  IContainer::layoutColumn(&scene.container, 1, 0, 0, &outs[0], &outs[1], &outs[2], &outs[3]);
  EXPECT_EQ(a->getHeight(), 50);
  EXPECT_EQ(b->getHeight(), 50);
  EXPECT_EQ(b->getY(), 50);
  EXPECT_EQ(a->getWidth(), 80);
  EXPECT_EQ(outs[1], 40);
  EXPECT_EQ(outs[3], 120);

  // An empty container reports nothing and places nothing.
  Scene empty(50, 50);
  IContainer::layoutColumn(&empty.container, 0, 0, 7, &outs[0], &outs[1], &outs[2], &outs[3]);
  EXPECT_EQ(outs[0] + outs[1] + outs[2] + outs[3], 0);
}

TEST(LayoutColumn, CentringLeavesAWideChildAtTheLeft) {
  Scene scene(50, 100);
  Fake* wide = scene.add(80, 80, 10, 10);
  Fake* narrow = scene.add(20, 20, 10, 10);
  IContainer::layoutColumn(&scene.container, 1, 0, 0);
  EXPECT_EQ(wide->getX(), 0);
  EXPECT_EQ(narrow->getX(), 30) << "centred in the column of the widest minimum, 80";
}

TEST(LayoutRow, ProportionalWidthsAndTheLeftoverPass) {
  Scene scene(300, 40);
  Fake* a = scene.add(50, 100, 10, 10);
  Fake* b = scene.add(50, 200, 10, 10);
  int32_t minWidth = -1;
  int32_t maxWidth = -1;
  IContainer::layoutRow(&scene.container, 0, 0, 10, &minWidth, nullptr, &maxWidth);
  EXPECT_EQ(minWidth, 110);
  EXPECT_EQ(maxWidth, 310);
  EXPECT_EQ(a->getWidth(), 98);
  EXPECT_EQ(b->getWidth(), 192);
  EXPECT_EQ(a->getX(), 0);
  EXPECT_EQ(b->getX(), 108);

  Scene zeros(0, 10);
  zeros.add(10, 10, 5, 5);
  zeros.add(0, 0, 5, 5);
  zeros.add(0, 0, 5, 5);
  IContainer::layoutRow(&zeros.container, 0, 0, 5, &minWidth);
  EXPECT_EQ(minWidth, 10) << "the gap before the zero-width children is taken back";
}

TEST(LayoutFlow, RowsBreakAndAlignByWhatIsLeft) {
  Scene scene(100, 200);
  Fake* a = scene.add(40, 40, 10, 10);
  Fake* b = scene.add(40, 40, 10, 10);
  Fake* c = scene.add(40, 40, 10, 10);
  IContainer::layoutFlow(&scene.container, 2, 0, 10, 5);
  EXPECT_EQ(a->getX(), 10);
  EXPECT_EQ(b->getX(), 60);
  EXPECT_EQ(a->getY(), 0);
  EXPECT_EQ(c->getX(), 60);
  EXPECT_EQ(c->getY(), 15);

  // A container narrower than its widest child still gives that child a row of its own width.
  Scene narrow(30, 100);
  Fake* wide = narrow.add(70, 70, 10, 10);
  Fake* next = narrow.add(10, 10, 10, 10);
  int32_t minWidth = -1;
  IContainer::layoutFlow(&narrow.container, 0, 0, 0, 0, &minWidth);
  EXPECT_EQ(minWidth, 70);
  EXPECT_EQ(wide->getWidth(), 70);
  EXPECT_EQ(next->getY(), 10) << "no room beside the wide child";
}

TEST(LayoutPile, OnlyVisibleChildrenAreStackedAndAligned) {
  Scene scene(50, 100);
  Fake* shown = scene.add(10, 10, 20, 20);
  Fake* hidden = scene.add(10, 10, 20, 20, false);
  hidden->setLocation(3, 4);
  IContainer::layoutPile(&scene.container, 0, 2);
  EXPECT_EQ(shown->getY(), 80);
  EXPECT_EQ(shown->getX(), 0);
  EXPECT_EQ(hidden->getX(), 3);
  EXPECT_EQ(hidden->getY(), 4);
}

TEST(LayoutObjects, SharedInstancesLayOutWithTheirDefaults) {
  Scene scene(100, 100);
  Fake* a = scene.add(40, 40, 10, 10);
  Fake* b = scene.add(40, 40, 10, 10);
  s::gui::layout::FlowH::getShared()->layout(&scene.container);
  EXPECT_EQ(b->getX(), 40);
  s::gui::layout::Vertical::getShared()->layout(&scene.container);
  EXPECT_EQ(b->getY(), 10);
  s::gui::layout::Pile::getShared()->layout(&scene.container);
  EXPECT_EQ(a->getY(), 0);
  EXPECT_EQ(b->getY(), 0);
  EXPECT_EQ(s::gui::layout::FlowH::getShared(), s::gui::layout::FlowH::getShared());
  EXPECT_STREQ(reinterpret_cast<const char*>(s::gui::layout::Pile::getShared()->getClassName()),
               reinterpret_cast<const char*>(u"s_gui_layout_Pile"));
}

TEST(LayoutRandom, LimitsHoldAndEveryChildMovesInOneBatch) {
  std::mt19937 random(17);
  for (int round = 0; round < 200; ++round) {
    Scene scene(static_cast<int32_t>(random() % 400), static_cast<int32_t>(random() % 400));
    const int count = static_cast<int>(random() % 8);
    for (int i = 0; i < count; ++i) {
      const auto minW = static_cast<int32_t>(random() % 60);
      const auto minH = static_cast<int32_t>(random() % 60);
      // Some limits cross, so the minimum must win.
      scene.add(minW, static_cast<int32_t>(random() % 120), minH,
                static_cast<int32_t>(random() % 120), random() % 5 != 0);
    }
    const int routine = round % 4;
    switch (routine) {
      case 0: IContainer::layoutColumn(&scene.container, round % 3, round % 3, 4); break;
      case 1: IContainer::layoutRow(&scene.container, round % 3, round % 3, 4); break;
      case 2: IContainer::layoutFlow(&scene.container, round % 3, round % 3, 4, 3); break;
      default: IContainer::layoutPile(&scene.container, round % 3, round % 3); break;
    }
    for (const auto& child : scene.children) {
      EXPECT_EQ(child->batches, 1) << "round " << round;
      EXPECT_EQ(child->repaints, 1) << "round " << round;
      EXPECT_FALSE(child->isInBatch());
      if (routine == 3 && !child->isVisible()) {
        continue;
      }
      const int32_t maxW = std::max(child->getMinimumWidth(), child->getMaximumWidth());
      const int32_t maxH = std::max(child->getMinimumHeight(), child->getMaximumHeight());
      EXPECT_GE(child->getWidth(), child->getMinimumWidth()) << "round " << round;
      EXPECT_LE(child->getWidth(), maxW) << "round " << round;
      EXPECT_GE(child->getHeight(), child->getMinimumHeight()) << "round " << round;
      EXPECT_LE(child->getHeight(), maxH) << "round " << round;
      EXPECT_GE(child->getX(), 0) << "round " << round;
      EXPECT_GE(child->getY(), 0) << "round " << round;
    }
  }
}

}  // namespace
