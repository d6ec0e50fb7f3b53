// XML files: UTF-8 loading and saving, folders made on the way, and saves that replace the file
// whole, even when the saving process is killed.
#include "platform/xml/Node.h"

#include "core/str/strbuffer/StrBuffer.h"
#include "platform/xml/tests/TempFolder.h"
#include "testlib/Wait.h"

#include <gtest/gtest.h>
#include <winseam.h>

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <string>

extern char** environ;

using s::str::strbuffer::StrBuffer;
using s::xml::Node;

namespace {

class XmlFile : public TempFolder {};

// A node given back at the end of the scope.
class Pooled {
 public:
  Pooled() : m_node(Node::take()) {}
  ~Pooled() { m_node->release(); }
  Pooled(const Pooled&) = delete;
  Pooled& operator=(const Pooled&) = delete;
  Node* operator->() const { return m_node; }

 private:
  Node* m_node;
};

bool saveTo(Node* node, const std::u16string& path) {
  StrBuffer* text = StrBuffer::take();
  text->assign(path.c_str());
  const bool saved = node->saveFile(text);
  text->release();
  return saved;
}

bool loadFrom(Node* node, const std::u16string& path) {
  StrBuffer* text = StrBuffer::take();
  text->assign(path.c_str());
  const bool loaded = node->loadFile(text);
  text->release();
  return loaded;
}

const char* helperFile() { return std::getenv("LUMETRA_XML_SAVER"); }

}  // namespace

TEST_F(XmlFile, SavesUtf8IntoFoldersItMakesAndLoadsItBack) {
  Pooled root;
  root->setName(u"savedata", -1);
  root->setString(u"Language", u"Deutsch – Grüße");
  root->addChild(u"Main", -1)->setInt32(u"Volume", -3);
  ASSERT_TRUE(saveTo(root.operator->(), at("savedata/deeper/SaveData.xml")));
  EXPECT_EQ(read("savedata/deeper/SaveData.xml"),
            "<savedata Language=\"Deutsch \xE2\x80\x93 Gr\xC3\xBC\xC3\x9F"
            "e\"><Main Volume=\"-3\">"
            "</Main></savedata>");
  EXPECT_EQ(names("savedata/deeper"), std::vector<std::string>{"SaveData.xml"})
      << "no temporary left";

  Pooled back;
  ASSERT_TRUE(loadFrom(back.operator->(), at("savedata/deeper/SaveData.xml")));
  EXPECT_EQ(back->findChild(u"Main", 4)->getInt32(u"Volume", 0), -3);
  StrBuffer* language = StrBuffer::take();
  back->getString(language, u"Language", u"", false);
  EXPECT_EQ(std::u16string(language->getCStr()), u"Deutsch – Grüße");
  language->release();
}

TEST_F(XmlFile, MissingOrUnreadableFilesLoadNothing) {
  Pooled node;
  node->setName(u"stale", -1);
  EXPECT_FALSE(loadFrom(node.operator->(), at("missing.xml")));
  EXPECT_EQ(node->getName(), nullptr);
  write("torn.xml", "<savedata a=\"1\"><Main");
  EXPECT_FALSE(loadFrom(node.operator->(), at("torn.xml")));
  EXPECT_EQ(node->getName(), nullptr);
  write("empty.xml", "");
  EXPECT_FALSE(loadFrom(node.operator->(), at("empty.xml")));
  EXPECT_FALSE(loadFrom(node.operator->(), at("")));  // a folder
}

TEST_F(XmlFile, AFailedSaveLeavesTheOldFileAlone) {
  write("SaveData.xml", "<old></old>");
  Pooled node;
  node->setName(u"new", -1);
  // A full disk half-way through the write.
  static winapi::seam::WriteFileFunction real = nullptr;
  real = winapi::seam::replaceWriteFile(
      [](HANDLE, LPCVOID, DWORD, LPDWORD written, LPOVERLAPPED) -> BOOL {
        *written = 0;
        SetLastError(ERROR_DISK_FULL);
        return FALSE;
      });
  const bool saved = saveTo(node.operator->(), at("SaveData.xml"));
  winapi::seam::replaceWriteFile(real);
  EXPECT_FALSE(saved);
  EXPECT_EQ(read("SaveData.xml"), "<old></old>");
  EXPECT_EQ(names(), std::vector<std::string>{"SaveData.xml"}) << "the temporary file is gone";
  // A folder is never replaced by a file, nor is a file taken for a folder.
  std::filesystem::create_directories(m_root / "folder");
  EXPECT_FALSE(saveTo(node.operator->(), at("folder")));
  EXPECT_TRUE(std::filesystem::is_directory(m_root / "folder"));
  EXPECT_FALSE(saveTo(node.operator->(), at("SaveData.xml/inner.xml")));
  EXPECT_EQ(names().size(), 2u);
}

// Runs in a second process: saves one of two large trees over the file, again and again, until
// it is killed.
TEST(XmlSaver, DISABLED_SaveUntilKilled) {
  if (helperFile() == nullptr) GTEST_SKIP() << "runs only as the second process of a save test";
  const std::string file = helperFile();
  const std::u16string path(file.begin(), file.end());
  for (int round = 0;; ++round) {
    Pooled root;
    root->setName(round % 2 == 0 ? u"even" : u"odd", -1);
    for (int i = 0; i < 2000; ++i) {
      root->addChild(u"entry", -1)->setInt32(u"n", i);
    }
    saveTo(root.operator->(), path);
  }
}

TEST_F(XmlFile, AKilledSaverLeavesTheOldFileOrTheNewOneWhole) {
  Pooled first;
  first->setName(u"first", -1);
  ASSERT_TRUE(saveTo(first.operator->(), at("SaveData.xml")));
  const std::string self = std::filesystem::read_symlink("/proc/self/exe");
  std::string filter = "--gtest_filter=XmlSaver.DISABLED_SaveUntilKilled";
  std::string alsoDisabled = "--gtest_also_run_disabled_tests";
  int saves = 0;
  for (int attempt = 0; attempt < 5; ++attempt) {
    const std::u16string target = at("SaveData.xml");
    setenv("LUMETRA_XML_SAVER", std::string(target.begin(), target.end()).c_str(), 1);
    char* argv[] = {const_cast<char*>(self.c_str()), filter.data(), alsoDisabled.data(), nullptr};
    const std::string file = (m_root / "SaveData.xml").string();
    struct stat before {};
    ASSERT_EQ(stat(file.c_str(), &before), 0);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv, environ), 0);
    unsetenv("LUMETRA_XML_SAVER");
    // Waits for the saver's first replacement (a loaded or sanitized machine starts it slowly),
    // then for one more per attempt, so that each kill lands inside a later save.
    ino_t seen = before.st_ino;
    for (int replaced = 0; replaced <= attempt; ++replaced) {
      lumetra::testlib::waitUntil(
          [&] {
            struct stat now {};
            if (stat(file.c_str(), &now) != 0 || now.st_ino == seen) return false;
            seen = now.st_ino;
            return true;
          },
          std::chrono::seconds(60));
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    Pooled loaded;
    ASSERT_TRUE(loadFrom(loaded.operator->(), at("SaveData.xml"))) << "attempt " << attempt;
    const bool known = loaded->isNamed(u"first", -1) ||
                       ((loaded->isNamed(u"even", -1) || loaded->isNamed(u"odd", -1)) &&
                        loaded->getChildCount() == 2000);
    EXPECT_TRUE(known) << "attempt " << attempt;
    saves += loaded->isNamed(u"first", -1) ? 0 : 1;
  }
  EXPECT_GT(saves, 0) << "the saver never got to replace the file, so nothing was tried";
}
