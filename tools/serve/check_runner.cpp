#include "serve/check_runner.h"

#include <cstdio>
#include <ctime>
#include <exception>
#include <filesystem>
#include <utility>
#include <vector>

#include "logs/log_file.h"

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

bool WriteLogs(const std::vector<UploadRecord>& logs, const fs::path& folder) {
  std::error_code made;
  fs::create_directories(folder, made);
  if (made) return false;
  for (const UploadRecord& log : logs) {
    const fs::path file = folder / (std::to_string(log.id) + "." + log.kind);
    if (!WriteWholeFile(file.string(), log.bytes)) return false;
  }
  return true;
}

using FileList = std::vector<std::pair<std::string, std::string>>;

FileList ReadResults(const fs::path& folder) {
  FileList files;
  std::error_code failed;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, failed)) {
    std::string bytes, error;
    if (entry.is_regular_file(failed) && ReadRegularFile(entry.path().string(), &bytes, &error))
      files.emplace_back(entry.path().filename().string(), std::move(bytes));
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
    *why = "a check is running already";
    return false;
  }
  const std::vector<UploadRecord> logs = m_store.CurrentLogs();
  if (logs.empty()) {
    *why = "there is no log to check yet";
    return false;
  }
  const int64_t run = m_store.AddRun(nowUnix, static_cast<int64_t>(logs.size()));
  if (run == 0) {
    *why = "the run could not be recorded";
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
    m_store.FinishRun(run, Now(), "failed", -1, std::string(failure.what()) + "\n", {});
  }
  fs::remove_all(folder, removed);
  m_running = false;
}

void CheckRunner::Check(int64_t run, const fs::path& folder) {
  m_store.SetRunState(run, "writing the logs out");
  if (!WriteLogs(m_store.CurrentLogs(), folder / "logs")) {
    Finish(run, "failed", -1, "the logs could not be written out", {});
    return;
  }
  m_store.SetRunState(run, "reading and checking the logs");
  std::vector<std::string> args = {"crosscheck", "--out", (folder / "results").string()};
  if (!m_options.start.empty())
    args.insert(args.end(), {"--start", m_options.start, "--end", m_options.end});
  if (!m_options.countryFile.empty()) args.insert(args.end(), {"--cty", m_options.countryFile});
  if (!m_options.plugin.empty()) args.insert(args.end(), {"--plugin", m_options.plugin});
  args.push_back((folder / "logs").string());
  const ChildResult result = m_children.Run(args, (folder / "output.txt").string(), kCheckSeconds);
  const bool finished = result.started && !result.timedOut && result.status >= 0;
  // The sponsor's page tells the run's files by their names, not by where the robot keeps them.
  std::string output = WithoutFolder(result.output, folder.string() + "/");
  if (result.stopped) output += "the robot was stopped during the check\n";
  if (!result.started && !result.stopped) output += "the cross-check could not be started\n";
  if (result.timedOut) output += "the cross-check took too long and was stopped\n";
  const char* state = result.stopped                  ? "interrupted"
                      : finished && result.status < 2 ? "finished"
                                                      : "failed";
  Finish(run, state, result.status, output,
         result.stopped ? FileList() : ReadResults(folder / "results"));
}

void CheckRunner::Finish(int64_t run, const char* state, int status, const std::string& output,
                         const std::vector<std::pair<std::string, std::string>>& files) {
  if (!m_store.FinishRun(run, Now(), state, status, output, files)) {
    std::fprintf(stderr, "tarno-score serve: check %lld: its end could not be stored\n",
                 static_cast<long long>(run));
  }
}

}  // namespace tarno::score
