// The two-pass resampling scaler with its triangular weight filter.
#include "imaging/filters/scale/BilinearFilter.h"

#include "core/col/array/ArrayU08.h"
#include "core/thread/ObjLocker.h"
#include "imaging/win/BufferedImage.h"

#include <cmath>
#include <cstring>
#include <mutex>
#include <vector>

namespace s::image::filters::scale {

namespace {

thread::ObjLocker& bufferLock() {
  static thread::ObjLocker* const s_lock = new thread::ObjLocker();
  return *s_lock;
}

thread::ObjLocker& tableLock() {
  static thread::ObjLocker* const s_lock = new thread::ObjLocker();
  return *s_lock;
}

/// The intermediate rows of the horizontal pass and the vertical pass's sums; under the buffer
/// lock.
struct Scratch {
  col::_array::ArrayU08* intermediate = col::_array::ArrayU08::take();
  std::vector<uint32_t> sums;
};

Scratch& scratch() {
  static Scratch* const s_scratch = new Scratch();
  return *s_scratch;
}

/// One output pixel of a record: a single source copied unchanged, else the rounded fixed-point
/// sum per channel. `step` is the distance in bytes between neighbouring sources.
inline uint32_t samplePixel(const int32_t* record, const uint8_t* base, intptr_t step) {
  const int32_t first = record[0];
  const int32_t last = record[1];
  const uint8_t* p = base + first * step;
  if (first == last) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
  }
  const int32_t* w = record + 2;
  uint32_t b = 32768, g = 32768, r = 32768, a = 32768;
  for (int32_t j = 0, n = last - first; j <= n; ++j, p += step) {
    const uint32_t k = static_cast<uint32_t>(w[j]);
    b += k * p[0];
    g += k * p[1];
    r += k * p[2];
    a += k * p[3];
  }
  return (b >> 16) | ((g >> 16) << 8) | ((r >> 16) << 16) | ((a >> 16) << 24);
}

}  // namespace

double BilinearFilter::weight(double x) {
  const double w = m_support - std::fabs(x);
  return w > 0.0 ? w : 0.0;
}

BilinearFilter* BilinearFilter::shared() {
  static BilinearFilter* const s_shared = BilinearFilter::create();
  return s_shared;
}

Contribution* BilinearFilter::sharedTable() {
  static Contribution* const s_table = Contribution::create();
  return s_table;
}

void BilinearFilter::lockTable() { tableLock().lock(); }
void BilinearFilter::unlockTable() { tableLock().unlock(); }

bool BilinearFilter::buildContributions(double scale, int32_t dstSize, int32_t srcSize) {
  // A zero side has no pixels to weigh: scale 0 would make the window infinite and an empty
  // source has no index to fall back on.
  if (dstSize <= 0 || srcSize <= 0 || !(scale > 0.0)) {
    return false;
  }
  double width = m_support;
  double fscale = 1.0;
  if (scale < 1.0) {
    fscale = scale;
    width = width / scale;
  }
  const double rr = std::ceil(width);
  if (!(rr >= 0.0) || rr > 1e8) {
    return false;
  }
  const int32_t r = static_cast<int32_t>(rr);
  Contribution* table = sharedTable();
  if (table == nullptr || !table->prepare(dstSize, r)) {
    return false;
  }
  const int32_t window = table->getWindowSize();
  std::vector<double> weights(static_cast<size_t>(window));
  for (int32_t i = 0; i < dstSize; ++i) {
    const double center = i / scale;
    const int32_t left = std::max(0, static_cast<int32_t>(std::floor(center - width)));
    const int32_t right = std::min(srcSize - 1, static_cast<int32_t>(std::ceil(center + width)));
    int32_t first = left;
    int32_t last = left - 1;
    int32_t n = 0;
    double total = 0.0;
    for (int32_t j = left; j <= right; ++j) {
      const double w = weight((center - j) * fscale) * fscale;
      if (w <= 0.0) {
        if (n == 0) {
          first = j + 1;  // leading zero weights are left out
          continue;
        }
        break;  // the run of positive weights has ended
      }
      if (n == window) {
        break;
      }
      weights[static_cast<size_t>(n++)] = w;
      last = j;
      total += w;
    }
    int32_t* record = table->getRecord(i);
    if (n == 0) {
      // No source reaches this pixel: at the right edge it takes the last source whole.
      if (right == srcSize - 1) {
        record[0] = record[1] = srcSize - 1;
        record[2] = 65536;
      } else {
        first = std::min(first, srcSize - 1);
        record[0] = record[1] = first;
        record[2] = 0;
      }
      continue;
    }
    record[0] = first;
    record[1] = last;
    for (int32_t k = 0; k < n; ++k) {
      const double w =
          total > 0.0 ? weights[static_cast<size_t>(k)] / total : weights[static_cast<size_t>(k)];
      record[2 + k] = static_cast<int32_t>(w * 65536.0);
    }
  }
  return true;
}

bool BilinearFilter::resample(const uint8_t* src, int32_t srcWidth, intptr_t srcStride,
                              int32_t srcHeight, uint8_t* dst, int32_t dstWidth, intptr_t dstStride,
                              int32_t dstHeight) {
  if (srcWidth <= 0 || srcHeight <= 0 || dstWidth <= 0 || dstHeight <= 0 || src == nullptr ||
      dst == nullptr) {
    return false;
  }
  const int64_t rowBytes = int64_t{dstWidth} * 4;
  const int64_t bytes = rowBytes * srcHeight;
  if (bytes > INT32_MAX) {
    return false;
  }
  std::lock_guard<thread::ObjLocker> buffer(bufferLock());
  Scratch& s = scratch();
  if (s.intermediate == nullptr) {
    return false;
  }
  s.intermediate->setCount(0);
  s.intermediate->ensureCapacity(static_cast<uint32_t>(bytes));
  uint8_t* mid = s.intermediate->getItems();

  // Horizontal pass: every source row into an intermediate row of dstWidth pixels.
  if (srcWidth != dstWidth) {
    std::lock_guard<thread::ObjLocker> table(tableLock());
    if (!buildContributions(static_cast<double>(dstWidth) / srcWidth, dstWidth, srcWidth)) {
      return false;
    }
    const Contribution* t = sharedTable();
    for (int32_t y = 0; y < srcHeight; ++y) {
      const uint8_t* in = src + y * srcStride;
      auto* out = reinterpret_cast<uint32_t*>(mid + y * rowBytes);
      for (int32_t x = 0; x < dstWidth; ++x) {
        out[x] = samplePixel(t->getRecord(x), in, 4);
      }
    }
  } else {
    for (int32_t y = 0; y < srcHeight; ++y) {
      std::memcpy(mid + y * rowBytes, src + y * srcStride, static_cast<size_t>(rowBytes));
    }
  }

  // Vertical pass, row by row: each destination row sums its weighted intermediate rows, which
  // gives the same integers as walking the columns and stays in the cache.
  if (srcHeight != dstHeight) {
    std::lock_guard<thread::ObjLocker> table(tableLock());
    if (!buildContributions(static_cast<double>(dstHeight) / srcHeight, dstHeight, srcHeight)) {
      return false;
    }
    const Contribution* t = sharedTable();
    const size_t channels = static_cast<size_t>(dstWidth) * 4;
    s.sums.resize(channels);
    uint32_t* sums = s.sums.data();
    for (int32_t y = 0; y < dstHeight; ++y) {
      const int32_t* record = t->getRecord(y);
      uint8_t* out = dst + y * dstStride;
      const int32_t first = record[0];
      const int32_t last = record[1];
      if (first == last) {
        std::memcpy(out, mid + first * rowBytes, static_cast<size_t>(rowBytes));
        continue;
      }
      std::fill(sums, sums + channels, 32768u);
      for (int32_t j = first; j <= last; ++j) {
        const uint32_t k = static_cast<uint32_t>(record[2 + (j - first)]);
        const uint8_t* in = mid + j * rowBytes;
        for (size_t c = 0; c < channels; ++c) {
          sums[c] += k * in[c];
        }
      }
      for (size_t c = 0; c < channels; ++c) {
        out[c] = static_cast<uint8_t>(sums[c] >> 16);
      }
    }
  } else {
    for (int32_t y = 0; y < dstHeight; ++y) {
      std::memcpy(dst + y * dstStride, mid + y * rowBytes, static_cast<size_t>(rowBytes));
    }
  }
  return true;
}

void BilinearFilter::scale(int32_t srcWidth, int32_t srcHeight, win::BufferedImage* source,
                           int32_t dstWidth, int32_t dstHeight, win::BufferedImage* destination) {
  if (destination == nullptr) {
    return;
  }
  destination->setSize(0, 0);
  if (source == nullptr || source->isEmpty() || srcWidth <= 0 || srcHeight <= 0 || dstWidth <= 0 ||
      dstHeight <= 0 || srcWidth > source->getWidth() || srcHeight > source->getHeight()) {
    return;
  }
  destination->ensureCapacity(dstWidth, dstHeight);
  if (destination->getBits() == nullptr || destination->getCapacityWidth() < dstWidth ||
      destination->getCapacityHeight() < dstHeight) {
    return;
  }
  destination->setSize(dstWidth, dstHeight);
  // Rows are addressed from the top of each visible image: the stores are bottom-up, so the next
  // row down lies one capacity stride lower in memory.
  if (!resample(source->getLine(0), srcWidth, -static_cast<intptr_t>(source->getCapacityStride()),
                srcHeight, destination->getLine(0), dstWidth,
                -static_cast<intptr_t>(destination->getCapacityStride()), dstHeight)) {
    destination->setSize(0, 0);
    return;
  }
  destination->setHasAlpha(source->hasAlpha());
}

}  // namespace s::image::filters::scale
