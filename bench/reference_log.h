#ifndef TARNO_BENCH_REFERENCE_LOG_H_
#define TARNO_BENCH_REFERENCE_LOG_H_

// The log as the module was first designed, kept here only to measure against: a
// plain vector of records, where every admission and every call check scans the whole
// log. It answers the same questions as the module for the clean QSOs and probes the
// benchmarks use (no error lines are produced: clean QSOs have none).

#include <vector>

#include "contest/qso_record.h"
#include "host_qsos.h"

namespace tarno::bench {

class ReferenceLog {
 public:
  void Clear() { m_records.clear(); }
  size_t Size() const { return m_records.size(); }

  // Admission from the host's texts: the contest checks, the record, then a scan of
  // the log for earlier records of the same contact. True when admitted.
  bool Admit(const BenchQso& qso);

  // Appends without any scan, to build a log to check calls against.
  void AppendUnchecked(CInfo record) { m_records.push_back(std::move(record)); }

  // Dupe: same call, band and mode anywhere in the log. Otherwise a known multiplier
  // when a record of the band has the prefix or, for "HA"/"HG", the county.
  int CheckCall(const BenchQso& probe) const;

 private:
  std::vector<CInfo> m_records;
};

}  // namespace tarno::bench

#endif  // TARNO_BENCH_REFERENCE_LOG_H_
