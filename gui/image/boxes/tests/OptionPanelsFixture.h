// The save-option panels' test fixture: their encode settings over a registry store of its own,
// shown in a window. The toolkit's tests drive the panels; the skin library's tests pin their
// looks through its default drawers.
#pragma once

#include "gui/image/boxes/OptionPanels.h"
#include "gui/win/Box.h"
#include "gui/win/tests/BoxTestSupport.h"
#include "imaging/IEncodeSetting.h"
#include "platform/lang/Localizer.h"
#include "platform/reg/MappedData.h"
#include "platform/reg/win/RegDir.h"
#include "testlib/TempDir.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace lumetra::testgui {

constexpr const char16_t* kSection = u"Software\\Tovi\\Test\\Panels";

/// A registry store of its own in a temporary folder, the panels' hooks installed, and a shown
/// window large enough for any panel. The panels' looks are the skin library's tests, whose
/// default drawers paint them (skin/tests/OptionPanelLooksTest.cpp).
class OptionPanels : public testing::Test {
 protected:
  void SetUp() override {
    setenv("LUMETRA_REGISTRY", (m_dir.path() / "registry.sqlite3").c_str(), 1);
    m_store = s::reg::MappedData::take();
    auto* base = s::reg::win::RegDir::take();
    base->open(HKEY_CURRENT_USER, u"Software\\Tovi");
    m_store->setBaseKey(base);
    s::image::gui::boxes::installOptionPanels();
    window->setBounds(100, 100, 480, 360);
    root = s::gui::win::Box::take();
    root->setFullSize();
    window->add(root);
  }
  void TearDown() override {
    // The settings give their panels back once the widgets are gone with the window's root.
    window->remove(root, true);
    for (s::image::IEncodeSetting* setting : m_settings) setting->release();
    window->setLocalizer(nullptr);
    if (m_localizer != nullptr) m_localizer->release();
    m_store->release();
    unsetenv("LUMETRA_REGISTRY");
  }
  template <class Setting>
  Setting* bound() {
    Setting* setting = Setting::take();
    setting->bind(kSection, m_store);
    m_settings.push_back(setting);
    return setting;
  }
  /// The setting's panel, owned by the window, built and placed in the root box.
  template <class Panel>
  Panel* shown(s::image::IEncodeSetting* setting) {
    auto* panel = dynamic_cast<Panel*>(setting->createPanel());
    EXPECT_NE(panel, nullptr);
    panel->setOwnerWindow(window.window);
    s::gui::win::Box* box = panel->buildPanel();
    EXPECT_NE(box, nullptr);
    root->add(box);
    settle(window->getHandle());
    return panel;
  }
  void click(s::gui::IComponent* widget) {
    auto* control = dynamic_cast<CWnd*>(widget);
    ASSERT_NE(control, nullptr);
    SendMessageW(control->GetSafeHwnd(), BM_CLICK, 0, 0);
    settle(window->getHandle());
  }
  /// A fresh setting of the same kind read from the store.
  template <class Setting>
  Setting* reread() {
    return bound<Setting>();
  }
  lumetra::testlib::TempDir m_dir;
  s::reg::MappedData* m_store = nullptr;
  std::vector<s::image::IEncodeSetting*> m_settings;
  s::lang::Localizer* m_localizer = nullptr;
  lumetra::testgui::ShownWindow window;
  s::gui::win::Box* root = nullptr;
};

}  // namespace lumetra::testgui
