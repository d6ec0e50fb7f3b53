// The save-option panels as the skin library's default drawers paint them, each in a window of
// its own as a host shows one, against pinned pictures.
#include "gui/image/boxes/BmpConfigBox.h"
#include "gui/image/boxes/GifConfigBox.h"
#include "gui/image/boxes/JpgConfigBox.h"
#include "gui/image/boxes/PngConfigBox.h"
#include "gui/image/boxes/tests/OptionPanelsFixture.h"
#include "gui/win/Box.h"
#include "gui/win/tests/BoxTestSupport.h"
#include "imaging/bmp/EncodeSetting.h"
#include "imaging/gif/EncodeSetting.h"
#include "imaging/jpg/EncodeSetting.h"
#include "imaging/png/EncodeSetting.h"
#include "skin/DefaultDrawers.h"
#include "winapi/testsupport/PaintCheck.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace {

using lumetra::testgui::screenCorner;
using lumetra::testgui::settle;
using s::image::gui::boxes::BmpConfigBox;
using s::image::gui::boxes::GifConfigBox;
using s::image::gui::boxes::JpgConfigBox;
using s::image::gui::boxes::PngConfigBox;

/// The panels' fixture with the default drawers installed, which paint their group boxes.
class OptionPanelLooks : public lumetra::testgui::OptionPanels {
 protected:
  void SetUp() override {
    s::skin::installDefaultDrawers();
    OptionPanels::SetUp();
  }
  /// What `shown` shows of `root`, compared with its stored hash.
  static void rootHash(s::gui::win::Window* shown, s::gui::win::Box* root, const std::string& name,
                       uint64_t expected) {
    const HWND top = shown->getHandle();
    settle(top);
    RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    EXPECT_TRUE(lumetra::testgui::idle(top));
    winapi::PixelBuffer picture;
    EXPECT_TRUE(winapi::HeadlessDriver::current()->capture(top, &picture));
    RECT windowRect;
    GetWindowRect(top, &windowRect);
    const POINT corner = screenCorner(root->GetSafeHwnd());
    const int width = root->getWidth();
    const int height = root->getHeight();
    Canvas canvas(width, height);
    for (int y = 0; y < height; ++y) {
      const uint32_t* row =
          picture.row(corner.y - windowRect.top + y) + (corner.x - windowRect.left);
      for (int x = 0; x < width; ++x) {
        SetPixel(canvas.dc(), x, y,
                 RGB((row[x] >> 16) & 0xFF, (row[x] >> 8) & 0xFF, row[x] & 0xFF));
      }
    }
    EXPECT_PAINTED(canvas, expected, name);
  }
};

TEST_F(OptionPanelLooks, TheBmpPanelLooksAsPinned) {
  auto* bmp = bound<s::image::bmp::EncodeSetting>();
  bmp->setBpp(32);
  shown<BmpConfigBox>(bmp);
  rootHash(window.window, root, "panel_bmp", 0xbf725180e5d39301ull);
}

TEST_F(OptionPanelLooks, TheGifPanelLooksAsPinned) {
  auto* gif = bound<s::image::gif::EncodeSetting>();
  gif->setKeepTransparency(false);
  gif->setBgRed(200);
  shown<GifConfigBox>(gif);
  rootHash(window.window, root, "panel_gif", 0x763b8ecd7cf31132ull);
}

TEST_F(OptionPanelLooks, TheJpegPanelLooksAsPinned) {
  auto* jpg = bound<s::image::jpg::EncodeSetting>();
  jpg->setQuality(60);
  shown<JpgConfigBox>(jpg);
  rootHash(window.window, root, "panel_jpg", 0xda78bed1750a57a8ull);
}

TEST_F(OptionPanelLooks, ThePngPanelLooksAsPinned) {
  shown<PngConfigBox>(bound<s::image::png::EncodeSetting>());
  rootHash(window.window, root, "panel_png", 0xdb9af7cb97d27f41ull);
}

}  // namespace
