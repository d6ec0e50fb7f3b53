// The application's start-up before its first window: the application object (the program's
// resources, the 40-language pack, the two skin pictures and the registry store with the values
// start-up writes) and the main window's description, each taken, started and given back. The
// registry runs on its own database file in a temporary folder.
#include "app/LumetraApp.h"
#include "app/win/AppBase.h"
#include "app/win/AppWindow.h"
#include "app/win/StartUpHooks.h"
#include "imaging/win/BufferedImage.h"

#include "testlib/TempDir.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

using s::app::win::AppBase;
using s::app::win::AppWindow;

namespace {

lumetra::testlib::TempDir& registryFolder() {
  static lumetra::testlib::TempDir* const s_folder = [] {
    auto* folder = new lumetra::testlib::TempDir();
    setenv("LUMETRA_REGISTRY", folder->file("registry.sqlite3").c_str(), 1);
    setenv("LUMETRA_DISPLAY", "headless", 0);
    return folder;
  }();
  return *s_folder;
}

void ApplicationObjectStart(benchmark::State& state) {
  registryFolder();
  s::app::win::installStartUpHooks();
  for (auto _ : state) {
    AppBase* app = AppBase::take();
    app->initialize(&theApp);
    benchmark::DoNotOptimize(app->getLocalizer());
    app->release();
  }
}
BENCHMARK(ApplicationObjectStart)->Unit(benchmark::kMillisecond);

void MainWindowDescription(benchmark::State& state) {
  registryFolder();
  AppBase* app = AppBase::take();
  app->initialize(&theApp);
  for (auto _ : state) {
    AppWindow* window = AppWindow::take();
    window->initialize(app, u"MainWindow", app->getEditionName(), 250, 250, u"Close", nullptr,
                       nullptr);
    benchmark::DoNotOptimize(window->getWidth());
    window->release();
  }
  app->release();
}
BENCHMARK(MainWindowDescription)->Unit(benchmark::kMicrosecond);

// The window icons the toolkit asks for when a window applies its description.
void WindowIcons(benchmark::State& state) {
  registryFolder();
  s::app::win::installStartUpHooks();
  AppBase* app = AppBase::take();
  app->initialize(&theApp);
  for (auto _ : state) {
    for (int32_t size : {16, 32}) {
      s::image::win::BufferedImage* icon = app->iconBitmapOfSize(size);
      benchmark::DoNotOptimize(icon);
      if (icon != nullptr) {
        icon->release();
      }
    }
  }
  app->release();
}
BENCHMARK(WindowIcons)->Unit(benchmark::kMicrosecond);

}  // namespace
