#ifndef TARNO_TOOLS_SERVE_SERVE_OPTIONS_H_
#define TARNO_TOOLS_SERVE_SERVE_OPTIONS_H_

// The command line of "tarno-score serve", the log robot.

#include <cstdint>
#include <string>
#include <vector>

namespace tarno::score {

extern const char kServeUsage[];

struct ServeOptions {
  bool help = false;
  std::string dataFolder = "robot";
  std::string host = "127.0.0.1";
  int port = 8080;  // 0: any free port
  // The contest period as given ("YYYY-MM-DD" or "YYYY-MM-DDTHH:MM", UTC), handed on to
  // the scoring and the cross-check; both empty when not given.
  std::string start;
  std::string end;
  bool hasDeadline = false;
  int64_t deadlineUnix = 0;  // the last second an upload is on time
  std::string deadlineText;
  // The contest's title and year, on every page: --title, else "TARNO" and the year of
  // --start when it is given.
  std::string title;
  bool titleGiven = false;  // --title: the checks take it too, else they name the contest
  // For the certificates the checks draw (--sponsor, --certificate-logo and -signature).
  std::string sponsor;
  std::string certificateLogo;
  std::string certificateSignature;
  std::string passwordFile;
  std::string countryFile;  // empty: the commands' own default
  std::string plugin;       // empty: beside the program
  // The contest's adjudication rules (--rules): read and checked once at the start, and
  // this text handed to every check, so that an edit of the file waits for a restart.
  std::string rulesFile;
  std::string rulesText;
  bool behindTls = false;          // the session cookie is then marked Secure
  int uploadLimit = 20;            // uploads per client address ...
  int uploadWindowSeconds = 600;   // ... in this many seconds
  int timeoutSeconds = 10;         // for the headers; and a client silent this long is dropped
  int requestSeconds = 120;        // for a request's body, and again for sending its answer
  int connections = 1000;          // open at once, in all
  int connectionsPerAddress = 16;  // open at once from one client address
  int threads = 16;                // requests handled at once
  int children = 0;                // scorings at once; 0: one per processor
  int scoringSeconds = 60;         // one log's scoring that takes longer is stopped
  int backupHours = 0;             // a backup of the database this often; 0: never
  // Mail (serve/mail_sender.h): none is sent, nor queued, without `smtpUrl`.
  std::string smtpUrl;           // "smtp://host[:port]" or "smtps://host[:port]"
  std::string smtpUser;          // with smtp://, STARTTLS is then required
  std::string smtpPasswordFile;  // its first line is the password
  std::string mailFrom;          // a checked address; required with --smtp
  std::string publicUrl;         // "https://logs.example.org", no trailing slash; may be empty
};

// False with the reason on a bad command line.
bool ParseServeOptions(const std::vector<std::string>& args, ServeOptions* options,
                       std::string* error);

// Seconds since 1970 of "YYYY-MM-DD" or "YYYY-MM-DDTHH:MM" (UTC); a date alone is its
// first second, or with `endOfDay` its last, and a time its first or last second alike.
bool ParseUtcMoment(const std::string& text, bool endOfDay, int64_t* unixSeconds);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_SERVE_SERVE_OPTIONS_H_
