// Which installed face stands in best for the Windows dialog face: every text of the language
// pack, in every language, measured at the dialog font's size (13 pixels) in each candidate
// face. It prints, per face, the texts' total width against DejaVu Sans, and how many of the
// effect window's list entries (the effect list and the parameter lists) are wider than the
// room the small and the large view give them.
//   face_fit [SMALL_ROOM LARGE_ROOM] (pixels; default 150 and 190)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Text {
  std::string language;
  long id;
  std::u16string text;
};

std::u16string utf16(const std::string& s) {
  std::u16string out;
  int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  out.resize(static_cast<size_t>(n));
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), n);
  return out;
}

// Replaces the pack's character references ("&#160;", "&gt;") by their characters.
std::string unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '&') {
      size_t end = s.find(';', i);
      if (end != std::string::npos) {
        std::string name = s.substr(i + 1, end - i - 1);
        if (name == "gt") out += '>';
        else if (name == "lt") out += '<';
        else if (name == "amp") out += '&';
        else if (name == "#160") out += "\xC2\xA0";
        else if (name == "#10") out += ' ';
        else out += s.substr(i, end - i + 1);
        i = end;
        continue;
      }
    }
    out += s[i];
  }
  return out;
}

std::vector<Text> readPack(const std::string& folder) {
  std::vector<Text> texts;
  std::ifstream list(folder + "/languages.list");
  std::string tag;
  while (std::getline(list, tag)) {
    if (tag.empty() || tag[0] == '#') continue;
    std::ifstream file(folder + "/" + tag + ".txt");
    std::string line;
    while (std::getline(file, line)) {
      if (line.empty() || line[0] == '#') continue;
      size_t tab = line.find('\t');
      if (tab == std::string::npos || line[0] < '0' || line[0] > '9') continue;
      texts.push_back(
          Text{tag, std::atol(line.substr(0, tab).c_str()), utf16(unescape(line.substr(tab + 1)))});
    }
  }
  return texts;
}

bool listEntry(long id) { return id >= 1100000 && id <= 1203500; }

}  // namespace

int main(int argc, char** argv) {
  int smallRoom = argc > 2 ? std::atoi(argv[1]) : 150;
  int largeRoom = argc > 2 ? std::atoi(argv[2]) : 190;
  std::vector<Text> texts = readPack(LUMETRA_LANG_FOLDER);
  const char16_t* faces[] = {u"DejaVu Sans", u"DejaVu Sans Condensed", u"Liberation Sans",
                             u"Noto Sans", u"Nimbus Sans"};
  HDC dc = CreateCompatibleDC(nullptr);
  double reference = 0;
  std::printf("%zu texts; room for a list entry: %d px (small view), %d px (large view)\n",
              texts.size(), smallRoom, largeRoom);
  std::printf("%-24s %-24s %8s %12s %12s %10s\n", "face", "installed as", "width", "over small",
              "over large", "widest");
  for (const char16_t* face : faces) {
    HFONT font = CreateFontW(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                             CLEARTYPE_QUALITY, 0, face);
    HGDIOBJ old = SelectObject(dc, font);
    WCHAR realized[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, realized);
    double total = 0;
    int overSmall = 0, overLarge = 0, widest = 0;
    for (const Text& t : texts) {
      SIZE size{};
      GetTextExtentPoint32W(dc, t.text.c_str(), static_cast<int>(t.text.size()), &size);
      total += size.cx;
      if (listEntry(t.id)) {
        overSmall += size.cx > smallRoom;
        overLarge += size.cx > largeRoom;
        widest = size.cx > widest ? static_cast<int>(size.cx) : widest;
      }
    }
    if (reference == 0) reference = total;
    std::string a, b;
    for (const char16_t* p = face; *p; ++p) a += static_cast<char>(*p);
    for (const WCHAR* p = realized; *p; ++p) b += *p < 0x80 ? static_cast<char>(*p) : '?';
    std::printf("%-24s %-24s %7.1f%% %12d %12d %10d\n", a.c_str(), b.c_str(),
                100.0 * total / reference, overSmall, overLarge, widest);
    SelectObject(dc, old);
    DeleteObject(font);
  }
  DeleteDC(dc);
  return 0;
}
