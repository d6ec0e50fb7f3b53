// GIF images: any number of 8-bit frames with their own palettes, transparency, delays and a
// loop count, read and written by our own code.
#pragma once

#include "core/col/array/ArrayP.h"
#include "core/col/array/ArrayS32.h"
#include "core/col/array/ArrayU08.h"
#include "core/thread/ClassTail.h"
#include "imaging/EncodedImageTail.h"
#include "imaging/gif/IGif.h"
#include "imaging/gif/win/GifLzw.h"

#include <windows.h>

#include <cstdint>

namespace s::image::bmp::win {
class Bitmap;
}
namespace s::image::win {
class BufferedImageSet;
}

namespace s::image::gif::win {

/// A GIF image: frames (palette bitmaps, 8 bits per pixel when made here or read) each with a
/// transparent index (-1 for none), a delay in milliseconds and a disposal method, and the
/// NETSCAPE2.0 loop count (1 after reset). Every frame starts at the top-left corner.
///
/// `write` writes "GIF89a", the loop block and, per frame, a graphic control block, a descriptor
/// with a local colour table and the LZW data; it answers false and writes nothing for an image
/// without frames or with a frame it cannot write (more than 8 bits per pixel), and false when the
/// stream refuses bytes.
///
/// `read` takes the frames of any GIF, interlaced or not, with a grey ramp where a file has no
/// colour table. It refuses a frame side or a total of all frames' pixels beyond the decoders'
/// limits (ImageLimits.h; the total may be twice the one-image limit) and more than 65,535
/// frames, answering false with the frames read so far. A frame with a zero side is passed over;
/// corrupt LZW data end their frame where they break, the frame keeping the rows filled so far.
/// A stream that ends inside a block answers false; one that ends between blocks without its
/// trailer is read as far as it goes. A stream without frames answers false.
///
/// Pooled (capacity 1000); one thread at a time. Frames come from and go back to the Bitmap pool.
class Gif final : public EncodedFileTail<IGif> {
  S_POOLED_CLASS(Gif, u"s_image_gif_win_Gif")

  /// The alpha below which `createFrom` makes a pixel transparent when called for the buffer's
  /// own saves and for sets.
  static constexpr uint8_t kAlphaThreshold = 96;
  static constexpr int32_t kMaxFrames = 65535;

  Gif();
  ~Gif() override;
  Gif(const Gif&) = delete;
  Gif& operator=(const Gif&) = delete;
  void reset() override;

  int32_t getWidth() override;
  int32_t getHeight() override;
  const WCHAR* getExtension() override { return u".gif"; }
  /// Frame `frame` decoded opaque, its transparent index (when it has one) made alpha 0; null for
  /// a frame outside the image.
  image::win::BufferedImage* getImage(int32_t frame, image::win::BufferedImage* target) override;
  /// Every frame, centred in the largest frame size on opaque white, keyed by its bit count and
  /// tagged with its delay and disposal; the set is marked animated with the loop count. When
  /// those canvases would pass the decoders' limits (one canvas beyond the one-image limit, or
  /// all of them beyond twice it), every frame keeps its own size.
  IBufferedImageSet* getImageSet() override;
  bool write(io::IOutputStream* stream) override;
  bool read(io::IInputStream* stream) override;
  bool hasFrames() override { return getFrameCount() > 0; }
  int32_t getFrameCount() override { return static_cast<int32_t>(m_frames.getCount()); }
  /// An animated GIF of a set of more than one image marked animated, else `createLike` of the
  /// set's best image.
  IEncodedImage* createLikeFromSet(IBufferedImageSet* set) override;
  /// A new GIF of `image` keeping transparency over white, at this image's bit count (8 when it
  /// was never read).
  IEncodedImage* createLike(image::win::BufferedImage* image) override;
  bool findExactFrame(int32_t width, int32_t height, int32_t bitCount, int32_t* index) override;
  bool findBestFrame(int32_t width, int32_t height, int32_t bitCount, int32_t* index) override;
  bool findNearestAreaFrame(int32_t width, int32_t height, int32_t bitCount,
                            int32_t* index) override;

  /// Replaces every frame by one new frame of that size and bit count.
  virtual bool createDib(int32_t width, int32_t height, int32_t bits);
  /// With exactly one frame, that frame copies `bitmap`; otherwise every frame is replaced by one
  /// made from it.
  virtual bool createFromHBitmap(HBITMAP bitmap);
  /// The first frame into `target`, converted to its format.
  virtual bool copyTo(bmp::win::Bitmap* target);
  /// These describe the first frame (0 or false without frames).
  virtual int32_t getBitCount();
  virtual int32_t getStride();
  virtual bool isTrueColorAlpha();
  virtual bool hasColorTable();
  virtual int32_t getColorCount();
  virtual int32_t getColorTableSize();
  /// Whether any frame has a transparent index.
  virtual bool hasTransparentColor();
  /// Appends a frame made from `image`: a palette of at most (1 << bits) - 1 colours (bits 1 to
  /// 8), the frame always 8 bits per pixel. An image with alpha keeps its transparency with
  /// `keep` (alpha below `threshold` becomes transparent, the rest opaque; the transparent index
  /// is (1 << bits) - 1, whose table entry is 0) or is composed over the opaque background
  /// (red, green, blue) without it.
  virtual bool createFrom(image::win::BufferedImage* image, int32_t bits, bool keep, uint8_t red,
                          uint8_t green, uint8_t blue, uint8_t threshold);
  /// An animated GIF of `set` whose later frames store only the pixels that changed (the others
  /// transparent, disposal 1), with the set's delays and loop count; a set of one image, or one
  /// not marked animated, gives one frame of its best image.
  virtual bool createFromSet(IBufferedImageSet* set, int32_t bits, bool keep, uint8_t red,
                             uint8_t green, uint8_t blue);

  /// Frame `index` (owned by the image), null outside the image.
  bmp::win::Bitmap* getFrame(int32_t index);
  /// The frame's tags: -1, 0 and 0 outside the image.
  int32_t getTransparentIndex(int32_t index);
  int32_t getFrameDelay(int32_t index);
  int32_t getDisposal(int32_t index);
  uint16_t getLoopCount() const { return m_loopCount; }
  void setLoopCount(uint16_t loopCount) { m_loopCount = loopCount; }
  /// The bit count of the last colour table read (0 when none was).
  int32_t getBitsPerPixel() const { return m_bitsPerPixel; }

 private:
  void releaseFrames();
  void appendFrame(bmp::win::Bitmap* frame, int32_t transparentIndex, int32_t delay,
                   int32_t disposal);
  bool readImage(io::IInputStream* stream, bool* pendingControl, int64_t* pixelTotal, bool* stop);
  static bool isWritable(bmp::win::Bitmap* frame);
  bool writeFrame(io::IOutputStream* stream, int32_t index);
  bool skipSubBlocks(io::IInputStream* stream);
  bool findFrame(int32_t width, int32_t height, int32_t bitCount, bool exactOnly, bool areaFirst,
                 int32_t* index);

  GifLzw m_lzw;
  uint8_t m_header[13] = {};
  uint8_t m_globalTable[256 * 3] = {};
  int32_t m_globalCount = 0;
  int32_t m_globalSize = 0;
  uint8_t m_localTable[256 * 3] = {};
  int32_t m_localCount = 0;
  int32_t m_localSize = 0;
  uint8_t m_control[5] = {};
  uint8_t m_application[12] = {};
  uint8_t m_descriptor[9] = {};
  col::_array::ArrayU08 m_data;
  col::_array::ArrayU08 m_pixels;
  int32_t m_bitsPerPixel = 0;
  int32_t m_interlaced = 0;
  col::_array::ArrayP m_frames;
  col::_array::ArrayS32 m_transparentIndex;
  col::_array::ArrayS32 m_delay;
  col::_array::ArrayS32 m_disposal;
  uint16_t m_loopCount = 1;
};

}  // namespace s::image::gif::win
