// platform_probe fetch URL: downloads URL as the update check does and prints the reply.
#include "platform/system/network/win/Downloader.h"
#include "platform/system/network/win/Network.h"
#include "tools/probe/Commands.h"

#include <cstdio>
#include <string>

namespace lumetra::probe {

int fetch(int argc, char** argv) {
  if (argc != 1) {
    std::fprintf(stderr, "usage: platform_probe fetch URL\n");
    return 2;
  }
  if (!s::system::network::win::isConnected()) {
    std::fprintf(stderr, "fetch: the system reports no network connection\n");
    return 1;
  }
  std::u16string url;
  for (const char* p = argv[0]; *p != 0; ++p) url.push_back(static_cast<unsigned char>(*p));
  auto* downloader = s::system::network::win::Downloader::take();
  if (downloader == nullptr) return 1;
  downloader->setUrl(url.c_str());
  downloader->setReadReply(true);
  const bool ok = downloader->run(8000, nullptr, 0, 0);
  if (ok) {
    // One character per byte: the bytes as they came.
    std::string bytes;
    for (const char16_t* c = downloader->getReplyText(); *c != 0; ++c)
      bytes.push_back(static_cast<char>(*c));
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    std::fputc('\n', stdout);
  } else {
    std::fprintf(stderr, "fetch: no reply from %s within 8000 ms\n", argv[0]);
  }
  downloader->release();
  return ok ? 0 : 1;
}

}  // namespace lumetra::probe
