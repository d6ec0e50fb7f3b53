// The label: a text painted by a text drawer, with link looks, temporary texts and texts set
// from any thread.
#pragma once

#include "core/col/array/ArrayP.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "core/thread/ClassTail.h"
#include "gui/ILabel.h"
#include "gui/drawer/IText.h"
#include "gui/win/Font.h"
#include "gui/win/Widget.h"

#include <windows.h>

#include <cstdint>
#include <vector>

namespace s::gui::drawer::text {
class IBasic;
}

namespace s::gui::win {

/// A child window of the library class that paints its text through the set text drawer, or
/// through the default one (`drawer::takeDefaultTextDrawer`, taken once and kept by the label
/// for its whole life) while none is set. It never has a window text of its own.
///
/// A clickable label is a link: it takes the mouse capture while the pointer is over it to see
/// it leave, shows the link, hover and pressed fonts, and a release over it opens the link
/// target with the shell (the result is not looked at) and then tells the click listeners
/// (event 1). A label that is not clickable lets mouse hits through to what lies below.
///
/// `setText` and `showTextFor` may be called from any thread: on a created label they are sent
/// to its UI thread and the caller waits; once that thread has ended they fail at once (false,
/// nothing changed). Everything else runs on the UI thread or before attaching. Pooled (capacity
/// 1000); the derived fonts are made on first need and released by `reset`.
class Label final : public Widget<ILabel, drawer::IText> {
  S_POOLED_CLASS(Label, u"s_gui_win_Label", kLabelClass.poolCapacity)

  static constexpr UINT kSetTextMessage = WM_USER + 4097;
  static constexpr UINT kTemporaryTextMessage = WM_USER + 4098;
  static constexpr UINT_PTR kTemporaryTextTimer = 100;
  /// Widths up to this are kept in the fit caches; wider fits are measured every time, so a
  /// layout's unbounded width never makes a cache of that many entries.
  static constexpr int32_t kCachedWidths = 8192;

  Label();
  ~Label() override;
  void reset() override;

  // IComponent
  int32_t getMaximumWidth() override { return m_maximumWidth; }
  int32_t getMaximumHeight() override { return m_maximumHeight; }
  void setSizeWithinLimits(int32_t width, int32_t height) override;
  using ILabel::setVisible;
  void setVisible(bool show, bool cascade) override;
  void setEnabled(bool enabled) override;

  // ILabel
  void setMultiLine(bool on) override;
  void setEllipsis(bool on) override;
  bool setText(const WCHAR* text, bool redraw) override;
  const WCHAR* getText() override { return text()->getCStr(); }
  void showTextFor(const WCHAR* text, int32_t milliseconds) override;
  void setTextId(int32_t id) override;
  int32_t getTextId() override { return Widget::getTextId(); }
  void setFontStyle(int32_t code) override;
  const WCHAR* getFontFace() override { return m_font.getFaceName(); }
  void setFontFace(const WCHAR* name) override;
  COLORREF getTextColor() override { return m_font.getTextColor(); }
  void setTextColor(int32_t red, int32_t green, int32_t blue) override;
  void setFontPointSize(int32_t size) override;
  int32_t getFontHeight() override { return m_font.getHeight(); }
  void setFontHeight(int32_t height) override;
  int32_t getFontWidth() override { return m_font.getWidth(); }
  void setFontWidth(int32_t width) override;
  bool isBold() override { return m_font.isBold(); }
  void setBold(bool on) override;
  bool isItalic() override { return m_font.isItalic(); }
  void setItalic(bool on) override;
  bool isUnderline() override { return m_font.isUnderline(); }
  void setUnderline(bool on) override;
  bool isStrikeOut() override { return m_font.isStrikeOut(); }
  void setStrikeOut(bool on) override;
  int32_t getFontWeight() override { return m_font.getWeight(); }
  void setFontWeight(int32_t weight) override;
  int32_t getTextEffect() override { return m_font.getTextEffect(); }
  void setTextEffect(int32_t effect) override;
  void setDrawer(drawer::IText* drawer, bool owned) override { Widget::setDrawer(drawer, owned); }
  bool isClickable() override { return m_clickable; }
  void setClickable(bool on) override;
  void setLinkTarget(const WCHAR* target) override;
  void addClickListener(events::IEventListener* listener) override;
  IFont* getFont() override { return &m_font; }
  IFont* getDisabledFont() override { return derived(m_disabledFont); }
  IFont* getLinkFont() override { return derived(m_linkFont); }
  IFont* getLinkHoverFont() override { return derived(m_linkHoverFont); }
  IFont* getLinkPressedFont() override { return derived(m_linkPressedFont); }

  /// 0 normal, 1 under the pointer, 2 pressed.
  int32_t getHoverState() const { return m_hover; }
  /// The drawer painting now: the set one, else the default one (null when none was installed).
  drawer::IText* getTextDrawer();

  bool preWindowProc(LRESULT* result, UINT message, WPARAM wParam, LPARAM lParam) override;

 protected:
  drawer::IText* drawerOfSkin(drawer::ISkin* skin) override;
  void onDrawerChanged() override { completeFonts(); }
  void applyText() override {}
  void measure() override;
  void onLanguageChanged() override;
  bool paintsWithDrawer() override { return true; }
  void paintDrawer(CDC* dc, int32_t width, int32_t height) override;

 private:
  struct TextRecord {
    const WCHAR* text;
    bool redraw;
    int32_t milliseconds;
  };

  /// The text change on the UI thread: the old text wiped first, then the new one measured and
  /// painted; false when nothing changed.
  bool changeText(const WCHAR* text, bool redraw);
  void showTemporaryText(const TextRecord& record);
  void restoreSavedText();
  Font* derived(Font*& slot);
  /// Lets the drawer complete the base font and the derived fonts that exist.
  void completeFonts();
  void forEachFont(void (*change)(Font*, int32_t), int32_t value);
  void remeasure() { measureAndRelayout(); }
  void setHover(int32_t state);
  bool inside(LPARAM lParam);
  void onMouseMove(WPARAM wParam, LPARAM lParam);
  void onButtonUp(LPARAM lParam);
  void releaseDerivedFonts();

  int32_t m_maximumWidth = 0;
  int32_t m_maximumHeight = 0;
  Font m_font;
  Font* m_disabledFont = nullptr;
  Font* m_linkFont = nullptr;
  Font* m_linkHoverFont = nullptr;
  Font* m_linkPressedFont = nullptr;
  str::strbuffer::StrBuffer* m_savedText;
  // Kept apart from the saved text: an empty text is a text to go back to too.
  bool m_hasSavedText = false;
  drawer::text::IBasic* m_defaultDrawer = nullptr;
  std::vector<int32_t> m_widthCache;
  std::vector<int32_t> m_heightCache;
  bool m_clickable = false;
  bool m_pressed = false;
  int32_t m_hover = 0;
  str::strbuffer::StrBuffer* m_linkTarget;
  col::_array::ArrayP m_clickListeners;
};

/// A label from the pool with `text`, wrapping (`multiLine`) or ending in an ellipsis, and a
/// font style code.
Label* makeLabel(const WCHAR* text, bool multiLine, bool ellipsis, int32_t styleCode);
/// The same with the language text `textId` (its text follows the window's language).
Label* makeLabelById(int32_t textId, bool multiLine, bool ellipsis, int32_t styleCode);

}  // namespace s::gui::win
