// Octree colour reduction: a palette for a 32-bit image and the mapping of its pixels.
#pragma once

#include "core/base/IObject.h"
#include "core/thread/ClassTail.h"
#include "core/thread/IPoolable.h"

#include <cstdint>

namespace s::image::win {
class BufferedImage;
}

namespace s::image::filters::reduction {

/// Reduces an image to at most max(colours, 16) octree leaves, then to a palette of the asked
/// number of colours, and maps pixels to palette indices of 8 or 4 bits.
///
/// `getColourCount` is the number of colours asked for and also the transparent index that
/// non-opaque pixels map to; `getBuiltCount` is the number of palette entries `build` made, and
/// only those are searched. An image whose has-alpha flag is false counts as opaque in `build`
/// and `mapRow` whatever its alpha bytes say. Pooled (capacity 1000); one thread at a time.
class Quantizer final : public base::IObject, public virtual thread::IPoolable {
  S_POOLED_CLASS(Quantizer, u"s_image_filters_reduction_Quantizer")

  Quantizer();
  ~Quantizer() override;
  Quantizer(const Quantizer&) = delete;
  Quantizer& operator=(const Quantizer&) = delete;
  void reset() override;

  /// Builds the tree and the palette from every visible pixel of `image`; `colours` is 1 to 256.
  void build(win::BufferedImage* image, int32_t colours);
  /// Writes the palette index of each of `count` pixels to `out`: one byte each at 8 bits, two
  /// pixels a byte at 4 bits (the even pixel in the high nibble).
  void mapRow(const uint32_t* pixels, int32_t count, uint8_t* out, int32_t bits);

  int32_t getColourCount() const { return m_colourCount; }
  int32_t getBuiltCount() const { return m_builtCount; }
  uint32_t getLeafCount() const { return m_leafCount; }
  /// 256 entries of 0xAARRGGBB; the first `getBuiltCount` are defined, the rest 0.
  const uint32_t* getPalette() const { return m_palette; }

 private:
  struct Node;

  void insert(uint8_t r, uint8_t g, uint8_t b);
  void reduceOnce();
  void freeTree(Node* node);
  void collectLeaves(Node* node);
  uint8_t nearest(uint32_t pixel) const;

  Node* m_root = nullptr;
  uint32_t m_leafCount = 0;
  int32_t m_colourCount = 0;
  Node* m_reducible[9] = {};
  uint32_t m_palette[256] = {};
  int32_t m_builtCount = 0;
  /// The image built from has no meaningful alpha: every pixel is opaque.
  bool m_allOpaque = false;
  /// Leaves collected while building the palette, with their pixel counts.
  uint32_t m_leafColours[256] = {};
  uint32_t m_leafPixels[256] = {};
  int32_t m_collected = 0;
};

}  // namespace s::image::filters::reduction
