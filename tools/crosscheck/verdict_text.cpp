#include "crosscheck/verdict_text.h"

#include <cstdio>

#include "contest/ascii_text.h"
#include "contest/ole_date_time.h"
#include "crosscheck/sent_exchange.h"

namespace tarno::score {

namespace {

// A code or call as one side logged it, set apart from the words around it: "copied to"
// would read as English where "copied \"TO\"" cannot. Upper-cased, as the rules compare.
std::string Quoted(const std::string& logged) { return "\"" + UpperAscii(logged) + "\""; }

}  // namespace

const std::string& OwnerOf(const ContestSet& set, const QsoRecord& qso) {
  return set.logs[qso.log].call;
}

std::string DetailOf(const ContestSet& set, const QsoRecord& qso) {
  const auto text = [&](uint32_t id) -> const std::string& { return set.texts.Text(id); };
  if (!set.decisions.empty()) {
    const auto decided = set.decisions.find(static_cast<uint32_t>(&qso - set.qsos.data()));
    if (decided != set.decisions.end()) {
      return "decided by the sponsor: " + text(decided->second.reason) +
             " (the cross-check: " + text(decided->second.was) + ")";
    }
  }
  if (qso.partner == kNoRecord) return text(qso.note);
  const QsoRecord& other = set.qsos[qso.partner];
  switch (qso.verdict) {
    case Verdict::kBustedCall:
      return "right call " + OwnerOf(set, other);
    case Verdict::kBustedExchange: {
      const std::string sent = SentAsCopied(set, other);
      std::string detail = "copied " + Quoted(text(qso.exchRcvd)) + ", sent " + Quoted(sent);
      if (sent != text(other.exchSent))
        detail += " (its log says " + Quoted(text(other.exchSent)) + ")";
      return detail;
    }
    case Verdict::kOk:
      if (other.verdict == Verdict::kBustedCall)
        return OwnerOf(set, other) + " logged your call as " + Quoted(text(other.workedAsLogged));
      if (other.verdict == Verdict::kBustedExchange)
        return OwnerOf(set, other) + " copied your exchange as " + Quoted(text(other.exchRcvd));
      return qso.note ? text(qso.note) : "";
    default:
      return text(qso.note);
  }
}

namespace {

// printf's "%-Ns" and "%Ns": the text (to a NUL, as printf takes it), padded with blanks to
// `width` after or before it.
void AppendPadded(std::string* out, const char* zeroEnded, size_t width, bool left) {
  const std::string_view text(zeroEnded);
  if (!left && text.size() < width) out->append(width - text.size(), ' ');
  out->append(text);
  if (left && text.size() < width) out->append(width - text.size(), ' ');
}

void AppendTwoDigits(std::string* out, int value) {
  out->push_back(static_cast<char>('0' + value / 10 % 10));
  out->push_back(static_cast<char>('0' + value % 10));
}

}  // namespace

std::string QsoLineOf(const ContestSet& set, const QsoRecord& qso) {
  if (!qso.readable) return "(the line could not be read)";
  const auto text = [&](uint32_t id) -> const std::string& { return set.texts.Text(id); };
  const std::string& mode = text(qso.mode);
  const char* code = mode == "CW" ? "CW" : mode == "SSB" ? "PH" : mode.c_str();
  COleDateTime when;
  when.m_dt = qso.oleDays;
  // Built by hand, as "QSO: %5u %2s %s %-13s %-3s %-6s %-13s %-3s %s" would: a report
  // and a page show two such lines for every QSO that lost credit.
  std::string line = "QSO: ";
  line.reserve(96);
  AppendPadded(&line, std::to_string(qso.freqHz / 1000).c_str(), 5, false);
  line.push_back(' ');
  AppendPadded(&line, code, 2, false);
  line.push_back(' ');
  OleDateFields fields;
  if (SplitOleDate(when, &fields)) {
    line.append(std::to_string(fields.year)).push_back('-');
    AppendTwoDigits(&line, fields.month);
    line.push_back('-');
    AppendTwoDigits(&line, fields.day);
    line.push_back(' ');
    AppendTwoDigits(&line, fields.hour);
    AppendTwoDigits(&line, fields.minute);
  } else {
    line.append(FormatOleDate(when, "%Y-%m-%d %H%M"));
  }
  line.push_back(' ');
  AppendPadded(&line, (qso.stationCall ? text(qso.stationCall) : OwnerOf(set, qso)).c_str(), 13,
               true);
  line.push_back(' ');
  AppendPadded(&line, text(qso.rstSent).c_str(), 3, true);
  line.push_back(' ');
  AppendPadded(&line, text(qso.exchSent).c_str(), 6, true);
  line.push_back(' ');
  AppendPadded(&line, text(qso.workedAsLogged).c_str(), 13, true);
  line.push_back(' ');
  AppendPadded(&line, text(qso.rstRcvd).c_str(), 3, true);
  line.push_back(' ');
  line.append(text(qso.exchRcvd).c_str());
  return line;
}

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace tarno::score
