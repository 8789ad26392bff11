#ifndef TARNO_CONTEST_CONTEST_LOG_H_
#define TARNO_CONTEST_CONTEST_LOG_H_

// The in-memory contest log (g_log) and the list of worked band texts (g_bands).
//
// The log answers the contest's questions (is this the same contact as an earlier
// one, is this prefix or county already on the band) from counting indexes that
// every change keeps up to date, so admission and the call check cost the same on a
// 100,000-QSO log as on an empty one. Their answers are exactly those of a scan of
// the records.
//
// Not thread-safe: the module serialises every use with its one lock.

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "contest/qso_record.h"

namespace tarno {

class ContestLog {
 public:
  void Clear();

  // Adds a copy after the last record. On failure (out of memory) the log is as it was.
  void Append(CInfo record);

  // Deletes one record; the later records move down one place. Indexes other than
  // this one stay valid only below `index`.
  void RemoveAt(size_t index);

  size_t Size() const { return m_records.size(); }
  const CInfo& operator[](size_t index) const { return m_records[index]; }

  // How many records are the same contact: equal call, band and mode.
  int CountContacts(std::string_view call, std::string_view band, std::string_view mode) const;

  // Index of the first record of that contact, or -1. Linear in the log's size when
  // the contact is there: only removal asks, and removal moves the records anyway.
  long FindFirstContact(std::string_view call, std::string_view band,
                        std::string_view mode) const;

  // How many records of the band have that stored prefix, or that county (the empty
  // county included: it is what every record without a county holds).
  int CountPrefixOnBand(std::string_view band, std::string_view prefix) const;
  int CountCountyOnBand(std::string_view band, std::string_view county) const;

 private:
  using Counts = std::unordered_map<std::string, int>;

  static std::string ContactKey(const CInfo& record);

  std::vector<CInfo> m_records;
  Counts m_contacts;  // call, band, mode
  Counts m_prefixes;  // band, prefix
  Counts m_counties;  // band, county
};

// The band texts of the admitted QSOs, each once, in order of first appearance.
class BandList {
 public:
  void Clear();
  // Appends the text unless it is already there; true when it was appended.
  bool AppendIfNew(const std::string& band);
  // Overwrites the whole list in the given order (used by the score to sort it).
  void Assign(std::vector<std::string> bands);

  size_t Size() const { return m_bands.size(); }
  const std::string& operator[](size_t index) const { return m_bands[index]; }
  const std::vector<std::string>& Texts() const { return m_bands; }
  bool Contains(const std::string& band) const { return m_seen.count(band) != 0; }

 private:
  std::vector<std::string> m_bands;
  std::unordered_set<std::string> m_seen;
};

}  // namespace tarno

#endif  // TARNO_CONTEST_CONTEST_LOG_H_
