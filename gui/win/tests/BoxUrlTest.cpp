// Links dragged onto a box through the headless drag: the UTF-16 link format taken with a link
// effect, the ANSI one refused, a block without its NUL read no further than its end, and the
// link target living only while links are accepted.
#include "gui/win/Box.h"
#include "gui/win/UrlDropTarget.h"
#include "gui/win/tests/BoxTestSupport.h"
#include "gui/win/tests/Listener.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using lumetra::testgui::Listener;
using lumetra::testgui::screenCorner;
using lumetra::testgui::ShownWindow;
using lumetra::testgui::waitFor;
using s::gui::win::Box;
using Format = winapi::HeadlessDriver::DragFormat;

winapi::HeadlessDriver& headless() { return *winapi::HeadlessDriver::current(); }

std::vector<uint8_t> bytesOf(const std::u16string& text, bool withNul) {
  std::vector<uint8_t> bytes((text.size() + (withNul ? 1 : 0)) * 2, 0);
  std::memcpy(bytes.data(), text.data(), text.size() * 2);
  return bytes;
}

class BoxUrls : public testing::Test {
 protected:
  void SetUp() override {
    window->addUserEventListener(&onUiThread);
    Box* root = Box::take();
    root->setFullSize();
    window->add(root);
    box = Box::take();
    box->setFixedWidth(200, false);
    box->setFixedHeight(150, false);
    box->setAcceptUrls(true);
    box->addUrlDropListener(&listener);
    root->add(box);
    corner = screenCorner(box->GetSafeHwnd());
  }
  /// Runs `work` on the window's UI thread, where the box's link target lives.
  void onUi(std::function<void()> work) {
    m_work = std::move(work);
    window->sendUserEvent(0, 0, 0, 0);
  }
  DWORD enter(std::vector<Format> formats) {
    return headless().dragEnter(corner.x + 20, corner.y + 20, std::move(formats));
  }
  DWORD dropHere() { return headless().dragDrop(corner.x + 20, corner.y + 20); }

  ShownWindow window;
  Box* box = nullptr;
  POINT corner{0, 0};
  std::atomic<int> links{0};
  Listener listener{[this](int32_t id) { links += id == Box::kUrlDropped ? 1 : 0; }};
  std::function<void()> m_work;
  Listener onUiThread{[this](int32_t) { m_work(); }};
};

TEST_F(BoxUrls, TheUtf16LinkIsTakenWithALinkEffect) {
  const std::u16string url = u"https://example.org/caf\u00e9?q=1";
  EXPECT_EQ(enter({Format{u"UniformResourceLocatorW", 0, bytesOf(url, true)},
                   Format{u"UniformResourceLocator", 0, {'x', 0}}}),
            static_cast<DWORD>(DROPEFFECT_LINK));
  EXPECT_EQ(dropHere(), static_cast<DWORD>(DROPEFFECT_LINK));
  ASSERT_TRUE(waitFor([&] { return links.load() == 1; }));
  EXPECT_EQ(std::u16string(box->getDroppedUrl()), url);
}

TEST_F(BoxUrls, AnAnsiOnlyLinkIsRefused) {
  EXPECT_EQ(enter({Format{u"UniformResourceLocator", 0, {'h', 't', 't', 'p', 0}}}),
            static_cast<DWORD>(DROPEFFECT_NONE));
  EXPECT_EQ(dropHere(), static_cast<DWORD>(DROPEFFECT_NONE));
  lumetra::testgui::settle(box->GetSafeHwnd());
  EXPECT_EQ(links, 0);
  EXPECT_EQ(std::u16string(box->getDroppedUrl()), u"");
}

TEST_F(BoxUrls, ALinkWithoutItsNulEndsWithItsBlock) {
  enter({Format{u"UniformResourceLocatorW", 0, bytesOf(u"http://a.b/c", false)}});
  EXPECT_EQ(dropHere(), static_cast<DWORD>(DROPEFFECT_LINK));
  ASSERT_TRUE(waitFor([&] { return links.load() == 1; }));
  EXPECT_EQ(std::u16string(box->getDroppedUrl()), u"http://a.b/c");
  // A second drop replaces the first; an odd byte at the end is no unit.
  std::vector<uint8_t> odd = bytesOf(u"xy", false);
  odd.push_back('z');
  enter({Format{u"UniformResourceLocatorW", 0, odd}});
  dropHere();
  ASSERT_TRUE(waitFor([&] { return links.load() == 2; }));
  EXPECT_EQ(std::u16string(box->getDroppedUrl()), u"xy");
}

TEST_F(BoxUrls, TheLinkTargetLivesOnlyWhileLinksAreAccepted) {
  ASSERT_NE(box->getUrlTarget(), nullptr);
  EXPECT_EQ(box->getUrlTarget()->getOwner(), box);

  // A window made again registers again: the box still accepts links.
  Box* parent = static_cast<Box*>(box->getParent());
  box->setParent(nullptr);
  EXPECT_EQ(box->getUrlTarget(), nullptr) << "the target went with the window";
  SendMessageW(parent->GetSafeHwnd(), Box::kAddChildMessage, reinterpret_cast<WPARAM>(box), 0);
  EXPECT_NE(box->getUrlTarget(), nullptr);

  onUi([&] { box->setAcceptUrls(false); });
  EXPECT_EQ(box->getUrlTarget(), nullptr);
  EXPECT_EQ(enter({Format{u"UniformResourceLocatorW", 0, bytesOf(u"http://x", true)}}),
            static_cast<DWORD>(DROPEFFECT_NONE));
  headless().dragLeave();

  // A box never asked for links has no target, also after its window is made again.
  Box* plain = Box::take();
  plain->setFixedWidth(50, false);
  plain->setFixedHeight(50, false);
  parent->add(plain);
  EXPECT_EQ(plain->getUrlTarget(), nullptr);
  plain->setParent(nullptr);
  SendMessageW(parent->GetSafeHwnd(), Box::kAddChildMessage, reinterpret_cast<WPARAM>(plain), 0);
  EXPECT_EQ(plain->getUrlTarget(), nullptr);

  onUi([&] { box->setAcceptUrls(true); });
  EXPECT_NE(box->getUrlTarget(), nullptr);
}

}  // namespace
