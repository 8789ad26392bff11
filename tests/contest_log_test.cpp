// The log answers from its indexes; these tests hold them to a plain scan of the
// records, on random logs with random removals.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "contest/admission.h"
#include "contest/call_check.h"
#include "contest/county_rules.h"
#include "contest/error_file.h"
#include "contest/removal.h"

namespace tarno {
namespace {

// The log as the contest rules define it: every question a linear scan.
struct ScanModule {
  std::vector<CInfo> log;
  std::vector<std::string> bands;
  BandTextLists bandCounties;

  static bool SameContact(const CInfo& r, std::string_view call, std::string_view band,
                          std::string_view mode) {
    return r.m_call == call && r.m_band == band && r.m_mode == mode;
  }

  AdmissionResult Admit(const QsoParams& q) {
    AdmissionResult result;
    const std::string body = ErrorLineBody(q);
    if (q.band == "30m" || q.band == "17m" || q.band == "12m") {
      result.errorLines = body + kTailNoContestBand + "\r\n";
      return result;
    }
    if (q.mode != "CW" && q.mode != "SSB") {
      result.errorLines = body + kTailNoContestMode + "\r\n";
      return result;
    }
    if (q.exchRcvd.empty() || q.exchSent.empty()) {
      result.errorLines = body + kTailNoExchange + "\r\n";
      return result;
    }
    if (std::find(bands.begin(), bands.end(), q.band) == bands.end()) bands.push_back(q.band);
    CInfo r;
    r.m_call = q.call;
    r.m_band = q.band;
    r.m_mode = q.mode;
    r.m_continent = q.continent;
    r.m_rstRcvd = q.rstRcvd;
    r.m_rstSent = q.rstSent;
    r.m_exchRcvd = q.exchRcvd;
    r.m_exchSent = q.exchSent;
    r.m_freqKHz = static_cast<int32_t>(q.freqHz / 1000);
    r.m_time = q.time;
    r.m_prefix = (q.prefix == "IT9" || q.prefix == "IG9" || q.prefix == "IH9") ? "I" : q.prefix;
    if (q.prefix == "HA" || q.prefix == "HG") {
      std::string code = NormaliseCounty(q.exchRcvd);
      if (IsCountyCode(code)) {
        r.m_county = code;
      } else {
        result.errorLines += body + UnknownCountyTail(code) + "\r\n";
      }
    }
    for (const CInfo& earlier : log) {
      if (SameContact(earlier, r.m_call, r.m_band, r.m_mode)) {
        r.m_dupe = 1;
        result.errorLines += body + kTailDupe + "\r\n";
      }
    }
    log.push_back(r);
    result.admitted = true;
    return result;
  }

  int Check(std::string_view call, std::string_view mode, std::string_view prefix,
            std::string_view county, std::string_view band) const {
    for (const CInfo& r : log) {
      if (SameContact(r, call, band, mode)) return 0;
    }
    const bool home = prefix == "HA" || prefix == "HG";
    for (const CInfo& r : log) {
      if (r.m_band == band && (home ? r.m_county == county : r.m_prefix == prefix)) return 1;
    }
    return 2;
  }

  int Remove(const QsoParams& q) {
    if (q.exchRcvd.empty() || q.exchSent.empty()) return 0;
    const bool home = q.prefix == "HA" || q.prefix == "HG";
    const std::string code = NormaliseCounty(q.exchRcvd);
    if (home && !IsCountyCode(code)) return 0;
    auto found = std::find_if(log.begin(), log.end(), [&](const CInfo& r) {
      return SameContact(r, q.call, q.band, q.mode);
    });
    if (found == log.end()) return 1;
    log.erase(found);
    const int index = BandIndex(q.band);
    const bool stillWorked = std::any_of(log.begin(), log.end(), [&](const CInfo& r) {
      return r.m_band == q.band && r.m_county == code && !r.m_call.empty() && r.m_dupe == 0;
    });
    if (home && index >= 0 && !stillWorked) {
      auto& list = bandCounties[index];
      auto listed = std::find(list.begin(), list.end(), code);
      if (listed != list.end()) list.erase(listed);
    }
    return 1;
  }
};

bool SameRecord(const CInfo& a, const CInfo& b) {
  return a.m_call == b.m_call && a.m_prefix == b.m_prefix && a.m_continent == b.m_continent &&
         a.m_band == b.m_band && a.m_mode == b.m_mode && a.m_rstRcvd == b.m_rstRcvd &&
         a.m_rstSent == b.m_rstSent && a.m_exchRcvd == b.m_exchRcvd &&
         a.m_exchSent == b.m_exchSent && a.m_county == b.m_county &&
         a.m_freqKHz == b.m_freqKHz && a.m_dupe == b.m_dupe &&
         a.m_time.m_dt == b.m_time.m_dt && a.m_time.m_status == b.m_time.m_status;
}

class RandomLog {
 public:
  explicit RandomLog(unsigned seed) : m_random(seed) {}

  template <size_t N>
  const char* Pick(const char* const (&choices)[N]) {
    return choices[std::uniform_int_distribution<size_t>(0, N - 1)(m_random)];
  }
  int Percent() { return std::uniform_int_distribution<int>(0, 99)(m_random); }

  QsoParams Qso() {
    static const char* const kCalls[] = {"DL1A", "HA1X", "HG2Y", "IT9Z", "W1AW", ""};
    static const char* const kBands[] = {"160m", "80m", "20m", "10m", "6m", "17m", ""};
    static const char* const kModes[] = {"CW", "SSB", "CW", "SSB", "FM"};
    static const char* const kPrefixes[] = {"DL", "HA", "HG", "IT9", "I", "W", ""};
    static const char* const kExchanges[] = {"BP", "bp ", "ZA", "\tza", "XX", "001", "", "B P"};
    QsoParams qso;
    qso.call = Pick(kCalls);
    qso.band = Pick(kBands);
    qso.mode = Pick(kModes);
    qso.prefix = Pick(kPrefixes);
    qso.exchRcvd = Pick(kExchanges);
    qso.exchSent = Percent() < 95 ? "1" : "";
    qso.freqHz = static_cast<uint32_t>(m_random());
    qso.continent = Percent() < 50 ? "EU" : "NA";
    return qso;
  }

 private:
  std::mt19937 m_random;
};

void ExpectSameState(const ScanModule& scan, const ContestLog& log, const BandList& bands,
                     const BandTextLists& bandCounties) {
  ASSERT_EQ(scan.log.size(), log.Size());
  for (size_t i = 0; i < log.Size(); ++i) ASSERT_TRUE(SameRecord(scan.log[i], log[i])) << i;
  ASSERT_EQ(scan.bands, bands.Texts());
  ASSERT_EQ(scan.bandCounties, bandCounties);
}

TEST(ContestLogTest, IndexesAgreeWithAScanOnRandomLogsWithRemovals) {
  for (unsigned seed = 1; seed <= 40; ++seed) {
    SCOPED_TRACE(seed);
    RandomLog random(seed);
    ScanModule scan;
    ContestLog log;
    BandList bands;
    BandTextLists bandCounties;
    for (int step = 0; step < 600; ++step) {
      const int kind = random.Percent();
      QsoParams qso = random.Qso();
      if (kind < 55) {
        AdmissionResult expected = scan.Admit(qso);
        AdmissionResult actual = AdmitQso(qso, log, bands);
        ASSERT_EQ(expected.admitted, actual.admitted);
        ASSERT_EQ(expected.errorLines, actual.errorLines);
      } else if (kind < 75) {
        ASSERT_EQ(scan.Remove(qso), RemoveQso(qso, log, bandCounties));
      } else if (kind < 82) {
        // The score rebuilds these lists; give removal something to take out.
        const int band = BandIndex(qso.band);
        const std::string code = NormaliseCounty(qso.exchRcvd);
        if (band >= 0 && IsCountyCode(code)) {
          scan.bandCounties[band].push_back(code);
          bandCounties[band].push_back(code);
        }
      } else if (kind < 99) {
        const std::string county = random.Percent() < 30 ? "" : qso.exchRcvd;
        ASSERT_EQ(scan.Check(qso.call, qso.mode, qso.prefix, county, qso.band),
                  CheckCall(log, qso.call, qso.mode, qso.prefix, county, qso.band));
      } else {
        scan = ScanModule();
        log.Clear();
        bands.Clear();
        bandCounties = BandTextLists();
      }
      ExpectSameState(scan, log, bands, bandCounties);
    }
  }
}

TEST(ContestLogTest, CountsReturnToZeroWhenEveryRecordIsRemoved) {
  ContestLog log;
  CInfo record;
  record.m_call = "HA1X";
  record.m_band = "20m";
  record.m_mode = "CW";
  record.m_prefix = "HA";
  record.m_county = "BP";
  log.Append(record);
  log.Append(record);
  EXPECT_EQ(2, log.CountContacts("HA1X", "20m", "CW"));
  EXPECT_EQ(0, log.FindFirstContact("HA1X", "20m", "CW"));
  log.RemoveAt(1);
  log.RemoveAt(0);
  log.RemoveAt(0);  // past the end: nothing happens
  EXPECT_EQ(0, log.CountContacts("HA1X", "20m", "CW"));
  EXPECT_EQ(0, log.CountPrefixOnBand("20m", "HA"));
  EXPECT_EQ(0, log.CountCountyOnBand("20m", "BP"));
  EXPECT_EQ(-1, log.FindFirstContact("HA1X", "20m", "CW"));
}

TEST(ContestLogTest, KeyPartsCannotRunIntoEachOther) {
  ContestLog log;
  CInfo record;
  record.m_call = "AB";
  record.m_band = "C";
  record.m_mode = "CW";
  log.Append(record);
  EXPECT_EQ(0, log.CountContacts("A", "BC", "CW"));
  EXPECT_EQ(1, log.CountContacts("AB", "C", "CW"));
}

}  // namespace
}  // namespace tarno
