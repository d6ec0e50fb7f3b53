// A text drawer for widget tests: it measures 7 pixels a character and 13 a line, fills what it
// paints in the font's colour and records every text it paints and every font completion.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/IFont.h"
#include "gui/drawer/IText.h"

#include <windows.h>
#include <afxwin.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

namespace lumetra::testgui {

class RecordingTextDrawer final : public s::gui::drawer::IText {
  S_POOLED_CLASS(RecordingTextDrawer, u"RecordingTextDrawer")
  RecordingTextDrawer() = default;
  void reset() override {}

  void paint(CDC*, int32_t, int32_t, int32_t, int32_t, const WCHAR* text,
             s::gui::IFont* font) override {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_painted.emplace_back(text != nullptr ? text : u"");
    m_paintFonts.push_back(font);
  }
  int32_t measureText(CDC*, int32_t, int32_t, int32_t right, int32_t, const WCHAR* text,
                      s::gui::IFont*, int32_t& width, int32_t& height) override {
    ++m_fits;
    const auto length = static_cast<int32_t>(std::u16string(text != nullptr ? text : u"").size());
    width = std::min(std::max(right, 0), 7 * length);
    height = 13;
    return height;
  }
  void applyToFonts(s::gui::IFont* f1, s::gui::IFont* f2, s::gui::IFont* f3, s::gui::IFont* f4,
                    s::gui::IFont* f5) override {
    ++m_completions;
    m_lastCompleted =
        (f1 != nullptr) + (f2 != nullptr) + (f3 != nullptr) + (f4 != nullptr) + (f5 != nullptr);
  }
  void applyToFontSettings(s::gui::IFontSetting*, s::gui::IFontSetting*, s::gui::IFontSetting*,
                           s::gui::IFontSetting*, s::gui::IFontSetting*) override {}
  void measureLines(CDC*, const WCHAR* text, s::gui::IFont*, int32_t& minimumWidth,
                    int32_t& minimumHeight, int32_t& preferredWidth,
                    int32_t& preferredHeight) override {
    const auto length = static_cast<int32_t>(std::u16string(text != nullptr ? text : u"").size());
    minimumWidth = 7 * length;
    minimumHeight = 13;
    preferredWidth = 7 * length;
    preferredHeight = 13;
  }
  s::gui::IFontSetting* getFontSetting() override { return nullptr; }
  s::gui::IFontSetting* getDisabledFontSetting() override { return nullptr; }
  s::gui::IFontSetting* getLinkFontSetting() override { return nullptr; }
  s::gui::IFontSetting* getLinkHoverFontSetting() override { return nullptr; }
  s::gui::IFontSetting* getLinkPressedFontSetting() override { return nullptr; }

  std::vector<std::u16string> painted() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_painted;
  }
  s::gui::IFont* lastPaintFont() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_paintFonts.empty() ? nullptr : m_paintFonts.back();
  }
  void clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_painted.clear();
    m_paintFonts.clear();
  }

  int m_fits = 0;
  int m_completions = 0;
  int m_lastCompleted = 0;

 private:
  std::mutex m_mutex;
  std::vector<std::u16string> m_painted;
  std::vector<s::gui::IFont*> m_paintFonts;
};

}  // namespace lumetra::testgui
