#include "serve/wanted_logs.h"

#include <algorithm>
#include <unordered_set>

#include "contest/ascii_text.h"
#include "logs/adif_reader.h"
#include "logs/cabrillo_reader.h"
#include "replay/html_text.h"
#include "serve/adjudication_files.h"

namespace tarno::score {
namespace {

std::string E(const std::string& text) { return HtmlEscaped(text); }

bool SentALog(const UploadRecord& upload) {
  return upload.state == "current" || upload.state == "late";
}

}  // namespace

// Moves the known logs' calls over from m_worked, and reads the new logs.
void WantedLogs::ReadNewLogs(RobotStore& store, const std::vector<std::pair<int64_t, bool>>& key,
                             std::unordered_map<int64_t, std::vector<uint32_t>>* worked) {
  for (const auto& [id, late] : key) {
    if (late) continue;  // a late log is kept out of the check until the sponsor takes it
    const auto known = m_worked.find(id);
    if (known != m_worked.end()) {
      worked->emplace(id, std::move(known->second));
      continue;
    }
    UploadRecord upload;
    std::vector<uint32_t>& numbers = (*worked)[id];
    if (!store.UploadById(id, &upload)) continue;
    const ReadLog log = upload.kind == "adi" ? ReadAdif(upload.bytes) : ReadCabrillo(upload.bytes);
    for (const LogQso& qso : log.qsos) {
      const std::string call = UpperAscii(TrimAscii(qso.call));
      if (call == upload.call || !IsEntrantCall(call)) continue;
      auto seen = m_index.find(call);  // emplace would make a node for every line
      if (seen == m_index.end()) {
        seen = m_index.emplace(call, static_cast<uint32_t>(m_calls.size())).first;
        m_calls.push_back(call);
      }
      numbers.push_back(seen->second);
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
  }
}

WantedList WantedLogs::Of(RobotStore& store, const std::vector<UploadRecord>& uploads,
                          size_t most) {
  std::vector<std::pair<int64_t, bool>> key;
  std::unordered_set<std::string> sent;
  for (const UploadRecord& upload : uploads) {
    if (!SentALog(upload)) continue;
    key.emplace_back(upload.id, upload.state == "late");
    sent.insert(upload.call);
  }
  std::sort(key.begin(), key.end());
  std::lock_guard<std::mutex> lock(m_mutex);
  if (key == m_key && most == m_most) return m_list;

  std::unordered_map<int64_t, std::vector<uint32_t>> worked;
  // A failed read of the database leaves nothing half moved for the next view to trust.
  try {
    ReadNewLogs(store, key, &worked);
  } catch (...) {
    m_worked.clear();
    m_key.clear();
    throw;
  }
  m_worked = std::move(worked);  // logs no longer current are forgotten

  std::vector<int64_t> logsOf(m_calls.size(), 0);
  for (const auto& [id, numbers] : m_worked) {
    for (uint32_t number : numbers) ++logsOf[number];
  }
  WantedList list;
  list.currentLogs = static_cast<int64_t>(m_worked.size());
  for (uint32_t number = 0; number < logsOf.size(); ++number) {
    if (logsOf[number] == 0 || sent.count(m_calls[number])) continue;
    ++list.stations;
    list.calls.push_back({m_calls[number], logsOf[number]});
  }
  const auto order = [](const WantedCall& a, const WantedCall& b) {
    return a.logs != b.logs ? a.logs > b.logs : a.call < b.call;
  };
  const size_t shown = std::min(most, list.calls.size());
  std::partial_sort(list.calls.begin(), list.calls.begin() + static_cast<ptrdiff_t>(shown),
                    list.calls.end(), order);
  list.calls.resize(shown);
  m_key = std::move(key);
  m_most = most;
  m_list = list;
  return list;
}

std::string WantedLogsSection(const WantedList& wanted, const Catalogue& words) {
  std::string html = "<section id=\"wanted\"><h2>" + E(words.Text("wanted.title")) + "</h2>\n";
  if (wanted.currentLogs == 0)
    return html + "<p>" + E(words.Text("wanted.no_logs")) + "</p></section>\n";
  if (wanted.calls.empty()) return html + "<p>" + E(words.Text("wanted.none")) + "</p></section>\n";
  html += "<p>" +
          E(words.Plural("wanted.intro", wanted.stations,
                         {{"shown", words.Number(static_cast<long long>(wanted.calls.size()))}})) +
          "</p>\n<div class=\"scroll\"><table id=\"wanted-logs\"><thead><tr><th scope=\"col\">" +
          E(words.Text("wanted.column.call")) + "</th><th scope=\"col\">" +
          E(words.Text("wanted.column.logs")) + "</th></tr></thead><tbody>\n";
  for (const WantedCall& call : wanted.calls) {
    html += "<tr><td>" + E(call.call) + "</td><td class=\"num\">" + E(words.Number(call.logs)) +
            "</td></tr>\n";
  }
  return html + "</tbody></table></div></section>\n";
}

}  // namespace tarno::score
