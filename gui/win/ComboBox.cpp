// The toolkit's combo box: items and selection, sizing the list as it opens, drawing the entries
// and, with a skin drawer, the closed face.
#include "gui/win/ComboBox.h"

#include "gui/app/AppHooks.h"
#include "gui/drawer/ISkin.h"
#include "gui/win/ChildWindow.h"

#include <algorithm>

namespace s::gui::win {
namespace {

// The private messages the library window procedure reflects from the combo's notifications.
constexpr UINT kSelectionChanged = WM_APP + 10;
constexpr UINT kListOpens = WM_APP + 15;
constexpr UINT kListClosed = WM_APP + 16;
// More entries than this make the list scroll, so it needs room for the scroll bar.
constexpr int32_t kRowsWithoutScrollBar = 30;
constexpr int32_t kHeadingExtra = 10;
constexpr COLORREF kGreyText = 0x888888;
constexpr COLORREF kDisabledText = 0x92A1A1;
constexpr COLORREF kHeadingBand = 0x555555;
constexpr COLORREF kSeparatorLine = 0xAAAAAA;
constexpr COLORREF kShortSeparatorLine = 0xEEEEEE;
// The value text that marks a separator row of a font picker, drawn in the dialog face.
constexpr const WCHAR* kSeparatorValue = u"Separator";

int32_t scale() { return static_cast<int32_t>(app::appHooks().getDisplayScale()); }

void fill(HDC dc, int32_t left, int32_t top, int32_t right, int32_t bottom, COLORREF colour) {
  if (right <= left || bottom <= top) {
    return;
  }
  const COLORREF old = ::SetBkColor(dc, colour);
  const RECT r{left, top, right, bottom};
  ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
  ::SetBkColor(dc, old);
}

}  // namespace

ComboBox::ComboBox() : Widget(kComboBoxClass) { reset(); }

ComboBox::~ComboBox() {
  for (combobox::ComboBoxItem* item : m_items) {
    item->release();
  }
  m_items.clear();
  if (m_brush != nullptr) {
    ::DeleteObject(m_brush);
  }
}

void ComboBox::reset() {
  resetWidget();
  for (combobox::ComboBoxItem* item : m_items) {
    item->release();
  }
  m_items.clear();
  m_selected = m_previous = -1;
  m_listeners.clear();
  m_notify = true;
  m_skinBackground = false;
  Widget::setBackgroundColor(255, 255, 255, false);
  m_font.reset();
  m_faceFont.reset();
  m_faceFont.setStyleCode(-2);
  m_faceFont.setBold(true);
  m_disabledFaceFont.reset();
  m_disabledFaceFont.setStyleCode(-2);
  m_disabledFaceFont.setBold(true);
  if (m_brush != nullptr) {
    ::DeleteObject(m_brush);
    m_brush = nullptr;
  }
  m_perItemFonts = false;
  m_dropped = false;
  m_firstDraws = 0;
  m_lastTop = -1;
  m_minWidth = m_minHeight = m_maxWidth = m_maxHeight = 0;
  m_fixedWidth = m_fixedHeight = -1;
  m_widthPercent = m_heightPercent = -1;
}

void ComboBox::addItem(combobox::ComboBoxItem* item) {
  if (item == nullptr) {
    return;
  }
  m_items.push_back(item);
  if (handle() != nullptr) {
    ::SendMessageW(handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item->text->getCStr()));
  }
}

void ComboBox::insertItem(int32_t index, combobox::ComboBoxItem* item) {
  if (item == nullptr) {
    return;
  }
  index = std::clamp(index, 0, getItemCount());
  m_items.insert(m_items.begin() + index, item);
  if (handle() != nullptr) {
    ::SendMessageW(handle(), CB_INSERTSTRING, static_cast<WPARAM>(index),
                   reinterpret_cast<LPARAM>(item->text->getCStr()));
  }
  if (m_selected >= index) {
    ++m_selected;
  }
  if (m_previous >= index) {
    ++m_previous;
  }
}

combobox::ComboBoxItem* ComboBox::removeItem(combobox::ComboBoxItem* item) {
  auto it = std::find(m_items.begin(), m_items.end(), item);
  if (it == m_items.end()) {
    return nullptr;
  }
  const int32_t index = static_cast<int32_t>(it - m_items.begin());
  const bool wasSelected = index == m_selected;
  removeItemAt(index);
  if (wasSelected) {
    notifyListeners();
  }
  return item;
}

combobox::ComboBoxItem* ComboBox::removeItemAt(int32_t index) {
  if (index < 0 || index >= getItemCount()) {
    return nullptr;
  }
  combobox::ComboBoxItem* item = m_items[static_cast<size_t>(index)];
  m_items.erase(m_items.begin() + index);
  if (handle() != nullptr) {
    ::SendMessageW(handle(), CB_DELETESTRING, static_cast<WPARAM>(index), 0);
  }
  if (index == m_selected) {
    m_selected = m_previous = -1;
    m_onlyShown = false;
  } else {
    // Both indices keep naming the same items when an earlier one goes.
    if (m_selected > index) {
      --m_selected;
    }
    if (m_previous > index) {
      --m_previous;
    }
  }
  return item;
}

void ComboBox::selectFirstSilently() {
  if (m_selected != 0) {
    const bool notify = m_notify;
    m_notify = false;
    select(0, false);
    m_notify = notify;
  }
}

void ComboBox::deleteItem(combobox::ComboBoxItem* item) {
  selectFirstSilently();
  combobox::ComboBoxItem* removed = removeItem(item);
  if (removed != nullptr) {
    removed->release();
  }
}

void ComboBox::deleteItemAt(int32_t index) {
  selectFirstSilently();
  combobox::ComboBoxItem* removed = removeItemAt(index);
  if (removed != nullptr) {
    removed->release();
  }
}

void ComboBox::deleteItemByValue(int64_t value) {
  selectFirstSilently();
  for (int32_t i = 0; i < getItemCount(); ++i) {
    if (m_items[static_cast<size_t>(i)]->value == value) {
      deleteItemAt(i);
      return;
    }
  }
}

void ComboBox::deleteFirstSelected() {
  if (m_items.empty()) {
    return;
  }
  selectFirstSilently();
  deleteItemAt(m_selected);
}

void ComboBox::select(int32_t index, bool notify) {
  // With no items there is nothing to select: the selection stays -1.
  if (m_items.empty()) {
    return;
  }
  if (index < 0 || index >= getItemCount()) {
    index = 0;
  }
  // The item the box shows of itself was chosen by no one: choosing it is a change.
  if (index == m_selected && !m_onlyShown) {
    return;
  }
  m_onlyShown = false;
  if (handle() != nullptr) {
    ::SendMessageW(handle(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  }
  m_previous = m_selected;
  m_selected = index;
  if (notify) {
    notifyListeners();
  }
}

void ComboBox::selectByValue(int64_t value, bool notify) {
  for (int32_t i = 0; i < getItemCount(); ++i) {
    if (m_items[static_cast<size_t>(i)]->value == value) {
      select(i, notify);
      return;
    }
  }
}

void ComboBox::notifyListeners() {
  const std::vector<events::IEventListener*> listeners = m_listeners;
  for (events::IEventListener* l : listeners) {
    l->onEvent(this, 0);
  }
}

void ComboBox::addSelectionListener(events::IEventListener* listener) {
  if (listener != nullptr &&
      std::find(m_listeners.begin(), m_listeners.end(), listener) == m_listeners.end()) {
    m_listeners.push_back(listener);
  }
}

void ComboBox::applyFont() {
  if (handle() != nullptr) {
    ::SendMessageW(handle(), WM_SETFONT, reinterpret_cast<WPARAM>(m_font.getHandle()), TRUE);
  }
  measureAndRelayout();
}

void ComboBox::setFaceFontStyle(int32_t code) {
  m_faceFont.setStyleCode(code);
  m_disabledFaceFont.setStyleCode(code);
  onDrawerChanged();
  repaint();
  measureAndRelayout();
}

void ComboBox::setFontStyle(int32_t code) {
  m_font.setStyleCode(code);
  applyFont();
  if (handle() != nullptr) {
    HDC dc = ::GetDC(handle());
    HGDIOBJ old = ::SelectObject(dc, m_font.getHandle());
    TEXTMETRICW tm{};
    ::GetTextMetricsW(dc, &tm);
    ::SelectObject(dc, old);
    ::ReleaseDC(handle(), dc);
    ::SendMessageW(handle(), CB_SETITEMHEIGHT, static_cast<WPARAM>(-1),
                   tm.tmHeight + tm.tmExternalLeading);
    repaint();
  }
}

void ComboBox::setFontFace(const WCHAR* name) {
  m_font.setFaceName(name);
  applyFont();
}
void ComboBox::setFontHeight(int32_t height) {
  m_font.setHeight(height);
  applyFont();
}
void ComboBox::setTextColor(int32_t red, int32_t green, int32_t blue) {
  m_font.setTextColor(red, green, blue);
  applyFont();
}
void ComboBox::setFontWidth(int32_t width) {
  m_font.setWidth(width);
  applyFont();
}
void ComboBox::setBold(bool on) {
  m_font.setBold(on);
  applyFont();
}
void ComboBox::setItalic(bool on) {
  m_font.setItalic(on);
  applyFont();
}
void ComboBox::setUnderline(bool on) {
  m_font.setUnderline(on);
  applyFont();
}
void ComboBox::setStrikeOut(bool on) {
  m_font.setStrikeOut(on);
  applyFont();
}
void ComboBox::setFontWeight(int32_t weight) {
  m_font.setWeight(weight);
  applyFont();
}

void ComboBox::setFullSize() {
  m_widthPercent = 100;
  m_heightPercent = 100;
}

void ComboBox::setWidthPercent(int32_t percent, bool relayoutParent) {
  m_widthPercent = percent;
  m_fixedWidth = -1;
  if (relayoutParent && getParent() != nullptr) {
    getParent()->relayout();
  }
}

void ComboBox::setHeightPercent(int32_t percent, bool relayoutParent) {
  m_heightPercent = percent;
  m_fixedHeight = -1;
  if (relayoutParent && getParent() != nullptr) {
    getParent()->relayout();
  }
}

void ComboBox::setFixedWidth(int32_t width, bool relayoutParent) {
  m_fixedWidth = width;
  m_widthPercent = -1;
  if (relayoutParent && getParent() != nullptr) {
    getParent()->relayout();
  }
}

void ComboBox::setFixedHeight(int32_t height, bool relayoutParent) {
  m_fixedHeight = height;
  m_heightPercent = -1;
  if (relayoutParent && getParent() != nullptr) {
    getParent()->relayout();
  }
}

int32_t ComboBox::getMaximumWidth() {
  if (m_fixedWidth >= 0) {
    return m_fixedWidth;
  }
  if (m_widthPercent >= 0 && getParent() != nullptr) {
    return std::max(m_minWidth, getParent()->getClientWidth() * m_widthPercent / 100);
  }
  return m_maxWidth;
}

int32_t ComboBox::getMaximumHeight() {
  if (m_fixedHeight >= 0) {
    return m_fixedHeight;
  }
  if (m_heightPercent >= 0 && getParent() != nullptr) {
    return std::max(m_minHeight, getParent()->getClientHeight() * m_heightPercent / 100);
  }
  return m_maxHeight;
}

void ComboBox::setSizeWithinLimits(int32_t width, int32_t height) {
  int32_t w = m_fixedWidth >= 0 ? m_fixedWidth : std::max(width, m_minWidth);
  int32_t h = m_fixedHeight >= 0 ? m_fixedHeight : std::max(height, m_minHeight);
  const int32_t maxWidth = getMaximumWidth();
  const int32_t maxHeight = getMaximumHeight();
  if (maxWidth > 0) {
    w = std::min(w, maxWidth);
  }
  if (maxHeight > 0) {
    h = std::min(h, maxHeight);
  }
  setSize(w, h);
}

drawer::ICombo* ComboBox::drawerOfSkin(drawer::ISkin* skin) {
  return skin != nullptr ? skin->getComboDrawer() : nullptr;
}

void ComboBox::onDrawerChanged() {
  m_skinBackground = getDrawer() != nullptr;
  if (getDrawer() != nullptr) {
    getDrawer()->applyToFonts(&m_faceFont, &m_disabledFaceFont);
  }
}

void ComboBox::applySettings() {
  ::SendMessageW(handle(), WM_SETFONT, reinterpret_cast<WPARAM>(m_font.getHandle()), FALSE);
  for (combobox::ComboBoxItem* item : m_items) {
    ::SendMessageW(handle(), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item->text->getCStr()));
  }
  // A box made with items and no selection shows its first item, without telling anyone.
  if (m_selected < 0 && !m_items.empty()) {
    m_selected = 0;
    m_onlyShown = true;
  }
  ::SendMessageW(handle(), CB_SETCURSEL, static_cast<WPARAM>(m_selected), 0);
}

void ComboBox::measure() {
  const int32_t s = scale();
  m_minWidth = m_maxWidth = 50 * s;
  m_minHeight = m_maxHeight = 26 * s;
  setMeasuredSize(m_minWidth, m_minHeight);
}

void ComboBox::onLanguageChanged() {
  for (combobox::ComboBoxItem* item : m_items) {
    if (item->localizer != nullptr && item->textId != -1) {
      item->text->assign(item->localizer->getText(item->textId));
    }
  }
  repaint();
}

HBRUSH ComboBox::answerBrush(HDC dc) {
  // The previous answer's brush goes before a new one is made.
  if (m_brush != nullptr) {
    ::DeleteObject(m_brush);
    m_brush = nullptr;
  }
  HBRUSH brush;
  if (m_skinBackground) {
    brush = static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
    ::SetBkMode(dc, TRANSPARENT);
  } else {
    const COLORREF colour = isEnabled() ? getBackgroundColor() : ::GetSysColor(COLOR_BTNFACE);
    m_brush = ::CreateSolidBrush(colour);
    brush = m_brush;
    ::SetBkColor(dc, colour);
  }
  ::SetTextColor(dc, m_font.getTextColor());
  return brush;
}

HFONT ComboBox::entryFont(const combobox::ComboBoxItem* item, bool bold) {
  LOGFONTW lf = *m_font.getLogFont();
  if (bold) {
    lf.lfWeight = FW_BOLD;
  }
  if (m_perItemFonts && item != nullptr) {
    const WCHAR* face = kSeparatorValue;
    const auto* value = reinterpret_cast<const WCHAR*>(static_cast<intptr_t>(item->value));
    bool separator = true;
    if (value != nullptr) {
      const WCHAR* a = value;
      const WCHAR* b = kSeparatorValue;
      while (*a != 0 && *a == *b) {
        ++a;
        ++b;
      }
      separator = *a == *b;
      face = value;
    }
    const WCHAR* name = separator ? u"MS Shell Dlg 2" : face;
    size_t n = 0;
    for (; name[n] != 0 && n + 1 < LF_FACESIZE; ++n) {
      lf.lfFaceName[n] = name[n];
    }
    lf.lfFaceName[n] = 0;
  }
  return ::CreateFontIndirectW(&lf);
}

void ComboBox::sizeList() {
  HWND h = handle();
  const int32_t n = static_cast<int32_t>(::SendMessageW(h, CB_GETCOUNT, 0, 0));
  const int32_t allowance = n > kRowsWithoutScrollBar ? ::GetSystemMetrics(SM_CXVSCROLL) : 0;
  HDC dc = ::GetDC(h);
  int32_t widest = 0;
  for (int32_t i = 0; i < n && i < getItemCount(); ++i) {
    combobox::ComboBoxItem* item = m_items[static_cast<size_t>(i)];
    const bool bold = (item->listFlags & (combobox::kBold | combobox::kHeading)) != 0;
    // The temporary font of each entry goes as soon as it is measured.
    HFONT font = entryFont(item, bold);
    HGDIOBJ old = ::SelectObject(dc, font);
    SIZE size{0, 0};
    const WCHAR* text = item->text->getCStr();
    ::GetTextExtentPoint32W(dc, text, static_cast<int>(item->text->getLength()), &size);
    ::SelectObject(dc, old);
    ::DeleteObject(font);
    int32_t width =
        allowance + size.cx + ((item->listFlags & combobox::kHeading) ? kHeadingExtra : 0);
    widest = std::max(widest, width);
    const LRESULT height = ::SendMessageW(h, CB_GETITEMHEIGHT, static_cast<WPARAM>(i), 0);
    if (height != CB_ERR && height < size.cy) {
      ::SendMessageW(h, CB_SETITEMHEIGHT, static_cast<WPARAM>(i), size.cy);
    }
  }
  HGDIOBJ old = ::SelectObject(dc, m_font.getHandle());
  SIZE zero{0, 0};
  ::GetTextExtentPoint32W(dc, u"0", 1, &zero);
  ::SelectObject(dc, old);
  ::ReleaseDC(h, dc);
  ::SendMessageW(h, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(widest + zero.cx), 0);
  m_dropped = true;
  m_firstDraws = 0;
}

void ComboBox::firstDrawScroll() {
  HWND h = handle();
  COMBOBOXINFO info{sizeof info, {}, {}, 0, nullptr, nullptr, nullptr};
  int32_t rows = 20;
  const LRESULT itemHeight = ::SendMessageW(h, CB_GETITEMHEIGHT, 0, 0);
  if (::GetComboBoxInfo(h, &info) && info.hwndList != nullptr && itemHeight > 0) {
    RECT r{};
    ::GetClientRect(info.hwndList, &r);
    rows = static_cast<int32_t>((r.bottom - r.top) / itemHeight);
  }
  const int32_t cur = static_cast<int32_t>(::SendMessageW(h, CB_GETCURSEL, 0, 0));
  if (m_lastTop >= 0 && m_lastTop != cur && std::abs(m_lastTop - cur) < rows) {
    ::SendMessageW(h, CB_SETTOPINDEX, static_cast<WPARAM>(std::min(m_lastTop, cur)), 0);
  } else if (rows > 3) {
    ::SendMessageW(h, CB_SETTOPINDEX, static_cast<WPARAM>(std::max(cur - rows / 2, 0)), 0);
  }
}

void ComboBox::drawEntry(const DRAWITEMSTRUCT* dis) {
  const bool field = (dis->itemState & ODS_COMBOBOXEDIT) != 0;
  // With a skin drawer the drawer paints the face, so the field stays undrawn; rows are drawn.
  if (field && getDrawer() != nullptr) {
    return;
  }
  if (m_dropped && !field && m_firstDraws++ == 0) {
    firstDrawScroll();
  }
  HDC dc = dis->hDC;
  const RECT& r = dis->rcItem;
  if (dis->itemState & ODS_FOCUS) {
    ::DrawFocusRect(dc, &r);
  }
  const int32_t index = static_cast<int32_t>(dis->itemID);
  combobox::ComboBoxItem* item = itemOrNull(index);
  if (item == nullptr) {
    return;
  }
  uint32_t flags = m_dropped && !field ? item->listFlags : item->faceFlags;
  if (field) {
    flags = (flags & ~combobox::kBold) | (item->faceFlags & combobox::kBold);
  }
  const bool special =
      (flags & (combobox::kHeading | combobox::kSeparator | combobox::kShortSeparator)) != 0;
  const COLORREF oldText = ::GetTextColor(dc);
  const COLORREF oldBack = ::GetBkColor(dc);
  const int oldMode = ::SetBkMode(dc, TRANSPARENT);
  if ((dis->itemState & ODS_SELECTED) && !special) {
    fill(dc, r.left, r.top, r.right, r.bottom, ::GetSysColor(COLOR_HIGHLIGHT));
    ::SetTextColor(dc, ::GetSysColor(COLOR_HIGHLIGHTTEXT));
  } else {
    fill(dc, r.left, r.top, r.right, r.bottom, oldBack);
    if (!isEnabled()) {
      ::SetTextColor(dc, kDisabledText);
    }
  }
  if (flags & combobox::kGrey) {
    ::SetTextColor(dc, kGreyText);
  }
  if (flags & (combobox::kWhite | combobox::kHeading)) {
    ::SetTextColor(dc, RGB(255, 255, 255));
  }
  const int32_t width = r.right - r.left;
  if (flags & combobox::kSeparator) {
    const int32_t y = r.top + (r.bottom - r.top) / 2;
    fill(dc, r.left + 2, y, r.right - 2, y + 1, kSeparatorLine);
  } else if (flags & combobox::kShortSeparator) {
    const int32_t y = r.top + (r.bottom - r.top) / 2;
    fill(dc, r.left + 7, y, r.right - 7, y + 1, kShortSeparatorLine);
  } else {
    if (flags & combobox::kHeading) {
      // A dark band with its top corners rounded by rows inset 5, 3, 2, then 1 (two rows).
      fill(dc, r.left + 5, r.top, r.right - 5, r.top + 1, kHeadingBand);
      fill(dc, r.left + 3, r.top + 1, r.right - 3, r.top + 2, kHeadingBand);
      fill(dc, r.left + 2, r.top + 2, r.right - 2, r.top + 3, kHeadingBand);
      fill(dc, r.left + 1, r.top + 3, r.right - 1, r.top + 5, kHeadingBand);
      fill(dc, r.left, r.top + 5, r.right, r.bottom, kHeadingBand);
    }
    HFONT font = entryFont(item, (flags & (combobox::kBold | combobox::kHeading)) != 0);
    HGDIOBJ oldFont = ::SelectObject(dc, font);
    const WCHAR* text = item->text->getCStr();
    const int length = static_cast<int>(item->text->getLength());
    SIZE size{0, 0};
    ::GetTextExtentPoint32W(dc, text, length, &size);
    int32_t x = r.left + 2;
    if (flags & combobox::kHeading) {
      x = r.left + std::max<int32_t>(0, (width - size.cx) / 2);
    }
    // A row wider than its field (the closed face is narrower than the list) ends in an
    // ellipsis at a whole character instead of being cut through a letter.
    RECT box{x, r.top, std::max<LONG>(x, r.right - 2), r.bottom};
    ::DrawTextW(dc, text, length, &box, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    ::SelectObject(dc, oldFont);
    ::DeleteObject(font);
  }
  ::SetBkMode(dc, oldMode);
  ::SetTextColor(dc, oldText);
  ::SetBkColor(dc, oldBack);
}

void ComboBox::paintDrawer(CDC* dc, int32_t width, int32_t height) {
  int32_t state = 0;
  if (m_dropped) {
    state = 2;
  } else {
    POINT p{0, 0};
    if (::GetCursorPos(&p) && containsScreenPoint(p.x, p.y)) {
      state = 1;
    }
  }
  combobox::ComboBoxItem* item = getSelectedItem();
  const WCHAR* text = item != nullptr ? item->text->getCStr() : u"";
  getDrawer()->paint(dc, 0, 0, width, height, state, text,
                     isEnabled() ? &m_faceFont : &m_disabledFaceFont, isEnabled());
}

bool ComboBox::preWindowProc(LRESULT* result, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case kColorMessage:
    case WM_CTLCOLOR:
    case WM_CTLCOLORLISTBOX:
      *result = reinterpret_cast<LRESULT>(answerBrush(reinterpret_cast<HDC>(wParam)));
      return true;
    case WM_DRAWITEM: {
      const auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      // The drop box passes every entry to each of its combo boxes: only ours are drawn here.
      if (dis == nullptr || dis->CtlType != ODT_COMBOBOX || dis->hwndItem != handle()) {
        return false;
      }
      drawEntry(dis);
      *result = TRUE;
      return true;
    }
    case WM_MEASUREITEM: {
      auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
      if (mis != nullptr && handle() != nullptr) {
        RECT r{0, 0, 0, 0};
        ::GetClientRect(handle(), &r);
        mis->itemHeight = static_cast<UINT>(std::max<LONG>(r.bottom - r.top - 6, 0));
      }
      *result = TRUE;
      return true;
    }
    case WM_KEYDOWN: {
      HWND parent = nativeHandleOf(getParent());
      if (parent != nullptr && ::SendMessageW(parent, WM_KEYDOWN, wParam, lParam) == 0) {
        *result = 0;
        return true;
      }
      return false;
    }
    case kSelectionChanged: {
      const int32_t cur = static_cast<int32_t>(::SendMessageW(handle(), CB_GETCURSEL, 0, 0));
      if (cur != m_selected) {
        m_onlyShown = false;
        m_previous = m_selected;
        m_selected = cur;
        if (m_notify) {
          notifyListeners();
        }
        repaint();
      }
      *result = 0;
      return true;
    }
    case kListOpens:
      sizeList();
      *result = 0;
      return true;
    case kListClosed:
      if (m_dropped) {
        m_dropped = false;
        if (getDrawer() != nullptr && handle() != nullptr) {
          ::RedrawWindow(handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        }
        m_lastTop = static_cast<int32_t>(::SendMessageW(handle(), CB_GETTOPINDEX, 0, 0));
      }
      *result = 0;
      return true;
    default: return Widget::preWindowProc(result, message, wParam, lParam);
  }
}

}  // namespace s::gui::win
