#include "serve/claimed_score.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "contest/ascii_text.h"
#include "logs/log_file.h"
#include "serve/random_token.h"

namespace tarno::score {
namespace {

namespace fs = std::filesystem;

constexpr int kScoringSeconds = 120;

// The last line of the child's output that says why it failed.
std::string Why(const ChildResult& result) {
  if (!result.started) return "not scored: the scoring could not be started";
  if (result.timedOut) return "not scored: the scoring took too long";
  std::string why;
  for (size_t from = 0; from < result.output.size();) {
    size_t to = result.output.find('\n', from);
    if (to == std::string::npos) to = result.output.size();
    const std::string line(TrimAscii(std::string_view(result.output).substr(from, to - from)));
    if (line.rfind("tarno-score: ", 0) == 0) why = line.substr(13);
    from = to + 1;
  }
  return "not scored: " + (why.empty() ? "the scoring failed" : why);
}

}  // namespace

ClaimedScore ScoreUpload(ChildProcesses& children, const ServeOptions& options,
                         const std::string& bytes, const std::string& kind,
                         const std::string& call) {
  ClaimedScore claimed;
  const fs::path scratch = fs::path(options.dataFolder) / "scratch" / RandomHex(12);
  std::error_code made;
  fs::create_directories(scratch, made);
  const std::string log = (scratch / ("log." + kind)).string();
  if (made || !WriteWholeFile(log, bytes)) {
    claimed.score = "not scored: no room for the scoring in the data folder";
    fs::remove_all(scratch, made);
    return claimed;
  }
  std::vector<std::string> args = {"--dir", scratch.string(), "--own-call", call};
  if (!options.start.empty())
    args.insert(args.end(), {"--start", options.start, "--end", options.end});
  if (!options.countryFile.empty()) args.insert(args.end(), {"--cty", options.countryFile});
  if (!options.plugin.empty()) args.insert(args.end(), {"--plugin", options.plugin});
  args.push_back(log);
  const ChildResult result = children.Run(args, (scratch / "output.txt").string(), kScoringSeconds);
  std::string sheet, error;
  if (result.started && !result.timedOut &&
      ReadRegularFile((scratch / "summary.txt").string(), &sheet, &error)) {
    sheet.erase(std::remove(sheet.begin(), sheet.end(), '\r'), sheet.end());
    claimed.sheet = sheet;
    const size_t equals = sheet.rfind('=');
    const size_t score = sheet.rfind("Score:");
    if (score != std::string::npos && equals != std::string::npos && equals > score) {
      claimed.scored = true;
      claimed.score = std::string(TrimAscii(std::string_view(sheet).substr(equals + 1)));
    }
  }
  if (!claimed.scored) claimed.score = Why(result);
  fs::remove_all(scratch, made);
  return claimed;
}

}  // namespace tarno::score
