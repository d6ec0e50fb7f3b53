// The drop-files-here converter window: a drop box, a type selector with its options, a status
// line with a progress bar, and a worker that converts what was dropped.
#pragma once

#include "core/base/IObject.h"
#include "core/str/strarray/StrArray.h"
#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"
#include "core/thread/ITask.h"
#include "core/thread/ObjLocker.h"
#include "gui/events/IEventListener.h"

#include <winnt.h>

#include <atomic>
#include <cstdint>

namespace s::app::win {
class AppWindow;
}
namespace s::file::win {
class PathArray;
class PathWin;
}  // namespace s::file::win
namespace s::lang {
class Localizer;
}
namespace s::map {
class IMappedData;
}
namespace s::str::strbuffer {
class StrBuffer;
}
namespace s::thread::win {
class Thread;
}
namespace s::gui {
class IComponent;
}
namespace s::gui::win {
class Box;
class Button;
class CheckBox;
class GroupBox;
class Label;
class MenuEx;
class PopupMenu;
class ProgressBar;
class Spacer;
class StatusBar;
class Window;
}  // namespace s::gui::win
namespace s::gui::dialogs {
class About3;
}

namespace s::gui::dialogs::dragndrop {

/// The generic converter main window. A concrete converter derives from it and overrides the
/// hooks; the window persists its sizes, view and output folder in the settings of its
/// application window description.
///
/// Two threads use it: the window's UI thread (events, drops, the status events) and the worker,
/// which runs the task (`run`). The lock guards the path list and the running flag; the worker
/// never touches a widget, it sends the status events through the window's synchronous user
/// event.
class Dialog : public events::IEventListener,
               public base::IObject,
               public virtual thread::IPoolable,
               public thread::ITask {
  S_POOLED_CLASS(Dialog, u"s_gui_dialogs_dragndrop_Dialog")

  /// Output folder settings.
  static constexpr int32_t kOutputCustom = 0;
  static constexpr int32_t kOutputSameFolder = 11;
  static constexpr int32_t kOutputSubFolder = 12;
  static constexpr int32_t kOutputDesktop = 13;
  /// The status events, as the first argument of the window's user event.
  static constexpr const WCHAR* kStatusStart = u"ProcessStatusStart";
  static constexpr const WCHAR* kStatusUpdate = u"ProcessStatusUpdate";
  static constexpr const WCHAR* kStatusEnd = u"ProcessStatusEnd";
  static constexpr int32_t kOutputFolderErrorId = 608299;
  static constexpr const WCHAR* kOutputFolderError =
      u"The output folder is inaccessible or write-protected.";
  static constexpr int32_t kSubFolderNameId = 608225;
  static constexpr int32_t kReadyTextId = 609450;
  static constexpr int32_t kDoneTextId = 609460;

  Dialog();
  ~Dialog() override;
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  /// Asks the worker to stop, waits until it is idle, and returns to the reset values.
  void reset() override;

  // The hooks of a concrete converter, with the generic behaviour.
  void onEvent(base::IObject* source, int32_t eventId) override;
  virtual int32_t getDefaultSmallWidth() { return 250 * m_displayScale; }
  virtual int32_t getDefaultSmallHeight() { return 250 * m_displayScale; }
  virtual int32_t getDefaultLargeWidth() { return 450 * m_displayScale; }
  virtual int32_t getDefaultLargeHeight() { return 450 * m_displayScale; }
  /// Called when a drop is about to be accepted; false refuses it.
  virtual bool onConversionTypeChanged() { return true; }
  virtual IComponent* createTypeSelector();
  virtual IComponent* createOptionsPanel();
  virtual void onWidgetsBuilt() {}
  /// True ends the handling of the event.
  virtual bool onSelectorChanged(base::IObject* /*source*/, int32_t /*eventId*/) { return false; }
  virtual bool createsOptionPagesOnSelection() { return false; }
  virtual IComponent* createOptionPage() { return nullptr; }
  virtual bool hasMaximizeBox() { return false; }
  virtual bool acceptsDropsOnWholeWindow() { return false; }
  virtual IComponent* createProcessOptions();
  virtual bool hasProcessOptions() { return false; }
  virtual void showFinishSummary() {}
  virtual int32_t getNormalPriority() { return -1; }
  virtual void applyPriority(bool force);
  virtual bool hasRightClickTransform() { return true; }
  virtual bool isCompactViewDefault() { return true; }
  virtual int32_t getLeftColumnMinimumWidth() { return 125; }
  virtual int32_t getCancelButtonWidth() { return 0; }
  virtual int32_t getProgressSpacerWidth() { return 0; }
  virtual bool showsLeftColumn() { return true; }
  virtual bool showsTypeSelector() { return true; }
  virtual int32_t getDefaultTypeIndex() { return 0; }
  virtual bool hasAskConfirmation() { return false; }
  virtual const WCHAR* getConfirmationTitle() { return nullptr; }
  virtual const WCHAR* getConfirmationText() { return nullptr; }
  virtual bool hasOutputFolderOptions() { return false; }
  virtual bool putsOutputFolderInFileMenu() { return true; }
  virtual int32_t getDefaultOutputFolderSetting() { return kOutputSameFolder; }
  virtual bool createsMissingOutputFolder() { return false; }

  /// The generic task: a status update per entry of the list, converting nothing.
  void run() override;

  /// Binds the window to its description, the settings store and the localizer of its
  /// application (none owned) and reads the view section of the display scale.
  void bind(app::win::AppWindow* appWindow, map::IMappedData* settings, lang::Localizer* localizer);

  /// Builds the window, shows it and returns when it has closed.
  void runWindow();
  /// Switches between the small and the large view; `save` stores the size of the view left.
  void setCompactView(bool compact, bool save);
  /// Sets the output folder for a drop whose first path is `firstPath`; false (after a message
  /// that names the folder tried, taken from the path's text when the path is too long to be
  /// split into its parts) when the folder is unusable.
  bool resolveOutputFolder(const WCHAR* firstPath);
  /// Accepts a drop: ignored while a conversion runs; otherwise the paths are appended and the
  /// worker started, unless the output folder is refused, in which case the drop is discarded.
  void onFilesDropped(const file::win::PathArray* paths);
  void onFilesDropped(const str::strarray::StrArray* paths);
  /// From the worker after every block: the taskbar progress, then "ProcessStatusUpdate".
  void reportProgress(int64_t total, int64_t done, const WCHAR* name);
  /// Asks the task to stop before its next file; `wait` waits until it has and clears the flag.
  void cancel(bool wait);
  void showAboutWindow();
  /// Carries out a command of the menu bar.
  void onMenuCommand(int32_t command);

  // Menu commands.
  static constexpr int32_t kCommandTranslate = 0;
  static constexpr int32_t kCommandFirstLanguage = 2;
  static constexpr int32_t kCommandKeepOnTop = 100;
  static constexpr int32_t kCommandRightClickTransform = 110;
  static constexpr int32_t kCommandEasyDrag = 120;
  static constexpr int32_t kCommandCloseOnMClick = 125;
  static constexpr int32_t kCommandAskConfirmation = 250;
  static constexpr int32_t kCommandBrowse = 300;
  static constexpr int32_t kCommandOutputCustom = 310;
  static constexpr int32_t kCommandOutputSameFolder = 321;
  static constexpr int32_t kCommandOutputSubFolder = 322;
  static constexpr int32_t kCommandOutputDesktop = 323;
  static constexpr int32_t kCommandOtherFolder = 330;
  static constexpr int32_t kCommandAbout = 10000;
  static constexpr int32_t kCommandProductPage = 10100;
  static constexpr int32_t kCommandFeedback = 10200;
  static constexpr int32_t kCommandMoreSoftware = 10900;

  /// Handles a status event on the UI thread.
  virtual void onStatusEvent(const WCHAR* name, int64_t total, int64_t done, const WCHAR* text);
  /// Sends a status event to the window and waits until its UI thread has handled it; no lock
  /// may be held. Without a window the event is handled on the caller's thread.
  void sendStatusEvent(const WCHAR* name, int64_t total, int64_t done, const WCHAR* text);

  /// The progress range maximum and position for `done` of `total`: both halved together until
  /// the total fits a 16-bit control, then one added to each.
  static void scaleProgress(int64_t total, int64_t done, int32_t* maximum, int32_t* position);

  int32_t getOutputFolderSetting() const { return m_outputFolderSetting; }
  void setOutputFolderSetting(int32_t setting) { m_outputFolderSetting = setting; }
  void setCustomOutputPath(const WCHAR* path);
  file::win::PathWin* getOutputFolder() { return m_outputFolder; }
  bool isRunning() const { return m_running; }
  bool isCancelRequested() const { return m_cancel.load(std::memory_order_acquire); }
  bool isCompact() const { return m_compact; }
  const WCHAR* getViewSection() const { return m_viewSection; }
  /// The progress shown: range maximum and position.
  int32_t getProgressMaximum() const { return m_progressMaximum; }
  int32_t getProgressPosition() const { return m_progressPosition; }
  /// The status label's text id or text last shown.
  const WCHAR* getStatusText();
  gui::win::Window* getWindow() { return m_window; }
  gui::win::GroupBox* getDropBox() { return m_dropBox; }
  gui::win::MenuEx* getMenuBar() { return m_menuBar; }
  gui::win::PopupMenu* getLanguageMenu() { return m_languageMenu; }
  gui::win::PopupMenu* getOutputFolderMenu() { return m_outputFolderMenu; }
  gui::win::StatusBar* getStatusBar() { return m_statusBar; }
  const WCHAR* getCustomOutputPath();
  gui::dialogs::About3* getAboutWindow() { return m_about; }
  uint32_t getPathCount();
  /// Starts the worker on the task; false when it could not start.
  bool startWorker();
  /// Waits until the worker is idle.
  void waitUntilIdle();

 protected:
  /// The view button's text in the small view, which opens the large one.
  static constexpr int32_t kAdvancedViewTextId = 1005000;
  /// The menu bar's room between and around its entries, in pixels at display scale 1.
  static constexpr int32_t kMenuEntrySpacing = 6;
  static constexpr int32_t kMenuEntryPadding = 3;

  /// The setting for a section under the application window ("View", "File", ...).
  const WCHAR* settingsKey(const WCHAR* subSection);
  /// Accepts the paths `count` of `pathAt` and starts the worker on them, unless a conversion
  /// runs, the user declines or the output folder is refused. No lock is held while a question
  /// waits for the user.
  template <typename PathAt>
  void acceptDrop(int32_t count, PathAt&& pathAt);
  /// Shows `text` in the status label.
  void setStatusText(const WCHAR* text);
  void showOutputFolderError(const WCHAR* path);
  void storeViewSize(bool compact);
  void switchView();
  void buildMenus();
  // The parts of the window that `runWindow` builds, in this order.
  void readOutputFolderSettings();
  void buildDropBox();
  void buildStatusBar();
  /// The type selector's row, the options panel and the view button's row.
  void buildRightColumn();
  /// The keep-on-top check box, the drop box and the process options.
  void buildLeftColumn();
  void fillWindow(gui::win::Window* window);
  void listenToWidgets(gui::win::Window* window);
  /// Selects the stored choice of the type selector.
  void restoreTypeSelection();
  /// Asks whether to convert a drop; "Don't ask me again" turns the question off.
  bool confirmDrop();
  void buildFileMenu();
  void browseAndProcess();
  void chooseOtherFolder();
  void chooseOutputFolder(int32_t command);
  /// The position of the first output-folder entry in its menu.
  int32_t firstOutputEntryPosition();
  /// The text of the custom output-folder entry: the prefix (file-menu form) and the quoted path.
  void makeCustomEntryText();
  void openLanguageText(int32_t textId);
  /// The folder a browse starts in: the stored one, else the desktop.
  const WCHAR* browseFolder(const WCHAR* key);

  str::strbuffer::StrBuffer* m_titleText;
  str::strbuffer::StrBuffer* m_workText;
  app::win::AppWindow* m_appWindow = nullptr;
  map::IMappedData* m_settings = nullptr;
  lang::Localizer* m_localizer = nullptr;
  gui::win::MenuEx* m_menuBar = nullptr;
  gui::win::PopupMenu* m_languageMenu = nullptr;
  gui::win::PopupMenu* m_fileMenu = nullptr;
  gui::win::PopupMenu* m_viewMenu = nullptr;
  gui::dialogs::About3* m_about = nullptr;
  app::win::AppWindow* m_aboutDescription = nullptr;
  bool m_compact = true;
  gui::win::GroupBox* m_dropBox = nullptr;
  gui::win::Box* m_dropTopBox = nullptr;
  gui::win::Box* m_leftColumn = nullptr;
  gui::win::Box* m_rightColumn = nullptr;
  gui::win::Box* m_mainArea = nullptr;
  gui::win::Box* m_buttonRow = nullptr;
  gui::win::Box* m_linkBox = nullptr;
  gui::win::Box* m_progressBox = nullptr;
  gui::win::StatusBar* m_statusBar = nullptr;
  gui::win::Label* m_statusLabel = nullptr;
  gui::win::Label* m_percentLabel = nullptr;
  gui::win::Label* m_linkLabel = nullptr;
  gui::win::CheckBox* m_keepOnTop = nullptr;
  gui::win::Button* m_viewButton = nullptr;
  gui::win::Button* m_cancelButton = nullptr;
  gui::win::Button* m_trayButton = nullptr;
  gui::win::ProgressBar* m_progressBar = nullptr;
  gui::win::Spacer* m_spacerAbove = nullptr;
  gui::win::Spacer* m_spacerBelow = nullptr;
  IComponent* m_typeSelector = nullptr;
  IComponent* m_optionsPanel = nullptr;
  int32_t m_progressMaximum = 0;
  int32_t m_progressPosition = 0;
  bool m_rightClickTransform = true;
  bool m_askConfirmation = false;
  int32_t m_outputFolderSetting = kOutputSameFolder;
  gui::win::PopupMenu* m_outputFolderMenu = nullptr;
  str::strbuffer::StrBuffer* m_customOutputPath;
  file::win::PathWin* m_outputFolder = nullptr;
  int32_t m_displayScale = 1;
  const WCHAR* m_viewSection = u"View";
  thread::win::Thread* m_worker = nullptr;
  gui::win::Window* m_window = nullptr;
  thread::ObjLocker m_lock;
  str::strarray::StrArray m_paths;
  int32_t m_currentFileNumber = 0;
  std::atomic<bool> m_cancel{false};
  bool m_running = false;
  bool m_inTray = false;
  bool m_lowerPriority = false;
  bool m_priorityLowered = false;
  bool m_summaryEnabled = true;
};

}  // namespace s::gui::dialogs::dragndrop
