// The probe's system commands: the monitors, a screen capture and another running copy.
#include "tools/probe/Commands.h"

#include "core/str/strbuffer/StrBuffer.h"
#include "core/thread/Pooled.h"
#include "imaging/win/BufferedImage.h"
#include "imaging/win/PlatformHooks.h"
#include "platform/system/monitor/win/Monitor.h"
#include "platform/system/win/RunningInstance.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string narrow(const WCHAR* text) {
  std::string out;
  for (; text != nullptr && *text != 0; ++text)
    out.push_back(*text < 0x80 ? static_cast<char>(*text) : '?');
  return out;
}

BOOL CALLBACK printMonitor(HMONITOR handle, HDC, LPRECT, LPARAM context) {
  auto* index = reinterpret_cast<int32_t*>(context);
  s::thread::Pooled<s::system::monitor::win::Monitor> monitor;
  monitor->attach((*index)++, handle);
  std::printf("%d %s: %d,%d %dx%d, work area %d,%d %dx%d\n", monitor->getIndex(),
              narrow(monitor->getName()).c_str(), monitor->getLeft(), monitor->getTop(),
              monitor->getWidth(), monitor->getHeight(), monitor->getWorkLeft(),
              monitor->getWorkTop(), monitor->getWorkWidth(), monitor->getWorkHeight());
  return TRUE;
}

}  // namespace

namespace lumetra::probe {

int monitors(int argc, char**) {
  if (argc != 0) return 2;
  int32_t index = 0;
  EnumDisplayMonitors(nullptr, nullptr, &printMonitor, reinterpret_cast<LPARAM>(&index));
  std::printf("virtual screen %d,%d %dx%d; large %s, very large %s\n",
              GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
              GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN),
              s::system::monitor::win::isLargeScreen() ? "yes" : "no",
              s::system::monitor::win::isVeryLargeScreen() ? "yes" : "no");
  return index > 0 ? 0 : 1;
}

int capture(int argc, char** args) {
  if (argc != 5) return 2;
  const int x = std::atoi(args[0]);
  const int y = std::atoi(args[1]);
  const int width = std::atoi(args[2]);
  const int height = std::atoi(args[3]);
  s::image::installPlatformHooks();
  s::image::win::BufferedImage* image =
      s::system::monitor::win::captureScreenRect(x, y, width, height);
  if (image == nullptr) {
    std::fprintf(stderr, "nothing to capture at %d,%d %dx%d\n", x, y, width, height);
    return 1;
  }
  const std::u16string file = windowsPathOf(args[4]);
  const bool written = image->saveAsPngFile(file.c_str(), false, false, 0, 0, 0);
  std::printf("%dx%d -> %s%s\n", image->getWidth(), image->getHeight(), args[4],
              written ? "" : " (not written)");
  image->release();
  return written ? 0 : 1;
}

int running(int argc, char**) {
  if (argc != 0) return 2;
  uint32_t pid = 0;
  if (!s::system::win::findOtherInstanceProcess(&pid)) {
    std::printf("no other copy runs\n");
    return 0;
  }
  s::thread::Pooled<s::str::strbuffer::StrBuffer> path(s::system::win::getProcessExePath(pid));
  std::printf("another copy runs: process %u, %s; its windows are %son this desktop\n", pid,
              narrow(path->getCStr()).c_str(),
              s::system::win::isOtherInstanceOnDesktop() ? "" : "not ");
  return 0;
}

}  // namespace lumetra::probe
