// lumetra_artwork: writes the program's skin pictures and icon into a folder.
//   lumetra_artwork FOLDER
// makes FOLDER/skin1.jpg and FOLDER/skin2.jpg (baseline JPEG) and FOLDER/lumetra.ico (one
// 32-bit image with alpha per size: bitmaps with their masks, the largest as PNG).
#include "tools/artwork/Artwork.h"
#include "tools/artwork/IconFile.h"

#include "imaging/win/BufferedImage.h"

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

using s::image::win::BufferedImage;

/// The program's form of a POSIX path.
std::u16string windowsPath(const std::string& path) {
  std::u16string out = u"Z:";
  for (char c : path) {
    out += c == '/' ? u'\\' : static_cast<char16_t>(static_cast<unsigned char>(c));
  }
  return out;
}

bool readFile(const std::string& path, std::vector<uint8_t>* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    return false;
  }
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

bool writeSkinPicture(const std::string& folder, int which) {
  BufferedImage* image = tools::artwork::drawSkinPicture(which);
  if (image == nullptr) {
    return false;
  }
  std::string path = folder + "/skin" + std::to_string(which) + ".jpg";
  bool ok = image->saveAsJpegFile(windowsPath(path).c_str(), 90, 0xFF, 0xFF, 0xFF);
  image->release();
  return ok;
}

/// One icon image's bytes as an icon file holds them, written through the imaging encoders
/// into a scratch file of `folder` and read back.
bool encodeIconImage(const std::string& folder, int32_t size, bool asPng,
                     std::vector<uint8_t>* bytes) {
  BufferedImage* image = tools::artwork::drawIcon(size);
  if (image == nullptr) {
    return false;
  }
  std::string scratch = folder + "/icon-" + std::to_string(size) + (asPng ? ".png" : ".bmp");
  bool ok = asPng ? image->saveAsPngFile(windowsPath(scratch).c_str(), false, true, 0, 0, 0)
                  : image->saveAsBmpFile(windowsPath(scratch).c_str(), 32, true, 0, 0, 0);
  image->release();
  std::vector<uint8_t> file;
  ok = ok && readFile(scratch, &file);
  std::remove(scratch.c_str());
  if (!ok) {
    return false;
  }
  if (asPng) {
    *bytes = std::move(file);
    return true;
  }
  return tools::artwork::iconBitmapFromBmp(file, bytes);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: lumetra_artwork FOLDER\n");
    return 2;
  }
  const std::string folder = argv[1];
  for (int which : {1, 2}) {
    if (!writeSkinPicture(folder, which)) {
      std::fprintf(stderr, "lumetra_artwork: cannot write skin picture %d into %s\n", which,
                   folder.c_str());
      return 1;
    }
  }
  std::vector<tools::artwork::IconImage> images;
  for (int32_t size : tools::artwork::kIconSizes) {
    tools::artwork::IconImage entry{size, {}};
    if (!encodeIconImage(folder, size, size >= 256, &entry.bytes)) {
      std::fprintf(stderr, "lumetra_artwork: cannot encode the %d-pixel icon\n", size);
      return 1;
    }
    images.push_back(std::move(entry));
  }
  std::vector<uint8_t> ico = tools::artwork::makeIconFile(images);
  std::ofstream out(folder + "/lumetra.ico", std::ios::binary);
  out.write(reinterpret_cast<const char*>(ico.data()), static_cast<std::streamsize>(ico.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "lumetra_artwork: cannot write %s/lumetra.ico\n", folder.c_str());
    return 1;
  }
  return 0;
}
