#include "crosscheck/plugin_judge.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "contest/ole_date_time.h"

namespace tarno::score {
namespace {

COleDateTime DateOf(double days) {
  COleDateTime date;
  date.m_dt = days;
  return date;
}

// The problem named at the end of the last line of err.txt, without its " !!!".
std::string LastErrorTail() {
  FILE* file = std::fopen("err.txt", "rb");
  if (!file) return "";
  char buffer[512];
  std::fseek(file, 0, SEEK_END);
  const long size = std::ftell(file);
  const long from = size > static_cast<long>(sizeof buffer) ? size - sizeof buffer : 0;
  std::fseek(file, from, SEEK_SET);
  const size_t got = std::fread(buffer, 1, sizeof buffer, file);
  std::fclose(file);
  std::string text(buffer, got);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  text = text.substr(text.rfind('\n') + 1);
  const size_t tail = text.rfind("   ");
  if (tail == std::string::npos) return text;
  text = text.substr(tail + 3);
  const size_t marks = text.rfind(" !!!");
  return marks == std::string::npos ? text : text.substr(0, marks);
}

// The line of the first admitted record of the contact that record `dupe` repeats; dupes
// are few, so a look back costs less than an index of every contact.
uint32_t FirstLineOf(const ContestSet& set, const EntrantLog& log, size_t dupe) {
  const QsoRecord& repeat = set.qsos[dupe];
  for (size_t i = log.firstQso; i < dupe; ++i) {
    const QsoRecord& qso = set.qsos[i];
    if (qso.verdict == Verdict::kPending && qso.workedAsLogged == repeat.workedAsLogged &&
        qso.band == repeat.band && qso.mode == repeat.mode) {
      return qso.line;
    }
  }
  return 0;
}

}  // namespace

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
  COleDateTime start = DateOf(std::floor(m_period.startSeconds / 86400.0));
  COleDateTime end = DateOf(std::floor(m_period.endSeconds / 86400.0));
  m_entries.resetStats("", 0, log.call.c_str(), &start, &end, "", "", "", "", "", "", "", "", "",
                       "", 0, 0, 0, 0.0, 0.0, "", log.ownContinent.c_str(), "");
}

int PluginJudge::Add(const ContestSet& set, const EntrantLog& log, const QsoRecord& qso) {
  // The call as logged: the plug-in compares calls exactly as the logger hands them over.
  const Country& country = CountryOf(set, qso.workedAsLogged);
  const std::string& continent =
      qso.continent ? set.texts.Text(qso.continent) : m_countryTexts.Text(country.continent);
  const std::string& ownCall = qso.stationCall ? set.texts.Text(qso.stationCall) : log.call;
  COleDateTime when = DateOf(qso.oleDays);
  COleDateTime unused = DateOf(0.0);
  return m_entries.addData(
      ownCall.c_str(), set.texts.Text(qso.workedAsLogged).c_str(), &when, &unused, &unused,
      &unused, 0, qso.freqHz, set.texts.Text(qso.mode).c_str(), set.texts.Text(qso.rstSent).c_str(),
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
                             m_countryTexts.Text(country.prefix).c_str(), 0, 0, 0, 0.0, 0.0, "",
                             "", "", "", set.texts.Text(qso.exchRcvd).c_str(),
                             set.texts.Text(qso.band).c_str(), "", unusedBuffer,
                             unusedBuffer) == 0;
}

SheetScore PluginJudge::Result() {
  int flag = 0;
  const char* sheet = m_entries.getResult(&flag);
  return ScoreLineOf(sheet ? sheet : "");
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
      qso.note = set->texts.Intern("refused: " + LastErrorTail());
    } else if (dupe) {
      qso.verdict = Verdict::kDupe;
      qso.note = set->texts.Intern("dupe of line " + std::to_string(FirstLineOf(*set, log, i)));
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
