#ifndef TARNO_TOOLS_SERVE_SCORING_WORKER_H_
#define TARNO_TOOLS_SERVE_SCORING_WORKER_H_

// A scoring worker: this program as a long-lived child of the robot that loads the
// plug-in and the country file once and then scores one log after another for receipts
// (receipt_scoring.h). It reads requests from standard input and answers on descriptor 3,
// each one frame (worker_frame.h): a request is the own call and the log's bytes, an
// answer the fields of a ClaimedScore. It works in a scratch folder of its own, given on
// its command line, and ends when standard input closes.
//
//   tarno-score serve --scoring-worker --scratch FOLDER [--start DATE --end DATE]
//                     [--cty FILE] [--plugin FILE]

#include <string>
#include <vector>

namespace tarno::score {

extern const char kScoringWorkerCommand[];  // "--scoring-worker"

// The largest request a worker reads: the largest log the robot takes, and the call.
constexpr size_t kLargestScoringRequest = 11 * 1024 * 1024;
// The largest answer the robot reads.
constexpr size_t kLargestScoringAnswer = 1024 * 1024;

// Runs the worker on its arguments (those after kScoringWorkerCommand); the exit status:
// 0 once standard input closed, 1 when it could not start, 2 on a request that is garbage.
int ScoringWorkerMain(const std::vector<std::string>& args);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_SERVE_SCORING_WORKER_H_
