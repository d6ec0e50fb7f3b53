// libjpeg source and destination managers over callbacks, with 4096-byte buffers.
#pragma once

#include "imaging/jpg/win/JpegLib.h"

#include <cstddef>

namespace s::image::jpg::win {

/// Reads up to `count` bytes into `buffer`; answers the bytes read, 0 at the end or on an error.
using JpegReadCallback = size_t (*)(void* user, void* buffer, size_t count);
/// Writes `count` bytes; answers non-zero on success.
using JpegWriteCallback = int (*)(void* user, const void* data, size_t count);

/// The bytes moved per call.
constexpr size_t kJpegBufferSize = 4096;

/// Installs the source manager on `cinfo` (allocated once, in its permanent pool): data comes
/// through `read` with `user`. An empty stream raises the library's input-empty error; one that
/// ends early gets its warning and a fake end-of-image marker.
void jpegStreamSource(j_decompress_ptr cinfo, JpegReadCallback read, void* user);
/// Installs the destination manager: data goes out through `write` with `user`; a failed write
/// raises the library's write error.
void jpegStreamDestination(j_compress_ptr cinfo, JpegWriteCallback write, void* user);

}  // namespace s::image::jpg::win
