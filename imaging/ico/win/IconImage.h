// One image of an icon file: a device-independent bitmap with its AND mask, or a PNG stream.
#pragma once

#include "core/col/array/ArrayU08.h"
#include "core/thread/ClassTail.h"
#include "imaging/EncodedImageTail.h"
#include "imaging/ico/IIconImage.h"

#include <windows.h>

#include <cstdint>

namespace s::image::bmp::win {
class Bitmap;
}

namespace s::image::ico::win {

/// The bytes an icon directory entry points at, decoded: a bitmap header whose height counts the
/// colour rows and the mask rows together, the colour table, the colour rows and the 1-bit AND
/// mask rows (both bottom-up), or a PNG stream. The header kept here holds the image height.
///
/// `read` keeps the entry's bytes as they came (the raw bytes, which `createIcon` hands to the
/// platform) and refuses, answering false with an empty image, a header shorter than 40 bytes or
/// longer than the entry, planes other than 1, bit counts other than 1, 4, 8, 16, 24 and 32,
/// compression, more colours than the depth can index (256 at most), an odd or non-positive
/// doubled height and a size beyond the decoders' limit. An entry that ends inside its rows is
/// read as far as it goes; the missing colour and mask rows stay zero. A PNG entry is decoded by
/// the PNG codec (its rules hold) and kept at 32 bits.
///
/// Owns its DIB section and its mask. Pooled (capacity 1000); one thread at a time.
class IconImage final : public SingleImageTail<IIconImage> {
  S_POOLED_CLASS(IconImage, u"s_image_ico_win_IconImage")

  static constexpr int32_t kTableEntries = 256;

  IconImage();
  ~IconImage() override;
  IconImage(const IconImage&) = delete;
  IconImage& operator=(const IconImage&) = delete;
  void reset() override;

  int32_t getWidth() override { return m_info.header.biWidth; }
  int32_t getHeight() override { return m_info.header.biHeight; }
  const WCHAR* getExtension() override { return u".ico"; }
  /// 32 bits take their alpha from the entry's rows (from the mask when every alpha byte is 0);
  /// other depths are transparent where the mask bit is set.
  image::win::BufferedImage* getImage(int32_t frame, image::win::BufferedImage* target) override;
  /// A set of the one image, keyed by its bit count.
  IBufferedImageSet* getImageSet() override;
  /// An image wider or taller than 255 pixels is written as PNG, any other in icon-entry form.
  bool write(io::IOutputStream* stream) override;
  bool read(io::IInputStream* stream) override;
  /// An icon image counts as a frame of its file, the one it holds.
  bool hasFrames() override { return true; }
  /// A bitmap of this image's bit count made from the set's best image, as BMP's own.
  IEncodedImage* createLikeFromSet(IBufferedImageSet* set) override;
  /// Icon images are made with `createFromImage`: answers null.
  IEncodedImage* createLike(image::win::BufferedImage*) override { return nullptr; }

  /// A new header for width x height at `bitCount`, a new DIB section and a zeroed mask; false
  /// when the section or the mask cannot be made.
  bool createDib(int32_t width, int32_t height, int32_t bitCount);
  /// Does nothing: icon images are not made from GDI bitmaps.
  void createFromHBitmap(HBITMAP) {}
  /// BitBlts the whole image to the top-left corner of `target`, which converts to its format.
  bool copyTo(bmp::win::Bitmap* target);
  /// A new icon of this image (the caller destroys it with DestroyIcon); null when the platform
  /// refuses the bytes.
  HICON createIcon();
  int32_t getBitCount() { return m_info.header.biBitCount; }
  bool isTrueColorAlpha() { return m_info.header.biBitCount == 32; }
  bool hasColorTable() { return m_colorCount != 0; }
  int32_t getColorCount() { return m_colorCount; }
  int32_t getColorTableSize() { return m_colorTableSize; }
  RGBQUAD* getColorTable() { return m_info.colors; }
  /// Row y counted from the top; null without pixels.
  uint8_t* getLine(int32_t y);
  uint8_t* getBits() { return m_bits; }
  int32_t getStride() { return m_stride; }
  uint8_t* getMaskLine(int32_t y);
  uint8_t* getMaskBits() { return m_mask; }
  int32_t getMaskStride() { return m_maskStride; }
  /// Makes this image from `image` at `bitCount`. With alpha and `keepAlpha`, below 32 bits
  /// alpha is made binary (below 32 transparent); without `keepAlpha` the image is composed over
  /// the opaque colour. 4 and 8 bits take a palette of 2^bits - 1 colours; the last index is the
  /// transparent one. The mask is set where the image worked on has alpha 0.
  bool createFromImage(image::win::BufferedImage* image, int32_t bitCount, bool keepAlpha,
                       uint8_t red, uint8_t green, uint8_t blue);

  /// The bytes as read, or as made by `createIcon`.
  col::_array::ArrayU08* getRawBytes() { return &m_raw; }

 private:
  struct Info {
    BITMAPINFOHEADER header;
    RGBQUAD colors[kTableEntries];
  };

  void updateColorCount();
  void deleteDib();
  void freeMask();
  /// A DIB section of the current header and table; false when it cannot be made.
  bool makeSection();
  bool readDibEntry();
  bool readPngEntry();
  /// The icon-entry form: the header with the height doubled, the table, colour and mask rows.
  bool writeEntry(io::IOutputStream* stream);
  bool refuse();

  HBITMAP m_dib = nullptr;
  col::_array::ArrayU08 m_raw;
  Info m_info = {};
  int32_t m_colorCount = 0;
  int32_t m_colorTableSize = 0;
  uint8_t* m_bits = nullptr;
  int32_t m_stride = 0;
  uint8_t* m_mask = nullptr;
  int32_t m_maskStride = 0;
};

}  // namespace s::image::ico::win
