// The toolkit's information box: what reaches the window system's message box, and what the user
// sees of it.
#include "gui/win/MessageBoxW.h"

#include "gui/win/tests/BoxTestSupport.h"

#include <windows.h>
#include <afxwin.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

struct Shown {
  int calls = 0;
  HWND owner = nullptr;
  std::u16string text;
  bool hasCaption = false;
  std::u16string caption;
  UINT type = 0;
};
Shown s_shown;
winapi::seam::MessageBoxFunction s_layers = nullptr;

int WINAPI recordMessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  ++s_shown.calls;
  s_shown.owner = owner;
  s_shown.text = text;
  s_shown.hasCaption = caption != nullptr;
  s_shown.caption = caption != nullptr ? caption : u"";
  s_shown.type = type;
  return s_layers(owner, text, caption, type);
}

}  // namespace

TEST(MessageBoxW, ShowsInformationCaptionedWithTheApplicationsTitle) {
  s_shown = Shown();
  s_layers = winapi::seam::replaceMessageBoxW(&recordMessageBox);
  s::gui::win::MessageBoxW* box = s::gui::win::MessageBoxW::take();
  ASSERT_NE(box, nullptr);

  testing::internal::CaptureStderr();
  EXPECT_EQ(box->showInformation(u"Nothing to convert\nDrop files on the window"), IDOK);
  const std::string withoutApplication = testing::internal::GetCapturedStderr();
  EXPECT_EQ(s_shown.type, static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
  EXPECT_EQ(s_shown.text, u"Nothing to convert\nDrop files on the window");
  EXPECT_FALSE(s_shown.hasCaption) << "no application object, no title";
  EXPECT_EQ(withoutApplication, "Error: Nothing to convert\nDrop files on the window\n");

  {
    CWinApp application(u"Lumetra Ünïcode");
    testing::internal::CaptureStderr();
    EXPECT_EQ(box->showInformation(u"Done"), IDOK);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Lumetra Ünïcode: Done\n");
    EXPECT_EQ(s_shown.caption, u"Lumetra Ünïcode");
    EXPECT_EQ(s_shown.owner, nullptr) << "the application has no main window";
  }
  EXPECT_EQ(s_shown.calls, 2);
  box->release();
  winapi::seam::replaceMessageBoxW(nullptr);
}

namespace {

using s::gui::win::MessageBoxW;

TEST(MessageBoxW, EachKindShowsItsTypeAndAnswersWhatWasPressed) {
  auto* driver = winapi::HeadlessDriver::current();
  driver->clearShownMessageBoxes();
  MessageBoxW* box = MessageBoxW::take();
  s::gui::IMessageBox* asked = box;
  testing::internal::CaptureStderr();

  EXPECT_EQ(asked->showInformation(u"i"), IDOK);
  EXPECT_EQ(asked->showWarning(u"w"), IDOK);
  EXPECT_EQ(asked->showError(u"e"), IDOK);
  driver->scriptButton(IDYES);
  EXPECT_TRUE(asked->askYesNo(u"yes?"));
  EXPECT_FALSE(asked->askYesNo(u"unanswered")) << "the box's own cancel answer is No";
  bool yes = true;
  driver->scriptButton(IDNO);
  EXPECT_TRUE(asked->askYesNoCancel(u"no?", &yes));
  EXPECT_FALSE(yes);
  driver->scriptButton(IDYES);
  EXPECT_TRUE(asked->askYesNoCancel(u"yes?", &yes));
  EXPECT_TRUE(yes);
  EXPECT_FALSE(asked->askYesNoCancel(u"cancel?", &yes)) << "cancelled";
  testing::internal::GetCapturedStderr();

  const std::vector<winapi::ShownMessageBox> shown = driver->shownMessageBoxes();
  const std::vector<UINT> types{MB_ICONINFORMATION,
                                MB_ICONWARNING,
                                MB_ICONERROR,
                                MB_ICONQUESTION | MB_YESNO,
                                MB_ICONQUESTION | MB_YESNO,
                                MB_ICONQUESTION | MB_YESNOCANCEL,
                                MB_ICONQUESTION | MB_YESNOCANCEL,
                                MB_ICONQUESTION | MB_YESNOCANCEL};
  ASSERT_EQ(shown.size(), types.size());
  for (size_t i = 0; i < types.size(); ++i) {
    EXPECT_EQ(shown[i].type, types[i]) << "box " << i;
  }
  box->release();
}

TEST(MessageBoxW, AWorkersQuestionIsAskedOnTheWindowsThreadAndBelongsToIt) {
  auto* driver = winapi::HeadlessDriver::current();
  lumetra::testgui::ShownWindow window;
  window->show(true, true);
  driver->clearShownMessageBoxes();
  driver->scriptButton(IDYES);
  bool answer = false;
  testing::internal::CaptureStderr();
  std::thread worker([&] { answer = window->askYesNo(u"Replace the file?"); });
  worker.join();
  window->showInformation(u"Done");
  testing::internal::GetCapturedStderr();
  EXPECT_TRUE(answer);
  const std::vector<winapi::ShownMessageBox> shown = driver->shownMessageBoxes();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].text, u"Replace the file?");
  EXPECT_EQ(shown[0].owner, window->getHandle()) << "the active window of the UI thread";
  EXPECT_EQ(shown[1].type, static_cast<UINT>(MB_ICONINFORMATION));
}

}  // namespace
