// A component without a native window, for layout tests and benchmarks: it keeps its bounds and
// limits and counts its batches, moves and repaints.
#pragma once

#include "core/col/array/ArrayP.h"
#include "gui/IContainer.h"

#include <algorithm>

namespace lumetra::testgui {

/// A component without a native window: it keeps its bounds and limits, and counts batches and
/// repaints.
class Fake : public s::gui::IContainer {
 public:
  Fake(int32_t minW, int32_t maxW, int32_t minH, int32_t maxH, bool visible = true)
      : m_minW(minW), m_maxW(maxW), m_minH(minH), m_maxH(maxH), m_visible(visible) {}

  void onEvent(s::base::IObject*, int32_t) override {}
  int32_t getX() override { return m_x; }
  void setX(int32_t x) override { m_x = x; }
  int32_t getY() override { return m_y; }
  void setY(int32_t y) override { m_y = y; }
  int32_t getScreenX() override { return m_x; }
  int32_t getScreenY() override { return m_y; }
  bool containsScreenPoint(int32_t, int32_t) override { return false; }
  int32_t getWidth() override { return m_w; }
  void setWidth(int32_t w) override { m_w = w; }
  int32_t getHeight() override { return m_h; }
  void setHeight(int32_t h) override { m_h = h; }
  int32_t getClientWidth() override { return m_w; }
  void setClientWidth(int32_t w) override { m_w = w; }
  int32_t getClientHeight() override { return m_h; }
  void setClientHeight(int32_t h) override { m_h = h; }
  void setLocation(int32_t x, int32_t y) override {
    m_x = x;
    m_y = y;
    ++moves;
  }
  void setSize(int32_t w, int32_t h) override {
    m_w = w;
    m_h = h;
  }
  void setBounds(int32_t x, int32_t y, int32_t w, int32_t h) override {
    setLocation(x, y);
    setSize(w, h);
  }
  void setOffset(int32_t, int32_t) override {}
  void addOffset(int32_t, int32_t) override {}
  int32_t getMinimumWidth() override { return m_minW; }
  int32_t getMinimumHeight() override { return m_minH; }
  int32_t getMinimumClientWidth() override { return m_minW; }
  int32_t getMinimumClientHeight() override { return m_minH; }
  int32_t getMaximumWidth() override { return m_maxW; }
  int32_t getMaximumHeight() override { return m_maxH; }
  int32_t getMaximumClientWidth() override { return m_maxW; }
  int32_t getMaximumClientHeight() override { return m_maxH; }
  bool isVisible() override { return m_visible; }
  void setVisible(bool show, bool) override { m_visible = show; }
  bool isEnabled() override { return true; }
  void setEnabled(bool) override {}
  bool isEditable() override { return false; }
  void setEditable(bool) override {}
  uint32_t getBackgroundColor() override { return 0; }
  bool isParentBackground() override { return false; }
  void useParentBackground(bool) override {}
  void setBackgroundWhite(bool) override {}
  void setBackgroundSystem(bool) override {}
  void setBackgroundBlack(bool) override {}
  void setBackgroundLight(bool) override {}
  void setBackgroundColor(int32_t, int32_t, int32_t, bool) override {}
  s::gui::IWindow* getWindow() override { return nullptr; }
  s::gui::IComponent* getParent() override { return nullptr; }
  void setParent(s::gui::IComponent*) override {}
  void add(s::gui::IComponent* child) override { m_children.push(child); }
  bool isContainer() override { return true; }
  void repaintRect(int32_t, int32_t, int32_t, int32_t) override {}
  void repaint() override { ++repaints; }
  void setSizeWithinLimits(int32_t w, int32_t h) override {
    // The minimum wins where the limits cross.
    setSize(std::max(std::min(w, m_maxW), m_minW), std::max(std::min(h, m_maxH), m_minH));
  }
  void relayout() override {}
  int32_t getChildCount() override { return static_cast<int32_t>(m_children.getCount()); }
  s::gui::IComponent* getChild(int32_t i) override {
    return static_cast<s::gui::IComponent*>(m_children.getItems()[i]);
  }
  s::col::_array::ArrayP* getChildren() override { return &m_children; }
  s::image::win::BufferedImage* getBackBuffer(int32_t*, int32_t*) override { return nullptr; }
  bool isInBatch() override { return m_batch > 0; }
  void beginBatch() override {
    ++m_batch;
    ++batches;
  }
  void endBatch() override { --m_batch; }
  s::gui::ILayoutManager* getLayout() override { return nullptr; }
  void setLayout(s::gui::ILayoutManager*) override {}

  int moves = 0;
  int repaints = 0;
  int batches = 0;

 private:
  int32_t m_x = 0, m_y = 0, m_w = 0, m_h = 0;
  int32_t m_minW, m_maxW, m_minH, m_maxH;
  bool m_visible;
  int m_batch = 0;
  s::col::_array::ArrayP m_children;
};

}  // namespace lumetra::testgui
