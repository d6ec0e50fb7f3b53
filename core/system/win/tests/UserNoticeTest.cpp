// The notice through which the libraries below the toolkit tell the user something.
#include "core/system/win/UserNotice.h"

#include <windows.h>
#include <winmsgbox.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct ShownBox {
  std::u16string text;
  UINT type;
};

std::vector<ShownBox> g_boxes;
std::vector<std::u16string> g_notices;

int WINAPI recordBox(HWND, LPCWSTR text, LPCWSTR, UINT type) {
  g_boxes.push_back({text != nullptr ? text : u"", type});
  return IDOK;
}

void recordNotice(const WCHAR* text) { g_notices.emplace_back(text); }

}  // namespace

TEST(UserNotice, GoesToTheInstalledNoticeElseToTheApplicationsInformationBox) {
  using s::system::win::getInformationNotice;
  using s::system::win::setInformationNotice;
  using s::system::win::showInformation;
  g_boxes.clear();
  g_notices.clear();
  const winapi::seam::MessageBoxFunction previousBox = winapi::seam::replaceMessageBoxW(&recordBox);
  const s::system::win::InformationNotice previous = setInformationNotice(nullptr);

  // Without a notice the layer's message box shows the text with the information icon.
  showInformation(u"no printer");
  ASSERT_EQ(g_boxes.size(), 1u);
  EXPECT_EQ(g_boxes[0].text, u"no printer");
  EXPECT_EQ(g_boxes[0].type & MB_ICONMASK, static_cast<UINT>(MB_ICONINFORMATION));

  // An installed notice takes every text instead, until the default is put back.
  EXPECT_EQ(setInformationNotice(&recordNotice), nullptr);
  EXPECT_EQ(getInformationNotice(), &recordNotice);
  showInformation(u"Failed to Load lame_enc.dll!!");
  EXPECT_EQ(g_notices, std::vector<std::u16string>{u"Failed to Load lame_enc.dll!!"});
  EXPECT_EQ(g_boxes.size(), 1u) << "no box besides the notice";
  EXPECT_EQ(setInformationNotice(nullptr), &recordNotice);
  showInformation(u"again");
  EXPECT_EQ(g_boxes.size(), 2u);
  EXPECT_EQ(g_notices.size(), 1u);

  setInformationNotice(previous);
  winapi::seam::replaceMessageBoxW(previousBox);
}
