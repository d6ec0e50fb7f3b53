// dropbox_demo: a window of two boxes side by side, "Files" (takes dropped files) and "Links"
// (takes dropped links). Every drop is printed on standard output, one line each ("file: " and
// the path for each dropped file in order, "url: " and the link), and shown in its box: the
// caption and its last twenty lines, newest at the bottom. It ends when its window closes.
//
//   dropbox_demo [--png PATH]
//
// --png writes the window's picture as a PNG once it is shown (headless display only).
#include "core/file/win/PathArray.h"
#include "gui/win/Box.h"
#include "gui/win/Font.h"
#include "gui/win/Window.h"
#include "skin/drawer/text/win/Basic.h"

#include <windows.h>
#include <afxwin.h>

#include "winapi/drivers/headless/HeadlessDriver.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>

namespace {

using s::gui::win::Box;

constexpr size_t kShownLines = 20;

std::string toUtf8(const std::u16string& text) {
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(std::max(size, 0)), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
  return out;
}

/// One box of the demo: what was dropped on it, printed and painted.
class Panel : public s::gui::events::IEventListener {
 public:
  Panel(Box* box, const char16_t* caption) : m_box(box), m_caption(caption) {
    m_drawer = s::gui::drawer::text::win::Basic::take();
    m_font.setStyleCode(0);
    box->addDropListener(this);
    box->addUrlDropListener(this);
    box->addPaintListener(this);
  }
  ~Panel() override { m_drawer->release(); }
  Panel(const Panel&) = delete;
  Panel& operator=(const Panel&) = delete;

  void onEvent(s::base::IObject*, int32_t eventId) override {
    switch (eventId) {
      case Box::kFilesDropped: {
        s::file::win::PathArray* paths = m_box->getDroppedPaths();
        for (int32_t i = 0; i < paths->getCount(); ++i) {
          show(u"file: ", paths->getAt(i)->getFullPath());
        }
        m_box->repaint();
        break;
      }
      case Box::kUrlDropped:
        show(u"url: ", m_box->getDroppedUrl());
        m_box->repaint();
        break;
      case Box::kPainting: paint(); break;
      default: break;
    }
  }

 private:
  void show(const char16_t* kind, const char16_t* text) {
    const std::u16string line = std::u16string(kind) + text;
    std::printf("%s\n", toUtf8(line).c_str());
    std::fflush(stdout);
    m_lines.push_back(line);
    while (m_lines.size() > kShownLines) {
      m_lines.pop_front();
    }
  }

  void paint() {
    HDC target = m_box->getPaintDC();
    const int32_t width = m_box->getWidth();
    const int32_t height = m_box->getHeight();
    CDC dc;
    dc.Attach(target);
    dc.FillSolidRect(0, 0, width, height, RGB(255, 255, 255));
    const int32_t lineHeight = std::max(m_font.getTextHeight(), 1);
    m_drawer->paint(&dc, 6, 4, width - 6, 4 + lineHeight, m_caption, &m_font);
    // The newest line sits at the bottom; older ones rise above it up to the caption.
    int32_t bottom = height - 4;
    for (auto it = m_lines.rbegin(); it != m_lines.rend() && bottom - lineHeight > 8 + lineHeight;
         ++it) {
      m_drawer->paint(&dc, 6, bottom - lineHeight, width - 6, bottom, it->c_str(), &m_font);
      bottom -= lineHeight;
    }
    dc.Detach();
    m_box->setPainted();
  }

  Box* m_box;
  const char16_t* m_caption;
  s::gui::win::Font m_font;
  s::gui::drawer::text::win::Basic* m_drawer;
  std::deque<std::u16string> m_lines;
};

}  // namespace

int main(int argc, char** argv) {
  const char* png = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--png") == 0 && i + 1 < argc) {
      png = argv[++i];
    } else {
      std::fprintf(stderr, "usage: dropbox_demo [--png PATH]\n");
      return 2;
    }
  }
  s::gui::win::Window* window = s::gui::win::Window::take();
  if (window == nullptr || window->getHandle() == nullptr) {
    std::fprintf(stderr, "dropbox_demo: the window could not be made\n");
    return 1;
  }
  window->setTitle(u"Drop box demo");
  window->setSize(640, 360);

  Box* row = s::gui::win::makeBox(0, 100, 100, 0, 0, 4, 0, 4, 4);
  Box* files = s::gui::win::makeBox(1, 50, 100, 0, 0, 0, 0, 0, 0);
  files->setAcceptFiles(true);
  Box* links = s::gui::win::makeBox(1, 50, 100, 0, 0, 0, 0, 0, 0);
  links->setAcceptUrls(true);
  row->add(files);
  row->add(links);
  Panel filesPanel(files, u"Files");
  Panel linksPanel(links, u"Links");
  window->add(row);
  window->show(true, true);

  if (png != nullptr) {
    winapi::HeadlessDriver* headless = winapi::HeadlessDriver::current();
    if (headless == nullptr || !headless->dumpFrame(window->getHandle(), png)) {
      std::fprintf(stderr, "dropbox_demo: --png needs the headless display\n");
    }
  }
  window->waitUntilClosed();
  window->release();
  return 0;
}
