// DIB sections of every depth: CreateDIBSection for 1, 4, 8, 16, 24 and 32 bits (BI_RGB, and
// BI_BITFIELDS at 16 and 32 bits), their colour tables, what GetObjectW tells of bitmaps, and
// the blits that convert between formats as GDI converts: through the colour table, widening
// bit fields by repeating their top bits, writing alpha 0 except from 32-bit sources.
// Left out on purpose: DIB_PAL_COLORS, file-mapping sections, run-length and embedded JPEG or
// PNG formats, the 12-byte core header, painting into anything but 32-bit B, G, R, A (nothing
// paints there), and stretched or raster-operation blits into 24 bits.
#include "winapi/gdi32/Dib.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>

namespace winapi {

BOOL stretchPixels(DeviceContext& dc, int dx, int dy, int dw, int dh, const PixelBuffer& src, int sx, int sy, int sw,
                   int sh, DWORD rop, uint32_t pattern);

namespace {

/// Pixel blocks of large bitmaps. Each is a mapping of its own, aligned to 2 MiB and marked for
/// transparent huge pages: a fresh block of a decoded picture is otherwise faulted in one 4 KiB
/// page at a time, and each fault costs far more than zeroing the page (a 4K picture's 33 MB take
/// 8100 of them, 17 in huge pages). Freed blocks are kept for the next bitmap of about the same
/// size, since pictures are decoded, copied and dropped one after another. Never destroyed:
/// bitmaps may still be deleted while the process ends.
class PixelCache {
 public:
  /// Smaller blocks are served well by malloc's own free lists.
  static constexpr size_t kSmallest = size_t{1} << 20;
  static constexpr size_t kMostBytes = size_t{64} << 20;
  static constexpr size_t kMostBlocks = 4;
  /// The size and alignment of a huge page on x86-64.
  static constexpr size_t kHugePage = size_t{2} << 20;

  static PixelCache& instance() {
    static PixelCache* const s_cache = new PixelCache();
    return *s_cache;
  }

  uint8_t* take(size_t bytes) {
    if (bytes < kSmallest) return static_cast<uint8_t*>(std::calloc(bytes, 1));
    std::lock_guard<std::mutex> guard(m_lock);
    // The newest block first; a block much larger than asked for would hold memory unused.
    for (size_t i = m_count; i-- > 0;) {
      if (m_blocks[i].size >= bytes && m_blocks[i].size - bytes <= bytes / 4) {
        uint8_t* memory = m_blocks[i].memory;
        m_bytes -= m_blocks[i].size;
        std::copy(m_blocks + i + 1, m_blocks + m_count, m_blocks + i);
        --m_count;
        std::memset(memory, 0, bytes);
        return memory;
      }
    }
    return map(bytes);
  }

  void give(uint8_t* memory) {
    if (memory == nullptr) return;
    std::lock_guard<std::mutex> guard(m_lock);
    const auto found = m_mapped.find(memory);
    if (found == m_mapped.end()) {
      std::free(memory);
      return;
    }
    const size_t size = found->second;
    if (size > kMostBytes) {
      unmap(memory);
      return;
    }
    if (m_count == kMostBlocks || m_bytes + size > kMostBytes) {
      // The oldest block makes room; where that is not enough, the block given is unmapped.
      unmap(m_blocks[0].memory);
      m_bytes -= m_blocks[0].size;
      std::copy(m_blocks + 1, m_blocks + m_count, m_blocks);
      --m_count;
    }
    if (m_bytes + size <= kMostBytes) {
      m_blocks[m_count++] = Block{memory, size};
      m_bytes += size;
    } else {
      unmap(memory);
    }
  }

 private:
  struct Block {
    uint8_t* memory;
    size_t size;
  };

  /// A fresh zeroed block of whole pages; null when the system has no room. Called under the lock.
  uint8_t* map(size_t bytes) {
    const size_t size = (bytes + 4095) & ~size_t{4095};
    // Mapped a huge page larger, then cut to an aligned start: huge pages only back aligned 2 MiB
    // stretches that lie whole inside the mapping.
    void* raw = mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    const auto start = reinterpret_cast<uintptr_t>(raw);
    const uintptr_t aligned = (start + kHugePage - 1) & ~(kHugePage - 1);
    if (aligned > start) munmap(raw, aligned - start);
    munmap(reinterpret_cast<void*>(aligned + size), start + kHugePage - aligned);
    auto* memory = reinterpret_cast<uint8_t*>(aligned);
    // Only advice: without huge pages the block works the same, page by page.
    madvise(memory, size, MADV_HUGEPAGE);
    m_mapped.emplace(memory, size);
    return memory;
  }

  void unmap(uint8_t* memory) {
    const auto found = m_mapped.find(memory);
    munmap(memory, found->second);
    m_mapped.erase(found);
  }

  std::mutex m_lock;
  Block m_blocks[kMostBlocks] = {};
  size_t m_count = 0;
  size_t m_bytes = 0;
  /// Every mapped block, given out or kept, with its size.
  std::unordered_map<uint8_t*, size_t> m_mapped;
};

}  // namespace

uint8_t* allocatePixels(size_t bytes) { return PixelCache::instance().take(bytes); }

void FreeDeleter::operator()(uint8_t* p) const { PixelCache::instance().give(p); }

HBITMAP addBitmap(std::shared_ptr<BitmapObject> bitmap) {
  const BitmapLayout& l = bitmap->layout;
  bitmap->pixels = std::make_shared<PixelBuffer>();
  if (l.isArgb()) bitmap->pixels->view(l.bits, l.width, l.height, l.rowBytes, !l.topDown);
  return static_cast<HBITMAP>(addObject(std::move(bitmap)));
}

std::array<uint32_t, 256> paletteOf(const BitmapLayout& l, COLORREF text, COLORREF background) {
  std::array<uint32_t, 256> palette{};  // past the table: black
  if (l.monochrome) {
    palette[0] = pixelOf(text) & 0x00FFFFFFu;
    palette[1] = pixelOf(background) & 0x00FFFFFFu;
    return palette;
  }
  for (size_t i = 0; i < l.colors.size() && i < palette.size(); ++i) {
    const RGBQUAD& q = l.colors[i];
    palette[i] = static_cast<uint32_t>(q.rgbRed) << 16 | static_cast<uint32_t>(q.rgbGreen) << 8 | q.rgbBlue;
  }
  return palette;
}

namespace {

// One colour field of a 16- or 32-bit pixel, widened to 8 bits by repeating its top bits, so a
// 5-bit value c becomes (c << 3) | (c >> 2) and the largest value of any width becomes 255.
struct Field {
  int shift = 0;
  int width = 0;

  explicit Field(DWORD mask) {
    if (mask == 0) return;
    while (((mask >> shift) & 1u) == 0) ++shift;
    int top = 31;
    while (((mask >> top) & 1u) == 0) --top;
    width = top - shift + 1;
  }

  uint32_t widen(uint32_t value) const {
    if (width == 0) return 0;
    uint32_t c = (value >> shift) & ((width >= 32 ? 0u : (1u << width)) - 1u);
    if (width >= 8) return c >> (width - 8);
    uint32_t v = c << (8 - width);
    for (int filled = width; filled < 8; filled += width) v |= v >> width;
    return v & 0xFFu;
  }
};

struct Fields {
  Field red, green, blue;
  explicit Fields(const DWORD* masks) : red(masks[0]), green(masks[1]), blue(masks[2]) {}
  uint32_t pixel(uint32_t v) const { return red.widen(v) << 16 | green.widen(v) << 8 | blue.widen(v); }
};

}  // namespace

void unpackRow(const BitmapLayout& l, const std::array<uint32_t, 256>& palette, int y, int x, int count,
               uint32_t* out) {
  const uint8_t* row = l.row(y);
  switch (l.bitCount) {
    case 1:
      for (int i = 0; i < count; ++i) {
        int p = x + i;
        out[i] = palette[(row[p >> 3] >> (7 - (p & 7))) & 1];
      }
      return;
    case 4:
      for (int i = 0; i < count; ++i) {
        int p = x + i;
        out[i] = palette[(p & 1) ? row[p >> 1] & 0x0F : row[p >> 1] >> 4];
      }
      return;
    case 8:
      for (int i = 0; i < count; ++i) out[i] = palette[row[x + i]];
      return;
    case 16: {
      Fields f(l.masks);
      const uint8_t* p = row + 2 * static_cast<ptrdiff_t>(x);
      for (int i = 0; i < count; ++i, p += 2) out[i] = f.pixel(static_cast<uint32_t>(p[0]) | p[1] << 8);
      return;
    }
    case 24: {
      const uint8_t* p = row + 3 * static_cast<ptrdiff_t>(x);
      for (int i = 0; i < count; ++i, p += 3) {
        out[i] = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16;
      }
      return;
    }
    case 32: {
      const uint8_t* p = row + 4 * static_cast<ptrdiff_t>(x);
      if (l.isArgb()) {
        std::memmove(out, p, static_cast<size_t>(count) * 4);
        return;
      }
      Fields f(l.masks);
      for (int i = 0; i < count; ++i, p += 4) {
        uint32_t v;
        std::memcpy(&v, p, 4);
        out[i] = f.pixel(v);
      }
      return;
    }
    default: std::memset(out, 0, static_cast<size_t>(count) * 4); return;
  }
}

void packRow(const BitmapLayout& l, int y, int x, int count, const uint32_t* in) {
  uint8_t* row = l.row(y);
  if (l.bitCount == 32) {
    std::memmove(row + 4 * static_cast<ptrdiff_t>(x), in, static_cast<size_t>(count) * 4);
    return;
  }
  uint8_t* p = row + 3 * static_cast<ptrdiff_t>(x);
  for (int i = 0; i < count; ++i, p += 3) {
    uint32_t v = in[i];
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
  }
}

int bitmapObjectInfo(const BitmapObject& b, int size, void* buffer) {
  const BitmapLayout& l = b.layout;
  DIBSECTION ds{};
  ds.dsBm.bmWidth = l.width;
  ds.dsBm.bmHeight = l.height;
  ds.dsBm.bmWidthBytes = static_cast<LONG>(l.rowBytes);
  ds.dsBm.bmPlanes = 1;
  ds.dsBm.bmBitsPixel = static_cast<WORD>(l.bitCount);
  ds.dsBm.bmBits = b.dibSection ? l.bits : nullptr;
  int bytes = sizeof(BITMAP);
  if (b.dibSection && (buffer == nullptr || size >= static_cast<int>(sizeof(DIBSECTION)))) {
    bytes = sizeof(DIBSECTION);
    ds.dsBmih.biSize = sizeof(BITMAPINFOHEADER);
    ds.dsBmih.biWidth = l.width;
    ds.dsBmih.biHeight = l.topDown ? -l.height : l.height;
    ds.dsBmih.biPlanes = 1;
    ds.dsBmih.biBitCount = static_cast<WORD>(l.bitCount);
    ds.dsBmih.biCompression = l.compression;
    ds.dsBmih.biSizeImage = static_cast<DWORD>(l.rowBytes * l.height);
    ds.dsBmih.biClrUsed = static_cast<DWORD>(l.colors.size());
    if (l.compression == BI_BITFIELDS) std::memcpy(ds.dsBitfields, l.masks, sizeof ds.dsBitfields);
  }
  if (buffer == nullptr) return bytes;
  int n = std::min(size, bytes);
  if (n <= 0) return 0;
  std::memcpy(buffer, &ds, static_cast<size_t>(n));
  return n;
}

const BitmapLayout* layoutOf(const DeviceContext& dc) { return dc.memory && dc.bitmap ? &dc.bitmap->layout : nullptr; }

namespace {

RECT intersection(const RECT& a, const RECT& b) {
  return RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
              std::min(a.bottom, b.bottom)};
}

bool isEmpty(const RECT& r) { return r.left >= r.right || r.top >= r.bottom; }

// A negative size runs leftwards (upwards) from the given pixel, which it includes.
void normalised(int pos, int size, int* start, int* length) {
  *start = size < 0 ? pos + size + 1 : pos;
  *length = size < 0 ? -size : size;
}

}  // namespace

BOOL blitConverted(DeviceContext& d, int dx, int dy, int dw, int dh, DeviceContext& s, int sx, int sy, int sw, int sh,
                   DWORD rop) {
  const BitmapLayout* dl = layoutOf(d);
  const BitmapLayout* sl = layoutOf(s);
  bool sourceArgb = sl == nullptr || sl->isArgb();
  RECT sourceBounds = sl != nullptr ? RECT{0, 0, sl->width, sl->height} : s.target->bounds();
  std::array<uint32_t, 256> palette{};
  if (!sourceArgb && sl->bitCount <= 8) palette = paletteOf(*sl, d.textColor, d.bkColor);
  std::vector<uint32_t> line;
  // The 32-bit pixels of `n` source pixels of row y from column x.
  auto fetch = [&](int y, int x, int n) -> const uint32_t* {
    if (sourceArgb) return s.target->row(y) + x;
    line.resize(static_cast<size_t>(n));
    unpackRow(*sl, palette, y, x, n, line.data());
    return line.data();
  };

  if (dl == nullptr || dl->isArgb()) {
    if (rop == SRCCOPY && dw == sw && dh == sh && dw > 0 && dh > 0) {
      // The plain copy converts each row straight into the destination.
      RECT dest{dx, dy, dx + dw, dy + dh};
      d.effectiveClip().forRectsIn(dest, [&](const RECT& r) {
        RECT cut =
            intersection(RECT{r.left - dx + sx, r.top - dy + sy, r.right - dx + sx, r.bottom - dy + sy}, sourceBounds);
        if (isEmpty(cut)) return;
        int n = cut.right - cut.left;
        for (int y = cut.top; y < cut.bottom; ++y) {
          uint32_t* to = d.target->row(y - sy + dy) + (cut.left - sx + dx);
          if (sourceArgb) {
            std::memmove(to, s.target->row(y) + cut.left, static_cast<size_t>(n) * 4);
          } else {
            unpackRow(*sl, palette, y, cut.left, n, to);
          }
        }
        d.touch(RECT{cut.left - sx + dx, cut.top - sy + dy, cut.right - sx + dx, cut.bottom - sy + dy});
      });
      return TRUE;
    }
    // Stretches and raster operations work from the source's part converted to 32 bits.
    int nx, nw, ny, nh;
    normalised(sx, sw, &nx, &nw);
    normalised(sy, sh, &ny, &nh);
    RECT in = intersection(RECT{nx, ny, nx + nw, ny + nh}, sourceBounds);
    PixelBuffer converted;
    if (!isEmpty(in)) {
      converted.allocate(in.right - in.left, in.bottom - in.top);
      for (int y = in.top; y < in.bottom; ++y) {
        std::memcpy(converted.row(y - in.top), fetch(y, in.left, converted.width),
                    static_cast<size_t>(converted.width) * 4);
      }
    }
    return stretchPixels(d, dx, dy, dw, dh, converted, sx - in.left, sy - in.top, sw, sh, rop, 0);
  }

  if (dl->bitCount != 24 || rop != SRCCOPY || dw != sw || dh != sh || dw < 0 || dh < 0) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
  }
  Region clip(RECT{0, 0, dl->width, dl->height});
  if (d.hasClip) {
    Region c = d.clip;
    c.offset(d.origin.x, d.origin.y);
    clip.intersect(c);
  }
  std::vector<RECT> parts;
  clip.forRectsIn(RECT{dx, dy, dx + dw, dy + dh}, [&](const RECT& r) {
    RECT cut =
        intersection(RECT{r.left - dx + sx, r.top - dy + sy, r.right - dx + sx, r.bottom - dy + sy}, sourceBounds);
    if (!isEmpty(cut)) parts.push_back(cut);
  });
  // A copy within one bitmap that moves the picture down runs from the bottom row up.
  bool upwards = sl == dl && dy > sy;
  if (upwards) std::reverse(parts.begin(), parts.end());
  for (const RECT& cut : parts) {
    int n = cut.right - cut.left;
    for (int k = 0; k < cut.bottom - cut.top; ++k) {
      int y = upwards ? cut.bottom - 1 - k : cut.top + k;
      packRow(*dl, y - sy + dy, cut.left - sx + dx, n, fetch(y, cut.left, n));
    }
  }
  return TRUE;
}

namespace {

constexpr int64_t kLargestBitmapBytes = 0x7FFFFFFF;  // byte counts travel in LONG and DWORD fields

bool supportedFormat(int bitCount, DWORD compression) {
  switch (bitCount) {
    case 1:
    case 4:
    case 8:
    case 24: return compression == BI_RGB;
    case 16:
    case 32: return compression == BI_RGB || compression == BI_BITFIELDS;
    default: return false;
  }
}

}  // namespace

}  // namespace winapi

using namespace winapi;

extern "C" HBITMAP WINAPI CreateDIBSection(HDC, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                                           DWORD) {
  if (bits != nullptr) *bits = nullptr;
  if (info == nullptr || usage != DIB_RGB_COLORS || section != nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const BITMAPINFOHEADER& h = info->bmiHeader;
  int64_t width = h.biWidth, height = h.biHeight < 0 ? -static_cast<int64_t>(h.biHeight) : h.biHeight;
  if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biPlanes != 1 || !supportedFormat(h.biBitCount, h.biCompression) ||
      width <= 0 || height <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  int64_t rowBytes = (width * h.biBitCount + 31) / 32 * 4;
  if (rowBytes * height > kLargestBitmapBytes) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto b = std::make_shared<BitmapObject>();
  BitmapLayout& l = b->layout;
  l.width = static_cast<int>(width);
  l.height = static_cast<int>(height);
  l.bitCount = h.biBitCount;
  l.compression = h.biCompression;
  l.rowBytes = static_cast<ptrdiff_t>(rowBytes);
  l.topDown = h.biHeight < 0;
  const auto* after = reinterpret_cast<const uint8_t*>(info) + h.biSize;
  if (h.biCompression == BI_BITFIELDS) {
    // A 40-byte header is followed by the three masks; a larger one holds them at bytes 40 to 51.
    const auto* masks = h.biSize >= 52 ? reinterpret_cast<const uint8_t*>(info) + 40 : after;
    std::memcpy(l.masks, masks, sizeof l.masks);
    if (h.biBitCount == 16) {
      for (DWORD& m : l.masks) m &= 0xFFFFu;
    }
  } else if (h.biBitCount == 16) {
    l.masks[0] = 0x7C00u;  // 5-5-5
    l.masks[1] = 0x03E0u;
    l.masks[2] = 0x001Fu;
  }
  if (h.biBitCount <= 8) {
    DWORD most = 1u << h.biBitCount;
    DWORD n = h.biClrUsed == 0 ? most : std::min(h.biClrUsed, most);
    l.colors.resize(n);
    std::memcpy(l.colors.data(), after, n * sizeof(RGBQUAD));
  }
  // The pixels start black.
  b->memory.reset(allocatePixels(static_cast<size_t>(rowBytes * height)));
  if (!b->memory) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  l.bits = b->memory.get();
  b->dibSection = true;
  b->topDown = l.topDown;
  if (bits != nullptr) *bits = l.bits;
  return addBitmap(std::move(b));
}

namespace {

std::shared_ptr<BitmapObject> colorTableBitmap(HDC handle) {
  std::shared_ptr<DeviceContext> dc = findDc(handle);
  if (!dc) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (!dc->memory || !dc->bitmap || !dc->bitmap->dibSection || dc->bitmap->layout.bitCount > 8) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return dc->bitmap;
}

}  // namespace

extern "C" UINT WINAPI SetDIBColorTable(HDC dc, UINT start, UINT count, const RGBQUAD* colors) {
  std::shared_ptr<BitmapObject> b = colorTableBitmap(dc);
  if (!b || colors == nullptr) return 0;
  std::vector<RGBQUAD>& table = b->layout.colors;
  if (start >= table.size()) return 0;
  UINT n = std::min<UINT>(count, static_cast<UINT>(table.size()) - start);
  std::memcpy(&table[start], colors, n * sizeof(RGBQUAD));
  return n;
}

extern "C" UINT WINAPI GetDIBColorTable(HDC dc, UINT start, UINT count, RGBQUAD* colors) {
  std::shared_ptr<BitmapObject> b = colorTableBitmap(dc);
  if (!b || colors == nullptr) return 0;
  const std::vector<RGBQUAD>& table = b->layout.colors;
  if (start >= table.size()) return 0;
  UINT n = std::min<UINT>(count, static_cast<UINT>(table.size()) - start);
  std::memcpy(colors, &table[start], n * sizeof(RGBQUAD));
  return n;
}
