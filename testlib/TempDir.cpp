// A temporary folder removed with its contents.
#include "testlib/TempDir.h"

#include <random>
#include <stdexcept>
#include <system_error>

namespace lumetra::testlib {

TempDir::TempDir() {
  std::random_device random;
  const std::filesystem::path base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::filesystem::path candidate =
        base / ("lumetra-test-" + std::to_string(random()) + std::to_string(random()));
    std::error_code error;
    if (std::filesystem::create_directory(candidate, error)) {
      m_path = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder in " + base.string());
}

TempDir::~TempDir() {
  std::error_code error;
  std::filesystem::remove_all(m_path, error);
}

std::u16string TempDir::windowsPath(const std::string& name) const {
  std::u16string out = u"Z:";
  // Test paths are ASCII: each byte is one UTF-16 unit.
  for (char c : file(name).string()) {
    out.push_back(c == '/' ? u'\\' : static_cast<char16_t>(static_cast<unsigned char>(c)));
  }
  return out;
}

}  // namespace lumetra::testlib
