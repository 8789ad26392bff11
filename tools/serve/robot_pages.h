#ifndef TARNO_TOOLS_SERVE_ROBOT_PAGES_H_
#define TARNO_TOOLS_SERVE_ROBOT_PAGES_H_

// The robot's pages, built from plain values; every value is escaped here, so a caller
// hands over text exactly as it came. The ids are what the browser tests look for.
// Pure functions; any thread.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "serve/mail_pages.h"
#include "serve/adjudication_pages.h"
#include "serve/robot_store.h"

namespace tarno::score {

struct ContestTexts {
  std::string period;    // "2026-01-17 to 2026-01-18 (UTC)", or that any date is taken
  std::string deadline;  // "2026-01-25 23:59:59 UTC", or that there is none
};

// "2026-01-17 12:34:56 UTC"
std::string UtcText(int64_t unixSeconds);

std::string HomePage(const ContestTexts& contest, const std::vector<UploadRecord>& uploads,
                     bool published);
// `report`: the entrant's report once the results are published, else empty. `linkBase`:
// the robot's public address for the receipt link ("https://logs.example.org"), or empty.
std::string ReceiptPage(const UploadRecord& upload, const std::string& report, bool published,
                        const std::string& linkBase = std::string());
std::string RefusalPage(const std::vector<std::string>& reasons);
std::string MessagePage(const std::string& title, const std::string& text);

std::string LoginPage(const std::string& csrf, const std::string& message);
struct SponsorView {
  std::vector<UploadRecord> uploads;
  bool hasRun = false;
  RunRecord run;  // the latest
  bool hasFinished = false;
  RunRecord finished;  // the latest that finished: the results to look at and publish
  bool running = false;
  int64_t publishedRun = 0;  // 0: nothing published
  int64_t nowUnix = 0;
  std::string csrf;
  std::string message;  // what the last action did
  MailView mail;
  AdjudicationView adjudication;  // the rules, the review, the decisions, the wanted logs
};
std::string SponsorPage(const SponsorView& view);
// The results of `run`, a finished one, for the sponsor's eyes: the link to its page, every
// report, and a button that publishes them.
std::string PrivateResultsPage(const RunRecord& run,
                               const std::vector<std::pair<std::string, std::string>>& reports,
                               bool published, const std::string& csrf);

// A page of the robot's own look around `body`; `lang` its language's code ("en").
std::string RobotPage(const std::string& title, const std::string& body, const char* lang);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_SERVE_ROBOT_PAGES_H_
