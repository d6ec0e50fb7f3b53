// A real file whose path is longer than the system's path calls take: made and removed a folder
// at a time from inside its chain of folders, so no call is ever given the whole path.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace lumetra::apptest {

/// A file named `name` at the end of a chain of folders below `root`, its whole POSIX path
/// `bytes` bytes long (`root` and `name` ASCII). The folders are made and removed through the
/// current folder, which is the chain's own only while the object works on it: make and drop one
/// before other threads that use relative paths run. The temporary folder's own removal, which
/// takes whole paths, could not reach into the chain; the object removes it.
class LongPath {
 public:
  LongPath(const std::filesystem::path& root, size_t bytes, const std::string& name,
           const std::vector<uint8_t>& content)
      : m_root(root), m_name(name) {
    // Folders of at most 200 bytes, the last taking what remains; a name holds 255 at most.
    size_t left = bytes - root.string().size() - 1 - name.size();
    for (int i = 0; left > 0; ++i) {
      size_t length = std::min<size_t>(left - 1, 200);
      // A remainder of one byte would be a separator without a folder.
      if (left - 1 - length == 1) --length;
      std::string folder = "folder" + std::to_string(i) + "-";
      folder.resize(length, 'x');
      m_folders.push_back(folder);
      left -= 1 + length;
    }
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(root);
    for (const std::string& folder : m_folders) {
      std::filesystem::create_directory(folder);
      std::filesystem::current_path(folder);
    }
    std::ofstream(name, std::ios::binary)
        .write(reinterpret_cast<const char*>(content.data()),
               static_cast<std::streamsize>(content.size()));
    std::filesystem::current_path(before);
    EXPECT_EQ(posix().size(), bytes);
  }
  ~LongPath() {
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(m_root);
    for (const std::string& folder : m_folders) {
      std::filesystem::current_path(folder);
    }
    std::filesystem::remove(m_name);
    for (auto it = m_folders.rbegin(); it != m_folders.rend(); ++it) {
      std::filesystem::current_path("..");
      std::filesystem::remove(*it);
    }
    std::filesystem::current_path(before);
  }
  LongPath(const LongPath&) = delete;
  LongPath& operator=(const LongPath&) = delete;

  /// The folder the file is in, as the user knows it.
  std::string posixFolder() const {
    std::string out = m_root.string();
    for (const std::string& folder : m_folders) out += "/" + folder;
    return out;
  }
  std::string posix() const { return posixFolder() + "/" + m_name; }
  /// The whole path in the program's form.
  std::u16string windowsPath() const {
    std::u16string out = u"Z:";
    for (char c : posix()) out.push_back(c == '/' ? u'\\' : static_cast<char16_t>(c));
    return out;
  }

 private:
  std::filesystem::path m_root;
  std::string m_name;
  std::vector<std::string> m_folders;
};

}  // namespace lumetra::apptest
