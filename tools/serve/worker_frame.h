#ifndef TARNO_TOOLS_SERVE_WORKER_FRAME_H_
#define TARNO_TOOLS_SERVE_WORKER_FRAME_H_

// The robot and its scoring workers talk over two pipes in frames: a frame is its length
// (4 bytes, least significant first) and that many bytes; the bytes are fields, each its
// own length and bytes alike. A frame longer than the reader allows, or fields that do not
// fill it exactly, are garbage: the other side is not to be trusted any further.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tarno::score {

using Fields = std::vector<std::string>;

std::string EncodeFields(const Fields& fields);
// False when `bytes` are not fields as EncodeFields writes them.
bool DecodeFields(const std::string& bytes, Fields* fields);

enum class FrameStatus { kOk, kEnded, kTimedOut, kGarbage, kFailed };

// Writes one frame of `payload` to `fd`, waiting at most until `deadline` for the other
// side to take it. kEnded when the other side has closed its end.
FrameStatus WriteFrame(int fd, const std::string& payload,
                       std::chrono::steady_clock::time_point deadline);

// Reads one frame from `fd` into `payload`; kGarbage for a frame over `largestBytes`,
// kEnded when the other side closed its end before a whole frame came.
FrameStatus ReadFrame(int fd, size_t largestBytes, std::chrono::steady_clock::time_point deadline,
                      std::string* payload);

// For a side that waits as long as it takes.
constexpr std::chrono::steady_clock::time_point kNoDeadline =
    std::chrono::steady_clock::time_point::max();

}  // namespace tarno::score

#endif  // TARNO_TOOLS_SERVE_WORKER_FRAME_H_
