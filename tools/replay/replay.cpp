#include "replay/replay.h"

#include <cstdlib>
#include <fstream>

#include "replay/desktop_autopilot.h"
#include "replay/plugin_library.h"
#include "replay/progress.h"

namespace tarno::score {
ReplayResult Replay(const EntryPoints& entry, const RunValues& run, const std::vector<LogQso>& qsos,
                    const CountryFile& countries, const DialogAnswers& answers) {
  ReplayResult result;
  DesktopAutopilot autopilot(answers);
  COleDateTime start = OleDate(run.startDays);
  COleDateTime end = OleDate(run.endDays);
  entry.resetStats("", run.cabrillo ? 1 : 0, run.ownCall.c_str(), &start, &end, "", "", "", "", "",
                   "", "", "", "", "", 0, 0, 0, 0.0, 0.0, "", run.ownContinent.c_str(), "");
  COleDateTime unused = OleDate(0.0);
  Progress progress(StderrIsTerminal());
  for (size_t i = 0; i < qsos.size(); ++i) {
    if (i % 4096 == 0) progress.Show("scoring QSOs", i, qsos.size());
    const LogQso& qso = qsos[i];
    const CountryInfo country = countries.Lookup(qso.call);
    if (!country.found) result.unknownCountry.push_back(i);
    const std::string& continent = qso.continent.empty() ? country.continent : qso.continent;
    const std::string& ownCall = qso.stationCall.empty() ? run.ownCall : qso.stationCall;
    COleDateTime when = OleDate(qso.oleDays);
    entry.addData(ownCall.c_str(), qso.call.c_str(), &when, &unused, &unused, &unused, 0,
                  qso.freqHz, qso.mode.c_str(), qso.rstSent.c_str(), qso.rstRcvd.c_str(),
                  qso.exchSent.c_str(), qso.exchRcvd.c_str(), "", "", "", "", "", "", "", "", "",
                  country.prefix.c_str(), 0, 0, 0, 0.0, 0.0, "", continent.c_str(), "",
                  qso.band.c_str(), "");
  }
  int flag = 0;
  const char* sheet = entry.getResult(&flag);
  result.sheet = sheet ? sheet : "";
  return result;
}

bool EnterRunFolder(const std::string& folder, std::string* error) {
  MakeDirectory(folder);
  if (!ChangeDirectory(folder, error)) return false;
  MakeDirectory("Plugins");
  const char kSettings[] = "Plugins/TARNO-Contest.ini";
  if (!std::ifstream(kSettings))
    std::ofstream(kSettings, std::ios::binary) << "[Settings]\r\nMaster=1\r\n";
  return true;
}

bool ScoreOfSheet(const std::string& sheet, long long* score) {
  const size_t line = sheet.rfind("Score:");
  if (line == std::string::npos) return false;
  const size_t equals = sheet.find('=', line);
  if (equals == std::string::npos) return false;
  char* end = nullptr;
  const char* digits = sheet.c_str() + equals + 1;
  *score = std::strtoll(digits, &end, 10);
  return end != digits;
}

}  // namespace tarno::score
