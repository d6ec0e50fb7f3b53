// The shared base of the simple widgets (buttons, check boxes, radio buttons, labels, text fields
// and sliders): one native control each, made on its window's UI thread, with texts from the
// window's localizer, a drawer from its skinner and double-buffered painting through it.
#pragma once

#include "core/base/IObject.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "core/thread/IPoolable.h"
#include "gui/IWindow.h"
#include "gui/drawer/ISkin.h"
#include "gui/drawer/ISkinner.h"
#include "gui/win/ChildWindow.h"
#include "gui/win/MemDC.h"
#include "gui/win/WindowClass.h"
#include "imaging/win/BufferedImage.h"
#include "platform/lang/Localizer.h"

#include <windows.h>
#include <afxwin.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdint>

namespace s::gui::win {

/// What tells the widgets apart at creation: the native class, the style (every control is made
/// hidden, with an empty rectangle), the control id, the extended style added right after
/// creation, and the capacity of the widget's pool.
struct WidgetClass {
  const WCHAR* nativeClass;
  DWORD style;
  UINT id;
  DWORD exStyleAfterCreation;
  int32_t poolCapacity;
};

inline constexpr WidgetClass kButtonClass{
    u"Button", WS_CHILD | WS_TABSTOP | BS_NOTIFY | BS_PUSHBUTTON, 1000, 0, 0};
inline constexpr WidgetClass kCheckBoxClass{
    u"Button", WS_CHILD | WS_TABSTOP | BS_NOTIFY | BS_AUTOCHECKBOX, 1003, 0, 1000};
inline constexpr WidgetClass kRadioButtonClass{
    u"Button", WS_CHILD | WS_TABSTOP | BS_NOTIFY | BS_AUTORADIOBUTTON, 1003, 0, 1000};
inline constexpr WidgetClass kLabelClass{kWindowClassName, WS_CHILD, 0, WS_EX_TRANSPARENT, 1000};
inline constexpr WidgetClass kTextFieldClass{
    u"Edit", WS_CHILD | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 1001, 0, 1000};
// The tick style follows after creation.
inline constexpr WidgetClass kSliderClass{TRACKBAR_CLASSW, WS_CHILD | TBS_TOP, 1040, 0, 1000};

/// A check box whose font wraps its words asks for several lines.
inline constexpr DWORD kMultiLineButtonStyle = BS_MULTILINE;

// The template serves interfaces that declare some of its operations (setDrawer, preWindowProc,
// getTextId) and interfaces that do not, so it can mark none of them `override`; the widgets
// built on it mark their own.
#if defined(__clang__)
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Winconsistent-missing-override"
#pragma clang diagnostic ignored "-Woverloaded-virtual"
#endif
/// The contract the six widgets share, over the component interface `Interface` they implement
/// and the drawer interface `Drawer` of their kind (pooled: an owned drawer is released).
/// A widget is attached with `setParent(parent)` on the owner window's UI thread (a container's
/// `add` arranges that): it joins the window's localizer and skinner, takes its drawer from the
/// current skin and makes its control. `setParent(null)` destroys the control on its own thread
/// and leaves both lists; detaching a detached widget does nothing. Until the control exists,
/// setters only store their values and creation applies them.
///
/// Colours are 0x00BBGGRR. A drawer is held as (drawer, owned): only an owned one is given back,
/// when it is replaced or the widget is reset. The widget answers its control's colour message
/// with a brush it keeps until the next answer or its destruction. Listeners are never owned.
template <class Interface, class Drawer>
class Widget : public Interface,
               public base::IObject,
               public virtual thread::IPoolable,
               public CWnd {
 public:
  /// Private messages every widget answers.
  static constexpr UINT kDestroyMessage = WM_USER + 15;
  static constexpr UINT kColorMessage = WM_APP + 3;

  explicit Widget(const WidgetClass& kind)
      : m_kind(kind), m_text(str::strbuffer::StrBuffer::take()) {}
  ~Widget() override {
    resetWidget();
    deleteBrush();
    m_text->release();
  }
  Widget(const Widget&) = delete;
  Widget& operator=(const Widget&) = delete;

  uint32_t hashCode() const override { return base::IObject::hashCode(); }

  // IEventListener: the window's localizer and skinner tell of a new language or skin.
  void onEvent(base::IObject* source, int32_t /*eventId*/) override {
    if (source == nullptr || m_ownerWindow == nullptr) {
      return;
    }
    if (m_ownerWindow->hasLocalizer() &&
        source == static_cast<base::IObject*>(m_ownerWindow->getLocalizer())) {
      onLanguageChanged();
    } else if (m_ownerWindow->hasSkinner() &&
               source == static_cast<base::IObject*>(m_ownerWindow->getSkinner())) {
      setDrawer(drawerOfSkin(m_ownerWindow->getSkinner()->getCurrentSkin()), false);
    }
  }

  // IComponent: geometry.
  int32_t getX() override { return m_x; }
  void setX(int32_t x) override { setLocation(x, m_y); }
  int32_t getY() override { return m_y; }
  void setY(int32_t y) override { setLocation(m_x, y); }
  int32_t getScreenX() override { return windowRect().left; }
  int32_t getScreenY() override { return windowRect().top; }
  bool containsScreenPoint(int32_t x, int32_t y) override {
    if (!m_visible || m_handle == nullptr) {
      return false;
    }
    const RECT r = windowRect();
    return x >= r.left && x <= r.right && y >= r.top && y <= r.bottom;
  }
  int32_t getWidth() override { return m_width; }
  void setWidth(int32_t width) override { setSize(width, m_height); }
  int32_t getHeight() override { return m_height; }
  void setHeight(int32_t height) override { setSize(m_width, height); }
  int32_t getClientWidth() override { return m_width; }
  void setClientWidth(int32_t width) override { setWidth(width); }
  int32_t getClientHeight() override { return m_height; }
  void setClientHeight(int32_t height) override { setHeight(height); }
  void setLocation(int32_t x, int32_t y) override {
    m_x = x;
    m_y = y;
    place(SWP_NOSIZE);
  }
  void setSize(int32_t width, int32_t height) override {
    m_width = width;
    m_height = height;
    place(SWP_NOMOVE);
  }
  void setBounds(int32_t x, int32_t y, int32_t width, int32_t height) override {
    m_x = x;
    m_y = y;
    m_width = width;
    m_height = height;
    place(0);
  }
  void setOffset(int32_t dx, int32_t dy) override {
    m_offsetX = dx;
    m_offsetY = dy;
    place(SWP_NOSIZE);
  }
  void addOffset(int32_t dx, int32_t dy) override { setOffset(m_offsetX + dx, m_offsetY + dy); }
  // Each widget gives its own limits; by default its measured size is both.
  int32_t getMinimumWidth() override { return m_measuredWidth; }
  int32_t getMinimumHeight() override { return m_measuredHeight; }
  int32_t getMinimumClientWidth() override { return this->getMinimumWidth(); }
  int32_t getMinimumClientHeight() override { return this->getMinimumHeight(); }
  int32_t getMaximumWidth() override { return m_measuredWidth; }
  int32_t getMaximumHeight() override { return m_measuredHeight; }
  int32_t getMaximumClientWidth() override { return this->getMaximumWidth(); }
  int32_t getMaximumClientHeight() override { return this->getMaximumHeight(); }
  void setSizeWithinLimits(int32_t width, int32_t height) override {
    const int32_t w = std::max(this->getMinimumWidth(), std::min(width, this->getMaximumWidth()));
    const int32_t h =
        std::max(this->getMinimumHeight(), std::min(height, this->getMaximumHeight()));
    setSize(w, h);
  }
  bool isInBatch() override { return m_inBatch; }
  void beginBatch() override { m_inBatch = true; }
  void endBatch() override {
    m_inBatch = false;
    if (m_boundsPending) {
      m_boundsPending = false;
      place(0);
    }
  }

  // IComponent: state.
  bool isVisible() override { return m_visible; }
  using Interface::setVisible;
  void setVisible(bool show, bool /*cascade*/) override {
    if (show == m_visible) {
      return;
    }
    m_visible = show;
    if (m_handle != nullptr) {
      ::ShowWindow(m_handle, show ? SW_SHOW : SW_HIDE);
    }
  }
  bool isEnabled() override { return m_enabled; }
  void setEnabled(bool enabled) override {
    m_enabled = enabled;
    if (m_handle != nullptr) {
      ::EnableWindow(m_handle, enabled ? TRUE : FALSE);
    }
  }
  bool isEditable() override { return false; }
  void setEditable(bool) override {}
  uint32_t getBackgroundColor() override { return m_backgroundColor; }
  bool isParentBackground() override { return m_parentBackground; }
  void useParentBackground(bool redraw) override {
    m_parentBackground = true;
    repaintIf(redraw);
  }
  void setBackgroundWhite(bool redraw) override { setBackgroundColor(255, 255, 255, redraw); }
  void setBackgroundSystem(bool redraw) override {
    m_backgroundColor = ::GetSysColor(COLOR_BTNFACE);
    m_parentBackground = false;
    repaintIf(redraw);
  }
  void setBackgroundBlack(bool redraw) override { setBackgroundColor(0, 0, 0, redraw); }
  void setBackgroundLight(bool redraw) override {
    const COLORREF text = ::GetSysColor(COLOR_INACTIVECAPTIONTEXT);
    auto lighten = [](int32_t c) { return 255 - (255 - c) / 2; };
    setBackgroundColor(lighten(GetRValue(text)), lighten(GetGValue(text)), lighten(GetBValue(text)),
                       redraw);
  }
  void setBackgroundColor(int32_t red, int32_t green, int32_t blue, bool redraw) override {
    m_backgroundColor = RGB(red & 0xFF, green & 0xFF, blue & 0xFF);
    m_parentBackground = false;
    repaintIf(redraw);
  }
  IWindow* getWindow() override { return m_ownerWindow; }
  IComponent* getParent() override { return m_parent; }
  void setParent(IComponent* parent) override {
    if (parent != nullptr) {
      attach(parent);
    } else {
      detach();
    }
  }
  void add(IComponent*) override {}
  bool isContainer() override { return false; }
  void repaintRect(int32_t x, int32_t y, int32_t width, int32_t height) override {
    if (m_handle != nullptr && m_visible) {
      const RECT r{x, y, x + width, y + height};
      ::InvalidateRect(m_handle, &r, FALSE);
      ::UpdateWindow(m_handle);
    }
  }
  void repaint() override {
    if (m_handle != nullptr && m_visible) {
      ::InvalidateRect(m_handle, nullptr, FALSE);
      ::UpdateWindow(m_handle);
    }
  }
  void relayout() override {}
  int32_t getChildCount() override { return 0; }
  IComponent* getChild(int32_t) override { return nullptr; }
  col::_array::ArrayP* getChildren() override { return nullptr; }
  image::win::BufferedImage* getBackBuffer(int32_t*, int32_t*) override { return nullptr; }

  /// Gives back an owned drawer it replaces, stores the pair, hands the drawer what it needs and
  /// measures and repaints.
  void setDrawer(Drawer* drawer, bool owned) {
    if (m_drawer != nullptr && m_drawerOwned && m_drawer != drawer) {
      m_drawer->release();
    }
    m_drawer = drawer;
    m_drawerOwned = drawer != nullptr && owned;
    onDrawerChanged();
    measureAndRelayout();
    repaint();
  }
  Drawer* getDrawer() const { return m_drawer; }
  bool isDrawerOwned() const { return m_drawerOwned; }
  bool isCreated() const { return m_handle != nullptr; }
  const WCHAR* getWidgetText() { return m_text->getCStr(); }
  int32_t getTextId() const { return m_textId; }

  /// The widget's own message handling, before the platform's; true when it handled `message`,
  /// with the answer in `result`.
  virtual bool preWindowProc(LRESULT* result, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
      case WM_DESTROY: m_handle = nullptr; return false;
      case WM_ERASEBKGND:
        if (!erasesItself()) {
          return false;
        }
        *result = 1;
        return true;
      case kDestroyMessage:
        CWnd::DestroyWindow();
        *result = 0;
        return true;
      case WM_PAINT:
        if (!paintsWithDrawer()) {
          return false;
        }
        paintBuffered();
        *result = 0;
        return true;
      case kColorMessage:
        if (!answersColorMessage()) {
          return false;
        }
        *result = reinterpret_cast<LRESULT>(answerColor(reinterpret_cast<HDC>(wParam)));
        return true;
      case WM_MOUSEWHEEL: {
        if (!forwardsWheel()) {
          return false;
        }
        const POINT p = pointOfMessage(lParam);
        if (!containsScreenPoint(p.x, p.y) && m_ownerWindow != nullptr &&
            m_ownerWindow->getHandle() != nullptr) {
          ::SendMessageW(m_ownerWindow->getHandle(), WM_MOUSEWHEEL, wParam, lParam);
        }
        *result = 0;
        return true;
      }
      case WM_GETDLGCODE:
        if (!wantsAllKeys()) {
          return false;
        }
        *result = CWnd::WindowProc(message, wParam, lParam) | DLGC_WANTALLKEYS;
        return true;
      default: return false;
    }
  }
  /// After the platform's handling of a message that `preWindowProc` left.
  virtual void postWindowProc(LRESULT* /*result*/, UINT /*message*/, WPARAM /*wParam*/,
                              LPARAM /*lParam*/) {}

  // CWnd
  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    LRESULT result = 0;
    if (preWindowProc(&result, message, wParam, lParam)) {
      return result;
    }
    result = CWnd::WindowProc(message, wParam, lParam);
    postWindowProc(&result, message, wParam, lParam);
    return result;
  }

 protected:
  // What each widget adds.
  /// The drawer of the widget's kind in `skin` (null: the native look).
  virtual Drawer* drawerOfSkin(drawer::ISkin* /*skin*/) { return nullptr; }
  /// Hands a new drawer what it needs (the widget's fonts).
  virtual void onDrawerChanged() {}
  /// Puts the text into the control, prepared as the widget wants it.
  virtual void applyText() {
    if (m_handle != nullptr) {
      ::SetWindowTextW(m_handle, m_text->getCStr());
    }
  }
  /// The widget's own settings, applied once the control exists.
  virtual void applySettings() {}
  /// Fills the measured width and height from the text, font and drawer.
  virtual void measure() {}
  /// The language changed: the text of the widget's id, when it has one.
  virtual void onLanguageChanged() {
    lang::Localizer* localizer = m_ownerWindow->getLocalizer();
    if (m_textId != -1) {
      m_text->assign(localizer->getText(m_textId));
      applyText();
      measureAndRelayout();
    }
  }
  virtual bool paintsWithDrawer() { return m_drawer != nullptr; }
  /// The drawer's part of painting into the buffer of the client size.
  virtual void paintDrawer(CDC* /*dc*/, int32_t /*width*/, int32_t /*height*/) {}
  virtual bool answersColorMessage() { return true; }
  /// The colour of the control's text in the colour answer; CLR_INVALID sets none.
  virtual COLORREF controlTextColor() { return CLR_INVALID; }
  virtual bool forwardsWheel() { return false; }
  virtual bool wantsAllKeys() { return false; }
  virtual bool erasesItself() { return true; }
  /// The style of the control at creation.
  virtual DWORD creationStyle() { return m_kind.style; }

  void setTextId(int32_t id) { m_textId = id; }
  str::strbuffer::StrBuffer* text() { return m_text; }
  HWND handle() const { return m_handle; }
  void setMeasuredSize(int32_t width, int32_t height) {
    m_measuredWidth = width;
    m_measuredHeight = height;
  }

  /// Measures a created widget and has its parent lay out again.
  void measureAndRelayout() {
    if (m_handle == nullptr) {
      return;
    }
    measure();
    if (m_parent != nullptr) {
      m_parent->relayout();
    }
  }

  /// What `reset` does for every widget: shown (flag only), detached, no drawer of its own,
  /// default colours and geometry. Each widget restores its own defaults after it.
  void resetWidget() {
    m_visible = true;
    setParent(nullptr);
    if (m_drawer != nullptr && m_drawerOwned) {
      m_drawer->release();
    }
    m_drawer = nullptr;
    m_drawerOwned = false;
    m_x = m_y = m_width = m_height = 0;
    m_offsetX = m_offsetY = 0;
    m_inBatch = m_boundsPending = false;
    m_enabled = true;
    m_backgroundColor = ::GetSysColor(COLOR_BTNFACE);
    m_parentBackground = false;
    m_text->clear();
    m_textId = -1;
    m_measuredWidth = m_measuredHeight = 0;
  }

 private:
  RECT windowRect() const {
    RECT r{0, 0, 0, 0};
    if (m_handle != nullptr) {
      ::GetWindowRect(m_handle, &r);
    }
    return r;
  }

  /// Moves the control to the stored bounds (held back while a batch is open); a visible widget
  /// shows as the layout places it, a hidden one stays hidden.
  void place(UINT flags) {
    if (m_inBatch) {
      m_boundsPending = true;
      return;
    }
    if (m_handle == nullptr) {
      return;
    }
    ::SetWindowPos(m_handle, nullptr, m_x + m_offsetX, m_y + m_offsetY, m_width, m_height,
                   SWP_NOZORDER | SWP_NOACTIVATE | flags | (m_visible ? SWP_SHOWWINDOW : 0));
  }

  void repaintIf(bool redraw) {
    if (redraw && m_visible) {
      repaint();
    }
  }

  void attach(IComponent* parent) {
    m_parent = parent;
    m_ownerWindow = parent->getWindow();
    if (m_ownerWindow != nullptr && m_ownerWindow->hasLocalizer()) {
      m_joinedLocalizer = m_ownerWindow->getLocalizer();
      m_joinedLocalizer->addListener(this);
    }
    if (m_ownerWindow != nullptr && m_ownerWindow->hasSkinner()) {
      drawer::ISkinner* skinner = m_ownerWindow->getSkinner();
      setDrawer(drawerOfSkin(skinner->getCurrentSkin()), false);
      m_joinedSkinner = skinner;
      skinner->addListener(this);
    }
    createControl(nativeHandleOf(parent));
  }

  void detach() {
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
    // The localizer and skinner joined are left even when the window has let go of them first
    // (a window being given back drops them before its last widgets go): a widget left in their
    // lists would be told of the next language or skin after it is gone.
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

  bool createControl(HWND parentHandle) {
    if (m_handle != nullptr) {
      return true;
    }
    if (m_kind.nativeClass == kWindowClassName) {
      registerWindowClass();
    }
    if (!CreateEx(0, m_kind.nativeClass, u"", creationStyle(), 0, 0, 0, 0, parentHandle,
                  reinterpret_cast<HMENU>(static_cast<UINT_PTR>(m_kind.id)))) {
      reportCreationFailure();
      return false;
    }
    m_handle = m_hWnd;
    if (m_kind.exStyleAfterCreation != 0) {
      ModifyStyleEx(0, m_kind.exStyleAfterCreation);
    }
    if (m_textId != -1 && m_ownerWindow != nullptr && m_ownerWindow->hasLocalizer()) {
      m_text->assign(m_ownerWindow->getLocalizer()->getText(m_textId));
    }
    applyText();
    if (!m_enabled) {
      ::EnableWindow(m_handle, FALSE);
    }
    applySettings();
    measureAndRelayout();
    return true;
  }

  /// The six steps: the parent's pixels under the widget, its own colour unless it shows the
  /// parent's, the drawer, one copy to the screen.
  void paintBuffered() {
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(m_handle, &ps);
    RECT client;
    ::GetClientRect(m_handle, &client);
    const int32_t width = client.right - client.left;
    const int32_t height = client.bottom - client.top;
    if (width > 0 && height > 0) {
      image::win::BufferedImage* image = image::win::BufferedImage::takeSized(width, height);
      MemDC* buffer = image != nullptr ? MemDC::forImage(m_handle, image, true) : nullptr;
      if (buffer != nullptr) {
        const bool copied = copyParentPixels(m_handle, m_parent, buffer->m_hDC, width, height);
        if (!m_parentBackground) {
          buffer->FillSolidRect(0, 0, width, height, m_backgroundColor);
        } else if (!copied) {
          buffer->FillSolidRect(0, 0, width, height, IComponent::getEffectiveBackgroundColor(this));
        }
        paintDrawer(buffer, width, height);
        ::BitBlt(dc, 0, 0, width, height, buffer->m_hDC, 0, 0, SRCCOPY);
        buffer->release();
      } else if (image != nullptr) {
        image->release();
      }
    }
    ::EndPaint(m_handle, &ps);
  }

  void deleteBrush() {
    if (m_brush != nullptr) {
      ::DeleteObject(m_brush);
      m_brush = nullptr;
    }
  }

  HBRUSH answerColor(HDC dc) { return answerControlColor(this, dc, &m_brush, controlTextColor()); }

  const WidgetClass& m_kind;
  HWND m_handle = nullptr;
  IComponent* m_parent = nullptr;
  IWindow* m_ownerWindow = nullptr;
  /// The localizer and skinner this widget listens to since it was attached (not owned).
  lang::Localizer* m_joinedLocalizer = nullptr;
  drawer::ISkinner* m_joinedSkinner = nullptr;
  int32_t m_x = 0;
  int32_t m_y = 0;
  int32_t m_width = 0;
  int32_t m_height = 0;
  int32_t m_offsetX = 0;
  int32_t m_offsetY = 0;
  bool m_inBatch = false;
  bool m_boundsPending = false;
  bool m_visible = true;
  bool m_enabled = true;
  uint32_t m_backgroundColor = ::GetSysColor(COLOR_BTNFACE);
  bool m_parentBackground = false;
  str::strbuffer::StrBuffer* m_text;
  int32_t m_textId = -1;
  Drawer* m_drawer = nullptr;
  bool m_drawerOwned = false;
  int32_t m_measuredWidth = 0;
  int32_t m_measuredHeight = 0;
  HBRUSH m_brush = nullptr;
};
#if defined(__clang__)
#pragma clang diagnostic pop
#endif

}  // namespace s::gui::win
