#ifndef TARNO_TOOLS_SERVE_BACKUP_SCHEDULE_H_
#define TARNO_TOOLS_SERVE_BACKUP_SCHEDULE_H_

// Backups of the robot's database on a schedule (--backup-every HOURS): a thread of its own
// makes one every so many hours after the start, into the given folder (RobotStore::Backup),
// and says on standard error what it wrote or why it could not.

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "serve/robot_store.h"

namespace tarno::score {

class BackupSchedule {
 public:
  // `hours` 0: no backups and no thread. `store` must outlive the schedule.
  BackupSchedule(RobotStore& store, std::string folder, int hours);
  ~BackupSchedule();  // stops at once, a backup under way finished first
  BackupSchedule(const BackupSchedule&) = delete;
  BackupSchedule& operator=(const BackupSchedule&) = delete;

 private:
  void Loop();

  RobotStore& m_store;
  std::string m_folder;
  int m_hours;
  std::mutex m_mutex;
  std::condition_variable m_wake;
  bool m_stopping = false;
  std::thread m_thread;
};

}  // namespace tarno::score

#endif  // TARNO_TOOLS_SERVE_BACKUP_SCHEDULE_H_
