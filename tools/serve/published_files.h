#ifndef TARNO_TOOLS_SERVE_PUBLISHED_FILES_H_
#define TARNO_TOOLS_SERVE_PUBLISHED_FILES_H_

// Which files of a cross-check run the public may fetch: those its results page links to,
// and those the pages it links to link to, and so on; nothing else of the run (the
// sponsor's review, the check's own output) is ever served under /results/. Names are the
// run's file names ("HA1AA.html", "hu/results.html"), never paths on a disk.

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>

namespace tarno::score {

// A run file's bytes, or nothing.
using Fetch = std::function<std::optional<std::string>(const std::string&)>;

// The files of `names` reachable from `start` by relative links (href="..."); `fetch`
// reads a page. Links to other sites, absolute paths, and names that climb out of the run
// ("../x") are not followed.
std::set<std::string> LinkedFiles(const std::string& start, const std::set<std::string>& names,
                                  const Fetch& fetch);

// "text/html; charset=utf-8" for a .html name, text/plain for a report, and so on.
std::string ContentTypeOf(const std::string& name);

// The linked files of each published run, worked out once per run. Thread-safe.
class PublishedFiles {
 public:
  // Whether the public may fetch `name` of `run`; the first call for a run lists its files
  // through `names` and reads its pages through `fetch`.
  bool Allowed(int64_t run, const std::string& name,
               const std::function<std::set<std::string>()>& names, const Fetch& fetch);

 private:
  std::mutex m_mutex;
  std::map<int64_t, std::set<std::string>> m_runs;
};

}  // namespace tarno::score

#endif  // TARNO_TOOLS_SERVE_PUBLISHED_FILES_H_
