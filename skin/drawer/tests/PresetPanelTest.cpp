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
    {false, 1, 0x27a0fa32bb9f9119ull},  {false, 2, 0x3401c0ee086b12aeull},
    {false, 3, 0x299fc8d3067bd70cull},  {false, 4, 0x6a6b3f4e20193bdfull},
    {false, 6, 0x0cbd6369a4e03a3full},  {false, 7, 0xc9399dc37739dfdcull},
    {false, 8, 0x0c2fc55079095dafull},  {false, 9, 0xd94e1b85b207d78cull},
    {false, 10, 0xfe687cb8ec0198c5ull}, {false, 11, 0x953cb8da5b855a85ull},
    {false, 12, 0x273f80fcade8542bull}, {false, 13, 0x39db44840d9c5bffull},
    {false, 14, 0x93a146ece55e13f8ull}, {true, 1, 0x63976113ed8008c2ull},
    {true, 2, 0x43d9ee9106f6cb5full},   {true, 3, 0xcc79bf5684df0d01ull},
    {true, 4, 0x1db6da8e1f68946full},   {true, 6, 0x636814db443c1730ull},
    {true, 7, 0x3e96c546706b718eull},   {true, 8, 0x1f6d65218180a5fdull},
    {true, 9, 0xdf118972f591fe5bull},   {true, 10, 0x00f3e02e271acc30ull},
    {true, 11, 0xed9e29b0b383f653ull},  {true, 12, 0x64b40fece1d0d33bull},
    {true, 13, 0x97a1bff8be16edc4ull},  {true, 16, 0x37dea631f71a8e4dull},
    {true, 17, 0x4ac45b68bae22447ull},  {true, 18, 0xa0161a66bf7bb1fbull},
    {true, 19, 0x843ec27572bddd76ull},
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
