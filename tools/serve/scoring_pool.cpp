#include "serve/scoring_pool.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "serve/message_line.h"
#include "serve/random_token.h"
#include "serve/scoring_worker.h"
#include "serve/worker_frame.h"

namespace tarno::score {
namespace {

namespace fs = std::filesystem;

ClaimedScore NotScored(const std::string& why) {
  ClaimedScore claimed;
  claimed.score = MessageLine("robot.score.not_scored", {}, {{"why", why}});
  return claimed;
}

void CloseIfOpen(int* fd) {
  if (*fd >= 0) close(*fd);
  *fd = -1;
}

}  // namespace

ScoringPool::ScoringPool(ChildProcesses& children, const ServeOptions& options, int workers)
    : m_children(children), m_options(options), m_workers(workers > 0 ? workers : 1) {}

ScoringPool::~ScoringPool() {
  StopAll();
  std::unique_lock<std::mutex> lock(m_mutex);
  m_freed.wait(lock, [this] {
    for (const Worker& worker : m_workers) {
      if (worker.busy) return false;
    }
    return true;
  });
  lock.unlock();
  for (Worker& worker : m_workers) Kill(&worker);
}

void ScoringPool::StopAll() {
  std::lock_guard<std::mutex> lock(m_mutex);
  m_stopping = true;
  // Not reaped before its pid is cleared under this lock, so the pid is still this worker's.
  for (const Worker& worker : m_workers) {
    if (worker.pid > 0) kill(worker.pid, SIGKILL);
  }
  m_freed.notify_all();
}

bool ScoringPool::Spawn(Worker* worker) {
  int requests[2], answers[2];
  if (pipe2(requests, O_CLOEXEC) != 0) return false;
  if (pipe2(answers, O_CLOEXEC) != 0) {
    close(requests[0]);
    close(requests[1]);
    return false;
  }
  const int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
  worker->scratch =
      (fs::path(m_options.dataFolder) / "scratch" / ("worker-" + RandomHex(8))).string();
  ChildLaunch launch;
  launch.args = {m_children.program(), "serve", kScoringWorkerCommand, "--scratch", worker->scratch};
  if (!m_options.start.empty())
    launch.args.insert(launch.args.end(), {"--start", m_options.start, "--end", m_options.end});
  if (!m_options.countryFile.empty())
    launch.args.insert(launch.args.end(), {"--cty", m_options.countryFile});
  if (!m_options.plugin.empty()) launch.args.insert(launch.args.end(), {"--plugin", m_options.plugin});
  // Its output is no business of the robot's; what goes wrong goes to the robot's error log.
  launch.fds = {requests[0], null, -1, answers[1]};
  const pid_t pid = null >= 0 ? m_children.launcher().Start(launch) : -1;
  close(requests[0]);
  close(answers[1]);
  if (null >= 0) close(null);
  if (pid <= 0) {
    close(requests[1]);
    close(answers[0]);
    return false;
  }
  std::lock_guard<std::mutex> lock(m_mutex);
  worker->pid = pid;
  worker->requests = requests[1];
  worker->answers = answers[0];
  return true;
}

void ScoringPool::Kill(Worker* worker) {
  pid_t pid;
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    pid = worker->pid;
    worker->pid = -1;
  }
  if (pid > 0) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  CloseIfOpen(&worker->requests);
  CloseIfOpen(&worker->answers);
  if (!worker->scratch.empty()) {
    std::error_code ignored;
    fs::remove_all(worker->scratch, ignored);
    worker->scratch.clear();
  }
}

bool ScoringPool::Alive(Worker* worker) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (worker->pid <= 0) return false;
    if (waitpid(worker->pid, nullptr, WNOHANG) == 0) return true;
    worker->pid = -1;  // reaped just now: a worker that died between two logs
  }
  Kill(worker);
  return false;
}

ClaimedScore ScoringPool::Ask(Worker* worker, const std::string& request) {
  FrameStatus status = FrameStatus::kFailed;
  for (int attempt = 0; attempt < 2; ++attempt) {
    if (!Alive(worker) && !Spawn(worker)) return NotScored(MessageLine("robot.score.not_started"));
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(m_options.scoringSeconds);
    status = WriteFrame(worker->requests, request, deadline);
    // A worker that went away before it took the log is no fault of this log's.
    if (status == FrameStatus::kEnded && attempt == 0) {
      Kill(worker);
      continue;
    }
    if (status == FrameStatus::kOk) {
      std::string answer;
      status = ReadFrame(worker->answers, kLargestScoringAnswer, deadline, &answer);
      Fields fields;
      ClaimedScore claimed;
      if (status == FrameStatus::kOk && DecodeFields(answer, &fields) &&
          ClaimedScoreOf(fields, &claimed)) {
        return claimed;
      }
      if (status == FrameStatus::kOk) status = FrameStatus::kGarbage;
    }
    break;
  }
  Kill(worker);
  std::fprintf(stderr, "tarno-score serve: a scoring worker %s; a new one takes the next log\n",
               status == FrameStatus::kTimedOut  ? "ran over its time and was killed"
               : status == FrameStatus::kGarbage ? "answered garbage and was killed"
                                                 : "ended before it answered");
  const std::string why = status == FrameStatus::kTimedOut  ? MessageLine("robot.score.timed_out")
                          : status == FrameStatus::kGarbage ? MessageLine("robot.score.garbage")
                                                            : MessageLine("robot.score.ended");
  return NotScored(MessageLine("robot.score.failed", {}, {{"why", why}}));
}

ClaimedScore ScoringPool::Score(const std::string& call, const std::string& bytes) {
  Worker* worker = nullptr;
  {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_freed.wait(lock, [this, &worker] {
      if (m_stopping) return true;
      // A worker already running before one still to be started.
      for (Worker& candidate : m_workers) {
        if (!candidate.busy && (!worker || (worker->pid <= 0 && candidate.pid > 0)))
          worker = &candidate;
      }
      return worker != nullptr;
    });
    if (m_stopping) return NotScored(MessageLine("robot.score.stopping"));
    worker->busy = true;
  }
  const ClaimedScore claimed = Ask(worker, EncodeFields({call, bytes}));
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    worker->busy = false;
  }
  m_freed.notify_all();
  return claimed;
}

}  // namespace tarno::score
