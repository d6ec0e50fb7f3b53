// Fills platform's table of imaging calls with imaging's own.
#pragma once

namespace s::image {

/// Installs imaging's calls into platform's table; the program's start-up and tests call it once
/// (calling it again is harmless).
void installPlatformHooks();

}  // namespace s::image
