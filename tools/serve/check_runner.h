#ifndef TARNO_TOOLS_SERVE_CHECK_RUNNER_H_
#define TARNO_TOOLS_SERVE_CHECK_RUNNER_H_

// The sponsor's cross-check, run in the background: the current logs are written to a
// run folder under the data folder (named by upload number, never by anything uploaded),
// "tarno-score crosscheck" runs over them as a child, and what it wrote goes into the
// store; the folder is removed. One run at a time; its state is in the store for the
// sponsor's page. Thread-safe.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "serve/child_process.h"
#include "serve/robot_store.h"
#include "serve/serve_options.h"

namespace tarno::score {

class CheckRunner {
 public:
  CheckRunner(RobotStore& store, ChildProcesses& children, const ServeOptions& options)
      : m_store(store), m_children(children), m_options(options) {}
  ~CheckRunner();  // waits for the run; stop the children first to cut it short
  CheckRunner(const CheckRunner&) = delete;
  CheckRunner& operator=(const CheckRunner&) = delete;

  // Starts a run over the current logs; false with the reason (a MessageLine) when one is
  // running already or there is no log. A run's reason is kept as a MessageLine too.
  bool Start(int64_t nowUnix, std::string* why);
  bool Running() const { return m_running; }

 private:
  void Work(int64_t run);
  void Check(int64_t run, const std::filesystem::path& folder);
  void Finish(int64_t run, const char* state, int status, const std::string& output,
              const std::string& reason,
              const std::vector<std::pair<std::string, std::string>>& files);

  RobotStore& m_store;
  ChildProcesses& m_children;
  const ServeOptions& m_options;
  std::mutex m_mutex;
  std::thread m_thread;
  std::atomic<bool> m_running{false};
};

}  // namespace tarno::score

#endif  // TARNO_TOOLS_SERVE_CHECK_RUNNER_H_
