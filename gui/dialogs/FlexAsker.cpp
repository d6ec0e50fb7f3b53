// The confirmation dialog's window, its keys and its wait.
#include "gui/dialogs/FlexAsker.h"

#include "gui/app/AppHooks.h"
#include "gui/app/IAppWindow.h"
#include "gui/dialogs/DialogParts.h"
#include "gui/win/Box.h"
#include "gui/win/Button.h"
#include "gui/win/CheckBox.h"
#include "gui/win/Label.h"
#include "gui/win/Spacer.h"
#include "gui/win/Window.h"
#include "platform/lang/Localizer.h"

namespace s::gui::dialogs {

namespace {

constexpr DWORD kPollMs = 100;

/// The dialog's frame: Tab and Enter reach the frame's key handling (and so the asker) instead
/// of moving the focus and pressing the focused button, so the default mark alone decides what
/// Enter answers.
class AskerWindow final : public win::Window {
  S_POOLED_CLASS(AskerWindow, u"s_gui_dialogs_FlexAsker_AskerWindow", 0)

  AskerWindow() = default;

  BOOL PreTranslateMessage(MSG* msg) override {
    HWND frame = getHandle();
    if (msg->message == WM_KEYDOWN && (msg->wParam == VK_TAB || msg->wParam == VK_RETURN) &&
        frame != nullptr && (msg->hwnd == frame || ::IsChild(frame, msg->hwnd))) {
      ::SendMessageW(frame, WM_KEYDOWN, msg->wParam, msg->lParam);
      return TRUE;
    }
    return Window::PreTranslateMessage(msg);
  }
};

/// English for the asker's own texts, when the language has none.
const WCHAR* englishText(int32_t id) {
  switch (id) {
    case FlexAsker::kDefaultTitleId: return u"Confirmation Dialog";
    case FlexAsker::kDefaultMessageId: return u"Are you sure you want to proceed this operation?";
    case FlexAsker::kYesTextId: return u"\u00A0      Yes      \u00A0";
    case FlexAsker::kNoTextId: return u"\u00A0      No      \u00A0";
    case FlexAsker::kCheckBoxTextId: return u"Don't ask me again";
    default: return u"";
  }
}

}  // namespace

FlexAsker::FlexAsker() = default;

FlexAsker::~FlexAsker() { reset(); }

void FlexAsker::reset() {
  releaseWindow();
  m_owner = nullptr;
  if (m_description != nullptr) {
    m_description->release();
    m_description = nullptr;
  }
  m_settings = nullptr;
  m_localizer = nullptr;
  m_skinner = nullptr;
  m_answer = false;
  m_dontAskAgain = false;
}

void FlexAsker::releaseWindow() {
  // The widgets belong to the window's tree and go with it.
  m_yes = nullptr;
  m_no = nullptr;
  m_checkBox = nullptr;
  if (m_window != nullptr) {
    m_window->release();
    m_window = nullptr;
  }
}

void FlexAsker::setWindowDescription(app::IAppWindow* description) {
  if (m_description != nullptr && m_description != description) {
    m_description->release();
  }
  m_description = description;
}

const WCHAR* FlexAsker::textOf(int32_t id) {
  if (m_localizer != nullptr && m_localizer->hasText(id)) {
    return m_localizer->getText(id);
  }
  return englishText(id);
}

bool FlexAsker::ask(HWND owner, const WCHAR* title, const WCHAR* message) {
  m_owner = owner;
  m_answer = false;
  releaseWindow();

  AskerWindow* window = AskerWindow::take();
  if (!setUpDialogFrame(window, true, m_description, 400, 200)) {
    return false;
  }
  m_window = window;
  window->setTitle(title != nullptr ? title : textOf(kDefaultTitleId));

  // The texts of the language follow it; an id the language lacks shows its English text.
  auto label = [this](int32_t id, auto* widget) {
    if (m_localizer != nullptr && m_localizer->hasText(id) && m_window->hasLocalizer()) {
      widget->setTextId(id);
    } else {
      widget->setText(englishText(id));
    }
  };
  if (m_showCheckBox) {
    m_checkBox = win::CheckBox::take();
    label(m_checkBoxTextId, m_checkBox);
    m_checkBox->addCheckListener(this);
    m_checkBox->addUncheckListener(this);
  }
  m_no = win::makeButton(-1, -1, -1);
  label(m_noTextId, m_no);
  m_yes = win::makeButton(-1, -1, -1);
  label(m_yesTextId, m_yes);
  m_yes->addClickListener(this);
  m_no->addClickListener(this);
  win::Label* text =
      win::makeLabel(message != nullptr ? message : textOf(kDefaultMessageId), false, false, 0);

  win::Box* column = win::makeBox(1, 100, 100, 1, 0, 0, 0, 10, 2);
  win::Box* buttons = win::makeBox(0, 100, -1, 2, 1, 0, 0, 0, 0);
  win::Box* checkRow = win::makeBox(0, 100, -1, 0, 1, 0, 0, 0, 0);
  column->add(makeGap(true, 10));
  column->add(text);
  column->add(makeGap(true, 12));
  buttons->add(m_yes);
  buttons->add(makeGap(false, 7));
  buttons->add(m_no);
  column->add(buttons);
  if (m_checkBox != nullptr) {
    checkRow->add(m_checkBox);
  }
  column->add(checkRow);
  column->add(makeGap(true, 5));

  window->addKeyDownListener(this);
  window->addCloseListener(this);
  window->setShowInTaskbar(true);
  window->add(column);

  // Laid out afresh every time: the stored bounds of an earlier question would not fit this one.
  if (m_description != nullptr) {
    m_description->deleteBounds();
  }
  window->pack();
  const int32_t wanted = text->getMinimumWidth() + 50;
  if (window->getWidth() < wanted) {
    window->setWidth(wanted);
  }
  const bool ownerIsWindow = owner != nullptr && ::IsWindow(owner);
  if (ownerIsWindow) {
    RECT r;
    ::GetWindowRect(owner, &r);
    window->setLocation((r.left + r.right) / 2 - window->getWidth() / 2,
                        (r.top + r.bottom) / 2 - window->getHeight() / 2);
  }
  window->fitToPreferredSize();
  m_yes->setDefault();
  window->moveOnScreen();
  window->show(true, true);
  if (ownerIsWindow) {
    ::EnableWindow(owner, FALSE);
  }

  // The caller's thread keeps answering its own messages while it waits: it may own the owner
  // window, to which the dialog's thread sends.
  while (!window->isClosed() && ::IsWindow(window->getHandle())) {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        ::PostQuitMessage(static_cast<int>(msg.wParam));
        break;
      }
      ::TranslateMessage(&msg);
      ::DispatchMessageW(&msg);
    }
    ::Sleep(kPollMs);
  }
  if (ownerIsWindow && ::IsWindow(owner)) {
    ::EnableWindow(owner, TRUE);
    ::SetActiveWindow(owner);
  }
  return true;
}

void FlexAsker::answer(bool yes) {
  m_answer = yes;
  if (m_window != nullptr) {
    m_window->close();
  }
}

void FlexAsker::onEvent(base::IObject* source, int32_t eventId) {
  if (source == nullptr) {
    return;
  }
  if (m_window != nullptr && source == static_cast<base::IObject*>(m_window)) {
    if (eventId != win::Window::kKeyDown) {
      // Closing by the frame leaves the answer No.
      return;
    }
    const int32_t key = m_window->getKeyCode();
    if (key == VK_TAB) {
      if (m_yes->isDefault()) {
        m_yes->clearDefault();
        m_no->setDefault();
      } else if (m_no->isDefault()) {
        m_no->clearDefault();
        m_yes->setDefault();
      }
    } else if (key == VK_RETURN && (m_yes->isDefault() || m_no->isDefault())) {
      answer(m_yes->isDefault());
    }
  } else if (source == static_cast<base::IObject*>(m_yes)) {
    answer(true);
  } else if (source == static_cast<base::IObject*>(m_no)) {
    answer(false);
  } else if (m_checkBox != nullptr && source == static_cast<base::IObject*>(m_checkBox)) {
    m_dontAskAgain = m_checkBox->isChecked();
  }
}

FlexAsker* makeFlexAsker(app::win::AppBase* appBase) {
  FlexAsker* asker = FlexAsker::take();
  if (asker == nullptr) {
    return nullptr;
  }
  app::IAppHooks& hooks = app::appHooks();
  app::IAppWindow* description =
      hooks.makeAppWindow(appBase, u"FlexAskerWindow", 400, 200, u"Close", nullptr);
  asker->setWindowDescription(description);
  if (description != nullptr) {
    asker->setLocalizer(description->getLocalizer());
    asker->setSkinner(description->hasSkinner() ? description->getSkinner() : nullptr);
  }
  asker->setSettings(hooks.getSettings(appBase));
  return asker;
}

}  // namespace s::gui::dialogs
