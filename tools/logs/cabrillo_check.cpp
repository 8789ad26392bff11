#include "logs/cabrillo_check.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <utility>

#include "contest/ascii_text.h"

namespace tarno::score {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr size_t kHeaderLineMax = 75;
constexpr size_t kAddressLineMax = 45;
constexpr int kAddressLinesMax = 6;
constexpr size_t kQsoFields = 10;
// Enough to recognise the text, short enough to keep a report line readable.
constexpr size_t kQuotedMax = 40;
// A junk file of millions of lines would otherwise take memory without telling anyone more.
constexpr size_t kProblemsMax = 100000;

struct ValueList {
  const std::string_view* values;
  size_t count;
};

template <size_t N>
constexpr ValueList ListOf(const std::string_view (&values)[N]) {
  return {values, N};
}

constexpr std::string_view kAssistedValues[] = {"ASSISTED", "NON-ASSISTED"};
constexpr std::string_view kBandValues[] = {
    "ALL", "160M", "80M", "40M",  "20M",  "15M",  "10M",   "6M",         "4M",
    "2M",  "222",  "432", "902",  "1.2G", "2.3G", "3.4G",  "5.7G",       "10G",
    "24G", "47G",  "75G", "122G", "134G", "241G", "LIGHT", "VHF-3-BAND", "VHF-FM-ONLY"};
constexpr std::string_view kModeValues[] = {"CW", "DIGI", "FM", "RTTY", "SSB", "MIXED"};
constexpr std::string_view kOperatorValues[] = {"SINGLE-OP", "MULTI-OP", "CHECKLOG"};
constexpr std::string_view kPowerValues[] = {"HIGH", "LOW", "QRP"};
constexpr std::string_view kStationValues[] = {
    "DISTRIBUTED",     "FIXED",      "MOBILE", "PORTABLE", "ROVER",   "ROVER-LIMITED",
    "ROVER-UNLIMITED", "EXPEDITION", "HQ",     "SCHOOL",   "EXPLORER"};
constexpr std::string_view kTimeValues[] = {"6-HOURS", "8-HOURS", "12-HOURS", "24-HOURS"};
constexpr std::string_view kTransmitterValues[] = {"ONE", "TWO", "LIMITED", "UNLIMITED", "SWL"};
constexpr std::string_view kOverlayValues[] = {"CLASSIC", "ROOKIE",      "TB-WIRES",
                                               "YOUTH",   "NOVICE-TECH", "OVER-50"};
constexpr std::string_view kYesNo[] = {"YES", "NO"};
constexpr std::string_view kQsoModes[] = {"CW", "PH", "FM", "RY", "DG"};
// Above 30 MHz a QSO line may name the band instead of giving the frequency.
constexpr std::string_view kBandDesignators[] = {"50",   "70",   "144",  "222",  "432",  "902",
                                                 "1.2G", "2.3G", "3.4G", "5.7G", "10G",  "24G",
                                                 "47G",  "75G",  "122G", "134G", "241G", "LIGHT"};

struct KHzRange {
  uint32_t lowKHz;
  uint32_t highKHz;
};

// The widest edges any region or country gives each band: a legal QSO must never be
// refused; what this catches is a frequency written in Hz or MHz instead of kHz.
constexpr KHzRange kAmateurBands[] = {
    {135, 138},              // 2200 m
    {472, 479},              // 630 m
    {1800, 2000},            // 160 m
    {3500, 4000},            // 80 m
    {5250, 5450},            // 60 m
    {7000, 7300},            // 40 m
    {10100, 10150},          // 30 m
    {14000, 14350},          // 20 m
    {18068, 18168},          // 17 m
    {21000, 21450},          // 15 m
    {24890, 24990},          // 12 m
    {28000, 29700},          // 10 m
    {50000, 54000},          // 6 m
    {70000, 71000},          // 4 m
    {144000, 148000},        // 2 m
    {219000, 225000},        // 1.25 m
    {420000, 450000},        // 70 cm
    {902000, 928000},        // 33 cm
    {1240000, 1300000},      // 23 cm
    {2300000, 2450000},      // 13 cm
    {3300000, 3500000},      // 9 cm
    {5650000, 5925000},      // 6 cm
    {10000000, 10500000},    // 3 cm
    {24000000, 24250000},    // 1.2 cm
    {47000000, 47200000},    // 6 mm
    {75500000, 81000000},    // 4 mm
    {122250000, 123000000},  // 2.5 mm
    {134000000, 149000000},  // 2 mm
    {241000000, 250000000},  // 1 mm
};

enum class TagKind {
  kStartOfLog,
  kEndOfLog,
  kText,          // free text; may be empty
  kRequiredText,  // free text that must not be empty
  kChoice,        // one of `choices`
  kCall,
  kWholeNumber,
  kAddress,
  kQso,
};

enum class Occurs { kOnce, kOnceRequired, kAnyNumber };

struct TagRule {
  std::string_view tag;
  TagKind kind;
  Occurs occurs;
  ValueList choices;
};

// START-OF-LOG and END-OF-LOG have their places checked apart, so they may "occur any
// number" here. E-MAIL is the older spelling the module still writes.
const TagRule kTagRules[] = {
    {"START-OF-LOG", TagKind::kStartOfLog, Occurs::kAnyNumber, {}},
    {"END-OF-LOG", TagKind::kEndOfLog, Occurs::kAnyNumber, {}},
    {"CALLSIGN", TagKind::kCall, Occurs::kOnceRequired, {}},
    {"CONTEST", TagKind::kRequiredText, Occurs::kOnceRequired, {}},
    {"CATEGORY-ASSISTED", TagKind::kChoice, Occurs::kOnce, ListOf(kAssistedValues)},
    {"CATEGORY-BAND", TagKind::kChoice, Occurs::kOnce, ListOf(kBandValues)},
    {"CATEGORY-MODE", TagKind::kChoice, Occurs::kOnce, ListOf(kModeValues)},
    {"CATEGORY-OPERATOR", TagKind::kChoice, Occurs::kOnce, ListOf(kOperatorValues)},
    {"CATEGORY-POWER", TagKind::kChoice, Occurs::kOnce, ListOf(kPowerValues)},
    {"CATEGORY-STATION", TagKind::kChoice, Occurs::kOnce, ListOf(kStationValues)},
    {"CATEGORY-TIME", TagKind::kChoice, Occurs::kOnce, ListOf(kTimeValues)},
    {"CATEGORY-TRANSMITTER", TagKind::kChoice, Occurs::kOnce, ListOf(kTransmitterValues)},
    {"CATEGORY-OVERLAY", TagKind::kChoice, Occurs::kOnce, ListOf(kOverlayValues)},
    {"CERTIFICATE", TagKind::kChoice, Occurs::kOnce, ListOf(kYesNo)},
    {"CLAIMED-SCORE", TagKind::kWholeNumber, Occurs::kOnce, {}},
    {"CLUB", TagKind::kText, Occurs::kOnce, {}},
    {"CREATED-BY", TagKind::kText, Occurs::kOnce, {}},
    {"EMAIL", TagKind::kText, Occurs::kOnce, {}},
    {"E-MAIL", TagKind::kText, Occurs::kOnce, {}},
    {"GRID-LOCATOR", TagKind::kText, Occurs::kOnce, {}},
    {"LOCATION", TagKind::kText, Occurs::kOnce, {}},
    {"NAME", TagKind::kText, Occurs::kOnce, {}},
    {"ADDRESS", TagKind::kAddress, Occurs::kAnyNumber, {}},
    {"ADDRESS-CITY", TagKind::kText, Occurs::kOnce, {}},
    {"ADDRESS-STATE-PROVINCE", TagKind::kText, Occurs::kOnce, {}},
    {"ADDRESS-POSTALCODE", TagKind::kText, Occurs::kOnce, {}},
    {"ADDRESS-COUNTRY", TagKind::kText, Occurs::kOnce, {}},
    {"OPERATORS", TagKind::kText, Occurs::kAnyNumber, {}},
    {"OFFTIME", TagKind::kText, Occurs::kAnyNumber, {}},
    {"SOAPBOX", TagKind::kText, Occurs::kAnyNumber, {}},
    {"QSO", TagKind::kQso, Occurs::kAnyNumber, {}},
};

constexpr size_t kTagRuleCount = std::size(kTagRules);

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool IsLower(char c) { return c >= 'a' && c <= 'z'; }
bool IsControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }
bool AllDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), IsDigit);
}

int SmallNumber(std::string_view digits) {
  int number = 0;
  for (char c : digits) number = number * 10 + (c - '0');
  return number;
}

std::string_view TrimBlanks(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::vector<std::string_view> SplitOnBlanks(std::string_view text) {
  std::vector<std::string_view> fields;
  for (size_t at = text.find_first_not_of(' '); at != std::string_view::npos;) {
    const size_t end = std::min(text.find(' ', at), text.size());
    fields.push_back(text.substr(at, end - at));
    at = text.find_first_not_of(' ', end);
  }
  return fields;
}

std::string HexByte(char c) {
  const char* kDigits = "0123456789ABCDEF";
  const unsigned char byte = static_cast<unsigned char>(c);
  return {kDigits[byte >> 4], kDigits[byte & 0xF]};
}

// Bytes from the file must not break the report line nor the operator's console.
std::string Quoted(std::string_view text) {
  const bool cut = text.size() > kQuotedMax;
  if (cut) text = text.substr(0, kQuotedMax);
  std::string quoted = "\"";
  for (char c : text) {
    if (IsControl(c) || static_cast<unsigned char>(c) >= 0x80) {
      quoted += "\\x" + HexByte(c);
    } else {
      if (c == '"' || c == '\\') quoted += '\\';
      quoted += c;
    }
  }
  quoted += cut ? "...\"" : "\"";
  return quoted;
}

bool Contains(ValueList list, std::string_view value, bool ignoringCase) {
  for (size_t i = 0; i < list.count; ++i) {
    if (ignoringCase ? EqualsIgnoringCase(list.values[i], value) : list.values[i] == value) {
      return true;
    }
  }
  return false;
}

std::string ListText(ValueList list) {
  std::string text;
  for (size_t i = 0; i < list.count; ++i) {
    if (i > 0) text += ", ";
    text += list.values[i];
  }
  return text;
}

int DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

bool IsCalendarDate(std::string_view text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
  const std::string_view year = text.substr(0, 4), month = text.substr(5, 2),
                         day = text.substr(8, 2);
  if (!AllDigits(year) || !AllDigits(month) || !AllDigits(day)) return false;
  const int monthNumber = SmallNumber(month);
  if (monthNumber < 1 || monthNumber > 12) return false;
  const int dayNumber = SmallNumber(day);
  return dayNumber >= 1 && dayNumber <= DaysInMonth(SmallNumber(year), monthNumber);
}

bool IsTimeOfDay(std::string_view text) {
  return text.size() == 4 && AllDigits(text) && SmallNumber(text.substr(0, 2)) < 24 &&
         SmallNumber(text.substr(2, 2)) < 60;
}

bool IsAmateurFrequencyKHz(std::string_view text) {
  if (!AllDigits(text) || text.size() > 9) return false;  // 9 digits cannot overflow
  uint32_t freqKHz = 0;
  for (char c : text) freqKHz = freqKHz * 10 + static_cast<uint32_t>(c - '0');
  return std::any_of(std::begin(kAmateurBands), std::end(kAmateurBands),
                     [freqKHz](const KHzRange& band) {
                       return freqKHz >= band.lowKHz && freqKHz <= band.highKHz;
                     });
}

bool IsTransmitterNumber(std::string_view text) { return text == "0" || text == "1"; }

// The tag is what comes before the first colon; a line without one has none.
std::string_view TagOf(std::string_view line) {
  const size_t colon = line.find(':');
  return colon == std::string_view::npos ? std::string_view() : line.substr(0, colon);
}

const TagRule* FindRule(std::string_view tag) {
  for (const TagRule& rule : kTagRules) {
    if (EqualsIgnoringCase(rule.tag, tag)) return &rule;
  }
  return nullptr;
}

// Private tags; X-QSO among them. The sponsor's robot passes them by unread.
bool IsPrivateTag(std::string_view tag) {
  return tag.size() >= 2 && EqualsIgnoringCase(tag.substr(0, 2), "X-");
}

int LineNumber(size_t oneBased) {
  return oneBased > static_cast<size_t>(INT_MAX) ? INT_MAX : static_cast<int>(oneBased);
}

// A line ends in CR LF, LF or a lone CR; a final line end opens no further line.
class LineReader {
 public:
  explicit LineReader(std::string_view content) : m_rest(content) {}

  bool Next(std::string_view* line, bool* endsInLoneCr) {
    if (m_rest.empty()) return false;
    const size_t end = m_rest.find_first_of("\r\n");
    *line = m_rest.substr(0, end);
    *endsInLoneCr = false;
    if (end == std::string_view::npos) {
      m_rest = {};
      return true;
    }
    size_t next = end + 1;
    if (m_rest[end] == '\r') {
      if (next < m_rest.size() && m_rest[next] == '\n') {
        ++next;
      } else {
        *endsInLoneCr = true;
      }
    }
    m_rest.remove_prefix(next);
    return true;
  }

 private:
  std::string_view m_rest;
};

// What must be known before the lines are checked one by one.
struct Outline {
  size_t lineCount = 0;
  size_t endOfLogLine = 0;  // the first END-OF-LOG: line; 0 when there is none
  size_t firstLoneCrLine = 0;
  bool startsWithStartOfLog = false;
};

Outline OutlineOf(std::string_view content) {
  Outline outline;
  LineReader reader(content);
  std::string_view line;
  bool loneCr = false;
  while (reader.Next(&line, &loneCr)) {
    ++outline.lineCount;
    if (loneCr && outline.firstLoneCrLine == 0) outline.firstLoneCrLine = outline.lineCount;
    const std::string_view tag = TagOf(line);
    if (outline.lineCount == 1)
      outline.startsWithStartOfLog = EqualsIgnoringCase(tag, "START-OF-LOG");
    if (outline.endOfLogLine == 0 && EqualsIgnoringCase(tag, "END-OF-LOG")) {
      outline.endOfLogLine = outline.lineCount;
    }
  }
  return outline;
}

class ProblemList {
 public:
  void Add(size_t line, std::string message) {
    if (m_problems.size() < kProblemsMax) {
      m_problems.push_back({LineNumber(line), std::move(message)});
    } else {
      m_full = true;
    }
  }

  std::vector<CabrilloProblem> TakeInLineOrder() {
    if (m_full) {
      m_problems.push_back({0, "more than " + std::to_string(kProblemsMax) +
                                   " problems; only the first are listed"});
    }
    std::stable_sort(
        m_problems.begin(), m_problems.end(),
        [](const CabrilloProblem& a, const CabrilloProblem& b) { return a.line < b.line; });
    return std::move(m_problems);
  }

 private:
  std::vector<CabrilloProblem> m_problems;
  bool m_full = false;
};

// Checks the lines one by one, in order, remembering what later lines are held against.
class LineChecker {
 public:
  explicit LineChecker(ProblemList* problems)
      : m_problems(*problems), m_firstLineOfTag(kTagRuleCount, 0) {}

  void CheckLine(std::string_view text, size_t line);
  void CheckRequiredTags();

 private:
  void CheckValue(const TagRule& rule, std::string_view value, size_t line);
  void CheckRepeat(const TagRule& rule, size_t line);
  bool CheckCall(const std::string& what, std::string_view call, size_t line);
  void CheckQso(std::string_view value, size_t line);
  void CheckQsoCalls(std::string_view sentCall, std::string_view receivedCall, size_t line);
  void CheckQsoOrder(std::string_view date, std::string_view time, size_t line);

  ProblemList& m_problems;
  std::vector<size_t> m_firstLineOfTag;  // by index in kTagRules; 0 while not seen
  int m_addressLines = 0;
  std::string m_callsign;     // the CALLSIGN: value once a valid one has been read
  std::string m_lastQsoTime;  // "yyyy-mm-ddhhmm" of the last QSO with a valid date and time
  size_t m_lastQsoLine = 0;
};

void LineChecker::CheckLine(std::string_view text, size_t line) {
  if (TrimBlanks(text).empty()) {
    m_problems.Add(line, "empty line");
    return;
  }
  const std::string_view tag = TagOf(text);
  if (tag.empty()) {
    m_problems.Add(line, "no tag at the start of the line: " + Quoted(text));
    return;
  }
  const TagRule* rule = FindRule(tag);
  if (rule == nullptr) {
    if (!IsPrivateTag(tag)) m_problems.Add(line, "unknown tag " + Quoted(tag));
    return;
  }
  const auto control = std::find_if(text.begin(), text.end(), IsControl);
  if (control != text.end()) {
    m_problems.Add(line, "control character 0x" + HexByte(*control) + " in the line");
  }
  if (rule->kind != TagKind::kQso && text.size() > kHeaderLineMax) {
    m_problems.Add(line, "header line of " + std::to_string(text.size()) + " characters; at most " +
                             std::to_string(kHeaderLineMax));
  }
  CheckRepeat(*rule, line);
  CheckValue(*rule, TrimBlanks(text.substr(tag.size() + 1)), line);
}

void LineChecker::CheckRepeat(const TagRule& rule, size_t line) {
  size_t& first = m_firstLineOfTag[static_cast<size_t>(&rule - kTagRules)];
  if (first == 0) {
    first = line;
  } else if (rule.occurs != Occurs::kAnyNumber) {
    m_problems.Add(line, std::string(rule.tag) + ": given again (first on line " +
                             std::to_string(first) + ")");
  }
}

void LineChecker::CheckValue(const TagRule& rule, std::string_view value, size_t line) {
  const std::string tag(rule.tag);
  switch (rule.kind) {
    case TagKind::kStartOfLog:
      if (line != 1) {
        m_problems.Add(line, tag + ": only allowed on the first line");
      } else if (value != "3.0") {
        m_problems.Add(line, tag + ": version " + Quoted(value) + " is not 3.0");
      }
      break;
    case TagKind::kRequiredText:
      if (value.empty()) m_problems.Add(line, tag + ": no value");
      break;
    case TagKind::kChoice:
      if (value.empty()) {
        m_problems.Add(line, tag + ": no value (" + ListText(rule.choices) + ")");
      } else if (!Contains(rule.choices, value, true)) {
        m_problems.Add(
            line, tag + ": unknown value " + Quoted(value) + " (" + ListText(rule.choices) + ")");
      }
      break;
    case TagKind::kCall:
      if (CheckCall(tag + ":", value, line) && m_callsign.empty()) m_callsign = value;
      break;
    case TagKind::kWholeNumber:
      if (!AllDigits(value))
        m_problems.Add(line, tag + ": " + Quoted(value) + " is not a whole number");
      break;
    case TagKind::kAddress:
      if (value.size() > kAddressLineMax) {
        m_problems.Add(line, tag + ": " + std::to_string(value.size()) + " characters; at most " +
                                 std::to_string(kAddressLineMax));
      }
      if (++m_addressLines > kAddressLinesMax) {
        m_problems.Add(line, tag + ": more than " + std::to_string(kAddressLinesMax) + " lines");
      }
      break;
    case TagKind::kQso:
      CheckQso(value, line);
      break;
    case TagKind::kEndOfLog:
    case TagKind::kText:
      break;
  }
}

// Returns whether the call is fit to be compared with others.
bool LineChecker::CheckCall(const std::string& what, std::string_view call, size_t line) {
  if (call.empty()) {
    m_problems.Add(line, what + " no call");
    return false;
  }
  const auto isCallCharacter = [](char c) {
    return IsUpper(c) || IsLower(c) || IsDigit(c) || c == '/';
  };
  if (!std::all_of(call.begin(), call.end(), isCallCharacter)) {
    m_problems.Add(line, what + " " + Quoted(call) + " may hold only A-Z, 0-9 and /");
    return false;
  }
  // Robots match calls across logs byte for byte; a lower-case call matches no one.
  if (std::any_of(call.begin(), call.end(), IsLower)) {
    m_problems.Add(line, what + " " + Quoted(call) + " has lower-case letters");
    return false;
  }
  return true;
}

void LineChecker::CheckQso(std::string_view value, size_t line) {
  const std::vector<std::string_view> fields = SplitOnBlanks(value);
  const bool layoutKnown = fields.size() == kQsoFields ||
                           (fields.size() == kQsoFields + 1 && IsTransmitterNumber(fields.back()));
  if (!layoutKnown) {
    m_problems.Add(line, "QSO: " + std::to_string(fields.size()) + " fields where " +
                             std::to_string(kQsoFields) +
                             " are expected (frequency, mode, date, time, call, RST and "
                             "exchange sent, call, RST and exchange received)");
  }
  // The first four fields stand where they are even when a later one is missing.
  if (fields.size() > 0 && !Contains(ListOf(kBandDesignators), fields[0], false) &&
      !IsAmateurFrequencyKHz(fields[0])) {
    m_problems.Add(line, "QSO: frequency " + Quoted(fields[0]) +
                             " is neither kHz in an amateur band nor a band designator");
  }
  if (fields.size() > 1 && !Contains(ListOf(kQsoModes), fields[1], false)) {
    m_problems.Add(
        line, "QSO: unknown mode " + Quoted(fields[1]) + " (" + ListText(ListOf(kQsoModes)) + ")");
  }
  const bool dateKnown = fields.size() > 2 && IsCalendarDate(fields[2]);
  if (fields.size() > 2 && !dateKnown) {
    m_problems.Add(line, "QSO: date " + Quoted(fields[2]) + " is not a calendar date yyyy-mm-dd");
  }
  const bool timeKnown = fields.size() > 3 && IsTimeOfDay(fields[3]);
  if (fields.size() > 3 && !timeKnown) {
    m_problems.Add(line, "QSO: time " + Quoted(fields[3]) + " is not hhmm from 0000 to 2359");
  }
  if (layoutKnown) CheckQsoCalls(fields[4], fields[7], line);
  if (dateKnown && timeKnown) CheckQsoOrder(fields[2], fields[3], line);
}

void LineChecker::CheckQsoCalls(std::string_view sentCall, std::string_view receivedCall,
                                size_t line) {
  if (CheckCall("QSO: sent call", sentCall, line) && !m_callsign.empty() &&
      sentCall != m_callsign) {
    m_problems.Add(line, "QSO: sent call " + Quoted(sentCall) + " differs from CALLSIGN " +
                             Quoted(m_callsign));
  }
  CheckCall("QSO: received call", receivedCall, line);
}

void LineChecker::CheckQsoOrder(std::string_view date, std::string_view time, size_t line) {
  std::string when = std::string(date) + std::string(time);
  if (!m_lastQsoTime.empty() && when < m_lastQsoTime) {
    m_problems.Add(line, "QSO: earlier than the QSO on line " + std::to_string(m_lastQsoLine));
  }
  m_lastQsoTime = std::move(when);
  m_lastQsoLine = line;
}

void LineChecker::CheckRequiredTags() {
  for (size_t i = 0; i < kTagRuleCount; ++i) {
    if (kTagRules[i].occurs == Occurs::kOnceRequired && m_firstLineOfTag[i] == 0) {
      m_problems.Add(0, "no " + std::string(kTagRules[i].tag) + ": line");
    }
  }
}

}  // namespace

std::vector<CabrilloProblem> CheckCabrillo(std::string_view content) {
  ProblemList problems;
  if (content.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    problems.Add(1, "the file starts with a byte-order mark (EF BB BF)");
    content.remove_prefix(kByteOrderMark.size());
  }
  if (content.empty()) {
    problems.Add(0, "the file is empty");
    return problems.TakeInLineOrder();
  }
  const Outline outline = OutlineOf(content);
  if (!outline.startsWithStartOfLog) {
    problems.Add(1, "the first line must be \"START-OF-LOG: 3.0\"");
  }
  if (outline.firstLoneCrLine != 0) {
    problems.Add(outline.firstLoneCrLine, "line ends in a lone CR; lines end in CR LF or LF");
  }
  if (outline.endOfLogLine == 0) {
    problems.Add(outline.lineCount, "the file does not end with \"END-OF-LOG:\"");
  } else if (outline.endOfLogLine < outline.lineCount) {
    problems.Add(outline.endOfLogLine + 1, "text after \"END-OF-LOG:\"");
  }
  // What follows END-OF-LOG: is no part of the log for the sponsor either.
  const size_t lastChecked = outline.endOfLogLine == 0 ? outline.lineCount : outline.endOfLogLine;
  LineChecker checker(&problems);
  LineReader reader(content);
  std::string_view text;
  bool loneCr = false;
  for (size_t line = 1; line <= lastChecked && reader.Next(&text, &loneCr); ++line) {
    checker.CheckLine(text, line);
  }
  checker.CheckRequiredTags();
  return problems.TakeInLineOrder();
}

std::string FormatProblems(const std::vector<CabrilloProblem>& problems) {
  if (problems.empty()) return "no problems found";
  std::string text;
  for (const CabrilloProblem& problem : problems) {
    if (!text.empty()) text += '\n';
    text +=
        problem.line == 0 ? std::string("file: ") : "line " + std::to_string(problem.line) + ": ";
    text += problem.message;
  }
  return text;
}

}  // namespace tarno::score
