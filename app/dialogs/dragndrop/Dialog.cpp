// The drop-files-here converter window.
#include "app/dialogs/dragndrop/Dialog.h"

#include "app/win/AppBase.h"
#include "app/win/AppWindow.h"
#include "app/win/DisplayScale.h"
#include "app/win/StartUpTimes.h"
#include "core/file/win/PathArray.h"
#include "core/file/win/PathWin.h"
#include "core/file/win/Shortcuts.h"
#include "core/file/win/ShownPath.h"
#include "core/map/IMappedData.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "core/system/win/Shell.h"
#include "core/thread/win/Thread.h"
#include "gui/combobox/ComboBoxItem.h"
#include "gui/dialogs/About3.h"
#include "gui/dialogs/FlexAsker.h"
#include "gui/win/Box.h"
#include "gui/win/Button.h"
#include "gui/win/CheckBox.h"
#include "gui/win/ComboBox.h"
#include "gui/win/GroupBox.h"
#include "gui/win/Label.h"
#include "gui/win/MenuEx.h"
#include "gui/win/MessageBoxW.h"
#include "gui/win/ProgressBar.h"
#include "gui/win/Spacer.h"
#include "gui/win/StatusBar.h"
#include "gui/win/Window.h"
#include "platform/lang/LangPack.h"
#include "platform/lang/Localizer.h"
#include "skin/drawer/border/win/Plain.h"
#include "skin/drawer/border/win/UnderWindowMenu.h"

#include <crtwchar.h>

#include <mutex>

namespace s::gui::dialogs::dragndrop {

namespace {

using file::win::PathWin;
using gui::win::Box;
using gui::win::Label;
using gui::win::makeLabel;
using gui::win::makeLabelById;
using str::strbuffer::StrBuffer;

/// Window events of the frame.
constexpr int32_t kWindowClosing = 1;
constexpr int32_t kWindowUserEvent = 2;
constexpr int32_t kWindowRightButtonDown = 3;
constexpr int32_t kWindowRestored = 21;
/// Events of the widgets.
constexpr int32_t kFilesDropped = 1;
/// The largest total a progress bar's 16-bit range shows.
constexpr int64_t kProgressLimit = 32767;

// The language pack's texts of the window.
constexpr int32_t kKeepOnTopTextId = 1000000;
constexpr int32_t kDropHereTextId = 1002000;
constexpr int32_t kExtensionsTextId = 1003000;
constexpr int32_t kConvertToTextId = 1004000;
constexpr int32_t kCancelTextId = 1006050;
constexpr int32_t kMinimizeToTrayTextId = 1007009;
// The web page of the link in the status bar.
constexpr int32_t kLinkPageTextId = 101000;
/// The status bar's texts: normal weight, display size 8.
constexpr int32_t kStatusFontStyle = 100001;

// The window's layout, in pixels at display scale 1 (multiplied by the scale where it is built).
constexpr int32_t kCancelButtonHeight = 18;
constexpr int32_t kProgressBarWidth = 100;
constexpr int32_t kProgressBarHeight = 16;
constexpr int32_t kStatusInset = 2;
constexpr int32_t kLinkInset = 3;
constexpr int32_t kRightColumnGap = 4;
constexpr int32_t kMainAreaHorizontalGap = 10;
constexpr int32_t kMainAreaVerticalGap = 7;
constexpr int32_t kMainAreaInset = 8;
constexpr int32_t kTopStripHeight = 7;
constexpr int32_t kBottomGap = 3;
/// The drop box's content stays this far from its frame's sides, at every scale.
constexpr int32_t kDropBoxInset = 10;
// The colours: the frames of the drop box and the options panel, the drop box's hints, the link.
constexpr int32_t kFrameRed = 145;
constexpr int32_t kFrameGreen = 155;
constexpr int32_t kFrameBlue = 156;
constexpr int32_t kHintGrey = 119;
constexpr int32_t kLinkGrey = 51;
constexpr int32_t kLinkHoverBlue = 238;

// What `makeBox` takes, by name: its arrangements, alignments and sizes.
constexpr int32_t kRow = 0;
constexpr int32_t kColumn = 1;
constexpr int32_t kPile = 3;
constexpr int32_t kStart = 0;
constexpr int32_t kMiddle = 1;
constexpr int32_t kEnd = 2;
/// A percent of the parent's size: the whole of it, or none (the box takes what it needs).
constexpr int32_t kFull = 100;
constexpr int32_t kNone = -1;

/// A box's arrangement, sizes, alignments, gaps and insets; what is not named keeps its default.
struct BoxLayout {
  int32_t arrangement = kColumn;
  double widthPercent = kNone;
  double heightPercent = kNone;
  int32_t horizontalAlignment = kStart;
  int32_t verticalAlignment = kStart;
  int32_t horizontalGap = 0;
  int32_t verticalGap = 0;
  int32_t horizontalInsets = 0;
  int32_t verticalInsets = 0;
};

gui::win::Box* box(const BoxLayout& layout) {
  return gui::win::makeBox(layout.arrangement, layout.widthPercent, layout.heightPercent,
                           layout.horizontalAlignment, layout.verticalAlignment,
                           layout.horizontalGap, layout.verticalGap, layout.horizontalInsets,
                           layout.verticalInsets);
}

const WCHAR* asText(int64_t value) { return reinterpret_cast<const WCHAR*>(value); }
int64_t asArgument(const WCHAR* text) { return reinterpret_cast<int64_t>(text); }

bool sameText(const WCHAR* a, const WCHAR* b) {
  if (a == nullptr || b == nullptr) {
    return a == b;
  }
  for (; *a != 0 && *a == *b; ++a, ++b) {
  }
  return *a == *b;
}

/// Appends the text of `path` before its last name (separators at its end passed over): the
/// folder it is in, also for a path too long to be split into its parts.
void appendFolderText(StrBuffer* out, const WCHAR* path) {
  uint32_t end = static_cast<uint32_t>(wcslen(path));
  while (end != 0 && (path[end - 1] == u'\\' || path[end - 1] == u'/')) {
    --end;
  }
  while (end != 0 && path[end - 1] != u'\\' && path[end - 1] != u'/') {
    --end;
  }
  while (end > 1 && (path[end - 1] == u'\\' || path[end - 1] == u'/')) {
    --end;
  }
  out->appendRange(path, end, 0);
}

}  // namespace

Dialog::Dialog()
    : m_titleText(StrBuffer::take()),
      m_workText(StrBuffer::take()),
      m_customOutputPath(StrBuffer::take()),
      m_worker(thread::win::Thread::take()) {
  m_worker->setPriority(getNormalPriority());
}

Dialog::~Dialog() {
  m_worker->release();
  if (m_outputFolder != nullptr) {
    m_outputFolder->release();
  }
  if (m_about != nullptr) {
    m_about->release();
  }
  if (m_aboutDescription != nullptr) {
    m_aboutDescription->release();
  }
  m_customOutputPath->release();
  m_workText->release();
  m_titleText->release();
}

void Dialog::reset() {
  m_cancel.store(true, std::memory_order_release);
  m_worker->waitUntilIdle();
  m_cancel.store(false, std::memory_order_release);
  m_titleText->clear();
  m_workText->clear();
  m_appWindow = nullptr;
  m_settings = nullptr;
  m_localizer = nullptr;
  m_menuBar = nullptr;
  m_languageMenu = m_fileMenu = m_viewMenu = m_outputFolderMenu = nullptr;
  if (m_about != nullptr) {
    m_about->release();
    m_about = nullptr;
  }
  if (m_aboutDescription != nullptr) {
    m_aboutDescription->release();
    m_aboutDescription = nullptr;
  }
  m_compact = true;
  m_dropBox = nullptr;
  m_dropTopBox = m_leftColumn = m_rightColumn = m_mainArea = nullptr;
  m_buttonRow = m_linkBox = m_progressBox = nullptr;
  m_statusBar = nullptr;
  m_statusLabel = m_percentLabel = m_linkLabel = nullptr;
  m_keepOnTop = nullptr;
  m_viewButton = m_cancelButton = m_trayButton = nullptr;
  m_progressBar = nullptr;
  m_spacerAbove = m_spacerBelow = nullptr;
  m_typeSelector = m_optionsPanel = nullptr;
  m_progressMaximum = m_progressPosition = 0;
  m_rightClickTransform = true;
  m_askConfirmation = false;
  m_outputFolderSetting = kOutputSameFolder;
  m_customOutputPath->clear();
  if (m_outputFolder != nullptr) {
    m_outputFolder->release();
    m_outputFolder = nullptr;
  }
  m_displayScale = 1;
  m_viewSection = u"View";
  m_worker->setPriority(getNormalPriority());
  // The window owns the widget tree; giving it back destroys both.
  if (m_window != nullptr) {
    m_window->release();
    m_window = nullptr;
  }
  m_paths.clear();
  m_currentFileNumber = 0;
  m_running = false;
  m_inTray = m_lowerPriority = m_priorityLowered = false;
  m_summaryEnabled = true;
}

void Dialog::bind(app::win::AppWindow* appWindow, map::IMappedData* settings,
                  lang::Localizer* localizer) {
  m_appWindow = appWindow;
  m_settings = settings;
  m_localizer = localizer;
  m_displayScale = static_cast<int32_t>(app::win::getDisplayScale());
  m_viewSection = app::win::AppWindow::viewSectionFor(static_cast<uint32_t>(m_displayScale));
}

const WCHAR* Dialog::settingsKey(const WCHAR* subSection) {
  return m_appWindow != nullptr ? m_appWindow->makeSettingsKey(subSection) : subSection;
}

IComponent* Dialog::createTypeSelector() {
  gui::win::ComboBox* selector = gui::win::ComboBox::take();
  selector->setWidthPercent(100, false);
  return selector;
}

IComponent* Dialog::createOptionsPanel() {
  return box({.arrangement = kPile, .widthPercent = kFull});
}

IComponent* Dialog::createProcessOptions() {
  Box* options = box({.arrangement = kColumn});
  options->setFixedWidth(0, false);
  options->setFixedHeight(0, false);
  return options;
}

void Dialog::applyPriority(bool force) {
  const bool lower = !force && (m_lowerPriority || m_inTray);
  m_worker->setPriority(lower ? -2 : getNormalPriority());
  m_priorityLowered = lower;
}

void Dialog::setCustomOutputPath(const WCHAR* path) {
  m_customOutputPath->clear();
  m_customOutputPath->append(path != nullptr ? path : u"");
}

uint32_t Dialog::getPathCount() {
  std::lock_guard<thread::ObjLocker> guard(m_lock);
  return m_paths.getCount();
}

bool Dialog::startWorker() { return m_worker->start(this); }

void Dialog::waitUntilIdle() { m_worker->waitUntilIdle(); }

void Dialog::showOutputFolderError(const WCHAR* path) {
  const WCHAR* message =
      m_localizer != nullptr ? m_localizer->getText(kOutputFolderErrorId) : nullptr;
  m_workText->clear();
  m_workText->append(message != nullptr && *message != 0 ? message : kOutputFolderError);
  if (path != nullptr) {
    s::file::win::appendShownPath(m_workText->append(u"\r\n\""), path)->append(u"\"");
  }
  gui::win::showError(m_workText->getCStr());
}

bool Dialog::resolveOutputFolder(const WCHAR* firstPath) {
  if (m_outputFolder != nullptr) {
    m_outputFolder->release();
    m_outputFolder = nullptr;
  }
  if (m_outputFolderSetting == kOutputCustom && m_customOutputPath->getLength() == 0) {
    m_outputFolderSetting = kOutputSameFolder;
  }
  // The folder is made from its text: a first path too long for PathWin has no parts, and its
  // folder still has a text, which the message shows when it cannot be used.
  StrBuffer* tried = StrBuffer::take();
  if (m_outputFolderSetting == kOutputDesktop) {
    tried->append(file::win::getDesktopPathCached()->getCStr());
  } else if (m_outputFolderSetting == kOutputCustom) {
    tried->appendStr(m_customOutputPath);
  } else if (m_outputFolderSetting == kOutputSameFolder ||
             m_outputFolderSetting == kOutputSubFolder) {
    PathWin* source = PathWin::take()->setPathText(firstPath != nullptr ? firstPath : u"");
    if (source->isValid()) {
      PathWin* parent = source->newParent();
      tried->append(parent->getFullPath());
      parent->release();
    } else if (firstPath != nullptr) {
      appendFolderText(tried, firstPath);
    }
    source->release();
    if (tried->getLength() != 0 && m_outputFolderSetting == kOutputSubFolder) {
      const WCHAR* name = m_localizer != nullptr ? m_localizer->getText(kSubFolderNameId) : nullptr;
      tried->append(u"\\")->append(name != nullptr && *name != 0 ? name : u"Converted");
    }
  }
  PathWin* folder = PathWin::take()->setPath(tried);
  if (!folder->isValid()) {
    folder->release();
    showOutputFolderError(tried->getLength() != 0 ? tried->getCStr() : nullptr);
    tried->release();
    return false;
  }
  tried->release();
  if (createsMissingOutputFolder() && !folder->exists()) {
    folder->createDirectory(true);
  }
  bool usable = false;
  if (folder->exists()) {
    usable = (folder->isDirectory() || folder->isDriveOnly()) && folder->isReadWritable();
  } else if (!folder->isDriveOnly()) {
    PathWin* parent = folder->newParent();
    usable = parent != nullptr && parent->exists() &&
             (parent->isDirectory() || parent->isDriveOnly()) && parent->isReadWritable();
    if (parent != nullptr) {
      parent->release();
    }
  }
  if (!usable) {
    showOutputFolderError(folder->getFullPath());
    folder->release();
    return false;
  }
  m_outputFolder = folder;
  return true;
}

template <typename PathAt>
void Dialog::acceptDrop(int32_t count, PathAt&& pathAt) {
  if (count <= 0) {
    return;
  }
  {
    std::lock_guard<thread::ObjLocker> guard(m_lock);
    if (m_running) {
      return;
    }
  }
  // The confirmation and a refused folder show modal boxes, whose message loops may take another
  // drop or the end of a conversion: no lock is held while they wait for the user, and whether
  // a conversion runs is asked again once they are answered.
  if (m_askConfirmation && !confirmDrop()) {
    return;
  }
  // A refused folder discards the drop: a later drop must never convert these paths into its own
  // folder.
  if (!onConversionTypeChanged() || !resolveOutputFolder(pathAt(0))) {
    return;
  }
  std::lock_guard<thread::ObjLocker> guard(m_lock);
  if (m_running) {
    return;
  }
  for (int32_t i = 0; i < count; ++i) {
    m_paths.addText(pathAt(i));
  }
  m_running = true;
  if (!startWorker()) {
    m_running = false;
    m_paths.clear();
  }
}

bool Dialog::confirmDrop() {
  FlexAsker* asker = makeFlexAsker(m_appWindow != nullptr ? m_appWindow->getAppBase() : nullptr);
  if (m_localizer != nullptr) {
    asker->setLocalizer(m_localizer);
  }
  // An asker from the pool keeps what its last user set: this question is set up whole.
  asker->setYesTextId(FlexAsker::kYesTextId);
  asker->setNoTextId(FlexAsker::kNoTextId);
  asker->setCheckBoxTextId(FlexAsker::kCheckBoxTextId);
  asker->setShowCheckBox(true);
  const bool yes = asker->ask(m_window != nullptr ? m_window->getHandle() : nullptr,
                              getConfirmationTitle(), getConfirmationText()) &&
                   asker->getAnswer();
  if (asker->isDontAskAgain()) {
    m_askConfirmation = false;
    if (m_menuBar != nullptr) {
      m_menuBar->setChecked(kCommandAskConfirmation, false);
    }
    if (m_settings != nullptr) {
      m_settings->setBool(settingsKey(u"View"), u"AskConfirmation", false);
    }
  }
  asker->release();
  return yes;
}

void Dialog::onFilesDropped(const file::win::PathArray* paths) {
  if (paths == nullptr) {
    return;
  }
  acceptDrop(paths->getCount(), [paths](int32_t i) { return paths->getAt(i)->getFullPath(); });
}

void Dialog::onFilesDropped(const str::strarray::StrArray* paths) {
  if (paths == nullptr) {
    return;
  }
  acceptDrop(static_cast<int32_t>(paths->getCount()),
             [paths](int32_t i) { return paths->get(static_cast<uint32_t>(i))->getCStr(); });
}

void Dialog::scaleProgress(int64_t total, int64_t done, int32_t* maximum, int32_t* position) {
  if (total < 0) {
    total = 0;
  }
  if (done < 0) {
    done = 0;
  }
  while (total > kProgressLimit) {
    total /= 2;
    done /= 2;
  }
  if (done > total) {
    done = total;
  }
  *maximum = static_cast<int32_t>(total + 1);
  *position = static_cast<int32_t>(done + 1);
}

void Dialog::reportProgress(int64_t total, int64_t done, const WCHAR* name) {
  if (m_appWindow != nullptr && m_window != nullptr) {
    int32_t maximum = 0;
    int32_t position = 0;
    scaleProgress(total, done, &maximum, &position);
    m_appWindow->setTaskbarProgress(m_window, maximum, position);
  }
  sendStatusEvent(kStatusUpdate, total, done, name);
}

void Dialog::cancel(bool wait) {
  m_cancel.store(true, std::memory_order_release);
  if (wait) {
    m_worker->waitUntilIdle();
    m_cancel.store(false, std::memory_order_release);
    return;
  }
  setStatusText(u"Canceling..");
}

void Dialog::setStatusText(const WCHAR* text) {
  m_titleText->clear();
  m_titleText->append(text != nullptr ? text : u"");
  if (m_statusLabel != nullptr) {
    m_statusLabel->setText(m_titleText->getCStr(), true);
  }
}

const WCHAR* Dialog::getStatusText() { return m_titleText->getCStr(); }

void Dialog::sendStatusEvent(const WCHAR* name, int64_t total, int64_t done, const WCHAR* text) {
  if (m_window != nullptr && !m_window->isClosed()) {
    m_window->sendUserEvent(asArgument(name), total, done, asArgument(text));
    return;
  }
  if (m_window == nullptr) {
    onStatusEvent(name, total, done, text);
  }
}

void Dialog::onStatusEvent(const WCHAR* name, int64_t total, int64_t done, const WCHAR* text) {
  if (sameText(name, kStatusStart)) {
    if (m_linkBox != nullptr) {
      m_linkBox->setFixedWidth(0, false);
      m_progressBox->setFixedWidth(-1, false);
    }
    m_progressMaximum = 1000;
    m_progressPosition = 0;
    if (m_progressBar != nullptr) {
      m_progressBar->setRange(0, 1000);
      m_progressBar->setPosition(0);
    }
    if (m_statusBar != nullptr) {
      m_statusBar->doLayout();
    }
  } else if (sameText(name, kStatusUpdate)) {
    if (isCancelRequested()) {
      return;
    }
    int32_t maximum = 0;
    int32_t position = 0;
    scaleProgress(total, done, &maximum, &position);
    // Only what changed reaches the widgets; painting is left to the window's own paint.
    if (maximum != m_progressMaximum && m_progressBar != nullptr) {
      m_progressBar->setRange(0, maximum);
    }
    if ((position != m_progressPosition || maximum != m_progressMaximum) &&
        m_progressBar != nullptr) {
      m_progressBar->setPosition(position);
    }
    m_progressMaximum = maximum;
    m_progressPosition = position;
    if (!sameText(m_titleText->getCStr(), text != nullptr ? text : u"")) {
      setStatusText(text);
    }
  } else if (sameText(name, kStatusEnd)) {
    m_progressMaximum = 1;
    m_progressPosition = 1;
    if (m_progressBar != nullptr) {
      m_progressBar->setRange(0, 1);
      m_progressBar->setPosition(1);
    }
    if (m_percentLabel != nullptr) {
      m_percentLabel->setText(u"", true);
    }
    const WCHAR* doneText = m_localizer != nullptr ? m_localizer->getText(kDoneTextId) : u"Done!";
    setStatusText(doneText);
    const WCHAR* ready = m_localizer != nullptr ? m_localizer->getText(kReadyTextId) : u"Ready";
    setStatusText(ready);
    if (m_linkBox != nullptr) {
      m_progressBox->setFixedWidth(0, false);
      m_linkBox->setFixedWidth(-1, false);
      m_statusBar->doLayout();
    }
    if (m_summaryEnabled) {
      showFinishSummary();
    }
    std::lock_guard<thread::ObjLocker> guard(m_lock);
    m_paths.clear();
    m_currentFileNumber = 0;
    m_cancel.store(false, std::memory_order_release);
    m_running = false;
  }
}

void Dialog::run() {
  if (m_appWindow != nullptr && m_window != nullptr) {
    m_appWindow->beginTaskbarProgress(m_window);
  }
  sendStatusEvent(kStatusStart, 0, 0, nullptr);
  for (uint32_t i = 0; !isCancelRequested(); ++i) {
    int64_t count = 0;
    {
      // The lock is not held across the synchronous sends: the UI thread may be waiting for it
      // in a drop.
      std::lock_guard<thread::ObjLocker> guard(m_lock);
      count = m_paths.getCount();
      if (i >= count) {
        break;
      }
      m_currentFileNumber = static_cast<int32_t>(i + 1);
    }
    if (m_appWindow != nullptr && m_window != nullptr) {
      m_appWindow->setTaskbarProgress(m_window, static_cast<int32_t>(count),
                                      static_cast<int32_t>(i));
    }
    sendStatusEvent(kStatusUpdate, count, i, u"EntryName");
  }
  if (m_appWindow != nullptr && m_window != nullptr) {
    m_appWindow->endTaskbarProgress(m_window);
  }
  sendStatusEvent(kStatusEnd, 0, 0, nullptr);
}

void Dialog::onEvent(base::IObject* source, int32_t eventId) {
  const bool fromWindow = m_window != nullptr && source == static_cast<base::IObject*>(m_window);
  if (fromWindow && eventId == kWindowClosing) {
    storeViewSize(m_compact);
  }
  if (onSelectorChanged(source, eventId)) {
    return;
  }
  if (m_keepOnTop != nullptr && source == static_cast<base::IObject*>(m_keepOnTop)) {
    m_window->setKeepOnTop(m_keepOnTop->isChecked());
    if (m_menuBar != nullptr) {
      m_menuBar->setChecked(kCommandKeepOnTop, m_keepOnTop->isChecked());
    }
    if (m_appWindow != nullptr) {
      m_appWindow->setKeepOnTop(m_keepOnTop->isChecked());
    }
  } else if (fromWindow && eventId == kWindowRestored) {
    m_inTray = false;
  } else if (fromWindow && eventId == kWindowClosing) {
    cancel(false);
  } else if (fromWindow && eventId == kWindowRightButtonDown) {
    if (hasRightClickTransform() && m_rightClickTransform) {
      switchView();
    }
  } else if (m_linkLabel != nullptr && source == static_cast<base::IObject*>(m_linkLabel)) {
    if (m_localizer != nullptr) {
      system::win::shellOpen(m_localizer->getText(kLinkPageTextId));
    }
  } else if (m_viewButton != nullptr && source == static_cast<base::IObject*>(m_viewButton)) {
    if (hasRightClickTransform()) {
      switchView();
    }
  } else if (m_typeSelector != nullptr &&
             source ==
                 static_cast<base::IObject*>(static_cast<gui::win::ComboBox*>(m_typeSelector))) {
    auto* selector = static_cast<gui::win::ComboBox*>(m_typeSelector);
    const int32_t index = selector->getSelectedIndex();
    if (m_optionsPanel != nullptr) {
      static_cast<gui::win::Box*>(m_optionsPanel)->showOnly(index);
    }
    m_window->doLayout();
    m_window->doLayout();
    m_window->fitToPreferredSize();
    combobox::ComboBoxItem* item = selector->getSelectedItem();
    if (item != nullptr && m_settings != nullptr) {
      m_settings->setString(settingsKey(u"View"), u"ConvertTo", item->text->getCStr());
    }
  } else if (m_cancelButton != nullptr && source == static_cast<base::IObject*>(m_cancelButton)) {
    cancel(false);
  } else if (m_dropBox != nullptr && source == static_cast<base::IObject*>(m_dropBox) &&
             eventId == kFilesDropped) {
    onFilesDropped(m_dropBox->getDroppedPaths());
  } else if (m_menuBar != nullptr && source == static_cast<base::IObject*>(m_menuBar)) {
    onMenuCommand(m_menuBar->getSelectedId());
  } else if (fromWindow && eventId == kWindowUserEvent) {
    onStatusEvent(asText(m_window->getUserEventArg1()), m_window->getUserEventArg2(),
                  m_window->getUserEventArg3(), asText(m_window->getUserEventArg4()));
  } else if (m_trayButton != nullptr && source == static_cast<base::IObject*>(m_trayButton)) {
    m_inTray = true;
    m_window->hideToTray();
  }
}

void Dialog::readOutputFolderSettings() {
  if (!hasOutputFolderOptions() || m_settings == nullptr) {
    return;
  }
  m_outputFolderSetting = m_settings->getInt32(settingsKey(u"File"), u"OutputFolderSetting",
                                               getDefaultOutputFolderSetting());
  setCustomOutputPath(
      m_settings->getString(settingsKey(u"File"), u"OutputDirCustomPath0", u"", nullptr, false));
  if (m_outputFolderSetting != kOutputSameFolder && m_outputFolderSetting != kOutputSubFolder &&
      m_outputFolderSetting != kOutputDesktop &&
      !(m_outputFolderSetting == kOutputCustom && m_customOutputPath->getLength() != 0)) {
    m_outputFolderSetting = kOutputSameFolder;
  }
}

void Dialog::buildDropBox() {
  m_dropBox = gui::win::makeDropBox(kFull, kFull);
  m_dropBox->getContent()->alignMiddle();
  m_dropBox->getContent()->alignCenter();
  m_dropBox->getContent()->setHorizontalInsets(kDropBoxInset);
  m_dropBox->setFrameColor(kFrameRed, kFrameGreen, kFrameBlue);
  m_dropBox->setAcceptFiles(true);
  // The invitation, between empty lines: what to drop, and the kinds of files taken.
  Label* firstEmpty = makeLabel(u"", true, true, 0);
  Label* dropText = makeLabelById(kDropHereTextId, true, false, 0);
  dropText->setTextColor(kHintGrey, kHintGrey, kHintGrey);
  Label* secondEmpty = makeLabel(u"", true, false, 0);
  Label* extensions = makeLabelById(kExtensionsTextId, true, false, 0);
  extensions->setTextColor(kHintGrey, kHintGrey, kHintGrey);
  Label* thirdEmpty = makeLabel(u"", true, false, 0);
  m_dropTopBox = box({.arrangement = kColumn, .widthPercent = kFull});
  m_dropTopBox->add(firstEmpty);
  m_dropTopBox->add(dropText);
  m_dropTopBox->add(secondEmpty);
  m_dropTopBox->add(extensions);
  m_dropTopBox->add(thirdEmpty);
  m_dropBox->add(m_dropTopBox);
}

void Dialog::buildStatusBar() {
  const int32_t s = m_displayScale;
  // The progress box (hidden until a run starts): the bar, a spacer and the cancel button.
  m_cancelButton = gui::win::makeButton(kCancelTextId, kNone, kCancelButtonHeight * s);
  if (getCancelButtonWidth() >= 0) {
    m_cancelButton->setFixedWidth(getCancelButtonWidth());
  }
  m_progressBar = gui::win::ProgressBar::take();
  m_progressBar->setFixedWidth(kProgressBarWidth * s);
  m_progressBar->setFixedHeight(kProgressBarHeight * s);
  m_progressBox = box({.arrangement = kRow,
                       .heightPercent = kFull,
                       .verticalAlignment = kMiddle,
                       .horizontalInsets = kStatusInset * s});
  m_progressBox->setFixedWidth(0, false);
  gui::win::Spacer* progressSpacer = gui::win::Spacer::take();
  progressSpacer->setHorizontal();
  progressSpacer->setFixedWidth(getProgressSpacerWidth());
  m_progressBox->add(m_progressBar);
  m_progressBox->add(progressSpacer);
  m_progressBox->add(m_cancelButton);
  // The link box, shown while no run is going.
  m_linkBox = box({.arrangement = kRow,
                   .heightPercent = kFull,
                   .verticalAlignment = kMiddle,
                   .horizontalInsets = kLinkInset * s});
  m_linkLabel = makeLabel(u"tovi", false, false, kStatusFontStyle);
  m_linkLabel->setClickable(true);
  m_linkLabel->getLinkFont()->setTextColor(kLinkGrey, kLinkGrey, kLinkGrey);
  m_linkLabel->getLinkHoverFont()->setTextColor(0, 0, kLinkHoverBlue);
  m_linkBox->add(m_linkLabel);
  // The text box: the status and the percent done.
  Box* textBox = box({.arrangement = kRow,
                      .widthPercent = kFull,
                      .heightPercent = kFull,
                      .verticalAlignment = kMiddle,
                      .horizontalInsets = kStatusInset * s});
  m_statusLabel = makeLabelById(kReadyTextId, false, true, kStatusFontStyle);
  m_percentLabel = makeLabel(u"", false, false, kStatusFontStyle);
  textBox->add(m_statusLabel);
  textBox->add(m_percentLabel);
  m_statusBar = gui::win::makeStatusBar(kStatusInset * s, kStatusInset * s);
  m_statusBar->add(textBox);
  m_statusBar->add(m_linkBox);
  m_statusBar->add(m_progressBox);
}

void Dialog::buildRightColumn() {
  const int32_t s = m_displayScale;
  // The view switch, and the tray button, which shows only as a size of nothing.
  m_viewButton = gui::win::makeButton(kAdvancedViewTextId, kFull, -1);
  m_trayButton = gui::win::makeButton(kMinimizeToTrayTextId, kNone, -1);
  m_trayButton->setFixedWidth(0);
  m_trayButton->setFixedHeight(0);
  m_buttonRow = box({.arrangement = kRow, .widthPercent = kFull});
  m_buttonRow->add(m_trayButton);
  m_buttonRow->add(m_viewButton);

  m_typeSelector = createTypeSelector();
  m_optionsPanel = createsOptionPagesOnSelection()
                       ? box({.arrangement = kPile, .widthPercent = kFull})
                       : createOptionsPanel();
  Box* typeRow = box({.arrangement = kRow, .widthPercent = kFull, .verticalAlignment = kMiddle});
  typeRow->add(makeLabelById(kConvertToTextId, false, false, 0));
  typeRow->add(m_typeSelector);
  if (!showsTypeSelector()) {
    typeRow->setFixedHeight(0, false);
  }
  m_rightColumn = box({.arrangement = kColumn,
                       .widthPercent = kFull,
                       .verticalAlignment = kMiddle,
                       .verticalGap = kRightColumnGap * s});
  m_rightColumn->add(typeRow);
  m_rightColumn->add(m_optionsPanel);
  m_rightColumn->add(m_buttonRow);
}

void Dialog::buildLeftColumn() {
  IComponent* processOptions = createProcessOptions();
  // The keep-on-top check box between two spacers that only the large view opens.
  m_keepOnTop = gui::win::makeCheckBox(kKeepOnTopTextId,
                                       m_appWindow != nullptr && m_appWindow->isKeepOnTop());
  m_spacerAbove = gui::win::Spacer::take();
  m_spacerAbove->setVertical();
  m_spacerAbove->setFixedHeight(0);
  m_spacerBelow = gui::win::Spacer::take();
  m_spacerBelow->setVertical();
  m_spacerBelow->setFixedHeight(0);
  Box* checkRow = box({.arrangement = kColumn});
  checkRow->add(m_spacerAbove);
  checkRow->add(m_keepOnTop);
  checkRow->add(m_spacerBelow);
  m_leftColumn = box({.arrangement = kColumn, .heightPercent = kFull, .horizontalAlignment = kEnd});
  m_leftColumn->add(checkRow);
  m_leftColumn->add(m_dropBox);
  m_leftColumn->add(processOptions);
}

void Dialog::fillWindow(gui::win::Window* window) {
  const int32_t s = m_displayScale;
  m_mainArea = box({.arrangement = kColumn,
                    .widthPercent = kFull,
                    .heightPercent = kFull,
                    .horizontalGap = kMainAreaHorizontalGap * s,
                    .verticalGap = kMainAreaVerticalGap * s,
                    .horizontalInsets = kMainAreaInset * s});
  m_mainArea->add(m_leftColumn);
  m_mainArea->add(m_rightColumn);
  // A thin strip under the menu bar, and a gap above the status bar.
  Box* topStrip = box({.arrangement = kColumn, .widthPercent = kFull});
  topStrip->setFixedHeight(kTopStripHeight * s, false);
  topStrip->setDrawer(drawer::border::win::UnderWindowMenu::take(), true);
  gui::win::Spacer* bottomGap = gui::win::Spacer::take();
  bottomGap->setVertical();
  bottomGap->setFixedHeight(kBottomGap * s);
  window->add(m_menuBar);
  window->add(topStrip);
  window->add(m_mainArea);
  window->add(bottomGap);
  window->add(m_statusBar);
  if (s > 1) {
    m_menuBar->setEntrySpacing(kMenuEntrySpacing * s, kMenuEntryPadding * s);
  }
  onWidgetsBuilt();
  if (!showsLeftColumn()) {
    m_leftColumn->setFixedWidth(0, false);
    m_leftColumn->setFixedHeight(0, false);
  }
  if (m_optionsPanel != nullptr) {
    auto* frame = drawer::border::win::Plain::take();
    frame->setColor(kFrameRed, kFrameGreen, kFrameBlue);
    static_cast<Box*>(m_optionsPanel)->setDrawer(frame, true);
    static_cast<Box*>(m_optionsPanel)->setBackgroundWhite(false);
  }
}

void Dialog::listenToWidgets(gui::win::Window* window) {
  m_linkLabel->addClickListener(this);
  m_menuBar->addSelectionListener(this);
  m_trayButton->addClickListener(this);
  window->addRestoreListener(this);
  m_viewButton->addClickListener(this);
  if (m_typeSelector != nullptr) {
    static_cast<gui::win::ComboBox*>(m_typeSelector)->addSelectionListener(this);
  }
  m_cancelButton->addClickListener(this);
  m_keepOnTop->addCheckListener(this);
  m_keepOnTop->addUncheckListener(this);
  m_dropBox->addDropListener(this);
  window->addCloseListener(this);
  window->addRightButtonDownListener(this);
  window->addUserEventListener(this);
}

void Dialog::restoreTypeSelection() {
  // The stored choice of the type selector, by its displayed text.
  auto* selector = static_cast<gui::win::ComboBox*>(m_typeSelector);
  if (selector == nullptr || selector->getItemCount() <= 0) {
    return;
  }
  int32_t chosen = getDefaultTypeIndex();
  const WCHAR* stored =
      m_settings != nullptr
          ? m_settings->getString(settingsKey(u"View"), u"ConvertTo", u"", nullptr, false)
          : u"";
  m_workText->clear();
  m_workText->append(stored != nullptr ? stored : u"");
  bool found = false;
  for (int32_t i = 0; i < selector->getItemCount() && m_workText->getLength() != 0; ++i) {
    StrBuffer* text = selector->getItem(i)->text;
    if (text->getLength() == m_workText->getLength() &&
        text->startsWithIgnoreCase(m_workText->getCStr())) {
      chosen = i;
      found = true;
      break;
    }
  }
  // The stored text is the row as it was shown, in the language of the time: after a change
  // of language it is looked for among every language's text of each row, so the choice is
  // not lost.
  for (int32_t i = 0; !found && m_localizer != nullptr && i < selector->getItemCount() &&
                      m_workText->getLength() != 0;
       ++i) {
    int32_t id = selector->getItem(i)->textId;
    for (int32_t p = 0; id >= 0 && p < m_localizer->getPackCount() && !found; ++p) {
      lang::LangPack* pack = m_localizer->getPack(p);
      const WCHAR* text = pack != nullptr && pack->hasText(id) ? pack->getText(id) : nullptr;
      if (text != nullptr && wcslen(text) == m_workText->getLength() &&
          m_workText->startsWithIgnoreCase(text)) {
        chosen = i;
        found = true;
      }
    }
  }
  selector->select(chosen, true);
}

void Dialog::runWindow() {
  gui::win::Window* window = gui::win::Window::take();
  if (window == nullptr) {
    return;
  }
  m_window = window;
  window->setMaximizeBox(hasMaximizeBox());
  window->setResizable(true);
  window->setClientEdge(false);
  if (m_localizer != nullptr) {
    window->setLocalizer(m_localizer);
  }
  if (m_appWindow != nullptr) {
    window->applySettings(m_appWindow, true);
  }
  readOutputFolderSettings();
  buildMenus();
  buildDropBox();
  if (m_settings != nullptr) {
    m_rightClickTransform = m_settings->getBool(settingsKey(u"View"), u"RightClickTransform", true);
  }
  buildStatusBar();
  buildRightColumn();
  buildLeftColumn();
  fillWindow(window);
  listenToWidgets(window);
  window->setShowInTaskbar(true);
  restoreTypeSelection();
  app::win::markStartUp(app::win::StartUpStep::WidgetTree);
  bool compact = isCompactViewDefault();
  if (m_settings != nullptr) {
    compact = m_settings->getBool(settingsKey(u"View"), u"CompactView", compact);
  }
  setCompactView(compact, false);
  window->doLayout();
  window->doLayout();
  window->fitToPreferredSize();
  window->moveOnScreen();
  app::win::markStartUp(app::win::StartUpStep::FirstLayout);
  // The show paints at once and hands the frame to the display before it returns.
  window->show(true, true);
  app::win::markStartUp(app::win::StartUpStep::FirstPaint);
  if (m_appWindow != nullptr) {
    m_appWindow->checkForUpdate(window);
  }
  window->waitUntilClosed();
}

}  // namespace s::gui::dialogs::dragndrop
