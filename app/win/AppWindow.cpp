// The persisted description of an application window.
#include "app/win/AppWindow.h"

#include "app/win/AppBase.h"
#include "core/map/IMappedData.h"
#include "core/str/Case.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "core/system/win/Shell.h"
#include "core/time/WallClock.h"
#include "gui/IWindow.h"
#include "gui/app/AppHooks.h"
#include "gui/dialogs/FlexAsker.h"
#include "gui/drawer/ISkin.h"
#include "platform/lang/Localizer.h"
#include "platform/system/network/win/Downloader.h"
#include "platform/system/network/win/Network.h"
#include "platform/system/win/OsVersion.h"
#include "skin/drawer/Skinner.h"

#include <windows.h>

#include <objbase.h>
#include <shobjidl.h>

namespace s::app::win {

using str::strbuffer::StrBuffer;

namespace {

constexpr const WCHAR* kClose = u"Close";
constexpr const WCHAR* kIconize = u"Iconize";
constexpr const WCHAR* kDoNothing = u"DoNothing";

bool sameTextIgnoreCase(const WCHAR* a, const WCHAR* b) {
  for (; *a != 0 && *b != 0; ++a, ++b) {
    if (str::foldLower(*a) != str::foldLower(*b)) {
      return false;
    }
  }
  return *a == *b;
}

bool contains(const WCHAR* text, const WCHAR* part) {
  for (const WCHAR* start = text;; ++start) {
    const WCHAR* a = start;
    const WCHAR* b = part;
    while (*b != 0 && *a == *b) {
      ++a;
      ++b;
    }
    if (*b == 0) {
      return true;
    }
    if (*start == 0) {
      return false;
    }
  }
}

uint32_t lengthOf(const WCHAR* text) {
  return static_cast<uint32_t>(std::char_traits<char16_t>::length(text));
}

}  // namespace

AppWindow::AppWindow()
    : m_scratch1(StrBuffer::take()),
      m_scratch2(StrBuffer::take()),
      m_name(StrBuffer::take()),
      m_defaultSkinName(StrBuffer::take()) {
  reset();
}

AppWindow::~AppWindow() {
  reset();
  delete m_scratch1;
  delete m_scratch2;
  delete m_name;
  delete m_defaultSkinName;
}

void AppWindow::reset() {
  if (m_taskbar != nullptr) {
    m_taskbar->Release();
    m_taskbar = nullptr;
  }
  if (m_ownsSkinner && m_skinner != nullptr) {
    m_skinner->release();
  }
  m_skinner = nullptr;
  m_ownsSkinner = false;
  m_scratch1->freeBuffer();
  m_scratch2->freeBuffer();
  m_name->freeBuffer();
  m_defaultSkinName->freeBuffer();
  m_appBase = nullptr;
  m_viewSection = u"View";
  m_editionName = u"Freeware";
  m_titleTextId = AppBase::kTitleTextId;
  m_localizer = nullptr;
  m_defaultWidth = 500;
  m_defaultHeight = 500;
  m_easyDragDefault = true;
  m_maximizedDefault = false;
  m_keepOnTopDefault = false;
  m_middleClick = kClose;
}

const WCHAR* AppWindow::viewSectionFor(uint32_t scale) {
  if (scale >= 4) {
    return u"View8K";
  }
  return scale == 2 ? u"View4K" : u"View";
}

void AppWindow::initialize(AppBase* appBase, const WCHAR* name, const WCHAR* edition,
                           int32_t defaultWidth, int32_t defaultHeight,
                           const WCHAR* middleClickDefault, gui::drawer::ISkinner* skinner,
                           const WCHAR* defaultSkinName) {
  m_appBase = appBase;
  m_name->assign(name != nullptr ? name : u"");
  // The scale the toolkit's windows use, so the description and its window agree on the section.
  m_viewSection = viewSectionFor(appHooks().getDisplayScale());
  m_editionName = edition != nullptr ? edition : u"Freeware";
  m_titleTextId = AppBase::kTitleTextId;

  m_skinner = skinner;
  gui::drawer::ISkinner* shared = appBase != nullptr ? appBase->getSkinner() : nullptr;
  m_ownsSkinner = skinner != shared;
  m_defaultSkinName->clear();
  if (!m_ownsSkinner) {
    gui::drawer::ISkin* current = skinner != nullptr ? skinner->getCurrentSkin() : nullptr;
    if (current != nullptr && current->getName() != nullptr) {
      m_defaultSkinName->assign(current->getName());
    }
  } else if (defaultSkinName != nullptr) {
    m_defaultSkinName->assign(defaultSkinName);
  }

  m_defaultWidth = defaultWidth;
  m_defaultHeight = defaultHeight;
  m_middleClick = matchAction(middleClickDefault != nullptr ? middleClickDefault : kClose);
  if (m_middleClick == nullptr) {
    m_middleClick = kDoNothing;
  }
  m_easyDragDefault = true;
  m_keepOnTopDefault = true;

  map::IMappedData* settings = store();
  if (settings != nullptr) {
    settings->setAutoFlush(false);
    settings->setString(makeSettingsKey(u"SoftwareType"), u"", m_editionName);
    settings->setString(makeSettingsKey(u"SoftwareID"), u"", appBase->getProductId());
    settings->setString(makeSettingsKey(u"Version"), u"", appBase->getVersionText());
  }
  if (m_localizer != nullptr && appBase != nullptr) {
    m_localizer->selectLanguage(appBase->getLanguage());
  }
  if (m_ownsSkinner) {
    if (auto* own = dynamic_cast<gui::drawer::Skinner*>(m_skinner)) {
      m_scratch1->assign(getSkinName());
      own->selectSkinByName(m_scratch1->getCStr());
    }
  }
  const WCHAR* stored = matchAction(readOnMClick());
  m_middleClick = stored != nullptr ? stored : kDoNothing;
  if (settings != nullptr) {
    settings->setAutoFlush(true);
  }

  if (m_taskbar == nullptr) {
    if (!system::win::osQueried.load(std::memory_order_acquire)) {
      system::win::queryWindowsVersion();
    }
    if (system::win::osAbove60 && SUCCEEDED(CoInitialize(nullptr))) {
      void* list = nullptr;
      if (SUCCEEDED(
              CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_ALL, IID_ITaskbarList3, &list))) {
        m_taskbar = static_cast<ITaskbarList3*>(list);
      } else {
        // Without a taskbar list nothing here needs COM any longer.
        CoUninitialize();
      }
    }
  }
}

map::IMappedData* AppWindow::store() {
  return m_appBase != nullptr ? m_appBase->getSettings() : nullptr;
}

const WCHAR* AppWindow::getName() { return m_name->getCStr(); }

const WCHAR* AppWindow::makeSettingsKey(const WCHAR* subSection) {
  m_scratch2->assign(m_name->getCStr());
  m_scratch2->append(u"\\");
  m_scratch2->append(subSection != nullptr ? subSection : u"");
  return m_scratch2->getCStr();
}

lang::Localizer* AppWindow::getLocalizer() {
  if (m_localizer != nullptr) {
    return m_localizer;
  }
  return m_appBase != nullptr ? m_appBase->getLocalizer() : nullptr;
}

const WCHAR* AppWindow::getSkinName() {
  if (!m_ownsSkinner) {
    return m_appBase != nullptr ? m_appBase->getSkinName() : m_defaultSkinName->getCStr();
  }
  const WCHAR* fallback = m_defaultSkinName->getCStr();
  map::IMappedData* settings = store();
  if (settings == nullptr) {
    return fallback;
  }
  const WCHAR* name = settings->getString(makeSettingsKey(u"Skin"), u"", fallback, nullptr, false);
  if (auto* own = dynamic_cast<gui::drawer::Skinner*>(m_skinner)) {
    int32_t index = -1;
    if (!own->findSkin(name, index)) {
      return fallback;
    }
  }
  return name;
}

void AppWindow::setSkinName(const WCHAR* name) {
  if (!m_ownsSkinner) {
    if (m_appBase != nullptr) {
      m_appBase->setSkinName(name);
    }
    return;
  }
  if (map::IMappedData* settings = store()) {
    settings->setString(makeSettingsKey(u"Skin"), u"", name != nullptr ? name : u"");
  }
}

void AppWindow::setBounds(int32_t x, int32_t y, int32_t width, int32_t height) {
  setX(x);
  setY(y);
  setWidth(width);
  setHeight(height);
}

void AppWindow::setSize(int32_t width, int32_t height) {
  setWidth(width);
  setHeight(height);
}

void AppWindow::deleteBounds() {
  map::IMappedData* settings = store();
  if (settings == nullptr) {
    return;
  }
  for (const WCHAR* key : {u"X", u"Y", u"Width", u"Height"}) {
    settings->removeKey(makeSettingsKey(m_viewSection), key);
  }
}

bool AppWindow::isWidthValid() {
  int32_t width = getWidth();
  return width >= 10 && width <= GetSystemMetrics(SM_CXVIRTUALSCREEN);
}

bool AppWindow::isHeightValid() {
  int32_t height = getHeight();
  return height >= 10 && height <= GetSystemMetrics(SM_CYVIRTUALSCREEN);
}

bool AppWindow::hasViewValue(const WCHAR* key) {
  map::IMappedData* settings = store();
  return settings != nullptr && settings->hasKey(makeSettingsKey(m_viewSection), key);
}

int32_t AppWindow::getViewValue(const WCHAR* key, int32_t defaultValue) {
  map::IMappedData* settings = store();
  return settings != nullptr ? settings->getInt32(makeSettingsKey(m_viewSection), key, defaultValue)
                             : defaultValue;
}

void AppWindow::setViewValue(const WCHAR* key, int32_t value) {
  if (map::IMappedData* settings = store()) {
    settings->setInt32(makeSettingsKey(m_viewSection), key, value);
  }
}

bool AppWindow::getFlag(const WCHAR* key, bool defaultValue) {
  map::IMappedData* settings = store();
  return settings != nullptr ? settings->getBool(makeSettingsKey(u"View"), key, defaultValue)
                             : defaultValue;
}

void AppWindow::setFlag(const WCHAR* key, bool on) {
  if (map::IMappedData* settings = store()) {
    settings->setBool(makeSettingsKey(u"View"), key, on);
  }
}

const WCHAR* AppWindow::matchAction(const WCHAR* text) {
  if (text == nullptr) {
    return nullptr;
  }
  for (const WCHAR* action : {kDoNothing, kIconize, kClose}) {
    if (sameTextIgnoreCase(text, action)) {
      return action;
    }
  }
  return nullptr;
}

const WCHAR* AppWindow::readOnMClick() {
  map::IMappedData* settings = store();
  if (settings == nullptr) {
    return m_middleClick;
  }
  return settings->getString(makeSettingsKey(u"View"), u"OnMClick", m_middleClick, nullptr, false);
}

bool AppWindow::isCloseOnMClick() {
  const WCHAR* action = matchAction(readOnMClick());
  m_middleClick = action != nullptr ? action : kDoNothing;
  return m_middleClick == kClose;
}

bool AppWindow::isIconizeOnMClick() {
  const WCHAR* action = matchAction(readOnMClick());
  m_middleClick = action != nullptr ? action : kDoNothing;
  return m_middleClick == kIconize;
}

const WCHAR* AppWindow::getOnMClick() {
  const WCHAR* action = matchAction(readOnMClick());
  return action != nullptr ? action : kDoNothing;
}

void AppWindow::setOnMClick(const WCHAR* action) {
  const WCHAR* known = matchAction(action);
  if (known == nullptr) {
    known = kDoNothing;
  }
  if (known == m_middleClick) {
    return;
  }
  m_middleClick = known;
  if (map::IMappedData* settings = store()) {
    settings->setString(makeSettingsKey(u"View"), u"OnMClick", known);
  }
}

bool AppWindow::announcesNewerVersion(const WCHAR* reply, const WCHAR* version) {
  if (reply == nullptr || lengthOf(reply) < 5 || reply[0] != u'*') {
    return false;
  }
  return !contains(reply, version != nullptr ? version : u"");
}

HWND AppWindow::handleOf(gui::IWindow* window) {
  return window != nullptr ? window->getHandle() : nullptr;
}

void AppWindow::checkForUpdate(gui::IWindow* owner) {
  lang::Localizer* localizer = owner != nullptr ? owner->getLocalizer() : getLocalizer();
  if (localizer == nullptr || *localizer->getText(kNewerVersionTextId) == 0 ||
      m_appBase == nullptr) {
    return;
  }
  // Without the address of a version page there is nothing to ask: no stamp, no network.
  if (*m_appBase->getVersionPageUrl() == 0) {
    return;
  }
  map::IMappedData* settings = store();
  if (settings == nullptr) {
    return;
  }
  const int32_t now = static_cast<int32_t>(time::currentTimeMillis() / 1000 / 3600);
  const int32_t stamp = settings->getInt32(makeSettingsKey(u"Version"), u"Update", 0);
  if (stamp == 0) {
    // The first start only remembers when it ran.
    settings->setInt32(makeSettingsKey(u"Version"), u"Update", now);
    return;
  }
  if (now < stamp + kUpdateIntervalHours || m_appBase->hasIrregularVersionText() ||
      !system::network::win::isConnected()) {
    return;
  }

  m_scratch1->assign(m_appBase->getVersionPageUrl());
  m_scratch1->append(u"check/");
  bool newer = false;
  if (auto* downloader = system::network::win::Downloader::take()) {
    downloader->setUrl(m_scratch1->getCStr());
    downloader->setReadReply(true);
    if (downloader->run(kUpdateTimeoutMs, nullptr, 0, 0)) {
      newer = announcesNewerVersion(downloader->getReplyText(), m_appBase->getVersionText());
    }
    downloader->release();
  }
  if (newer) {
    // The question is titled and opened by the "improved version" text; the gate above reads
    // the "newer version" one.
    m_scratch1->assign(localizer->getText(kImprovedVersionTextId));
    m_scratch1->append(u" \r\n");
    m_scratch1->append(localizer->getText(kCheckItOutTextId));
    m_scratch2->assign(localizer->getText(kImprovedVersionTextId));
    gui::dialogs::FlexAsker* asker = gui::dialogs::makeFlexAsker(m_appBase);
    asker->setYesTextId(gui::dialogs::FlexAsker::kYesTextId);
    asker->setNoTextId(gui::dialogs::FlexAsker::kNoTextId);
    asker->setCheckBoxTextId(gui::dialogs::FlexAsker::kCheckBoxTextId);
    asker->setShowCheckBox(false);
    const bool yes = asker->ask(handleOf(owner), m_scratch2->getCStr(), m_scratch1->getCStr()) &&
                     asker->getAnswer();
    asker->release();
    if (yes) {
      system::win::shellOpen(m_appBase->getProductPageUrl());
    }
  }
  settings->setInt32(makeSettingsKey(u"Version"), u"Update", now);
}

void AppWindow::beginTaskbarProgress(gui::IWindow* window) {
  if (m_taskbar != nullptr) {
    m_taskbar->SetProgressState(handleOf(window), TBPF_INDETERMINATE);
  }
}

void AppWindow::setTaskbarProgress(gui::IWindow* window, int32_t total, int32_t done) {
  if (m_taskbar != nullptr) {
    m_taskbar->SetProgressValue(handleOf(window),
                                static_cast<ULONGLONG>(static_cast<int64_t>(done)),
                                static_cast<ULONGLONG>(static_cast<int64_t>(total)));
  }
}

void AppWindow::endTaskbarProgress(gui::IWindow* window) {
  if (m_taskbar != nullptr) {
    m_taskbar->SetProgressState(handleOf(window), TBPF_NOPROGRESS);
  }
}

}  // namespace s::app::win
