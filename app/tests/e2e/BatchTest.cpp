// Batches as users make them: files that cannot be converted among good ones, an output folder
// that cannot be used, and files chosen through "Browse and Process...".
#include "app/dialogs/effect/EffectTable.h"
#include "app/dialogs/effect/tests/LongPath.h"
#include "app/tests/e2e/EndToEnd.h"
#include "gui/menuitem/MenuItem.h"
#include "gui/win/PopupMenu.h"
#include "testlib/WavBuilder.h"

#include <windows.h>
#include <winmsgbox.h>

#include <gtest/gtest.h>

#include <unistd.h>
#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

namespace lumetra::e2e {
namespace {

using namespace s::sound::gui::dialogs::effect;
using lumetra::apptest::waitFor;
using lumetra::apptest::writeBytes;
using lumetra::apptest::writeTone;

/// The files of a folder, by name.
std::vector<std::string> filesIn(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace

TEST_F(EndToEnd, ABatchWithBadEntriesConvertsItsGoodFilesAndReportsTheRest) {
  fs::create_directories(m_dir.file("in"));
  writeTone(m_dir.file("in/Good One.wav"), 440.0, 0.3);
  writeTone(m_dir.file("in/Good Two.wav"), 440.0, 0.3);
  writeBytes(m_dir.file("in/Empty.wav"), {});
  writeBytes(m_dir.file("in/Letter.mp3"), std::vector<uint8_t>(6000, 'a'));
  writeBytes(
      m_dir.file("in/Float Samples.wav"),
      lumetra::testlib::WavBuilder().fmt(3, 2, 44100, 32).data(std::vector<uint8_t>(8000)).bytes());
  writeBytes(m_dir.file("in/Notes.txt"), {'h', 'i'});
  fs::create_directories(m_dir.file("in/A Folder"));
  writeTone(m_dir.file("in/Locked.wav"), 440.0, 0.3);
  fs::permissions(m_dir.file("in/Locked.wav"), fs::perms::none);
  // Root reads any file: then the locked one converts.
  const bool root = geteuid() == 0;

  start();
  choose(kFileEntry, Dialog::kCommandOutputSubFolder);
  std::vector<std::u16string> batch;
  for (const char* name : {"Good One.wav", "Empty.wav", "Letter.mp3", "Float Samples.wav",
                           "Locked.wav", "Notes.txt", "A Folder", "Good Two.wav"}) {
    batch.push_back(path(std::string("in/") + name));
  }
  dropAndConvert(batch, m_dir.file("in/Converted/Good One (OpenAir).wav"));

  std::vector<std::string> expected = {"Good One (OpenAir).wav", "Good Two (OpenAir).wav"};
  if (root) {
    expected.push_back("Locked (OpenAir).wav");
  }
  EXPECT_EQ(filesIn(m_dir.file("in/Converted")), expected) << "no output of a bad entry";

  const auto boxes = messageBoxes(1);
  ASSERT_EQ(boxes.size(), 1u) << "one report: " << describe(boxes);
  EXPECT_EQ(boxes[0].owner, frame()) << "over the main window";
  EXPECT_EQ(boxes[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONWARNING));
  std::u16string report =
      u"These files were not converted:\n"
      u"Empty.wav: damaged, or audio of a kind it cannot convert\n"
      u"Letter.mp3: damaged, or audio of a kind it cannot convert\n"
      u"Float Samples.wav: damaged, or audio of a kind it cannot convert\n";
  if (!root) {
    report += u"Locked.wav: cannot be read\n";
  }
  report +=
      u"Notes.txt: not an MP3 or WAV file\n"
      u"A Folder: not found, or a folder";
  EXPECT_EQ(boxes[0].text, report);
  EXPECT_EQ(std::u16string(dialog()->getStatusText()), u"Ready");
  fs::permissions(m_dir.file("in/Locked.wav"), fs::perms::owner_all);
}

TEST_F(EndToEnd, ARefusedOutputFolderConvertsNothingAndTheNextDropOnlyItsOwnFiles) {
  writeTone(m_dir.file("Refused Song.wav"), 440.0, 0.3);
  writeTone(m_dir.file("Later Song.wav"), 440.0, 0.3);
  fs::create_directories(m_dir.file("Gone/Out"));
  const std::u16string below = path("Gone") + u"\\Out";
  const std::u16string belowAsKnown = shownPath("Gone/Out");

  start();
  driver()->scriptFolder(below);
  choose(kFileEntry, Dialog::kCommandOtherFolder);
  ASSERT_EQ(dialog()->getOutputFolderSetting(), Dialog::kOutputCustom);
  // The chosen folder goes, and a regular file takes its parent's place: it cannot be made again.
  fs::remove_all(m_dir.file("Gone"));
  std::ofstream(m_dir.file("Gone")) << "in the way";
  drop({path("Refused Song.wav")});
  const auto boxes = messageBoxes(1);
  ASSERT_EQ(boxes.size(), 1u) << "the folder is refused with a message";
  EXPECT_EQ(boxes[0].text, text(608299) + u"\r\n\"" + belowAsKnown + u"\"")
      << "the folder as the user knows it";
  EXPECT_EQ(boxes[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONERROR));
  m_app.settle();
  EXPECT_FALSE(dialog()->isRunning());
  EXPECT_EQ(dialog()->getPathCount(), 0u) << "the refused drop is not kept";

  // Back to the source's folder: the next drop converts its own file and nothing of the first.
  choose(kFileEntry, Dialog::kCommandOutputSameFolder);
  dropAndConvert({path("Later Song.wav")}, m_dir.file("Later Song (OpenAir).wav"));
  EXPECT_FALSE(fs::exists(m_dir.file("Refused Song (OpenAir).wav")));
  EXPECT_TRUE(fs::is_regular_file(m_dir.file("Gone")));
  EXPECT_TRUE(messageBoxes(1, 200).empty());
}

TEST_F(EndToEnd, TheMenuAndTheReportShowPathsAsTheUserKnowsThem) {
  fs::create_directories(m_dir.file("Out Folder"));
  fs::create_directories(m_dir.file("in"));
  writeTone(m_dir.file("in/Good.wav"), 440.0, 0.3);
  // A name written by another system: one byte of it is no UTF-8.
  writeBytes(m_dir.file("in/Caf\xE9.txt"), {'h', 'i'});
  const std::u16string undecodable = path("in") + u"\\Caf" + char16_t(0xDC00 + 0xE9) + u".txt";

  start();
  driver()->scriptFolder(path("Out Folder"));
  choose(kFileEntry, Dialog::kCommandOtherFolder);
  ASSERT_EQ(dialog()->getOutputFolderSetting(), Dialog::kOutputCustom);
  s::gui::menuitem::MenuItem* entry =
      dialog()->getOutputFolderMenu()->getItem(Dialog::kCommandOutputCustom);
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(std::u16string(entry->getText()),
            text(608249) + u"\"" + shownPath("Out Folder") + u"\"");
  EXPECT_EQ(std::u16string(dialog()->getCustomOutputPath()), path("Out Folder"))
      << "the setting keeps the program's own form";

  dropAndConvert({path("in/Good.wav"), undecodable}, m_dir.file("Out Folder/Good (OpenAir).wav"));
  const auto boxes = messageBoxes(1);
  ASSERT_EQ(boxes.size(), 1u) << describe(boxes);
  EXPECT_EQ(boxes[0].text,
            u"These files were not converted:\nCaf\uFFFD.txt: not an MP3 or WAV file")
      << "a byte the name cannot show is marked, not dropped";
  EXPECT_EQ(filesIn(m_dir.file("Out Folder")), std::vector<std::string>{"Good (OpenAir).wav"});
}

TEST_F(EndToEnd, EveryDroppedEntryIsConvertedOrNamedInTheReportWithItsReason) {
  fs::create_directories(m_dir.file("in/a"));
  writeTone(m_dir.file("in/Good.wav"), 440.0, 0.3);
  // "a\b.wav" beside a folder "a" holding "b.wav": the drop of the first converts that file,
  // never the second.
  writeTone(m_dir.file("in/a\\b.wav"), 440.0, 0.3);
  writeTone(m_dir.file("in/a/b.wav"), 440.0, 0.3);
  std::ifstream tone(m_dir.file("in/Good.wav"), std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(tone)),
                                   std::istreambuf_iterator<char>());
  const lumetra::apptest::LongPath deep(m_dir.file("in"), 4227, "Deep Song.wav", bytes);

  start();
  // As the drop of another client brings them: a file of this machine whose name holds a "\",
  // one of another machine (the UNC path of its share), and one whose path is too long.
  const std::u16string backslashed = path("in") + u"\\a" + char16_t(0xDC00 + '\\') + u"b.wav";
  dropAndConvert({path("in/Good.wav"), deep.windowsPath(), u"\\\\elsewhere.invalid\\share\\Far.wav",
                  backslashed},
                 m_dir.file("in/Good (OpenAir).wav"));
  EXPECT_TRUE(fs::exists(m_dir.file("in/a\\b (OpenAir).wav")));
  EXPECT_EQ(filesIn(m_dir.file("in/a")), std::vector<std::string>{"b.wav"}) << "left alone";
  const auto boxes = messageBoxes(1);
  ASSERT_EQ(boxes.size(), 1u) << describe(boxes);
  EXPECT_EQ(boxes[0].text,
            u"These files were not converted:\n"
            u"Deep Song.wav: the path is too long\n"
            u"Far.wav: not found, or a folder");
}

TEST_F(EndToEnd, BrowseAndProcessConvertsTheChosenFiles) {
  writeTone(m_dir.file("Chosen One.wav"), 440.0, 0.3);
  writeTone(m_dir.file("Chosen Two.wav"), 440.0, 0.3);
  start();
  useLargeView();
  pickEffect(kVolumeDown, -30);
  driver()->scriptFiles({path("Chosen One.wav"), path("Chosen Two.wav")});
  choose(kFileEntry, Dialog::kCommandBrowse);
  ASSERT_TRUE(waitFor(
      [&] { return fs::exists(m_dir.file("Chosen Two (Vol,-30%).wav")) && !dialog()->isRunning(); },
      30000));
  dialog()->waitUntilIdle();
  EXPECT_TRUE(fs::exists(m_dir.file("Chosen One (Vol,-30%).wav")));
  EXPECT_GT(fs::file_size(m_dir.file("Chosen One (Vol,-30%).wav")), 44u);
}

}  // namespace lumetra::e2e
