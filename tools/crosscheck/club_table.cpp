#include "crosscheck/club_table.h"

#include <algorithm>
#include <fstream>
#include <unordered_map>

#include "contest/ascii_text.h"
#include "replay/csv_cell.h"

namespace tarno::score {
namespace {

std::string ClubKey(const std::string& club) {
  std::string key;
  for (char c : UpperAscii(club)) {
    if (!IsAsciiBlank(c)) key += c;
  }
  return key;
}

}  // namespace

std::vector<ClubRow> ClubTotals(const ContestSet& set, const std::vector<RankedLog>& ranking) {
  std::vector<size_t> byCall(ranking.size());
  for (size_t i = 0; i < byCall.size(); ++i) byCall[i] = i;
  std::sort(byCall.begin(), byCall.end(), [&](size_t a, size_t b) {
    return set.logs[ranking[a].log].call < set.logs[ranking[b].log].call;
  });
  std::unordered_map<std::string, size_t> slot;
  std::vector<ClubRow> clubs;
  for (size_t row : byCall) {
    const RankedLog& ranked = ranking[row];
    const std::string key = ClubKey(ranked.club);
    if (key.empty() || ranked.category == "CHECKLOG") continue;
    auto [at, fresh] = slot.emplace(key, clubs.size());
    if (fresh) {
      clubs.emplace_back();
      clubs.back().club = ranked.club;
    }
    ClubRow& club = clubs[at->second];
    club.score += set.logs[ranked.log].checked;
    club.members.push_back(row);
  }
  for (ClubRow& club : clubs) std::sort(club.members.begin(), club.members.end());
  std::sort(clubs.begin(), clubs.end(), [](const ClubRow& a, const ClubRow& b) {
    return a.score != b.score ? a.score > b.score : a.club < b.club;
  });
  for (size_t i = 0; i < clubs.size(); ++i) {
    const bool tie = i > 0 && clubs[i].score == clubs[i - 1].score;
    clubs[i].rank = tie ? clubs[i - 1].rank : static_cast<int>(i + 1);
  }
  return clubs;
}

bool WriteClubsCsv(const ContestSet& set, const std::vector<RankedLog>& ranking,
                   const std::vector<ClubRow>& clubs, const std::string& path, std::string* error) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << "rank,club,score,logs,members\n";
  for (const ClubRow& club : clubs) {
    std::string members;
    for (size_t row : club.members)
      members += (members.empty() ? "" : " ") + set.logs[ranking[row].log].call;
    out << club.rank << ',' << CsvCell(club.club) << ',' << club.score << ',' << club.members.size()
        << ',' << CsvCell(members) << '\n';
  }
  out.close();
  if (out) return true;
  *error = "cannot write " + path;
  return false;
}

}  // namespace tarno::score
