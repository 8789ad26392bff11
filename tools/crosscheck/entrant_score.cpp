#include "crosscheck/entrant_score.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>

#include "contest/county_rules.h"
#include "crosscheck/contest_period.h"

namespace tarno::score {

const QsoWorth::Country& QsoWorth::CountryOf(const ContestSet& set, uint32_t call) {
  Country& country = m_byCall[call];
  if (!country.looked) {
    const CountryInfo info = m_countries.Lookup(set.texts.Text(call));
    country.looked = true;
    country.prefix = info.prefix;
    country.continent = info.continent;
  }
  return country;
}

// The plug-in is handed the call as logged and the log's continent where it gives one,
// exactly as PluginJudge hands them over.
int QsoWorth::Points(const ContestSet& set, const EntrantLog& log, const QsoRecord& qso) {
  const Country& country = CountryOf(set, qso.workedAsLogged);
  if (StoredPrefix(country.prefix) == "HA") return 6;
  const std::string& continent = qso.continent ? set.texts.Text(qso.continent) : country.continent;
  return continent == log.ownContinent ? 1 : 3;
}

int QsoWorth::County(const ContestSet& set, const QsoRecord& qso) {
  if (!IsHomePrefix(CountryOf(set, qso.workedAsLogged).prefix)) return -1;
  const std::string code = NormaliseCounty(set.texts.Text(qso.exchRcvd));
  for (int c = 0; c < kCountyCount; ++c) {
    if (code == kCountyCodes[c]) return c;
  }
  return -1;
}

std::vector<std::string> SheetBands(const EntrantLog& log) {
  std::vector<std::string> bands;
  for (const auto* list : {&log.claimedBands, &log.checkedBands}) {
    for (const BandFigures& row : *list) {
      if (std::find(bands.begin(), bands.end(), row.band) == bands.end()) bands.push_back(row.band);
    }
  }
  return bands;
}

std::string PenaltyRulesText(const std::array<double, kVerdictCount>& penalty) {
  std::string text;
  for (int v = 0; v < kVerdictCount; ++v) {
    if (penalty[v] == 0) continue;
    char amount[32];
    std::snprintf(amount, sizeof amount, "%g", penalty[v]);
    text += (text.empty() ? "" : ", ") + std::string(VerdictName(static_cast<Verdict>(v))) + " " +
            amount;
  }
  return text;
}

void ApplyPenalties(const std::array<double, kVerdictCount>& penalty, bool dropUniques,
                    const CountryFile& countries, ContestSet* set) {
  QsoWorth worth(countries);
  for (EntrantLog& log : set->logs) {
    if (!log.used) continue;
    double total = 0;
    for (size_t i = log.firstQso; i < log.firstQso + log.qsoCount; ++i) {
      const QsoRecord& qso = set->qsos[i];
      const double multiple = penalty[static_cast<int>(qso.verdict)];
      if (qso.readable && multiple > 0 && IsLost(qso.verdict, dropUniques))
        total += multiple * worth.Points(*set, log, qso);
    }
    log.penaltyPoints = std::llround(total);
    if (log.penaltyPoints == 0) continue;
    log.checked =
        std::max<long long>(0, log.checkedPoints - log.penaltyPoints) * log.checkedCounties;
  }
}

std::string ScoringRules(const EntrantLog& log, bool dropUniques,
                         const std::array<double, kVerdictCount>* penalty) {
  const std::string continent = log.ownContinent.empty()
                                    ? "none: your call is in no country of the country file"
                                    : log.ownContinent;
  return "Each QSO counts once per band and mode; a repeat (DUPE) counts nothing. Points: 6 for "
         "a QSO with a station of prefix HA; otherwise 1 for a station on your own continent (" +
         continent +
         ") and 3 for one on another continent. HG stations score 1 or 3 like any other "
         "station. Counties: the county an HA or HG station sends counts once on each band; a "
         "band's counties are the different counties worked on it. Score: the points of all "
         "bands times the counties of all bands. The checked score counts the credited QSOs "
         "only: OK, NO-LOG" +
         std::string(dropUniques ? "" : " and UNIQUE") +
         (log.counts[static_cast<int>(Verdict::kNotInPartialLog)] > 0
              ? ", and NOT-IN-PARTIAL-LOG (a QSO the other station's log lost with a stretch "
                "of it)"
              : "") +
         ". A lost QSO costs its points, and its county on its band when no credited QSO gives "
         "that county on that band." +
         (penalty && !PenaltyRulesText(*penalty).empty()
              ? " The contest's rules take a penalty besides, as many times the lost QSO's "
                "points as they set for its verdict (" +
                    PenaltyRulesText(*penalty) +
                    "): the checked score is the credited points less the penalty, times "
                    "the counties."
              : "");
}

EntrantScore ScoreOf(const ContestSet& set, uint32_t logIndex, bool dropUniques, QsoWorth* worth,
                     const std::array<double, kVerdictCount>* penalty) {
  const EntrantLog& log = set.logs[logIndex];
  EntrantScore score;
  using BandCounty = std::pair<uint32_t, int>;
  std::set<BandCounty> credited;
  for (size_t i = log.firstQso; i < log.firstQso + log.qsoCount; ++i) {
    const QsoRecord& qso = set.qsos[i];
    if (!qso.readable || !IsCredited(qso.verdict, dropUniques)) continue;
    CreditedQso entry;
    entry.seconds = CorrectedSeconds(set, qso);
    entry.band = qso.band;
    entry.points = worth->Points(set, log, qso);
    entry.county = worth->County(set, qso);
    if (entry.county >= 0) credited.emplace(qso.band, entry.county);
    score.credited.push_back(entry);
  }
  // The first lost line in the file is the one a lost county is counted with.
  std::map<BandCounty, uint32_t> gone;  // a county lost on a band, and the line that lost it
  for (uint32_t i : RecordsInFileOrder(set, log)) {
    const QsoRecord& qso = set.qsos[i];
    if (!qso.readable || !IsLost(qso.verdict, dropUniques)) continue;
    LostCost cost;
    cost.qso = i;
    cost.points = worth->Points(set, log, qso);
    if (penalty) cost.penalty = (*penalty)[static_cast<int>(qso.verdict)] * cost.points;
    cost.county = worth->County(set, qso);
    const BandCounty key(qso.band, cost.county);
    if (cost.county >= 0 && credited.count(key) == 0) {
      const auto first = gone.emplace(key, qso.line);
      cost.costsCounty = first.second;
      if (!first.second) cost.countyGoneWithLine = first.first->second;
    }
    score.lost.push_back(cost);
  }
  // In time order the first QSO of a county on a band is the one that brings it.
  std::stable_sort(
      score.credited.begin(), score.credited.end(),
      [](const CreditedQso& a, const CreditedQso& b) { return a.seconds < b.seconds; });
  std::set<BandCounty> seen;
  for (CreditedQso& entry : score.credited) {
    entry.newCounty = entry.county >= 0 && seen.emplace(entry.band, entry.county).second;
  }
  return score;
}

}  // namespace tarno::score
