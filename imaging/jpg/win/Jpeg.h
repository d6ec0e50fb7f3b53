// JPEG images through libjpeg.
#pragma once

#include "core/thread/ClassTail.h"
#include "imaging/bmp/win/BitmapTail.h"
#include "imaging/jpg/IJpeg.h"

#include <windows.h>

#include <cstdint>
#include <vector>

namespace s::image::jpg::win {

/// A JPEG image: its pixels as a 24-bit bitmap (blue, green, red; `getLine(0)` the top row) and
/// a quality of 0 to 100 for writing (75 after reset).
///
/// `read` decodes grey (blue = green = red), RGB and the inverted CMYK of Adobe files; it
/// answers false, the bitmap empty, for an empty stream, data libjpeg cannot decode, a size
/// beyond the decoders' limit, or a progressive file of more than 500 scans. A stream that ends
/// inside the picture still gives the full-size picture (answer true). `write` encodes baseline
/// RGB at the quality and answers false when the stream refuses bytes. A fatal library error
/// abandons the one image, never the program.
///
/// Storage: `read` and `createFrom` keep the pixels in the image buffer's 32-bit rows (libjpeg
/// decodes straight into them and encodes straight from them). After `read`, `getImage` hands
/// those very rows over (into `target`, whose own store the codec keeps for the next read) and
/// keeps the bytes it read, decoding them again should the pixels be asked for once more; after
/// `createFrom` it copies them. The 24-bit bitmap is made from the rows the first time a bitmap
/// operation asks for it, and holds the pixels from then on, as its rows may be written through.
/// Either way the pixels, and the bytes `write` gives, are the same.
///
/// Pooled (capacity 1000); one thread at a time.
class Jpeg final : public bmp::win::BitmapTail<Jpeg, IJpeg, 24> {
  S_POOLED_CLASS(Jpeg, u"s_image_jpg_win_Jpeg")

  /// The most scans a progressive file may have.
  static constexpr int32_t kMaxScans = 500;

  Jpeg();
  ~Jpeg() override;
  Jpeg(const Jpeg&) = delete;
  Jpeg& operator=(const Jpeg&) = delete;
  void reset() override;

  int32_t getWidth() override;
  int32_t getHeight() override;
  const WCHAR* getExtension() override { return u".jpg"; }
  image::win::BufferedImage* getImage(int32_t frame, image::win::BufferedImage* target) override;
  /// A new set of the one image, keyed by its bit count.
  IBufferedImageSet* getImageSet() override;
  bool write(io::IOutputStream* stream) override;
  bool read(io::IInputStream* stream) override;
  /// A new image of the set's best image with the format's default settings.
  IEncodedImage* createLikeFromSet(IBufferedImageSet* set) override;
  /// A new JPEG of `image` at quality 75 over white.
  IEncodedImage* createLike(image::win::BufferedImage* image) override;

  // The bitmap operations that first leave the rows to the bitmap, or answer from them.
  bool createDib(int32_t width, int32_t height) override;
  bool createFromHBitmap(HBITMAP bitmap) override;
  int32_t getBitCount() override;
  /// Clamped to 0 to 100.
  virtual void setQuality(int32_t quality);
  /// Makes the picture from `image`, flattened over the opaque background when it has alpha,
  /// and sets the quality.
  virtual bool createFrom(image::win::BufferedImage* image, int32_t quality, uint8_t red,
                          uint8_t green, uint8_t blue);

  /// Encodes `image` into `stream` at `quality` (clamped to 0 to 100) straight from its rows,
  /// flattened over the opaque background first when it has alpha, with the bytes `createFrom`
  /// and `write` would give; keeps nothing. False for an empty image or when the stream refuses
  /// bytes.
  static bool writeImage(io::IOutputStream* stream, image::win::BufferedImage* image,
                         int32_t quality, uint8_t red, uint8_t green, uint8_t blue);

  int32_t getQuality() const { return m_quality; }
  /// The bitmap, made from the rows first when they hold the pixels.
  bmp::win::Bitmap* getBitmap();

 private:
  /// The bitmap, made from the rows first when they hold the pixels.
  bmp::win::Bitmap* bitmap();
  /// Decodes the kept bytes into the rows again when they were handed over; false when that
  /// failed (out of memory), the picture then gone.
  bool restoreRows();
  /// Forgets the rows and the bytes kept; the bitmap holds the picture, if any.
  void leaveRows();

  int32_t m_quality = 75;
  bmp::win::Bitmap* m_bitmap = nullptr;
  /// Whether the picture is in the rows (or handed over, `m_lent`) rather than in the bitmap.
  bool m_inRows = false;
  bool m_lent = false;
  /// The rows: owned, pooled; while lent, the store given back in exchange, if any.
  image::win::BufferedImage* m_image = nullptr;
  int32_t m_rowsWidth = 0;
  int32_t m_rowsHeight = 0;
  /// The bytes `read` decoded, to decode them again; empty after `createFrom`.
  std::vector<uint8_t> m_source;
};

}  // namespace s::image::jpg::win
