#include "logs/cabrillo_reader.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "contest/ascii_text.h"
#include "logs/bands.h"
#include "logs/qso_line_layout.h"

namespace tarno::score {
namespace {

// Nearly every character of a line is printable: one comparison tells it from a blank.
bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' ' && IsAsciiBlank(c); }

// The blank-parted words of a line, added to `tokens`.
void AppendTokens(std::string_view line, std::vector<std::string_view>* tokens) {
  size_t at = 0;
  while (at < line.size()) {
    while (at < line.size() && IsBlank(line[at])) ++at;
    size_t end = at;
    while (end < line.size() && !IsBlank(line[end])) ++end;
    if (end > at) tokens->push_back(line.substr(at, end - at));
    at = end;
  }
}

bool AllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool TimeOf(std::string_view date, std::string_view time, double* days) {
  if (date.size() != 10 || date[4] != '-' || date[7] != '-' || time.size() != 4 ||
      !AllDigits(time) || !AllDigits(date.substr(0, 4)) || !AllDigits(date.substr(5, 2)) ||
      !AllDigits(date.substr(8, 2))) {
    return false;
  }
  // Checked to be digits above; a few of them, so no overflow.
  auto number = [](std::string_view digits) {
    int value = 0;
    for (char c : digits) value = value * 10 + (c - '0');
    return value;
  };
  return OleDaysOf(number(date.substr(0, 4)), number(date.substr(5, 2)), number(date.substr(8, 2)),
                   number(time.substr(0, 2)), number(time.substr(2, 2)), 0, days);
}

std::string ModeOf(std::string_view code) {
  // ContestMode upper-cases the code and changes none to these two.
  std::string mode = ContestMode(code);
  if (mode == "RY") return "RTTY";
  if (mode == "DG") return "DIGI";
  return mode;
}

// A log keeps its mode for line after line: the mode of a code the line before had is
// known without reading it again.
class RepeatedMode {
 public:
  const std::string& Of(std::string_view code) {
    if (!m_seen || code != m_code) {
      m_code.assign(code);
      m_mode = ModeOf(code);
      m_seen = true;
    }
    return m_mode;
  }

 private:
  bool m_seen = false;
  std::string m_code;
  std::string m_mode;
};

// The fields after the time: own call, reports, exchanges, calls. Empty when the line
// has too few fields to have any.
QsoFields FieldsAfterTime(const QsoFields& qso) {
  return qso.size() < 4 ? QsoFields() : QsoFields(qso.begin() + 4, qso.size() - 4);
}

// `t` are the fields after "QSO:". A line refused for a doubt about its fields still gets
// its reading, with `doubtful` set.
bool ToQso(const QsoFields& t, int line, const LogLayout& logLayout, RepeatedMode* modes,
           LogQso* qso, std::string* reason, bool* doubtful) {
  qso->source = line;
  if (t.size() < 4) {
    *reason = "a QSO line needs a frequency, mode, date and time before the calls";
    return false;
  }
  uint64_t freqHz = 0;
  if (!CabrilloBand(t[0], &qso->band, &freqHz)) {
    *reason = "frequency \"" + std::string(t[0]) + "\" is on no band";
    return false;
  }
  qso->freqHz = freqHz <= UINT32_MAX ? static_cast<uint32_t>(freqHz) : 0;
  qso->mode = modes->Of(t[1]);
  qso->hasTime = TimeOf(t[2], t[3], &qso->oleDays);
  if (!qso->hasTime) {
    *reason =
        "\"" + std::string(t[2]) + " " + std::string(t[3]) + "\" is not a valid date and time";
    return false;
  }
  const QsoFields rest = FieldsAfterTime(t);
  QsoLayout found;
  if (!LayoutOfLine(rest, logLayout, &found, reason, doubtful) && !*doubtful) return false;
  auto at = [&](int index) { return FieldAt(rest, index); };
  qso->stationCall = UpperAscii(at(found.myCall));
  qso->rstSent.assign(at(found.rstSent));
  qso->exchSent.assign(at(found.exchSent));
  qso->call = UpperAscii(at(found.call));
  qso->rstRcvd.assign(at(found.rstRcvd));
  qso->exchRcvd.assign(at(found.exchRcvd));
  qso->exchSentField = "QSO line";
  qso->exchRcvdField = "QSO line";
  return !*doubtful;
}

bool IsTagCharacter(char c) { return IsLetter(c) || IsDigit(c) || c == '-'; }

// "TAG: value", with or without blanks after the colon, and blanks before the tag. The
// tag comes upper-cased; false for a line that does not start with one.
bool SplitTag(std::string_view line, std::string* tag, std::string_view* value) {
  size_t at = 0;
  while (at < line.size() && IsAsciiBlank(line[at])) ++at;
  size_t end = at;
  while (end < line.size() && IsTagCharacter(line[end])) ++end;
  if (end == at || end == line.size() || line[end] != ':') return false;
  *tag = UpperAscii(line.substr(at, end - at));
  *value = line.substr(end + 1);
  return true;
}

// Calls `visit(lineNumber, line)` for every line; lines end at LF (a CR before it is a
// blank to the readers).
template <typename Visit>
void ForEachLine(std::string_view text, Visit visit) {
  int lineNumber = 0;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    visit(++lineNumber, text.substr(at, end - at));
    at = end + 1;
  }
}

void ReadHeaderLine(const std::string& tag, std::string_view value, int lineNumber, ReadLog* log) {
  std::vector<std::string_view> words;
  AppendTokens(value, &words);
  const std::string first = words.empty() ? std::string() : std::string(words[0]);
  if (tag == "CALLSIGN") log->ownCall = UpperAscii(first);
  if (tag == "CONTEST") log->contest = first;
  if (tag == "CLAIMED-SCORE") log->claimedScore = first;
  if (tag == "X-QSO") log->notes.push_back({lineNumber, "an X-QSO line is not scored"});
}

}  // namespace

ReadLog ReadCabrillo(std::string_view text) {
  ReadLog log;
  LayoutVote vote;
  std::string tag;
  std::string_view value;
  // The words of every QSO line, one line after another: split once, they serve both the
  // vote on the log's layout and the reading that needs its outcome.
  struct QsoLine {
    int number;
    size_t firstWord;
    size_t wordCount;
  };
  std::vector<std::string_view> words;
  std::vector<QsoLine> qsoLines;
  // A QSO line is some 80 bytes of about ten words: room for nearly every log's words at
  // once, where growing by doubling would move them all several times.
  words.reserve(text.size() / 8 + 16);
  qsoLines.reserve(text.size() / 80 + 4);
  ForEachLine(text, [&](int lineNumber, std::string_view line) {
    if (!SplitTag(line, &tag, &value)) return;
    if (tag == "QSO") {
      const size_t first = words.size();
      AppendTokens(value, &words);
      qsoLines.push_back({lineNumber, first, words.size() - first});
      vote.Count(FieldsAfterTime(QsoFields(words.data() + first, words.size() - first)));
    } else {
      ReadHeaderLine(tag, value, lineNumber, &log);
    }
  });
  const LogLayout logLayout = vote.Chosen();
  log.qsos.reserve(qsoLines.size());
  RepeatedMode modes;
  for (const QsoLine& line : qsoLines) {
    ++log.recordsFound;
    // Read where it is kept: a QSO is a dozen texts, each moved otherwise.
    LogQso& qso = log.qsos.emplace_back();
    std::string reason;
    bool doubtful = false;
    if (!ToQso(QsoFields(words.data() + line.firstWord, line.wordCount), line.number, logLayout,
               &modes, &qso, &reason, &doubtful)) {
      log.skipped.push_back({line.number, reason});
      if (doubtful) log.refusedReadings.push_back(std::move(qso));
      log.qsos.pop_back();
    }
  }
  return log;
}

}  // namespace tarno::score
