// lumetra_rc: the build's resource packer.
//   lumetra_rc pack MANIFEST CONTAINER   packs the manifest's resources into a container file
//   lumetra_rc attach FILE CONTAINER     makes the container FILE's resources, replacing any
//   lumetra_rc list FILE                 prints the resources FILE carries
#include "tools/rc/Manifest.h"
#include "winapi/kernel32/resource_container.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

namespace {

using winapi::resources::FileResources;
using winapi::resources::ReadStatus;

std::string idText(const winapi::resources::ResourceId& id) {
  if (id.isNumber) return std::to_string(id.number);
  return std::string(id.text.begin(), id.text.end());  // the manifest keeps names ASCII
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes,
               std::ios::openmode mode) {
  std::ofstream out(path, std::ios::binary | mode);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path);
}

FileResources readResources(const std::string& path) {
  FileResources resources;
  switch (winapi::resources::readFile(path, resources)) {
    case ReadStatus::Ok:
    case ReadStatus::None: return resources;
    case ReadStatus::Damaged:
      throw std::runtime_error(path + ": its resource container is damaged");
    case ReadStatus::IoError: break;
  }
  throw std::runtime_error("cannot read " + path);
}

int pack(const std::string& manifest, const std::string& output) {
  writeFile(output, winapi::resources::serialize(tools::rc::loadManifest(manifest)),
            std::ios::trunc);
  return 0;
}

int attach(const std::string& file, const std::string& containerFile) {
  FileResources container = readResources(containerFile);
  if (container.programSize != 0)
    throw std::runtime_error(containerFile + " is not a container file");
  FileResources target = readResources(file);
  std::ifstream in(containerFile, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
  // The program part stays; an earlier container is cut off and the new one appended.
  std::filesystem::resize_file(file, target.programSize);
  writeFile(file, bytes, std::ios::app);
  return 0;
}

int list(const std::string& file) {
  for (const auto& e : readResources(file).entries) {
    std::printf("%-14s %-8s 0x%04x %zu\n", idText(e.type).c_str(), idText(e.name).c_str(),
                e.language, e.data.size());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::string command = argc > 1 ? argv[1] : "";
  try {
    if (command == "pack" && argc == 4) return pack(argv[2], argv[3]);
    if (command == "attach" && argc == 4) return attach(argv[2], argv[3]);
    if (command == "list" && argc == 3) return list(argv[2]);
  } catch (const std::exception& e) {
    std::cerr << "lumetra_rc: " << e.what() << "\n";
    return 1;
  }
  std::cerr << "usage: lumetra_rc pack MANIFEST CONTAINER | attach FILE CONTAINER | list FILE\n";
  return 2;
}
