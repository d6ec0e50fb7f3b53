// Something that can be read as a byte stream.
#pragma once

namespace s::io {

class IInputStream;

/// Offers a fresh input stream over its contents.
class IInputStreamable {
 public:
  virtual ~IInputStreamable() = default;
  /// A pooled stream positioned at the start; the caller disposes of it.
  virtual IInputStream* getInputStream() = 0;
};

}  // namespace s::io
