// Octree colour reduction: a palette for a 32-bit image and the mapping of its pixels.
#include "imaging/filters/reduction/Quantizer.h"

#include "imaging/win/BufferedImage.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace s::image::filters::reduction {

struct Quantizer::Node {
  bool isLeaf = false;
  uint32_t pixelCount = 0;
  uint32_t red = 0;
  uint32_t green = 0;
  uint32_t blue = 0;
  uint32_t alpha = 0;
  Node* children[8] = {};
  Node* next = nullptr;
};

Quantizer::Quantizer() { reset(); }

Quantizer::~Quantizer() { freeTree(m_root); }

void Quantizer::freeTree(Node* node) {
  if (node == nullptr) {
    return;
  }
  for (Node* child : node->children) {
    freeTree(child);
  }
  delete node;
}

void Quantizer::reset() {
  freeTree(m_root);
  m_root = nullptr;
  m_leafCount = 0;
  m_colourCount = 0;
  std::fill(std::begin(m_reducible), std::end(m_reducible), nullptr);
  // Entries past the built colours are never searched; they read 0.
  std::memset(m_palette, 0, sizeof(m_palette));
  m_builtCount = 0;
  m_allOpaque = false;
  m_collected = 0;
}

void Quantizer::insert(uint8_t r, uint8_t g, uint8_t b) {
  Node** slot = &m_root;
  for (int32_t level = 0;; ++level) {
    if (*slot == nullptr) {
      Node* node = new Node();
      if (level == 8) {
        node->isLeaf = true;
        ++m_leafCount;
      } else {
        node->next = m_reducible[level];
        m_reducible[level] = node;
      }
      *slot = node;
    }
    Node* node = *slot;
    if (node->isLeaf) {
      ++node->pixelCount;
      node->red += r;
      node->green += g;
      node->blue += b;
      return;
    }
    const int32_t shift = 7 - level;
    const int32_t mask = 128 >> level;
    const int32_t index =
        (((r & mask) >> shift) << 2) | (((g & mask) >> shift) << 1) | ((b & mask) >> shift);
    slot = &node->children[index];
  }
}

void Quantizer::reduceOnce() {
  int32_t level = 7;
  while (level > 0 && m_reducible[level] == nullptr) {
    --level;
  }
  Node* node = m_reducible[level];
  if (node == nullptr) {
    return;
  }
  m_reducible[level] = node->next;
  int32_t children = 0;
  for (Node*& child : node->children) {
    if (child == nullptr) {
      continue;
    }
    node->pixelCount += child->pixelCount;
    node->red += child->red;
    node->green += child->green;
    node->blue += child->blue;
    node->alpha += child->alpha;
    freeTree(child);
    child = nullptr;
    ++children;
  }
  node->isLeaf = true;
  m_leafCount = m_leafCount + 1 - static_cast<uint32_t>(children);
}

void Quantizer::collectLeaves(Node* node) {
  if (node == nullptr) {
    return;
  }
  if (node->isLeaf) {
    if (m_collected < 256 && node->pixelCount > 0) {
      const uint32_t n = node->pixelCount;
      m_leafColours[m_collected] = ((node->alpha / n) << 24) | ((node->red / n) << 16) |
                                   ((node->green / n) << 8) | (node->blue / n);
      m_leafPixels[m_collected] = n;
      ++m_collected;
    }
    return;
  }
  for (Node* child : node->children) {
    collectLeaves(child);
  }
}

void Quantizer::build(win::BufferedImage* image, int32_t colours) {
  reset();
  colours = std::clamp(colours, 1, 256);
  m_colourCount = colours;
  if (image == nullptr || image->isEmpty()) {
    return;
  }
  m_allOpaque = !image->hasAlpha();
  const uint32_t limit = static_cast<uint32_t>(std::max(colours, 16));
  for (int32_t y = 0; y < image->getHeight(); ++y) {
    const uint8_t* p = image->getLine(y);
    for (int32_t x = 0; x < image->getWidth(); ++x, p += 4) {
      if (p[3] == 0 && !m_allOpaque) {
        continue;
      }
      insert(p[2], p[1], p[0]);
      while (m_leafCount > limit) {
        reduceOnce();
      }
    }
  }
  collectLeaves(m_root);
  const int32_t leaves = m_collected;
  if (colours >= 16 || colours >= leaves) {
    const int32_t n = std::min(leaves, colours);
    std::copy(m_leafColours, m_leafColours + n, m_palette);
    m_builtCount = n;
    return;
  }
  // Fewer colours than leaves: runs of leaves in visiting order, each one colour weighted by
  // its pixels.
  for (int32_t i = 0; i < colours; ++i) {
    const int32_t from = i * leaves / colours;
    const int32_t to = (i + 1) * leaves / colours;
    uint64_t sum[4] = {};
    uint64_t pixels = 0;
    for (int32_t k = from; k < to; ++k) {
      const uint64_t n = m_leafPixels[k];
      const uint32_t c = m_leafColours[k];
      sum[0] += n * (c & 0xFF);
      sum[1] += n * ((c >> 8) & 0xFF);
      sum[2] += n * ((c >> 16) & 0xFF);
      sum[3] += n * (c >> 24);
      pixels += n;
    }
    if (pixels > 0) {
      m_palette[i] = static_cast<uint32_t>(((sum[3] / pixels) << 24) | ((sum[2] / pixels) << 16) |
                                           ((sum[1] / pixels) << 8) | (sum[0] / pixels));
    }
  }
  m_builtCount = colours;
}

uint8_t Quantizer::nearest(uint32_t pixel) const {
  const int32_t r = (pixel >> 16) & 0xFF;
  const int32_t g = (pixel >> 8) & 0xFF;
  const int32_t b = pixel & 0xFF;
  int32_t best = 200000;
  int32_t index = 0;
  for (int32_t i = 0; i < m_builtCount; ++i) {
    const uint32_t c = m_palette[i];
    const int32_t dr = r - static_cast<int32_t>((c >> 16) & 0xFF);
    const int32_t dg = g - static_cast<int32_t>((c >> 8) & 0xFF);
    const int32_t db = b - static_cast<int32_t>(c & 0xFF);
    const int32_t d = dr * dr + dg * dg + db * db;
    if (d < best) {
      best = d;
      index = i;
      if (d == 0) {
        break;
      }
    }
  }
  return static_cast<uint8_t>(index);
}

void Quantizer::mapRow(const uint32_t* pixels, int32_t count, uint8_t* out, int32_t bits) {
  // The transparent index is one past the palette; at 256 colours it does not fit a byte, so
  // such pixels keep the last index.
  const uint8_t transparent = static_cast<uint8_t>(std::min(m_colourCount, 255));
  for (int32_t i = 0; i < count; ++i) {
    uint32_t pixel;
    std::memcpy(&pixel, pixels + i, 4);
    const bool opaque = m_allOpaque || (pixel >> 24) == 255;
    const uint8_t index = opaque ? nearest(pixel) : transparent;
    if (bits == 4) {
      if ((i & 1) == 0) {
        out[i >> 1] = static_cast<uint8_t>(index << 4);
      } else {
        out[i >> 1] = static_cast<uint8_t>((out[i >> 1] & 0xF0) | (index & 0x0F));
      }
    } else {
      out[i] = index;
    }
  }
}

}  // namespace s::image::filters::reduction
