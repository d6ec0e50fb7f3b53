// Toolkit speed. Targets: a user event sent from another thread to a shown window at most twice
// a binary-semaphore ping-pong between two threads; a window from `take` to its first painted
// frame in at most 30 ms headless; each layout routine over 1,000 in-memory components in at
// most 0.5 ms; a column box of 1,000 child boxes with native windows laid out and repainted in
// at most 30 ms; one double-buffered paint of a 200 x 30 widget with a text drawer in at most
// 60 us.
#include "gui/IContainer.h"
#include "gui/drawer/IText.h"
#include "gui/tests/FakeComponent.h"
#include "gui/win/Box.h"
#include "gui/win/Font.h"
#include "gui/win/Widget.h"
#include "gui/win/Window.h"
#include "skin/drawer/text/win/Basic.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <memory>
#include <semaphore>
#include <thread>
#include <vector>

namespace {

using lumetra::testgui::Fake;
using s::gui::IContainer;

void SemaphorePingPong(benchmark::State& state) {
  std::binary_semaphore ping(0);
  std::binary_semaphore pong(0);
  std::atomic<bool> stop{false};
  std::thread partner([&] {
    for (;;) {
      ping.acquire();
      if (stop) {
        return;
      }
      pong.release();
    }
  });
  for (auto _ : state) {
    ping.release();
    pong.acquire();
  }
  stop = true;
  ping.release();
  partner.join();
}
BENCHMARK(SemaphorePingPong)->UseRealTime();

class Answer : public s::gui::events::IEventListener {
 public:
  explicit Answer(s::gui::win::Window* window) : m_window(window) {}
  void onEvent(s::base::IObject*, int32_t) override {
    m_window->setUserEventResult(m_window->getUserEventArg1());
  }

 private:
  s::gui::win::Window* m_window;
};

void CrossThreadUserEvent(benchmark::State& state) {
  s::gui::win::Window* window = s::gui::win::Window::take();
  Answer answer(window);
  window->addUserEventListener(&answer);
  window->show(true, false);
  int64_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(window->sendUserEvent(++i, 0, 0, 0));
  }
  window->release();
}
BENCHMARK(CrossThreadUserEvent)->UseRealTime();

void WindowTakeToFirstPaint(benchmark::State& state) {
  for (auto _ : state) {
    s::gui::win::Window* window = s::gui::win::Window::take();
    window->setSize(480, 320);
    // show paints synchronously (RDW_UPDATENOW): the frame is presented when it returns.
    window->show(true, true);
    state.PauseTiming();
    window->release();
    state.ResumeTiming();
  }
}
BENCHMARK(WindowTakeToFirstPaint)->UseRealTime()->Unit(benchmark::kMillisecond);

/// A container of 1,000 children with mixed limits.
struct Thousand {
  Thousand() : container(0, 100000, 0, 100000) {
    container.setSize(1200, 900);
    for (int i = 0; i < 1000; ++i) {
      children.push_back(
          std::make_unique<Fake>(10 + i % 30, 40 + i % 70, 5 + i % 20, 30 + i % 50, i % 7 != 0));
      container.add(children.back().get());
    }
  }
  Fake container;
  std::vector<std::unique_ptr<Fake>> children;
};

void LayoutColumn1000(benchmark::State& state) {
  Thousand scene;
  for (auto _ : state) {
    IContainer::layoutColumn(&scene.container, 1, 1, 2);
  }
}
BENCHMARK(LayoutColumn1000)->Unit(benchmark::kMicrosecond);

void LayoutRow1000(benchmark::State& state) {
  Thousand scene;
  for (auto _ : state) {
    IContainer::layoutRow(&scene.container, 1, 1, 2);
  }
}
BENCHMARK(LayoutRow1000)->Unit(benchmark::kMicrosecond);

void LayoutFlow1000(benchmark::State& state) {
  Thousand scene;
  for (auto _ : state) {
    IContainer::layoutFlow(&scene.container, 1, 1, 2, 2);
  }
}
BENCHMARK(LayoutFlow1000)->Unit(benchmark::kMicrosecond);

void LayoutPile1000(benchmark::State& state) {
  Thousand scene;
  for (auto _ : state) {
    IContainer::layoutPile(&scene.container, 1, 1);
  }
}
BENCHMARK(LayoutPile1000)->Unit(benchmark::kMicrosecond);

/// Lays a column box out again at a new height and repaints it, on its window's UI thread.
class Relayout : public s::gui::events::IEventListener {
 public:
  explicit Relayout(s::gui::win::Box* column) : m_column(column) {}
  void onEvent(s::base::IObject*, int32_t) override {
    // A new height each round, so every child really moves.
    m_extra = 1 - m_extra;
    m_column->setFixedHeight(2000 + m_extra, false);
    m_column->doLayout();
    m_column->repaint();
  }

 private:
  s::gui::win::Box* m_column;
  int32_t m_extra = 0;
};

/// A shown window whose content is a column box of 1,000 small boxes, each a native window.
void BoxLayout1000(benchmark::State& state) {
  s::gui::win::Window* window = s::gui::win::Window::take();
  window->setBounds(0, 0, 1200, 900);
  window->show(true, false);
  s::gui::win::Box* column = s::gui::win::Box::take();
  column->setFullSize();
  column->setBackgroundColor(240, 240, 240, false);
  // Children added before the column has its window are all made at its creation, in one layout.
  for (int i = 0; i < 1000; ++i) {
    s::gui::win::Box* child = s::gui::win::Box::take();
    child->setFixedHeight(1 + i % 3, false);
    child->setBackgroundColor(i % 256, 100, 200, false);
    column->add(child);
  }
  window->add(column);
  Relayout relayout(column);
  window->addUserEventListener(&relayout);
  for (auto _ : state) {
    window->sendUserEvent(0, 0, 0, 0);
  }
  window->release();
}
BENCHMARK(BoxLayout1000)->UseRealTime()->Unit(benchmark::kMillisecond);

inline constexpr s::gui::win::WidgetClass kBenchLabel{s::gui::win::kWindowClassName, WS_CHILD, 0, 0,
                                                      1000};

/// A label-like widget of the family: one line of text through a text drawer.
class TextWidget final : public s::gui::win::Widget<s::gui::IComponent, s::gui::drawer::IText> {
  S_POOLED_CLASS(TextWidget, u"TextWidget")
  TextWidget() : Widget(kBenchLabel) { reset(); }
  void reset() override { resetWidget(); }
  s::gui::win::Font font;

 protected:
  void measure() override { setMeasuredSize(200, 30); }
  void paintDrawer(CDC* dc, int32_t width, int32_t height) override {
    getDrawer()->paint(dc, 0, 0, width, height, u"Twenty characters...", &font);
  }
};

/// Paints a widget once, on its window's UI thread.
class PaintNow : public s::gui::events::IEventListener {
 public:
  explicit PaintNow(TextWidget* widget) : m_widget(widget) {}
  void onEvent(s::base::IObject*, int32_t) override { m_widget->repaint(); }

 private:
  TextWidget* m_widget;
};

void WidgetPaint(benchmark::State& state) {
  s::gui::win::Window* window = s::gui::win::Window::take();
  window->setBounds(0, 0, 400, 200);
  window->show(true, false);
  s::gui::win::Box* box = s::gui::win::Box::take();
  box->setFullSize();
  box->setBackgroundColor(250, 250, 250, false);
  window->add(box);
  TextWidget* widget = TextWidget::take();
  widget->font.setStyleCode(0);
  widget->useParentBackground(false);
  widget->setDrawer(s::gui::drawer::text::win::Basic::take(), true);
  box->add(widget);
  PaintNow paint(widget);
  window->addUserEventListener(&paint);
  for (auto _ : state) {
    window->sendUserEvent(0, 0, 0, 0);
  }
  window->release();
}
BENCHMARK(WidgetPaint)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
