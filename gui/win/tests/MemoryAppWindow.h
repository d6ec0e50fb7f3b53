// A window description held in memory, for tests of windows that apply or store one.
#pragma once

#include "core/thread/ClassTail.h"
#include "gui/app/IAppWindow.h"

#include <windows.h>

#include <optional>
#include <string>

namespace lumetra::testgui {

/// A settings record in memory; the title id, localizer and skinner are the test's.
class MemoryAppWindow final : public s::app::IAppWindow {
  S_POOLED_CLASS(MemoryAppWindow, u"MemoryAppWindow")

  MemoryAppWindow() = default;
  void reset() override {}

  s::app::win::AppBase* getAppBase() override { return nullptr; }
  const WCHAR* getName() override { return u"TestWindow"; }
  const WCHAR* makeSettingsKey(const WCHAR*) override { return u""; }
  int32_t getTitleTextId() override { return titleTextId; }
  s::lang::Localizer* getLocalizer() override { return localizer; }
  bool hasSkinner() override { return skinner != nullptr; }
  s::gui::drawer::ISkinner* getSkinner() override { return skinner; }
  const WCHAR* getSkinName() override { return u""; }
  void setSkinName(const WCHAR*) override {}
  bool hasPosition() override { return x && y; }
  void setBounds(int32_t nx, int32_t ny, int32_t w, int32_t h) override {
    x = nx, y = ny, width = w, height = h;
  }
  void setSize(int32_t w, int32_t h) override { width = w, height = h; }
  void deleteBounds() override { x = y = width = height = std::nullopt; }
  bool hasX() override { return x.has_value(); }
  int32_t getX() override { return x.value_or(0); }
  void setX(int32_t v) override { x = v; }
  bool hasY() override { return y.has_value(); }
  int32_t getY() override { return y.value_or(0); }
  void setY(int32_t v) override { y = v; }
  bool isWidthValid() override { return getWidth() >= 10; }
  bool hasWidth() override { return width.has_value(); }
  int32_t getWidth() override { return width.value_or(500); }
  void setWidth(int32_t v) override { width = v; }
  bool isHeightValid() override { return getHeight() >= 10; }
  bool hasHeight() override { return height.has_value(); }
  int32_t getHeight() override { return height.value_or(500); }
  void setHeight(int32_t v) override { height = v; }
  bool isEasyDrag() override { return easyDrag; }
  void setEasyDrag(bool on) override { easyDrag = on; }
  bool isMaximized() override { return maximized; }
  void setMaximized(bool on) override { maximized = on; }
  bool isKeepOnTop() override { return keepOnTop; }
  void setKeepOnTop(bool on) override { keepOnTop = on; }
  bool isCloseOnMClick() override { return action == u"Close"; }
  bool isIconizeOnMClick() override { return action == u"Iconize"; }
  const WCHAR* getOnMClick() override { return action.c_str(); }
  void setOnMClick(const WCHAR* a) override { action = a; }
  void checkForUpdate(s::gui::IWindow*) override {}
  void beginTaskbarProgress(s::gui::IWindow*) override {}
  void setTaskbarProgress(s::gui::IWindow*, int32_t, int32_t) override {}
  void endTaskbarProgress(s::gui::IWindow*) override {}

  std::optional<int32_t> x, y, width, height;
  bool easyDrag = true;
  bool maximized = false;
  bool keepOnTop = false;
  std::u16string action = u"Iconize";
  int32_t titleTextId = -1;
  s::lang::Localizer* localizer = nullptr;
  s::gui::drawer::ISkinner* skinner = nullptr;
};

}  // namespace lumetra::testgui
