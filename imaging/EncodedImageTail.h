// What the codecs answer alike: saving and loading by path, and, for the formats that hold one
// image, their one frame.
#pragma once

#include "imaging/EncodedImageFiles.h"

#include <windows.h>

#include <cstdint>

namespace s::image {

/// The file operations of a codec over the encoded-image interface `Interface` it implements,
/// through `saveEncodedImage` and `loadEncodedImage`. It declares no operation of its own, so the
/// codec keeps its interface's virtual order.
template <class Interface>
class EncodedFileTail : public Interface {
 public:
  bool saveToFile(const WCHAR* path) override { return saveEncodedImage(this, path); }
  bool saveToFile(file::win::PathWin* path) override { return saveEncodedImage(this, path); }
  bool loadFromFile(const WCHAR* path) override { return loadEncodedImage(this, path); }
  bool loadFromFile(file::win::PathWin* path) override { return loadEncodedImage(this, path); }
};

/// The frame operations of a format that holds one image: no frames, a count of one, and frame 0
/// for every search. Declares no operation of its own either.
template <class Interface>
class SingleImageTail : public EncodedFileTail<Interface> {
 public:
  bool hasFrames() override { return false; }
  int32_t getFrameCount() override { return 1; }
  bool findExactFrame(int32_t, int32_t, int32_t, int32_t* index) override {
    *index = 0;
    return true;
  }
  bool findBestFrame(int32_t, int32_t, int32_t, int32_t* index) override {
    *index = 0;
    return true;
  }
  bool findNearestAreaFrame(int32_t, int32_t, int32_t, int32_t* index) override {
    *index = 0;
    return true;
  }
};

}  // namespace s::image
