// The layout routines shared by containers and layout objects, and the container defaults.
#include "gui/IContainer.h"

#include "gui/ILayoutManager.h"

#include <algorithm>
#include <vector>

namespace s::gui {

namespace {

/// Begins a batch on every child unless the container is in one; `end` closes it again, each
/// child repainting once.
class BatchFrame {
 public:
  explicit BatchFrame(IComponent* container)
      : m_container(container), m_own(!container->isInBatch()) {
    if (m_own) {
      for (int32_t i = 0, n = container->getChildCount(); i < n; ++i) {
        container->getChild(i)->beginBatch();
      }
    }
  }
  ~BatchFrame() {
    if (m_own) {
      for (int32_t i = 0, n = m_container->getChildCount(); i < n; ++i) {
        IComponent* child = m_container->getChild(i);
        child->endBatch();
        child->repaint();
      }
    }
  }
  BatchFrame(const BatchFrame&) = delete;
  BatchFrame& operator=(const BatchFrame&) = delete;

 private:
  IComponent* m_container;
  bool m_own;
};

void put(int32_t* out, int32_t value) {
  if (out != nullptr) {
    *out = value;
  }
}

/// The offset that aligns `size` in `room`: 0, half the difference, or all of it, only when the
/// component is smaller than the room.
int32_t alignIn(int32_t alignment, int32_t room, int32_t size) {
  if (alignment == 0 || size >= room) {
    return 0;
  }
  return alignment == 1 ? (room - size) / 2 : room - size;
}

/// Where extra space starts the children: none, half of it, or all of it.
int32_t startOf(int32_t alignment, int32_t extra) {
  if (alignment == 0 || extra <= 0) {
    return 0;
  }
  return alignment == 1 ? extra / 2 : extra;
}

}  // namespace

void IContainer::doLayout() { getLayout()->layout(this); }

void IContainer::layoutColumn(IComponent* container, int32_t hAlign, int32_t vAlign, int32_t gap,
                              int32_t* outMinWidth, int32_t* outMinHeight, int32_t* outWidest,
                              int32_t* outMaxHeight) {
  const int32_t count = container->getChildCount();
  BatchFrame batch(container);

  int32_t minWidth = 0;
  int32_t widest = 0;
  for (int32_t i = 0; i < count; ++i) {
    IComponent* child = container->getChild(i);
    const int32_t minimum = child->getMinimumWidth();
    minWidth = std::max(minWidth, minimum);
    widest = std::max(widest, std::max(minimum, child->getMaximumWidth()));
  }
  const int32_t columnWidth = std::max(container->getClientWidth(), minWidth);

  int32_t minSum = 0;
  int32_t maxSum = 0;
  int32_t lastHeight = 0;
  int32_t lastMax = 0;
  for (int32_t i = 0; i < count; ++i) {
    IComponent* child = container->getChild(i);
    child->setSizeWithinLimits(columnWidth, 0);
    const int32_t height = child->getHeight();
    const int32_t maximum = std::max(child->getMaximumHeight(), height);
    if (i > 0 && lastHeight >= 1) {
      minSum += gap;
    }
    if (i > 0 && lastMax >= 1) {
      maxSum += gap;
    }
    minSum += height;
    maxSum += maximum;
    lastHeight = height;
    lastMax = maximum;
  }
  // A gap counted before a last child that takes no room is taken back.
  if (count > 0 && minSum > 0 && lastHeight < 1) {
    minSum -= gap;
  }
  if (count > 0 && maxSum > 0 && lastMax < 1) {
    maxSum -= gap;
  }

  const int32_t columnHeight = std::max(container->getClientHeight(), minSum);
  int32_t extra = columnHeight - minSum;
  if (extra > 0 && minSum < maxSum) {
    if (columnHeight < maxSum) {
      const float ratio = static_cast<float>(extra) / static_cast<float>(maxSum - minSum);
      int32_t remainder = extra;
      for (int32_t i = 0; i < count; ++i) {
        IComponent* child = container->getChild(i);
        const int32_t height = child->getHeight();
        const int32_t maximum = child->getMaximumHeight();
        if (height < maximum) {
          const auto grow = static_cast<int32_t>(ratio * static_cast<float>(maximum - height));
          child->setSizeWithinLimits(columnWidth, height + grow);
          remainder -= child->getHeight() - height;
        }
      }
      for (int32_t i = 0; i < count && remainder > 0; ++i) {
        IComponent* child = container->getChild(i);
        const int32_t height = child->getHeight();
        const int32_t maximum = child->getMaximumHeight();
        if (height < maximum) {
          child->setSizeWithinLimits(columnWidth, std::min(maximum, height + remainder));
          remainder -= child->getHeight() - height;
        }
      }
      extra = remainder;
    } else {
      for (int32_t i = 0; i < count; ++i) {
        IComponent* child = container->getChild(i);
        child->setSizeWithinLimits(columnWidth, child->getMaximumHeight());
      }
      extra = columnHeight - maxSum;
    }
  }

  int32_t y = startOf(vAlign, extra);
  int32_t previousHeight = 0;
  for (int32_t i = 0; i < count; ++i) {
    IComponent* child = container->getChild(i);
    if (i > 0 && previousHeight >= 1) {
      y += gap;
    }
    child->setLocation(alignIn(hAlign, columnWidth, child->getWidth()), y);
    previousHeight = child->getHeight();
    y += previousHeight;
  }

  put(outMinWidth, minWidth);
  put(outMinHeight, minSum);
  put(outWidest, widest);
  put(outMaxHeight, maxSum);
}

void IContainer::layoutRow(IComponent* container, int32_t hAlign, int32_t vAlign, int32_t gap,
                           int32_t* outMinWidth, int32_t* outMinHeight, int32_t* outMaxWidth,
                           int32_t* outMaxHeight) {
  const int32_t count = container->getChildCount();
  BatchFrame batch(container);

  int32_t minSum = 0;
  int32_t maxSum = 0;
  int32_t lastMin = 0;
  int32_t lastMax = 0;
  for (int32_t i = 0; i < count; ++i) {
    IComponent* child = container->getChild(i);
    const int32_t minimum = child->getMinimumWidth();
    const int32_t maximum = std::max(minimum, child->getMaximumWidth());
    if (i > 0 && lastMin > 0) {
      minSum += gap;
    }
    if (i > 0 && lastMax > 0) {
      maxSum += gap;
    }
    minSum += minimum;
    maxSum += maximum;
    lastMin = minimum;
    lastMax = maximum;
  }
  if (count > 0 && minSum > 0 && lastMin <= 0) {
    minSum -= gap;
  }
  if (count > 0 && maxSum > 0 && lastMax <= 0) {
    maxSum -= gap;
  }

  const int32_t rowWidth = std::max(container->getClientWidth(), minSum);
  int32_t extra = rowWidth - minSum;
  if (extra > 0 && maxSum > minSum) {
    if (rowWidth >= maxSum) {
      for (int32_t i = 0; i < count; ++i) {
        IComponent* child = container->getChild(i);
        child->setSizeWithinLimits(std::max(child->getMinimumWidth(), child->getMaximumWidth()), 0);
      }
      extra = rowWidth - maxSum;
    } else {
      const float ratio = static_cast<float>(extra) / static_cast<float>(maxSum - minSum);
      int32_t leftover = extra;
      for (int32_t i = 0; i < count; ++i) {
        IComponent* child = container->getChild(i);
        const int32_t minimum = child->getMinimumWidth();
        const int32_t maximum = child->getMaximumWidth();
        if (maximum > minimum) {
          const auto grow = static_cast<int32_t>(static_cast<float>(maximum - minimum) * ratio);
          child->setSizeWithinLimits(minimum + grow, 0);
          leftover -= child->getWidth() - minimum;
        } else {
          child->setSizeWithinLimits(minimum, 0);
        }
      }
      // The leftover of the truncations goes to the first children that can still grow; a pass
      // in which no child takes anything ends the sharing.
      bool progress = true;
      while (leftover != 0 && progress) {
        progress = false;
        for (int32_t i = 0; i < count && leftover != 0; ++i) {
          IComponent* child = container->getChild(i);
          const int32_t width = child->getWidth();
          const int32_t maximum = child->getMaximumWidth();
          if (width < maximum) {
            child->setSizeWithinLimits(std::min(maximum, width + leftover), 0);
            const int32_t taken = child->getWidth() - width;
            progress = progress || taken != 0;
            leftover -= taken;
          }
        }
      }
      extra = leftover;
    }
  } else {
    for (int32_t i = 0; i < count; ++i) {
      IComponent* child = container->getChild(i);
      child->setSizeWithinLimits(child->getMinimumWidth(), 0);
    }
  }

  int32_t minHeight = 0;
  int32_t maxHeight = 0;
  for (int32_t i = 0; i < count; ++i) {
    IComponent* child = container->getChild(i);
    const int32_t minimum = child->getMinimumHeight();
    minHeight = std::max(minHeight, minimum);
    maxHeight = std::max(maxHeight, std::max(minimum, child->getMaximumHeight()));
  }
  const int32_t rowHeight = std::max(container->getClientHeight(), minHeight);
  for (int32_t i = 0; i < count; ++i) {
    IComponent* child = container->getChild(i);
    child->setSizeWithinLimits(child->getWidth(), std::max(rowHeight, child->getMinimumHeight()));
  }

  int32_t x = startOf(hAlign, extra);
  int32_t previousWidth = 0;
  for (int32_t i = 0; i < count; ++i) {
    IComponent* child = container->getChild(i);
    if (i > 0 && previousWidth > 0) {
      x += gap;
    }
    child->setLocation(x, alignIn(vAlign, rowHeight, child->getHeight()));
    previousWidth = child->getWidth();
    x += previousWidth;
  }

  put(outMinWidth, minSum);
  put(outMinHeight, minHeight);
  put(outMaxWidth, maxSum);
  put(outMaxHeight, maxHeight);
}

namespace {

/// The rows of a flow: each child's row, found by the one breaking rule.
struct FlowRow {
  int32_t first;
  int32_t end;
  int32_t remaining;
};

bool countsInFlow(IComponent* child) { return child->isVisible() && child->getWidth() > 0; }

std::vector<FlowRow> breakFlow(IComponent* container, int32_t width, int32_t hGap) {
  std::vector<FlowRow> rows;
  const int32_t count = container->getChildCount();
  FlowRow row{0, 0, width};
  bool rowCounts = false;
  for (int32_t i = 0; i < count; ++i) {
    IComponent* child = container->getChild(i);
    const bool counts = countsInFlow(child);
    const int32_t childWidth = child->getWidth();
    const int32_t gap = rowCounts && counts ? hGap : 0;
    if (row.end > row.first && row.remaining - gap - childWidth < 0) {
      rows.push_back(row);
      row = FlowRow{i, i + 1, width - childWidth};
      rowCounts = counts;
    } else {
      row.remaining -= gap + childWidth;
      row.end = i + 1;
      rowCounts = rowCounts || counts;
    }
  }
  if (row.end > row.first) {
    rows.push_back(row);
  }
  return rows;
}

int32_t tallestIn(IComponent* container, const FlowRow& row) {
  int32_t tallest = 0;
  for (int32_t i = row.first; i < row.end; ++i) {
    tallest = std::max(tallest, container->getChild(i)->getHeight());
  }
  return tallest;
}

}  // namespace

void IContainer::layoutFlow(IComponent* container, int32_t hAlign, int32_t vAlign, int32_t hGap,
                            int32_t vGap, int32_t* outMinWidth, int32_t* outMinHeight,
                            int32_t* outMaxWidth, int32_t* outMaxHeight) {
  const int32_t count = container->getChildCount();
  BatchFrame batch(container);

  int32_t widestMinimum = 0;
  int32_t oneRowWidth = 0;
  bool seenCounting = false;
  for (int32_t i = 0; i < count; ++i) {
    IComponent* child = container->getChild(i);
    const int32_t minimum = child->getMinimumWidth();
    widestMinimum = std::max(widestMinimum, minimum);
    oneRowWidth += std::max(minimum, child->getMaximumWidth());
    if (child->isVisible() && minimum > 0) {
      if (seenCounting) {
        oneRowWidth += hGap;
      }
      seenCounting = true;
    }
  }
  const int32_t width = std::max(container->getClientWidth(), widestMinimum);
  for (int32_t i = 0; i < count; ++i) {
    container->getChild(i)->setSizeWithinLimits(width, 0);
  }

  const std::vector<FlowRow> rows = breakFlow(container, width, hGap);
  int32_t minTotal = 0;
  int32_t maxTotal = 0;
  for (const FlowRow& row : rows) {
    int32_t rowMin = 0;
    int32_t rowMax = 0;
    for (int32_t i = row.first; i < row.end; ++i) {
      IComponent* child = container->getChild(i);
      const int32_t height = child->getHeight();
      rowMin = std::max(rowMin, height);
      rowMax = std::max(rowMax, std::max(child->getMaximumHeight(), height));
    }
    if (minTotal != 0) {
      minTotal += vGap;
      maxTotal += vGap;
    }
    minTotal += rowMin;
    maxTotal += rowMax;
  }

  int32_t extra = std::max(container->getClientHeight(), minTotal) - minTotal;
  if (extra > 0 && maxTotal > minTotal) {
    const float ratio = static_cast<float>(extra) / static_cast<float>(maxTotal - minTotal);
    for (const FlowRow& row : rows) {
      const int32_t before = tallestIn(container, row);
      for (int32_t i = row.first; i < row.end; ++i) {
        IComponent* child = container->getChild(i);
        const int32_t height = child->getHeight();
        const int32_t maximum = child->getMaximumHeight();
        if (maximum > height) {
          const auto grow = static_cast<int32_t>(static_cast<float>(maximum - height) * ratio);
          child->setSizeWithinLimits(width, height + grow);
        }
      }
      extra -= tallestIn(container, row) - before;
    }
  }

  int32_t y = startOf(vAlign, extra);
  for (const FlowRow& row : rows) {
    int32_t x = startOf(hAlign, row.remaining);
    bool placedCounting = false;
    for (int32_t i = row.first; i < row.end; ++i) {
      IComponent* child = container->getChild(i);
      const bool counts = countsInFlow(child);
      if (i > row.first && counts && placedCounting) {
        x += hGap;
      }
      child->setLocation(x, y);
      x += child->getWidth();
      placedCounting = placedCounting || counts;
    }
    y += tallestIn(container, row) + vGap;
  }

  put(outMinWidth, widestMinimum);
  put(outMinHeight, minTotal);
  put(outMaxWidth, oneRowWidth);
  put(outMaxHeight, maxTotal);
}

void IContainer::layoutPile(IComponent* container, int32_t hAlign, int32_t vAlign,
                            int32_t* outMinWidth, int32_t* outMinHeight, int32_t* outMaxWidth,
                            int32_t* outMaxHeight) {
  const int32_t count = container->getChildCount();
  BatchFrame batch(container);

  int32_t minWidth = 0;
  int32_t maxWidth = 0;
  for (int32_t i = 0; i < count; ++i) {
    IComponent* child = container->getChild(i);
    if (child->isVisible()) {
      const int32_t minimum = child->getMinimumWidth();
      minWidth = std::max(minWidth, minimum);
      maxWidth = std::max(maxWidth, std::max(minimum, child->getMaximumWidth()));
    }
  }
  const int32_t width = std::max(container->getClientWidth(), minWidth);

  int32_t minHeight = 0;
  int32_t maxHeight = 0;
  for (int32_t i = 0; i < count; ++i) {
    IComponent* child = container->getChild(i);
    if (child->isVisible()) {
      child->setSizeWithinLimits(width, 0);
      const int32_t minimum = child->getMinimumHeight();
      minHeight = std::max(minHeight, minimum);
      maxHeight = std::max(maxHeight, std::max(minimum, child->getMaximumHeight()));
    }
  }
  const int32_t height = std::max(container->getClientHeight(), minHeight);

  for (int32_t i = 0; i < count; ++i) {
    IComponent* child = container->getChild(i);
    if (!child->isVisible()) {
      continue;
    }
    if (child->getMaximumHeight() > child->getHeight()) {
      child->setSizeWithinLimits(child->getWidth(), std::max(height, child->getMaximumHeight()));
    }
    child->setLocation(alignIn(hAlign, width, child->getWidth()),
                       alignIn(vAlign, height, child->getHeight()));
  }

  put(outMinWidth, minWidth);
  put(outMinHeight, minHeight);
  put(outMaxWidth, maxWidth);
  put(outMaxHeight, maxHeight);
}

}  // namespace s::gui
