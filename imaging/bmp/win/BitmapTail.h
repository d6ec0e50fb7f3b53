// The bitmap operations of the codecs that keep their pixels in an inner bitmap (JPEG and PNG),
// passed on to it.
#pragma once

#include "imaging/EncodedImageTail.h"
#include "imaging/bmp/win/Bitmap.h"

#include <windows.h>

#include <cstdint>

namespace s::image::bmp::win {

/// A single-image codec `Codec` over `Interface` whose pixels lie in an inner `Bitmap` of `Bits`
/// bits per pixel, which `Codec::getBitmap()` answers (null: every operation answers none). The
/// bitmap operations are the codec's first own virtual operations, in this order; a codec that
/// keeps its pixels elsewhere for a while overrides the ones that must bring them back first.
template <class Codec, class Interface, int32_t Bits>
class BitmapTail : public SingleImageTail<Interface> {
 public:
  /// A new empty picture of width x height at the codec's depth.
  virtual bool createDib(int32_t width, int32_t height) {
    Bitmap* pixels = bitmap();
    return pixels != nullptr && pixels->createDib(width, height, Bits);
  }
  virtual bool createFromHBitmap(HBITMAP source) {
    Bitmap* pixels = bitmap();
    return pixels != nullptr && pixels->createFromHBitmap(source);
  }
  virtual bool copyTo(Bitmap* target) {
    Bitmap* pixels = bitmap();
    return pixels != nullptr && pixels->copyTo(target);
  }
  virtual int32_t getBitCount() {
    Bitmap* pixels = bitmap();
    return pixels != nullptr ? pixels->getBitCount() : 0;
  }
  virtual int32_t getStride() {
    Bitmap* pixels = bitmap();
    return pixels != nullptr ? pixels->getStride() : 0;
  }
  virtual bool isTrueColorAlpha() {
    Bitmap* pixels = bitmap();
    return pixels != nullptr && pixels->isTrueColorAlpha();
  }
  virtual bool hasColorTable() {
    Bitmap* pixels = bitmap();
    return pixels != nullptr && pixels->hasColorTable();
  }
  virtual int32_t getColorCount() {
    Bitmap* pixels = bitmap();
    return pixels != nullptr ? pixels->getColorCount() : 0;
  }
  virtual int32_t getColorTableSize() {
    Bitmap* pixels = bitmap();
    return pixels != nullptr ? pixels->getColorTableSize() : 0;
  }
  virtual uint8_t* getLine(int32_t y) {
    Bitmap* pixels = bitmap();
    return pixels != nullptr ? pixels->getLine(y) : nullptr;
  }
  virtual uint8_t* getBits() {
    Bitmap* pixels = bitmap();
    return pixels != nullptr ? pixels->getBits() : nullptr;
  }

 private:
  Bitmap* bitmap() { return static_cast<Codec*>(this)->getBitmap(); }
};

}  // namespace s::image::bmp::win
