#ifndef TARNO_TESTS_SERVE_ROBOT_FIXTURE_H_
#define TARNO_TESTS_SERVE_ROBOT_FIXTURE_H_

// The robot as the world meets it: "tarno-score serve" started as a process on 127.0.0.1
// with a free port and a data folder of its own, and talked to through real HTTP.

#include <httplib.h>
#include <sys/types.h>

#include <string>
#include <vector>

namespace tarno::testing {

constexpr char kPassword[] = "correct horse battery";

class RobotProcess {
 public:
  RobotProcess() = default;
  ~RobotProcess();  // kills the robot if it still runs
  RobotProcess(const RobotProcess&) = delete;
  RobotProcess& operator=(const RobotProcess&) = delete;

  // Starts the robot on `dataFolder` (password kPassword, unless `extra` is empty and
  // `ownPassword` asks for the robot to keep or make its own) with `extra` options, and
  // waits for its "listening on" line; false when it never came.
  bool Start(const std::string& dataFolder, const std::vector<std::string>& extra = {},
             bool ownPassword = false);
  // The password the robot made and printed, if it did.
  const std::string& madePassword() const { return m_madePassword; }
  // SIGTERM and the exit status (-1 when it did not exit by itself).
  int Stop();
  // SIGKILL, the power cut.
  void Kill();

  int port() const { return m_port; }
  const std::string& dataFolder() const { return m_dataFolder; }
  pid_t pid() const { return m_pid; }
  httplib::Client Client() const;

 private:
  pid_t m_pid = -1;
  int m_port = 0;
  std::string m_madePassword;
  std::string m_dataFolder;
};

// A fresh, empty folder under the test's temporary folder.
std::string FreshFolder(const std::string& name);

// A made-up TARNO Cabrillo log of `qsos` QSO lines by `call`.
std::string MadeLog(const std::string& call, int qsos, const std::string& extraHeader = "");

// POSTs the bytes as the form's file field "log", with an e-mail address.
httplib::Result Upload(httplib::Client& client, const std::string& bytes,
                       const std::string& filename = "log.cbr",
                       const std::string& email = "op@example.org");

// The text of the element with this id ("<... id=\"ID\" ...>TEXT</...>"), tags left in.
std::string ElementText(const std::string& page, const std::string& id);

// "name=value" of a Set-Cookie header of the answer, without its attributes.
std::string CookieOf(const httplib::Result& res, const std::string& name);
// The value of the page's first hidden csrf field.
std::string HiddenCsrf(const std::string& page);

// Logs in as the sponsor; the session cookie and CSRF token, empty on failure.
struct SponsorLogin {
  std::string cookie;  // "tarno_session=..."
  std::string csrf;
};
SponsorLogin LogIn(httplib::Client& client, const std::string& password = kPassword);

}  // namespace tarno::testing

#endif  // TARNO_TESTS_SERVE_ROBOT_FIXTURE_H_
