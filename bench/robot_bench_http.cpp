#include "robot_bench_http.h"

#include <fcntl.h>
#include <httplib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

namespace tarno::bench {
namespace {

namespace fs = std::filesystem;

std::atomic<int> g_resent{0};

// Waits for "listening on http://127.0.0.1:PORT/"; any other line before it is passed by.
int ReadPort(int from) {
  std::string line;
  char c = 0;
  while (read(from, &c, 1) == 1) {
    if (c != '\n') {
      line += c;
      continue;
    }
    const std::string prefix = "listening on http://127.0.0.1:";
    if (line.rfind(prefix, 0) == 0) {
      close(from);
      return std::atoi(line.c_str() + prefix.size());
    }
    line.clear();
  }
  Die("the robot ended before it listened");
}

}  // namespace

void Die(const std::string& why) {
  std::fprintf(stderr, "tarno_robot_bench: %s\n", why.c_str());
  std::exit(1);
}

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

RobotProcess::RobotProcess(const std::string& program, const fs::path& scratch) {
  const std::string password = (scratch / "password").string();
  std::ofstream(password) << "robot-bench-password\n";
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) Die("no pipe");
  std::fflush(stdout);
  m_pid = fork();
  if (m_pid == 0) {
    dup2(pipeEnds[1], 1);
    const int err = open((scratch / "robot-stderr.txt").c_str(), O_WRONLY | O_CREAT, 0644);
    dup2(err, 2);
    close(pipeEnds[0]);
    execl(program.c_str(), program.c_str(), "serve", "--data", (scratch / "data").c_str(),
          "--listen", "127.0.0.1:0", "--password-file", password.c_str(), "--upload-limit",
          "1000000", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(pipeEnds[1]);
  m_port = ReadPort(pipeEnds[0]);
}

RobotProcess::~RobotProcess() {
  kill(m_pid, SIGTERM);
  int status = 0;
  waitpid(m_pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    std::fprintf(stderr, "tarno_robot_bench: the robot ended with status %d\n", status);
}

namespace {

// The fields of /proc/PID/stat after the program's name, which is in parentheses and may
// hold blanks; empty when the process is gone.
std::vector<std::string> StatFields(const std::string& pid) {
  std::ifstream in("/proc/" + pid + "/stat");
  const std::string stat{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const size_t name = stat.rfind(')');
  if (name == std::string::npos) return {};
  std::istringstream after(stat.substr(name + 2));
  return {std::istream_iterator<std::string>(after), std::istream_iterator<std::string>()};
}

// utime, stime and, with `waited`, cutime and cstime: the line's fields 14 to 17, 12 to 15
// after the name.
double Ticks(const std::vector<std::string>& fields, bool waited) {
  double ticks = 0;
  for (int i = 11; i <= (waited ? 14 : 12); ++i) ticks += std::atof(fields[i].c_str());
  return ticks;
}

}  // namespace

double RobotProcess::CpuSeconds() const {
  const std::vector<std::string> own = StatFields(std::to_string(m_pid));
  if (own.size() < 15) Die("/proc/" + std::to_string(m_pid) + "/stat cannot be read");
  double ticks = Ticks(own, true);
  // Children the robot keeps running (its scoring workers) have not been waited for, so
  // their time is not yet in the robot's own count.
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string pid = entry.path().filename().string();
    if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
    const std::vector<std::string> fields = StatFields(pid);
    if (fields.size() >= 15 && fields[1] == std::to_string(m_pid)) ticks += Ticks(fields, true);
  }
  return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double Upload(int port, const Entrant& entrant, Clock::time_point start) {
  const httplib::MultipartFormDataItems form = {
      {"log", entrant.bytes, entrant.call + ".cbr", "application/octet-stream"}};
  for (int attempt = 1;; ++attempt) {
    httplib::Client client("127.0.0.1", port);
    client.set_connection_timeout(60, 0);
    client.set_read_timeout(600, 0);
    client.set_write_timeout(600, 0);
    const httplib::Result result = client.Post("/upload", form);
    if (!result) {
      if (attempt == 5) Die(entrant.call + ": " + httplib::to_string(result.error()));
      ++g_resent;
      continue;
    }
    if (result->status != 200 || result->body.find("id=\"receipt\"") == std::string::npos ||
        result->body.find(entrant.call) == std::string::npos) {
      Die(entrant.call + ": status " + std::to_string(result->status) + "\n" +
          result->body.substr(0, 2000));
    }
    return SecondsSince(start);
  }
}

std::vector<double> UploadAtOnce(int port, const std::vector<Entrant>& entrants) {
  std::vector<double> seconds(entrants.size());
  std::mutex mutex;
  std::condition_variable signal;
  bool go = false;
  Clock::time_point start;
  std::vector<std::thread> clients;
  for (size_t i = 0; i < entrants.size(); ++i) {
    clients.emplace_back([&, i] {
      {
        std::unique_lock<std::mutex> lock(mutex);
        signal.wait(lock, [&] { return go; });
      }
      seconds[i] = Upload(port, entrants[i], start);
    });
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // every thread at the gate
  {
    const std::lock_guard<std::mutex> lock(mutex);
    start = Clock::now();
    go = true;
  }
  signal.notify_all();
  for (std::thread& client : clients) client.join();
  return seconds;
}

int UploadsSentAgain() { return g_resent.load(); }

long ListenOverflows() {
  std::ifstream in("/proc/net/netstat");
  std::string names, values;
  while (std::getline(in, names) && std::getline(in, values)) {
    if (names.rfind("TcpExt:", 0) != 0) continue;
    std::istringstream nameWords(names), valueWords(values);
    std::string name, value;
    while (nameWords >> name && valueWords >> value) {
      if (name == "ListenOverflows") return std::atol(value.c_str());
    }
  }
  return 0;
}

}  // namespace tarno::bench
