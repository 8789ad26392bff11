#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

#include "desktop_autopilot.h"
#include "platform/windows_api.h"

namespace tarno::score {
namespace {

const int kStaticTextId = 0xFFFF;  // the text of a message box

// Confirms or closes one of the plug-in's windows of this process, if it is one.
BOOL CALLBACK ConfirmPluginWindow(HWND window, LPARAM handled) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId() || !IsWindowVisible(window)) return TRUE;
  char caption[64] = "";
  GetWindowTextA(window, caption, sizeof caption);
  const std::string title = caption;
  HWND* lastHandled = reinterpret_cast<HWND*>(handled);
  if (window == *lastHandled) return TRUE;  // already told to close
  if (title == "Output") {
    *lastHandled = window;
    char text[1024] = "";
    GetDlgItemTextA(window, kStaticTextId, text, sizeof text);
    std::fprintf(stderr, "Output: %s\n", text);
    PostMessageA(window, WM_COMMAND, IDOK, 0);
  } else if (title == "TARNO Contest") {
    *lastHandled = window;
    PostMessageA(window, WM_COMMAND, IDOK, 0);
  }
  return TRUE;
}

}  // namespace

struct DesktopAutopilot::Pilot {
  std::atomic<bool> stop{false};
  std::thread thread;
};

DesktopAutopilot::DesktopAutopilot() : m_pilot(new Pilot) {
  Pilot* pilot = m_pilot.get();
  pilot->thread = std::thread([pilot] {
    HWND lastHandled = nullptr;
    while (!pilot->stop.load()) {
      EnumWindows(&ConfirmPluginWindow, reinterpret_cast<LPARAM>(&lastHandled));
      Sleep(50);
    }
  });
}

DesktopAutopilot::~DesktopAutopilot() {
  m_pilot->stop = true;
  m_pilot->thread.join();
}

}  // namespace tarno::score
