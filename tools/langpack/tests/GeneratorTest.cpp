// The language-pack generator on small folders: the XML it writes, the problems it reports with
// their file and line, and the tool's exit status and output file.
#include "tools/langpack/LangSource.h"
#include "tools/langpack/PackWriter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "testlib/Process.h"
#include "testlib/TempDir.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using tools::langpack::loadPack;
using tools::langpack::Pack;
using tools::langpack::SourceError;

const std::string kEnglish =
    "tagName\teng\n"
    "engName\tEnglish\n"
    "trueName\tEnglish\n"
    "\n"
    "# Menu bar: the File menu.\n"
    "100\t&File\n"
    "# A label that ends in a space.\n"
    "200\tConvert to:&#160;\n"
    "300\tAdvanced &gt;&gt;\n"
    "# Left empty.\n"
    "400\t\n";

const std::string kGerman =
    "tagName\tdeu\n"
    "engName\tGerman\n"
    "trueName\tDeutsch\n"
    "100\t&Datei\n"
    "200\tKonvertieren in:&#160;\n"
    "300\tErweitert >>\n"
    "400\t\n";

class Generator : public ::testing::Test {
 protected:
  void write(const std::string& name, const std::string& text) {
    std::ofstream(m_folder / name, std::ios::binary) << text;
  }
  std::string path(const std::string& name) const { return (m_folder / name).string(); }
  // The problems loading the folder reports, or nothing when it loads.
  std::vector<std::string> problems() {
    try {
      loadPack(m_folder.string());
    } catch (const SourceError& e) {
      return e.messages();
    }
    return {};
  }
  // A folder with English and German, German written as given.
  std::vector<std::string> germanProblems(const std::string& german) {
    write("languages.list", "eng\ndeu\n");
    write("eng.txt", kEnglish);
    write("deu.txt", german);
    return problems();
  }

  lumetra::testlib::TempDir m_temp;
  const fs::path m_folder = m_temp.path();
};

TEST_F(Generator, WritesLanguagesInListOrderAndEveryEntryWithTheSourceFirst) {
  write("languages.list", "# order\neng\ndeu\n");
  write("eng.txt", kEnglish);
  write("deu.txt", kGerman);
  std::string xml = tools::langpack::writePackXml(loadPack(m_folder.string()));
  // No declaration before the root: the program's reader would take one for the root element.
  EXPECT_EQ(xml,
            "<lang>\n"
            " <languages>\n"
            "  <entry tagName=\"eng\" engName=\"English\" trueName=\"English\"/>\n"
            "  <entry tagName=\"deu\" engName=\"German\" trueName=\"Deutsch\"/>\n"
            " </languages>\n"
            " <entries>\n"
            "  <entry id=\"100\">Menu bar: the File menu.\n"
            "   <eng>&amp;File</eng>\n"
            "   <deu>&amp;Datei</deu>\n"
            "  </entry>\n"
            "  <entry id=\"200\">A label that ends in a space.\n"
            "   <eng>Convert to:&#160;</eng>\n"
            "   <deu>Konvertieren in:&#160;</deu>\n"
            "  </entry>\n"
            "  <entry id=\"300\">\n"
            "   <eng>Advanced &gt;&gt;</eng>\n"
            "   <deu>Erweitert &gt;&gt;</deu>\n"
            "  </entry>\n"
            "  <entry id=\"400\">Left empty.\n"
            "   <eng></eng>\n"
            "   <deu></deu>\n"
            "  </entry>\n"
            " </entries>\n"
            "</lang>\n");
}

TEST_F(Generator, EscapesWhatWouldBreakTheDocument) {
  EXPECT_EQ(tools::langpack::toElementText("a<b & c&#10;d&amp;e&nbsp"),
            "a&lt;b &amp; c&#10;d&amp;e&amp;nbsp");
  write("languages.list", "eng\n");
  write("eng.txt",
        "tagName\teng\nengName\tEng \"A&B\" <x>\ntrueName\tEnglish\n# Notes keep & and <b> "
        "literal.\n1\tx\n");
  std::string xml = tools::langpack::writePackXml(loadPack(m_folder.string()));
  EXPECT_THAT(xml, HasSubstr("engName=\"Eng &quot;A&amp;B&quot; &lt;x>\""));
  EXPECT_THAT(xml, HasSubstr("<entry id=\"1\">Notes keep &amp; and &lt;b&gt; literal.\n"));
}

TEST_F(Generator, ListedLanguagesWithoutAFileAreLeftOutAndNamed) {
  write("languages.list", "eng\nara\ndeu\nind\n");
  write("eng.txt", kEnglish);
  write("deu.txt", kGerman);
  Pack pack = loadPack(m_folder.string());
  ASSERT_EQ(pack.languages.size(), 2u);
  EXPECT_EQ(pack.languages[1].tagName, "deu");
  EXPECT_THAT(pack.missing, ElementsAre("ara", "ind"));
  EXPECT_THAT(pack.listed, ElementsAre("eng", "ara", "deu", "ind"));
}

TEST_F(Generator, AcceptsAByteOrderMarkAndWindowsLineEnds) {
  write("languages.list", "eng\r\ndeu\r\n");
  write("eng.txt", kEnglish);
  std::string german = "\xEF\xBB\xBF";
  for (char c : kGerman) {
    if (c == '\n') german += '\r';
    german += c;
  }
  write("deu.txt", german);
  Pack pack = loadPack(m_folder.string());
  EXPECT_EQ(pack.languages[1].tagName, "deu");
  EXPECT_EQ(pack.languages[1].texts.at(300).text, "Erweitert >>");
}

TEST_F(Generator, ReportsTextProblemsWithFileAndLine) {
  const std::string deu = path("deu.txt") + ":";
  struct Case {
    std::string lines;  // appended to a good German header
    std::string expected;
  };
  const std::string header = "tagName\tdeu\nengName\tGerman\ntrueName\tDeutsch\n";
  const std::string rest = "200\tx&#160;\n300\ty\n400\t\n";
  const Case cases[] = {
      {"100\tDatei\n100\tNochmal\n" + rest, deu + "5: id 100 repeated (first on line 4)"},
      {"100\tDatei\n150\tNeu\n" + rest, deu + "5: unknown id 150 (not in eng.txt)"},
      {"100\tDatei\n300\ty\n400\t\n", deu + "5: missing text for id 200 (\"Convert to:&#160;\")"},
      {"100\t\n" + rest, deu + "4: missing text for id 100 (\"&File\")"},
      {"100\tDatei \n" + rest, deu + "4: the text begins or ends with a plain space"},
      {"100\tDa&nbsp;tei\n" + rest, deu + "4: unknown entity &nbsp;"},
      {"100\tDa\x01tei\n" + rest, deu + "4: control character in the text"},
      {"100\tDat\xC3\n" + rest, deu + "4: the line is not valid UTF-8"},
      {"100\tDat\xC0\xA0\n" + rest, deu + "4: the line is not valid UTF-8"},
      {"100 Datei\n" + rest, deu + "4: expected a header field or an id, one TAB and the text"},
      {"x100\tDatei\n" + rest, deu + "4: \"x100\" is neither a header field"},
      {"2147483648\tDatei\n" + rest, deu + "4: id 2147483648 is out of range"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines);
    std::vector<std::string> found = germanProblems(header + c.lines);
    ASSERT_FALSE(found.empty());
    EXPECT_THAT(found[0], HasSubstr(c.expected));
  }
}

TEST_F(Generator, ReportsHeaderProblems) {
  const std::string deu = path("deu.txt") + ":";
  const std::string texts = "100\tDatei\n200\tx&#160;\n300\ty\n400\t\n";
  struct Case {
    std::string file;
    std::string expected;
  };
  const Case cases[] = {
      {"tagName\tdeu\ntrueName\tDeutsch\n" + texts, deu + "1: the header lacks engName"},
      {"tagName\tdeu\nengName\tGerman\nengName\tDeutsch\ntrueName\tDeutsch\n" + texts,
       deu + "3: header field engName repeated (first on line 2)"},
      {"tagName\tdeu\nengName\tGerman\n100\tDatei\ntrueName\tDeutsch\n200\tx&#160;"
       "\n300\ty\n400\t\n",
       deu + "4: header field trueName after the first text"},
      {"tagName\tger\nengName\tGerman\ntrueName\tDeutsch\n" + texts,
       deu + "1: tagName \"ger\" differs from the file's name"},
      {"tagName\tdeu\nengName\tGerman\ntrueName\t\n" + texts,
       deu + "3: header field trueName needs a value"},
      {"tagName\tdeu\nengName\tenglish\ntrueName\tDeutsch\n" + texts,
       deu + "2: engName \"english\" is also that of"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    std::vector<std::string> found = germanProblems(c.file);
    ASSERT_FALSE(found.empty());
    EXPECT_THAT(found[0], HasSubstr(c.expected));
  }
}

TEST_F(Generator, ReportsListAndFolderProblems) {
  write("eng.txt", kEnglish);
  write("deu.txt", kGerman);
  write("languages.list", "eng\n");
  EXPECT_THAT(problems(),
              ElementsAre(path("deu.txt") + ":1: \"deu\" is not in " + path("languages.list")));
  write("languages.list", "eng\ndeu\nDEU\n");
  EXPECT_THAT(problems(), ElementsAre(path("languages.list") +
                                      ":3: language \"DEU\" listed again (first on line 2)"));
  write("languages.list", "fra\neng\ndeu\n");
  EXPECT_THAT(problems(),
              ElementsAre(path("languages.list") + ":1: the source language \"fra\" has no file " +
                          path("fra.txt")));
  write("languages.list", "# nothing\n");
  EXPECT_THAT(problems(),
              ::testing::Contains(path("languages.list") + ":1: the list names no language"));
}

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs the tool; answers its exit status and puts what it printed into `output`.
int runTool(const fs::path& folder, const fs::path& target, std::string& output) {
  lumetra::testlib::RunResult result =
      lumetra::testlib::run({LUMETRA_LANGGEN, folder.string(), target.string()});
  output = result.output;
  return result.exitCode;
}

TEST_F(Generator, ToolWritesThePackOrFailsWithTheProblemsAndWritesNothing) {
  write("languages.list", "eng\ndeu\nfra\n");
  write("eng.txt", kEnglish);
  write("deu.txt", kGerman);
  fs::path target = m_folder / "out" / "langpack.xml";
  std::string output;
  ASSERT_EQ(runTool(m_folder, target, output), 0) << output;
  EXPECT_EQ(readFile(target), tools::langpack::writePackXml(loadPack(m_folder.string())));
  EXPECT_EQ(output, "lumetra_langgen: 2 of 3 languages; no file yet for: fra\n");

  // Every problem of every file is reported in one run, each file's together, in list order.
  fs::remove(target);
  write("deu.txt", kGerman + "500\tZu viel\n");
  write("fra.txt",
        "tagName\tfra\nengName\tFrench\ntrueName\tFrançais\n100\t&Fichier\n200\tx&#160;"
        "\n300\ty\n400\t\n"
        "100\tx\n");
  EXPECT_EQ(runTool(m_folder, target, output), 1);
  EXPECT_EQ(output, path("deu.txt") + ":8: unknown id 500 (not in eng.txt)\n" + path("fra.txt") +
                        ":8: id 100 repeated (first on line 4)\n"
                        "lumetra_langgen: the language pack was not written\n");
  EXPECT_FALSE(fs::exists(target));
  EXPECT_FALSE(fs::exists(target.string() + ".tmp"));
}

}  // namespace
