#ifndef TARNO_TOOLS_CROSSCHECK_ENTRANT_SCORE_H_
#define TARNO_TOOLS_CROSSCHECK_ENTRANT_SCORE_H_

// One entrant's score taken apart QSO by QSO, by the plug-in's own rules, so that the
// report and the page can say what each lost QSO cost and how the score grew: a QSO
// scores 6 points with a station whose stored prefix is "HA", else 1 on the entrant's
// own continent and 3 elsewhere; a home station ("HA" or "HG") gives the county it
// sends, counted once per band; the score is the points times the counties.

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "crosscheck/contest_set.h"
#include "logs/country_file.h"

namespace tarno::score {

// What a QSO line is worth; keeps the country of each call it has looked up. One thread.
class QsoWorth {
 public:
  // `countries` must outlive it.
  explicit QsoWorth(const CountryFile& countries) : m_countries(countries) {}

  int Points(const ContestSet& set, const EntrantLog& log, const QsoRecord& qso);
  // The county it gives, as an index in kCountyCodes; -1 for none.
  int County(const ContestSet& set, const QsoRecord& qso);

 private:
  const CountryFile& m_countries;
  std::unordered_map<uint32_t, int8_t> m_countyOfText;  // by text id of the exchange
};

// A lost QSO (see IsLost) and what it cost.
struct LostCost {
  size_t qso = 0;  // index in ContestSet::qsos
  int points = 0;
  double penalty = 0;        // points the contest's rules take beyond the QSO
  int county = -1;           // the county it would give, index in kCountyCodes, -1 for none
  bool costsCounty = false;  // no credited QSO gives that county on its band
  // Where the county is not credited but an earlier lost line already cost it, that line.
  uint32_t countyGoneWithLine = 0;
};

// A credited QSO as it adds to the score.
struct CreditedQso {
  long long seconds = 0;  // at the log's corrected clock
  uint32_t band = 0;      // text id
  int points = 0;
  int county = -1;         // index in kCountyCodes, -1 for none
  bool newCounty = false;  // the first of its county on its band
};

struct EntrantScore {
  std::vector<LostCost> lost;         // in file order
  std::vector<CreditedQso> credited;  // in time order
};

// `penalty` (ContestRules::penalty, by verdict) prices each lost QSO's penalty; none without.
EntrantScore ScoreOf(const ContestSet& set, uint32_t log, bool dropUniques, QsoWorth* worth,
                     const std::array<double, kVerdictCount>* penalty = nullptr);

// Every used log's penalty points under the contest's rules (the sum over its lost lines of
// their verdict's penalty times their points, rounded), and its checked score with them
// taken from its points: (points - penalty) x counties, never below 0.
void ApplyPenalties(const std::array<double, kVerdictCount>& penalty, bool dropUniques,
                    const CountryFile& countries, ContestSet* set);

// The bands of the log's claimed and checked sheets, in the claimed sheet's order.
std::vector<std::string> SheetBands(const EntrantLog& log);

// How the plug-in counts the score, in a paragraph for the entrant: the points, the
// counties, the score, what the checked score counts and what a lost QSO costs.
std::string ScoringRules(const EntrantLog& log, bool dropUniques,
                         const std::array<double, kVerdictCount>* penalty = nullptr);

// "BUSTED-CALL 1, NIL 2" times the QSO's points; empty where no verdict has a penalty.
std::string PenaltyRulesText(const std::array<double, kVerdictCount>& penalty);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_ENTRANT_SCORE_H_
