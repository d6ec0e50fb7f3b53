// Speed of the layer's text calls on a label of 30 characters, drawn with DrawTextW into a 32-bit
// DIB and measured with GetTextExtentPoint32W, every cache warm (the first use of a script opens
// its fallback face once). Targets: a Latin label costs at most 10 % more than before fallback
// faces and shaping existed; a CJK label at most 3 times a Latin one.
#include <windows.h>

#include <benchmark/benchmark.h>

#include <string>

namespace {

// Thirty characters each.
constexpr const char16_t kLatin[] = u"Pitch Up  (Raise Tone) + mixed";
constexpr const char16_t kCjk[] = u"ファイルをここにドロップしてください音声変換設定出力先";
constexpr const char16_t kHebrew[] = u"אנא גרור לכאן קובצי שמע לעיבוד";
constexpr const char16_t kArabic[] = u"يرجى إسقاط الملفات الصوتية هنا";
constexpr const char16_t kThai[] = u"กรุณาลากไฟล์เสียงมาวางที่นี่";

class Surface {
 public:
  explicit Surface(const char16_t* face) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 400;
    info.bmiHeader.biHeight = -30;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    m_dc = CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    m_bitmap = CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    m_oldBitmap = SelectObject(m_dc, m_bitmap);
    LOGFONTW lf{};
    lf.lfHeight = -13;
    lf.lfWeight = FW_NORMAL;
    lf.lfQuality = CLEARTYPE_QUALITY;
    std::u16string name = face;
    name.copy(lf.lfFaceName, LF_FACESIZE - 1);
    m_font = CreateFontIndirectW(&lf);
    m_oldFont = SelectObject(m_dc, m_font);
    SetBkMode(m_dc, TRANSPARENT);
  }
  ~Surface() {
    SelectObject(m_dc, m_oldFont);
    SelectObject(m_dc, m_oldBitmap);
    DeleteObject(m_font);
    DeleteObject(m_bitmap);
    DeleteDC(m_dc);
  }
  HDC dc() const { return m_dc; }

 private:
  HDC m_dc = nullptr;
  HBITMAP m_bitmap = nullptr;
  HGDIOBJ m_oldBitmap = nullptr;
  HFONT m_font = nullptr;
  HGDIOBJ m_oldFont = nullptr;
};

void drawLabel(benchmark::State& state, const char16_t* face, const char16_t* text) {
  Surface surface(face);
  RECT r{0, 0, 400, 30};
  DrawTextW(surface.dc(), text, -1, &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  for (auto _ : state) {
    RECT box{0, 0, 400, 30};
    benchmark::DoNotOptimize(
        DrawTextW(surface.dc(), text, -1, &box, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX));
  }
  state.SetItemsProcessed(state.iterations());
}

void measureLabel(benchmark::State& state, const char16_t* face, const char16_t* text) {
  Surface surface(face);
  int n = static_cast<int>(std::char_traits<char16_t>::length(text));
  SIZE size{};
  GetTextExtentPoint32W(surface.dc(), text, n, &size);
  for (auto _ : state) {
    GetTextExtentPoint32W(surface.dc(), text, n, &size);
    benchmark::DoNotOptimize(size);
  }
  state.SetItemsProcessed(state.iterations());
}

}  // namespace

BENCHMARK_CAPTURE(drawLabel, latin_dialog_face, u"MS Shell Dlg 2", kLatin);
BENCHMARK_CAPTURE(drawLabel, latin_dejavu, u"DejaVu Sans", kLatin);
BENCHMARK_CAPTURE(drawLabel, cjk, u"MS Shell Dlg 2", kCjk);
BENCHMARK_CAPTURE(drawLabel, hebrew, u"MS Shell Dlg 2", kHebrew);
BENCHMARK_CAPTURE(drawLabel, arabic, u"MS Shell Dlg 2", kArabic);
BENCHMARK_CAPTURE(drawLabel, thai, u"MS Shell Dlg 2", kThai);
BENCHMARK_CAPTURE(measureLabel, latin_dialog_face, u"MS Shell Dlg 2", kLatin);
BENCHMARK_CAPTURE(measureLabel, cjk, u"MS Shell Dlg 2", kCjk);
BENCHMARK_CAPTURE(measureLabel, hebrew, u"MS Shell Dlg 2", kHebrew);
