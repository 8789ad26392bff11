#ifndef TARNO_TOOLS_REPLAY_PACKED_QSOS_H_
#define TARNO_TOOLS_REPLAY_PACKED_QSOS_H_

// The QSOs of one run packed as AddData0 is handed them: the texts of every QSO in one
// buffer, a text that repeats from one QSO to the next (the own call, band, mode,
// reports, the sent exchange, the country) stored once, and the worked station's country
// looked up once for the forecast and the replay both. A LogQso is some 440 bytes; a
// packed QSO of a contest log takes about a sixth of that, so a big log and the plug-in's
// own copy of it fit in memory side by side.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "logs/country_file.h"
#include "logs/log_qso.h"

namespace tarno::score {

struct PackedQso {
  double oleDays = 0.0;
  uint32_t freqHz = 0;
  int source = 0;
  bool countryFound = false;
  // Where each text starts in PackedQsos' buffer; every text ends at a NUL, as the host's do.
  uint32_t call = 0;
  uint32_t ownCall = 0;  // the log's, else the run's
  uint32_t band = 0;
  uint32_t mode = 0;
  uint32_t rstSent = 0;
  uint32_t rstRcvd = 0;
  uint32_t exchSent = 0;
  uint32_t exchRcvd = 0;
  uint32_t prefix = 0;     // the country file's, for the plug-in
  uint32_t continent = 0;  // the log's, else the country file's
};

class PackedQsos {
 public:
  // Adds `qso`, made with `runOwnCall` where the log names no own call; false, with
  // nothing added, once the texts would pass the 4 GB the offsets can reach.
  bool Add(const LogQso& qso, const std::string& runOwnCall, const CountryFile& countries);

  // Time order, QSOs of one time in the order they were added, as the logger took them.
  void SortByTime();

  // Numbers the sent exchanges 001, 002, ... in the present order.
  void NumberSentExchanges();

  void Reserve(size_t qsos) { m_qsos.reserve(qsos); }
  size_t size() const { return m_qsos.size(); }
  bool empty() const { return m_qsos.empty(); }
  const PackedQso& operator[](size_t i) const { return m_qsos[i]; }
  std::vector<PackedQso>::const_iterator begin() const { return m_qsos.begin(); }
  std::vector<PackedQso>::const_iterator end() const { return m_qsos.end(); }

  // The text at `offset`, up to its NUL.
  const char* Text(uint32_t offset) const { return m_texts.data() + offset; }

 private:
  // A text equal to the last one stored for the same field keeps its offset.
  struct Repeated {
    std::string last;
    uint32_t offset = 0;
    bool seen = false;
  };

  void Store(const std::string& text, uint32_t* offset);
  void StoreRepeated(const std::string& text, Repeated* field, uint32_t* offset);

  std::vector<PackedQso> m_qsos;
  std::string m_texts;
  Repeated m_ownCall, m_band, m_mode, m_rstSent, m_rstRcvd, m_exchSent, m_prefix, m_continent;
};

// `qsos` packed in their order (up to the first that no longer fits, a case of billions).
PackedQsos Pack(const std::vector<LogQso>& qsos, const std::string& runOwnCall,
                const CountryFile& countries);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_REPLAY_PACKED_QSOS_H_
