#ifndef TARNO_UI_WIN32_COUNTY_WINDOW_H_
#define TARNO_UI_WIN32_COUNTY_WINDOW_H_

// The county window ("oblast", template IDD_COUNTY_WINDOW): twenty boxes showing the
// counties worked on the radio's band, and the band and their count in the caption. It runs
// modally on a thread of its own (docs/windows.md) and owns the information window, which it
// creates at its first refresh and destroys when it closes. It refreshes 300 ms after opening and 330 ms
// after the last of any refresh requests. The boxes are for reading: a click on one lasts
// until the next refresh writes them all again.

#include <atomic>
#include <memory>

#include "ui/county_refresh.h"
#include "ui/module_view.h"
#include "ui/win32/info_window.h"
#include "ui/win32/window_position.h"
#include "ui/win32/windows_ui.h"

namespace tarno {

// How other threads reach one county window: by posting to its handle while it has one.
// The requests may come from any thread at any time, before the window exists or after it
// has gone; a close request made before the window exists closes it as soon as it opens.
class CountyWindowLink {
 public:
  void RequestRefresh();
  void RequestClose();
  // An event the window sets once it is up: shown, and its loop running. Not owned.
  void SetOpenedEvent(HANDLE opened) { m_opened = opened; }

 private:
  friend class oblast;
  std::atomic<HWND> m_window{nullptr};  // set and cleared by the window's thread
  std::atomic<bool> m_closeRequested{false};
  HANDLE m_opened = nullptr;
};

class oblast {
 public:
  // `instance` holds the templates and the icon; `link` and `module` must outlive the window.
  oblast(HINSTANCE instance, CountyWindowLink* link, ModuleView& module)
      : m_instance(instance), m_link(link), m_module(module) {}
  ~oblast();  // destroys the information window
  oblast(const oblast&) = delete;
  oblast& operator=(const oblast&) = delete;

  // Shows the window and returns when it has been closed: by the operator (close box, Esc, Enter)
  // or by a close request. False when it could not be created.
  bool Run();

 private:
  static INT_PTR CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void OnInit(HWND window);
  void OnRefreshTimer();
  void Apply(CountyRefresh refresh);
  void Close();

  HINSTANCE m_instance;
  CountyWindowLink* m_link;
  ModuleView& m_module;
  HWND m_window = nullptr;
  HBRUSH m_brush = nullptr;
  SavedPosition m_position{"oblast_x", "oblast_y"};
  std::unique_ptr<DXCC> m_info;
};

}  // namespace tarno

#endif  // TARNO_UI_WIN32_COUNTY_WINDOW_H_
