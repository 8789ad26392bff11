#include "serve/check_runner.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <exception>
#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

#include "cabrillo/cabrillo_log.h"
#include "logs/log_file.h"
#include "serve/adjudication_files.h"
#include "serve/message_line.h"

namespace tarno::score {
namespace {

namespace fs = std::filesystem;

std::string WithoutFolder(std::string text, const std::string& folder) {
  for (size_t at = text.find(folder); at != std::string::npos; at = text.find(folder, at)) {
    text.erase(at, folder.size());
  }
  return text;
}

constexpr int kCheckSeconds = 4 * 3600;

int64_t Now() { return static_cast<int64_t>(std::time(nullptr)); }

// Each log to its own file, named by its call as the reports and pages then name it (a call
// is letters, digits and "/": nothing else of an upload becomes a path); false with the
// reason, as the system gave it (a full disk), when one cannot be written whole.
bool WriteLogs(const std::vector<UploadRecord>& logs, const fs::path& folder, std::string* why) {
  std::error_code made;
  fs::create_directories(folder, made);
  if (made) {
    *why = MessageLine("robot.run.reason.not_written", {{"why", made.message()}});
    return false;
  }
  for (const UploadRecord& log : logs) {
    const std::string name = FileCallOf(log.call) + "." + log.kind;
    const int fd = open((folder / name).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    size_t done = 0;
    while (fd >= 0 && done < log.bytes.size()) {
      const ssize_t put = write(fd, log.bytes.data() + done, log.bytes.size() - done);
      if (put == 0 || (put < 0 && errno != EINTR)) break;
      if (put > 0) done += static_cast<size_t>(put);
    }
    int failure = errno;
    const bool closed = fd >= 0 && close(fd) == 0;
    if (fd >= 0 && done == log.bytes.size() && !closed) failure = errno;
    if (fd < 0 || done < log.bytes.size() || !closed) {
      *why = MessageLine(
          "robot.run.reason.not_written",
          {{"why", name + ": " + std::error_code(failure, std::generic_category()).message()}});
      return false;
    }
  }
  return true;
}

// The last line the cross-check wrote, which says why it stopped.
std::string LastLine(const std::string& output) {
  size_t end = output.find_last_not_of("\n");
  if (end == std::string::npos) return std::string();
  const size_t start = output.rfind('\n', end);
  return output.substr(start == std::string::npos ? 0 : start + 1,
                       end - (start == std::string::npos ? 0 : start + 1) + 1);
}

using FileList = std::vector<std::pair<std::string, std::string>>;

// Every file the cross-check wrote, those in its sub-folders too (the Hungarian pages in
// hu/, the certificates), each named by its path in the folder with "/" between the parts,
// as the pages link to it ("hu/results.html"), beside its path on disk: the store reads
// them one at a time.
FileList ListResults(const fs::path& folder) {
  FileList files;
  std::error_code failed;
  fs::recursive_directory_iterator entries(folder, failed), end;
  for (; !failed && entries != end; entries.increment(failed)) {
    const fs::directory_entry& entry = *entries;
    std::error_code kind;
    if (entry.is_regular_file(kind))
      files.emplace_back(entry.path().lexically_relative(folder).generic_string(),
                         entry.path().string());
  }
  return files;
}

}  // namespace

CheckRunner::~CheckRunner() {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_thread.joinable()) m_thread.join();
}

bool CheckRunner::Start(int64_t nowUnix, std::string* why) {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_running) {
    *why = MessageLine("robot.check.running");
    return false;
  }
  std::vector<int64_t> logs;
  for (const UploadRecord& upload : m_store.Uploads()) {
    if (upload.state == "current") logs.push_back(upload.id);
  }
  if (logs.empty()) {
    *why = MessageLine("robot.check.no_logs");
    return false;
  }
  const int64_t run = m_store.AddRun(nowUnix, logs);
  if (run == 0) {
    *why = MessageLine("robot.check.not_recorded");
    return false;
  }
  if (m_thread.joinable()) m_thread.join();
  m_running = true;
  m_thread = std::thread([this, run] { Work(run); });
  return true;
}

void CheckRunner::Work(int64_t run) {
  const fs::path folder = fs::path(m_options.dataFolder) / "runs" / std::to_string(run);
  std::error_code removed;
  fs::remove_all(folder, removed);
  try {
    Check(run, folder);
  } catch (const std::exception& failure) {  // the database could not be read
    std::fprintf(stderr, "tarno-score serve: check %lld: %s\n", static_cast<long long>(run),
                 failure.what());
    Finish(run, "failed", -1, "", failure.what(), {});
  }
  fs::remove_all(folder, removed);
  m_running = false;
}

void CheckRunner::Check(int64_t run, const fs::path& folder) {
  m_store.SetRunState(run, "writing the logs out");
  std::string why;
  // The logs recorded for the run, not those current now: a receipt shows the report only
  // for the upload the check took.
  if (!WriteLogs(m_store.UploadsOfRun(run), folder / "logs", &why)) {
    Finish(run, "failed", -1, "", why, {});
    return;
  }
  std::vector<std::string> args = {"crosscheck", "--out", (folder / "results").string()};
  if (!WriteAdjudicationFiles(m_store, m_options.rulesText, run, folder, &args, &why)) {
    Finish(run, "failed", -1, "", why, {});
    return;
  }
  m_store.SetRunState(run, "reading and checking the logs");
  if (!m_options.start.empty())
    args.insert(args.end(), {"--start", m_options.start, "--end", m_options.end});
  if (m_options.titleGiven) args.insert(args.end(), {"--title", m_options.title});
  if (!m_options.sponsor.empty()) args.insert(args.end(), {"--sponsor", m_options.sponsor});
  if (!m_options.certificateLogo.empty())
    args.insert(args.end(), {"--certificate-logo", m_options.certificateLogo});
  if (!m_options.certificateSignature.empty())
    args.insert(args.end(), {"--certificate-signature", m_options.certificateSignature});
  if (!m_options.countryFile.empty()) args.insert(args.end(), {"--cty", m_options.countryFile});
  if (!m_options.plugin.empty()) args.insert(args.end(), {"--plugin", m_options.plugin});
  args.push_back((folder / "logs").string());
  const ChildResult result = m_children.Run(args, (folder / "output.txt").string(), kCheckSeconds);
  // The sponsor's page tells the run's files by their names, not by where the robot keeps them.
  const std::string output = WithoutFolder(result.output, folder.string() + "/");
  if (result.stopped) {
    Finish(run, "interrupted", result.status, output, MessageLine("robot.run.reason.stopped"), {});
  } else if (!result.started) {
    Finish(run, "failed", -1, output, MessageLine("robot.run.reason.not_started"), {});
  } else if (result.timedOut) {
    Finish(run, "failed", -1, output, MessageLine("robot.run.reason.timed_out"), {});
  } else if (result.status < 0 || result.status >= 2) {
    const std::string ended =
        result.status < 0
            ? MessageLine("robot.run.reason.killed")
            : MessageLine("robot.run.reason.status", {{"status", std::to_string(result.status)}});
    const std::string said = LastLine(output);
    Finish(run, "failed", result.status, output,
           said.empty() ? ended
                        : MessageLine("robot.run.reason.said", {{"said", said}}, {{"why", ended}}),
           {});
  } else {
    std::string why;
    if (!m_store.FinishRunFromFiles(run, Now(), result.status, output, ListResults(folder / "results"), &why)) {
      Finish(run, "failed", result.status, output,
             MessageLine("robot.run.reason.not_stored", {{"why", why}}), {});
    }
  }
}

void CheckRunner::Finish(int64_t run, const char* state, int status, const std::string& output,
                         const std::string& reason,
                         const std::vector<std::pair<std::string, std::string>>& files) {
  if (!m_store.FinishRun(run, Now(), state, status, output, reason, files)) {
    std::fprintf(stderr, "tarno-score serve: check %lld: its end could not be stored\n",
                 static_cast<long long>(run));
  }
}

}  // namespace tarno::score
