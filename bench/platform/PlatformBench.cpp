// The platform library's speed where the program leans on it: parsing and writing a language-pack
// sized XML document, and reading and writing settings through registry keys and both stores.
// The registry runs on its own database file in a temporary folder.
#include "core/col/array/ArrayU08.h"
#include "core/str/strbuffer/StrBuffer.h"
#include "platform/reg/MappedData.h"
#include "platform/reg/win/RegDir.h"
#include "platform/xml/MappedData.h"
#include "platform/xml/Node.h"

#include "testlib/TempDir.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

using s::col::_array::ArrayU08;
using s::str::strbuffer::StrBuffer;
using s::xml::Node;

namespace {

// A document shaped like the language pack: 40 languages of 500 texts each.
ArrayU08* languagePack() {
  Node* root = Node::take();
  root->setName(u"packs", -1);
  for (int language = 0; language < 40; ++language) {
    Node* pack = root->addChild(u"lang", -1);
    pack->setInt32(u"id", language);
    pack->setString(u"name", u"Language name");
    for (int text = 0; text < 500; ++text) {
      Node* entry = pack->addChild(u"t", -1);
      entry->setInt32(u"id", 1100000 + text);
      entry->setString(u"", u"Vocal Boost & a <longer> text of the user interface");
    }
  }
  ArrayU08* bytes = root->toBytes(nullptr, false);
  root->release();
  return bytes;
}

void XmlParseLanguagePack(benchmark::State& state) {
  ArrayU08* bytes = languagePack();
  for (auto _ : state) {
    Node* node = Node::take();
    benchmark::DoNotOptimize(node->parseBytes(bytes));
    node->release();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * bytes->getCount());
  bytes->release();
}
BENCHMARK(XmlParseLanguagePack)->Unit(benchmark::kMillisecond);

void XmlWriteLanguagePack(benchmark::State& state) {
  ArrayU08* bytes = languagePack();
  Node* node = Node::take();
  node->parseBytes(bytes);
  ArrayU08* out = ArrayU08::take();
  for (auto _ : state) {
    node->toBytes(out, false);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * out->getCount());
  out->release();
  node->release();
  bytes->release();
}
BENCHMARK(XmlWriteLanguagePack)->Unit(benchmark::kMillisecond);

struct Folder {
  Folder() { setenv("LUMETRA_REGISTRY", (path / "registry.sqlite3").c_str(), 1); }
  lumetra::testlib::TempDir temp;
  const std::filesystem::path path = temp.path();
};

Folder& folder() {
  static Folder f;
  return f;
}

void RegDirSetUInt32(benchmark::State& state) {
  folder();
  s::reg::win::RegDir* dir = s::reg::win::RegDir::take();
  dir->open(HKEY_CURRENT_USER, u"Software\\Bench");
  uint32_t n = 0;
  for (auto _ : state) {
    dir->setUInt32(u"Value", n++);
  }
  dir->release();
}
BENCHMARK(RegDirSetUInt32)->Unit(benchmark::kMicrosecond);

void RegDirGetUInt32(benchmark::State& state) {
  folder();
  s::reg::win::RegDir* dir = s::reg::win::RegDir::take();
  dir->open(HKEY_CURRENT_USER, u"Software\\Bench");
  dir->setUInt32(u"Value", 7);
  for (auto _ : state) {
    benchmark::DoNotOptimize(dir->getUInt32(u"Value", 0));
  }
  dir->release();
}
BENCHMARK(RegDirGetUInt32)->Unit(benchmark::kMicrosecond);

// The store reopens its section key on every read, to notice a section deleted meanwhile.
void RegistryStoreGetInt32(benchmark::State& state) {
  folder();
  s::reg::MappedData* store = s::reg::MappedData::take();
  s::reg::win::RegDir* base = s::reg::win::RegDir::take();
  base->open(HKEY_CURRENT_USER, u"Software\\Bench\\SaveData");
  store->setBaseKey(base);
  store->setInt32(u"Main", u"Volume", 5);
  for (auto _ : state) {
    benchmark::DoNotOptimize(store->getInt32(u"Main", u"Volume", 0));
  }
  store->release();
}
BENCHMARK(RegistryStoreGetInt32)->Unit(benchmark::kMicrosecond);

void XmlStoreSetInt32(benchmark::State& state) {
  StrBuffer* path = StrBuffer::take();
  path->assign(u"Z:");
  for (char c : (folder().path / "SaveData.xml").string())
    path->appendWChar(c == '/' ? u'\\' : static_cast<char16_t>(c));
  s::xml::MappedData* store = s::xml::MappedData::openFile(path);
  path->release();
  int32_t n = 0;
  for (auto _ : state) {
    store->setInt32(u"Main", u"Volume", n++);
  }
  store->release();
}
BENCHMARK(XmlStoreSetInt32)->Unit(benchmark::kMicrosecond);

}  // namespace
