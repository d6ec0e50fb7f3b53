// The program's language pack read from the test program's own resources.
#pragma once

#include "core/file/win/PathWin.h"
#include "platform/archive/dll/win/Archive.h"
#include "platform/lang/Localizer.h"
#include "platform/lang/ResourceReader.h"
#include "platform/xml/Node.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace lumetra::apptest {

/// The program's language pack from this test's own program file.
class Texts {
 public:
  Texts()
      : m_archive(s::archive::dll::win::Archive::take()), m_localizer(s::lang::Localizer::take()) {
    char16_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    s::file::win::PathWin* path = s::file::win::PathWin::newFromText(self);
    EXPECT_TRUE(m_archive->open(path));
    path->release();
    s::xml::Node* root = s::lang::readXmlResource(m_archive, u"IDR_XML", 130);
    EXPECT_NE(root, nullptr);
    if (root != nullptr) {
      m_localizer->loadFromXml(root);
      root->release();
    }
  }
  ~Texts() {
    m_localizer->release();
    m_archive->release();
  }
  s::lang::Localizer* get() const { return m_localizer; }

 private:
  s::archive::dll::win::Archive* m_archive;
  s::lang::Localizer* m_localizer;
};

}  // namespace lumetra::apptest
