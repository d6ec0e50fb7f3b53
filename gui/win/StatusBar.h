// The status bar: a child window along its window's bottom that holds status widgets, painted
// double-buffered by a status-bar drawer, with the usual set-up of an item box and a size grip.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/IStatusBar.h"
#include "gui/win/Container.h"

#include <windows.h>
#include <afxwin.h>

#include <cstdint>

namespace s::gui::drawer::statusbar {
class IBasic;
}

namespace s::gui::win {

/// A child window of "KavrelWindowClass" holding one content component, which it owns, laid
/// out by the pile placement. It is exactly as high as its drawer reports (the skin's, else its
/// own default drawer) and, by default, as wide as its parent's client area. Clicks on its own
/// surface pass through to the window below (HTTRANSPARENT); its children take their own. The
/// window exists from `setParent` with a parent until `setParent(null)`; before, setters only
/// store. A window holds at most one status bar and lays it along its bottom.
///
/// Pooled (capacity 1000); `reset` detaches and releases the content, the back buffer and an
/// owned drawer. The default drawer lives as long as the bar.
class StatusBar final : public PlacedContainer<IStatusBar> {
  S_POOLED_CLASS(StatusBar, u"s_gui_win_StatusBar")

  static constexpr const WCHAR* kInterfaceName = u"s_gui_IStatusBar";
  /// Private messages of the bar.
  static constexpr UINT kDestroyMessage = WM_USER + 15;
  static constexpr UINT kAddChildMessage = WM_APP + 2;

  StatusBar();
  ~StatusBar() override;
  StatusBar(const StatusBar&) = delete;
  StatusBar& operator=(const StatusBar&) = delete;

  void reset() override;

  // IEventListener
  void onEvent(base::IObject* source, int32_t eventId) override;

  // IComponent
  int32_t getMinimumWidth() override;
  /// The fixed height, else the drawer's.
  int32_t getMinimumHeight() override;
  int32_t getMinimumClientWidth() override;
  int32_t getMinimumClientHeight() override;
  int32_t getMaximumHeight() override { return getMinimumHeight(); }
  using IComponent::setVisible;
  void setVisible(bool show, bool cascade) override;
  void setParent(IComponent* parent) override;
  void add(IComponent* child) override;
  void beginBatch() override { m_place.inBatch = true; }

  // IContainer
  void doLayout() override;

  // IStatusBar
  IComponent* getContent() override { return m_content; }
  void setContent(IComponent* content, IBox* itemBox) override;
  void setRightInsetEnabled(bool on) override;
  void setExtraFlag(bool on) override { m_extraFlag = on; }
  void setDrawer(drawer::IStatusBar* drawer, bool owned) override;
  void setDefaultDrawerOption() override;

  bool preWindowProc(LRESULT* result, UINT message, WPARAM wParam, LPARAM lParam) override;

  IBox* getItemBox() { return m_itemBox; }
  /// The drawer that paints: the one set, else the default one (null when none could be taken).
  drawer::IStatusBar* getActiveDrawer();
  drawer::statusbar::IBasic* getDefaultDrawer();
  bool isRightInsetEnabled() const { return m_rightInsetEnabled; }
  bool isExtraFlag() const { return m_extraFlag; }
  /// The back buffer's image while there is one (null before the first paint).
  image::win::BufferedImage* getOwnBackBuffer() { return m_backBuffer; }

 private:
  bool createWindow();
  void relayoutParent();
  void paint();

  IComponent* m_content = nullptr;
  IBox* m_itemBox = nullptr;
  bool m_rightInsetEnabled = false;
  bool m_extraFlag = true;
  drawer::statusbar::IBasic* m_defaultDrawer = nullptr;
  drawer::IStatusBar* m_drawer = nullptr;
  bool m_drawerOwned = false;
  int32_t m_layoutDepth = 0;
  bool m_creatingChildren = false;
};

/// The usual status bar: a content box holding the item box (where `add` puts widgets; aligned
/// middle, with the horizontal and vertical insets when above 0) and, at the right, a grip box
/// with the window's "#Resizer" grip (12 x 12 pixels times the display scale) in its bottom
/// right corner; 100 % of the parent's width.
StatusBar* makeStatusBar(int32_t horizontalInsets, int32_t verticalInsets);

}  // namespace s::gui::win
