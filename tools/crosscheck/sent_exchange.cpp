#include "crosscheck/sent_exchange.h"

#include <map>
#include <unordered_map>
#include <vector>

#include "contest/ascii_text.h"
#include "contest/county_rules.h"
#include "crosscheck/matching.h"

namespace tarno::score {
namespace {

constexpr int kFewestLines = 5;

bool IsSerialText(std::string_view text) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

long long SerialOf(std::string_view text) { return std::stoll(std::string(text)); }

// How a copy stands to the column: "=" where it is what the column says, a county
// ("PE") or a serial offset ("#-1") where it is not.
std::string KeyOf(std::string_view copied, std::string_view column) {
  const std::string_view a = TrimAscii(copied), b = TrimAscii(column);
  if (SameExchange(a, b)) return "=";
  if (IsSerialText(a) && IsSerialText(b)) return "#" + std::to_string(SerialOf(a) - SerialOf(b));
  return NormaliseCounty(a);
}

struct Tally {
  int lines = 0;
  int same = 0;                                          // copies that are what the column says
  std::map<std::string, std::pair<int, uint32_t>> keys;  // the others: count, a column
};

}  // namespace

void FindSentFixes(ContestSet* set) {
  std::vector<Tally> byLog(set->logs.size());
  for (const QsoRecord& copier : set->qsos) {
    if (copier.partner == kNoRecord ||
        (copier.match != MatchKind::kExact && copier.match != MatchKind::kBand &&
         copier.match != MatchKind::kMode)) {
      continue;
    }
    const QsoRecord& sender = set->qsos[copier.partner];
    Tally& tally = byLog[sender.log];
    ++tally.lines;
    if (copier.exchRcvd == sender.exchSent) {
      ++tally.same;
      continue;
    }
    const std::string key =
        KeyOf(set->texts.Text(copier.exchRcvd), set->texts.Text(sender.exchSent));
    auto& entry = tally.keys[key];
    ++entry.first;
    entry.second = sender.exchSent;
  }
  for (uint32_t logIndex = 0; logIndex < byLog.size(); ++logIndex) {
    const Tally& tally = byLog[logIndex];
    if (tally.lines < kFewestLines || tally.same * 4 > tally.lines) continue;
    for (const auto& [key, entry] : tally.keys) {
      if (key == "=" || key.empty() || entry.first * 4 < tally.lines * 3) continue;
      SentFix& fix = set->logs[logIndex].sentFix;
      if (key[0] == '#') {
        fix.kind = SentFix::kSerialOffset;
        fix.offset = std::stoi(key.substr(1));
      } else {
        fix.kind = SentFix::kCounty;
        fix.county = set->texts.Intern(key);
      }
      fix.column = entry.second;
      fix.agreeing = entry.first;
      fix.lines = tally.lines;
    }
  }
}

std::string SentAsCopied(const ContestSet& set, const QsoRecord& sent) {
  const SentFix& fix = set.logs[sent.log].sentFix;
  const std::string& column = set.texts.Text(sent.exchSent);
  if (fix.kind == SentFix::kCounty) return set.texts.Text(fix.county);
  const std::string_view trimmed = TrimAscii(column);
  if (fix.kind == SentFix::kSerialOffset && IsSerialText(trimmed))
    return std::to_string(SerialOf(trimmed) + fix.offset);
  return column;
}

bool ReceivedAsSent(const ContestSet& set, const QsoRecord& receiver, const QsoRecord& sent) {
  const std::string& received = set.texts.Text(receiver.exchRcvd);
  if (set.logs[sent.log].sentFix.kind == SentFix::kNone) {
    // Most copies are written as sent: the same text.
    return receiver.exchRcvd == sent.exchSent ||
           SameExchange(received, set.texts.Text(sent.exchSent));
  }
  return SameExchange(received, SentAsCopied(set, sent));
}

std::string SentFixText(const ContestSet& set, const EntrantLog& log) {
  const SentFix& fix = log.sentFix;
  if (fix.kind == SentFix::kNone) return "";
  const std::string judged =
      std::to_string(fix.agreeing) + " of " + std::to_string(fix.lines) + " lines of your partners";
  if (fix.kind == SentFix::kCounty) {
    return "your log says you sent \"" + UpperAscii(set.texts.Text(fix.column)) + "\", but " +
           judged + " copied \"" + set.texts.Text(fix.county) +
           "\": their copies are judged against \"" + set.texts.Text(fix.county) +
           "\", and you lose nothing for it";
  }
  const int by = fix.offset < 0 ? -fix.offset : fix.offset;
  return std::string("your log's sent serials are ") + std::to_string(by) +
         (fix.offset < 0 ? " more" : " less") + " than " + judged +
         " copied: their copies are judged against what they copied, and you lose nothing for it";
}

}  // namespace tarno::score
