// The exported entry points: a table of open streams by number, so a stale or made-up number
// is an error code rather than a wild pointer, and calls on one stream take turns.
#include "lame_enc/BladeEnc.h"

#include "lame_enc/LameStream.h"

#include <lame.h>

#include <cstring>
#include <map>
#include <memory>
#include <mutex>

namespace lame_enc {
namespace {

struct Slot {
  std::mutex lock;  // held for the whole of each call on the stream
  std::unique_ptr<LameStream> stream;
};

class StreamTable {
 public:
  HBE_STREAM add(std::unique_ptr<LameStream> stream) {
    auto slot = std::make_shared<Slot>();
    slot->stream = std::move(stream);
    std::lock_guard<std::mutex> guard(m_lock);
    HBE_STREAM number = ++m_last;
    m_slots.emplace(number, std::move(slot));
    return number;
  }

  std::shared_ptr<Slot> find(HBE_STREAM number) {
    std::lock_guard<std::mutex> guard(m_lock);
    auto it = m_slots.find(number);
    return it == m_slots.end() ? nullptr : it->second;
  }

  std::shared_ptr<Slot> remove(HBE_STREAM number) {
    std::lock_guard<std::mutex> guard(m_lock);
    auto it = m_slots.find(number);
    if (it == m_slots.end()) return nullptr;
    std::shared_ptr<Slot> slot = std::move(it->second);
    m_slots.erase(it);
    if (m_lastFinished == number) m_lastFinished = 0;
    return slot;
  }

  void setLastFinished(HBE_STREAM number) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_lastFinished = number;
  }

  HBE_STREAM lastFinished() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_lastFinished;
  }

 private:
  std::mutex m_lock;
  std::map<HBE_STREAM, std::shared_ptr<Slot>> m_slots;
  HBE_STREAM m_last = 0;
  HBE_STREAM m_lastFinished = 0;
};

StreamTable& streams() {
  static StreamTable table;
  return table;
}

// Runs `call` on the stream under its lock, or answers BE_ERR_INVALID_HANDLE.
template <typename Call>
BE_ERR withStream(HBE_STREAM number, Call call) {
  std::shared_ptr<Slot> slot = streams().find(number);
  if (slot == nullptr) return BE_ERR_INVALID_HANDLE;
  std::lock_guard<std::mutex> guard(slot->lock);
  if (slot->stream == nullptr) return BE_ERR_INVALID_HANDLE;  // closed while this call waited
  return call(*slot->stream);
}

}  // namespace
}  // namespace lame_enc

using lame_enc::LameStream;

BE_ERR beInitStream(const BE_CONFIG* config, uint32_t* samplesPerChunk, uint32_t* outputBufferSize,
                    HBE_STREAM* stream) {
  if (config == nullptr || samplesPerChunk == nullptr || outputBufferSize == nullptr ||
      stream == nullptr) {
    return BE_ERR_INVALID_FORMAT_PARAMETERS;
  }
  std::unique_ptr<LameStream> opened;
  BE_ERR result = LameStream::open(*config, opened);
  if (result != BE_ERR_SUCCESSFUL) return result;
  *samplesPerChunk = opened->samplesPerChunk();
  *outputBufferSize = opened->outputBufferSize();
  *stream = lame_enc::streams().add(std::move(opened));
  return BE_ERR_SUCCESSFUL;
}

BE_ERR beEncodeChunk(HBE_STREAM stream, uint32_t sampleCount, const int16_t* samples,
                     uint8_t* output, uint32_t* outputCount) {
  if (outputCount != nullptr) *outputCount = 0;
  return lame_enc::withStream(
      stream, [&](LameStream& s) { return s.encode(sampleCount, samples, output, outputCount); });
}

BE_ERR beDeinitStream(HBE_STREAM stream, uint8_t* output, uint32_t* outputCount) {
  if (outputCount != nullptr) *outputCount = 0;
  BE_ERR result =
      lame_enc::withStream(stream, [&](LameStream& s) { return s.flush(output, outputCount); });
  if (result == BE_ERR_SUCCESSFUL) lame_enc::streams().setLastFinished(stream);
  return result;
}

BE_ERR beCloseStream(HBE_STREAM stream) {
  std::shared_ptr<lame_enc::Slot> slot = lame_enc::streams().remove(stream);
  if (slot == nullptr) return BE_ERR_INVALID_HANDLE;
  std::lock_guard<std::mutex> guard(slot->lock);  // a call still running on it finishes first
  slot->stream.reset();
  return BE_ERR_SUCCESSFUL;
}

void beVersion(BE_VERSION* version) {
  if (version == nullptr) return;
  std::memset(version, 0, sizeof *version);
  version->libraryMajor = 1;
  version->libraryMinor = 0;
  lame_version_t engine;
  get_lame_version_numerical(&engine);
  version->engineMajor = static_cast<uint8_t>(engine.major);
  version->engineMinor = static_cast<uint8_t>(engine.minor);
  version->alphaLevel = static_cast<uint8_t>(engine.alpha);
  version->betaLevel = static_cast<uint8_t>(engine.beta);
  std::strncpy(version->homepage, get_lame_url(), sizeof version->homepage - 1);
}

BE_ERR beWriteVBRHeader(const char* fileName) {
  return beWriteInfoTag(lame_enc::streams().lastFinished(), fileName);
}

BE_ERR beWriteInfoTag(HBE_STREAM stream, const char* fileName) {
  return lame_enc::withStream(stream, [&](LameStream& s) { return s.writeInfoTag(fileName); });
}
