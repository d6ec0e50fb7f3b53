// The words of the layer's message box and common dialogs, in the user's interface language.
// Offered by user32 to the areas above it (comdlg32 and shell32 build their dialogs with them).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace winapi::dialogs {

/// The words of the layer's message box and common dialogs.
enum class Text {
  Open,
  SaveAs,
  OpenButton,
  SaveButton,
  Cancel,
  FileName,
  FilesOfType,
  Up,
  Home,
  Desktop,
  FileSystem,
  FileNotFound,
  PathNotFound,
  ReplacePrompt,  // "%s" stands for the name
  OneFolder,
  BrowseForFolder,
  Folder,
  NoSuchFolder,
  OK,
  Color,
  BasicColors,
  CustomColors,
  DefineCustomColors,
  AddToCustomColors,
  Hue,
  Sat,
  Lum,
  Red,
  Green,
  Blue,
  Abort,
  Retry,
  Ignore,
  Yes,
  No,
  TryAgain,
  Continue,
};
/// A word in the user's interface language (GetUserDefaultUILanguage), English for a language
/// the program does not have.
const char16_t* text(Text id);
/// What is wrong with the built-in language files: a text missing, a mnemonic too many or lost,
/// a lost placeholder; empty when they are sound.
std::vector<std::string> textProblems();

}  // namespace winapi::dialogs
