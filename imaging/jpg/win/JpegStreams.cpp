// libjpeg source and destination managers over callbacks, with 4096-byte buffers.
#include "imaging/jpg/win/JpegStreams.h"

namespace s::image::jpg::win {

namespace {

/// The source record; the library's fields first, so the record is its source manager. A C file
/// is read when `file` is set, else the callback.
struct SourceManager {
  jpeg_source_mgr pub;
  FILE* file;
  JpegReadCallback read;
  void* user;
  JOCTET* buffer;
  boolean startOfFile;
};

struct DestinationManager {
  jpeg_destination_mgr pub;
  FILE* file;
  JpegWriteCallback write;
  void* user;
  JOCTET* buffer;
};

void initSource(j_decompress_ptr cinfo) {
  reinterpret_cast<SourceManager*>(cinfo->src)->startOfFile = TRUE;
}

boolean fillInputBuffer(j_decompress_ptr cinfo) {
  auto* src = reinterpret_cast<SourceManager*>(cinfo->src);
  size_t got = src->file != nullptr ? std::fread(src->buffer, 1, kJpegBufferSize, src->file)
                                    : src->read(src->user, src->buffer, kJpegBufferSize);
  if (got == 0) {
    if (src->startOfFile) {
      ERREXIT(cinfo, JERR_INPUT_EMPTY);
    }
    WARNMS(cinfo, JWRN_JPEG_EOF);
    // A fake end-of-image marker lets the library finish the picture.
    src->buffer[0] = 0xFF;
    src->buffer[1] = JPEG_EOI;
    got = 2;
  }
  src->pub.next_input_byte = src->buffer;
  src->pub.bytes_in_buffer = got;
  src->startOfFile = FALSE;
  return TRUE;
}

void skipInputData(j_decompress_ptr cinfo, long count) {
  if (count <= 0) {
    return;
  }
  auto* src = reinterpret_cast<SourceManager*>(cinfo->src);
  while (count > static_cast<long>(src->pub.bytes_in_buffer)) {
    count -= static_cast<long>(src->pub.bytes_in_buffer);
    fillInputBuffer(cinfo);
  }
  src->pub.next_input_byte += count;
  src->pub.bytes_in_buffer -= static_cast<size_t>(count);
}

void termSource(j_decompress_ptr) {}

void initDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<DestinationManager*>(cinfo->dest);
  dest->buffer = static_cast<JOCTET*>(
      cinfo->mem->alloc_small(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE, kJpegBufferSize));
  dest->pub.next_output_byte = dest->buffer;
  dest->pub.free_in_buffer = kJpegBufferSize;
}

bool writeOut(DestinationManager* dest, size_t count) {
  if (dest->file != nullptr) {
    return std::fwrite(dest->buffer, 1, count, dest->file) == count;
  }
  return dest->write(dest->user, dest->buffer, count) != 0;
}

boolean emptyOutputBuffer(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<DestinationManager*>(cinfo->dest);
  if (!writeOut(dest, kJpegBufferSize)) {
    ERREXIT(cinfo, JERR_FILE_WRITE);
  }
  dest->pub.next_output_byte = dest->buffer;
  dest->pub.free_in_buffer = kJpegBufferSize;
  return TRUE;
}

void termDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<DestinationManager*>(cinfo->dest);
  const size_t pending = kJpegBufferSize - dest->pub.free_in_buffer;
  if (pending > 0 && !writeOut(dest, pending)) {
    ERREXIT(cinfo, JERR_FILE_WRITE);
  }
  if (dest->file != nullptr) {
    std::fflush(dest->file);
    if (std::ferror(dest->file)) {
      ERREXIT(cinfo, JERR_FILE_WRITE);
    }
  }
}

}  // namespace

void jpegStreamSource(j_decompress_ptr cinfo, JpegReadCallback read, void* user) {
  if (cinfo->src == nullptr) {
    auto* src = static_cast<SourceManager*>(cinfo->mem->alloc_small(
        reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(SourceManager)));
    src->buffer = static_cast<JOCTET*>(cinfo->mem->alloc_small(
        reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, kJpegBufferSize));
    cinfo->src = &src->pub;
  }
  auto* src = reinterpret_cast<SourceManager*>(cinfo->src);
  src->pub.init_source = initSource;
  src->pub.fill_input_buffer = fillInputBuffer;
  src->pub.skip_input_data = skipInputData;
  src->pub.resync_to_restart = jpeg_resync_to_restart;
  src->pub.term_source = termSource;
  src->pub.bytes_in_buffer = 0;
  src->pub.next_input_byte = nullptr;
  src->file = nullptr;
  src->read = read;
  src->user = user;
  src->startOfFile = TRUE;
}

void jpegStreamDestination(j_compress_ptr cinfo, JpegWriteCallback write, void* user) {
  if (cinfo->dest == nullptr) {
    cinfo->dest = static_cast<jpeg_destination_mgr*>(cinfo->mem->alloc_small(
        reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(DestinationManager)));
  }
  auto* dest = reinterpret_cast<DestinationManager*>(cinfo->dest);
  dest->pub.init_destination = initDestination;
  dest->pub.empty_output_buffer = emptyOutputBuffer;
  dest->pub.term_destination = termDestination;
  dest->file = nullptr;
  dest->write = write;
  dest->user = user;
  dest->buffer = nullptr;
}

}  // namespace s::image::jpg::win
