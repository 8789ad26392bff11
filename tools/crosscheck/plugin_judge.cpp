#include "crosscheck/plugin_judge.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "contest/county_rules.h"
#include "contest/ole_date_time.h"
#include "logs/log_qso.h"

namespace tarno::score {
namespace {

// The line of the first admitted record of the contact that record `dupe` repeats; dupes
// are few, so a look back costs less than an index of every contact.
uint32_t FirstLineOf(const ContestSet& set, const EntrantLog& log, size_t dupe) {
  const QsoRecord& repeat = set.qsos[dupe];
  for (size_t i = log.firstQso; i < dupe; ++i) {
    const QsoRecord& qso = set.qsos[i];
    if (qso.readable && qso.verdict != Verdict::kInvalid && qso.verdict != Verdict::kDupe &&
        qso.verdict != Verdict::kOutside && qso.workedAsLogged == repeat.workedAsLogged &&
        qso.band == repeat.band && qso.mode == repeat.mode) {
      return qso.line;
    }
  }
  return 0;
}

const char* RefusalOf(const ContestSet& set, const QsoRecord& qso) {
  if (IsRefusedBand(set.texts.Text(qso.band))) return "refused: NO CONTEST BAND";
  if (!IsContestMode(set.texts.Text(qso.mode))) return "refused: NO CONTEST MODE";
  return "refused: NO RX NUMBER";
}

}  // namespace

void NoteAdmission(ContestSet* set) {
  for (size_t i = 0; i < set->qsos.size(); ++i) {
    QsoRecord& qso = set->qsos[i];
    if (!qso.readable || qso.note != 0 || !set->logs[qso.log].used) continue;
    if (qso.verdict == Verdict::kInvalid) qso.note = set->texts.Intern(RefusalOf(*set, qso));
    if (qso.verdict == Verdict::kDupe) {
      const uint32_t first = FirstLineOf(*set, set->logs[qso.log], i);
      const char* unit = set->logs[qso.log].adif ? "dupe of record " : "dupe of line ";
      qso.note = set->texts.Intern(unit + std::to_string(first));
    }
  }
}

SheetScore ScoreLineOf(const std::string& sheet) {
  SheetScore result;
  const size_t line = sheet.rfind("Score:");
  if (line == std::string::npos) return result;
  const char* at = sheet.c_str() + line + 6;
  char* end = nullptr;
  result.points = std::strtoll(at, &end, 10);
  if (end == at || *end != '*') return result;
  at = end + 1;
  result.counties = std::strtoll(at, &end, 10);
  if (end == at) return result;
  while (*end == ' ') ++end;
  if (*end != '=') return result;
  at = end + 1;
  result.score = std::strtoll(at, &end, 10);
  result.read = end != at;
  return result;
}

std::vector<BandFigures> BandRowsOf(const std::string& sheet) {
  static const char kHeading[] = "\tQSOs\tPoints\tCounty\r\n";
  std::vector<BandFigures> rows;
  size_t at = sheet.find(kHeading);
  if (at == std::string::npos) return rows;
  at += sizeof(kHeading) - 1;
  for (size_t end; (end = sheet.find("\r\n", at)) != std::string::npos; at = end + 2) {
    const std::string row = sheet.substr(at, end - at);
    if (row.compare(0, 6, "Total\t") == 0) return rows;
    BandFigures band;
    const size_t label = row.find("\t ");
    long long* figures[] = {&band.qsos, &band.points, &band.counties};
    const char* cursor = row.c_str() + (label == std::string::npos ? row.size() : label);
    for (long long* figure : figures) {
      if (cursor[0] != '\t' || cursor[1] != ' ') return {};
      char* after = nullptr;
      *figure = std::strtoll(cursor + 2, &after, 10);
      if (after == cursor + 2) return {};
      cursor = after;
    }
    if (*cursor != '\0') return {};
    band.band = row.substr(0, label);
    rows.push_back(std::move(band));
  }
  return {};
}

PluginJudge::PluginJudge(const EntryPoints& entries, const CountryFile& countries,
                         const ContestPeriod& period)
    : m_entries(entries), m_countries(countries), m_period(period) {}

const PluginJudge::Country& PluginJudge::CountryOf(const ContestSet& set, uint32_t call) {
  if (m_countryOfCall.size() < set.texts.Size()) m_countryOfCall.resize(set.texts.Size());
  Country& country = m_countryOfCall[call];
  if (!country.looked) {
    const CountryInfo info = m_countries.Lookup(set.texts.Text(call));
    country.looked = true;
    country.prefix = m_countryTexts.Intern(info.prefix);
    country.continent = m_countryTexts.Intern(info.continent);
  }
  return country;
}

void PluginJudge::Reset(const ContestSet& set, const EntrantLog& log) {
  (void)set;
  COleDateTime start = OleDate(std::floor(m_period.startSeconds / 86400.0));
  COleDateTime end = OleDate(std::floor(m_period.endSeconds / 86400.0));
  m_entries.resetStats("", 0, log.call.c_str(), &start, &end, "", "", "", "", "", "", "", "", "",
                       "", 0, 0, 0, 0.0, 0.0, "", log.ownContinent.c_str(), "");
}

int PluginJudge::Add(const ContestSet& set, const EntrantLog& log, const QsoRecord& qso) {
  // The call as logged: the plug-in compares calls exactly as the logger hands them over.
  const Country& country = CountryOf(set, qso.workedAsLogged);
  const std::string& continent =
      qso.continent ? set.texts.Text(qso.continent) : m_countryTexts.Text(country.continent);
  const std::string& ownCall = qso.stationCall ? set.texts.Text(qso.stationCall) : log.call;
  COleDateTime when = OleDate(qso.oleDays);
  COleDateTime unused = OleDate(0.0);
  return m_entries.addData(
      ownCall.c_str(), set.texts.Text(qso.workedAsLogged).c_str(), &when, &unused, &unused, &unused,
      0, qso.freqHz, set.texts.Text(qso.mode).c_str(), set.texts.Text(qso.rstSent).c_str(),
      set.texts.Text(qso.rstRcvd).c_str(), set.texts.Text(qso.exchSent).c_str(),
      set.texts.Text(qso.exchRcvd).c_str(), "", "", "", "", "", "", "", "", "",
      m_countryTexts.Text(country.prefix).c_str(), 0, 0, 0, 0.0, 0.0, "", continent.c_str(), "",
      set.texts.Text(qso.band).c_str(), "");
}

bool PluginJudge::IsDupe(const ContestSet& set, const QsoRecord& qso) {
  const Country& country = CountryOf(set, qso.workedAsLogged);
  char unusedBuffer[2] = {0, 0};
  return m_entries.checkCall(set.texts.Text(qso.workedAsLogged).c_str(), 0, 0,
                             set.texts.Text(qso.mode).c_str(), "", "", "", "", "", "", "", "", "",
                             m_countryTexts.Text(country.prefix).c_str(), 0, 0, 0, 0.0, 0.0, "", "",
                             "", "", set.texts.Text(qso.exchRcvd).c_str(),
                             set.texts.Text(qso.band).c_str(), "", unusedBuffer, unusedBuffer) == 0;
}

SheetScore PluginJudge::Result() {
  int flag = 0;
  const char* text = m_entries.getResult(&flag);
  const std::string sheet = text ? text : "";
  SheetScore score = ScoreLineOf(sheet);
  score.bands = BandRowsOf(sheet);
  return score;
}

SheetScore PluginJudge::Admit(uint32_t logIndex, ContestSet* set) {
  const EntrantLog& log = set->logs[logIndex];
  Reset(*set, log);
  for (size_t i = log.firstQso; i < log.firstQso + log.qsoCount; ++i) {
    QsoRecord& qso = set->qsos[i];
    if (qso.verdict != Verdict::kPending) continue;
    const bool dupe = IsDupe(*set, qso);
    if (!Add(*set, log, qso)) {
      qso.verdict = Verdict::kInvalid;
    } else if (dupe) {
      qso.verdict = Verdict::kDupe;
    }
  }
  return Result();
}

SheetScore PluginJudge::Score(uint32_t logIndex, const ContestSet& set,
                              const std::function<bool(const QsoRecord&)>& take) {
  const EntrantLog& log = set.logs[logIndex];
  Reset(set, log);
  for (size_t i = log.firstQso; i < log.firstQso + log.qsoCount; ++i) {
    const QsoRecord& qso = set.qsos[i];
    if (qso.readable && take(qso)) Add(set, log, qso);
  }
  return Result();
}

}  // namespace tarno::score
