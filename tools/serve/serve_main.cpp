#include "serve/serve_main.h"

#include <curl/curl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <thread>

#include "logs/log_file.h"
#include "serve/adjudication_files.h"
#include "serve/backup_schedule.h"
#include "serve/check_runner.h"
#include "serve/child_process.h"
#include "serve/http_server.h"
#include "serve/mail_sender.h"
#include "serve/random_token.h"
#include "serve/robot_mail.h"
#include "serve/robot_pages.h"
#include "serve/robot_routes.h"
#include "serve/robot_store.h"
#include "serve/scoring_pool.h"
#include "serve/scoring_worker.h"
#include "serve/serve_options.h"
#include "serve/sponsor_auth.h"

namespace tarno::score {
namespace {

namespace fs = std::filesystem;

int Fail(const std::string& error) {
  std::fprintf(stderr, "tarno-score serve: %s\n", error.c_str());
  return 1;
}

// A fresh folder is set up, open to this user alone; scratch space a stop left behind is
// cleared.
bool PrepareFolder(const std::string& folder, std::string* error) {
  std::error_code failed;
  fs::create_directories(folder, failed);
  if (!fs::is_directory(folder, failed)) {
    *error = "cannot make the data folder " + folder;
    return false;
  }
  // The database holds the password's hash, live session tokens and every upload.
  fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace, failed);
  if (failed) {
    *error = "cannot keep the data folder " + folder + " to this user: " + failed.message();
    return false;
  }
  for (const char* scratch : {"scratch", "runs"})
    fs::remove_all(fs::path(folder) / scratch, failed);
  return true;
}

// The mail server's settings, its password read from its file; false with the reason.
bool SmtpOf(const ServeOptions& options, SmtpSettings* smtp, std::string* error) {
  smtp->url = options.smtpUrl;
  smtp->user = options.smtpUser;
  smtp->from = options.mailFrom;
  if (options.smtpPasswordFile.empty()) return true;
  if (!ReadRegularFile(options.smtpPasswordFile, &smtp->password, error)) return false;
  smtp->password = smtp->password.substr(0, smtp->password.find_first_of("\r\n"));
  if (smtp->password.empty()) {
    *error = "--smtp-password-file " + options.smtpPasswordFile + ": its first line is empty";
    return false;
  }
  return true;
}

int Processors() {
  const unsigned count = std::thread::hardware_concurrency();
  return count > 0 ? static_cast<int>(count) : 2;
}

// Every connection is a descriptor: the soft limit (often 1024) is raised to the hard one,
// and the connections are held below what is left after the robot's own files.
int ConnectionsAllowed(int wanted) {
  rlimit files{};
  if (getrlimit(RLIMIT_NOFILE, &files) != 0) return std::min(wanted, 900);
  if (files.rlim_cur < files.rlim_max) {
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);
    getrlimit(RLIMIT_NOFILE, &files);
  }
  const rlim_t room = files.rlim_cur > 128 ? files.rlim_cur - 100 : 28;
  return static_cast<int>(std::min<rlim_t>(static_cast<rlim_t>(wanted), room));
}

// Serves until SIGTERM or SIGINT, which a thread of its own waits for: the signals are
// blocked in every other thread, so no handler ever runs inside the server. A stop ends
// the scoring children first, so that the workers waiting on them are free at once.
int Serve(Robot& robot, HttpServer& server, const sigset_t& stopSignals) {
  const ServeOptions& options = robot.options;
  std::string error;
  const int port = server.Listen(options.host, options.port, &error);
  if (port <= 0) return Fail(error);
  std::atomic<bool> served{false};
  std::thread stopper([&robot, &server, &stopSignals, &served] {
    int signal = 0;
    sigwait(&stopSignals, &signal);
    if (!served.load()) robot.children.StopAll();
    server.Stop();
  });
  const std::string host =
      options.host.find(':') == std::string::npos ? options.host : "[" + options.host + "]";
  if (options.publicUrl.empty())
    robot.mail.SetLinkBase("http://" + host + ":" + std::to_string(port));
  std::printf("listening on http://%s:%d/\n", options.host.c_str(), port);
  std::fflush(stdout);
  const bool sound = server.Run();
  served.store(true);
  pthread_kill(stopper.native_handle(), SIGTERM);  // blocked: sigwait takes it
  stopper.join();
  robot.children.StopAll();
  return sound ? 0 : Fail("the server stopped on a failure");
}

}  // namespace

int ServeMain(const std::vector<std::string>& args) {
  if (!args.empty() && args[0] == kScoringWorkerCommand)
    return ScoringWorkerMain(std::vector<std::string>(args.begin() + 1, args.end()));
  ServeOptions options;
  std::string error;
  if (!ParseServeOptions(args, &options, &error)) {
    std::fprintf(stderr, "tarno-score serve: %s\n%s", error.c_str(), kServeUsage);
    return 2;
  }
  if (options.help) {
    std::fputs(kServeUsage, stdout);
    return 0;
  }
  // A mistake in the rules stops the start, as it would stop every check.
  if (!options.rulesFile.empty() &&
      !ReadContestRules(options.rulesFile, &options.rulesText, &error)) {
    std::fprintf(stderr, "tarno-score serve: %s\n", error.c_str());
    return 2;
  }
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  signal(SIGPIPE, SIG_IGN);  // a client that goes away must not end the robot
  // A file-size limit reached is a failed write, answered as a full disk is, not the end.
  signal(SIGXFSZ, SIG_IGN);

  if (!StartRandom()) return Fail("the random source (libsodium) cannot be started");
  if (!PrepareFolder(options.dataFolder, &error)) return Fail(error);
  RobotStore store;
  if (!store.Open((fs::path(options.dataFolder) / "robot.sqlite").string(), &error))
    return Fail(error);
  SponsorAuth auth(store, options.behindTls);
  std::string made;
  if (!auth.SetUpPassword(options.passwordFile, &made, &error)) return Fail(error);
  if (!made.empty()) std::printf("sponsor password: %s\n", made.c_str());
  const BackupSchedule backups(store, (fs::path(options.dataFolder) / "backups").string(),
                               options.backupHours);

  // Before any thread: the mail library's own set-up is not thread-safe.
  if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK)
    return Fail("the mail library (libcurl) cannot be started");
  SmtpSettings smtp;
  if (!options.smtpUrl.empty() && !SmtpOf(options, &smtp, &error)) return Fail(error);
  // Made before the server and ended after it: a request may still wake it.
  std::unique_ptr<MailSender> sender;
  if (!options.smtpUrl.empty()) sender = std::make_unique<MailSender>(store, smtp);
  RobotMail mail({options.mailFrom, options.publicUrl,
                  options.hasDeadline ? UtcText(options.deadlineUnix) : std::string()},
                 sender.get());

  const int atOnce = options.children > 0 ? options.children : Processors();
  ChildProcesses children(ThisProgram(), atOnce);
  int status = 0;
  {
    ScoringPool scoring(children, options, atOnce);
    CheckRunner checks(store, children, options);
    PublishedFiles published;
    UploadQuota quota(store, options.uploadLimit, options.uploadWindowSeconds);
    WantedLogs wanted;
    Robot robot{options, store, auth, children, scoring, checks, published, quota, mail, wanted};
    HttpLimits limits = LimitsOf(options);
    limits.connections = ConnectionsAllowed(limits.connections);
    HttpServer server(limits);
    SetUpRoutes(robot, &server);
    status = Serve(robot, server, stopSignals);
  }
  return status;
}

}  // namespace tarno::score
