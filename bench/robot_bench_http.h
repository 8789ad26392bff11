#ifndef TARNO_BENCH_ROBOT_BENCH_HTTP_H_
#define TARNO_BENCH_ROBOT_BENCH_HTTP_H_

// The log robot as tarno_robot_bench reaches it: `tarno-score serve` started as a program
// on 127.0.0.1, and clients that upload to it over HTTP (cpp-httplib), each on a
// connection of its own. Any failure ends the bench with a message (Die).

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace tarno::bench {

using Clock = std::chrono::steady_clock;

// One entrant's log as the bench made it.
struct Entrant {
  std::string call;
  std::string path;
  std::string bytes;
  size_t qsoLines = 0;
};

[[noreturn]] void Die(const std::string& why);
double SecondsSince(Clock::time_point start);

// `program serve` with its data and password in `scratch`, any free port, the per-address
// upload limit lifted; the constructor returns once it listens. The destructor stops it
// with SIGTERM and says so on standard error when it did not end with status 0.
class RobotProcess {
 public:
  RobotProcess(const std::string& program, const std::filesystem::path& scratch);
  ~RobotProcess();
  RobotProcess(const RobotProcess&) = delete;
  RobotProcess& operator=(const RobotProcess&) = delete;

  int port() const { return m_port; }
  // Its processor time so far, with that of its children: those it has waited for and
  // those still running (its scoring workers).
  double CpuSeconds() const;

 private:
  pid_t m_pid = 0;
  int m_port = 0;
};

// One upload and its receipt (status 200, the receipt page with the call); seconds from
// `start`. A connection that fails is tried again, as an entrant would press the button
// again, and counted in UploadsSentAgain.
double Upload(int port, const Entrant& entrant, Clock::time_point start);

// Every entrant's client sends at one signal; each one's seconds from the signal to its
// receipt, in the entrants' order.
std::vector<double> UploadAtOnce(int port, const std::vector<Entrant>& entrants);

int UploadsSentAgain();

// The kernel's count of connections refused because a listening socket's queue was full
// (the whole machine's, from /proc/net/netstat).
long ListenOverflows();

}  // namespace tarno::bench

#endif  // TARNO_BENCH_ROBOT_BENCH_HTTP_H_
