#ifndef TARNO_TOOLS_LOGS_EXCHANGES_H_
#define TARNO_TOOLS_LOGS_EXCHANGES_H_

// The exchanges of a log from any logger. Contest loggers write them as SRX_STRING and
// STX_STRING (or the numbers SRX and STX); general loggers keep a Hungarian station's
// county in STATE and the own county in MY_STATE. This picks, for every QSO, what the
// logger would have typed into the exchange fields, and counts where each came from.

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "logs/country_file.h"
#include "logs/log_qso.h"

namespace tarno::score {

struct ExchangeRules {
  // --sent-exchange: a county code for every QSO, "serial" to number the QSOs in the
  // order they are replayed, or empty to take the log's own.
  std::string sentExchange;
  bool ownIsHome = false;  // the own station is Hungarian, so MY_STATE may be its county
};

struct ExchangeUse {
  std::map<std::string, size_t> received;  // by source field ("none" for nothing)
  std::map<std::string, size_t> sent;
  std::vector<LogProblem> notes;  // codes read from another spelling, codes not used
  std::vector<int> noSent;        // records with no sent exchange at all
};

// Fills the empty exchanges of `qsos` from STATE and MY_STATE (only where the worked
// station, respectively the own station, is Hungarian), or from the rules.
ExchangeUse ResolveExchanges(const ExchangeRules& rules, const CountryFile& countries,
                             std::vector<LogQso>* qsos);

// Numbers the sent exchanges "001", "002", ... in the order of `qsos`.
void NumberSentExchanges(std::vector<LogQso>* qsos);

// "SRX_STRING 380, STATE 20, none 3": the counts, most used first.
std::string FormatUse(const std::map<std::string, size_t>& use);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_LOGS_EXCHANGES_H_
