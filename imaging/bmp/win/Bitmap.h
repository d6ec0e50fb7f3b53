// BMP images and device-independent bitmaps: the BMP codec and the pixel store of every image.
#pragma once

#include "core/thread/ClassTail.h"
#include "imaging/EncodedImageTail.h"
#include "imaging/bmp/IBitmap.h"

#include <windows.h>

#include <cstdint>

namespace s::image::bmp::win {

/// A device-independent bitmap (a DIB section the bitmap owns) with the BMP file headers that
/// describe it. It is the BMP codec and the store of the pixels of every other image: a
/// BufferedImage keeps a 32-bit one, a JPEG a 24-bit one.
///
/// Rows are stored bottom-up; `getLine(y)` counts from the top. Rows are padded to 4 bytes.
///
/// Reading refuses what it cannot read safely, answering false with an empty bitmap (0 x 0): a
/// missing "BM" signature; a header shorter than 40 bytes; planes other than 1; bit counts other
/// than 1, 4, 8, 16, 24 and 32; compression other than BI_RGB, or BI_BITFIELDS at 16 or 32 bits
/// (run-length, JPEG and PNG data are refused); a width or height below 1 (top-down files too);
/// a size beyond the decoders' limit (ImageLimits.h); a pixel-data offset inside the headers or
/// the colour table. At most 256 table entries are kept (2^bits at 8 bits or fewer); further
/// entries are passed over on the way to the pixels. A stream that ends inside the pixels leaves
/// the bitmap partly filled and answers false.
///
/// Pooled (`take`, `release`); a bitmap is used by one thread at a time.
class Bitmap final : public SingleImageTail<IBitmap> {
  S_POOLED_CLASS(Bitmap, u"s_image_bmp_win_Bitmap")

  /// The most colour-table entries a bitmap holds.
  static constexpr int32_t kTableEntries = 256;

  Bitmap();
  ~Bitmap() override;
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;
  void reset() override;

  int32_t getWidth() override { return m_info.header.biWidth; }
  int32_t getHeight() override { return m_info.header.biHeight; }
  const WCHAR* getExtension() override { return u".bmp"; }
  image::win::BufferedImage* getImage(int32_t frame, image::win::BufferedImage* target) override;
  /// A new set of the one image, keyed by its bit count.
  IBufferedImageSet* getImageSet() override;
  /// The file header, then `writeDib`; answers the result of the pixel write.
  bool write(io::IOutputStream* stream) override;
  bool read(io::IInputStream* stream) override;
  /// A new image of the set's best image with the format's default settings.
  IEncodedImage* createLikeFromSet(IBufferedImageSet* set) override;
  /// A new bitmap of this bitmap's bit count made from `image`, keeping transparency over white.
  IEncodedImage* createLike(image::win::BufferedImage* image) override;

  /// Headers for width x height at `bitCount` and a new DIB section replacing the old one. The
  /// handle and bits stay null when the section cannot be made (an unsupported depth, or a size
  /// whose bytes do not fit 32 bits).
  virtual bool createDib(int32_t width, int32_t height, int32_t bitCount);
  /// A copy of a GDI bitmap: a DIB section's bytes, or a device-dependent bitmap through BitBlt.
  virtual bool createFromHBitmap(HBITMAP bitmap);
  /// The icon drawn on a DIB of its size (16 per side when it has none): 32 bits when the icon
  /// has alpha, else 24 bits on a colour key (252, 253, 254) that `getImage` makes transparent.
  virtual bool createFromIcon(HICON icon);
  /// Copies the whole DIB to the top-left corner of `target` through BitBlt, which converts to the
  /// target's format.
  virtual bool copyTo(Bitmap* target);
  virtual int32_t getBitCount() { return m_info.header.biBitCount; }
  virtual int32_t getStride() { return m_stride; }
  /// 32 bits per pixel of BI_RGB: the fourth byte is alpha.
  virtual bool isTrueColorAlpha() {
    return m_info.header.biBitCount == 32 && m_info.header.biCompression == BI_RGB;
  }
  virtual bool hasColorTable() { return m_colorCount > 0; }
  virtual int32_t getColorCount() { return m_colorCount; }
  virtual int32_t getColorTableSize() { return m_colorTableSize; }
  virtual RGBQUAD* getColorTable() { return m_info.colors; }
  /// Row y counted from the top; null without pixels.
  virtual uint8_t* getLine(int32_t y);
  virtual uint8_t* getBits() { return m_bits; }
  virtual bool hasTransparentColor() { return m_colorKey != -1; }
  virtual void setTransparentColor(uint8_t red, uint8_t green, uint8_t blue);
  /// The info header, the colour table when it has entries, the pixels.
  virtual bool writeDib(io::IOutputStream* stream);
  /// A DIB without file header, checked as `read` checks a file.
  virtual bool readDib(io::IInputStream* stream);
  /// Makes this bitmap from `image` at `bitCount` (4, 8, 16, 24 or 32). An image with alpha is
  /// composed over the opaque background (red, green, blue), except at 32 bits with `keep`, where
  /// the transparent pixels of `image` itself get the background colour (alpha stays 0, so
  /// nothing visible changes). 4 and 8 bits take an octree palette of 2^bits colours; 16 bits are
  /// converted by the layer. Any other depth answers false with no pixels, so `write` fails.
  virtual bool createFrom(image::win::BufferedImage* image, int32_t bitCount, bool keep,
                          uint8_t red, uint8_t green, uint8_t blue);

  /// Writes `image` as the 24-bit file `createFrom(image, 24, ...)` and `write` would give, row
  /// by row straight from its rows, without making the pixels here; false for an image with
  /// alpha or without pixels, or when the stream refuses bytes. Leaves this bitmap empty.
  bool writeOpaque24(io::IOutputStream* stream, image::win::BufferedImage* image);

  HBITMAP getHandle() const { return m_dib; }
  /// The transparent colour as 0x00RRGGBB, -1 for none.
  int32_t getColorKey() const { return m_colorKey; }

 private:
  /// BITMAPINFOHEADER and its table as one BITMAPINFO.
  struct Info {
    BITMAPINFOHEADER header;
    RGBQUAD colors[kTableEntries];
  };

  void setHeader(int32_t width, int32_t height, int32_t bitCount);
  void updateColorCount();
  void updateFileHeader();
  void deleteDib();
  /// Reads and checks the info header and the table; `consumed` counts the bytes taken.
  bool readInfo(io::IInputStream* stream, int64_t* consumed);
  /// Back to the empty state after a refused header.
  bool refuse();
  uint32_t fileSize() const;

  HBITMAP m_dib = nullptr;
  /// The 14 bytes as stored: "BM", file size, two reserved words, pixel-data offset.
  uint8_t m_fileHeader[14] = {};
  Info m_info = {};
  uint8_t* m_bits = nullptr;
  int32_t m_stride = 0;
  int32_t m_colorCount = 0;
  int32_t m_colorTableSize = 0;
  BITMAP m_gdiBitmap = {};
  int32_t m_colorKey = -1;
};

}  // namespace s::image::bmp::win
