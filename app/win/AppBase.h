// The application object: the program's paths, resources, language pack, skin pictures and
// settings store, prepared once at start-up.
#pragma once

#include "app/IAppBase.h"
#include "core/thread/ClassTail.h"

#include <afxwin.h>

namespace s::archive::dll::win {
class Archive;
}
namespace s::str::strbuffer {
class StrBuffer;
}

namespace s::app::win {

/// The one application object of the process, taken from its pool (capacity 1000) by the
/// start-up and given back when the program ends. It owns everything it holds: the command line,
/// the two paths, the module's resource archive, the localizer, the icon archive, the two skin
/// pictures and the settings store, which it flushes on reset unless `saveSettings` ran.
///
/// Built, initialised and released on the application thread; afterwards the windows' threads
/// read its texts, settings and localizer without a lock.
class AppBase final : public IAppBase {
  S_POOLED_CLASS(AppBase, u"s_app_win_AppBase")

  /// The base id of the product's language texts.
  static constexpr int32_t kTitleTextId = 500000;
  /// The text id of the product id, which names the product's registry key.
  static constexpr int32_t kProductIdTextId = 300000;
  /// Offsets from the title id: the product page, the version page and the version text.
  static constexpr int32_t kProductPageOffset = 3;
  static constexpr int32_t kVersionPageOffset = 6;
  static constexpr int32_t kVersionTextOffset = 10;
  /// The program's resources: the language pack, the skin pictures and the icon group.
  static constexpr uint32_t kLanguagePackId = 130;
  static constexpr uint32_t kSkinImage1Id = 131;
  static constexpr uint32_t kSkinImage2Id = 132;
  static constexpr uint32_t kIconGroupId = 128;

  /// Starts COM on the calling thread; the destructor ends it again.
  AppBase();
  ~AppBase() override;
  AppBase(const AppBase&) = delete;
  AppBase& operator=(const AppBase&) = delete;

  /// Gives back everything owned (the settings store flushed first unless it was saved) and
  /// returns to the "Freeware" edition and title id 500000.
  void reset() override;

  /// The start-up of the object for `application`: OLE, the command line, the program path, the
  /// resources, the language, the skin pictures and the settings store, and the product's
  /// identity written to the settings. Resources that are missing leave their part empty.
  void initialize(CWinApp* application);

  /// Language text 300000.
  const WCHAR* getProductId();
  /// The address of the product's web page (title id + 3); empty when the pack has none.
  const WCHAR* getProductPageUrl();
  /// The address of the product's version page (title id + 6).
  const WCHAR* getVersionPageUrl();
  /// The version text (title id + 10), such as "1.34".
  const WCHAR* getVersionText();
  /// True unless the version text has exactly two characters after its last "."; a text
  /// without "." is irregular too.
  bool hasIrregularVersionText();
  /// The rule of `hasIrregularVersionText` for any text.
  static bool isIrregularVersionText(const WCHAR* version);

  const WCHAR* getEditionName() override { return m_editionName; }
  file::win::PathWin* getProgramPath() override { return m_programPath; }
  file::win::PathWin* getProgramFolder() override { return m_programFolder; }
  process::commandline::win::CommandLine* getCommandLine() override { return m_commandLine; }
  archive::icon::Archive* getIconArchive() override { return m_iconArchive; }
  image::ico::IIconImage* getIcon16() override { return iconOfSize(16); }
  image::ico::IIconImage* getIcon32() override { return iconOfSize(32); }
  image::ico::IIconImage* getIcon64() override { return iconOfSize(64); }
  image::ico::IIconImage* getIcon128() override { return iconOfSize(128); }
  image::ico::IIconImage* getIcon256() override { return iconOfSize(256); }
  image::win::BufferedImage* getIconBitmap64() override { return iconBitmapOfSize(64); }
  image::win::BufferedImage* getIconBitmap128() override { return iconBitmapOfSize(128); }
  image::win::BufferedImage* getIconBitmap256() override { return iconBitmapOfSize(256); }
  archive::icon::Archive* loadIconGroup(uint32_t groupId) override;
  int32_t getTitleTextId() override { return m_titleTextId; }
  lang::Localizer* getLocalizer() override { return m_localizer; }
  image::win::BufferedImage* decodeSkinImage1(image::win::BufferedImage* target) override {
    return decodeSkinImage(m_skinImage1, target);
  }
  image::jpg::win::Jpeg* getSkinImage1() override { return m_skinImage1; }
  image::win::BufferedImage* decodeSkinImage2(image::win::BufferedImage* target) override {
    return decodeSkinImage(m_skinImage2, target);
  }
  image::jpg::win::Jpeg* getSkinImage2() override { return m_skinImage2; }
  map::IMappedData* getSettings() override { return m_settings; }
  bool saveSettings() override;
  bool hasSkinner() override { return m_skinner != nullptr; }
  gui::drawer::ISkinner* getSkinner() override { return m_skinner; }
  const WCHAR* getLanguage() override;
  void setLanguage(const WCHAR* name) override;
  const WCHAR* getSkinName() override;
  void setSkinName(const WCHAR* name) override;
  bool detectRunningInstance(bool activate, bool sendInstanceEvent, bool passTitles) override;
  bool detectRunningInstanceOnDesktop(bool activate, bool sendInstanceEvent,
                                      bool passTitles) override;
  map::IMappedData* openXmlSettings() override;
  map::IMappedData* openRegistrySettings() override;
  void openProductPageIfSilentFlag() override;

  /// The icon entry that best fits `size` x `size`, decoded into a new buffered image; null when
  /// there is none or it cannot be decoded.
  image::win::BufferedImage* iconBitmapOfSize(int32_t size);

  /// The registry path of the product below HKEY_CURRENT_USER: "Software\Tovi\" + product id.
  const WCHAR* getProductKeyPath();

  /// Ends this start's claim to be the program's running copy, which `detectRunningInstance`
  /// takes and, when it finds no running copy, keeps until the main window's first paint
  /// (StartUpStep::FirstPaint) or the reset. Nothing without a claim. On the thread that took
  /// it; ended on another, the claim is closed and the next start takes it as abandoned.
  void endInstanceClaim();

 private:
  /// Flushes the store unless it was saved, and gives it back.
  void releaseSettings();
  /// A language text of the current pack; empty without a localizer.
  const WCHAR* text(int32_t id);
  image::ico::IIconImage* iconOfSize(int32_t size);
  static image::win::BufferedImage* decodeSkinImage(image::jpg::win::Jpeg* picture,
                                                    image::win::BufferedImage* target);
  /// Reads a skin picture resource into a new JPEG image (empty when it cannot be read).
  image::jpg::win::Jpeg* readSkinImage(uint32_t id);

  str::strbuffer::StrBuffer* m_scratch1;
  str::strbuffer::StrBuffer* m_scratch2;
  const WCHAR* m_editionName = u"Freeware";
  int32_t m_titleTextId = kTitleTextId;
  process::commandline::win::CommandLine* m_commandLine = nullptr;
  file::win::PathWin* m_programPath = nullptr;
  file::win::PathWin* m_programFolder = nullptr;
  archive::dll::win::Archive* m_resources = nullptr;
  lang::Localizer* m_localizer = nullptr;
  gui::drawer::ISkinner* m_skinner = nullptr;
  archive::icon::Archive* m_iconArchive = nullptr;
  image::jpg::win::Jpeg* m_skinImage1 = nullptr;
  image::jpg::win::Jpeg* m_skinImage2 = nullptr;
  bool m_settingsSaved = false;
  map::IMappedData* m_settings = nullptr;
  str::strbuffer::StrBuffer* m_defaultSkinName;
  bool m_comStarted = false;
  HANDLE m_instanceClaim = nullptr;
};

}  // namespace s::app::win
