#include "serve/worker_frame.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace tarno::score {
namespace {

using Clock = std::chrono::steady_clock;

void PutLength(uint32_t length, std::string* out) {
  for (int shift = 0; shift < 32; shift += 8) out->push_back(static_cast<char>(length >> shift));
}

uint32_t LengthAt(const std::string& bytes, size_t at) {
  uint32_t length = 0;
  for (int i = 3; i >= 0; --i)
    length = (length << 8) | static_cast<unsigned char>(bytes[at + static_cast<size_t>(i)]);
  return length;
}

// Waits until `fd` is ready for `events`; false when the deadline passed first.
bool Ready(int fd, short events, Clock::time_point deadline) {
  for (;;) {
    int waitMs = -1;
    if (deadline != kNoDeadline) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) return false;
      waitMs = left > 60000 ? 60000 : static_cast<int>(left);
    }
    pollfd ask{fd, events, 0};
    const int ready = poll(&ask, 1, waitMs);
    if (ready > 0) return true;  // an error or a hang-up shows in the read or write itself
    if (ready < 0 && errno != EINTR) return true;
  }
}

FrameStatus ReadExactly(int fd, char* to, size_t bytes, Clock::time_point deadline) {
  for (size_t done = 0; done < bytes;) {
    if (!Ready(fd, POLLIN, deadline)) return FrameStatus::kTimedOut;
    const ssize_t got = read(fd, to + done, bytes - done);
    if (got == 0) return FrameStatus::kEnded;
    if (got < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      return FrameStatus::kFailed;
    }
    done += static_cast<size_t>(got);
  }
  return FrameStatus::kOk;
}

FrameStatus WriteExactly(int fd, const std::string& bytes, Clock::time_point deadline) {
  for (size_t done = 0; done < bytes.size();) {
    if (!Ready(fd, POLLOUT, deadline)) return FrameStatus::kTimedOut;
    const ssize_t put = write(fd, bytes.data() + done, bytes.size() - done);
    if (put < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      return errno == EPIPE ? FrameStatus::kEnded : FrameStatus::kFailed;
    }
    done += static_cast<size_t>(put);
  }
  return FrameStatus::kOk;
}

}  // namespace

std::string EncodeFields(const Fields& fields) {
  std::string out;
  for (const std::string& field : fields) {
    PutLength(static_cast<uint32_t>(field.size()), &out);
    out += field;
  }
  return out;
}

bool DecodeFields(const std::string& bytes, Fields* fields) {
  fields->clear();
  for (size_t at = 0; at < bytes.size();) {
    if (bytes.size() - at < 4) return false;
    const uint32_t length = LengthAt(bytes, at);
    at += 4;
    if (length > bytes.size() - at) return false;
    fields->push_back(bytes.substr(at, length));
    at += length;
  }
  return true;
}

FrameStatus WriteFrame(int fd, const std::string& payload, Clock::time_point deadline) {
  if (payload.size() > UINT32_MAX) return FrameStatus::kFailed;
  std::string head;
  PutLength(static_cast<uint32_t>(payload.size()), &head);
  const FrameStatus status = WriteExactly(fd, head, deadline);
  return status == FrameStatus::kOk ? WriteExactly(fd, payload, deadline) : status;
}

FrameStatus ReadFrame(int fd, size_t largestBytes, Clock::time_point deadline,
                      std::string* payload) {
  std::string head(4, '\0');
  FrameStatus status = ReadExactly(fd, head.data(), 4, deadline);
  if (status != FrameStatus::kOk) return status;
  const uint32_t length = LengthAt(head, 0);
  if (length > largestBytes) return FrameStatus::kGarbage;
  payload->assign(length, '\0');
  return ReadExactly(fd, payload->data(), length, deadline);
}

}  // namespace tarno::score
