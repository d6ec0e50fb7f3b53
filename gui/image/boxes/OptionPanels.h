// The toolkit's answer to the encode settings' calls for their option panels.
#pragma once

namespace s::image::gui::boxes {

/// Fills the encode settings' panel hooks with the toolkit's four panels (the program's start-up
/// and the tests call it; calling it again changes nothing).
void installOptionPanels();
/// Whether the hooks in force are the toolkit's panels.
bool areOptionPanelsInstalled();

}  // namespace s::image::gui::boxes
