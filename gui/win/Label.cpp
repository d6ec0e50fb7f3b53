// The label: text changes marshalled to the UI thread, temporary texts, link behaviour and the
// fit caches.
#include "gui/win/Label.h"

#include "core/system/win/Shell.h"
#include "gui/drawer/DefaultDrawers.h"
#include "gui/drawer/ISkin.h"
#include "gui/drawer/text/IBasic.h"
#include "gui/win/ChildWindow.h"
#include "gui/win/MemDC.h"
#include "platform/lang/Localizer.h"

#include <algorithm>
#include <string_view>

namespace s::gui::win {

namespace {

const WCHAR* orEmpty(const WCHAR* text) { return text != nullptr ? text : u""; }

}  // namespace

Label::Label()
    : Widget(kLabelClass),
      m_savedText(str::strbuffer::StrBuffer::take()),
      m_defaultDrawer(drawer::takeDefaultTextDrawer()),
      m_linkTarget(str::strbuffer::StrBuffer::take()) {
  reset();
}

Label::~Label() {
  reset();
  if (m_defaultDrawer != nullptr) {
    m_defaultDrawer->release();
  }
  m_savedText->release();
  m_linkTarget->release();
}

void Label::reset() {
  if (handle() != nullptr && ::IsWindow(handle())) {
    ::KillTimer(handle(), kTemporaryTextTimer);
  }
  resetWidget();
  useParentBackground(false);
  releaseDerivedFonts();
  m_font.reset();
  m_maximumWidth = m_maximumHeight = 0;
  m_savedText->clear();
  m_hasSavedText = false;
  m_widthCache.clear();
  m_heightCache.clear();
  m_clickable = false;
  m_pressed = false;
  m_hover = 0;
  m_linkTarget->clear();
  m_clickListeners.clear();
}

void Label::releaseDerivedFonts() {
  for (Font** slot : {&m_disabledFont, &m_linkFont, &m_linkHoverFont, &m_linkPressedFont}) {
    if (*slot != nullptr) {
      (*slot)->release();
      *slot = nullptr;
    }
  }
}

drawer::IText* Label::getTextDrawer() {
  if (getDrawer() != nullptr) {
    return getDrawer();
  }
  if (m_defaultDrawer == nullptr) {
    // The skin library may have filled the hook only after this label was built.
    m_defaultDrawer = drawer::takeDefaultTextDrawer();
  }
  return m_defaultDrawer;
}

drawer::IText* Label::drawerOfSkin(drawer::ISkin* skin) {
  return skin != nullptr ? skin->getTextDrawer() : nullptr;
}

Font* Label::derived(Font*& slot) {
  if (slot == nullptr) {
    slot = Font::take();
    if (slot == nullptr) {
      return nullptr;
    }
    slot->setStyleCode(m_font.getStyleCode());
    if (m_font.isBold()) {
      slot->setBold(true);
    }
    completeFonts();
  }
  return slot;
}

void Label::completeFonts() {
  drawer::IText* drawer = getTextDrawer();
  if (drawer != nullptr) {
    drawer->applyToFonts(&m_font, m_disabledFont, m_linkFont, m_linkHoverFont, m_linkPressedFont);
  }
}

void Label::forEachFont(void (*change)(Font*, int32_t), int32_t value) {
  change(&m_font, value);
  for (Font* font : {m_disabledFont, m_linkFont, m_linkHoverFont, m_linkPressedFont}) {
    if (font != nullptr) {
      change(font, value);
    }
  }
}

void Label::setMultiLine(bool on) {
  m_font.setWordWrap(on);
  remeasure();
}

void Label::setEllipsis(bool on) {
  forEachFont([](Font* f, int32_t v) { f->setEndEllipsis(v != 0); }, on ? 1 : 0);
  remeasure();
}

void Label::setFontStyle(int32_t code) {
  forEachFont([](Font* f, int32_t v) { f->setStyleCode(v); }, code);
  remeasure();
}

void Label::setBold(bool on) {
  forEachFont([](Font* f, int32_t v) { f->setBold(v != 0); }, on ? 1 : 0);
  remeasure();
}

void Label::setFontFace(const WCHAR* name) {
  m_font.setFaceName(name);
  remeasure();
}

void Label::setTextColor(int32_t red, int32_t green, int32_t blue) {
  m_font.setTextColor(red, green, blue);
  remeasure();
}

void Label::setFontPointSize(int32_t size) {
  m_font.setPointSize(size);
  remeasure();
}

void Label::setFontHeight(int32_t height) {
  m_font.setHeight(height);
  remeasure();
}

void Label::setFontWidth(int32_t width) {
  m_font.setWidth(width);
  remeasure();
}

void Label::setItalic(bool on) {
  m_font.setItalic(on);
  remeasure();
}

void Label::setUnderline(bool on) {
  m_font.setUnderline(on);
  remeasure();
}

void Label::setStrikeOut(bool on) {
  m_font.setStrikeOut(on);
  remeasure();
}

void Label::setFontWeight(int32_t weight) {
  m_font.setWeight(weight);
  remeasure();
}

void Label::setTextEffect(int32_t effect) {
  m_font.setTextEffect(effect);
  remeasure();
}

void Label::setClickable(bool on) {
  m_clickable = on;
  if (!on) {
    return;
  }
  const bool wraps = m_font.isWordWrap();
  const bool ellipsis = m_font.isEndEllipsis();
  for (Font** slot : {&m_linkFont, &m_linkHoverFont, &m_linkPressedFont}) {
    Font* font = (wraps || ellipsis) ? derived(*slot) : nullptr;
    if (font != nullptr && wraps) {
      font->setWordWrap(true);
    }
    if (font != nullptr && ellipsis) {
      font->setEndEllipsis(true);
    }
  }
}

void Label::setLinkTarget(const WCHAR* target) { m_linkTarget->assign(orEmpty(target)); }

void Label::addClickListener(events::IEventListener* listener) {
  if (listener != nullptr) {
    m_clickListeners.push(listener);
  }
}

bool Label::setText(const WCHAR* text, bool redraw) {
  if (handle() == nullptr) {
    return changeText(text, redraw);
  }
  TextRecord record{orEmpty(text), redraw, 0};
  return ::SendMessageW(handle(), kSetTextMessage, 0, reinterpret_cast<LPARAM>(&record)) != 0;
}

void Label::showTextFor(const WCHAR* text, int32_t milliseconds) {
  if (handle() == nullptr) {
    return;
  }
  TextRecord record{orEmpty(text), true, milliseconds};
  ::SendMessageW(handle(), kTemporaryTextMessage, 0, reinterpret_cast<LPARAM>(&record));
}

void Label::setTextId(int32_t id) {
  Widget::setTextId(id);
  IWindow* window = getWindow();
  if (id != -1 && window != nullptr && window->hasLocalizer()) {
    setText(window->getLocalizer()->getText(id), true);
  } else {
    setText(u"", true);
  }
}

void Label::onLanguageChanged() {
  if (getTextId() != -1) {
    setText(getWindow()->getLocalizer()->getText(getTextId()), true);
  }
}

bool Label::changeText(const WCHAR* newText, bool redraw) {
  newText = orEmpty(newText);
  if (std::u16string_view(text()->getCStr()) == std::u16string_view(newText)) {
    return false;
  }
  if (handle() != nullptr && text()->getLength() != 0) {
    // The old text goes first, so a shorter text never shows over what is left of a longer one.
    text()->clear();
    if (redraw) {
      repaint();
    }
  }
  text()->assign(newText);
  remeasure();
  if (handle() != nullptr && redraw) {
    repaint();
  }
  return true;
}

void Label::showTemporaryText(const TextRecord& record) {
  ::KillTimer(handle(), kTemporaryTextTimer);
  if (!m_hasSavedText) {
    m_savedText->assign(text()->getCStr());
    m_hasSavedText = true;
  }
  changeText(record.text, record.redraw);
  ::SetTimer(handle(), kTemporaryTextTimer, static_cast<UINT>(std::max(0, record.milliseconds)),
             nullptr);
}

void Label::restoreSavedText() {
  ::KillTimer(handle(), kTemporaryTextTimer);
  if (!m_hasSavedText) {
    return;
  }
  m_hasSavedText = false;
  str::strbuffer::StrBuffer* saved = str::strbuffer::StrBuffer::take();
  saved->assign(m_savedText->getCStr());
  m_savedText->clear();
  changeText(saved->getCStr(), true);
  saved->release();
}

void Label::measure() {
  m_widthCache.clear();
  m_heightCache.clear();
  drawer::IText* drawer = getTextDrawer();
  MemDC* dc = MemDC::forImage(handle(), nullptr, false);
  int32_t minimumWidth = 0;
  int32_t minimumHeight = 0;
  int32_t preferredWidth = 0;
  int32_t preferredHeight = 0;
  if (drawer != nullptr && dc != nullptr) {
    IFont* font = isEnabled() ? static_cast<IFont*>(&m_font) : getDisabledFont();
    drawer->measureLines(dc, text()->getCStr(), font, minimumWidth, minimumHeight, preferredWidth,
                         preferredHeight);
  }
  if (dc != nullptr) {
    dc->release();
  }
  setMeasuredSize(minimumWidth, minimumHeight);
  m_maximumWidth = preferredWidth;
  m_maximumHeight = preferredHeight;
}

void Label::setSizeWithinLimits(int32_t width, int32_t /*height*/) {
  // A layout may hand out a negative width; it fits as no room at all.
  const int32_t w = std::max(0, width);
  const bool cached = w < kCachedWidths;
  if (cached && static_cast<int32_t>(m_widthCache.size()) <= w) {
    m_widthCache.resize(static_cast<size_t>(w) + 1, -1);
    m_heightCache.resize(static_cast<size_t>(w) + 1, -1);
  }
  int32_t fitWidth = cached ? m_widthCache[w] : -1;
  int32_t fitHeight = cached ? m_heightCache[w] : -1;
  if (fitWidth == -1) {
    fitWidth = 0;
    fitHeight = 0;
    drawer::IText* drawer = getTextDrawer();
    MemDC* dc = MemDC::forImage(handle(), nullptr, false);
    if (drawer != nullptr && dc != nullptr) {
      drawer->measureText(dc, 0, 0, w, 0, text()->getCStr(), &m_font, fitWidth, fitHeight);
    }
    if (dc != nullptr) {
      dc->release();
    }
    if (cached) {
      m_widthCache[w] = fitWidth;
      m_heightCache[w] = fitHeight;
    }
  }
  setSize(fitWidth, fitHeight);
}

void Label::setVisible(bool show, bool cascade) {
  if (show == isVisible()) {
    return;
  }
  Widget::setVisible(show, cascade);
  if (show) {
    if (handle() != nullptr && getParent() != nullptr) {
      getParent()->relayout();
    }
  } else if (handle() != nullptr && ::IsWindow(handle())) {
    // Parked far away, so nothing of it can be hit while the layout does not count it.
    setLocation(-10000, -10000);
  }
}

void Label::setEnabled(bool enabled) {
  Widget::setEnabled(enabled);
  if (isVisible()) {
    repaint();
  }
}

void Label::paintDrawer(CDC* dc, int32_t width, int32_t height) {
  drawer::IText* drawer = getTextDrawer();
  if (drawer == nullptr || !isVisible()) {
    return;
  }
  IFont* font = &m_font;
  if (!isEnabled()) {
    font = getDisabledFont();
  } else if (m_clickable) {
    font = m_hover == 2 ? getLinkPressedFont() : m_hover == 1 ? getLinkHoverFont() : getLinkFont();
  }
  drawer->paint(dc, 0, 0, width, height, text()->getCStr(), font);
}

void Label::setHover(int32_t state) {
  if (state != m_hover) {
    m_hover = state;
    repaint();
  }
}

bool Label::inside(LPARAM lParam) {
  const POINT p = pointOfMessage(lParam);
  return p.x >= 0 && p.y >= 0 && p.x <= getWidth() && p.y <= getHeight();
}

void Label::onMouseMove(WPARAM wParam, LPARAM lParam) {
  if (!m_clickable) {
    return;
  }
  const bool in = inside(lParam);
  if (m_pressed) {
    setHover(in ? 2 : 0);
    return;
  }
  if (in) {
    if ((wParam & MK_LBUTTON) == 0) {
      setHover(1);
      // Held while the pointer is over the link, so the label hears it leave.
      if (::GetCapture() != handle()) {
        ::SetCapture(handle());
      }
    }
    return;
  }
  if (::GetCapture() == handle()) {
    ::ReleaseCapture();
  }
  setHover(0);
}

void Label::onButtonUp(LPARAM lParam) {
  if (!m_pressed) {
    return;
  }
  if (inside(lParam) && m_clickable) {
    if (m_linkTarget->getLength() != 0) {
      system::win::shellOpen(m_linkTarget->getCStr());
    }
    notifyListeners(m_clickListeners, this, 1);
  }
  setHover(0);
  m_pressed = false;
}

bool Label::preWindowProc(LRESULT* result, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCHITTEST: {
      LRESULT hit = CWnd::WindowProc(message, wParam, lParam);
      if (!m_clickable && hit == HTCLIENT) {
        hit = HTTRANSPARENT;
      }
      *result = hit;
      return true;
    }
    case WM_TIMER:
      if (wParam == kTemporaryTextTimer) {
        restoreSavedText();
      }
      return false;
    case WM_MOUSEMOVE: onMouseMove(wParam, lParam); return false;
    case WM_LBUTTONDOWN:
      if (m_clickable && inside(lParam)) {
        m_pressed = true;
        m_hover = 2;
        repaint();
      }
      return false;
    case WM_LBUTTONUP: onButtonUp(lParam); return false;
    case kSetTextMessage: {
      const auto* record = reinterpret_cast<const TextRecord*>(lParam);
      *result = record != nullptr && changeText(record->text, record->redraw) ? 1 : 0;
      return true;
    }
    case kTemporaryTextMessage:
      if (lParam != 0) {
        showTemporaryText(*reinterpret_cast<const TextRecord*>(lParam));
      }
      *result = 1;
      return true;
    default: return Widget::preWindowProc(result, message, wParam, lParam);
  }
}

Label* makeLabel(const WCHAR* text, bool multiLine, bool ellipsis, int32_t styleCode) {
  Label* label = Label::take();
  if (label == nullptr) {
    return nullptr;
  }
  label->setText(text, true);
  label->setMultiLine(multiLine);
  label->setEllipsis(ellipsis);
  label->setFontStyle(styleCode);
  return label;
}

Label* makeLabelById(int32_t textId, bool multiLine, bool ellipsis, int32_t styleCode) {
  Label* label = Label::take();
  if (label == nullptr) {
    return nullptr;
  }
  label->setTextId(textId);
  label->setMultiLine(multiLine);
  label->setEllipsis(ellipsis);
  label->setFontStyle(styleCode);
  return label;
}

}  // namespace s::gui::win
