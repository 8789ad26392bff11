#include "ui/county_window_stand_in.h"

namespace tarno {
namespace {

constexpr std::chrono::milliseconds kFirstRefresh{300};
constexpr std::chrono::milliseconds kRefreshAfterCheck{330};

}  // namespace

StandInCountyWindow::~StandInCountyWindow() { Close(); }

bool StandInCountyWindow::IsOpen() {
  std::lock_guard<std::mutex> hold(m_mutex);
  return m_open;
}

void StandInCountyWindow::Start() {
  Close();
  std::lock_guard<std::mutex> hold(m_mutex);
  m_open = true;
  m_closing = false;
  m_timerArmed = true;
  m_due = Clock::now() + kFirstRefresh;
  m_thread = std::thread([this] { Run(); });
}

void StandInCountyWindow::Close() {
  {
    std::lock_guard<std::mutex> hold(m_mutex);
    if (!m_thread.joinable()) return;
    m_closing = true;
    m_timerArmed = false;
  }
  m_wake.notify_all();
  m_thread.join();
}

void StandInCountyWindow::RequestRefresh() {
  {
    std::lock_guard<std::mutex> hold(m_mutex);
    if (!m_open) return;
    m_timerArmed = true;
    m_due = Clock::now() + kRefreshAfterCheck;
  }
  m_wake.notify_all();
}

int StandInCountyWindow::RefreshCount() {
  std::lock_guard<std::mutex> hold(m_mutex);
  return m_refreshCount;
}

CountyRefresh StandInCountyWindow::LastRefresh() {
  std::lock_guard<std::mutex> hold(m_mutex);
  return m_lastRefresh;
}

void StandInCountyWindow::Run() {
  std::unique_lock<std::mutex> lock(m_mutex);
  while (!m_closing) {
    if (!m_timerArmed) {
      m_wake.wait(lock);
      continue;
    }
    if (m_wake.wait_until(lock, m_due) == std::cv_status::no_timeout) continue;
    if (!m_timerArmed || Clock::now() < m_due) continue;
    m_timerArmed = false;  // one-shot, as the window's timer
    lock.unlock();
    CountyRefresh refresh = RefreshCountyWindow(m_module);
    lock.lock();
    m_lastRefresh = std::move(refresh);
    ++m_refreshCount;
  }
  lock.unlock();
  m_module.Host().EndWindowThread();
  lock.lock();
  m_open = false;
}

}  // namespace tarno
