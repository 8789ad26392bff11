#ifndef TARNO_TOOLS_CROSSCHECK_LOG_LOADING_H_
#define TARNO_TOOLS_CROSSCHECK_LOG_LOADING_H_

// Reading the received logs into a ContestSet through the same readers tarno-score
// uses. A file that cannot be used is reported in ContestSet::problems and left out;
// loading never stops for one.

#include <string>
#include <string_view>
#include <vector>

#include "crosscheck/contest_set.h"
#include "replay/progress.h"

namespace tarno::score {

// Whether an entrant's own call looks like a call: letters, digits and "/", at least one
// letter and one digit, at most kLongestCall characters. The call names the entrant's
// report file and stands in every page and file the sponsor publishes, so markup, a path
// or blanks never pass.
constexpr size_t kLongestCall = 20;
bool IsCallShaped(std::string_view call);

// The files to read: each path that names a file, and the regular files of each path that
// names a folder and of its sub-folders (sponsors sort logs by category), by path; hidden
// files and folders, `outFolder` where it lies inside, and the files the cross-check
// writes into `outFolder` (an absolute path), wherever it is, are passed over. A path that
// is neither file nor folder is a problem.
std::vector<std::string> ListLogFiles(const std::vector<std::string>& paths,
                                      std::vector<FileProblem>* problems,
                                      const std::string& outFolder = std::string());

// Reads and parses `files` on `threads` threads (files are independent; only storing a
// parsed log takes a lock), then settles which log of a call is used: the one sent last
// (the newest modification time; of equal times, the file named later), the others named
// in its setAside and in the problems. Fills set->logOfCall.
void LoadContestSet(const std::vector<std::string>& files, int threads, Progress* progress,
                    ContestSet* set);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_LOG_LOADING_H_
