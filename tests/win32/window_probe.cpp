#include "window_probe.h"

#include <chrono>
#include <cstdint>
#include <vector>

#include "png_writer.h"

namespace tarno_test {

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
  using Clock = std::chrono::steady_clock;
  const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (; Clock::now() < end; Sleep(20)) {
    if (done()) return true;
  }
  return done();
}

std::string TextOf(HWND window) {
  std::string text(static_cast<size_t>(GetWindowTextLengthA(window)) + 1, '\0');
  text.resize(static_cast<size_t>(GetWindowTextA(window, &text[0], static_cast<int>(text.size()))));
  return text;
}

std::string ClassOf(HWND window) {
  char kind[64] = "";
  GetClassNameA(window, kind, sizeof kind);
  return kind;
}

namespace {

struct Search {
  const std::function<bool(HWND)>* match;
  HWND found;
};

BOOL CALLBACK Visit(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId() || !(*search->match)(window)) return TRUE;
  search->found = window;
  return FALSE;
}

std::vector<uint8_t> Capture(HWND window, bool framed, int* width, int* height) {
  RECT area;
  if (framed) {
    GetWindowRect(window, &area);
  } else {
    GetClientRect(window, &area);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&area), 2);
  }
  *width = area.right - area.left, *height = area.bottom - area.top;
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), *width, -*height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  std::vector<uint8_t> rgb;
  if (bitmap && BitBlt(memory, 0, 0, *width, *height, screen, area.left, area.top, SRCCOPY)) {
    for (int i = 0; i < *width * *height; ++i) {
      const auto* bgrx = static_cast<const uint8_t*>(bits) + 4 * i;
      rgb.insert(rgb.end(), {bgrx[2], bgrx[1], bgrx[0]});
    }
  }
  SelectObject(memory, previous);
  if (bitmap) DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return rgb;
}

}  // namespace

HWND FindProcessWindow(const std::function<bool(HWND)>& match) {
  Search search{&match, nullptr};
  EnumWindows(&Visit, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND FindDialogByCaption(const std::string& caption) {
  return FindProcessWindow([&](HWND w) { return ClassOf(w) == "#32770" && TextOf(w) == caption; });
}

POINT TopLeftOf(HWND window) {
  RECT outer{};
  GetWindowRect(window, &outer);
  return POINT{outer.left, outer.top};
}

namespace {

bool WriteStillPicture(HWND window, bool framed, const std::string& path) {
  RedrawWindow(window, nullptr, nullptr,
               RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  int width = 0, height = 0;
  std::vector<uint8_t> before, now = Capture(window, framed, &width, &height);
  bool still = WaitFor([&] {
    Sleep(100);
    before.swap(now);
    now = Capture(window, framed, &width, &height);
    return !now.empty() && now == before;
  });
  return still && WritePng(path, width, height, now);
}

}  // namespace

bool WriteScreenshot(HWND window, const std::string& path) {
  return WriteStillPicture(window, false, path);
}

bool WriteFramedScreenshot(HWND window, const std::string& path) {
  return WriteStillPicture(window, true, path);
}

}  // namespace tarno_test
