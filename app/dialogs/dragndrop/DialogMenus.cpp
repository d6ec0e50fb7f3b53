// The converter window's menus: the menu bar with its File, View, Language and About menus, and
// what their commands do.
#include "app/dialogs/dragndrop/Dialog.h"

#include "app/win/AppBase.h"
#include "app/win/AppWindow.h"
#include "core/file/win/PathWin.h"
#include "core/file/win/Shortcuts.h"
#include "core/file/win/ShownPath.h"
#include "core/map/IMappedData.h"
#include "core/str/strarray/StrArray.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "core/system/win/Shell.h"
#include "gui/dialogs/About3.h"
#include "gui/dialogs/win/FileOpener.h"
#include "gui/dialogs/win/FolderSelector.h"
#include "gui/menuitem/MenuItem.h"
#include "gui/win/CheckBox.h"
#include "gui/win/MenuEx.h"
#include "gui/win/PopupMenu.h"
#include "gui/win/Window.h"
#include "platform/lang/LangPack.h"
#include "platform/lang/Localizer.h"
#include "skin/drawer/Skinner.h"

namespace s::gui::dialogs::dragndrop {

namespace {

using file::win::PathWin;

// The web pages the menus open: translating, more programs.
constexpr int32_t kTranslatePageTextId = 108500;
constexpr int32_t kMoreSoftwarePageTextId = 108000;
// The menus' titles and entries.
constexpr int32_t kFileMenuTextId = 608000;
constexpr int32_t kBrowseTextId = 608100;
// The browse dialog's one filter: its description and its pattern.
constexpr int32_t kBrowseFilterTextId = 608120;
constexpr int32_t kBrowsePatternTextId = 608121;
constexpr int32_t kOutputFolderMenuTextId = 608200;
// Each output-folder entry has a short text for its own sub-menu and an "Output to:" text for the
// File menu.
constexpr int32_t kSameFolderTextId = 608210;
constexpr int32_t kSameFolderInFileMenuTextId = 608211;
constexpr int32_t kSubFolderTextId = 608220;
constexpr int32_t kSubFolderInFileMenuTextId = 608221;
constexpr int32_t kDesktopTextId = 608230;
constexpr int32_t kDesktopInFileMenuTextId = 608231;
constexpr int32_t kOtherFolderTextId = 608250;
constexpr int32_t kOtherFolderInFileMenuTextId = 608251;
/// "Output to: ", before the chosen folder's path in the File menu.
constexpr int32_t kCustomFolderInFileMenuTextId = 608249;
/// The folder browser's prompt for another output folder.
constexpr int32_t kChooseFolderPromptTextId = 608255;
constexpr int32_t kViewMenuTextId = 609000;
constexpr int32_t kKeepOnTopMenuTextId = 609100;
constexpr int32_t kRightClickTransformTextId = 609200;
constexpr int32_t kEasyDragTextId = 609300;
constexpr int32_t kCloseOnMiddleClickTextId = 609350;
constexpr int32_t kAskConfirmationTextId = 400390;
constexpr int32_t kLanguageMenuTextId = 700000;
constexpr int32_t kTranslateTextId = 700001;
constexpr int32_t kAboutMenuTextId = 701000;
constexpr int32_t kVersionInformationTextId = 701100;
constexpr int32_t kProductPageTextId = 701200;
constexpr int32_t kFeedbackTextId = 701300;
constexpr int32_t kMoreSoftwareTextId = 107000;

menuitem::MenuItem* menuEntry(int32_t commandId, int32_t textId, lang::Localizer* localizer) {
  menuitem::MenuItem* item = menuitem::MenuItem::take();
  item->commandId = commandId;
  item->localizer = localizer;
  if (textId >= 0) {
    item->setTextId(textId);
  }
  return item;
}

menuitem::MenuItem* separatorEntry() {
  menuitem::MenuItem* item = menuitem::MenuItem::take();
  item->separator = true;
  return item;
}

gui::win::PopupMenu* makeMenu(int32_t titleId, lang::Localizer* localizer) {
  gui::win::PopupMenu* menu = gui::win::PopupMenu::take();
  menu->setLocalizer(localizer);
  menu->setTitleId(titleId);
  return menu;
}
}  // namespace

void Dialog::buildFileMenu() {
  lang::Localizer* texts = m_localizer;
  m_fileMenu = makeMenu(kFileMenuTextId, texts);
  m_fileMenu->add(menuEntry(kCommandBrowse, kBrowseTextId, texts));
  m_fileMenu->add(separatorEntry());
  const bool inFileMenu = putsOutputFolderInFileMenu();
  if (inFileMenu) {
    m_outputFolderMenu = m_fileMenu;
  } else {
    m_outputFolderMenu = makeMenu(kOutputFolderMenuTextId, texts);
  }
  m_outputFolderMenu->add(menuEntry(kCommandOutputSameFolder,
                                    inFileMenu ? kSameFolderInFileMenuTextId : kSameFolderTextId,
                                    texts));
  m_outputFolderMenu->add(menuEntry(
      kCommandOutputSubFolder, inFileMenu ? kSubFolderInFileMenuTextId : kSubFolderTextId, texts));
  m_outputFolderMenu->add(menuEntry(kCommandOutputDesktop,
                                    inFileMenu ? kDesktopInFileMenuTextId : kDesktopTextId, texts));
  if (m_customOutputPath->getLength() != 0) {
    m_outputFolderMenu->add(menuEntry(kCommandOutputCustom, -1, texts));
    makeCustomEntryText();
  }
  m_outputFolderMenu->add(separatorEntry());
  m_outputFolderMenu->add(menuEntry(
      kCommandOtherFolder, inFileMenu ? kOtherFolderInFileMenuTextId : kOtherFolderTextId, texts));
  switch (m_outputFolderSetting) {
    case kOutputSubFolder: m_outputFolderMenu->checkRadioById(kCommandOutputSubFolder); break;
    case kOutputDesktop: m_outputFolderMenu->checkRadioById(kCommandOutputDesktop); break;
    case kOutputCustom:
      if (m_customOutputPath->getLength() != 0) {
        m_outputFolderMenu->checkRadioById(kCommandOutputCustom);
        break;
      }
      [[fallthrough]];
    default:
      m_outputFolderSetting = kOutputSameFolder;
      m_outputFolderMenu->checkRadioById(kCommandOutputSameFolder);
      break;
  }
  if (!inFileMenu) {
    m_fileMenu->addSubMenu(m_outputFolderMenu);
  }
}

void Dialog::buildMenus() {
  lang::Localizer* texts = m_localizer;
  if (hasOutputFolderOptions()) {
    buildFileMenu();
  }
  m_languageMenu = makeMenu(kLanguageMenuTextId, texts);
  m_languageMenu->add(menuEntry(kCommandTranslate, kTranslateTextId, texts));
  m_languageMenu->add(separatorEntry());
  if (texts != nullptr) {
    for (int32_t i = 0; i < texts->getPackCount() && kCommandFirstLanguage + i < kCommandKeepOnTop;
         ++i) {
      menuitem::MenuItem* item = menuEntry(kCommandFirstLanguage + i, -1, texts);
      lang::LangPack* pack = texts->getPack(i);
      item->text->assign(pack != nullptr ? pack->getTrueName()->getCStr() : u"");
      m_languageMenu->add(item);
    }
    m_languageMenu->checkRadioById(kCommandFirstLanguage + texts->getCurrentIndex());
  }
  m_rightClickTransform = m_settings == nullptr ||
                          m_settings->getBool(settingsKey(u"View"), u"RightClickTransform", true);
  m_viewMenu = makeMenu(kViewMenuTextId, texts);
  menuitem::MenuItem* item = menuEntry(kCommandKeepOnTop, kKeepOnTopMenuTextId, texts);
  item->checked = m_appWindow != nullptr && m_appWindow->isKeepOnTop();
  m_viewMenu->add(item);
  if (hasRightClickTransform()) {
    item = menuEntry(kCommandRightClickTransform, kRightClickTransformTextId, texts);
    item->checked = m_rightClickTransform;
    m_viewMenu->add(item);
  }
  item = menuEntry(kCommandEasyDrag, kEasyDragTextId, texts);
  item->checked = m_appWindow != nullptr && m_appWindow->isEasyDrag();
  m_viewMenu->add(item);
  item = menuEntry(kCommandCloseOnMClick, kCloseOnMiddleClickTextId, texts);
  item->checked = m_appWindow != nullptr && m_appWindow->isCloseOnMClick();
  m_viewMenu->add(item);
  if (hasAskConfirmation()) {
    m_askConfirmation = m_settings == nullptr ||
                        m_settings->getBool(settingsKey(u"View"), u"AskConfirmation", true);
    m_viewMenu->add(separatorEntry());
    item = menuEntry(kCommandAskConfirmation, kAskConfirmationTextId, texts);
    item->checked = m_askConfirmation;
    m_viewMenu->add(item);
  }
  m_menuBar = gui::win::MenuEx::take();
  m_menuBar->setWidthPercent(100);
  m_menuBar->setEntrySpacing(kMenuEntrySpacing, kMenuEntryPadding);
  m_menuBar->setShrinkable(true);
  if (m_fileMenu != nullptr) {
    m_menuBar->addMenu(m_fileMenu);
  }
  m_menuBar->addMenu(m_viewMenu);
  m_menuBar->addMenu(m_languageMenu);
  gui::win::PopupMenu* about = makeMenu(kAboutMenuTextId, texts);
  about->add(menuEntry(kCommandAbout, kVersionInformationTextId, texts));
  about->add(separatorEntry());
  about->add(menuEntry(kCommandProductPage, kProductPageTextId, texts));
  about->add(menuEntry(kCommandFeedback, kFeedbackTextId, texts));
  about->add(separatorEntry());
  about->add(menuEntry(kCommandMoreSoftware, kMoreSoftwareTextId, texts));
  m_menuBar->addMenu(about);
}

int32_t Dialog::firstOutputEntryPosition() { return putsOutputFolderInFileMenu() ? 2 : 0; }

const WCHAR* Dialog::getCustomOutputPath() { return m_customOutputPath->getCStr(); }

void Dialog::makeCustomEntryText() {
  m_workText->clear();
  if (putsOutputFolderInFileMenu() && m_localizer != nullptr) {
    m_workText->append(m_localizer->getText(kCustomFolderInFileMenuTextId));
  }
  m_workText->append(u"\"");
  s::file::win::appendShownPath(m_workText, m_customOutputPath->getCStr());
  m_workText->append(u"\"");
  m_outputFolderMenu->setText(kCommandOutputCustom, m_workText->getCStr());
}

void Dialog::openLanguageText(int32_t textId) {
  if (m_localizer != nullptr) {
    system::win::shellOpen(m_localizer->getText(textId));
  }
}

const WCHAR* Dialog::browseFolder(const WCHAR* key) {
  const WCHAR* desktop = file::win::getDesktopPathCached()->getCStr();
  if (m_settings == nullptr) {
    return desktop;
  }
  return m_settings->getString(settingsKey(u"File"), key, desktop, nullptr, false);
}

void Dialog::browseAndProcess() {
  auto* opener = gui::dialogs::win::FileOpener::take();
  opener->setOpenMode(true, true);
  opener->setInitialFolder(browseFolder(u"LastBrowsedFileLoadDirPath"));
  if (m_localizer != nullptr) {
    opener->addFilter(m_localizer->getText(kBrowseFilterTextId),
                      m_localizer->getText(kBrowsePatternTextId));
  } else {
    opener->addFilter(u"*.*", u"*.*");
  }
  str::strarray::StrArray* chosen = str::strarray::StrArray::take();
  if (opener->run(m_window)) {
    str::strarray::StrArray* paths = opener->getPaths();
    for (uint32_t i = 0; i < paths->getCount(); ++i) {
      chosen->addText(paths->get(i)->getCStr());
    }
    if (chosen->getCount() != 0) {
      PathWin* first = PathWin::take()->setPathText(chosen->get(0)->getCStr());
      PathWin* folder = first->newParent();
      if (folder != nullptr && folder->exists() && folder->isDirectory() && m_settings != nullptr) {
        m_settings->setString(settingsKey(u"File"), u"LastBrowsedFileLoadDirPath",
                              folder->getFullPath());
      }
      if (folder != nullptr) {
        folder->release();
      }
      first->release();
    }
  }
  opener->release();
  onFilesDropped(chosen);
  chosen->release();
}

void Dialog::chooseOutputFolder(int32_t command) {
  int32_t setting = kOutputSameFolder;
  if (command == kCommandOutputSubFolder) {
    setting = kOutputSubFolder;
  } else if (command == kCommandOutputDesktop) {
    setting = kOutputDesktop;
  } else if (command == kCommandOutputCustom && m_customOutputPath->getLength() != 0) {
    setting = kOutputCustom;
  }
  m_outputFolderSetting = setting;
  if (m_outputFolderMenu != nullptr) {
    m_outputFolderMenu->checkRadioById(setting == kOutputSubFolder ? kCommandOutputSubFolder
                                       : setting == kOutputDesktop ? kCommandOutputDesktop
                                       : setting == kOutputCustom  ? kCommandOutputCustom
                                                                   : kCommandOutputSameFolder);
  }
  if (m_settings != nullptr) {
    m_settings->setInt32(settingsKey(u"File"), u"OutputFolderSetting", setting);
  }
}

void Dialog::chooseOtherFolder() {
  auto* selector = gui::dialogs::win::FolderSelector::take();
  const WCHAR* prompt =
      m_localizer != nullptr ? m_localizer->getText(kChooseFolderPromptTextId) : u"";
  if (selector->run(m_window, browseFolder(u"LastBrowsedOutputDirPath"), prompt)) {
    setCustomOutputPath(selector->getFolder());
    m_outputFolderSetting = kOutputCustom;
    if (m_settings != nullptr) {
      const WCHAR* file = settingsKey(u"File");
      m_settings->setString(file, u"LastBrowsedOutputDirPath", m_customOutputPath->getCStr());
      m_settings->setInt32(settingsKey(u"File"), u"OutputFolderSetting", kOutputCustom);
      m_settings->setString(settingsKey(u"File"), u"OutputDirCustomPath0",
                            m_customOutputPath->getCStr());
    }
    if (m_outputFolderMenu != nullptr) {
      if (!m_outputFolderMenu->contains(kCommandOutputCustom)) {
        int32_t desktop = 0;
        if (!m_outputFolderMenu->indexOf(kCommandOutputDesktop, &desktop)) {
          desktop = firstOutputEntryPosition() + 2;
        }
        m_outputFolderMenu->insert(desktop + 1, menuEntry(kCommandOutputCustom, -1, m_localizer));
      }
      makeCustomEntryText();
      m_outputFolderMenu->checkRadioById(kCommandOutputCustom);
    }
  }
  selector->release();
}

void Dialog::showAboutWindow() {
  if (m_about == nullptr) {
    auto* skinner = gui::drawer::Skinner::take();
    skinner->setTypeName(u"ThinWindow");
    skinner->registerSkins();
    m_aboutDescription = app::win::AppWindow::take();
    m_aboutDescription->initialize(m_appWindow != nullptr ? m_appWindow->getAppBase() : nullptr,
                                   u"AboutWindow", nullptr, 340, 285, u"Close", skinner,
                                   u"Classic LG");
    m_about = gui::dialogs::About3::take();
    m_about->setWindowDescription(m_aboutDescription);
    m_about->setLocalizer(m_localizer);
    m_about->setSettings(m_settings);
    m_about->setSkinner(skinner);
  }
  m_about->open(m_window);
}

void Dialog::onMenuCommand(int32_t command) {
  const bool on = m_menuBar != nullptr && !m_menuBar->isChecked(command);
  if (command == kCommandTranslate) {
    openLanguageText(kTranslatePageTextId);
  } else if (command >= kCommandFirstLanguage && command < kCommandKeepOnTop) {
    if (m_localizer != nullptr && command - kCommandFirstLanguage < m_localizer->getPackCount()) {
      m_localizer->selectLanguageAt(command - kCommandFirstLanguage);
      m_languageMenu->checkRadioById(command);
      lang::LangPack* pack = m_localizer->getCurrentPack();
      if (pack != nullptr && m_appWindow != nullptr && m_appWindow->getAppBase() != nullptr) {
        m_appWindow->getAppBase()->setLanguage(pack->getEngName()->getCStr());
      }
      // Texts of another length need the room their boxes give them measured again from the
      // top (a box grows only in its parent's layout, so a longer text would stay cut), and a
      // window narrower than its new content grows to it, as at a change of view.
      if (m_window != nullptr) {
        m_window->doLayout();
        m_window->doLayout();
        m_window->fitToPreferredSize();
      }
    }
  } else if (command == kCommandKeepOnTop) {
    m_menuBar->setChecked(command, on);
    if (m_keepOnTop != nullptr) {
      m_keepOnTop->setChecked(on);
    }
    m_window->setKeepOnTop(on);
    if (m_appWindow != nullptr) {
      m_appWindow->setKeepOnTop(on);
    }
  } else if (command == kCommandRightClickTransform) {
    m_rightClickTransform = on;
    m_menuBar->setChecked(command, on);
    if (m_settings != nullptr) {
      m_settings->setBool(settingsKey(u"View"), u"RightClickTransform", on);
    }
  } else if (command == kCommandEasyDrag) {
    m_menuBar->setChecked(command, on);
    m_window->setEasyDrag(on);
    if (m_appWindow != nullptr) {
      m_appWindow->setEasyDrag(on);
    }
  } else if (command == kCommandCloseOnMClick) {
    m_menuBar->setChecked(command, on);
    m_window->setMiddleClickAction(on ? u"Close" : u"DoNothing");
    if (m_appWindow != nullptr) {
      m_appWindow->setOnMClick(on ? u"Close" : u"DoNothing");
    }
  } else if (command == kCommandAskConfirmation) {
    m_askConfirmation = on;
    m_menuBar->setChecked(command, on);
    if (m_settings != nullptr) {
      m_settings->setBool(settingsKey(u"View"), u"AskConfirmation", on);
    }
  } else if (command == kCommandBrowse) {
    browseAndProcess();
  } else if (command >= kCommandOutputCustom && command < kCommandOtherFolder) {
    chooseOutputFolder(command);
  } else if (command == kCommandOtherFolder) {
    chooseOtherFolder();
  } else if (command == kCommandAbout) {
    showAboutWindow();
  } else if (command == kCommandProductPage) {
    if (m_appWindow != nullptr && m_appWindow->getAppBase() != nullptr) {
      system::win::shellOpen(m_appWindow->getAppBase()->getProductPageUrl());
    }
  } else if (command == kCommandFeedback) {
    if (m_appWindow != nullptr) {
      openLanguageText(m_appWindow->getTitleTextId() + 4);
    }
  } else if (command == kCommandMoreSoftware) {
    openLanguageText(kMoreSoftwarePageTextId);
  }
}
}  // namespace s::gui::dialogs::dragndrop
