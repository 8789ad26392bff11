#include "serve/log_intake.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "contest/ascii_text.h"
#include "logs/adif_reader.h"
#include "logs/cabrillo_check.h"
#include "logs/cabrillo_reader.h"
#include "logs/log_text.h"
#include "serve/message_line.h"

namespace tarno::score {
namespace {

constexpr size_t kLongestCategory = 60;

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoringCase(text.substr(0, prefix.size()), prefix);
}

// The CATEGORY-... lines of a Cabrillo header, up to the first QSO line.
std::string CategoryLines(std::string_view text) {
  std::string categories;
  for (size_t from = 0; from < text.size();) {
    size_t to = text.find('\n', from);
    if (to == std::string_view::npos) to = text.size();
    const std::string_view line = TrimAscii(text.substr(from, to - from));
    from = to + 1;
    if (StartsWithIgnoringCase(line, "QSO:")) break;
    if (!StartsWithIgnoringCase(line, "CATEGORY-")) continue;
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    std::string value = PrintableField(TrimAscii(line.substr(colon + 1)));
    if (value.size() > kLongestCategory) value = value.substr(0, kLongestCategory) + "...";
    categories += UpperAscii(line.substr(0, colon)) + ": " + value + "\n";
  }
  return categories;
}

// "line 12: ...", "record 12: ...", "file: ...", as the reader's language says them; the
// text is the reader's or the check's own.
std::string Finding(const char* unit, int source, const std::string& text) {
  if (std::string_view(unit) == "record")
    return MessageLine("robot.where.record", {{"line", std::to_string(source)}, {"text", text}});
  if (source <= 0) return MessageLine("robot.where.file", {{"text", text}});
  return MessageLine("robot.where.line", {{"line", std::to_string(source)}, {"text", text}});
}

std::string FindingSaid(const char* unit, int source, const std::string& said) {
  if (std::string_view(unit) == "record")
    return MessageLine("robot.where.record", {{"line", std::to_string(source)}}, {{"text", said}});
  return MessageLine("robot.where.line", {{"line", std::to_string(source)}}, {{"text", said}});
}

// False when the bytes are no Cabrillo log at all, with that the only refusal.
bool JudgeCabrillo(std::string_view bytes, Intake* intake) {
  const ReadLog log = ReadCabrillo(bytes);
  intake->kind = "cbr";
  intake->linesRead = static_cast<int64_t>(log.qsos.size());
  intake->linesRefused = static_cast<int64_t>(log.skipped.size());
  intake->categories = CategoryLines(bytes);
  const bool header = StartsWithIgnoringCase(TrimAscii(bytes), "START-OF-LOG:");
  if (!header && log.recordsFound == 0) {
    intake->refusal.push_back(MessageLine("robot.refusal.not_log"));
    return false;
  }
  std::vector<std::pair<int, std::string>> findings;
  std::set<int> lines;
  for (const CabrilloProblem& problem : CheckCabrillo(bytes)) {
    lines.insert(problem.line);
    findings.emplace_back(problem.line, Finding("line", problem.line, problem.message));
  }
  for (const LogProblem& skipped : log.skipped) {
    if (lines.count(skipped.source)) continue;
    findings.emplace_back(skipped.source,
                          FindingSaid("line", skipped.source,
                                      MessageLine("robot.not_read", {{"reason", skipped.reason}})));
  }
  std::stable_sort(findings.begin(), findings.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& finding : findings) intake->findings.push_back(std::move(finding.second));
  if (!log.contest.empty() && !EqualsIgnoringCase(TrimAscii(log.contest), "TARNO")) {
    intake->refusal.push_back(
        MessageLine("robot.refusal.other_contest", {{"contest", Quoted(log.contest)}}));
  }
  intake->call = log.ownCall;
  intake->claimedInLog = std::string(TrimAscii(log.claimedScore));
  if (log.qsos.empty()) intake->refusal.push_back(MessageLine("robot.refusal.no_qso_line"));
  return true;
}

void JudgeAdif(std::string_view bytes, Intake* intake) {
  const ReadLog log = ReadAdif(bytes);
  intake->kind = "adi";
  intake->linesRead = static_cast<int64_t>(log.qsos.size());
  intake->linesRefused = static_cast<int64_t>(log.skipped.size());
  std::vector<std::pair<int, std::string>> messages;
  for (const LogProblem& note : log.notes)
    messages.emplace_back(note.source, Finding("record", note.source, note.reason));
  for (const LogProblem& skipped : log.skipped) {
    messages.emplace_back(skipped.source,
                          FindingSaid("record", skipped.source,
                                      MessageLine("robot.skipped", {{"reason", skipped.reason}})));
  }
  std::stable_sort(messages.begin(), messages.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& message : messages) intake->findings.push_back(std::move(message.second));
  if (log.recordsFound == 0) {
    intake->refusal.push_back(MessageLine("robot.refusal.no_record"));
    return;
  }
  intake->call = !log.qsos.empty() && !log.qsos.front().stationCall.empty()
                     ? log.qsos.front().stationCall
                     : log.ownCall;
  if (log.qsos.empty()) intake->refusal.push_back(MessageLine("robot.refusal.no_qso_record"));
}

}  // namespace

bool IsPlausibleCall(std::string_view call) {
  if (call.size() < 3 || call.size() > 20 || call.front() == '/' || call.back() == '/')
    return false;
  bool letter = false, digit = false;
  for (char c : call) {
    const bool isLetter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    const bool isDigit = c >= '0' && c <= '9';
    if (!isLetter && !isDigit && c != '/') return false;
    letter = letter || isLetter;
    digit = digit || isDigit;
  }
  return letter && digit;
}

std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (size_t i = 0; i < text.size() && i < 40; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c >= 0x7f) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + (text.size() > 40 ? "...\"" : "\"");
}

Intake JudgeUpload(std::string_view bytes) {
  Intake intake;
  if (TrimAscii(bytes).empty()) {
    intake.refusal.push_back(MessageLine("robot.refusal.empty"));
    return intake;
  }
  // Judged as the commands read it: UTF-16 and 8-bit files as UTF-8 text.
  std::string text(bytes);
  const TextDecoding decoding = DecodeLogText(&text);
  if (text.find('\0') != std::string::npos) {
    intake.refusal.push_back(MessageLine("robot.refusal.binary"));
    return intake;
  }
  bool log = true;
  if (LooksLikeAdif(text)) {
    JudgeAdif(text, &intake);
  } else {
    log = JudgeCabrillo(text, &intake);
  }
  if (!decoding.note.empty())
    intake.findings.insert(intake.findings.begin(), Finding("file", 0, decoding.note));
  if (!log) return intake;
  const std::string call(TrimAscii(intake.call));
  if (call.empty()) {
    intake.refusal.push_back(intake.kind == "cbr" ? MessageLine("robot.refusal.no_callsign")
                                                  : MessageLine("robot.refusal.no_station_call"));
    intake.call.clear();
  } else if (!IsPlausibleCall(call)) {
    intake.refusal.push_back(
        MessageLine("robot.refusal.implausible_call", {{"call", Quoted(call)}}));
    intake.call.clear();
  } else {
    intake.call = UpperAscii(call);
  }
  return intake;
}

}  // namespace tarno::score
