#ifndef TARNO_UI_COUNTY_WINDOW_STAND_IN_H_
#define TARNO_UI_COUNTY_WINDOW_STAND_IN_H_

// The county window where there are no windows: the same life cycle (its own thread,
// open from Start until Close), the same one-shot refresh timer (300 ms after opening,
// 330 ms after each refresh request, each request pushing it back), and the same
// refresh of the shared lists on that thread, with nothing drawn (docs/windows.md).

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "ui/county_refresh.h"
#include "ui/county_window_control.h"
#include "ui/module_view.h"

namespace tarno {

class StandInCountyWindow : public CountyWindowControl {
 public:
  explicit StandInCountyWindow(ModuleView& module) : m_module(module) {}
  ~StandInCountyWindow() override;

  bool IsOpen() override;
  void Start() override;
  void Close() override;
  void RequestRefresh() override;

  // For tests: how many refreshes ran, and what the last one computed.
  int RefreshCount();
  CountyRefresh LastRefresh();

 private:
  using Clock = std::chrono::steady_clock;

  void Run();

  ModuleView& m_module;
  std::mutex m_mutex;
  std::condition_variable m_wake;
  std::thread m_thread;
  bool m_open = false;
  bool m_closing = false;
  bool m_timerArmed = false;
  Clock::time_point m_due;
  int m_refreshCount = 0;
  CountyRefresh m_lastRefresh;
};

}  // namespace tarno

#endif  // TARNO_UI_COUNTY_WINDOW_STAND_IN_H_
