#include "logs/cabrillo_check.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <map>
#include <utility>

#include "contest/ascii_text.h"
#include "logs/cabrillo_vocabulary.h"

namespace tarno::score {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr size_t kHeaderLineMax = 75;
constexpr size_t kAddressLineMax = 45;
constexpr int kAddressLinesMax = 6;
constexpr size_t kQsoFields = 10;
// Any contest's QSO line: frequency, mode, date, time, the call sent, the call received.
constexpr size_t kQsoFieldsAtLeast = 6;
// Enough to recognise the text, short enough to keep a report line readable.
constexpr size_t kQuotedMax = 40;
// A junk file of millions of lines would otherwise take memory without telling anyone more.
constexpr size_t kProblemsMax = 100000;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool IsLower(char c) { return c >= 'a' && c <= 'z'; }
bool IsControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }
bool AllDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), IsDigit);
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

// The tag is what comes before the first colon; a line without one has none.
std::string_view TagOf(std::string_view line) {
  const size_t colon = line.find(':');
  return colon == std::string_view::npos ? std::string_view() : line.substr(0, colon);
}

// A UTF-8 sequence's length from its lead byte; 0 for a byte that cannot lead one.
size_t Utf8SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// Characters, as an editor shows them: a UTF-8 sequence is one, and a text that is not
// UTF-8 is in a code page of one byte a character.
size_t CharacterCount(std::string_view text) {
  size_t characters = 0;
  for (size_t at = 0; at < text.size(); ++characters) {
    const size_t length = Utf8SequenceLength(static_cast<unsigned char>(text[at]));
    if (length == 0 || at + length > text.size()) return text.size();
    for (size_t i = 1; i < length; ++i) {
      if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80) return text.size();
    }
    at += length;
  }
  return characters;
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
  std::string_view contest;  // the first CONTEST: line's value
  size_t contestLine = 0;
};

// A file without CONTEST: is the plug-in's own, which writes TARNO logs only.
bool IsTarnoLog(const Outline& outline) {
  const std::string contest = UpperAscii(outline.contest);
  return contest.empty() || contest.rfind("TARNO", 0) == 0;
}

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
    if (outline.endOfLogLine == 0 && outline.contestLine == 0 &&
        EqualsIgnoringCase(TrimBlanks(tag), "CONTEST")) {
      outline.contest = TrimBlanks(line.substr(tag.size() + 1));
      outline.contestLine = outline.lineCount;
    }
  }
  return outline;
}

class ProblemList {
 public:
  void Add(size_t line, std::string message, bool note = false) {
    if (m_problems.size() < kProblemsMax) {
      m_problems.push_back({LineNumber(line), std::move(message), note});
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
  // `tarnoExchange`: QSO lines hold TARNO's exchange, else any contest's.
  LineChecker(ProblemList* problems, bool tarnoExchange)
      : m_problems(*problems), m_tarnoExchange(tarnoExchange), m_firstLineOfTag(kTagRuleCount, 0) {}

  void CheckLine(std::string_view text, size_t line);
  // What only the whole file tells: the tags it lacks, and those the check does not know.
  void Finish();

 private:
  const TagRule* RuleOfLine(std::string_view text, size_t line);
  void CheckLineBytes(const TagRule& rule, std::string_view text, size_t line);
  void CheckRepeat(const TagRule& rule, size_t line);
  void CheckValue(const TagRule& rule, std::string_view value, size_t line);
  void CheckStartOfLog(std::string_view value, size_t line);
  void CheckChoice(const TagRule& rule, std::string_view value, size_t line);
  void CheckAddress(std::string_view value, size_t line);
  bool CheckCall(const std::string& what, std::string_view call, size_t line);
  void CheckQso(std::string_view value, size_t line);
  bool CheckQsoLayout(const std::vector<std::string_view>& fields, size_t line);
  void CheckQsoFrequencyAndMode(const std::vector<std::string_view>& fields, size_t line);
  bool CheckQsoDateAndTime(const std::vector<std::string_view>& fields, size_t line);
  void CheckQsoCalls(std::string_view sentCall, std::string_view receivedCall, size_t line);
  void CheckQsoOrder(std::string_view date, std::string_view time, size_t line);
  void CheckRequiredTags();
  void NoteUnknownTags();

  struct UnknownTag {
    size_t firstLine;
    size_t lines;
  };

  ProblemList& m_problems;
  const bool m_tarnoExchange;
  std::map<std::string, UnknownTag> m_unknownTags;  // by the tag in capitals
  std::vector<size_t> m_firstLineOfTag;             // by index in kTagRules; 0 while not seen
  int m_addressLines = 0;
  std::string m_callsign;     // the CALLSIGN: value once a valid one has been read
  std::string m_lastQsoTime;  // "yyyy-mm-ddhhmm" of the last QSO with a valid date and time
  size_t m_lastQsoLine = 0;
};

void LineChecker::CheckLine(std::string_view text, size_t line) {
  const TagRule* rule = RuleOfLine(text, line);
  if (rule == nullptr) return;
  CheckLineBytes(*rule, text, line);
  CheckRepeat(*rule, line);
  CheckValue(*rule, TrimBlanks(text.substr(TagOf(text).size() + 1)), line);
}

// The rule the line's tag follows; nullptr, with the problem said, for a line that has no
// tag, and for a tag that is not checked.
const TagRule* LineChecker::RuleOfLine(std::string_view text, size_t line) {
  if (TrimBlanks(text).empty()) {
    m_problems.Add(line, "empty line");
    return nullptr;
  }
  const std::string_view tag = TagOf(text);
  if (tag.empty()) {
    m_problems.Add(line, "no tag at the start of the line: " + Quoted(text));
    return nullptr;
  }
  const TagRule* rule = FindTagRule(tag);
  if (rule != nullptr || IsPrivateTag(tag)) return rule;
  // A later version's tag, or a sponsor's own, is no fault; a tag nobody could write is.
  if (IsWellFormedTag(tag)) {
    auto seen = m_unknownTags.emplace(UpperAscii(tag), UnknownTag{line, 0}).first;
    ++seen->second.lines;
  } else {
    m_problems.Add(line, "unknown tag " + Quoted(tag));
  }
  return nullptr;
}

void LineChecker::CheckLineBytes(const TagRule& rule, std::string_view text, size_t line) {
  const auto control = std::find_if(text.begin(), text.end(), IsControl);
  if (control != text.end()) {
    m_problems.Add(line, "control character 0x" + HexByte(*control) + " in the line");
  }
  const bool headerLine = rule.kind != TagKind::kQso && rule.kind != TagKind::kQtc;
  if (headerLine && CharacterCount(text) > kHeaderLineMax) {
    m_problems.Add(line, "header line of " + std::to_string(CharacterCount(text)) +
                             " characters; at most " + std::to_string(kHeaderLineMax));
  }
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
      CheckStartOfLog(value, line);
      break;
    case TagKind::kRequiredText:
      if (value.empty()) m_problems.Add(line, tag + ": no value");
      break;
    case TagKind::kChoice:
      CheckChoice(rule, value, line);
      break;
    case TagKind::kChoiceOrNone:
      if (!value.empty()) CheckChoice(rule, value, line);
      break;
    case TagKind::kCall:
      if (CheckCall(tag + ":", value, line) && m_callsign.empty()) m_callsign = value;
      break;
    case TagKind::kWholeNumber:
      if (!AllDigits(value))
        m_problems.Add(line, tag + ": " + Quoted(value) + " is not a whole number");
      break;
    case TagKind::kAddress:
      CheckAddress(value, line);
      break;
    case TagKind::kQso:
      CheckQso(value, line);
      break;
    case TagKind::kEndOfLog:
    case TagKind::kText:
    case TagKind::kQtc:
      break;
  }
}

void LineChecker::CheckStartOfLog(std::string_view value, size_t line) {
  if (line != 1) {
    m_problems.Add(line, "START-OF-LOG: only allowed on the first line");
  } else if (value != "3.0") {
    m_problems.Add(line, "START-OF-LOG: version " + Quoted(value) + " is not 3.0");
  }
}

void LineChecker::CheckChoice(const TagRule& rule, std::string_view value, size_t line) {
  const std::string tag(rule.tag);
  if (value.empty()) {
    m_problems.Add(line, tag + ": no value (" + ListText(rule.choices) + ")");
  } else if (!Contains(rule.choices, value, true)) {
    m_problems.Add(line,
                   tag + ": unknown value " + Quoted(value) + " (" + ListText(rule.choices) + ")");
  }
}

void LineChecker::CheckAddress(std::string_view value, size_t line) {
  if (CharacterCount(value) > kAddressLineMax) {
    m_problems.Add(line, "ADDRESS: " + std::to_string(CharacterCount(value)) +
                             " characters; at most " + std::to_string(kAddressLineMax));
  }
  if (++m_addressLines > kAddressLinesMax) {
    m_problems.Add(line, "ADDRESS: more than " + std::to_string(kAddressLinesMax) + " lines");
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
  // The first four fields stand where they are even when a later one is missing.
  CheckQsoFrequencyAndMode(fields, line);
  const bool whenKnown = CheckQsoDateAndTime(fields, line);
  if (m_tarnoExchange) {
    if (CheckQsoLayout(fields, line)) CheckQsoCalls(fields[4], fields[7], line);
  } else if (fields.size() < kQsoFieldsAtLeast) {
    m_problems.Add(line, "QSO: " + std::to_string(fields.size()) + " fields where at least " +
                             std::to_string(kQsoFieldsAtLeast) +
                             " are expected (frequency, mode, date, time, call sent, call "
                             "received)");
  } else {
    // Where the received call stands depends on the contest's exchange: only the sent
    // call has a place of its own.
    CheckQsoCalls(fields[4], std::string_view(), line);
  }
  if (whenKnown) CheckQsoOrder(fields[2], fields[3], line);
}

bool LineChecker::CheckQsoLayout(const std::vector<std::string_view>& fields, size_t line) {
  const bool layoutKnown = fields.size() == kQsoFields ||
                           (fields.size() == kQsoFields + 1 && IsTransmitterNumber(fields.back()));
  if (!layoutKnown) {
    m_problems.Add(line, "QSO: " + std::to_string(fields.size()) + " fields where " +
                             std::to_string(kQsoFields) +
                             " are expected (frequency, mode, date, time, call, RST and "
                             "exchange sent, call, RST and exchange received)");
  }
  return layoutKnown;
}

void LineChecker::CheckQsoFrequencyAndMode(const std::vector<std::string_view>& fields,
                                           size_t line) {
  if (fields.size() > 0 && !IsQsoFrequency(fields[0])) {
    m_problems.Add(line, "QSO: frequency " + Quoted(fields[0]) +
                             " is neither kHz in an amateur band nor a band designator");
  }
  if (fields.size() > 1 && !Contains(QsoModes(), fields[1], false)) {
    m_problems.Add(line,
                   "QSO: unknown mode " + Quoted(fields[1]) + " (" + ListText(QsoModes()) + ")");
  }
}

// Whether the line's date and time are both sound.
bool LineChecker::CheckQsoDateAndTime(const std::vector<std::string_view>& fields, size_t line) {
  const bool dateKnown = fields.size() > 2 && IsCalendarDate(fields[2]);
  if (fields.size() > 2 && !dateKnown) {
    m_problems.Add(line, "QSO: date " + Quoted(fields[2]) + " is not a calendar date yyyy-mm-dd");
  }
  const bool timeKnown = fields.size() > 3 && IsTimeOfDay(fields[3]);
  if (fields.size() > 3 && !timeKnown) {
    m_problems.Add(line, "QSO: time " + Quoted(fields[3]) + " is not hhmm from 0000 to 2359");
  }
  return dateKnown && timeKnown;
}

void LineChecker::CheckQsoCalls(std::string_view sentCall, std::string_view receivedCall,
                                size_t line) {
  if (CheckCall("QSO: sent call", sentCall, line) && !m_callsign.empty() &&
      sentCall != m_callsign) {
    m_problems.Add(line, "QSO: sent call " + Quoted(sentCall) + " differs from CALLSIGN " +
                             Quoted(m_callsign));
  }
  if (!receivedCall.empty()) CheckCall("QSO: received call", receivedCall, line);
}

void LineChecker::CheckQsoOrder(std::string_view date, std::string_view time, size_t line) {
  std::string when = std::string(date) + std::string(time);
  if (!m_lastQsoTime.empty() && when < m_lastQsoTime) {
    m_problems.Add(line, "QSO: earlier than the QSO on line " + std::to_string(m_lastQsoLine));
  }
  m_lastQsoTime = std::move(when);
  m_lastQsoLine = line;
}

void LineChecker::Finish() {
  CheckRequiredTags();
  NoteUnknownTags();
}

void LineChecker::NoteUnknownTags() {
  for (const auto& [tag, seen] : m_unknownTags) {
    const std::string lines =
        seen.lines == 1 ? std::string() : " (" + std::to_string(seen.lines) + " lines)";
    m_problems.Add(seen.firstLine,
                   "note: tag " + Quoted(tag) + lines + " is not one this check knows; not checked",
                   true);
  }
}

void LineChecker::CheckRequiredTags() {
  for (size_t i = 0; i < kTagRuleCount; ++i) {
    if (kTagRules[i].occurs == Occurs::kOnceRequired && m_firstLineOfTag[i] == 0) {
      m_problems.Add(0, "no " + std::string(kTagRules[i].tag) + ": line");
    }
  }
}

// A byte-order mark is a problem of its own; the rest of the file is checked without it.
std::string_view WithoutByteOrderMark(std::string_view content, ProblemList* problems) {
  if (content.substr(0, kByteOrderMark.size()) != kByteOrderMark) return content;
  problems->Add(1, "the file starts with a byte-order mark (EF BB BF)");
  return content.substr(kByteOrderMark.size());
}

// Where the log starts and ends, and how its lines end.
void CheckOutline(const Outline& outline, ProblemList* problems) {
  if (!outline.startsWithStartOfLog) {
    problems->Add(1, "the first line must be \"START-OF-LOG: 3.0\"");
  }
  if (outline.firstLoneCrLine != 0) {
    problems->Add(outline.firstLoneCrLine, "line ends in a lone CR; lines end in CR LF or LF");
  }
  if (outline.endOfLogLine == 0) {
    problems->Add(outline.lineCount, "the file does not end with \"END-OF-LOG:\"");
  } else if (outline.endOfLogLine < outline.lineCount) {
    problems->Add(outline.endOfLogLine + 1, "text after \"END-OF-LOG:\"");
  }
}

void CheckEachLine(std::string_view content, const Outline& outline, ProblemList* problems) {
  // What follows END-OF-LOG: is no part of the log for the sponsor either.
  const size_t lastChecked = outline.endOfLogLine == 0 ? outline.lineCount : outline.endOfLogLine;
  const bool tarno = IsTarnoLog(outline);
  if (!tarno) {
    problems->Add(outline.contestLine,
                  "note: CONTEST: " + Quoted(outline.contest) +
                      " is not TARNO: its QSO lines are checked for what Cabrillo 3.0 asks of "
                      "any contest, not for TARNO's exchange",
                  true);
  }
  LineChecker checker(problems, tarno);
  LineReader reader(content);
  std::string_view text;
  bool loneCr = false;
  for (size_t line = 1; line <= lastChecked && reader.Next(&text, &loneCr); ++line) {
    checker.CheckLine(text, line);
  }
  checker.Finish();
}

}  // namespace

std::vector<CabrilloProblem> CheckCabrillo(std::string_view content) {
  ProblemList problems;
  content = WithoutByteOrderMark(content, &problems);
  if (content.empty()) {
    problems.Add(0, "the file is empty");
    return problems.TakeInLineOrder();
  }
  const Outline outline = OutlineOf(content);
  CheckOutline(outline, &problems);
  CheckEachLine(content, outline, &problems);
  return problems.TakeInLineOrder();
}

bool IsSound(const std::vector<CabrilloProblem>& problems) {
  return std::all_of(problems.begin(), problems.end(),
                     [](const CabrilloProblem& problem) { return problem.note; });
}

std::string FormatProblems(const std::vector<CabrilloProblem>& problems) {
  std::string text;
  for (const CabrilloProblem& problem : problems) {
    text +=
        problem.line == 0 ? std::string("file: ") : "line " + std::to_string(problem.line) + ": ";
    text += problem.message + "\n";
  }
  if (IsSound(problems)) text += "no problems found\n";
  text.pop_back();
  return text;
}

}  // namespace tarno::score
