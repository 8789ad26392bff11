#ifndef TARNO_TESTS_WIN32_WINDOW_PROBE_H_
#define TARNO_TESTS_WIN32_WINDOW_PROBE_H_

// Looking at the module's real windows from a test: finding them among the process's
// windows, waiting for them (every wait bounded), reading them, and taking their picture.

#include <functional>
#include <string>

#include "platform/windows_api.h"

namespace tarno_test {

// Polls `done` until it holds or `timeoutMs` has passed; its last answer.
bool WaitFor(const std::function<bool()>& done, int timeoutMs = 10000);

std::string TextOf(HWND window);
std::string ClassOf(HWND window);

// The first visible or hidden top-level window of this process that `match` accepts.
HWND FindProcessWindow(const std::function<bool(HWND)>& match);

// A dialog ("#32770") of this process by its caption.
HWND FindDialogByCaption(const std::string& caption);

// The window's outer top left on the screen.
POINT TopLeftOf(HWND window);

// The client area as the screen shows it, once it has stopped changing, as a PNG file.
// The frame is left out: with no window manager on the virtual display, nothing draws it.
bool WriteScreenshot(HWND window, const std::string& path);

// The same with the frame and the caption, for windows whose frame Wine draws itself (those
// of a program whose windows it leaves unmanaged).
bool WriteFramedScreenshot(HWND window, const std::string& path);

}  // namespace tarno_test

#endif  // TARNO_TESTS_WIN32_WINDOW_PROBE_H_
