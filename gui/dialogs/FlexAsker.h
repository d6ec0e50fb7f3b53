// The confirmation dialog: a Yes/No question in a toolkit window, with an optional "Don't ask me
// again" check box.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"
#include "gui/events/IEventListener.h"

#include <windows.h>

#include <atomic>
#include <cstdint>

namespace s::app {
class IAppWindow;
}
namespace s::app::win {
class AppBase;
}
namespace s::lang {
class Localizer;
}
namespace s::map {
class IMappedData;
}
namespace s::gui::drawer {
class ISkinner;
}
namespace s::gui::win {
class Button;
class CheckBox;
class Window;
}  // namespace s::gui::win

namespace s::gui::dialogs {

/// Asks one question and waits for the answer on the caller's thread, while the dialog runs on
/// its own UI thread; the owner window (a native handle, on any thread) is disabled meanwhile.
/// Yes starts with the default mark; Tab moves the mark between Yes and No and Enter answers
/// with the marked button. Closing the dialog by its frame answers No. The check box's state is
/// read when the dialog closes; with the check box hidden there is none, and the flag stays
/// false.
///
/// Pooled (capacity 1000); the caller reads the answers after `ask` and releases the asker,
/// which releases its window and window description. The localizer, settings store and skinner
/// are not owned.
class FlexAsker final : public events::IEventListener,
                        public base::IObject,
                        public virtual thread::IPoolable {
  S_POOLED_CLASS(FlexAsker, u"s_gui_dialogs_FlexAsker")

  static constexpr int32_t kDefaultTitleId = 400300;
  static constexpr int32_t kDefaultMessageId = 400320;
  static constexpr int32_t kYesTextId = 400330;
  static constexpr int32_t kNoTextId = 400340;
  static constexpr int32_t kCheckBoxTextId = 400380;

  FlexAsker();
  ~FlexAsker() override;
  FlexAsker(const FlexAsker&) = delete;
  FlexAsker& operator=(const FlexAsker&) = delete;
  void reset() override;

  /// Takes `description` (owned from now on) and the references the texts and window need.
  void setWindowDescription(app::IAppWindow* description);
  void setSettings(map::IMappedData* settings) { m_settings = settings; }
  void setLocalizer(lang::Localizer* localizer) { m_localizer = localizer; }
  void setSkinner(drawer::ISkinner* skinner) { m_skinner = skinner; }

  void setYesTextId(int32_t id) { m_yesTextId = id; }
  void setNoTextId(int32_t id) { m_noTextId = id; }
  void setCheckBoxTextId(int32_t id) { m_checkBoxTextId = id; }
  void setShowCheckBox(bool on) { m_showCheckBox = on; }

  /// Shows the question and returns once it was answered or the dialog closed. A null `title`
  /// or `message` takes the language's default texts. An owner that is no window is neither
  /// centred on nor disabled. False when no dialog window could be made (the answer stays No).
  bool ask(HWND owner, const WCHAR* title, const WCHAR* message);

  /// True for Yes.
  bool getAnswer() const { return m_answer; }
  /// The check box's state when the dialog closed.
  bool isDontAskAgain() const { return m_dontAskAgain; }

  void onEvent(base::IObject* source, int32_t eventId) override;

  /// The dialog while it is open (for tests: its handle, its buttons); null otherwise.
  win::Window* getWindow() const { return m_window; }
  win::Button* getYesButton() const { return m_yes; }
  win::Button* getNoButton() const { return m_no; }
  win::CheckBox* getCheckBox() const { return m_checkBox; }

 private:
  const WCHAR* textOf(int32_t id);
  void answer(bool yes);
  void releaseWindow();

  HWND m_owner = nullptr;
  app::IAppWindow* m_description = nullptr;
  map::IMappedData* m_settings = nullptr;
  lang::Localizer* m_localizer = nullptr;
  drawer::ISkinner* m_skinner = nullptr;
  win::Window* m_window = nullptr;
  int32_t m_yesTextId = kYesTextId;
  int32_t m_noTextId = kNoTextId;
  int32_t m_checkBoxTextId = kCheckBoxTextId;
  bool m_showCheckBox = true;
  win::Button* m_yes = nullptr;
  win::Button* m_no = nullptr;
  win::CheckBox* m_checkBox = nullptr;
  std::atomic<bool> m_answer{false};
  std::atomic<bool> m_dontAskAgain{false};
};

/// An asker for the application's "FlexAskerWindow" (400 x 200, closed by a middle click, no
/// skinner) with that description's localizer and skinner and the application's settings. The
/// caller releases it. Without an application the asker has no description and English texts
/// stay empty.
FlexAsker* makeFlexAsker(app::win::AppBase* appBase);

}  // namespace s::gui::dialogs
