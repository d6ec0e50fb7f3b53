// The group box: geometry, the content box, caption measuring, creation on the UI thread,
// painting through the drawer and its messages, and the factories.
#include "gui/win/GroupBox.h"

#include "core/file/win/PathArray.h"
#include "gui/IBox.h"
#include "gui/IWindow.h"
#include "gui/drawer/DefaultDrawers.h"
#include "gui/drawer/ISkin.h"
#include "gui/drawer/ISkinner.h"
#include "gui/drawer/groupbox/IBasic.h"
#include "gui/layout/Pile.h"
#include "gui/win/Box.h"
#include "gui/win/ChildWindow.h"
#include "gui/win/MemDC.h"
#include "gui/win/WindowClass.h"
#include "imaging/win/BufferedImage.h"
#include "platform/lang/Localizer.h"

#include <algorithm>
#include <string>

namespace s::gui::win {

namespace {

// Where a hidden group box waits: far outside every parent, as hidden boxes do.
constexpr int32_t kParkedX = -10000;
constexpr int32_t kParkedY = 10000;
// The caption's room in the minimum width: the frame's corners and the gaps beside the caption.
constexpr int32_t kCaptionAllowance = 24;
// The content box's distance from the frame's sides and bottom.
constexpr int32_t kFrameInset = 4;
constexpr int32_t kDropBoxCaptionId = 1001000;

/// The caption as window text: a mnemonic prefix would underline the next letter, so every "&"
/// is doubled and shows as itself.
std::u16string withoutMnemonics(const WCHAR* text) {
  std::u16string doubled;
  for (const WCHAR* p = text; p != nullptr && *p != 0; ++p) {
    doubled.push_back(*p);
    if (*p == u'&') {
      doubled.push_back(u'&');
    }
  }
  return doubled;
}

}  // namespace

GroupBox::GroupBox()
    : m_caption(str::strbuffer::StrBuffer::take()), m_drawer(drawer::takeDefaultGroupBoxDrawer()) {
  reset();
}

GroupBox::~GroupBox() {
  reset();
  deleteBrush();
  if (m_drawer != nullptr) {
    m_drawer->release();
  }
  m_caption->release();
}

void GroupBox::reset() {
  setVisible(true, true);
  removeAll(true);
  m_children.freeAll();
  m_content = nullptr;
  m_listeningToContent = false;
  setParent(nullptr);
  m_place = ChildPlacement();
  m_limits = ContainerLimits();
  m_backgroundColor = ::GetSysColor(COLOR_BTNFACE);
  m_parentBackground = true;
  m_captionTextId = -1;
  m_caption->clear();
  m_captionFont.reset();
  m_disabledCaptionFont.reset();
  releaseCustomDrawer();
  m_captionWidth = m_captionHeight = 0;
  m_frameColor = kDefaultFrameColor;
  if (m_drawer != nullptr) {
    m_drawer->setFrameColor(GetRValue(m_frameColor), GetGValue(m_frameColor),
                            GetBValue(m_frameColor));
    m_drawer->applyToFonts(&m_captionFont, &m_disabledCaptionFont);
  }
  m_enabled = true;
  m_acceptFiles = false;
  m_dropListeners.freeAll();
  m_otherListeners.freeAll();
  m_layoutDepth = 0;
  if (m_backBuffer != nullptr) {
    m_backBuffer->release();
    m_backBuffer = nullptr;
  }
  setLayout(nullptr);
}

void GroupBox::onEvent(base::IObject* source, int32_t eventId) {
  if (source == nullptr) {
    return;
  }
  if (m_content != nullptr && source == dynamic_cast<base::IObject*>(m_content)) {
    if (eventId == kFilesDropped) {
      notifyListeners(m_dropListeners, this, kFilesDropped);
    }
    return;
  }
  if (m_ownerWindow == nullptr) {
    return;
  }
  if (m_ownerWindow->hasLocalizer() &&
      source == static_cast<base::IObject*>(m_ownerWindow->getLocalizer())) {
    if (m_captionTextId != -1) {
      setText(m_ownerWindow->getLocalizer()->getText(m_captionTextId));
    }
  } else if (m_ownerWindow->hasSkinner() &&
             source == static_cast<base::IObject*>(m_ownerWindow->getSkinner())) {
    drawer::ISkin* skin = m_ownerWindow->getSkinner()->getCurrentSkin();
    setDrawer(skin != nullptr ? skin->getGroupBoxDrawer() : nullptr, false);
  }
}

// Geometry.

void GroupBox::beginBatch() {
  m_place.inBatch = true;
  for (int32_t i = 0, n = getChildCount(); i < n; ++i) {
    getChild(i)->beginBatch();
  }
}

// Size queries.

int32_t GroupBox::getMinimumWidth() {
  if (m_limits.fixedWidth >= 0) {
    return m_limits.fixedWidth;
  }
  return std::max(m_captionWidth + kCaptionAllowance, m_limits.minimumWidth());
}

int32_t GroupBox::getMinimumHeight() { return m_limits.minimumHeight(); }

int32_t GroupBox::getMinimumClientWidth() {
  return m_limits.fixedWidth >= 0 ? m_limits.fixedWidth : m_limits.contentMinWidth;
}

int32_t GroupBox::getMinimumClientHeight() {
  return m_limits.fixedHeight >= 0 ? m_limits.fixedHeight : m_limits.contentMinHeight;
}

// Visibility and colours.

void GroupBox::setVisible(bool show, bool /*cascade*/) {
  if (show) {
    if (m_visible) {
      return;
    }
    m_visible = true;
    if (m_handle != nullptr) {
      ::ShowWindow(m_handle, SW_SHOW);
    }
    if (m_content != nullptr) {
      m_content->setVisible(true, true);
    }
    if (m_parent != nullptr) {
      m_parent->relayout();
    }
    return;
  }
  if (!m_visible) {
    return;
  }
  m_visible = false;
  if (m_handle != nullptr) {
    ::ShowWindow(m_handle, SW_HIDE);
    if (::IsWindow(m_handle)) {
      setLocation(kParkedX, kParkedY);
    }
  }
  if (m_content != nullptr) {
    m_content->setVisible(false, true);
  }
  if (m_backBuffer != nullptr) {
    m_backBuffer->release();
    m_backBuffer = nullptr;
  }
}

void GroupBox::setEnabled(bool enabled) {
  PlacedContainer::setEnabled(enabled);
  repaint();
}

// Children, content and layout.

void GroupBox::add(IComponent* child) {
  // Widgets live in the content box; without one there is nowhere to put them.
  if (child == nullptr || m_content == nullptr) {
    return;
  }
  m_content->add(child);
  measureCaption();
}

IBox* GroupBox::getContent() { return m_content; }

void GroupBox::setContent(IBox* content) {
  if (content == nullptr) {
    return;
  }
  m_content = content;
  m_listeningToContent = false;
  if (m_acceptFiles) {
    content->setAcceptFiles(true);
    listenToContent();
  }
  m_children.push(content);
  if (m_handle != nullptr) {
    attachContent();
    measureCaption();
  }
}

void GroupBox::attachContent() {
  ::SendMessageW(m_handle, kAddChildMessage, reinterpret_cast<WPARAM>(m_content), 0);
  m_content->setOffset(m_limits.insetLeft, m_limits.insetTop);
}

void GroupBox::setAcceptFiles(bool on) {
  if (on == m_acceptFiles) {
    return;
  }
  m_acceptFiles = on;
  if (m_content != nullptr) {
    m_content->setAcceptFiles(on);
    listenToContent();
  }
}

void GroupBox::listenToContent() {
  // Once per content box: turning files off and on again must not report each drop twice.
  if (!m_listeningToContent) {
    m_content->addDropListener(this);
    m_listeningToContent = true;
  }
}

void GroupBox::addDropListener(events::IEventListener* listener) {
  if (listener != nullptr) {
    m_dropListeners.push(listener);
  }
}

void GroupBox::addListener(events::IEventListener* listener) {
  if (listener != nullptr) {
    m_otherListeners.push(listener);
  }
}

file::win::PathArray* GroupBox::getDroppedPaths() {
  return m_content != nullptr ? m_content->getDroppedPaths() : nullptr;
}

void GroupBox::doLayout() {
  // A layout that reaches back here through the parent runs once more at most.
  if (m_layoutDepth >= 2) {
    return;
  }
  ++m_layoutDepth;
  m_limits.clearMeasured();
  if (m_content != nullptr) {
    layoutPile(this, 0, 0, &m_limits.contentMinWidth, &m_limits.contentMinHeight,
               &m_limits.contentMaxWidth, &m_limits.contentMaxHeight);
  }
  --m_layoutDepth;
}

// The caption and its fonts.

void GroupBox::setText(const WCHAR* text) {
  m_caption->assign(text != nullptr ? text : u"");
  applyCaptionText();
  measureCaption();
}

void GroupBox::setTextId(int32_t id) {
  m_captionTextId = id;
  if (m_ownerWindow != nullptr && m_ownerWindow->hasLocalizer() && id != -1) {
    setText(m_ownerWindow->getLocalizer()->getText(id));
  }
}

void GroupBox::applyCaptionText() {
  if (m_handle != nullptr) {
    ::SetWindowTextW(m_handle, withoutMnemonics(m_caption->getCStr()).c_str());
  }
}

void GroupBox::fontChanged() {
  if (m_handle != nullptr) {
    ::SendMessageW(m_handle, WM_SETFONT, reinterpret_cast<WPARAM>(m_captionFont.getHandle()),
                   FALSE);
  }
  measureCaption();
}

void GroupBox::setFaceName(const WCHAR* name) {
  m_captionFont.setFaceName(name);
  fontChanged();
}

void GroupBox::setStyleCode(int32_t code) {
  m_captionFont.setStyleCode(code);
  fontChanged();
}

void GroupBox::setTextColor(int32_t red, int32_t green, int32_t blue) {
  m_captionFont.setTextColor(red, green, blue);
  fontChanged();
}

void GroupBox::setPointSize(int32_t points) {
  m_captionFont.setPointSize(points);
  fontChanged();
}

void GroupBox::setFontHeight(int32_t height) {
  m_captionFont.setHeight(height);
  fontChanged();
}

void GroupBox::setFontWidth(int32_t width) {
  m_captionFont.setWidth(width);
  fontChanged();
}

void GroupBox::setBold(bool on) {
  m_captionFont.setBold(on);
  fontChanged();
}

void GroupBox::setItalic(bool on) {
  m_captionFont.setItalic(on);
  fontChanged();
}

void GroupBox::setUnderline(bool on) {
  m_captionFont.setUnderline(on);
  fontChanged();
}

void GroupBox::setStrikeOut(bool on) {
  m_captionFont.setStrikeOut(on);
  fontChanged();
}

void GroupBox::setWeight(int32_t weight) {
  m_captionFont.setWeight(weight);
  fontChanged();
}

void GroupBox::measureCaption() {
  if (m_handle == nullptr) {
    return;
  }
  m_captionWidth = m_captionHeight = 0;
  HDC dc = ::GetDC(m_handle);
  if (dc != nullptr) {
    HGDIOBJ previous = ::SelectObject(dc, m_captionFont.getHandle());
    SIZE extent{0, 0};
    const auto length = static_cast<int>(m_caption->getLength());
    if (::GetTextExtentPoint32W(dc, m_caption->getCStr(), length, &extent)) {
      m_captionWidth = extent.cx;
      m_captionHeight = extent.cy;
    }
    ::SelectObject(dc, previous);
    ::ReleaseDC(m_handle, dc);
  }
  const int32_t top = m_captionHeight + 1;
  const bool changed = m_limits.insetLeft != kFrameInset || m_limits.insetRight != kFrameInset ||
                       m_limits.insetTop != top || m_limits.insetBottom != kFrameInset;
  m_limits.insetLeft = m_limits.insetRight = m_limits.insetBottom = kFrameInset;
  m_limits.insetTop = top;
  if (changed && m_content != nullptr) {
    m_content->setOffset(m_limits.insetLeft, m_limits.insetTop);
  }
  doLayout();
  if (m_parent != nullptr) {
    m_parent->relayout();
  }
}

void GroupBox::setFrameColor(int32_t red, int32_t green, int32_t blue) {
  m_frameColor = RGB(red & 0xFF, green & 0xFF, blue & 0xFF);
  if (drawer::IGroupBox* active = getDrawer()) {
    active->setFrameColor(red, green, blue);
  }
  if (m_visible) {
    repaint();
  }
}

void GroupBox::releaseCustomDrawer() {
  if (m_customDrawer != nullptr && m_customDrawerOwned) {
    m_customDrawer->release();
  }
  m_customDrawer = nullptr;
  m_customDrawerOwned = false;
}

void GroupBox::setDrawer(drawer::IGroupBox* drawer, bool owned) {
  if (drawer != m_customDrawer) {
    releaseCustomDrawer();
  }
  m_customDrawer = drawer;
  m_customDrawerOwned = drawer != nullptr && owned;
  if (drawer::IGroupBox* active = getDrawer()) {
    active->applyToFonts(&m_captionFont, &m_disabledCaptionFont);
  }
  repaint();
}

drawer::IGroupBox* GroupBox::getDrawer() {
  if (m_customDrawer != nullptr) {
    return m_customDrawer;
  }
  return m_drawer;
}

// Attaching and creation.

void GroupBox::setParent(IComponent* parent) {
  if (parent != nullptr) {
    m_parent = parent;
    m_ownerWindow = parent->getWindow();
    if (m_ownerWindow != nullptr && m_ownerWindow->hasLocalizer()) {
      m_joinedLocalizer = m_ownerWindow->getLocalizer();
      m_joinedLocalizer->addListener(this);
    }
    if (m_ownerWindow != nullptr && m_ownerWindow->hasSkinner()) {
      drawer::ISkinner* skinner = m_ownerWindow->getSkinner();
      drawer::ISkin* skin = skinner->getCurrentSkin();
      setDrawer(skin != nullptr ? skin->getGroupBoxDrawer() : nullptr, false);
      m_joinedSkinner = skinner;
      skinner->addListener(this);
    }
    createControl();
    return;
  }
  if (m_parent == nullptr) {
    return;
  }
  if (m_handle != nullptr) {
    ::SendMessageW(m_handle, kDestroyMessage, 0, 0);
  }
  if (m_hWnd != nullptr) {
    Detach();
  }
  m_handle = nullptr;
  m_parent = nullptr;
  // Left even when the window has let go of them first: see the widgets' detach.
  if (m_joinedLocalizer != nullptr) {
    m_joinedLocalizer->removeListener(this);
    m_joinedLocalizer = nullptr;
  }
  if (m_joinedSkinner != nullptr) {
    m_joinedSkinner->removeListener(this);
    m_joinedSkinner = nullptr;
  }
  m_ownerWindow = nullptr;
}

bool GroupBox::createControl() {
  if (m_handle != nullptr) {
    return true;
  }
  if (!CreateEx(0, u"Button", u"GroupBox", WS_CHILD | BS_GROUPBOX, 0, 0, 0, 0,
                nativeHandleOf(m_parent),
                reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kControlId)))) {
    reportCreationFailure();
    return false;
  }
  m_handle = m_hWnd;
  ::SendMessageW(m_handle, WM_SETFONT, reinterpret_cast<WPARAM>(m_captionFont.getHandle()), FALSE);
  if (m_captionTextId != -1 && m_ownerWindow != nullptr && m_ownerWindow->hasLocalizer()) {
    m_caption->assign(m_ownerWindow->getLocalizer()->getText(m_captionTextId));
  }
  applyCaptionText();
  if (!m_enabled) {
    ::EnableWindow(m_handle, FALSE);
  }
  // Bounds given before the control existed apply now.
  m_place.pending = false;
  m_place.apply(m_handle, m_visible, 0);
  if (m_content != nullptr) {
    attachContent();
  }
  measureCaption();
  return true;
}

// Painting.

void GroupBox::paint() {
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(m_handle, &ps);
  RECT client;
  ::GetClientRect(m_handle, &client);
  const int32_t width = client.right - client.left;
  const int32_t height = client.bottom - client.top;
  if (width > 0 && height > 0) {
    m_backBuffer = fitBackBuffer(m_backBuffer, width, height);
    MemDC* buffer =
        m_backBuffer != nullptr ? MemDC::forImage(m_handle, m_backBuffer, false) : nullptr;
    if (buffer != nullptr) {
      if (!copyParentPixels(m_handle, m_parent, buffer->m_hDC, width, height)) {
        // Before the parent painted anything, its colour is what shows.
        buffer->FillSolidRect(0, 0, width, height, getEffectiveBackgroundColor(this));
      }
      const int32_t half = m_captionHeight / 2;
      if (!m_parentBackground) {
        buffer->FillSolidRect(1, half + 1, width - 2, height - half - 2, m_backgroundColor);
      }
      if (drawer::IGroupBox* active = getDrawer()) {
        Font* font = isEnabled() ? &m_captionFont : &m_disabledCaptionFont;
        active->paint(buffer, 0, half, width, height, m_caption->getCStr(), font, m_captionWidth,
                      m_captionHeight);
      }
      if (m_content != nullptr && m_content->isVisible()) {
        const int32_t x = m_content->getX() + m_limits.insetLeft;
        const int32_t y = m_content->getY() + m_limits.insetTop;
        ::ExcludeClipRect(dc, x, y, x + m_content->getWidth(), y + m_content->getHeight());
      }
      ::BitBlt(dc, 0, 0, width, height, buffer->m_hDC, 0, 0, SRCCOPY);
      buffer->release();
    }
  }
  ::EndPaint(m_handle, &ps);
}

void GroupBox::deleteBrush() {
  if (m_brush != nullptr) {
    ::DeleteObject(m_brush);
    m_brush = nullptr;
  }
}

// Messages.

bool GroupBox::preWindowProc(LRESULT* result, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
  switch (message) {
    case WM_DESTROY: m_handle = nullptr; return false;
    case WM_PAINT:
      paint();
      *result = 0;
      return true;
    case WM_NCPAINT:
      // The control has no frame of its own: the client paint draws everything, and the
      // system's group-box look never shows.
      *result = 0;
      return true;
    case WM_ERASEBKGND: *result = 1; return true;
    case WM_UPDATEUISTATE: *result = 0; return true;
    case kDestroyMessage:
      DestroyWindow();
      *result = 0;
      return true;
    case kAddChildMessage: {
      auto* child = reinterpret_cast<IComponent*>(wParam);
      if (child != nullptr) {
        child->setParent(this);
      }
      *result = 0;
      return true;
    }
    case kColorMessage:
      *result = reinterpret_cast<LRESULT>(answerControlColor(
          this, reinterpret_cast<HDC>(wParam), &m_brush, m_captionFont.getTextColor()));
      return true;
    default: return false;
  }
}

// The factories.

namespace {

GroupBox* buildGroupBox(int32_t arrangement, int32_t horizontalGap, int32_t verticalGap,
                        int32_t horizontalInsets, int32_t verticalInsets) {
  GroupBox* group = GroupBox::take();
  if (group == nullptr) {
    return nullptr;
  }
  Box* content = makeBox(arrangement, 100, 100, 0, 0, horizontalGap, verticalGap, horizontalInsets,
                         verticalInsets);
  if (content != nullptr) {
    group->setContent(content);
  }
  return group;
}

void finish(GroupBox* group, int32_t widthPercent) {
  group->setEnabled(true);
  if (widthPercent >= 0) {
    group->setWidthPercent(widthPercent);
  }
}

}  // namespace

GroupBox* makeGroupBox(const WCHAR* caption, int32_t widthPercent, int32_t arrangement,
                       int32_t horizontalGap, int32_t verticalGap, int32_t horizontalInsets,
                       int32_t verticalInsets) {
  GroupBox* group =
      buildGroupBox(arrangement, horizontalGap, verticalGap, horizontalInsets, verticalInsets);
  if (group != nullptr) {
    group->setText(caption);
    finish(group, widthPercent);
  }
  return group;
}

GroupBox* makeGroupBoxById(int32_t captionTextId, int32_t widthPercent, int32_t arrangement,
                           int32_t horizontalGap, int32_t verticalGap, int32_t horizontalInsets,
                           int32_t verticalInsets) {
  GroupBox* group =
      buildGroupBox(arrangement, horizontalGap, verticalGap, horizontalInsets, verticalInsets);
  if (group != nullptr) {
    group->setTextId(captionTextId);
    finish(group, widthPercent);
  }
  return group;
}

GroupBox* makeDropBox(int32_t widthPercent, int32_t heightPercent) {
  GroupBox* group = buildGroupBox(1, -1, -1, -1, -1);
  if (group == nullptr) {
    return nullptr;
  }
  group->setTextId(kDropBoxCaptionId);
  finish(group, widthPercent);
  if (heightPercent >= 0) {
    group->setHeightPercent(heightPercent);
  }
  return group;
}

}  // namespace s::gui::win
