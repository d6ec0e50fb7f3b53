// PNG images through libpng.
#pragma once

#include "core/thread/ClassTail.h"
#include "imaging/bmp/win/BitmapTail.h"
#include "imaging/png/IPng.h"

#include <windows.h>

#include <cstdint>

namespace s::image::png::win {

/// A PNG image: its pixels in an inner 32-bit bitmap (blue, green, red, alpha; `getLine(0)` the
/// top row) and an interlace flag for writing (false after reset).
///
/// `read` takes every kind of PNG to 8-bit RGBA: palettes to colours, grey to RGB, sub-byte
/// samples to bytes, 16-bit samples truncated to their high byte, a transparency chunk to alpha,
/// opaque kinds with alpha 255. It answers false, the bitmap empty, for a bad signature, a header
/// libpng refuses or a size beyond the decoders' limit; a library error later on (bad data, a
/// bad CRC of a critical chunk, a stream that ends early) answers false with the rows read so far
/// kept. `write` stores 8-bit RGBA, Adam7-interlaced when the flag is set, at libpng's default
/// compression and filters, leaving the bitmap as it was; it answers false when the stream
/// refuses bytes. A library error abandons the one image, never the program, and leaves the
/// stream where the library stopped: the caller decides what to do with it.
///
/// Pooled (capacity 1000); one thread at a time.
class Png final : public bmp::win::BitmapTail<Png, IPng, 32> {
  S_POOLED_CLASS(Png, u"s_image_png_win_Png")

  /// The most ancillary chunks of one kind a read keeps (text, unknown chunks and the like).
  static constexpr uint32_t kMaxCachedChunks = 128;

  Png();
  ~Png() override;
  Png(const Png&) = delete;
  Png& operator=(const Png&) = delete;
  void reset() override;

  int32_t getWidth() override;
  int32_t getHeight() override;
  const WCHAR* getExtension() override { return u".png"; }
  /// The bitmap's pixels; an image whose alpha bytes are all 0 counts as opaque.
  image::win::BufferedImage* getImage(int32_t frame, image::win::BufferedImage* target) override;
  /// A new set of the one image, keyed by its bit count.
  IBufferedImageSet* getImageSet() override;
  bool write(io::IOutputStream* stream) override;
  bool read(io::IInputStream* stream) override;
  /// A new image of the set's best image with the format's default settings.
  IEncodedImage* createLikeFromSet(IBufferedImageSet* set) override;
  /// A new PNG of `image`, interlaced, keeping transparency (white under transparent pixels).
  IEncodedImage* createLike(image::win::BufferedImage* image) override;

  virtual void setInterlace(bool interlace) { m_interlace = interlace ? 1 : 0; }
  /// Makes the bitmap from `image` and sets the interlace flag. With `keep` the image's alpha is
  /// kept as it is; without it an image with alpha is composed over the opaque background (red,
  /// green, blue) first.
  virtual bool createFrom(image::win::BufferedImage* image, bool interlace, bool keep, uint8_t red,
                          uint8_t green, uint8_t blue);

  bool getInterlace() const { return m_interlace != 0; }
  bmp::win::Bitmap* getBitmap() { return m_bitmap; }

 private:
  int32_t m_interlace = 0;
  bmp::win::Bitmap* m_bitmap = nullptr;
};

}  // namespace s::image::png::win
