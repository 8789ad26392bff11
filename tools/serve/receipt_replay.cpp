#include "serve/receipt_replay.h"

#include <algorithm>
#include <cstdlib>
#include <unordered_map>

namespace tarno::score {
namespace {

// How many dupes of one contact a run holds, as the cross-check bounds its runs.
constexpr int kCopiesPerRun = 32;

// A contact as the plug-in tells dupes apart: the texts exactly as handed over, which end
// at their first NUL.
std::string ContactOf(const LogQso& qso) {
  std::string key = qso.call.c_str();
  key += '\0';
  key += qso.band.c_str();
  key += '\0';
  key += qso.mode.c_str();
  return key;
}

class PluginRun {
 public:
  PluginRun(const EntryPoints& plugin, const RunValues& run, const CountryFile& countries)
      : m_plugin(plugin), m_run(run), m_countries(countries) {}

  void Reset() {
    COleDateTime start = OleDate(m_run.startDays);
    COleDateTime end = OleDate(m_run.endDays);
    m_plugin.resetStats("", 0, m_run.ownCall.c_str(), &start, &end, "", "", "", "", "", "", "", "",
                        "", "", 0, 0, 0, 0.0, 0.0, "", m_run.ownContinent.c_str(), "");
  }

  // The plug-in's answer: whether it took the QSO into the log.
  bool Add(const LogQso& qso) {
    const CountryInfo country = m_countries.Lookup(qso.call);
    const std::string& continent = qso.continent.empty() ? country.continent : qso.continent;
    const std::string& ownCall = qso.stationCall.empty() ? m_run.ownCall : qso.stationCall;
    COleDateTime when = OleDate(qso.oleDays);
    COleDateTime unused = OleDate(0.0);
    return m_plugin.addData(ownCall.c_str(), qso.call.c_str(), &when, &unused, &unused, &unused, 0,
                            qso.freqHz, qso.mode.c_str(), qso.rstSent.c_str(), qso.rstRcvd.c_str(),
                            qso.exchSent.c_str(), qso.exchRcvd.c_str(), "", "", "", "", "", "", "",
                            "", "", country.prefix.c_str(), 0, 0, 0, 0.0, 0.0, "",
                            continent.c_str(), "", qso.band.c_str(), "") != 0;
  }

  std::string Result() {
    int flag = 0;
    const char* sheet = m_plugin.getResult(&flag);
    return sheet ? sheet : "";
  }

 private:
  const EntryPoints& m_plugin;
  const RunValues& m_run;
  const CountryFile& m_countries;
};

struct Contact {
  bool counted = false;
  int firstSource = 0;
  int dupesHeld = 0;
  std::vector<size_t> repeats;  // QSOs past the bound, in their order
};

// The copies past the bound, a run at a time: each run takes the next copies of every
// contact until it holds the bound of admitted ones. An admitted copy is a dupe, since the
// contact was counted before it. The number admitted.
int64_t AskRepeats(PluginRun& plugin, const std::vector<LogQso>& qsos,
                   std::vector<Contact*> waiting, std::vector<QsoVerdict>* verdicts) {
  int64_t admitted = 0;
  std::vector<size_t> next(waiting.size(), 0);
  while (!waiting.empty()) {
    plugin.Reset();
    for (size_t c = 0; c < waiting.size(); ++c) {
      const Contact& contact = *waiting[c];
      for (int held = 0; held < kCopiesPerRun && next[c] < contact.repeats.size(); ++next[c]) {
        const size_t index = contact.repeats[next[c]];
        QsoVerdict& verdict = (*verdicts)[index];
        if (plugin.Add(qsos[index])) {
          verdict = {QsoVerdict::kDupe, contact.firstSource};
          ++held;
          ++admitted;
        } else {
          verdict.kind = QsoVerdict::kRefused;
        }
      }
    }
    size_t kept = 0;
    for (size_t c = 0; c < waiting.size(); ++c) {
      if (next[c] == waiting[c]->repeats.size()) continue;
      waiting[kept] = waiting[c];
      next[kept++] = next[c];
    }
    waiting.resize(kept);
    next.resize(kept);
  }
  return admitted;
}

// The sheet's Total row counts every QSO the plug-in took, dupes included; the copies
// asked in runs of their own are added to it, as one run over the whole log would count them.
std::string WithMoreQsos(const std::string& sheet, int64_t more) {
  const std::string row = "\nTotal\t ";
  const size_t at = sheet.find(row);
  if (more == 0 || at == std::string::npos) return sheet;
  const size_t from = at + row.size();
  char* end = nullptr;
  const long long total = std::strtoll(sheet.c_str() + from, &end, 10);
  if (end == sheet.c_str() + from) return sheet;
  return sheet.substr(0, from) + std::to_string(total + more) +
         sheet.substr(static_cast<size_t>(end - sheet.c_str()));
}

}  // namespace

ReplayedLog ReplayBounded(const EntryPoints& plugin, const RunValues& run,
                          const std::vector<LogQso>& qsos, const CountryFile& countries) {
  ReplayedLog replayed;
  replayed.verdicts.resize(qsos.size());
  PluginRun pluginRun(plugin, run, countries);
  std::unordered_map<std::string, Contact> contacts;
  std::vector<Contact*> withRepeats;
  pluginRun.Reset();
  for (size_t i = 0; i < qsos.size(); ++i) {
    Contact& contact = contacts[ContactOf(qsos[i])];
    if (contact.dupesHeld >= kCopiesPerRun) {
      if (contact.repeats.empty()) withRepeats.push_back(&contact);
      contact.repeats.push_back(i);
      continue;
    }
    QsoVerdict& verdict = replayed.verdicts[i];
    if (!pluginRun.Add(qsos[i])) {
      verdict.kind = QsoVerdict::kRefused;
    } else if (contact.counted) {
      verdict = {QsoVerdict::kDupe, contact.firstSource};
      ++contact.dupesHeld;
    } else {
      contact.counted = true;
      contact.firstSource = qsos[i].source;
    }
  }
  replayed.sheet = pluginRun.Result();
  const int64_t more = AskRepeats(pluginRun, qsos, std::move(withRepeats), &replayed.verdicts);
  replayed.sheet = WithMoreQsos(replayed.sheet, more);
  return replayed;
}

}  // namespace tarno::score
