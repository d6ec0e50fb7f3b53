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
  // A test may have taken the write permission away from a folder to make a write fail; give it
  // back, or the removal stops there.
  std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, error);
  for (auto it = std::filesystem::recursive_directory_iterator(m_path, error);
       !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
    if (it->is_directory(error) && !it->is_symlink(error)) {
      std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, error);
    }
  }
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
