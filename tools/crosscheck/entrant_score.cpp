#include "crosscheck/entrant_score.h"

#include <algorithm>
#include <bitset>
#include <cmath>
#include <cstdio>

#include "contest/county_rules.h"
#include "crosscheck/contest_period.h"

namespace tarno::score {

// The plug-in is handed the call as logged and the log's continent where it gives one,
// exactly as PluginJudge hands them over (see FindCountries).
int QsoWorth::Points(const ContestSet& set, const EntrantLog& log, const QsoRecord& qso) {
  static const CallCountry kNone;  // no country: the plug-in is handed empty texts
  const CallCountry& country =
      qso.workedAsLogged < set.countryOfCall.size() ? set.countryOfCall[qso.workedAsLogged] : kNone;
  if (country.ha) return 6;
  return (qso.continent ? qso.continent : country.continent) == log.ownContinentId ? 1 : 3;
}

int QsoWorth::County(const ContestSet& set, const QsoRecord& qso) {
  if (qso.workedAsLogged >= set.countryOfCall.size() ||
      !set.countryOfCall[qso.workedAsLogged].home) {
    return -1;
  }
  const auto [found, isNew] = m_countyOfText.try_emplace(qso.exchRcvd, -1);
  if (!isNew) return found->second;
  const std::string code = NormaliseCounty(set.texts.Text(qso.exchRcvd));
  for (int c = 0; c < kCountyCount; ++c) {
    if (code == kCountyCodes[c]) found->second = static_cast<int8_t>(c);
  }
  return found->second;
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

namespace {

// Per band of a log (a handful), which counties a set of its lines gives, and for a lost
// county the line that lost it first.
class BandCounties {
 public:
  bool Has(uint32_t band, int county) { return Of(band).given.test(county); }
  // Whether this is the county's first line on the band.
  bool Add(uint32_t band, int county) {
    Band& of = Of(band);
    if (of.given.test(county)) return false;
    of.given.set(county);
    return true;
  }
  uint32_t& GoneWith(uint32_t band, int county) { return Of(band).goneWith[county]; }

 private:
  struct Band {
    uint32_t id;
    std::bitset<kCountyCount> given;
    std::array<uint32_t, kCountyCount> goneWith{};
  };
  Band& Of(uint32_t band) {
    for (Band& of : m_bands) {
      if (of.id == band) return of;
    }
    m_bands.push_back({band, {}, {}});
    return m_bands.back();
  }
  std::vector<Band> m_bands;
};

}  // namespace

EntrantScore ScoreOf(const ContestSet& set, uint32_t logIndex, bool dropUniques, QsoWorth* worth,
                     const std::array<double, kVerdictCount>* penalty) {
  const EntrantLog& log = set.logs[logIndex];
  EntrantScore score;
  score.credited.reserve(log.qsoCount);
  BandCounties credited;
  for (size_t i = log.firstQso; i < log.firstQso + log.qsoCount; ++i) {
    const QsoRecord& qso = set.qsos[i];
    if (!qso.readable || !IsCredited(qso.verdict, dropUniques)) continue;
    CreditedQso entry;
    entry.seconds = CorrectedSeconds(set, qso);
    entry.band = qso.band;
    entry.points = worth->Points(set, log, qso);
    entry.county = worth->County(set, qso);
    if (entry.county >= 0) credited.Add(qso.band, entry.county);
    score.credited.push_back(entry);
  }
  // The first lost line in the file is the one a lost county is counted with.
  BandCounties gone;
  for (uint32_t i : RecordsInFileOrder(set, log)) {
    const QsoRecord& qso = set.qsos[i];
    if (!qso.readable || !IsLost(qso.verdict, dropUniques)) continue;
    LostCost cost;
    cost.qso = i;
    cost.points = worth->Points(set, log, qso);
    if (penalty) cost.penalty = (*penalty)[static_cast<int>(qso.verdict)] * cost.points;
    cost.county = worth->County(set, qso);
    if (cost.county >= 0 && !credited.Has(qso.band, cost.county)) {
      cost.costsCounty = gone.Add(qso.band, cost.county);
      uint32_t& first = gone.GoneWith(qso.band, cost.county);
      if (cost.costsCounty) {
        first = qso.line;
      } else {
        cost.countyGoneWithLine = first;
      }
    }
    score.lost.push_back(cost);
  }
  // In time order the first QSO of a county on a band is the one that brings it.
  const auto byTime = [](const CreditedQso& a, const CreditedQso& b) {
    return a.seconds < b.seconds;
  };
  if (!std::is_sorted(score.credited.begin(), score.credited.end(), byTime))
    std::stable_sort(score.credited.begin(), score.credited.end(), byTime);
  BandCounties seen;
  for (CreditedQso& entry : score.credited)
    entry.newCounty = entry.county >= 0 && seen.Add(entry.band, entry.county);
  return score;
}

}  // namespace tarno::score
