// The interface of an image kept in a file format.
#pragma once

#include "imaging/IImage.h"

#include <winnt.h>

#include <cstdint>

namespace s::file::win {
class PathWin;
}
namespace s::io {
class IInputStream;
class IOutputStream;
}  // namespace s::io

namespace s::image {

namespace win {
class BufferedImage;
}

/// An image held in its format's own pixel layout, read from and written to byte streams and
/// decoded into a 32-bit buffer by `getImage`.
///
/// `read` answers false and leaves the image empty (0 x 0) for input it refuses; a stream that
/// fails part-way leaves the image partly filled. `write` answers false when the stream refused
/// bytes. Neither reports anything to the user.
class IEncodedImage : public IImage {
 public:
  /// ".bmp", ".gif", ".jpg", ".png".
  virtual const WCHAR* getExtension() = 0;
  /// Decodes `frame` into `target` (grown with `ensureCapacity`, its visible size set) or into a
  /// new pooled buffer that the caller releases; answers the buffer, its has-alpha flag set.
  virtual win::BufferedImage* getImage(int32_t frame, win::BufferedImage* target) = 0;
  /// A new image set of every frame (the caller releases it).
  virtual IBufferedImageSet* getImageSet() = 0;
  virtual bool write(io::IOutputStream* stream) = 0;
  virtual bool read(io::IInputStream* stream) = 0;
  virtual bool hasFrames() = 0;
  virtual int32_t getFrameCount() = 0;
  /// Writes the image to a new file, creating missing parent folders. An existing file is never
  /// overwritten: nothing is written and the answer is true. Otherwise the answer is false when
  /// the file could not be opened or written.
  virtual bool saveToFile(const WCHAR* path) = 0;
  virtual bool saveToFile(file::win::PathWin* path) = 0;
  /// Reads the image from a file: false for a missing path, a folder, a failed `read`, or a file
  /// that cannot be closed.
  virtual bool loadFromFile(const WCHAR* path) = 0;
  virtual bool loadFromFile(file::win::PathWin* path) = 0;
  /// A new encoded image of this format made from a set with the format's default settings (the
  /// caller releases it); null for an empty set.
  virtual IEncodedImage* createLikeFromSet(IBufferedImageSet* set) = 0;
  /// A new encoded image of this format made from `image` with the format's default settings
  /// (the caller releases it).
  virtual IEncodedImage* createLike(win::BufferedImage* image) = 0;
  virtual bool findExactFrame(int32_t width, int32_t height, int32_t bitCount, int32_t* index) = 0;
  virtual bool findBestFrame(int32_t width, int32_t height, int32_t bitCount, int32_t* index) = 0;
  virtual bool findNearestAreaFrame(int32_t width, int32_t height, int32_t bitCount,
                                    int32_t* index) = 0;
};

/// The save options of one format (IEncodeSetting.h).
class IEncodeSetting;

}  // namespace s::image
