// Fills the icon archive's table of imaging calls with the icon image codec.
#pragma once

namespace s::image::ico {

/// Installs the icon image codec's calls into the icon archive's table; the program's start-up
/// and tests call it (calling it again is harmless).
void installArchiveCalls();

}  // namespace s::image::ico
