// The application tests' fixture: a registry of the test's own and the application object
// started on it from this program's resources.
#pragma once

#include "app/LumetraApp.h"
#include "app/win/AppBase.h"
#include "core/map/IMappedData.h"
#include "platform/lang/Localizer.h"
#include "platform/reg/win/RegDir.h"
#include "platform/xml/Node.h"
#include "testlib/TempDir.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace lumetra::apptest {

/// What the shell was asked to open since the test cleared the list.
inline std::vector<std::u16string>& openedTargets() {
  static std::vector<std::u16string> s_opened;
  return s_opened;
}

/// Stands in for ShellExecuteExW: records the target and starts nothing.
inline BOOL WINAPI recordShellOpen(SHELLEXECUTEINFOW* info) {
  openedTargets().emplace_back(info->lpFile != nullptr ? info->lpFile : u"");
  return TRUE;
}

/// Every case writes to a registry database in its own folder; the first registry call of the
/// process opens it, so the variable is set before anything reads settings.
class AppTest : public ::testing::Test {
 public:
  static constexpr const char16_t* kSaveData = u"Software\\Tovi\\Tovi Lumetra\\SaveData";

  /// The key of a section of the application's settings store.
  static std::u16string section(const char16_t* name) {
    return std::u16string(kSaveData) + u"\\" + name;
  }

 protected:
  void SetUp() override { setenv("LUMETRA_REGISTRY", m_dir.file("registry.sqlite3").c_str(), 1); }
  void TearDown() override {
    if (m_app != nullptr) {
      m_app->release();
      m_app = nullptr;
    }
    for (s::app::win::AppBase* app : m_earlierApps) {
      app->release();
    }
    m_earlierApps.clear();
  }

  /// The application object, started as the program starts it.
  s::app::win::AppBase* startApp() {
    if (m_app != nullptr) {
      // A test that starts the application again starts it anew; the earlier one may still be
      // named by the test's window descriptions, so it goes with them in the tear-down.
      m_earlierApps.push_back(m_app);
    }
    m_app = s::app::win::AppBase::take();
    m_app->initialize(&theApp);
    return m_app;
  }

  /// A text value below HKEY_CURRENT_USER, or "<none>".
  static std::u16string readText(const char16_t* keyPath, const char16_t* name) {
    s::reg::win::RegDir* key = s::reg::win::RegDir::take();
    std::u16string text = u"<none>";
    if (NT_SUCCESS(key->open(HKEY_CURRENT_USER, keyPath))) {
      text = key->getString(name, u"<none>", nullptr, false);
    }
    key->release();
    return text;
  }

  static void writeText(const char16_t* keyPath, const char16_t* name, const char16_t* value) {
    s::reg::win::RegDir* key = s::reg::win::RegDir::take();
    key->open(HKEY_CURRENT_USER, keyPath);
    key->setString(name, value);
    key->release();
  }

  /// A 32-bit value below HKEY_CURRENT_USER, or `missing`.
  static uint32_t readDword(const char16_t* keyPath, const char16_t* name, uint32_t missing) {
    s::reg::win::RegDir* key = s::reg::win::RegDir::take();
    uint32_t value = missing;
    if (NT_SUCCESS(key->open(HKEY_CURRENT_USER, keyPath))) {
      value = key->getUInt32(name, missing);
    }
    key->release();
    return value;
  }

  static void writeDword(const char16_t* keyPath, const char16_t* name, uint32_t value) {
    s::reg::win::RegDir* key = s::reg::win::RegDir::take();
    key->open(HKEY_CURRENT_USER, keyPath);
    key->setUInt32(name, value);
    key->release();
  }

  /// Replaces the application's packs by one English pack of `entries` (the XML of the
  /// "entries" element's children).
  static void loadPack(s::app::win::AppBase* app, const std::u16string& entries) {
    std::u16string text =
        u"<lang><languages><entry tagName=\"eng\" engName=\"English\" trueName=\"English\"/>"
        u"</languages><entries>" +
        entries + u"</entries></lang>";
    s::xml::Node* root = s::xml::Node::take();
    ASSERT_NE(root->parse(text.c_str()), nullptr);
    s::lang::Localizer* localizer = app->getLocalizer();
    ASSERT_NE(localizer, nullptr);
    localizer->reset();
    localizer->loadFromXml(root);
    root->release();
  }

  lumetra::testlib::TempDir m_dir;
  s::app::win::AppBase* m_app = nullptr;
  std::vector<s::app::win::AppBase*> m_earlierApps;
};

}  // namespace lumetra::apptest
