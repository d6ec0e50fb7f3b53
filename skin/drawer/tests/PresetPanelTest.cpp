// What every preset paints: one panel per skin with its window frame and background, buttons in
// their states, a glyph, a check box, a label, a slider and a scroll bar, each panel pinned by a
// hash of its pixels, and the sheet of all panels written as skin_presets.png.
#include "gui/drawer/IButton.h"
#include "gui/drawer/ICheckBox.h"
#include "gui/drawer/IScrollBar.h"
#include "gui/drawer/ISkin.h"
#include "gui/drawer/ISlider.h"
#include "gui/drawer/IText.h"
#include "gui/drawer/IWindow.h"
#include "gui/win/Font.h"
#include "skin/drawer/skin/Thin.h"
#include "skin/drawer/skin/ThinWindow.h"
#include "skin/drawer/tests/DrawerPage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using lumetra::skintest::AtScale;
using lumetra::skintest::Page;
using s::gui::drawer::ISkin;

constexpr int kPanelWidth = 200;
constexpr int kPanelHeight = 120;
constexpr int kColumns = 6;

struct Pinned {
  bool thinWindow;
  int number;
  uint64_t hash;
};

// One hash per preset, Thin presets first, each list in preset-number order.
const Pinned kPinned[] = {
    {false, 1, 0xa590ba29b7a5ef20ull},  {false, 2, 0xdf1ba2ad997ecf31ull},
    {false, 3, 0x7b013aded3f02fb4ull},  {false, 4, 0xac0c7d74133b24beull},
    {false, 6, 0xa1c51b5e7bf12c47ull},  {false, 7, 0x7bbd2cf44daf3374ull},
    {false, 8, 0xc1f1d9475b8fd1e3ull},  {false, 9, 0x239ce64e0d4aded8ull},
    {false, 10, 0xa8de806bc4466cb6ull}, {false, 11, 0xa6cd41160e0215f2ull},
    {false, 12, 0xa135b4e2f823e375ull}, {false, 13, 0x6b4bb361b39b1123ull},
    {false, 14, 0x84fa8069da3e6838ull}, {true, 1, 0xa30d23e025d5d67dull},
    {true, 2, 0xc6b2dd4b15f483cfull},   {true, 3, 0xd4f0990f3c599c44ull},
    {true, 4, 0xb81c898579cef316ull},   {true, 6, 0x6e7085a120eb4799ull},
    {true, 7, 0x599fc6485363b754ull},   {true, 8, 0xd2672cba47b9ec8eull},
    {true, 9, 0xf05b277fe7f1e7a8ull},   {true, 10, 0xa2abfdd6a8814f3full},
    {true, 11, 0x003960cefb442d89ull},  {true, 12, 0xf2a23e1449be0932ull},
    {true, 13, 0xb299d268fac251f5ull},  {true, 16, 0xefbd56b9f93e14d9ull},
    {true, 17, 0x9a651de9785f3cf4ull},  {true, 18, 0x5a48a90237d9575aull},
    {true, 19, 0x57932376652db3a4ull},
};

/// Moves the context's origin to (x, y): drawers paint the rectangle they are given from the
/// origin, as widgets hand them their own client rectangle.
void origin(CDC* dc, int x, int y) { ::SetViewportOrgEx(dc->m_hDC, x, y, nullptr); }

/// Paints the skin's reference panel with its top-left corner at (x, y).
void paintPanel(CDC* dc, ISkin* skin, int x, int y) {
  // The fonts take over the drawers' colours, as the widgets' fonts do.
  s::gui::win::Font font, disabled, label, check, checkDisabled;
  s::gui::drawer::IButton* button = skin->getButtonDrawer();
  button->applyToFonts(&font, &disabled);
  skin->getTextDrawer()->applyToFonts(&label, nullptr, nullptr, nullptr, nullptr);
  skin->getCheckBoxDrawer()->applyToFonts(&check, &checkDisabled);
  origin(dc, x, y);
  skin->getWindowDrawer()->paint(dc, 0, 0, kPanelWidth, kPanelHeight);
  struct Face {
    int x, y, state;
    bool active, enabled, toggled;
  };
  for (const Face& f : {Face{8, 8, 0, true, true, false}, Face{88, 8, 1, true, true, false},
                        Face{8, 36, 2, true, true, false}, Face{88, 36, 0, true, false, false},
                        Face{8, 64, 0, false, true, true}}) {
    origin(dc, x + f.x, y + f.y);
    button->paint(dc, 0, 0, 75, 23, f.state, u"Close", f.active, f.enabled ? &font : &disabled,
                  f.enabled, f.toggled, true);
  }
  origin(dc, x + 170, y + 8);
  button->paint(dc, 0, 0, 14, 14, 0, u"#X", true, &font, true, false, true);
  origin(dc, x + 88, y + 66);
  skin->getTextDrawer()->paint(dc, 0, 0, 75, 18, u"Label", &label);
  origin(dc, x + 8, y + 94);
  skin->getCheckBoxDrawer()->paint(dc, 0, 0, 82, 16, 13, true, u"Check", &check);
  origin(dc, x + 96, y + 94);
  skin->getSliderDrawer()->paint(dc, 0, 0, 70, 16, 0, 100, 40, true, 0, true, false, 0, 0, 0, 0);
  origin(dc, x + 178, y + 28);
  skin->getScrollBarDrawer()->paint(dc, 0, 0, 17, 88, 0, 100, 20, 30, false, 0, 1, 0, false, 0, 0,
                                    0);
  origin(dc, 0, 0);
}

/// The FNV hash of the panel at (x, y) of the page, as the golden checks compute it.
uint64_t panelHash(const Page& page, int x, int y) {
  std::vector<uint32_t> pixels;
  pixels.reserve(static_cast<size_t>(kPanelWidth) * kPanelHeight);
  for (int row = 0; row < kPanelHeight; ++row) {
    for (int col = 0; col < kPanelWidth; ++col) pixels.push_back(page.canvas.at(x + col, y + row));
  }
  return pixelHash(pixels.data(), kPanelWidth, kPanelWidth, kPanelHeight);
}

TEST(PresetPanels, EveryPresetPaintsItsPinnedPanel) {
  AtScale scale(1);
  const int count = static_cast<int>(std::size(kPinned));
  const int rows = (count + kColumns - 1) / kColumns;
  Page page(kColumns * kPanelWidth, rows * kPanelHeight);
  for (int i = 0; i < count; ++i) {
    const Pinned& p = kPinned[i];
    ISkin* skin =
        p.thinWindow ? static_cast<ISkin*>(s::gui::drawer::skin::ThinWindow::createPreset(p.number))
                     : static_cast<ISkin*>(s::gui::drawer::skin::Thin::createPreset(p.number));
    ASSERT_NE(skin, nullptr) << p.number;
    const int x = (i % kColumns) * kPanelWidth, y = (i / kColumns) * kPanelHeight;
    paintPanel(&page.dc, skin, x, y);
    const std::string name = std::string(p.thinWindow ? "ThinWindow preset " : "Thin preset ") +
                             std::to_string(p.number);
    EXPECT_TRUE(matchesGolden(panelHash(page, x, y), p.hash, name, [&](const std::string&) {
      return page.canvas.save("skin_presets.png");
    }));
    skin->release();
  }
  EXPECT_TRUE(page.canvas.save("skin_presets.png"));
}

}  // namespace
