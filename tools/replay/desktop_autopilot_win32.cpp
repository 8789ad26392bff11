#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

#include "platform/windows_api.h"
#include "replay/desktop_autopilot.h"

namespace tarno::score {
namespace {

const int kStaticTextId = 0xFFFF;  // the text of a message box

struct CategoryControl {
  const char* tag;
  int id;
};
const CategoryControl kCategoryControls[] = {
    {"CATEGORY-OPERATOR", 1013}, {"CATEGORY-BAND", 1118},  {"CATEGORY-TRANSMITTER", 1122},
    {"CATEGORY-MODE", 1123},     {"CATEGORY-POWER", 1125},
};

struct Search {
  HWND lastHandled = nullptr;
  const DialogAnswers* answers = nullptr;
};

// Confirms or closes one of the plug-in's windows of this process, if it is one.
BOOL CALLBACK ConfirmPluginWindow(HWND window, LPARAM handled) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId() || !IsWindowVisible(window)) return TRUE;
  char caption[64] = "";
  GetWindowTextA(window, caption, sizeof caption);
  const std::string title = caption;
  Search* search = reinterpret_cast<Search*>(handled);
  HWND* lastHandled = &search->lastHandled;
  if (window == *lastHandled) return TRUE;  // already told to close
  if (title == "Output") {
    *lastHandled = window;
    char text[1024] = "";
    GetDlgItemTextA(window, kStaticTextId, text, sizeof text);
    std::fprintf(stderr, "Output: %s\n", text);
    PostMessageA(window, WM_COMMAND, IDOK, 0);
  } else if (title == "TARNO Contest") {
    *lastHandled = window;
    // The combo boxes take typed text, so the answer is typed into each, as it would be.
    for (const auto& [tag, value] : *search->answers) {
      for (const CategoryControl& control : kCategoryControls) {
        if (tag == control.tag) SetDlgItemTextA(window, control.id, value.c_str());
      }
    }
    PostMessageA(window, WM_COMMAND, IDOK, 0);
  }
  return TRUE;
}

}  // namespace

struct DesktopAutopilot::Pilot {
  std::atomic<bool> stop{false};
  DialogAnswers answers;
  std::thread thread;
};

DesktopAutopilot::DesktopAutopilot(const DialogAnswers& answers) : m_pilot(new Pilot) {
  Pilot* pilot = m_pilot.get();
  pilot->answers = answers;
  pilot->thread = std::thread([pilot] {
    Search search;
    search.answers = &pilot->answers;
    while (!pilot->stop.load()) {
      EnumWindows(&ConfirmPluginWindow, reinterpret_cast<LPARAM>(&search));
      Sleep(50);
    }
  });
}

DesktopAutopilot::~DesktopAutopilot() {
  m_pilot->stop = true;
  m_pilot->thread.join();
}

}  // namespace tarno::score
