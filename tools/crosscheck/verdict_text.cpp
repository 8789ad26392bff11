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

std::string QsoLineOf(const ContestSet& set, const QsoRecord& qso) {
  if (!qso.readable) return "(the line could not be read)";
  const auto text = [&](uint32_t id) { return set.texts.Text(id).c_str(); };
  const std::string& mode = set.texts.Text(qso.mode);
  const char* code = mode == "CW" ? "CW" : mode == "SSB" ? "PH" : mode.c_str();
  COleDateTime when;
  when.m_dt = qso.oleDays;
  const std::string time = FormatOleDate(when, "%Y-%m-%d %H%M");
  const char* own = qso.stationCall ? text(qso.stationCall) : OwnerOf(set, qso).c_str();
  // Once into a buffer that holds any usual line; again only for one longer.
  char buffer[256];
  const auto print = [&](char* into, size_t size) {
    return std::snprintf(into, size, "QSO: %5u %2s %s %-13s %-3s %-6s %-13s %-3s %s",
                         qso.freqHz / 1000, code, time.c_str(), own, text(qso.rstSent),
                         text(qso.exchSent), text(qso.workedAsLogged), text(qso.rstRcvd),
                         text(qso.exchRcvd));
  };
  const int size = print(buffer, sizeof buffer);
  if (size < 0) return std::string();
  if (static_cast<size_t>(size) < sizeof buffer)
    return std::string(buffer, static_cast<size_t>(size));
  std::string line(static_cast<size_t>(size) + 1, '\0');
  print(line.data(), line.size());
  line.pop_back();
  return line;
}

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace tarno::score
