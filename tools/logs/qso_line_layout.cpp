#include "logs/qso_line_layout.h"

#include <iterator>
#include <utility>

#include "contest/ascii_text.h"

namespace tarno::score {
namespace {

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

const QsoLayout kLayouts[] = {
    {0, -1, 1, 2, -1, 3, -1, "no reports"},
    {0, -1, 1, 2, -1, 3, 4, "no reports, transmitter"},
    {0, 1, 2, 3, -1, 4, -1, "no received report"},
    {0, -1, 1, 2, 3, 4, -1, "no sent report"},
    {0, 1, 2, 3, 4, 5, -1, "reports"},
    {0, 1, 2, 3, 4, 5, 6, "reports, transmitter"},
};
constexpr int kLayoutCount = kQsoLayoutCount;
static_assert(std::size(kLayouts) == kLayoutCount, "one count of layouts");

int FieldCount(const QsoLayout& layout) {
  return layout.transmitter >= 0 ? layout.transmitter + 1 : layout.exchRcvd + 1;
}

// The columns a log keeps the same from line to line: how many there are, the own call,
// the reports and the transmitter number.
bool FitsColumns(const QsoLayout& layout, const QsoFields& rest) {
  return static_cast<int>(rest.size()) == FieldCount(layout) &&
         IsCallShape(FieldAt(rest, layout.myCall)) &&
         (layout.rstSent < 0 || IsReportShape(FieldAt(rest, layout.rstSent))) &&
         (layout.rstRcvd < 0 || IsReportShape(FieldAt(rest, layout.rstRcvd))) &&
         (layout.transmitter < 0 || IsTransmitter(FieldAt(rest, layout.transmitter)));
}

// Every field has the shape of what the layout puts there.
bool FitsStrictly(const QsoLayout& layout, const QsoFields& rest) {
  return FitsColumns(layout, rest) && IsCallShape(FieldAt(rest, layout.call)) &&
         IsExchangeShape(FieldAt(rest, layout.exchSent)) &&
         IsExchangeShape(FieldAt(rest, layout.exchRcvd));
}

// Where a side has no report, its exchange must not be one: the line may as well have lost
// its exchange. Returns the exchange that may be a report, or an empty text.
std::string_view ReportInExchange(const QsoLayout& layout, const QsoFields& rest) {
  for (const auto& [report, exchange] :
       {std::pair{layout.rstSent, layout.exchSent}, std::pair{layout.rstRcvd, layout.exchRcvd}}) {
    if (report < 0 && IsCustomaryReport(FieldAt(rest, exchange))) return FieldAt(rest, exchange);
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
bool FitsLogsColumns(const QsoLayout& layout, const QsoFields& rest) {
  if (!FitsColumns(layout, rest)) return false;
  const std::string_view call = FieldAt(rest, layout.call);
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
unsigned StrictFits(const QsoFields& rest) {
  unsigned fits = 0;
  unsigned withoutReportInExchange = 0;
  for (int i = 0; i < kLayoutCount; ++i) {
    if (!FitsStrictly(kLayouts[i], rest)) continue;
    fits |= Bit(i);
    if (ReportInExchange(kLayouts[i], rest).empty()) withoutReportInExchange |= Bit(i);
  }
  return withoutReportInExchange != 0 ? withoutReportInExchange : fits;
}

unsigned ColumnFits(const QsoFields& rest) {
  unsigned fits = 0;
  for (int i = 0; i < kLayoutCount; ++i) {
    if (FitsLogsColumns(kLayouts[i], rest)) fits |= Bit(i);
  }
  return fits;
}

std::string Joined(const QsoFields& parts) {
  std::string text;
  for (std::string_view part : parts) text += (text.empty() ? "" : " ") + std::string(part);
  return text;
}

int* Member(QsoLayout* layout, int member) {
  int* const members[] = {&layout->myCall,  &layout->rstSent,  &layout->exchSent,   &layout->call,
                          &layout->rstRcvd, &layout->exchRcvd, &layout->transmitter};
  return members[member];
}

// Which part of a QSO (own call, sent report, ... transmitter: 0 to 6) the layout puts in
// its column-th field; -1 past its last.
int MemberOfColumn(QsoLayout layout, int column) {
  int seen = 0;
  for (int member = 0; member < 7; ++member) {
    if (*Member(&layout, member) >= 0 && seen++ == column) return member;
  }
  return -1;
}

// A line of a log written in columns, read by where its fields start: a report left empty
// leaves its column blank (the module writes "599 BP     HA1XY         " + "    " + "001").
// False where two fields share a column or a field is out of shape.
bool ArrangeByColumns(const QsoFields& rest, const LogLayout& log, QsoLayout* arranged) {
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
  const QsoLayout& a = *arranged;
  return a.myCall == 0 && a.exchSent >= 0 && a.call >= 0 && a.exchRcvd >= 0 &&
         IsCallShape(FieldAt(rest, a.myCall)) && HasLetter(FieldAt(rest, a.call)) &&
         !IsReportShape(FieldAt(rest, a.call)) &&
         (a.rstSent < 0 || IsReportShape(FieldAt(rest, a.rstSent))) &&
         (a.rstRcvd < 0 || IsReportShape(FieldAt(rest, a.rstRcvd))) &&
         (a.transmitter < 0 || IsTransmitter(FieldAt(rest, a.transmitter)));
}

size_t Total(const size_t (&votes)[kLayoutCount]) {
  size_t total = 0;
  for (size_t count : votes) total += count;
  return total;
}
// The layout with the most votes; none on a tie or without votes.
int Leader(const size_t (&votes)[kLayoutCount]) {
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

// Few distinct starts in a log written in columns; a free-form log stops being counted.
constexpr size_t kStartsKept = 64;

}  // namespace

std::string_view FieldAt(const QsoFields& rest, int index) {
  return index < 0 ? std::string_view() : rest[static_cast<size_t>(index)];
}

void LayoutVote::Count(const QsoFields& rest) {
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

LogLayout LayoutVote::Chosen() const {
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
  chosen.reportsAnywhere = false;
  for (int i = 0; i < kLayoutCount; ++i) {
    if ((kLayouts[i].rstSent >= 0 || kLayouts[i].rstRcvd >= 0) && m_strict[i] + m_byColumns[i] > 0)
      chosen.reportsAnywhere = true;
  }
  return chosen;
}

void LayoutVote::CountStarts(int layout, const QsoFields& rest) {
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

bool LayoutOfLine(const QsoFields& rest, const LogLayout& log, QsoLayout* found,
                  std::string* reason, bool* doubtful) {
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
  if (!report.empty() && log.reportsAnywhere) {
    *reason = "\"" + Joined(rest) + "\": \"" + std::string(report) +
              "\" may be a report whose exchange is missing";
    if (doubtful) *doubtful = true;
    return false;
  }
  return true;
}

}  // namespace tarno::score
