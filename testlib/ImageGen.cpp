// Generated pictures for the imaging tests and benchmarks, and small PPM and PAM files.
#include "testlib/ImageGen.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <random>
#include <sstream>

namespace lumetra::testlib {

namespace {

uint32_t pack(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
  return (a << 24) | (r << 16) | (g << 8) | b;
}

uint32_t scaled(int32_t i, int32_t n) {
  return n > 1 ? static_cast<uint32_t>(i * 255 / (n - 1)) : 0;
}

}  // namespace

bool Picture::hasAlpha() const {
  return std::any_of(pixels.begin(), pixels.end(), [](uint32_t p) { return (p >> 24) != 255; });
}

Picture makeGradient(int32_t width, int32_t height) {
  Picture p(width, height);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      p.at(x, y) =
          pack(255, scaled(x, width), scaled(y, height), scaled(x + y, width + height - 1));
    }
  }
  return p;
}

Picture makeSoftDisc(int32_t width, int32_t height, uint32_t colour, uint32_t background) {
  Picture p(width, height);
  const double cx = width / 2.0, cy = height / 2.0;
  const double radius = std::min(width, height) / 3.0, edge = std::max(1.0, radius / 4.0);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
      const double t = std::clamp((radius - d) / edge, 0.0, 1.0);
      uint32_t out = 0xFF000000u;
      for (int shift = 0; shift < 24; shift += 8) {
        const double c = ((colour >> shift) & 0xFF) * t + ((background >> shift) & 0xFF) * (1 - t);
        out |= static_cast<uint32_t>(std::lround(c)) << shift;
      }
      p.at(x, y) = out;
    }
  }
  return p;
}

Picture makeNoise(int32_t width, int32_t height, uint32_t seed) {
  Picture p(width, height);
  std::mt19937 rng(seed);
  for (uint32_t& px : p.pixels) {
    px = 0xFF000000u | (rng() & 0x00FFFFFFu);
  }
  return p;
}

Picture makeFewColours(int32_t width, int32_t height, int32_t colours, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint32_t> palette;
  while (static_cast<int32_t>(palette.size()) < std::clamp(colours, 1, 256)) {
    const uint32_t c = 0xFF000000u | (rng() & 0x00FFFFFFu);
    if (std::find(palette.begin(), palette.end(), c) == palette.end()) {
      palette.push_back(c);
    }
  }
  Picture p(width, height);
  const int32_t block = 3;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const size_t i = static_cast<size_t>((x / block) * 7 + (y / block) * 13) % palette.size();
      p.at(x, y) = palette[i];
    }
  }
  return p;
}

Picture makeAlphaRamp(int32_t width, int32_t height) {
  Picture p = makeGradient(width, height);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      p.at(x, y) = (p.at(x, y) & 0x00FFFFFFu) | (scaled(x, width) << 24);
    }
  }
  return p;
}

Picture makeHoles(int32_t width, int32_t height, int32_t period) {
  Picture p = makeGradient(width, height);
  const int32_t side = std::max(1, period / 2);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      if (x % period < side && y % period < side) {
        p.at(x, y) &= 0x00FFFFFFu;
      }
    }
  }
  return p;
}

namespace {

bool writeNetpbm(const std::string& path, const Picture& picture, bool alpha) {
  std::ofstream out(path, std::ios::binary);
  if (alpha) {
    out << "P7\nWIDTH " << picture.width << "\nHEIGHT " << picture.height
        << "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
  } else {
    out << "P6\n" << picture.width << " " << picture.height << "\n255\n";
  }
  std::vector<char> row;
  for (int32_t y = 0; y < picture.height; ++y) {
    row.clear();
    for (int32_t x = 0; x < picture.width; ++x) {
      const uint32_t p = picture.at(x, y);
      row.push_back(static_cast<char>(p >> 16));
      row.push_back(static_cast<char>(p >> 8));
      row.push_back(static_cast<char>(p));
      if (alpha) {
        row.push_back(static_cast<char>(p >> 24));
      }
    }
    out.write(row.data(), static_cast<std::streamsize>(row.size()));
  }
  return static_cast<bool>(out);
}

/// The next header token, skipping white space and comments.
std::string token(std::istream& in) {
  std::string t;
  int c = in.get();
  while (c != EOF) {
    if (c == '#') {
      while (c != EOF && c != '\n') {
        c = in.get();
      }
    } else if (std::isspace(c)) {
      if (!t.empty()) {
        break;
      }
    } else {
      t.push_back(static_cast<char>(c));
    }
    c = in.get();
  }
  return t;
}

}  // namespace

bool writePpm(const std::string& path, const Picture& picture) {
  return writeNetpbm(path, picture, false);
}

bool writePam(const std::string& path, const Picture& picture) {
  return writeNetpbm(path, picture, true);
}

Picture readPnm(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string magic = token(in);
  int32_t width = 0, height = 0, depth = 0, maxval = 0;
  if (magic == "P5" || magic == "P6") {
    width = std::stoi(token(in));
    height = std::stoi(token(in));
    maxval = std::stoi(token(in));
    depth = magic == "P5" ? 1 : 3;
  } else if (magic == "P7") {
    for (std::string t = token(in); !t.empty() && t != "ENDHDR"; t = token(in)) {
      if (t == "WIDTH") width = std::stoi(token(in));
      else if (t == "HEIGHT") height = std::stoi(token(in));
      else if (t == "DEPTH") depth = std::stoi(token(in));
      else if (t == "MAXVAL") maxval = std::stoi(token(in));
      else if (t == "TUPLTYPE") token(in);
    }
  }
  if (width <= 0 || height <= 0 || maxval != 255 || depth < 1 || depth > 4) {
    return {};
  }
  std::vector<unsigned char> bytes(static_cast<size_t>(width) * height * depth);
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!in) {
    return {};
  }
  Picture p(width, height);
  for (size_t i = 0; i < p.pixels.size(); ++i) {
    const unsigned char* s = &bytes[i * depth];
    const uint32_t r = s[0];
    const uint32_t g = depth >= 3 ? s[1] : s[0];
    const uint32_t b = depth >= 3 ? s[2] : s[0];
    const uint32_t a = depth == 4 ? s[3] : depth == 2 ? s[1] : 255;
    p.pixels[i] = pack(a, r, g, b);
  }
  return p;
}

}  // namespace lumetra::testlib
