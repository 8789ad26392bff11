#ifndef TARNO_TOOLS_SERVE_ROBOT_PAGES_H_
#define TARNO_TOOLS_SERVE_ROBOT_PAGES_H_

// The robot's pages, built from plain values in the words of `words`, the reader's
// language; every value is escaped here, so a caller hands over text exactly as it came.
// Kept texts (findings, refusals, claimed scores, a check's reason) may be MessageLines
// (message_line.h), shown in the reader's language. `contest` is the contest's title and
// year, which every page shows. Every page links to itself in the other language. The ids
// are what the browser tests look for. Pure functions; any thread.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "catalogue/catalogue.h"
#include "serve/adjudication_pages.h"
#include "serve/mail_pages.h"
#include "serve/robot_store.h"

namespace tarno::score {

struct ContestDates {
  std::string start;  // as given on the command line; both empty when not given
  std::string end;
  bool hasDeadline = false;
  int64_t deadlineUnix = 0;
};

// "2026-01-17 12:34:56 UTC", the same in every language.
std::string UtcText(int64_t unixSeconds);

std::string HomePage(const Catalogue& words, const std::string& contest, const ContestDates& dates,
                     const std::vector<UploadRecord>& uploads, bool published);
// `report`: the entrant's report once the results are published, else empty.
// : the robot's public address for the receipt link ("https://logs.example.org"),
// or empty.
// `links`: the entrant's page and certificate in the published results, each empty where
// there is none.
struct ReceiptLinks {
  std::string page;         // "/results/HA5X.html"
  std::string certificate;  // "/results/certificates/HA5X.pdf"
};
std::string ReceiptPage(const Catalogue& words, const std::string& contest,
                        const UploadRecord& upload, const std::string& report, bool published,
                        const std::string& linkBase = std::string(),
                        const ReceiptLinks& links = ReceiptLinks());
std::string RefusalPage(const Catalogue& words, const std::string& contest,
                        const std::vector<std::string>& reasons);
// `heading` and `text` already in the reader's words; `here` the path the page answers.
std::string MessagePage(const Catalogue& words, const std::string& contest,
                        const std::string& heading, const std::string& text,
                        const std::string& here);

std::string LoginPage(const Catalogue& words, const std::string& contest, const std::string& csrf,
                      const std::string& message);
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
  std::string message;  // what the last action did, in the reader's words
  MailView mail;
  AdjudicationView adjudication;  // the rules, the review, the decisions, the wanted logs
};
std::string SponsorPage(const Catalogue& words, const std::string& contest,
                        const SponsorView& view);
// The results of `run`, a finished one, for the sponsor's eyes: the link to its page, every
// report, and a button that publishes them.
std::string PrivateResultsPage(const Catalogue& words, const std::string& contest,
                               const RunRecord& run,
                               const std::vector<std::pair<std::string, std::string>>& reports,
                               bool published, const std::string& csrf);

// A page of the robot's own look around `body`; `lang` its language's code ("en").
std::string RobotPage(const Catalogue& words, const std::string& contest, const std::string& title,
                      const std::string& here, const std::string& body);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_SERVE_ROBOT_PAGES_H_
