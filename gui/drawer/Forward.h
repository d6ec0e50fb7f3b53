// Forward declarations shared by the drawer interfaces, so that their headers stay light.
#pragma once

class CDC;

namespace s::gui {
class IFont;
class IFontSetting;
}  // namespace s::gui

namespace s::image {
class IImage;
}  // namespace s::image

namespace s::image::win {
class BufferedImage;
}  // namespace s::image::win
