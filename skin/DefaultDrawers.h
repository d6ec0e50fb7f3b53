// Fills the widgets' default drawer hook with the drawers of this library.
#pragma once

namespace s::skin {

/// Installs every default drawer this library has built so far into gui/'s hook. The program's
/// start-up calls it before its first window; tests of widgets call it in their set-up.
void installDefaultDrawers();

}  // namespace s::skin
