#include "serve/robot_fixture.h"

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include "gtest/gtest.h"

namespace tarno::testing {
namespace {

namespace fs = std::filesystem;

}  // namespace

std::string CookieOf(const httplib::Result& res, const std::string& name) {
  for (const auto& [key, value] : res->headers) {
    if (key == "Set-Cookie" && value.rfind(name + "=", 0) == 0)
      return value.substr(0, value.find(';'));
  }
  return std::string();
}

std::string HiddenCsrf(const std::string& page) {
  const std::string mark = "name=\"csrf\" value=\"";
  const size_t at = page.find(mark);
  if (at == std::string::npos) return std::string();
  const size_t from = at + mark.size();
  return page.substr(from, page.find('"', from) - from);
}

RobotProcess::~RobotProcess() {
  if (m_pid > 0) Kill();
}

bool RobotProcess::Start(const std::string& dataFolder, const std::vector<std::string>& extra,
                         bool ownPassword) {
  m_dataFolder = dataFolder;
  const std::string passwordFile = dataFolder + ".password";
  std::ofstream(passwordFile) << kPassword << "\n";
  m_madePassword.clear();
  int out[2];
  if (pipe(out) != 0) return false;
  // A client writing to a connection the robot closed must fail, not end the test.
  signal(SIGPIPE, SIG_IGN);
  m_pid = fork();
  if (m_pid == 0) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);  // a test that dies takes its robot along
    dup2(out[1], 1);
    close(out[0]);
    close(out[1]);
    std::vector<std::string> args = {TARNO_SCORE_PROGRAM, "serve",    "--data",
                                     dataFolder,          "--listen", "127.0.0.1:0"};
    if (!ownPassword) args.insert(args.end(), {"--password-file", passwordFile});
    args.insert(args.end(), extra.begin(), extra.end());
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(out[1]);
  FILE* lines = fdopen(out[0], "r");
  char line[256];
  while (std::fgets(line, sizeof line, lines)) {
    char password[64];
    if (std::sscanf(line, "sponsor password: %63s", password) == 1) m_madePassword = password;
    if (std::sscanf(line, "listening on http://127.0.0.1:%d/", &m_port) == 1) break;
  }
  // The robot's later output goes on into the pipe, which a thread drains.
  std::thread([lines] {
    char rest[256];
    while (std::fgets(rest, sizeof rest, lines)) {
    }
    std::fclose(lines);
  }).detach();
  return m_port > 0;
}

int RobotProcess::Stop() {
  if (m_pid <= 0) return -1;
  kill(m_pid, SIGTERM);
  int status = 0;
  waitpid(m_pid, &status, 0);
  m_pid = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void RobotProcess::Kill() {
  if (m_pid <= 0) return;
  kill(m_pid, SIGKILL);
  waitpid(m_pid, nullptr, 0);
  m_pid = -1;
}

httplib::Client RobotProcess::Client() const {
  httplib::Client client("127.0.0.1", m_port);
  client.set_read_timeout(60, 0);
  return client;
}

std::string FreshFolder(const std::string& name) {
  const fs::path folder =
      fs::temp_directory_path() / ("tarno-serve-" + std::to_string(getpid())) / name;
  fs::remove_all(folder);
  fs::create_directories(folder.parent_path());
  return folder.string();
}

std::string MadeLog(const std::string& call, int qsos, const std::string& extraHeader) {
  std::string log = "START-OF-LOG: 3.0\nCONTEST: TARNO\nCALLSIGN: " + call +
                    "\nCATEGORY-OPERATOR: SINGLE-OP\nCATEGORY-MODE: CW\n" + extraHeader;
  const char* kWorked[] = {"DL1ABC", "OK1AA", "HA1XY", "HG7AB", "W1AW", "SP9ZZ"};
  const char* kCounties[] = {"BP", "PE", "ZA", "HE", "GY", "FE"};
  for (int i = 0; i < qsos; ++i) {
    char line[160];
    const int minute = i % 60, hour = 12 + (i / 60) % 12;
    const bool home = i % 6 == 2 || i % 6 == 3;
    std::snprintf(line, sizeof line,
                  "QSO: %5d CW 2026-01-17 %02d%02d %-13s 599 BP     %-13s 599 %s\n",
                  i % 2 ? 7010 : 14025, hour, minute, call.c_str(), kWorked[i % 6],
                  home ? kCounties[i % 6] : std::to_string(i + 1).c_str());
    log += line;
  }
  return log + "END-OF-LOG:\n";
}

httplib::Result Upload(httplib::Client& client, const std::string& bytes,
                       const std::string& filename, const std::string& email) {
  const httplib::MultipartFormDataItems items = {{"log", bytes, filename, "text/plain"},
                                                 {"email", email, "", ""}};
  return client.Post("/upload", items);
}

std::string ElementText(const std::string& page, const std::string& id) {
  const size_t at = page.find("id=\"" + id + "\"");
  if (at == std::string::npos) return std::string();
  const size_t from = page.find('>', at) + 1;
  const size_t open = page.rfind('<', at);
  const std::string tag = page.substr(open + 1, page.find_first_of(" >", open) - open - 1);
  return page.substr(from, page.find("</" + tag + ">", from) - from);
}

SponsorLogin LogIn(httplib::Client& client, const std::string& password) {
  SponsorLogin login;
  auto form = client.Get("/sponsor");
  if (!form) return login;
  const std::string loginCookie = CookieOf(form, "tarno_login");
  httplib::Headers headers = {{"Cookie", loginCookie}};
  auto in = client.Post("/sponsor/login", headers,
                        httplib::Params{{"csrf", HiddenCsrf(form->body)}, {"password", password}});
  if (!in || in->status != 303) return login;
  login.cookie = CookieOf(in, "tarno_session");
  auto page = client.Get("/sponsor", {{"Cookie", login.cookie}});
  if (page && page->status == 200) login.csrf = HiddenCsrf(page->body);
  return login;
}

}  // namespace tarno::testing
