// Fuzz target of the path's text operations (libFuzzer): no call here touches the file system
// beyond what a pure text question needs (relative and absolute texts are asked "as a folder",
// so nothing is looked up). Any text must be taken without a crash or a read past it, and
// every answer must keep these promises (a broken one aborts):
//   - the full path is the given text with "/" as "\", a leading long-form prefix ("\\?\",
//     "\\?\UNC\") taken off, and trailing "\" removed; the path is valid when that text was not
//     empty and no part is longer than 779 units;
//   - the parts reassemble: folder + file name is the full path (a path without a folder part
//     has its drive and "\" as folder), file name = title + extension, the extension begins at
//     the last "." of the name, the text forms without slash or dot are their forms less it;
//   - drive, UNC and stream questions answer what the text says; the working form is the long
//     form exactly from 250 units, with one prefix, and the full path below that;
//   - derived paths (child, new extension, parent, concatenation) are the paths of the texts
//     their contracts name;
//   - a text on the same drive made relative to a folder and made absolute again names that
//     text (ignoring case, which the relative form takes from the folder).
#include "core/file/win/PathWin.h"
#include "core/str/Case.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "core/thread/Pooled.h"
#include "testlib/FuzzContract.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

using s::file::win::PathWin;
using s::str::strbuffer::StrBuffer;
using s::thread::Pooled;

namespace {

constexpr size_t kPartLimit = PathWin::kPartUnits - 1;

// Bytes as path units: printable ASCII as itself, the control bytes as units that mean
// something in a path (or that paths seldom hold), the high bytes as letters beyond ASCII or,
// from 0xF0, with the next two bytes as any unit but NUL.
std::u16string unitsOf(const std::string& bytes) {
  static constexpr char16_t kSpecial[32] = {
      u'\\', u'\\', u'\\', u'/',  u'/', u':',   u':',   u'.',   u'.',   u'?', u'?',
      u'U',  u'N',  u'C',  u'u',  u'n', u'c',   u' ',   u'a',   u'A',   u'z', u'Z',
      u'~',  u'$',  u'-',  u'\t', 0xE9, 0x4E2D, 0xD800, 0xDC00, 0xFFFF, u'\\'};
  std::u16string out;
  for (size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<uint8_t>(bytes[i]);
    if (b < 0x20) {
      out.push_back(kSpecial[b]);
    } else if (b < 0x7F) {
      out.push_back(b);
    } else if (b < 0xF0) {
      out.push_back(static_cast<char16_t>(b + 0x80));
    } else if (i + 2 < bytes.size()) {
      const char16_t raw = static_cast<char16_t>(static_cast<uint8_t>(bytes[i + 1]) |
                                                 static_cast<uint8_t>(bytes[i + 2]) << 8);
      out.push_back(raw == 0 ? u'0' : raw);
      i += 2;
    }
  }
  return out;
}

bool startsWithNoCase(const std::u16string& text, const std::u16string& prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    if (s::str::foldUpper(text[i]) != s::str::foldUpper(prefix[i])) return false;
  }
  return true;
}

bool equalNoCase(const std::u16string& a, const std::u16string& b) {
  return a.size() == b.size() && startsWithNoCase(a, b);
}

// What the path keeps of a given text: the full path, and whether the text counted as given.
struct Model {
  std::u16string full;
  bool given = false;
};

Model modelOf(std::u16string text) {
  for (char16_t& unit : text) {
    if (unit == u'/') unit = u'\\';
  }
  Model m;
  for (;;) {
    if (startsWithNoCase(text, u"\\\\?\\UNC\\")) {
      text = u"\\\\" + text.substr(8);
    } else if (text.compare(0, 4, u"\\\\?\\") == 0) {
      text = text.substr(4);
    } else {
      break;
    }
  }
  m.given = !text.empty();
  while (!text.empty() && text.back() == u'\\') text.pop_back();
  m.full = text;
  return m;
}

std::u16string str(const WCHAR* text) { return std::u16string(text); }

std::u16string fullOf(PathWin* path) {
  return path == nullptr ? u"(null)" : str(path->getFullPath());
}

void checkPath(const std::u16string& text) {
  const Model m = modelOf(text);
  const std::u16string& f = m.full;
  Pooled<PathWin> path(PathWin::newFromText(text.c_str()));
  FUZZ_CHECK(str(path->getFullPath()) == f);
  FUZZ_CHECK(path->getLength() == f.size());

  // The split the parts promise.
  const size_t driveEnd = f.size() >= 2 && f[1] == u':' ? 2 : 0;
  size_t nameStart = driveEnd;
  for (size_t i = driveEnd; i < f.size(); ++i) {
    if (f[i] == u'\\') nameStart = i + 1;
  }
  size_t dot = f.size();
  for (size_t i = nameStart; i < f.size(); ++i) {
    if (f[i] == u'.') dot = i;
  }
  const bool fits = nameStart - driveEnd <= kPartLimit && dot - nameStart <= kPartLimit &&
                    f.size() - dot <= kPartLimit;
  FUZZ_CHECK(path->isValid() == (m.given && fits));
  if (!path->isValid()) {
    return;
  }
  const std::u16string title = f.substr(nameStart, dot - nameStart);
  const std::u16string extension = f.substr(dot);
  const std::u16string folder =
      nameStart > driveEnd ? f.substr(0, nameStart) : f.substr(0, driveEnd) + u"\\";
  FUZZ_CHECK(str(path->getTitle()) == title);
  FUZZ_CHECK(str(path->getExtension()) == extension);
  FUZZ_CHECK(str(path->getExtensionCopy()) == extension);
  FUZZ_CHECK(str(path->getExtensionNoDot()) == (extension.size() > 1 ? extension.substr(1) : u""));
  FUZZ_CHECK(str(path->getFileName()) == title + extension);
  FUZZ_CHECK(str(path->getFolder()) == folder);
  std::u16string noSlash = folder;
  while (!noSlash.empty() && noSlash.back() == u'\\') noSlash.pop_back();
  FUZZ_CHECK(str(path->getFolderNoSlash()) == noSlash);
  FUZZ_CHECK(str(path->getFullPathWithSlash()) == f + u"\\");
  FUZZ_CHECK(extension.empty() || path->hasExtension(extension.c_str()));
  Pooled<StrBuffer> out;
  out->assign(u"<");
  path->copyFileName(out.get(), true);
  FUZZ_CHECK(str(out->getCStr()) == u"<" + title + extension);
  path->copyFolder(out.get(), false);
  FUZZ_CHECK(str(out->getCStr()) == folder);

  // The questions of the text.
  FUZZ_CHECK(path->hasDriveLetter() == (driveEnd == 2));
  FUZZ_CHECK(path->isDriveOnly() == (f.size() == 2 && f[1] == u':'));
  FUZZ_CHECK(path->getDriveLetter() == (f.empty() ? 0 : f[0]));
  const bool unc = f.size() > 2 && f[0] == u'\\' && f[1] == u'\\' && f[2] != u'\\';
  FUZZ_CHECK(path->isUncPath() == unc);
  FUZZ_CHECK(path->isAbsolute() == (driveEnd == 2 || unc));
  FUZZ_CHECK(path->isStream() == (extension.find(u':') != std::u16string::npos ||
                                  title.find(u':') != std::u16string::npos));
  if (f.size() > 2) {
    const size_t end = f.find(u'\\', 2);
    FUZZ_CHECK(str(path->getUncServer()) ==
               f.substr(2, end == std::u16string::npos ? std::u16string::npos : end - 2));
  } else {
    FUZZ_CHECK(str(path->getUncServer()).empty());
  }
  std::u16string working = f;
  if (f.size() >= PathWin::kLongFormFrom) {
    working = f.size() > 2 && f[0] == u'\\' && f[1] == u'\\' ? u"\\\\?\\UNC\\" + f.substr(2)
                                                             : u"\\\\?\\" + f;
  }
  FUZZ_CHECK(str(path->getLongPath()) == working);

  // Derived paths are the paths of their texts.
  Pooled<PathWin> child(path->newChild(u"n.t"));
  FUZZ_CHECK(fullOf(child.get()) == modelOf(f + u"\\n.t").full);
  Pooled<PathWin> renamed(path->newWithNewExtension(u".e"));
  FUZZ_CHECK(fullOf(renamed.get()) == modelOf(folder + title + u".e").full);
  Pooled<PathWin> parent(path->newParent());
  FUZZ_CHECK(fullOf(parent.get()) == modelOf(folder).full);
  // A path of its own full path is the same path.
  if (!f.empty()) {
    Pooled<PathWin> again(PathWin::newFromText(path->getFullPath()));
    FUZZ_CHECK(str(again->getFullPath()) == f && again->isValid());
    FUZZ_CHECK(again->equals(path.get()) && again->hashCode() == path->hashCode());
    FUZZ_CHECK(str(again->getFolder()) == folder && str(again->getFileName()) == title + extension);
  }
}

// Texts on drive C made of names from a small alphabet (no "..", no ":"), so relative texts are
// unambiguous: relative to a folder and back names the same text.
std::u16string drivePath(FuzzedDataProvider& input) {
  static constexpr char16_t kNameUnits[] = u"aAbB.xX \u00e9";
  std::u16string text = u"C:";
  const int names = input.ConsumeIntegralInRange<int>(0, 5);
  if (names == 0) {
    return u"C:\\";
  }
  for (int n = 0; n < names; ++n) {
    text += u'\\';
    const int length = input.ConsumeIntegralInRange<int>(1, 4);
    for (int i = 0; i < length; ++i) {
      text += kNameUnits[input.ConsumeIntegralInRange<size_t>(
          0, sizeof kNameUnits / sizeof kNameUnits[0] - 2)];
    }
    if (text.size() >= 4 && text.compare(text.size() - 3, 3, u"\\..") == 0) text.back() = u'a';
    if (text.size() >= 3 && text.compare(text.size() - 2, 2, u"\\.") == 0) text.back() = u'b';
  }
  if (input.ConsumeBool()) text += u'\\';
  return text;
}

void checkRelative(FuzzedDataProvider& input) {
  const std::u16string base = drivePath(input);
  const std::u16string text = drivePath(input);
  Pooled<PathWin> folder(PathWin::newFromText(base.c_str()));
  const std::u16string relative = str(folder->toRelativePath(text.c_str(), true));
  const std::u16string absolute = str(folder->toAbsolutePath(relative.c_str(), true));
  FUZZ_CHECK(equalNoCase(absolute, text));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 14) {
    return 0;
  }
  FuzzedDataProvider input(data, size);
  const std::u16string first = unitsOf(input.ConsumeRandomLengthString());
  const std::u16string second = unitsOf(input.ConsumeRandomLengthString());
  checkPath(first);
  checkPath(second);
  // A concatenation is the path of the joined texts.
  Pooled<PathWin> joined(PathWin::newFromConcatenation(first.c_str(), second.c_str()));
  FUZZ_CHECK(fullOf(joined.get()) == modelOf(first + second).full);
  Pooled<PathWin> a(PathWin::newFromText(first.c_str()));
  const bool sameVolume = a->isSameVolume(second.c_str());
  const Model ma = modelOf(first);
  const Model mb = modelOf(second);
  const bool driveA = ma.full.size() >= 2 && ma.full[1] == u':';
  const bool driveB = mb.full.size() >= 2 && mb.full[1] == u':';
  if (driveA && driveB) {
    FUZZ_CHECK(sameVolume == (ma.full[0] == mb.full[0]));
  } else if (!a->isUncPath()) {
    FUZZ_CHECK(!sameVolume);
  }
  // Relative and absolute texts must not read past any text, however odd.
  a->toRelativePath(second.c_str(), true);
  a->toAbsolutePath(second.c_str(), true);
  checkRelative(input);
  return 0;
}
