#include "logs/cabrillo_reader.h"

#include <array>
#include <cstdint>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "contest/ascii_text.h"
#include "logs/bands.h"

namespace tarno::score {
namespace {

// The blank-parted words of a line, into `tokens` (kept from line to line, so that reading
// a line allocates nothing).
void Tokens(std::string_view line, std::vector<std::string_view>* tokens) {
  tokens->clear();
  size_t at = 0;
  while (at < line.size()) {
    while (at < line.size() && IsAsciiBlank(line[at])) ++at;
    size_t end = at;
    while (end < line.size() && !IsAsciiBlank(line[end])) ++end;
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

// A call sign: letters and digits, "/" between its parts, at least one of each.
bool IsCallShape(std::string_view text) {
  if (text.size() < 3 || text.size() > 20) return false;
  bool letter = false;
  bool digit = false;
  for (char c : text) {
    if (IsLetter(c)) {
      letter = true;
    } else if (IsDigit(c)) {
      digit = true;
    } else if (c != '/') {
      return false;
    }
  }
  return letter && digit;
}

// A signal report: readability 1-5 and strength 1-9 ("59"), with a tone for CW ("599");
// "N" stands for 9 as CW operators send it ("5NN").
bool IsReportShape(std::string_view text) {
  if (text.size() < 2 || text.size() > 3 || text[0] < '1' || text[0] > '5') return false;
  for (char c : text.substr(1)) {
    if (!((c >= '1' && c <= '9') || c == 'N' || c == 'n')) return false;
  }
  return true;
}

bool IsExchangeShape(std::string_view text) { return !text.empty() && !IsCallShape(text); }

// The reports contesters actually send. Where a layout has no report on one side, such a
// text in the exchange's place is more likely a report whose exchange is missing than a
// serial number, so the line is not guessed at.
bool IsCustomaryReport(std::string_view text) {
  const std::string upper = UpperAscii(text);
  return upper == "59" || upper == "599" || upper == "5NN";
}

bool IsTransmitter(std::string_view text) { return text == "0" || text == "1"; }

// Where each part of a QSO line stands after the time, -1 where the layout has none.
struct Layout {
  int myCall, rstSent, exchSent, call, rstRcvd, exchRcvd, transmitter;
  const char* name;
};
const Layout kLayouts[] = {
    {0, -1, 1, 2, -1, 3, -1, "no reports"},
    {0, -1, 1, 2, -1, 3, 4, "no reports, transmitter"},
    {0, 1, 2, 3, -1, 4, -1, "no received report"},
    {0, -1, 1, 2, 3, 4, -1, "no sent report"},
    {0, 1, 2, 3, 4, 5, -1, "reports"},
    {0, 1, 2, 3, 4, 5, 6, "reports, transmitter"},
};
constexpr int kLayoutCount = static_cast<int>(std::size(kLayouts));
constexpr int kNoLayout = -1;

// Some of a line's words, in place.
class Fields {
 public:
  Fields() = default;
  Fields(const std::string_view* first, size_t count) : m_first(first), m_count(count) {}
  size_t size() const { return m_count; }
  bool empty() const { return m_count == 0; }
  std::string_view operator[](size_t index) const { return m_first[index]; }
  const std::string_view* begin() const { return m_first; }
  const std::string_view* end() const { return m_first + m_count; }

 private:
  const std::string_view* m_first = nullptr;
  size_t m_count = 0;
};

std::string_view At(const Fields& rest, int index) {
  return index < 0 ? std::string_view() : rest[static_cast<size_t>(index)];
}

int FieldCount(const Layout& layout) {
  return layout.transmitter >= 0 ? layout.transmitter + 1 : layout.exchRcvd + 1;
}

// The columns a log keeps the same from line to line: how many there are, the own call,
// the reports and the transmitter number.
bool FitsColumns(const Layout& layout, const Fields& rest) {
  return static_cast<int>(rest.size()) == FieldCount(layout) &&
         IsCallShape(At(rest, layout.myCall)) &&
         (layout.rstSent < 0 || IsReportShape(At(rest, layout.rstSent))) &&
         (layout.rstRcvd < 0 || IsReportShape(At(rest, layout.rstRcvd))) &&
         (layout.transmitter < 0 || IsTransmitter(At(rest, layout.transmitter)));
}

// Every field has the shape of what the layout puts there.
bool FitsStrictly(const Layout& layout, const Fields& rest) {
  return FitsColumns(layout, rest) && IsCallShape(At(rest, layout.call)) &&
         IsExchangeShape(At(rest, layout.exchSent)) && IsExchangeShape(At(rest, layout.exchRcvd));
}

// Where a side has no report, its exchange must not be one: the line may as well have lost
// its exchange. Returns the exchange that may be a report, or an empty text.
std::string_view ReportInExchange(const Layout& layout, const Fields& rest) {
  for (const auto& [report, exchange] :
       {std::pair{layout.rstSent, layout.exchSent}, std::pair{layout.rstRcvd, layout.exchRcvd}}) {
    if (report < 0 && IsCustomaryReport(At(rest, exchange))) return At(rest, exchange);
  }
  return {};
}

bool HasLetter(std::string_view text) {
  for (char c : text) {
    if (IsLetter(c)) return true;
  }
  return false;
}

// A line whose columns are the log's, read by them: the worked call as copied, however
// busted (DLOWX), and the exchanges as they are, for the plug-in to judge (BP1). A call
// without a letter, or that reads as a report, is more likely a field out of place.
bool FitsLogsColumns(const Layout& layout, const Fields& rest) {
  if (!FitsColumns(layout, rest)) return false;
  const std::string_view call = At(rest, layout.call);
  return HasLetter(call) && !IsReportShape(call) && ReportInExchange(layout, rest).empty();
}

unsigned Bit(int layout) { return 1u << layout; }

int OnlyOne(unsigned layouts) {
  for (int i = 0; i < kLayoutCount; ++i) {
    if (layouts == Bit(i)) return i;
  }
  return kNoLayout;
}

// The layouts the line fits field by field. Of two readings, one that puts a customary
// report where an exchange stands is no reading ("HA5TST BP OK1AA 599 1" has a received
// report and serial 1, not exchange 599 and transmitter 1); when every reading does so,
// they are all kept, for the line to be refused with that reason.
unsigned StrictFits(const Fields& rest) {
  unsigned fits = 0;
  unsigned withoutReportInExchange = 0;
  for (int i = 0; i < kLayoutCount; ++i) {
    if (!FitsStrictly(kLayouts[i], rest)) continue;
    fits |= Bit(i);
    if (ReportInExchange(kLayouts[i], rest).empty()) withoutReportInExchange |= Bit(i);
  }
  return withoutReportInExchange != 0 ? withoutReportInExchange : fits;
}

unsigned ColumnFits(const Fields& rest) {
  unsigned fits = 0;
  for (int i = 0; i < kLayoutCount; ++i) {
    if (FitsLogsColumns(kLayouts[i], rest)) fits |= Bit(i);
  }
  return fits;
}

// The log's layout, and where it is written in columns (as this module writes it, each
// field padded to its width), the character each field starts at, counted from the own
// call's; empty for a log written otherwise.
struct LogLayout {
  int layout = kNoLayout;
  std::vector<size_t> starts;
};

// The layout of the log as a whole: the one most of its lines are read by. A line that
// fits one layout by the shape of every field votes for it; only when no line does, the
// lines that fit one layout by their columns alone vote.
class LayoutVote {
 public:
  void Count(const Fields& rest) {
    const unsigned fits = StrictFits(rest);
    const int strict = OnlyOne(fits);
    if (strict != kNoLayout) {
      if (!ReportInExchange(kLayouts[strict], rest).empty()) return;
      ++m_strict[strict];
      CountStarts(strict, rest);
      return;
    }
    if (fits != 0) return;
    const int byColumns = OnlyOne(ColumnFits(rest));
    if (byColumns != kNoLayout) ++m_byColumns[byColumns];
  }

  LogLayout Chosen() const {
    LogLayout chosen;
    chosen.layout = Leader(m_strict);
    if (chosen.layout == kNoLayout && Total(m_strict) == 0) chosen.layout = Leader(m_byColumns);
    if (chosen.layout == kNoLayout) return chosen;
    // Columns a log keeps line by line are the most common starts, held by half its lines.
    size_t most = 0;
    for (const CountedStarts& seen : m_starts[chosen.layout]) {
      if (seen.lines > most) {
        most = seen.lines;
        const size_t fields = static_cast<size_t>(FieldCount(kLayouts[chosen.layout]));
        chosen.starts.assign(seen.starts.begin(), seen.starts.begin() + fields);
      }
    }
    if (most * 2 < m_strict[chosen.layout]) chosen.starts.clear();
    return chosen;
  }

 private:
  // Few distinct starts in a log written in columns; a free-form log stops being counted.
  static constexpr size_t kStartsKept = 64;

  using Starts = std::array<size_t, 7>;  // a layout has seven fields at most
  struct CountedStarts {
    Starts starts;
    size_t lines;
  };

  void CountStarts(int layout, const Fields& rest) {
    Starts starts{};
    for (size_t i = 0; i < rest.size(); ++i) starts[i] = rest[i].data() - rest[0].data();
    std::vector<CountedStarts>& counted = m_starts[layout];
    for (CountedStarts& seen : counted) {
      if (seen.starts == starts) {
        ++seen.lines;
        return;
      }
    }
    if (counted.size() < kStartsKept) counted.push_back({starts, 1});
  }

  static size_t Total(const size_t (&votes)[kLayoutCount]) {
    size_t total = 0;
    for (size_t count : votes) total += count;
    return total;
  }
  // The layout with the most votes; none on a tie or without votes.
  static int Leader(const size_t (&votes)[kLayoutCount]) {
    int leader = kNoLayout;
    bool tie = false;
    for (int i = 0; i < kLayoutCount; ++i) {
      if (votes[i] == 0) continue;
      if (leader == kNoLayout || votes[i] > votes[leader]) {
        leader = i;
        tie = false;
      } else if (votes[i] == votes[leader]) {
        tie = true;
      }
    }
    return tie ? kNoLayout : leader;
  }

  size_t m_strict[kLayoutCount] = {};
  size_t m_byColumns[kLayoutCount] = {};
  std::vector<CountedStarts> m_starts[kLayoutCount];
};

std::string Joined(const Fields& parts) {
  std::string text;
  for (std::string_view part : parts) text += (text.empty() ? "" : " ") + std::string(part);
  return text;
}

int* Member(Layout* layout, int member) {
  int* const members[] = {&layout->myCall,  &layout->rstSent,  &layout->exchSent,   &layout->call,
                          &layout->rstRcvd, &layout->exchRcvd, &layout->transmitter};
  return members[member];
}

// Which part of a QSO (own call, sent report, ... transmitter: 0 to 6) the layout puts in
// its column-th field; -1 past its last.
int MemberOfColumn(Layout layout, int column) {
  int seen = 0;
  for (int member = 0; member < 7; ++member) {
    if (*Member(&layout, member) >= 0 && seen++ == column) return member;
  }
  return -1;
}

// A line of a log written in columns, read by where its fields start: a report left empty
// leaves its column blank (the module writes "599 BP     HA1XY         " + "    " + "001").
// False where two fields share a column or a field is out of shape.
bool ArrangeByColumns(const Fields& rest, const LogLayout& log, Layout* arranged) {
  if (log.starts.empty() || rest.empty()) return false;
  *arranged = {-1, -1, -1, -1, -1, -1, -1, kLayouts[log.layout].name};
  int lastColumn = -1;
  for (size_t i = 0; i < rest.size(); ++i) {
    const size_t start = rest[i].data() - rest[0].data();
    int column = 0;
    while (column + 1 < static_cast<int>(log.starts.size()) && log.starts[column + 1] <= start)
      ++column;
    const int member = MemberOfColumn(kLayouts[log.layout], column);
    if (column == lastColumn || member < 0) return false;
    lastColumn = column;
    *Member(arranged, member) = static_cast<int>(i);
  }
  const Layout& a = *arranged;
  return a.myCall == 0 && a.exchSent >= 0 && a.call >= 0 && a.exchRcvd >= 0 &&
         IsCallShape(At(rest, a.myCall)) && HasLetter(At(rest, a.call)) &&
         !IsReportShape(At(rest, a.call)) &&
         (a.rstSent < 0 || IsReportShape(At(rest, a.rstSent))) &&
         (a.rstRcvd < 0 || IsReportShape(At(rest, a.rstRcvd))) &&
         (a.transmitter < 0 || IsTransmitter(At(rest, a.transmitter)));
}

// The layout a line is read by; false with the reason. Field by field first: the log's
// layout where the line fits it; in a log written in columns, the columns its fields
// stand in; else the one layout the line fits (a logger leaves out a report it has not
// got). Then by the columns of own call, reports and transmitter alone, the log's first,
// so that a busted call or an odd exchange is read where it stands.
bool LayoutOfLine(const Fields& rest, const LogLayout& log, Layout* found, std::string* reason) {
  const unsigned strict = StrictFits(rest);
  const unsigned byColumns = strict == 0 ? ColumnFits(rest) : 0;
  const int logLayout = log.layout;
  if (logLayout != kNoLayout && (strict & Bit(logLayout))) {
    *found = kLayouts[logLayout];
  } else if (logLayout != kNoLayout && ArrangeByColumns(rest, log, found)) {
    return true;
  } else if (OnlyOne(strict) != kNoLayout) {
    *found = kLayouts[OnlyOne(strict)];
  } else if (strict != 0) {
    *reason = "\"" + Joined(rest) + "\" fits more than one layout; which report is missing is " +
              "not clear";
    return false;
  } else if (logLayout != kNoLayout && (byColumns & Bit(logLayout))) {
    *found = kLayouts[logLayout];
  } else if (OnlyOne(byColumns) != kNoLayout) {
    *found = kLayouts[OnlyOne(byColumns)];
  } else {
    *reason =
        "\"" + Joined(rest) + "\" is not own call, [report,] exchange, call, [report,] exchange";
    return false;
  }
  const std::string_view report = ReportInExchange(*found, rest);
  if (!report.empty()) {
    *reason = "\"" + Joined(rest) + "\": \"" + std::string(report) +
              "\" may be a report whose exchange is missing";
    return false;
  }
  return true;
}

bool TimeOf(std::string_view date, std::string_view time, double* days) {
  if (date.size() != 10 || date[4] != '-' || date[7] != '-' || time.size() != 4 ||
      !AllDigits(time) || !AllDigits(date.substr(0, 4)) || !AllDigits(date.substr(5, 2)) ||
      !AllDigits(date.substr(8, 2))) {
    return false;
  }
  auto number = [](std::string_view digits) { return std::stoi(std::string(digits)); };
  return OleDaysOf(number(date.substr(0, 4)), number(date.substr(5, 2)), number(date.substr(8, 2)),
                   number(time.substr(0, 2)), number(time.substr(2, 2)), 0, days);
}

std::string ModeOf(std::string_view code) {
  const std::string upper = UpperAscii(code);
  if (upper == "RY") return "RTTY";
  if (upper == "DG") return "DIGI";
  return ContestMode(upper);
}

// The fields after the time: own call, reports, exchanges, calls. Empty when the line
// has too few fields to have any.
Fields FieldsAfterTime(const Fields& qso) {
  return qso.size() < 4 ? Fields() : Fields(qso.begin() + 4, qso.size() - 4);
}

// `t` are the fields after "QSO:".
bool ToQso(const Fields& t, int line, const LogLayout& logLayout, LogQso* qso,
           std::string* reason) {
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
  qso->mode = ModeOf(t[1]);
  qso->hasTime = TimeOf(t[2], t[3], &qso->oleDays);
  if (!qso->hasTime) {
    *reason =
        "\"" + std::string(t[2]) + " " + std::string(t[3]) + "\" is not a valid date and time";
    return false;
  }
  const Fields rest = FieldsAfterTime(t);
  Layout found;
  if (!LayoutOfLine(rest, logLayout, &found, reason)) return false;
  auto at = [&](int index) { return std::string(At(rest, index)); };
  qso->stationCall = UpperAscii(at(found.myCall));
  qso->rstSent = at(found.rstSent);
  qso->exchSent = at(found.exchSent);
  qso->call = UpperAscii(at(found.call));
  qso->rstRcvd = at(found.rstRcvd);
  qso->exchRcvd = at(found.exchRcvd);
  qso->exchSentField = "QSO line";
  qso->exchRcvdField = "QSO line";
  return true;
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
  Tokens(value, &words);
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
  std::vector<std::string_view> tokens;
  // The first pass reads the header and finds the log's layout, which the second needs.
  ForEachLine(text, [&](int lineNumber, std::string_view line) {
    if (!SplitTag(line, &tag, &value)) return;
    if (tag == "QSO") {
      Tokens(value, &tokens);
      vote.Count(FieldsAfterTime(Fields(tokens.data(), tokens.size())));
    } else {
      ReadHeaderLine(tag, value, lineNumber, &log);
    }
  });
  const LogLayout logLayout = vote.Chosen();
  ForEachLine(text, [&](int lineNumber, std::string_view line) {
    if (!SplitTag(line, &tag, &value) || tag != "QSO") return;
    ++log.recordsFound;
    LogQso qso;
    std::string reason;
    Tokens(value, &tokens);
    if (ToQso(Fields(tokens.data(), tokens.size()), lineNumber, logLayout, &qso, &reason)) {
      log.qsos.push_back(std::move(qso));
    } else {
      log.skipped.push_back({lineNumber, reason});
    }
  });
  return log;
}

}  // namespace tarno::score
