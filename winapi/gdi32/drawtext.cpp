// Formatted text: DrawTextW and DrawTextExW (line breaking between words, or inside a word too
// long for its line with DT_EDITCONTROL, alignment, the "&" prefix, end ellipsis, measuring with
// DT_CALCRECT), TabbedTextOutW and GrayStringW.
// Left out on purpose: DT_PATH_ELLIPSIS and DT_WORD_ELLIPSIS shorten like DT_END_ELLIPSIS,
// DT_MODIFYSTRING never writes back, and DT_RTLREADING is not supported (a line in a
// right-to-left script is still ordered and shaped within a left-to-right line).
#include "winapi/gdi32/Text.h"
#include "winapi/gdi32/SystemLook.h"

#include <algorithm>
#include <string>
#include <vector>

namespace winapi {
namespace {

struct Line {
  std::u16string text;
  int prefix = -1;  // index of the character that the "&" prefix underlines, or -1
  int width = 0;
};

// Widths of the characters of a text (a surrogate pair's width on its first unit).
std::vector<int> widthsOf(RealizedFont& font, const std::u16string& s) {
  std::vector<int> w(s.size() + 1, 0);
  if (!s.empty()) font.advances(s.data(), static_cast<int>(s.size()), w.data());
  return w;
}

int sum(const std::vector<int>& w, size_t from, size_t to) {
  int total = 0;
  for (size_t i = from; i < to; ++i) total += w[i];
  return total;
}

// Removes "&" prefixes: "&&" stands for "&"; "&x" marks x. Returns the index of the marked
// character in the result (the last one when there are several), or -1.
int stripPrefixes(std::u16string& s) {
  std::u16string out;
  int marked = -1;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == u'&') {
      if (i + 1 < s.size() && s[i + 1] == u'&') {
        out.push_back(u'&');
        ++i;
        continue;
      }
      if (i + 1 < s.size()) marked = static_cast<int>(out.size());
      continue;
    }
    out.push_back(s[i]);
  }
  s = std::move(out);
  return marked;
}

std::u16string expandTabs(const std::u16string& s, int spacesPerTab) {
  std::u16string out;
  for (char16_t c : s) {
    if (c == u'\t') {
      out.append(static_cast<size_t>(spacesPerTab), u' ');
    } else {
      out.push_back(c);
    }
  }
  return out;
}

// Cuts a line to fit maxWidth with "..." at its end.
void addEllipsis(RealizedFont& font, Line& line, int maxWidth) {
  static const std::u16string kDots = u"...";
  int dots = font.width(kDots.data(), 3);
  std::vector<int> w = widthsOf(font, line.text);
  size_t keep = 0;
  int used = 0;
  while (keep < line.text.size() && used + w[keep] + dots <= maxWidth) {
    used += w[keep];
    ++keep;
  }
  // A character is kept or dropped whole: the units after a cluster's first (a surrogate pair's
  // second, a letter's marks) measure 0, and the cut goes back to the cluster's start.
  while (keep > 0 && keep < line.text.size() && w[keep] == 0) --keep;
  line.text = line.text.substr(0, keep) + kDots;
  if (line.prefix >= static_cast<int>(keep)) line.prefix = -1;
  line.width = font.width(line.text.data(), static_cast<int>(line.text.size()));
}

std::vector<Line> layout(RealizedFont& font, const char16_t* text, int count, UINT format, int maxWidth,
                         int tabSpaces) {
  std::vector<std::u16string> paragraphs;
  if (format & DT_SINGLELINE) {
    std::u16string s;
    for (int i = 0; i < count; ++i) {
      if (text[i] != u'\r' && text[i] != u'\n') s.push_back(text[i]);
    }
    paragraphs.push_back(std::move(s));
  } else {
    std::u16string current;
    for (int i = 0; i < count; ++i) {
      if (text[i] == u'\r' || text[i] == u'\n') {
        paragraphs.push_back(std::move(current));
        current.clear();
        if (text[i] == u'\r' && i + 1 < count && text[i + 1] == u'\n') ++i;
      } else {
        current.push_back(text[i]);
      }
    }
    paragraphs.push_back(std::move(current));
  }

  std::vector<Line> lines;
  for (std::u16string& p : paragraphs) {
    if (format & DT_EXPANDTABS) p = expandTabs(p, tabSpaces);
    int prefix = (format & DT_NOPREFIX) ? -1 : stripPrefixes(p);
    std::vector<int> w = widthsOf(font, p);
    if (!(format & DT_WORDBREAK) || (format & DT_SINGLELINE)) {
      lines.push_back(Line{p, prefix, sum(w, 0, p.size())});
      continue;
    }
    // Break between words; a word wider than the rectangle stands alone on its line.
    size_t start = 0;
    while (true) {
      size_t end = start, lastBreak = std::u16string::npos;
      int width = 0;
      while (end < p.size()) {
        if (p[end] == u' ') lastBreak = end;
        if (width + w[end] > maxWidth && end > start && p[end] != u' ') break;
        width += w[end];
        ++end;
      }
      size_t cut = end;
      if (end < p.size() && lastBreak != std::u16string::npos && lastBreak > start) cut = lastBreak;
      if (end < p.size() && cut == end) {
        if (format & DT_EDITCONTROL) {
          // As an edit control wraps: a word wider than the line breaks at the last whole
          // character that fits (never inside a character's cluster).
          while (cut > start + 1 && w[cut] == 0) --cut;
        } else {
          // No space on the line: the word runs on to its end.
          while (cut < p.size() && p[cut] != u' ') ++cut;
        }
      }
      size_t trimmed = cut;
      while (trimmed > start && p[trimmed - 1] == u' ') --trimmed;
      Line line{p.substr(start, trimmed - start), -1, sum(w, start, trimmed)};
      if (prefix >= static_cast<int>(start) && prefix < static_cast<int>(trimmed)) {
        line.prefix = prefix - static_cast<int>(start);
      }
      lines.push_back(std::move(line));
      start = cut;
      while (start < p.size() && p[start] == u' ') ++start;
      if (start >= p.size()) break;
    }
  }
  if (format & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS)) {
    for (Line& line : lines) {
      if (line.width > maxWidth) addEllipsis(font, line, maxWidth);
    }
  }
  return lines;
}

int drawText(HDC handle, LPCWSTR text, int count, LPRECT rect, UINT format, int tabLength) {
  std::shared_ptr<DeviceContext> dc = findDc(handle);
  if (!dc || rect == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::shared_ptr<RealizedFont> font = fontOf(*dc);
  if (!font) return 0;
  int n = textUnits(text, count);
  const TEXTMETRICW& tm = font->metrics();
  int lineHeight = tm.tmHeight + ((format & DT_EXTERNALLEADING) ? tm.tmExternalLeading : 0);
  int maxWidth = rect->right - rect->left;
  int tabSpaces = (format & DT_TABSTOP) ? static_cast<int>((format >> 8) & 0xFF) : tabLength;
  if (tabSpaces <= 0) tabSpaces = 8;
  std::vector<Line> lines = layout(*font, text != nullptr ? text : u"", n, format, maxWidth, tabSpaces);
  int height = lineHeight * static_cast<int>(lines.size());
  int widest = 0;
  for (const Line& l : lines) widest = std::max(widest, l.width);

  if (format & DT_CALCRECT) {
    rect->right = rect->left + widest;
    rect->bottom = rect->top + height;
    return height;
  }
  // Measuring works on any DC; drawing needs a 32-bit surface.
  if (!findPaintDc(handle)) return 0;

  int y = rect->top;
  bool single = (format & DT_SINGLELINE) != 0;
  if (single && (format & DT_VCENTER)) y = rect->top + (rect->bottom - rect->top - lineHeight) / 2;
  if (single && (format & DT_BOTTOM)) y = rect->bottom - lineHeight;
  RECT clip = dc->toTarget(*rect);
  bool opaque = dc->bkMode == OPAQUE;
  for (const Line& line : lines) {
    int x = rect->left;
    if (format & DT_CENTER) x = rect->left + (maxWidth - line.width) / 2;
    if (format & DT_RIGHT) x = rect->right - line.width;
    if (!(format & DT_PREFIXONLY)) {
      drawTextRun(handle, *dc, *font, dc->toX(x), dc->toY(y), line.text.data(), static_cast<int>(line.text.size()),
                  nullptr, (format & DT_NOCLIP) ? nullptr : &clip, opaque);
    }
    if (line.prefix >= 0 && !(format & DT_HIDEPREFIX)) {
      std::vector<int> w = widthsOf(*font, line.text);
      int ux = x + sum(w, 0, static_cast<size_t>(line.prefix));
      int uy = y + tm.tmAscent + font->underlinePosition();
      RECT bar = dc->toTarget(RECT{ux, uy, ux + w[static_cast<size_t>(line.prefix)], uy + 1});
      if (!(format & DT_NOCLIP)) IntersectRect(&bar, &bar, &clip);
      fillTargetRect(*dc, bar, pixelOf(dc->textColor));
    }
    y += lineHeight;
  }
  if (single && (format & (DT_VCENTER | DT_BOTTOM))) return y - rect->top;
  return height;
}

}  // namespace
}  // namespace winapi

using namespace winapi;

extern "C" int WINAPI DrawTextW(HDC dc, LPCWSTR text, int count, LPRECT rect, UINT format) {
  return drawText(dc, text, count, rect, format, 8);
}

extern "C" int WINAPI DrawTextExW(HDC dc, LPWSTR text, int count, LPRECT rect, UINT format, LPDRAWTEXTPARAMS params) {
  if (params == nullptr) return drawText(dc, text, count, rect, format, 8);
  if (params->cbSize != sizeof(DRAWTEXTPARAMS) || rect == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  RECT inner{rect->left + params->iLeftMargin, rect->top, rect->right - params->iRightMargin, rect->bottom};
  int height = drawText(dc, text, count, &inner, format, params->iTabLength);
  if (format & DT_CALCRECT) {
    rect->right = inner.right + params->iRightMargin;
    rect->bottom = inner.bottom;
  }
  params->uiLengthDrawn = static_cast<UINT>(textUnits(text, count));
  return height;
}

extern "C" LONG WINAPI TabbedTextOutW(HDC handle, int x, int y, LPCWSTR text, int count, int tabCount,
                                      const INT* tabStops, int tabOrigin) {
  std::shared_ptr<DeviceContext> dc = findPaintDc(handle);
  if (!dc || count < 0 || (text == nullptr && count > 0)) return 0;
  std::shared_ptr<RealizedFont> font = fontOf(*dc);
  if (!font) return 0;
  const TEXTMETRICW& tm = font->metrics();
  int defaultStop = (tabCount == 1 && tabStops != nullptr) ? tabStops[0] : 8 * tm.tmAveCharWidth;
  if (defaultStop <= 0) defaultStop = 8 * tm.tmAveCharWidth;
  int pen = x;
  int start = 0;
  bool opaque = dc->bkMode == OPAQUE;
  for (int i = 0; i <= count; ++i) {
    if (i < count && text[i] != u'\t') continue;
    int run = i - start;
    if (run > 0) {
      drawTextRun(handle, *dc, *font, dc->toX(pen), dc->toY(y), text + start, run, nullptr, nullptr, opaque);
      pen += font->width(text + start, run);
    }
    if (i < count) {
      // The next tab stop after the pen, measured from tabOrigin.
      int next = -1;
      for (int k = 0; tabStops != nullptr && tabCount > 1 && k < tabCount; ++k) {
        if (tabOrigin + tabStops[k] > pen) {
          next = tabOrigin + tabStops[k];
          break;
        }
      }
      if (next < 0) next = tabOrigin + ((pen - tabOrigin) / defaultStop + 1) * defaultStop;
      pen = next;
    }
    start = i + 1;
  }
  return MAKELONG(pen - x, tm.tmHeight);
}

extern "C" BOOL WINAPI GrayStringW(HDC handle, HBRUSH, GRAYSTRINGPROC output, LPARAM data, int count, int x, int y, int,
                                   int) {
  // Greyed text is drawn in the system's grey text colour rather than dithered through a
  // brush, as Windows does on displays with that colour.
  std::shared_ptr<DeviceContext> dc = findDc(handle);
  if (!dc) return FALSE;
  COLORREF old = SetTextColor(handle, systemColor(COLOR_GRAYTEXT));
  POINT origin{};
  OffsetViewportOrgEx(handle, x, y, &origin);
  BOOL ok;
  if (output != nullptr) {
    ok = output(handle, data, count);
  } else {
    const auto* text = reinterpret_cast<LPCWSTR>(data);
    ok = TextOutW(handle, 0, 0, text, count > 0 ? count : textUnits(text, -1));
  }
  SetViewportOrgEx(handle, origin.x, origin.y, nullptr);
  SetTextColor(handle, old);
  return ok;
}
