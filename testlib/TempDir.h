// A temporary folder that a test works in and that is removed with everything in it.
#pragma once

#include <filesystem>
#include <string>

namespace lumetra::testlib {

/// A new, empty folder below the system's temporary folder, removed (with its contents) when the
/// object goes out of scope.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return m_path; }
  /// The POSIX path of `name` inside the folder.
  std::filesystem::path file(const std::string& name) const { return m_path / name; }
  /// The same path in the program's Windows form (drive Z: is the POSIX root), as UTF-16.
  std::u16string windowsPath(const std::string& name) const;

 private:
  std::filesystem::path m_path;
};

}  // namespace lumetra::testlib
