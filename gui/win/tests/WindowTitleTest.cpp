// A window's title from its localizer: built from the title and version texts, and rebuilt with
// event 20 when the language changes.
#include "gui/win/Window.h"
#include "platform/lang/Localizer.h"
#include "platform/xml/Node.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using s::gui::win::Window;

class Recorder : public s::gui::events::IEventListener {
 public:
  void onEvent(s::base::IObject*, int32_t eventId) override { ids.push_back(eventId); }
  std::vector<int32_t> ids;
};

TEST(WindowTitle, FollowsTheLanguageWithItsVersion) {
  s::xml::Node* root = s::xml::Node::take();
  ASSERT_NE(root->parse(u"<lang><languages>"
                        u"<entry tagName=\"eng\" engName=\"English\" trueName=\"English\"/>"
                        u"<entry tagName=\"deu\" engName=\"German\" trueName=\"Deutsch\"/>"
                        u"</languages><entries>"
                        u"<entry id=\"500000\"><eng>Converter</eng><deu>Konverter</deu></entry>"
                        u"<entry id=\"500010\"><eng>2.5</eng></entry>"
                        u"</entries></lang>"),
            nullptr);
  s::lang::Localizer* localizer = s::lang::Localizer::take();
  localizer->loadFromXml(root);
  root->release();
  localizer->selectLanguage(u"English");

  Window* window = Window::take();
  Recorder recorder;
  window->addLanguageListener(&recorder);
  window->setTitleId(500000, 500010);
  EXPECT_EQ(std::u16string(window->getTitle()), u"Window") << "no localizer, no language text";
  window->setLocalizer(localizer);
  EXPECT_EQ(std::u16string(window->getTitle()), u"Converter v2.5");
  localizer->selectLanguage(u"German");
  EXPECT_EQ(std::u16string(window->getTitle()), u"Konverter v2.5");
  EXPECT_EQ(recorder.ids, (std::vector<int32_t>{Window::kLanguage}));
  window->setTitleId(500000, -1);
  EXPECT_EQ(std::u16string(window->getTitle()), u"Konverter");

  window->release();
  EXPECT_EQ(localizer->getListenerCount(), 0) << "a released window leaves its localizer";
  localizer->release();
}

}  // namespace
