// The group box: the system's group-box button painted entirely by a group-box drawer, around
// one content box placed below the caption.
#pragma once

#include "core/col/array/ArrayP.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "core/thread/ClassTail.h"
#include "gui/IGroupBox.h"
#include "gui/win/Container.h"
#include "gui/win/Font.h"

#include <windows.h>
#include <afxwin.h>

#include <cstdint>

namespace s::gui::drawer {
class ISkinner;
}
namespace s::gui::drawer::groupbox {
class IBasic;
}
namespace s::lang {
class Localizer;
}

namespace s::gui::win {

/// A "Button" control of style BS_GROUPBOX (id 1000) that paints itself (caption and frame by
/// the drawer, the parent's pixels behind) and holds one content `Box`, which it owns, at the
/// insets 4, 4, caption height + 1, 4. The control exists from `setParent` with a parent (on the
/// owner window's UI thread) until `setParent(null)`; before, setters only store and creation
/// applies them. The caption is measured with the enabled caption font once the control exists;
/// the minimum width is never below caption width + 24.
///
/// Pooled (capacity 1000); `reset` detaches, releases the content and an owned drawer. The own
/// drawer comes from the default drawer hook and lives as long as the group box. The colour
/// answer keeps one brush, deleted before the next answer and with the group box.
class GroupBox final : public PlacedContainer<IGroupBox> {
  S_POOLED_CLASS(GroupBox, u"s_gui_win_GroupBox")

  /// Private messages of the group box.
  static constexpr UINT kDestroyMessage = WM_USER + 15;
  static constexpr UINT kAddChildMessage = WM_APP + 2;
  static constexpr UINT kColorMessage = WM_APP + 3;
  static constexpr UINT kControlId = 1000;
  static constexpr COLORREF kDefaultFrameColor = 0xBFD0D0;

  GroupBox();
  ~GroupBox() override;
  GroupBox(const GroupBox&) = delete;
  GroupBox& operator=(const GroupBox&) = delete;

  void reset() override;

  // IEventListener
  void onEvent(base::IObject* source, int32_t eventId) override;

  // IComponent
  int32_t getMinimumWidth() override;
  int32_t getMinimumHeight() override;
  int32_t getMinimumClientWidth() override;
  int32_t getMinimumClientHeight() override;
  using IComponent::setVisible;
  void setVisible(bool show, bool cascade) override;
  /// The caption changes its look with the state: the box is painted again.
  void setEnabled(bool enabled) override;
  void setParent(IComponent* parent) override;
  void add(IComponent* child) override;
  void beginBatch() override;

  // IContainer
  void doLayout() override;

  // IGroupBox
  void setText(const WCHAR* text) override;
  void setTextId(int32_t id) override;
  const WCHAR* getFaceName() override { return m_captionFont.getFaceName(); }
  void setFaceName(const WCHAR* name) override;
  void setStyleCode(int32_t code) override;
  COLORREF getTextColor() override { return m_captionFont.getTextColor(); }
  void setTextColor(int32_t red, int32_t green, int32_t blue) override;
  void setPointSize(int32_t points) override;
  int32_t getFontHeight() override { return m_captionFont.getHeight(); }
  void setFontHeight(int32_t height) override;
  int32_t getFontWidth() override { return m_captionFont.getWidth(); }
  void setFontWidth(int32_t width) override;
  bool isBold() override { return m_captionFont.isBold(); }
  void setBold(bool on) override;
  bool isItalic() override { return m_captionFont.isItalic(); }
  void setItalic(bool on) override;
  bool isUnderline() override { return m_captionFont.isUnderline(); }
  void setUnderline(bool on) override;
  bool isStrikeOut() override { return m_captionFont.isStrikeOut(); }
  void setStrikeOut(bool on) override;
  int32_t getWeight() override { return m_captionFont.getWeight(); }
  void setWeight(int32_t weight) override;
  void setFrameColor(int32_t red, int32_t green, int32_t blue) override;
  void addListener(events::IEventListener* listener) override;
  IBox* getContent() override;
  void setContent(IBox* content) override;
  void setAcceptFiles(bool on) override;
  void addDropListener(events::IEventListener* listener) override;
  file::win::PathArray* getDroppedPaths() override;
  void setDrawer(drawer::IGroupBox* drawer, bool owned) override;
  drawer::IGroupBox* getDrawer() override;

  bool preWindowProc(LRESULT* result, UINT message, WPARAM wParam, LPARAM lParam) override;

  const WCHAR* getText() { return m_caption->getCStr(); }
  int32_t getTextId() const { return m_captionTextId; }
  int32_t getCaptionWidth() const { return m_captionWidth; }
  int32_t getCaptionHeight() const { return m_captionHeight; }
  int32_t getInsetLeft() const { return m_limits.insetLeft; }
  int32_t getInsetTop() const { return m_limits.insetTop; }
  int32_t getInsetRight() const { return m_limits.insetRight; }
  int32_t getInsetBottom() const { return m_limits.insetBottom; }
  COLORREF getFrameColor() const { return m_frameColor; }
  Font* getCaptionFont() { return &m_captionFont; }
  Font* getDisabledCaptionFont() { return &m_disabledCaptionFont; }

 private:
  bool createControl();
  void applyCaptionText();
  /// Measures the caption with the enabled font, sets the insets from it and lays out again.
  void measureCaption();
  void attachContent();
  void listenToContent();
  void fontChanged();
  void releaseCustomDrawer();
  void paint();
  void deleteBrush();

  /// The localizer and skinner this box listens to since it was attached (not owned).
  lang::Localizer* m_joinedLocalizer = nullptr;
  drawer::ISkinner* m_joinedSkinner = nullptr;
  IBox* m_content = nullptr;
  int32_t m_captionTextId = -1;
  str::strbuffer::StrBuffer* m_caption;
  Font m_captionFont;
  Font m_disabledCaptionFont;
  HBRUSH m_brush = nullptr;
  int32_t m_captionWidth = 0;
  int32_t m_captionHeight = 0;
  COLORREF m_frameColor = kDefaultFrameColor;
  bool m_acceptFiles = false;
  bool m_listeningToContent = false;
  col::_array::ArrayP m_dropListeners;
  col::_array::ArrayP m_otherListeners;
  drawer::groupbox::IBasic* m_drawer = nullptr;
  drawer::IGroupBox* m_customDrawer = nullptr;
  bool m_customDrawerOwned = false;
  int32_t m_layoutDepth = 0;
};

/// A group box from the pool around a new content box (`makeBox` with the arrangement, width
/// and height 100 %, start alignment both ways, and the gaps and insets when above 0), with the
/// caption, enabled, and the width percent when 0 or more.
GroupBox* makeGroupBox(const WCHAR* caption, int32_t widthPercent, int32_t arrangement,
                       int32_t horizontalGap, int32_t verticalGap, int32_t horizontalInsets,
                       int32_t verticalInsets);
/// The same with the caption's language text id.
GroupBox* makeGroupBoxById(int32_t captionTextId, int32_t widthPercent, int32_t arrangement,
                           int32_t horizontalGap, int32_t verticalGap, int32_t horizontalInsets,
                           int32_t verticalInsets);
/// The drop zone of the converter window: caption text 1001000 ("Drop Box"), a vertical content
/// box with the box defaults, and the width and height percents when 0 or more.
GroupBox* makeDropBox(int32_t widthPercent, int32_t heightPercent);

}  // namespace s::gui::win
