#ifndef TARNO_TOOLS_SERVE_WANTED_LOGS_H_
#define TARNO_TOOLS_SERVE_WANTED_LOGS_H_

// "Wanted logs" for the sponsor before the deadline: the stations most often worked in the
// current logs that have sent no log, with how many logs worked each, so that the sponsor
// can ask them for theirs. Read from the uploads' own bytes with the logs' readers; no
// check is needed.

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "catalogue/catalogue.h"
#include "serve/robot_store.h"

namespace tarno::score {

struct WantedCall {
  std::string call;
  int64_t logs = 0;  // current logs that hold at least one QSO with it
};

struct WantedList {
  std::vector<WantedCall> calls;  // the most worked first, then by call
  int64_t stations = 0;           // every station worked that has sent no log
  int64_t currentLogs = 0;
};

// Thread-safe. Each log is read once, by its upload (whose bytes never change), and the
// list is kept until the set of current and late uploads changes: a page view reads only
// the logs that are new since the last one, and none when nothing changed.
class WantedLogs {
 public:
  // `uploads` as RobotStore::Uploads gives them (without bytes); a log's bytes are read
  // from `store` when it is new. A station that sent a log, current or late, is not wanted.
  WantedList Of(RobotStore& store, const std::vector<UploadRecord>& uploads, size_t most = 30);

 private:
  void ReadNewLogs(RobotStore& store, const std::vector<std::pair<int64_t, bool>>& key,
                   std::unordered_map<int64_t, std::vector<uint32_t>>* worked);

  std::mutex m_mutex;
  std::unordered_map<std::string, uint32_t> m_index;  // a worked call's number
  std::vector<std::string> m_calls;                   // by number
  // By current upload, the numbers of the calls its log worked, each once.
  std::unordered_map<int64_t, std::vector<uint32_t>> m_worked;
  std::vector<std::pair<int64_t, bool>> m_key;  // the uploads the list was made of (id, late)
  size_t m_most = 0;
  WantedList m_list;
};

// The sponsor page's section: a table of the wanted calls (id "wanted-logs"), or why there
// is none.
std::string WantedLogsSection(const WantedList& wanted, const Catalogue& words);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_SERVE_WANTED_LOGS_H_
