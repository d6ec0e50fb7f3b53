// Language identification: the system's own language codes and names.
#include "platform/lang/Language.h"

#include "core/str/strbuffer/StrBuffer.h"

#include <windows.h>

namespace s::lang {

namespace {

struct NamedCode {
  const WCHAR* name;
  int32_t code;
};

// The named languages: base numbers ten apart in alphabetical order (PERSIAN between PASHTO and
// POLISH), then the six variants.
// clang-format off
constexpr NamedCode kLanguages[] = {
    {u"AFRIKAANS", languageCode(10)},       {u"ALBANIAN", languageCode(20)},
    {u"ALSATIAN", languageCode(30)},        {u"AMHARIC", languageCode(40)},
    {u"ARABIC", languageCode(50)},          {u"ARMENIAN", languageCode(60)},
    {u"ASSAMESE", languageCode(70)},        {u"AZERI", languageCode(80)},
    {u"BASHKIR", languageCode(90)},         {u"BASQUE", languageCode(100)},
    {u"BELARUSIAN", languageCode(110)},     {u"BENGALI", languageCode(120)},
    {u"BOSNIAN", languageCode(130)},        {u"BRETON", languageCode(140)},
    {u"BULGARIAN", languageCode(150)},      {u"CATALAN", languageCode(160)},
    {u"CHINESE", languageCode(170)},        {u"CORSICAN", languageCode(180)},
    {u"CROATIAN", languageCode(190)},       {u"CZECH", languageCode(200)},
    {u"DANISH", languageCode(210)},         {u"DARI", languageCode(220)},
    {u"DIVEHI", languageCode(230)},         {u"DUTCH", languageCode(240)},
    {u"ENGLISH", languageCode(250)},        {u"ESTONIAN", languageCode(260)},
    {u"FAEROESE", languageCode(270)},       {u"FILIPINO", languageCode(280)},
    {u"FINNISH", languageCode(290)},        {u"FRENCH", languageCode(300)},
    {u"FRISIAN", languageCode(310)},        {u"GALICIAN", languageCode(320)},
    {u"GEORGIAN", languageCode(330)},       {u"GERMAN", languageCode(340)},
    {u"GREEK", languageCode(350)},          {u"GREENLANDIC", languageCode(360)},
    {u"GUJARATI", languageCode(370)},       {u"HAUSA", languageCode(380)},
    {u"HEBREW", languageCode(390)},         {u"HINDI", languageCode(400)},
    {u"HUNGARIAN", languageCode(410)},      {u"ICELANDIC", languageCode(420)},
    {u"IGBO", languageCode(430)},           {u"INDONESIAN", languageCode(440)},
    {u"INUKTITUT", languageCode(450)},      {u"IRISH", languageCode(460)},
    {u"ITALIAN", languageCode(470)},        {u"JAPANESE", languageCode(480)},
    {u"KANNADA", languageCode(490)},        {u"KASHMIRI", languageCode(500)},
    {u"KAZAK", languageCode(510)},          {u"KHMER", languageCode(520)},
    {u"KICHE", languageCode(530)},          {u"KINYARWANDA", languageCode(540)},
    {u"KONKANI", languageCode(550)},        {u"KOREAN", languageCode(560)},
    {u"KYRGYZ", languageCode(570)},         {u"LAO", languageCode(580)},
    {u"LATVIAN", languageCode(590)},        {u"LITHUANIAN", languageCode(600)},
    {u"LOWER_SORBIAN", languageCode(610)},  {u"LUXEMBOURGISH", languageCode(620)},
    {u"MACEDONIAN", languageCode(630)},     {u"MALAY", languageCode(640)},
    {u"MALAYALAM", languageCode(650)},      {u"MALTESE", languageCode(660)},
    {u"MAORI", languageCode(670)},          {u"MAPUDUNGUN", languageCode(680)},
    {u"MARATHI", languageCode(690)},        {u"MOHAWK", languageCode(700)},
    {u"MONGOLIAN", languageCode(710)},      {u"NEPALI", languageCode(720)},
    {u"NORWEGIAN", languageCode(730)},      {u"OCCITAN", languageCode(740)},
    {u"ORIYA", languageCode(750)},          {u"PASHTO", languageCode(760)},
    {u"PERSIAN", languageCode(765)},        {u"POLISH", languageCode(770)},
    {u"PORTUGUESE", languageCode(780)},     {u"PUNJABI", languageCode(790)},
    {u"QUECHUA", languageCode(800)},        {u"ROMANIAN", languageCode(810)},
    {u"ROMANSH", languageCode(820)},        {u"RUSSIAN", languageCode(830)},
    {u"SAMI", languageCode(840)},           {u"SANSKRIT", languageCode(850)},
    {u"SERBIAN", languageCode(860)},        {u"SOTHO", languageCode(870)},
    {u"TSWANA", languageCode(880)},         {u"SINDHI", languageCode(890)},
    {u"SINHALESE", languageCode(900)},      {u"SLOVAK", languageCode(910)},
    {u"SLOVENIAN", languageCode(920)},      {u"SPANISH", languageCode(930)},
    {u"SWAHILI", languageCode(940)},        {u"SWEDISH", languageCode(950)},
    {u"SYRIAC", languageCode(960)},         {u"TAJIK", languageCode(970)},
    {u"TAMAZIGHT", languageCode(980)},      {u"TAMIL", languageCode(990)},
    {u"TATAR", languageCode(1000)},         {u"TELUGU", languageCode(1010)},
    {u"THAI", languageCode(1020)},          {u"TIBETAN", languageCode(1030)},
    {u"TIGRIGNA", languageCode(1040)},      {u"TURKISH", languageCode(1050)},
    {u"TURKMEN", languageCode(1060)},       {u"UIGHUR", languageCode(1070)},
    {u"UKRAINIAN", languageCode(1080)},     {u"UPPER_SORBIAN", languageCode(1090)},
    {u"URDU", languageCode(1100)},          {u"UZBEK", languageCode(1110)},
    {u"VIETNAMESE", languageCode(1120)},    {u"WELSH", languageCode(1130)},
    {u"WOLOF", languageCode(1140)},         {u"XHOSA", languageCode(1150)},
    {u"YAKUT", languageCode(1160)},         {u"YI", languageCode(1170)},
    {u"YORUBA", languageCode(1180)},        {u"ZULU", languageCode(1190)},
    {u"CHINESE_SIMPLIFIED", languageCode(170, 170)},
    {u"CHINESE_TRADITIONAL", languageCode(170, 340)},
    {u"PORTUGUESE_BRAZILIAN", languageCode(780, 780)},
    {u"PORTUGUESE_PORTUGAL", languageCode(780, 1560)},
    {u"SERBIAN_CYRILLIC", languageCode(860, 860)},
    {u"SERBIAN_LATIN", languageCode(860, 1720)},
};
// clang-format on

constexpr int32_t kChineseSimplified = languageCode(170, 170);
constexpr int32_t kChineseTraditional = languageCode(170, 340);
constexpr int32_t kPortugueseBrazilian = languageCode(780, 780);
constexpr int32_t kPortuguesePortugal = languageCode(780, 1560);
constexpr int32_t kSerbianCyrillic = languageCode(860, 860);
constexpr int32_t kSerbianLatin = languageCode(860, 1720);

struct WholeId {
  LANGID id;
  int32_t code;
};

// Identifiers that stand for more than their primary language.
// clang-format off
constexpr WholeId kWholeIds[] = {
    {0x0004, kChineseSimplified},   {0x0804, kChineseSimplified},   {0x1004, kChineseSimplified},
    {0x0404, kChineseTraditional},  {0x0C04, kChineseTraditional},  {0x1404, kChineseTraditional},
    {0x7C04, kChineseTraditional},  {0x001A, languageCode(190)},    {0x041A, languageCode(190)},
    {0x101A, languageCode(190)},    {0x0416, kPortugueseBrazilian}, {0x0816, kPortuguesePortugal},
    {0x0C1A, kSerbianCyrillic},     {0x1C1A, kSerbianCyrillic},     {0x081A, kSerbianLatin},
    {0x181A, kSerbianLatin},        {0x7C1A, languageCode(860)},    {0x201A, languageCode(130)},
    {0x042E, languageCode(1090)},   {0x082E, languageCode(610)},
};
// clang-format on

struct Primary {
  uint8_t primary;
  int32_t base;
};

// Primary-language values of the platform and the base numbers they stand for.
// clang-format off
constexpr Primary kPrimaries[] = {
    {0x01, 50},   {0x02, 150},  {0x03, 160},  {0x04, 170},  {0x05, 200},  {0x06, 210},  {0x07, 340},
    {0x08, 350},  {0x09, 250},  {0x0A, 930},  {0x0B, 290},  {0x0C, 300},  {0x0D, 390},  {0x0E, 410},
    {0x0F, 420},  {0x10, 470},  {0x11, 480},  {0x12, 560},  {0x13, 240},  {0x14, 730},  {0x15, 770},
    {0x16, 780},  {0x17, 820},  {0x18, 810},  {0x19, 830},  {0x1A, 860},  {0x1B, 910},  {0x1C, 20},
    {0x1D, 950},  {0x1E, 1020}, {0x1F, 1050}, {0x20, 1100}, {0x21, 440},  {0x22, 1080}, {0x23, 110},
    {0x24, 920},  {0x25, 260},  {0x26, 590},  {0x27, 600},  {0x28, 970},  {0x29, 765},  {0x2A, 1120},
    {0x2B, 60},   {0x2C, 80},   {0x2D, 100},  {0x2F, 630},  {0x32, 880},  {0x34, 1150}, {0x35, 1190},
    {0x36, 10},   {0x37, 330},  {0x38, 270},  {0x39, 400},  {0x3A, 660},  {0x3B, 840},  {0x3C, 460},
    {0x3E, 640},  {0x3F, 510},  {0x40, 570},  {0x41, 940},  {0x42, 1060}, {0x43, 1110}, {0x44, 1000},
    {0x45, 120},  {0x46, 790},  {0x47, 370},  {0x48, 750},  {0x49, 990},  {0x4A, 1010}, {0x4B, 490},
    {0x4C, 650},  {0x4D, 70},   {0x4E, 690},  {0x4F, 850},  {0x50, 710},  {0x51, 1030}, {0x52, 1130},
    {0x53, 520},  {0x54, 580},  {0x56, 320},  {0x57, 550},  {0x59, 890},  {0x5A, 960},  {0x5B, 900},
    {0x5D, 450},  {0x5E, 40},   {0x5F, 980},  {0x60, 500},  {0x61, 720},  {0x62, 310},  {0x63, 760},
    {0x64, 280},  {0x65, 230},  {0x68, 380},  {0x6A, 1180}, {0x6B, 800},  {0x6C, 870},  {0x6D, 90},
    {0x6E, 620},  {0x6F, 360},  {0x70, 430},  {0x73, 1040}, {0x78, 1170}, {0x7A, 680},  {0x7C, 700},
    {0x7E, 140},  {0x80, 1070}, {0x81, 670},  {0x82, 740},  {0x83, 180},  {0x84, 30},   {0x85, 1160},
    {0x86, 530},  {0x87, 540},  {0x88, 1140}, {0x8C, 220},
};
// clang-format on

}  // namespace

int32_t getLanguageCode(LANGID langId) {
  for (const WholeId& whole : kWholeIds) {
    if (whole.id == langId) {
      return whole.code;
    }
  }
  const auto primary = static_cast<uint8_t>(langId & 0xFF);
  for (const Primary& row : kPrimaries) {
    if (row.primary == primary) {
      return languageCode(row.base);
    }
  }
  return kNoLanguage;
}

const WCHAR* getLanguageName(int32_t code) {
  for (const NamedCode& language : kLanguages) {
    if (language.code == code) {
      return language.name;
    }
  }
  return u"Unknown";
}

const WCHAR* getSystemLanguageName() {
  // Built once, by whichever thread asks first; read by any thread after.
  static str::strbuffer::StrBuffer* const s_name = [] {
    auto* name = str::strbuffer::StrBuffer::create();
    name->assign(getLanguageName(getLanguageCode(GetUserDefaultUILanguage())));
    name->capitalize();
    return name;
  }();
  return s_name->getCStr();
}

}  // namespace s::lang
