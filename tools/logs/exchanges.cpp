#include "logs/exchanges.h"

#include <algorithm>
#include <cstdio>

#include "contest/ascii_text.h"
#include "contest/county_rules.h"
#include "logs/county_codes.h"

namespace tarno::score {
namespace {

const char kSerial[] = "serial";

// STATE or MY_STATE as a county: the code, a note where it was spelt otherwise or could
// not be used, and false where it names no county.
bool CountyOfState(const std::string& state, const char* field, bool isoLog, int source,
                   std::string* county, std::vector<LogProblem>* notes) {
  switch (ReadStateCounty(state, isoLog, county)) {
    case StateReading::kCounty:
      if (UpperAscii(TrimAscii(state)) != *county) {
        notes->push_back({source, std::string(field) + " " + state + " is read as the county " +
                                      *county + " (ISO 3166-2 spelling)"});
      }
      return true;
    case StateReading::kAmbiguous:
      notes->push_back({source, std::string(field) + " " + state +
                                    " is not used: this log spells counties as ISO 3166-2 does, "
                                    "where SZ is Szabolcs (SA), not Szolnok (SZ)"});
      return false;
    case StateReading::kNoCounty:
      return false;
  }
  return false;
}

}  // namespace

ExchangeUse ResolveExchanges(const ExchangeRules& rules, const CountryFile& countries,
                             std::vector<LogQso>* qsos) {
  ExchangeUse use;
  const bool isoLog = std::any_of(qsos->begin(), qsos->end(), [](const LogQso& qso) {
    return IsIsoOnlyCountyCode(qso.state) || IsIsoOnlyCountyCode(qso.myState);
  });
  const bool sentCounty = !rules.sentExchange.empty() && rules.sentExchange != kSerial;
  for (LogQso& qso : *qsos) {
    if (qso.exchRcvdField.empty() && !TrimAscii(qso.state).empty() &&
        IsHomePrefix(countries.Lookup(qso.call).prefix) &&
        CountyOfState(qso.state, "STATE", isoLog, qso.source, &qso.exchRcvd, &use.notes)) {
      qso.exchRcvdField = "STATE";
    }
    if (sentCounty) {
      qso.exchSent = rules.sentExchange;
      qso.exchSentField = "--sent-exchange";
    } else if (rules.sentExchange == kSerial) {
      qso.exchSentField = "--sent-exchange serial";
    } else if (qso.exchSentField.empty() && rules.ownIsHome && !TrimAscii(qso.myState).empty() &&
               CountyOfState(qso.myState, "MY_STATE", isoLog, qso.source, &qso.exchSent,
                             &use.notes)) {
      qso.exchSentField = "MY_STATE";
    }
    ++use.received[qso.exchRcvdField.empty() ? "none" : qso.exchRcvdField];
    ++use.sent[qso.exchSentField.empty() ? "none" : qso.exchSentField];
    if (qso.exchSentField.empty()) use.noSent.push_back(qso.source);
  }
  return use;
}

void NumberSentExchanges(std::vector<LogQso>* qsos) {
  int number = 0;
  for (LogQso& qso : *qsos) {
    char serial[16];
    std::snprintf(serial, sizeof serial, "%03d", ++number);
    qso.exchSent = serial;
  }
}

std::string FormatUse(const std::map<std::string, size_t>& use) {
  std::vector<std::pair<std::string, size_t>> sorted(use.begin(), use.end());
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const auto& a, const auto& b) { return a.second > b.second; });
  std::string text;
  for (const auto& [field, count] : sorted) {
    text += (text.empty() ? "" : ", ") + field + " " + std::to_string(count);
  }
  return text;
}

}  // namespace tarno::score
