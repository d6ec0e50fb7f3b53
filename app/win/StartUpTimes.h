// The moments the program's start-up reaches its steps, kept for the start-up benchmark, and
// what the start-up does once it reaches one.
#pragma once

#include <cstdint>
#include <functional>

namespace s::app::win {

/// The steps of the start-up, in the order they end.
enum class StartUpStep : int32_t {
  Entry,              // the application thread entered the start-up
  Hooks,              // the libraries' upward hooks are filled
  Resources,          // the program's resources and icon group are open
  LanguagePack,       // the language packs are read
  SkinPictures,       // the two skin pictures are decoded
  Registry,           // the settings store is open, its start values written, the language chosen
  WindowDescription,  // the main window's description has read its settings
  InstanceCheck,      // no running copy was found
  WidgetTree,         // the main window's widgets are built and their stored choices applied
  FirstLayout,        // the window is laid out, sized and placed on the screen
  FirstPaint,         // the window is shown: painted and handed to the display
  Count,
};

/// Notes that the start-up has reached `step` now, then runs the action waiting for it, if any.
/// Cheap (one clock read, one store and one look under a lock) and safe on any thread; a step
/// reached again keeps its latest moment.
void markStartUp(StartUpStep step);

/// Runs `action` once, on the thread that next reaches `step`, after its moment is noted. A new
/// action replaces the one waiting for the step; an empty one takes it away. Any thread.
void whenStartUpReaches(StartUpStep step, std::function<void()> action);

/// The moment `step` was last reached, in nanoseconds of the system's monotonic clock (the clock
/// every process shares, so a parent can compare it with its own), or 0 when it was not reached.
int64_t startUpTime(StartUpStep step);

/// The step's name in the benchmark's report: "entry", "hooks", ..., "first paint".
const char* startUpStepName(StartUpStep step);

}  // namespace s::app::win
