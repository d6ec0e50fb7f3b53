// Font realisation and text layout: Windows face names mapped to installed fonts through
// fontconfig, faces loaded and rendered by FreeType, characters a face lacks taken from
// fontconfig's fallback faces, right-to-left and joining scripts ordered by FriBidi and shaped
// by HarfBuzz; glyphs and shaped texts cached per realised font; the fonts realised last stay
// alive after their font objects are deleted.
// Left out on purpose: escapement and orientation (text is drawn horizontally), lfWidth
// (glyphs keep their own proportions), kerning of texts that need no shaping (GDI does not kern
// either), right-to-left paragraphs (every text is a left-to-right paragraph, as the text calls
// draw without right-to-left reading) and shaping of texts drawn with given advances.
#include "winapi/base/ascii.h"
#include "winapi/base/debug.h"
#include "winapi/base/utf8.h"
#include "winapi/gdi32/Font.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H
#include <fontconfig/fontconfig.h>
#include <fribidi.h>
#include <hb-ft.h>
#include <hb.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <map>
#include <tuple>
#include <unordered_map>
#include <vector>

namespace winapi {

/// A face of a realised font (its own or a fallback), at the font's pixel size.
struct FontFace {
  ~FontFace() {
    if (hb != nullptr) hb_font_destroy(hb);
  }
  FT_Face face = nullptr;   // released by the font under the library lock
  hb_font_t* hb = nullptr;  // made on first shaping
  std::string file;
  int index = 0;
  bool emboldenSynth = false;
  bool obliqueSynth = false;
  FT_Pos emboldenExtra = 0;  // 26.6 pixels the synthetic emboldening adds to an advance
  std::unordered_map<uint32_t, std::unique_ptr<Glyph>> glyphs;  // by glyph index
};

/// A text laid out by the shaping road: its glyphs in visual order.
struct ShapedText {
  struct Placed {
    const Glyph* glyph;
    uint8_t face;
    uint32_t index;
    int cluster;
    int x;  // pen position of the glyph's origin, from the text's start
    int y;  // pixels above the baseline
  };
  std::vector<Placed> glyphs;
  std::vector<int> advances;  // per unit, logical order
  std::vector<int> missing;   // units drawn as the missing-glyph box
  int width = 0;
};

namespace {

std::mutex g_libraryLock;  // guards the FreeType library, fontconfig and the caches below
FT_Library g_library = nullptr;

// The family that stands in for the Windows dialog faces. Chosen by measuring the program's own
// texts in all its languages against the room its windows give them (bench/text/face_fit):
// against DejaVu Sans it is a tenth narrower, and the fewest list entries overflow their field,
// while it stays plainly readable at 8 points (DejaVu Sans Condensed is as narrow overall but
// overflows more; Noto Sans is wider).
constexpr const char* kDialogFamily = "Liberation Sans";

std::string lowerUtf8(const char16_t* face) {
  std::u16string lowered(face);
  for (char16_t& c : lowered) c = ascii::toLower(c);
  std::string out;
  utf8::toUtf8(lowered, out);
  return out;
}

// The installed family that stands in for a Windows face name.
std::string familyFor(const LOGFONTW& lf) {
  std::string face = lowerUtf8(lf.lfFaceName);
  static const std::map<std::string, std::string> kFaces = {
      {"", kDialogFamily},
      {"ms shell dlg", kDialogFamily},
      {"ms shell dlg 2", kDialogFamily},
      {"segoe ui", kDialogFamily},
      {"tahoma", kDialogFamily},
      {"arial", kDialogFamily},
      {"verdana", kDialogFamily},
      {"microsoft sans serif", kDialogFamily},
      {"ms sans serif", kDialogFamily},
      {"system", kDialogFamily},
      {"courier new", "DejaVu Sans Mono"},
      {"courier", "DejaVu Sans Mono"},
      {"consolas", "DejaVu Sans Mono"},
      {"lucida console", "DejaVu Sans Mono"},
      {"fixedsys", "DejaVu Sans Mono"},
      {"terminal", "DejaVu Sans Mono"},
      {"times new roman", "DejaVu Serif"},
      {"georgia", "DejaVu Serif"},
  };
  if (face.empty() && (lf.lfPitchAndFamily & 0x3) == FIXED_PITCH) return "DejaVu Sans Mono";
  auto it = kFaces.find(face);
  if (it != kFaces.end()) return it->second;
  // Any other name is asked of fontconfig as it stands; it falls back to its default face.
  std::string original;
  utf8::toUtf8(std::u16string(lf.lfFaceName), original);
  return original;
}

bool fontconfigReady() {
  static bool initialised = FcInit() != FcFalse;
  return initialised;
}

struct Match {
  std::string file;
  int index = 0;
  bool synthBold = false;
  bool synthItalic = false;
  std::u16string family;
};

// fontconfig lookup; called under g_libraryLock.
Match matchFont(const std::string& family, bool bold, bool italic) {
  Match m;
  if (!fontconfigReady()) return m;
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result;
  FcPattern* found = FcFontMatch(nullptr, pattern, &result);
  if (found != nullptr) {
    FcChar8* file = nullptr;
    FcChar8* name = nullptr;
    int weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
    if (FcPatternGetString(found, FC_FILE, 0, &file) == FcResultMatch) m.file = reinterpret_cast<char*>(file);
    FcPatternGetInteger(found, FC_INDEX, 0, &m.index);
    FcPatternGetInteger(found, FC_WEIGHT, 0, &weight);
    FcPatternGetInteger(found, FC_SLANT, 0, &slant);
    if (FcPatternGetString(found, FC_FAMILY, 0, &name) == FcResultMatch) {
      utf8::toUtf16(reinterpret_cast<const char*>(name), m.family);
    }
    m.synthBold = bold && weight < FC_WEIGHT_DEMIBOLD;
    m.synthItalic = italic && slant == FC_SLANT_ROMAN;
    FcPatternDestroy(found);
  }
  FcPatternDestroy(pattern);
  TRACE(Gdi32, "%s%s%s is %s (face %d)%s%s", family.c_str(), bold ? " bold" : "", italic ? " italic" : "",
        m.file.empty() ? "not found" : m.file.c_str(), m.index, m.synthBold ? ", made bold" : "",
        m.synthItalic ? ", slanted" : "");
  return m;
}

// The languages a text's fallback faces are chosen for. Han ideographs are drawn differently in
// Japanese, Korean and the two Chinese writings, so their face follows the text's language;
// every other script takes the first face that has it.
enum Lang : int { kLangLocale, kLangJa, kLangKo, kLangZhCn, kLangZhTw, kLangZhHk, kLangCount };

// The language of the user's locale, as fontconfig names languages ("de", "zh-tw").
const std::string& localeLanguage() {
  static const std::string language = [] {
    const char* vars[] = {"LC_ALL", "LC_CTYPE", "LANG"};
    std::string value;
    for (const char* v : vars) {
      const char* s = std::getenv(v);
      if (s != nullptr && *s != 0) {
        value = s;
        break;
      }
    }
    std::string out;
    for (char c : value) {
      if (c == '.' || c == '@') break;
      out.push_back(c == '_' ? '-' : static_cast<char>(ascii::toLower(c)));
    }
    if (out.empty() || out == "c" || out == "posix") out = "en";
    return out;
  }();
  return language;
}

// The language the Han ideographs of a text are drawn for when the text itself does not tell.
int localeHanLang() {
  static const int lang = [] {
    const std::string& l = localeLanguage();
    if (l.rfind("ja", 0) == 0) return kLangJa;
    if (l.rfind("ko", 0) == 0) return kLangKo;
    if (l == "zh-tw" || l == "zh-mo") return kLangZhTw;
    if (l == "zh-hk") return kLangZhHk;
    return kLangZhCn;
  }();
  return lang;
}

std::string langName(int lang) {
  switch (lang) {
    case kLangJa: return "ja";
    case kLangKo: return "ko";
    case kLangZhCn: return "zh-cn";
    case kLangZhTw: return "zh-tw";
    case kLangZhHk: return "zh-hk";
    default: return localeLanguage();
  }
}

// Code points whose face depends on the text's language.
bool hanLike(char32_t c) {
  return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF00 && c <= 0xFFEF) ||
         (c >= 0x20000 && c <= 0x3FFFF);
}

// Code points that need the shaping road: marks, right-to-left and joining scripts, the scripts
// of South and South-East Asia, bidirectional controls, and everything outside the basic plane.
bool needsShaping(char32_t c) {
  if (c < 0x0300) return false;
  return c <= 0x036F || (c >= 0x0483 && c <= 0x0489) || (c >= 0x0591 && c <= 0x1CFF && !(c >= 0x10A0 && c <= 0x10FF)) ||
         (c >= 0x1DC0 && c <= 0x1DFF) || (c >= 0x200C && c <= 0x200F) || (c >= 0x202A && c <= 0x202E) ||
         (c >= 0x2066 && c <= 0x2069) || (c >= 0x20D0 && c <= 0x20FF) || (c >= 0xA8E0 && c <= 0xA8FF) ||
         (c >= 0xFB1D && c <= 0xFDFF) || (c >= 0xFE00 && c <= 0xFE0F) || (c >= 0xFE20 && c <= 0xFE2F) ||
         (c >= 0xFE70 && c <= 0xFEFF) || c >= 0x10000;
}

// Characters no face is expected to show: controls and invisible format characters.
bool invisible(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || (c >= 0x200B && c <= 0x200F) || (c >= 0x2028 && c <= 0x202E) ||
         (c >= 0x2060 && c <= 0x206F) || c == 0xFEFF || (c >= 0xFE00 && c <= 0xFE0F);
}

// One face of fontconfig's fallback list: where it is and what it covers.
struct Candidate {
  std::string file;
  int index = 0;
  FcCharSet* charset = nullptr;  // kept for the life of the process
  bool bold = false;
  bool italic = false;
};

using FallbackKey = std::tuple<std::string, bool, bool, std::string>;

// fontconfig's sorted fallback list for a family, style and language, asked once per process;
// called under g_libraryLock.
const std::vector<Candidate>& fallbackList(const std::string& family, bool bold, bool italic, const std::string& lang) {
  static auto* lists = new std::map<FallbackKey, std::vector<Candidate>>;
  FallbackKey key{family, bold, italic, lang};
  auto found = lists->find(key);
  if (found != lists->end()) return found->second;
  std::vector<Candidate>& list = (*lists)[key];
  if (!fontconfigReady()) return list;
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>(lang.c_str()));
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result;
  FcFontSet* set = FcFontSort(nullptr, pattern, FcTrue, nullptr, &result);
  if (set != nullptr) {
    for (int i = 0; i < set->nfont; ++i) {
      FcPattern* font = set->fonts[i];
      FcChar8* file = nullptr;
      FcCharSet* charset = nullptr;
      FcBool scalable = FcFalse;
      if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch) continue;
      if (FcPatternGetCharSet(font, FC_CHARSET, 0, &charset) != FcResultMatch) continue;
      if (FcPatternGetBool(font, FC_SCALABLE, 0, &scalable) == FcResultMatch && !scalable) continue;
      Candidate c;
      c.file = reinterpret_cast<char*>(file);
      FcPatternGetInteger(font, FC_INDEX, 0, &c.index);
      int weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
      FcPatternGetInteger(font, FC_WEIGHT, 0, &weight);
      FcPatternGetInteger(font, FC_SLANT, 0, &slant);
      c.bold = weight >= FC_WEIGHT_DEMIBOLD;
      c.italic = slant != FC_SLANT_ROMAN;
      c.charset = FcCharSetCopy(charset);
      list.push_back(std::move(c));
    }
    FcFontSetDestroy(set);
  }
  FcPatternDestroy(pattern);
  TRACE(Gdi32, "fallback list of %s for %s: %zu faces", family.c_str(), lang.c_str(), list.size());
  return list;
}

using FontKey = std::tuple<std::string, bool, bool, LONG, bool, bool, bool>;

std::map<FontKey, std::weak_ptr<RealizedFont>>& fontCache() {
  static auto* cache = new std::map<FontKey, std::weak_ptr<RealizedFont>>;
  return *cache;
}

// The realised fonts used last stay alive even when no font object holds them any more: a
// program that deletes a font and makes it again (as a font rebuilt after every property
// change does) finds its face and its rendered glyphs still there.
constexpr size_t kRecentFonts = 32;

std::vector<std::shared_ptr<RealizedFont>>& recentFonts() {
  static auto* recent = new std::vector<std::shared_ptr<RealizedFont>>;
  return *recent;
}

// Moves `font` to the front of the recent fonts; the one that falls off the end is handed to
// `evicted`, to be let go after the library lock (its destructor takes that lock).
void keepRecent(const std::shared_ptr<RealizedFont>& font, std::shared_ptr<RealizedFont>& evicted) {
  auto& recent = recentFonts();
  auto found = std::find(recent.begin(), recent.end(), font);
  if (found != recent.end()) {
    std::rotate(recent.begin(), found, found + 1);
    return;
  }
  if (recent.size() == kRecentFonts) {
    evicted = std::move(recent.back());
    recent.pop_back();
  }
  recent.insert(recent.begin(), font);
}

inline uint32_t blend(uint32_t d, uint32_t c, uint32_t a) {
  uint32_t ia = 255 - a;
  uint32_t rb = (c & 0xFF00FFu) * a + (d & 0xFF00FFu) * ia;
  rb = ((rb + 0x800080u + ((rb >> 8) & 0xFF00FFu)) >> 8) & 0xFF00FFu;
  uint32_t g = (c & 0xFF00u) * a + (d & 0xFF00u) * ia;
  g = ((g + 0x8000u + ((g >> 8) & 0xFF00u)) >> 8) & 0xFF00u;
  return 0xFF000000u | rb | g;
}

// The code point at text[i] and how many units it takes.
inline char32_t codePointAt(const char16_t* text, int count, int i, int* units) {
  char16_t c = text[i];
  if (c >= 0xD800 && c <= 0xDBFF && i + 1 < count && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
    *units = 2;
    return 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (text[i + 1] - 0xDC00);
  }
  *units = 1;
  return c;
}

// Draws one glyph's coverage at (gx, gy) through the clip.
void paintGlyph(PixelBuffer& target, const Region& clip, const Glyph& g, int gx, int gy, uint32_t color) {
  for (int row = 0; row < g.height; ++row) {
    const uint8_t* cov = g.coverage.get() + static_cast<size_t>(row) * static_cast<size_t>(g.width);
    int y = gy + row;
    clip.forSpansInRow(y, gx, gx + g.width, [&](int x0, int x1) {
      uint32_t* p = target.row(y);
      for (int px = x0; px < x1; ++px) {
        uint32_t a = cov[px - gx];
        if (a == 255) {
          p[px] = color;
        } else if (a != 0) {
          p[px] = blend(p[px], color, a);
        }
      }
    });
  }
}

// 26.6 fixed point to whole pixels, rounding halves up (floor of x + 1/2).
inline int pixels(int64_t v) { return static_cast<int>((v + 32) >> 6); }

constexpr uint8_t kComplex = 1;     // the code point takes the shaping road
constexpr uint8_t kMissing = 2;     // no installed face has it: drawn as the missing-glyph box
constexpr uint8_t kByLanguage = 4;  // its face follows the text's language

// Shaped texts kept per font; a full cache is emptied rather than tracked, since labels repeat
// their few texts on every paint.
constexpr size_t kShapedTexts = 256;

}  // namespace

std::shared_ptr<RealizedFont> FontObject::realize() {
  if (!realized) realized = RealizedFont::forLogFont(logFont);
  return realized;
}

RealizedFont::RealizedFont() = default;

RealizedFont::~RealizedFont() {
  std::lock_guard<std::mutex> guard(g_libraryLock);
  for (auto& face : m_faces) {
    if (face->hb != nullptr) {
      hb_font_destroy(face->hb);
      face->hb = nullptr;
    }
    if (face->face != nullptr) FT_Done_Face(face->face);
  }
}

const char* RealizedFont::dialogFamily() { return kDialogFamily; }

std::shared_ptr<RealizedFont> RealizedFont::forLogFont(const LOGFONTW& lf) {
  std::string family = familyFor(lf);
  bool bold = lf.lfWeight >= FW_SEMIBOLD;
  bool italic = lf.lfItalic != 0;
  bool mono = lf.lfQuality == NONANTIALIASED_QUALITY;
  LONG height = lf.lfHeight == 0 ? -12 : lf.lfHeight;
  FontKey key{family, bold, italic, height, mono, lf.lfUnderline != 0, lf.lfStrikeOut != 0};

  std::shared_ptr<RealizedFont> evicted;  // released after the guard below
  std::lock_guard<std::mutex> guard(g_libraryLock);
  auto& cache = fontCache();
  auto cached = cache.find(key);
  if (cached != cache.end()) {
    if (auto font = cached->second.lock()) {
      keepRecent(font, evicted);
      return font;
    }
  }
  if (g_library == nullptr && FT_Init_FreeType(&g_library) != 0) return nullptr;
  Match match = matchFont(family, bold, italic);
  FT_Face face = nullptr;
  if (match.file.empty() || FT_New_Face(g_library, match.file.c_str(), match.index, &face) != 0) {
    // Without fontconfig's answer the face of the bootstrap package is tried directly.
    match.file = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    match.index = 0;
    if (FT_New_Face(g_library, match.file.c_str(), 0, &face) != 0) return nullptr;
    match.family = u"DejaVu Sans";
  }

  std::shared_ptr<RealizedFont> font(new RealizedFont);
  auto own = std::make_unique<FontFace>();
  own->face = face;
  own->file = match.file;
  own->index = match.index;
  own->emboldenSynth = match.synthBold;
  own->obliqueSynth = match.synthItalic;
  font->m_faces.push_back(std::move(own));
  font->m_family = family;
  font->m_bold = bold;
  font->m_italic = italic;
  font->m_mono = mono;
  font->m_underline = lf.lfUnderline != 0;
  font->m_strikeOut = lf.lfStrikeOut != 0;
  font->m_faceName = match.family;

  // Windows sizes a font by its cell: usWinAscent + usWinDescent of the OS/2 table.
  double upem = face->units_per_EM > 0 ? face->units_per_EM : 2048;
  auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  double winAscent = os2 != nullptr ? os2->usWinAscent : face->ascender;
  double winDescent = os2 != nullptr ? os2->usWinDescent : -face->descender;
  int ppem;
  if (height < 0) {
    ppem = static_cast<int>(-height);
  } else {
    ppem = static_cast<int>(std::floor(height * upem / (winAscent + winDescent) + 0.5));
  }
  ppem = std::clamp(ppem, 1, 2000);
  FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(ppem));
  font->m_ppem = ppem;
  font->m_faces[0]->emboldenExtra =
      match.synthBold ? FT_MulFix(face->units_per_EM, face->size->metrics.y_scale) / 24 : 0;
  double scale = ppem / upem;
  TEXTMETRICW& tm = font->m_metrics;
  tm.tmAscent = static_cast<LONG>(std::lround(winAscent * scale));
  tm.tmDescent = static_cast<LONG>(std::lround(winDescent * scale));
  tm.tmHeight = tm.tmAscent + tm.tmDescent;
  tm.tmInternalLeading = std::max<LONG>(0, tm.tmHeight - ppem);
  double lineGap = face->height - (winAscent + winDescent);
  tm.tmExternalLeading = std::max<LONG>(0, static_cast<LONG>(std::lround(lineGap * scale)));
  tm.tmAveCharWidth = static_cast<LONG>(std::lround((os2 != nullptr ? os2->xAvgCharWidth : upem / 2) * scale));
  tm.tmMaxCharWidth = static_cast<LONG>(std::lround(face->max_advance_width * scale));
  tm.tmWeight = bold ? FW_BOLD : (lf.lfWeight == 0 ? FW_NORMAL : lf.lfWeight);
  tm.tmDigitizedAspectX = 96;
  tm.tmDigitizedAspectY = 96;
  tm.tmFirstChar = 0x20;
  tm.tmLastChar = 0xFFFC;
  tm.tmDefaultChar = 0x1F;
  tm.tmBreakChar = 0x20;
  tm.tmItalic = italic ? 1 : 0;
  tm.tmUnderlined = lf.lfUnderline != 0 ? 1 : 0;
  tm.tmStruckOut = lf.lfStrikeOut != 0 ? 1 : 0;
  bool fixed = FT_IS_FIXED_WIDTH(face);
  // TMPF_FIXED_PITCH set means a variable-pitch font, as Windows defines the bit.
  tm.tmPitchAndFamily =
      static_cast<BYTE>((fixed ? 0 : TMPF_FIXED_PITCH) | TMPF_VECTOR | TMPF_TRUETYPE | (fixed ? FF_MODERN : FF_SWISS));
  tm.tmCharSet = DEFAULT_CHARSET;
  font->m_underlinePosition = std::max(1, static_cast<int>(std::lround(-face->underline_position * scale)));
  font->m_lineThickness = std::max(1, static_cast<int>(std::lround(face->underline_thickness * scale)));
  cache[key] = font;
  keepRecent(font, evicted);
  return font;
}

const Glyph& RealizedFont::glyphLocked(int faceIndex, uint32_t index) {
  FontFace& f = *m_faces[static_cast<size_t>(faceIndex)];
  std::unique_ptr<Glyph>& slot = f.glyphs[index];
  if (slot) return *slot;
  auto glyph = std::make_unique<Glyph>();
  FT_Face face = f.face;
  FT_Int32 flags = m_mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL;
  if (FT_Load_Glyph(face, index, flags) == 0) {
    FT_GlyphSlot g = face->glyph;
    if (f.emboldenSynth) FT_GlyphSlot_Embolden(g);
    if (f.obliqueSynth) FT_GlyphSlot_Oblique(g);
    glyph->advance = static_cast<int>((g->advance.x + 32) >> 6);
    if (FT_Render_Glyph(g, m_mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) == 0) {
      const FT_Bitmap& bm = g->bitmap;
      glyph->left = g->bitmap_left;
      glyph->top = g->bitmap_top;
      glyph->width = static_cast<int>(bm.width);
      glyph->height = static_cast<int>(bm.rows);
      size_t n = static_cast<size_t>(glyph->width) * static_cast<size_t>(glyph->height);
      glyph->coverage.reset(new uint8_t[n > 0 ? n : 1]);
      for (int y = 0; y < glyph->height; ++y) {
        const unsigned char* src = bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch;
        uint8_t* dst = glyph->coverage.get() + static_cast<size_t>(y) * static_cast<size_t>(glyph->width);
        for (int x = 0; x < glyph->width; ++x) {
          dst[x] = bm.pixel_mode == FT_PIXEL_MODE_MONO ? ((src[x >> 3] >> (7 - (x & 7))) & 1 ? 255 : 0) : src[x];
        }
      }
    }
  }
  slot = std::move(glyph);
  return *slot;
}

inline RealizedFont::Slot& RealizedFont::slotLocked(char32_t c) {
  Slot* slot;
  if (c < 0x10000) {
    auto& page = m_pages[c >> 8];
    if (!page) page = std::make_unique<std::array<Slot, 256>>();
    slot = &(*page)[c & 0xFF];
  } else {
    slot = &m_otherSlots[c];
  }
  if (slot->glyph == nullptr) fillSlotLocked(c, *slot);
  return *slot;
}

int RealizedFont::faceForLocked(char32_t c, int lang) {
  if (FT_Get_Char_Index(m_faces[0]->face, c) != 0) return 0;
  if (invisible(c)) return -1;
  std::lock_guard<std::mutex> guard(g_libraryLock);
  const std::vector<Candidate>& list = fallbackList(m_family, m_bold, m_italic, langName(lang));
  for (const Candidate& candidate : list) {
    if (!FcCharSetHasChar(candidate.charset, c)) continue;
    int index = -1;
    for (size_t i = 0; i < m_faces.size(); ++i) {
      if (m_faces[i]->file == candidate.file && m_faces[i]->index == candidate.index) index = static_cast<int>(i);
    }
    if (index < 0) {
      if (m_faces.size() > 250) return -1;  // the slots hold face numbers in a byte
      FT_Face face = nullptr;
      if (FT_New_Face(g_library, candidate.file.c_str(), candidate.index, &face) != 0) continue;
      FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(m_ppem));
      auto fallback = std::make_unique<FontFace>();
      fallback->face = face;
      fallback->file = candidate.file;
      fallback->index = candidate.index;
      fallback->emboldenSynth = m_bold && !candidate.bold;
      fallback->obliqueSynth = m_italic && !candidate.italic;
      fallback->emboldenExtra =
          fallback->emboldenSynth ? FT_MulFix(face->units_per_EM, face->size->metrics.y_scale) / 24 : 0;
      TRACE(Gdi32, "U+%04X of %s from %s (face %d)", static_cast<unsigned>(c), m_family.c_str(), candidate.file.c_str(),
            candidate.index);
      m_faces.push_back(std::move(fallback));
      index = static_cast<int>(m_faces.size()) - 1;
    }
    if (FT_Get_Char_Index(m_faces[static_cast<size_t>(index)]->face, c) != 0) return index;
  }
  return -1;
}

void RealizedFont::fillSlotLocked(char32_t c, Slot& slot) {
  uint8_t flags = needsShaping(c) ? kComplex : 0;
  uint32_t index = FT_Get_Char_Index(m_faces[0]->face, c);
  int face = 0;
  if (index == 0 && hanLike(c)) {
    flags |= kByLanguage;  // the glyph below only stands until the text's language is known
  }
  if (index == 0) {
    face = faceForLocked(c, (flags & kByLanguage) ? localeHanLang() : kLangLocale);
    if (face < 0) {
      face = 0;
      if (!invisible(c)) flags |= kMissing;
    } else {
      index = FT_Get_Char_Index(m_faces[static_cast<size_t>(face)]->face, c);
    }
  }
  slot.glyph = &glyphLocked(face, index);
  slot.face = static_cast<uint8_t>(face);
  slot.flags = flags;
}

int RealizedFont::langOfLocked(const char16_t* text, int count) {
  for (int i = 0; i < count; ++i) {
    char16_t c = text[i];
    if ((c >= 0x3040 && c <= 0x30FF) || (c >= 0x31F0 && c <= 0x31FF)) return kLangJa;
    if ((c >= 0xAC00 && c <= 0xD7AF) || (c >= 0x1100 && c <= 0x11FF) || (c >= 0x3130 && c <= 0x318F)) return kLangKo;
  }
  return localeHanLang();
}

bool RealizedFont::simpleLocked(const char16_t* text, int count) {
  for (int i = 0; i < count;) {
    int units = 1;
    char32_t c = codePointAt(text, count, i, &units);
    if (slotLocked(c).flags & kComplex) return false;
    i += units;
  }
  return true;
}

namespace {

// The slot of a code point whose face follows the text's language.
struct LangSlots {
  static uint64_t key(char32_t c, int lang) { return (static_cast<uint64_t>(lang + 1) << 32) | c; }
};

}  // namespace

std::shared_ptr<const ShapedText> RealizedFont::shapeLocked(const char16_t* text, int count) {
  std::u16string key(text, static_cast<size_t>(count));
  auto cached = m_shaped.find(key);
  if (cached != m_shaped.end()) return cached->second;

  auto shaped = std::make_shared<ShapedText>();
  shaped->advances.assign(static_cast<size_t>(count), 0);
  std::vector<FriBidiChar> cps;
  std::vector<int> unitOf;
  for (int i = 0; i < count;) {
    int units = 1;
    cps.push_back(codePointAt(text, count, i, &units));
    unitOf.push_back(i);
    i += units;
  }
  unitOf.push_back(count);
  int n = static_cast<int>(cps.size());

  // Embedding levels of a left-to-right paragraph.
  std::vector<FriBidiCharType> types(static_cast<size_t>(n));
  std::vector<FriBidiBracketType> brackets(static_cast<size_t>(n));
  std::vector<FriBidiLevel> levels(static_cast<size_t>(n), 0);
  fribidi_get_bidi_types(cps.data(), n, types.data());
  fribidi_get_bracket_types(cps.data(), n, types.data(), brackets.data());
  FriBidiParType base = FRIBIDI_PAR_LTR;
  if (fribidi_get_par_embedding_levels_ex(types.data(), brackets.data(), n, &base, levels.data()) == 0) {
    std::fill(levels.begin(), levels.end(), 0);
  }

  // Runs of one level, script and face, in logical order.
  hb_unicode_funcs_t* unicode = hb_unicode_funcs_get_default();
  int lang = -1;
  struct Run {
    int first, last;  // code points [first, last)
    int level;
    hb_script_t script;
    int face;
  };
  std::vector<Run> runs;
  std::vector<int> faces(static_cast<size_t>(n));
  std::vector<hb_script_t> scripts(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    char32_t c = cps[static_cast<size_t>(i)];
    hb_script_t script = hb_unicode_script(unicode, c);
    int face;
    if (hanLike(c) && FT_Get_Char_Index(m_faces[0]->face, c) == 0) {
      if (lang < 0) lang = langOfLocked(text, count);
      face = faceForLocked(c, lang);
    } else {
      face = faceForLocked(c, kLangLocale);
    }
    bool neutral = script == HB_SCRIPT_COMMON || script == HB_SCRIPT_INHERITED || script == HB_SCRIPT_UNKNOWN;
    if (neutral && i > 0) {
      // Spaces, punctuation and marks stay with the letters before them where that face has them.
      script = scripts[static_cast<size_t>(i - 1)];
      int before = faces[static_cast<size_t>(i - 1)];
      if (before >= 0 && FT_Get_Char_Index(m_faces[static_cast<size_t>(before)]->face, c) != 0) face = before;
    }
    if (face < 0 && !invisible(c)) shaped->missing.push_back(unitOf[static_cast<size_t>(i)]);
    if (face < 0) face = i > 0 ? faces[static_cast<size_t>(i - 1)] : 0;
    scripts[static_cast<size_t>(i)] = script;
    faces[static_cast<size_t>(i)] = face;
  }
  // A text that opens with neutral characters takes the script of its first letter.
  for (int i = 0; i < n && (scripts[static_cast<size_t>(i)] == HB_SCRIPT_COMMON ||
                            scripts[static_cast<size_t>(i)] == HB_SCRIPT_INHERITED);
       ++i) {
    auto next = std::find_if(scripts.begin() + i, scripts.end(), [](hb_script_t s) {
      return s != HB_SCRIPT_COMMON && s != HB_SCRIPT_INHERITED && s != HB_SCRIPT_UNKNOWN;
    });
    if (next == scripts.end()) break;
    scripts[static_cast<size_t>(i)] = *next;
  }
  for (int i = 0; i < n; ++i) {
    size_t k = static_cast<size_t>(i);
    if (!runs.empty() && runs.back().level == levels[k] && runs.back().script == scripts[k] &&
        runs.back().face == faces[k]) {
      runs.back().last = i + 1;
    } else {
      runs.push_back(Run{i, i + 1, levels[k], scripts[k], faces[k]});
    }
  }

  // The runs in visual order: from the highest level down to the lowest odd one, every stretch
  // of runs at that level or above is reversed.
  std::vector<int> order(runs.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
  int highest = 0, lowestOdd = 255;
  for (const Run& r : runs) {
    highest = std::max(highest, r.level);
    if (r.level & 1) lowestOdd = std::min(lowestOdd, r.level);
  }
  for (int level = highest; level >= lowestOdd && level > 0; --level) {
    for (size_t i = 0; i < order.size();) {
      if (runs[static_cast<size_t>(order[i])].level < level) {
        ++i;
        continue;
      }
      size_t j = i;
      while (j < order.size() && runs[static_cast<size_t>(order[j])].level >= level) ++j;
      std::reverse(order.begin() + static_cast<ptrdiff_t>(i), order.begin() + static_cast<ptrdiff_t>(j));
      i = j;
    }
  }

  hb_buffer_t* buffer = hb_buffer_create();
  hb_language_t language = lang >= 0 ? hb_language_from_string(langName(lang).c_str(), -1) : HB_LANGUAGE_INVALID;
  int64_t pen = 0;  // 26.6
  for (int r : order) {
    const Run& run = runs[static_cast<size_t>(r)];
    FontFace& face = *m_faces[static_cast<size_t>(run.face)];
    if (face.hb == nullptr) {
      face.hb = hb_ft_font_create_referenced(face.face);
      hb_ft_font_set_load_flags(face.hb, m_mono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
    }
    hb_buffer_clear_contents(buffer);
    int from = unitOf[static_cast<size_t>(run.first)], to = unitOf[static_cast<size_t>(run.last)];
    hb_buffer_add_utf16(buffer, reinterpret_cast<const uint16_t*>(text), count, static_cast<unsigned>(from), to - from);
    hb_buffer_set_direction(buffer, (run.level & 1) ? HB_DIRECTION_RTL : HB_DIRECTION_LTR);
    hb_buffer_set_script(buffer, run.script);
    // Only Han ideographs are shaped for a language of their own; other scripts take HarfBuzz's
    // default.
    if (lang >= 0) hb_buffer_set_language(buffer, language);
    hb_buffer_guess_segment_properties(buffer);
    hb_shape(face.hb, buffer, nullptr, 0);
    unsigned glyphCount = 0;
    hb_glyph_info_t* infos = hb_buffer_get_glyph_infos(buffer, &glyphCount);
    hb_glyph_position_t* positions = hb_buffer_get_glyph_positions(buffer, &glyphCount);
    for (unsigned g = 0; g < glyphCount; ++g) {
      int cluster = static_cast<int>(infos[g].cluster);
      int64_t advance = positions[g].x_advance;
      if (advance != 0) advance += face.emboldenExtra;
      ShapedText::Placed placed{
          &glyphLocked(run.face, infos[g].codepoint), static_cast<uint8_t>(run.face), infos[g].codepoint, cluster,
          pixels(pen + positions[g].x_offset),        pixels(positions[g].y_offset)};
      shaped->glyphs.push_back(placed);
      int before = pixels(pen);
      pen += advance;
      if (cluster >= 0 && cluster < count) shaped->advances[static_cast<size_t>(cluster)] += pixels(pen) - before;
    }
  }
  hb_buffer_destroy(buffer);
  shaped->width = pixels(pen);
  std::sort(shaped->missing.begin(), shaped->missing.end());

  if (m_shaped.size() >= kShapedTexts) m_shaped.clear();
  m_shaped.emplace(std::move(key), shaped);
  return shaped;
}

inline const RealizedFont::Slot& RealizedFont::resolveLocked(char32_t c, const char16_t* text, int count, int& lang) {
  const Slot& s = slotLocked(c);
  if (!(s.flags & kByLanguage)) return s;
  if (lang < 0) lang = langOfLocked(text, count);
  if (lang == localeHanLang()) return s;
  Slot& other = m_otherSlots[LangSlots::key(c, lang)];
  if (other.glyph == nullptr) {
    int face = faceForLocked(c, lang);
    if (face < 0) {
      other = s;
    } else {
      other.face = static_cast<uint8_t>(face);
      other.flags = s.flags;
      other.glyph = &glyphLocked(face, FT_Get_Char_Index(m_faces[static_cast<size_t>(face)]->face, c));
    }
  }
  return other;
}

void RealizedFont::advances(const char16_t* text, int count, int* out) {
  std::lock_guard<std::mutex> guard(m_lock);
  int lang = -1;
  for (int i = 0; i < count;) {
    int units = 1;
    char32_t c = codePointAt(text, count, i, &units);
    const Slot& s = resolveLocked(c, text, count, lang);
    if (s.flags & kComplex) {
      auto shaped = shapeLocked(text, count);
      std::copy(shaped->advances.begin(), shaped->advances.end(), out);
      return;
    }
    out[i] = s.glyph->advance;
    if (units == 2) out[i + 1] = 0;
    i += units;
  }
}

int RealizedFont::width(const char16_t* text, int count) {
  std::lock_guard<std::mutex> guard(m_lock);
  int total = 0, lang = -1;
  for (int i = 0; i < count;) {
    int units = 1;
    char32_t c = codePointAt(text, count, i, &units);
    const Slot& s = resolveLocked(c, text, count, lang);
    if (s.flags & kComplex) return shapeLocked(text, count)->width;
    total += s.glyph->advance;
    i += units;
  }
  return total;
}

std::vector<int> RealizedFont::missingUnits(const char16_t* text, int count) {
  std::lock_guard<std::mutex> guard(m_lock);
  std::vector<int> missing;
  if (!simpleLocked(text, count)) return shapeLocked(text, count)->missing;
  for (int i = 0; i < count;) {
    int units = 1;
    char32_t c = codePointAt(text, count, i, &units);
    if (slotLocked(c).flags & kMissing) missing.push_back(i);
    i += units;
  }
  return missing;
}

std::vector<LaidOutGlyph> RealizedFont::layOut(const char16_t* text, int count) {
  std::lock_guard<std::mutex> guard(m_lock);
  std::vector<LaidOutGlyph> out;
  if (simpleLocked(text, count)) {
    int pen = 0;
    for (int i = 0; i < count;) {
      int units = 1;
      char32_t c = codePointAt(text, count, i, &units);
      int lang = -1;
      const Slot& s = resolveLocked(c, text, count, lang);
      const FontFace& f = *m_faces[s.face];
      out.push_back(LaidOutGlyph{f.file, f.index, FT_Get_Char_Index(f.face, c), i, pen});
      pen += s.glyph->advance;
      i += units;
    }
    return out;
  }
  auto shaped = shapeLocked(text, count);
  for (const auto& g : shaped->glyphs) {
    const FontFace& f = *m_faces[g.face];
    out.push_back(LaidOutGlyph{f.file, f.index, g.index, g.cluster, g.x});
  }
  return out;
}

void RealizedFont::draw(PixelBuffer& target, const Region& clip, int x, int baseline, const char16_t* text, int count,
                        const int* dx, uint32_t color, RECT* touched, int* missingUnit) {
  std::lock_guard<std::mutex> guard(m_lock);
  int pen = x;
  int missing = -1;
  RECT box{x, baseline - m_metrics.tmAscent, x, baseline + m_metrics.tmDescent};
  auto extend = [&box](const Glyph& g, int gx, int origin) {
    box.left = std::min<LONG>(box.left, gx);
    box.right = std::max<LONG>(box.right, std::max(gx + g.width, origin + g.advance));
  };
  if (dx == nullptr && !simpleLocked(text, count)) {
    auto shaped = shapeLocked(text, count);
    for (const auto& g : shaped->glyphs) {
      int origin = x + g.x;
      int gx = origin + g.glyph->left;
      paintGlyph(target, clip, *g.glyph, gx, baseline - g.y - g.glyph->top, color);
      extend(*g.glyph, gx, origin);
    }
    pen = x + shaped->width;
    if (!shaped->missing.empty()) missing = shaped->missing.front();
  } else {
    int lang = -1;
    for (int i = 0; i < count;) {
      int units = 1;
      char32_t c = codePointAt(text, count, i, &units);
      const Slot* s = &resolveLocked(c, text, count, lang);
      if ((s->flags & kMissing) && missing < 0) missing = i;
      const Glyph& g = *s->glyph;
      int gx = pen + g.left;
      paintGlyph(target, clip, g, gx, baseline - g.top, color);
      extend(g, gx, pen);
      pen += dx != nullptr ? dx[i] + (units == 2 ? dx[i + 1] : 0) : g.advance;
      i += units;
    }
  }
  box.right = std::max<LONG>(box.right, pen);
  if (m_underline || m_strikeOut) {
    int lines[2] = {m_underline ? baseline + m_underlinePosition : INT32_MIN,
                    m_strikeOut ? baseline - m_metrics.tmAscent / 3 : INT32_MIN};
    for (int top : lines) {
      if (top == INT32_MIN) continue;
      fillRegionRect(target, clip, RECT{x, top, pen, top + m_lineThickness}, color);
    }
  }
  if (touched != nullptr) *touched = box;
  if (missingUnit != nullptr) *missingUnit = missing;
}

}  // namespace winapi
