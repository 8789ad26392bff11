#ifndef TARNO_TOOLS_SERVE_SCORING_POOL_H_
#define TARNO_TOOLS_SERVE_SCORING_POOL_H_

// The robot's scoring workers (scoring_worker.h): a set number of long-lived children,
// each scoring one log at a time. A worker that dies, runs over the time a log may take or
// answers what is no answer is killed and a new one started for the next log; that log is
// then "not scored", with the reason, and nothing worse happens to the robot.
// Thread-safe; Score waits for a free worker.

#include <sys/types.h>

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "serve/child_process.h"
#include "serve/receipt_scoring.h"
#include "serve/serve_options.h"

namespace tarno::score {

class ScoringPool {
 public:
  // `workers`: how many logs are scored at once. `children` and `options` must outlive
  // the pool. No worker starts before the first log.
  ScoringPool(ChildProcesses& children, const ServeOptions& options, int workers);
  ~ScoringPool();  // after the last Score has returned
  ScoringPool(const ScoringPool&) = delete;
  ScoringPool& operator=(const ScoringPool&) = delete;

  // `call` is the log's own call, already checked.
  ClaimedScore Score(const std::string& call, const std::string& bytes);

  // Kills every worker; Score then answers at once that the robot is stopping.
  void StopAll();

 private:
  struct Worker {
    pid_t pid = -1;
    int requests = -1;  // our ends of its pipes
    int answers = -1;
    std::string scratch;
    bool busy = false;
  };
  bool Spawn(Worker* worker);
  void Kill(Worker* worker);
  bool Alive(Worker* worker);
  ClaimedScore Ask(Worker* worker, const std::string& request);

  ChildProcesses& m_children;
  const ServeOptions& m_options;
  std::mutex m_mutex;
  std::condition_variable m_freed;
  std::vector<Worker> m_workers;
  bool m_stopping = false;
};

}  // namespace tarno::score

#endif  // TARNO_TOOLS_SERVE_SCORING_POOL_H_
