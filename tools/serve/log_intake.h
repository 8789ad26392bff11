#ifndef TARNO_TOOLS_SERVE_LOG_INTAKE_H_
#define TARNO_TOOLS_SERVE_LOG_INTAKE_H_

// What the robot makes of one uploaded file before anything is stored: whether it is a
// TARNO log it can take, whose, what was read of it, and every problem `check` finds.
// Pure functions over the bytes, which can be anything a stranger sends; any thread.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarno::score {

// The refusal's reasons and the findings are MessageLines (message_line.h), kept as they are.
struct Intake {
  std::vector<std::string> refusal;   // why the upload is no log the robot takes; empty: taken
  std::string call;                   // upper case, when the log names a plausible one
  std::string kind;                   // "cbr" or "adi"
  std::string categories;             // the CATEGORY-... header lines, one a line
  int64_t linesRead = 0;              // QSO lines (records) read
  int64_t linesRefused = 0;           // QSO lines (records) that could not be read
  std::vector<std::string> findings;  // "line N: ..." (or "record N: ..."), in order
  std::string claimedInLog;           // the log's CLAIMED-SCORE:, as written
};

// Reads and checks the upload with the readers and the Cabrillo check the commands use.
Intake JudgeUpload(std::string_view bytes);

// Letters, digits and "/", with at least one letter and one digit, 3 to 20 long; any case.
bool IsPlausibleCall(std::string_view call);

// The text as a short quotation for a message: control and non-ASCII bytes as \xNN,
// cut after 40 bytes.
std::string Quoted(std::string_view text);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_SERVE_LOG_INTAKE_H_
