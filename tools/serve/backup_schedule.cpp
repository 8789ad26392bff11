#include "serve/backup_schedule.h"

#include <chrono>
#include <cstdio>

namespace tarno::score {

BackupSchedule::BackupSchedule(RobotStore& store, std::string folder, int hours)
    : m_store(store), m_folder(std::move(folder)), m_hours(hours) {
  if (m_hours > 0) m_thread = std::thread([this] { Loop(); });
}

BackupSchedule::~BackupSchedule() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stopping = true;
  }
  m_wake.notify_all();
  if (m_thread.joinable()) m_thread.join();
}

void BackupSchedule::Loop() {
  std::unique_lock<std::mutex> lock(m_mutex);
  for (;;) {
    if (m_wake.wait_for(lock, std::chrono::hours(m_hours), [this] { return m_stopping; })) return;
    lock.unlock();
    std::string file, error;
    if (m_store.Backup(m_folder, &file, &error)) {
      std::fprintf(stderr, "tarno-score serve: backup made: %s\n", file.c_str());
    } else {
      std::fprintf(stderr, "tarno-score serve: %s\n", error.c_str());
    }
    lock.lock();
  }
}

}  // namespace tarno::score
