// The window system's answers to gdi32's questions about the system's look.
#include "winapi/gdi32/SystemLook.h"

#include <atomic>

namespace winapi {
namespace {
std::atomic<DWORD (*)(int)> g_color{nullptr};
std::atomic<int (*)(int)> g_metric{nullptr};
}  // namespace

void setSystemLook(SystemLook look) {
  g_color.store(look.color);
  g_metric.store(look.metric);
}

DWORD systemColor(int index) {
  DWORD (*color)(int) = g_color.load();
  return color != nullptr ? color(index) : 0;
}

int systemMetric(int index) {
  int (*metric)(int) = g_metric.load();
  return metric != nullptr ? metric(index) : 0;
}

}  // namespace winapi
