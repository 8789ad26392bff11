#include "replay/replay.h"

#include <cstdlib>
#include <fstream>

#include "replay/desktop_autopilot.h"
#include "replay/plugin_library.h"
#include "replay/progress.h"

namespace tarno::score {
ReplayResult Replay(const EntryPoints& entry, const RunValues& run, const PackedQsos& qsos,
                    const DialogAnswers& answers) {
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
    const PackedQso& qso = qsos[i];
    if (!qso.countryFound) result.unknownCountry.push_back(i);
    COleDateTime when = OleDate(qso.oleDays);
    entry.addData(qsos.Text(qso.ownCall), qsos.Text(qso.call), &when, &unused, &unused, &unused, 0,
                  qso.freqHz, qsos.Text(qso.mode), qsos.Text(qso.rstSent), qsos.Text(qso.rstRcvd),
                  qsos.Text(qso.exchSent), qsos.Text(qso.exchRcvd), "", "", "", "", "", "", "", "",
                  "", qsos.Text(qso.prefix), 0, 0, 0, 0.0, 0.0, "", qsos.Text(qso.continent), "",
                  qsos.Text(qso.band), "");
  }
  int flag = 0;
  const char* sheet = entry.getResult(&flag);
  result.sheet = sheet ? sheet : "";
  return result;
}

ReplayResult Replay(const EntryPoints& entry, const RunValues& run, const std::vector<LogQso>& qsos,
                    const CountryFile& countries, const DialogAnswers& answers) {
  return Replay(entry, run, Pack(qsos, run.ownCall, countries), answers);
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
