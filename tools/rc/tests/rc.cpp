// The resource packer: manifests, icon splitting, the container round trip, attaching to a file,
// and the resources the build appended to this very test program.
#include <windows.h>

#include "tools/rc/Manifest.h"

#include <gtest/gtest.h>

#include "testlib/Process.h"
#include "testlib/TempDir.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using winapi::resources::ResourceEntry;
using winapi::resources::ResourceId;

const fs::path kData = LUMETRA_RC_TEST_DATA;

std::vector<uint8_t> readAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeText(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

std::vector<uint8_t> programResource(LPCWSTR type, LPCWSTR name) {
  HRSRC resource = FindResourceW(nullptr, name, type);
  if (resource == nullptr) return {};
  const auto* data = static_cast<const uint8_t*>(LockResource(LoadResource(nullptr, resource)));
  return std::vector<uint8_t>(data, data + SizeofResource(nullptr, resource));
}

uint16_t get16(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}
uint32_t get32(const std::vector<uint8_t>& b, size_t at) {
  return get16(b, at) | (uint32_t{get16(b, at + 2)} << 16);
}

class Packer : public ::testing::Test {
 protected:
  // The message of the error a manifest raises, or "" when it loads.
  std::string errorOf(const std::string& manifest) {
    writeText(m_folder / "bad.txt", manifest);
    try {
      tools::rc::loadManifest((m_folder / "bad.txt").string());
    } catch (const tools::rc::ManifestError& e) {
      return e.what();
    }
    return "";
  }
  lumetra::testlib::TempDir m_temp;
  const fs::path m_folder = m_temp.path();
};

TEST(ProgramResources, TheBuildAppendedTheManifestsResourcesToThisProgram) {
  EXPECT_EQ(programResource(u"IDR_XML", MAKEINTRESOURCEW(130)), readAll(kData / "pack.xml"));
  EXPECT_EQ(programResource(u"IDR_JPG", MAKEINTRESOURCEW(131)), readAll(kData / "picture.jpg"));
  EXPECT_EQ(programResource(RT_RCDATA, u"notes"), readAll(kData / "pack.xml"));

  // The icon file became a group record and one ICON resource per image.
  std::vector<uint8_t> ico = readAll(kData / "app.ico");
  std::vector<uint8_t> group = programResource(RT_GROUP_ICON, MAKEINTRESOURCEW(128));
  ASSERT_EQ(group.size(), 6u + 2 * 14);
  EXPECT_EQ(get16(group, 2), 1);  // icons
  EXPECT_EQ(get16(group, 4), 2);
  for (size_t i = 0; i < 2; ++i) {
    size_t record = 6 + 14 * i, icoRecord = 6 + 16 * i;
    EXPECT_EQ(group[record], ico[icoRecord]) << "width of image " << i;
    EXPECT_EQ(get16(group, record + 4), 1) << "planes of image " << i;
    EXPECT_EQ(get16(group, record + 6), 32)
        << "bit count of image " << i << ", from the image when the file has none";
    uint16_t id = get16(group, record + 12);
    EXPECT_EQ(id, i + 1);
    std::vector<uint8_t> image = programResource(RT_ICON, MAKEINTRESOURCEW(id));
    uint32_t size = get32(ico, icoRecord + 8), offset = get32(ico, icoRecord + 12);
    EXPECT_EQ(get32(group, record + 8), size);
    EXPECT_EQ(image, std::vector<uint8_t>(ico.begin() + offset, ico.begin() + offset + size));
  }

  std::vector<std::u16string> types;
  ASSERT_TRUE(EnumResourceTypesW(
      nullptr,
      [](HMODULE, LPWSTR type, LONG_PTR param) -> BOOL {
        auto* out = reinterpret_cast<std::vector<std::u16string>*>(param);
        std::u16string name = u"#";
        if (IS_INTRESOURCE(type)) {
          name.push_back(static_cast<char16_t>(u'0' + reinterpret_cast<ULONG_PTR>(type) % 10));
        } else {
          name = type;
        }
        out->push_back(name);
        return TRUE;
      },
      reinterpret_cast<LONG_PTR>(&types)));
  // ICON (3), RCDATA (10) and GROUP_ICON (14) after the text types; shown by their last digit.
  EXPECT_EQ(types, (std::vector<std::u16string>{u"IDR_JPG", u"IDR_XML", u"#3", u"#0", u"#4"}));
}

TEST(ProgramResources, TheProgramLoadedByItsPathIsTheProgramModule) {
  // A module archive opens the running program by its own path, as on Windows.
  WCHAR path[4096];
  ASSERT_GT(GetModuleFileNameW(nullptr, path, 4096), 0u);
  HMODULE module = LoadLibraryW(path);
  ASSERT_NE(module, nullptr) << GetLastError();
  EXPECT_EQ(module, GetModuleHandleW(nullptr));
  HRSRC xml = FindResourceW(module, MAKEINTRESOURCEW(130), u"IDR_XML");
  ASSERT_NE(xml, nullptr) << GetLastError();
  EXPECT_EQ(SizeofResource(module, xml), readAll(kData / "pack.xml").size());
  EXPECT_TRUE(FreeLibrary(module));
}

TEST_F(Packer, AManifestRoundTripsThroughTheContainer) {
  const uint8_t bmp[] = {'B', 'M', 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 40, 0, 0, 0};
  std::ofstream(m_folder / "picture.bmp", std::ios::binary)
      .write(reinterpret_cast<const char*>(bmp), sizeof(bmp));
  writeText(m_folder / "notes.txt", "notes with spaces");
  fs::copy_file(kData / "app.ico", m_folder / "app.ico");
  fs::create_directories(m_folder / "sub dir");
  writeText(m_folder / "sub dir" / "raw file.bin", "raw");
  writeText(m_folder / "resources.txt",
            "# comment line\n"
            "\n"
            "  BITMAP  5  1033  picture.bmp\r\n"
            "custom_type   Mixed_Name  0x0407  notes.txt\n"
            "3 1 0 notes.txt\n"  // an ICON numbered by hand, so the icon file's images start at 2
            "ICON  main  0  app.ico\n"
            "240  7  0  sub dir/raw file.bin  \n");
  std::vector<ResourceEntry> entries =
      tools::rc::loadManifest((m_folder / "resources.txt").string());

  std::vector<uint8_t> container = winapi::resources::serialize(entries);
  std::vector<ResourceEntry> back;
  ASSERT_EQ(winapi::resources::parse(container.data(), container.size(), back),
            winapi::resources::ReadStatus::Ok);
  ASSERT_EQ(back.size(), 7u);
  for (size_t i = 0; i < back.size(); ++i) {
    EXPECT_TRUE(back[i].type == entries[i].type && back[i].name == entries[i].name &&
                back[i].language == entries[i].language && back[i].data == entries[i].data)
        << "entry " << i;
  }
  // Directory order: the text type first, then the numbers; names upper-cased.
  EXPECT_EQ(back[0].type, ResourceId::fromText(u"CUSTOM_TYPE"));
  EXPECT_EQ(back[0].name.text, u"MIXED_NAME");
  EXPECT_EQ(back[0].language, 0x0407);
  EXPECT_EQ(back[1].type, ResourceId::fromNumber(2));
  EXPECT_EQ(back[1].data, std::vector<uint8_t>(bmp + 14, bmp + sizeof(bmp)))
      << "a bitmap loses its file header";
  EXPECT_EQ(back[1].language, 1033);
  EXPECT_EQ(back[2].name, ResourceId::fromNumber(1));
  EXPECT_EQ(back[3].name, ResourceId::fromNumber(2));
  EXPECT_EQ(back[4].name, ResourceId::fromNumber(3));
  EXPECT_EQ(back[5].type, ResourceId::fromNumber(14));
  EXPECT_EQ(get16(back[5].data, 6 + 12), 2) << "the group names the first image's new number";
  EXPECT_EQ(back[6].data, std::vector<uint8_t>({'r', 'a', 'w'}));
}

TEST_F(Packer, ManifestErrorsNameTheFileAndLine) {
  writeText(m_folder / "file.txt", "x");
  writeText(m_folder / "broken.ico", std::string("\0\0\1\0\3\0", 6));
  EXPECT_NE(errorOf("RCDATA 1 0 missing.txt\n").find("bad.txt:1: cannot read"), std::string::npos);
  EXPECT_NE(errorOf("\nRCDATA 1 english file.txt\n").find(":2: bad language"), std::string::npos);
  EXPECT_NE(errorOf("RCDATA 1 0x10000 file.txt\n").find(":1: bad language"), std::string::npos);
  EXPECT_NE(errorOf("RCDATA 70000 0 file.txt\n").find(":1: name number above"), std::string::npos);
  EXPECT_NE(errorOf("RCDATA 1\n").find(":1: expected TYPE NAME LANGUAGE FILE"), std::string::npos);
  EXPECT_NE(errorOf("ICON 1 0 broken.ico\n").find("icon directory cut short"), std::string::npos);
  EXPECT_NE(errorOf("ICON 1 0 file.txt\n").find("not an icon file"), std::string::npos);
  EXPECT_NE(errorOf("RCDATA a 0 file.txt\nRCDATA A 0 file.txt\n").find("named twice"),
            std::string::npos);
  EXPECT_EQ(errorOf("RCDATA a 0 file.txt\nRCDATA A 1 file.txt\n"), "")
      << "another language is another resource";
  EXPECT_NE(errorOf("RCDATA #12 0 file.txt\n").find(":1: a text name must not begin with"),
            std::string::npos);
  EXPECT_EQ(errorOf("RCDATA 0 0 file.txt\n0 5 0 file.txt\n"), "")
      << "type and name 0 are found like any number";
}

TEST_F(Packer, AttachingReplacesTheContainerAndKeepsTheProgram) {
  std::string tool = LUMETRA_RC_TOOL;
  fs::path program = m_folder / "program", container = m_folder / "first.res";
  writeText(program, "#!/bin/sh\necho program part\n");
  std::vector<uint8_t> original = readAll(program);
  auto runTool = [&](const std::string& verb, const fs::path& first, const fs::path& second) {
    return lumetra::testlib::run({tool, verb, first.string(), second.string()});
  };
  lumetra::testlib::RunResult packed = runTool("pack", kData / "resources.txt", container);
  ASSERT_EQ(packed.exitCode, 0) << packed.output;
  ASSERT_EQ(runTool("attach", program, container).exitCode, 0);
  std::vector<uint8_t> once = readAll(program);
  ASSERT_EQ(runTool("attach", program, container).exitCode, 0);
  EXPECT_EQ(readAll(program), once) << "a second attach replaces, it does not stack";
  EXPECT_TRUE(std::equal(original.begin(), original.end(), once.begin()));
  EXPECT_EQ(once.size(), original.size() + readAll(container).size());

  // The layer reads the attached resources from the file.
  HMODULE module =
      LoadLibraryExW(m_temp.windowsPath("program").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(module, nullptr);
  EXPECT_NE(FindResourceW(module, MAKEINTRESOURCEW(130), u"IDR_XML"), nullptr);
  FreeLibrary(module);

  // A damaged file is refused rather than cut at a guessed place.
  std::vector<uint8_t> damaged = once;
  damaged[original.size() + 30] ^= 1;
  std::ofstream(program, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(damaged.data()),
             static_cast<std::streamsize>(damaged.size()));
  lumetra::testlib::RunResult refused = runTool("attach", program, container);
  EXPECT_NE(refused.exitCode, 0);
  EXPECT_FALSE(refused.output.empty()) << "the tool says why it refuses";
  EXPECT_EQ(readAll(program), damaged);
}

}  // namespace
