// The application object.
#include "app/win/AppBase.h"

#include "app/win/StartUpTimes.h"
#include "core/file/win/PathWin.h"
#include "core/process/commandline/win/CommandLine.h"
#include "core/str/Case.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "core/system/win/Shell.h"
#include "imaging/ReadFromArchive.h"
#include "imaging/ico/IIconImage.h"
#include "imaging/jpg/win/Jpeg.h"
#include "imaging/win/BufferedImage.h"
#include "platform/archive/dll/win/Archive.h"
#include "platform/archive/icon/Archive.h"
#include "platform/archive/icon/Entry.h"
#include "platform/lang/LangPack.h"
#include "platform/lang/Localizer.h"
#include "platform/reg/MappedData.h"
#include "platform/reg/win/RegDir.h"
#include "platform/system/win/RunningInstance.h"
#include "platform/xml/MappedData.h"
#include "skin/drawer/Skinner.h"

#include <windows.h>

#include <afxdisp.h>
#include <objbase.h>
#include <ole2.h>

namespace s::app::win {

using archive::icon::Archive;
using image::jpg::win::Jpeg;
using image::win::BufferedImage;
using str::strbuffer::StrBuffer;

namespace {

bool sameTextIgnoreCase(const WCHAR* a, const WCHAR* b) {
  for (; *a != 0 && *b != 0; ++a, ++b) {
    if (str::foldLower(*a) != str::foldLower(*b)) {
      return false;
    }
  }
  return *a == *b;
}

template <typename T>
void giveBack(T*& object) {
  if (object != nullptr) {
    object->release();
    object = nullptr;
  }
}

}  // namespace

AppBase::AppBase()
    : m_scratch1(StrBuffer::take()),
      m_scratch2(StrBuffer::take()),
      m_defaultSkinName(StrBuffer::take()) {
  m_comStarted = SUCCEEDED(CoInitialize(nullptr));
  reset();
}

AppBase::~AppBase() {
  reset();
  delete m_scratch1;
  delete m_scratch2;
  delete m_defaultSkinName;
  if (m_comStarted) {
    CoUninitialize();
  }
}

void AppBase::reset() {
  m_editionName = u"Freeware";
  m_titleTextId = kTitleTextId;
  giveBack(m_commandLine);
  giveBack(m_programPath);
  giveBack(m_programFolder);
  if (m_iconArchive != nullptr) {
    m_iconArchive->close();
    giveBack(m_iconArchive);
  }
  giveBack(m_skinImage1);
  giveBack(m_skinImage2);
  giveBack(m_localizer);
  giveBack(m_resources);
  m_skinner = nullptr;
  // A start whose window never showed gives its claim up when it ends.
  whenStartUpReaches(StartUpStep::FirstPaint, nullptr);
  endInstanceClaim();
  releaseSettings();
  m_scratch1->freeBuffer();
  m_scratch2->freeBuffer();
  m_defaultSkinName->freeBuffer();
}

void AppBase::releaseSettings() {
  if (m_settings != nullptr) {
    if (!m_settingsSaved) {
      m_settings->flush();
    }
    if (auto* poolable = dynamic_cast<thread::IPoolable*>(m_settings)) {
      poolable->release();
    }
    m_settings = nullptr;
  }
  m_settingsSaved = false;
}

void AppBase::initialize(CWinApp* application) {
  // OLE with the framework's message filter, the process's COM security, and control hosting.
  // Each answers success or "already done" on this system; none of them is a reason to stop.
  AfxOleInit();
  CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_PKT,
                       RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
  AfxEnableControlContainer();

  m_titleTextId = kTitleTextId;
  m_editionName = u"Freeware";

  giveBack(m_commandLine);
  m_commandLine = process::commandline::win::CommandLine::take();
  if (m_commandLine != nullptr && application != nullptr) {
    application->ParseCommandLine(*m_commandLine);
  }

  giveBack(m_programPath);
  giveBack(m_programFolder);
  m_programPath = system::win::getModulePath();
  if (m_programPath != nullptr) {
    m_programFolder = m_programPath->newParent();
  }

  giveBack(m_resources);
  m_resources = archive::dll::win::Archive::take();
  if (m_resources != nullptr && m_programPath != nullptr && !m_resources->open(m_programPath)) {
    // A program without resources still starts: every text is empty and there are no pictures.
    m_resources->close();
  }
  giveBack(m_iconArchive);
  m_iconArchive = Archive::take();
  if (m_iconArchive != nullptr && m_resources != nullptr) {
    m_iconArchive->loadFromGroupIconId(m_resources, kIconGroupId);
  }
  markStartUp(StartUpStep::Resources);

  giveBack(m_localizer);
  m_localizer = lang::Localizer::createFromResource(m_resources, u"IDR_XML", kLanguagePackId);
  m_skinner = nullptr;
  markStartUp(StartUpStep::LanguagePack);

  giveBack(m_skinImage1);
  giveBack(m_skinImage2);
  m_skinImage1 = readSkinImage(kSkinImage1Id);
  m_skinImage2 = readSkinImage(kSkinImage2Id);
  m_defaultSkinName->clear();
  markStartUp(StartUpStep::SkinPictures);

  releaseSettings();
  m_settings = openRegistrySettings();
  if (m_settings == nullptr) {
    return;
  }
  m_settings->setAutoFlush(false);
  m_settings->setString(u"SoftwareType", u"", m_editionName);
  m_settings->setString(u"SoftwareID", u"", getProductId());
  m_settings->setString(u"Version", u"", getVersionText());

  // The stored language may name no pack (a pack removed, a hand-edited value): the localizer
  // then falls back, and the name of the pack in use replaces the stored one.
  m_scratch1->assign(getLanguage());
  if (m_localizer != nullptr) {
    m_localizer->selectLanguage(m_scratch1->getCStr());
    lang::LangPack* current = m_localizer->getCurrentPack();
    if (current != nullptr) {
      const WCHAR* name = current->getEngName()->getCStr();
      if (!sameTextIgnoreCase(name, m_scratch1->getCStr())) {
        setLanguage(name);
      }
    }
  }
  m_settings->setAutoFlush(true);
  markStartUp(StartUpStep::Registry);
}

const WCHAR* AppBase::text(int32_t id) {
  return m_localizer != nullptr ? m_localizer->getText(id) : u"";
}

const WCHAR* AppBase::getProductId() { return text(kProductIdTextId); }

const WCHAR* AppBase::getProductPageUrl() { return text(m_titleTextId + kProductPageOffset); }

const WCHAR* AppBase::getVersionPageUrl() { return text(m_titleTextId + kVersionPageOffset); }

const WCHAR* AppBase::getVersionText() { return text(m_titleTextId + kVersionTextOffset); }

bool AppBase::hasIrregularVersionText() { return isIrregularVersionText(getVersionText()); }

bool AppBase::isIrregularVersionText(const WCHAR* version) {
  if (version == nullptr) {
    return true;
  }
  int32_t length = 0;
  int32_t lastDot = -1;
  for (; version[length] != 0; ++length) {
    if (version[length] == u'.') {
      lastDot = length;
    }
  }
  return lastDot < 0 || length != lastDot + 3;
}

const WCHAR* AppBase::getProductKeyPath() {
  m_scratch2->assign(u"Software\\Tovi\\");
  m_scratch2->append(getProductId());
  return m_scratch2->getCStr();
}

image::ico::IIconImage* AppBase::iconOfSize(int32_t size) {
  int32_t index = 0;
  if (m_iconArchive == nullptr || !m_iconArchive->findBestEntry(size, size, &index)) {
    return nullptr;
  }
  archive::icon::Entry* entry = m_iconArchive->getEntry(index);
  return entry != nullptr ? entry->createIconImage() : nullptr;
}

BufferedImage* AppBase::iconBitmapOfSize(int32_t size) {
  int32_t index = 0;
  if (m_iconArchive == nullptr || !m_iconArchive->findBestEntry(size, size, &index)) {
    return nullptr;
  }
  return m_iconArchive->getEntryImage(index);
}

Archive* AppBase::loadIconGroup(uint32_t groupId) {
  Archive* group = Archive::take();
  if (group == nullptr) {
    return nullptr;
  }
  if (m_resources == nullptr || !group->loadFromGroupIconId(m_resources, groupId)) {
    group->release();
    return nullptr;
  }
  return group;
}

Jpeg* AppBase::readSkinImage(uint32_t id) {
  Jpeg* picture = Jpeg::take();
  if (picture != nullptr && m_resources != nullptr) {
    image::readFromArchive(picture, m_resources, u"IDR_JPG", id);
  }
  return picture;
}

BufferedImage* AppBase::decodeSkinImage(Jpeg* picture, BufferedImage* target) {
  if (picture == nullptr || picture->getWidth() <= 0 || picture->getHeight() <= 0) {
    return nullptr;
  }
  return picture->getImage(0, target);
}

bool AppBase::saveSettings() {
  if (m_settings == nullptr) {
    return false;
  }
  m_settingsSaved = true;
  // The XML store writes its file here and can fail; registry writes are already durable.
  if (auto* xmlStore = dynamic_cast<xml::MappedData*>(m_settings)) {
    return xmlStore->save();
  }
  m_settings->flush();
  return true;
}

const WCHAR* AppBase::getLanguage() {
  const WCHAR* fallback = u"";
  lang::LangPack* current = m_localizer != nullptr ? m_localizer->getCurrentPack() : nullptr;
  if (current != nullptr) {
    fallback = current->getEngName()->getCStr();
  }
  if (m_settings == nullptr) {
    return fallback;
  }
  return m_settings->getString(u"Language", u"", fallback, nullptr, false);
}

void AppBase::setLanguage(const WCHAR* name) {
  if (m_settings != nullptr) {
    m_settings->setString(u"Language", u"", name != nullptr ? name : u"");
  }
}

const WCHAR* AppBase::getSkinName() {
  const WCHAR* fallback = m_defaultSkinName->getCStr();
  if (m_settings == nullptr) {
    return fallback;
  }
  const WCHAR* name = m_settings->getString(u"Skin", u"", fallback, nullptr, false);
  if (auto* skinner = dynamic_cast<gui::drawer::Skinner*>(m_skinner)) {
    int32_t index = -1;
    if (!skinner->findSkin(name, index)) {
      return fallback;
    }
  }
  return name;
}

void AppBase::setSkinName(const WCHAR* name) {
  if (m_settings != nullptr) {
    m_settings->setString(u"Skin", u"", name != nullptr ? name : u"");
  }
}

bool AppBase::detectRunningInstance(bool activate, bool sendInstanceEvent, bool passTitles) {
  // The look for a running copy and the claim to be it are one step: this start holds the claim
  // from before its look until its window shows. Under the claim a copy without a published
  // window is no running copy (it is ending, or waits for the claim itself), so no copy's window
  // is waited for. A claim not had in time (a start that holds it froze before its window
  // showed) leaves the look as it was without one, each copy's window waited for.
  endInstanceClaim();
  m_instanceClaim = system::win::takeInstanceClaim();
  const DWORD windowWaitMs = m_instanceClaim != nullptr ? 0 : system::win::kInstanceIdleWaitMs;
  uint32_t processId = 0;
  // Only a copy that answers counts: one left behind by a lost display, a frozen one or one on
  // another display would take the hand-over and show nothing, and the user could not start
  // the program at all.
  if (!system::win::findLiveInstanceProcess(&processId, windowWaitMs)) {
    if (m_instanceClaim != nullptr) {
      whenStartUpReaches(StartUpStep::FirstPaint, [this] { endInstanceClaim(); });
    }
    return false;
  }
  endInstanceClaim();
  if (activate) {
    system::win::notifyInstance(processId, passTitles ? m_localizer : nullptr, m_titleTextId,
                                sendInstanceEvent);
  }
  return true;
}

void AppBase::endInstanceClaim() {
  if (m_instanceClaim != nullptr) {
    system::win::endInstanceClaim(m_instanceClaim);
    m_instanceClaim = nullptr;
  }
}

bool AppBase::detectRunningInstanceOnDesktop(bool activate, bool sendInstanceEvent,
                                             bool passTitles) {
  if (!activate) {
    return system::win::isOtherInstanceOnDesktop();
  }
  return system::win::notifyOtherInstanceOnDesktop(GetThreadDesktop(GetCurrentThreadId()),
                                                   passTitles ? m_localizer : nullptr,
                                                   m_titleTextId, sendInstanceEvent);
}

map::IMappedData* AppBase::openXmlSettings() {
  m_scratch1->assign(m_programPath != nullptr ? m_programPath->getFolder() : u"");
  m_scratch1->append(u"savedata\\SaveData.xml");
  return xml::MappedData::openFile(m_scratch1);
}

map::IMappedData* AppBase::openRegistrySettings() {
  reg::MappedData* store = reg::MappedData::take();
  if (store == nullptr || store->getBaseKey() != nullptr) {
    return store;
  }
  reg::win::RegDir* base = reg::win::RegDir::take();
  if (base != nullptr) {
    m_scratch1->assign(getProductKeyPath());
    m_scratch1->append(u"\\SaveData");
    // A key that does not exist yet stays closed; the first write creates it.
    base->open(HKEY_CURRENT_USER, m_scratch1->getCStr());
    store->setBaseKey(base);
  }
  return store;
}

void AppBase::openProductPageIfSilentFlag() {
  reg::win::RegDir* key = reg::win::RegDir::take();
  if (key == nullptr) {
    return;
  }
  if (NT_SUCCESS(key->open(HKEY_CURRENT_USER, getProductKeyPath())) &&
      key->getValueSize(u"Silent") == sizeof(uint32_t) && key->getUInt32(u"Silent", 0) != 0) {
    key->setBool(u"Silent", false);
    system::win::shellOpen(getProductPageUrl());
  }
  key->release();
}

}  // namespace s::app::win
