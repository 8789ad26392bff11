// Placing entrants in categories and clubs over a contest held in memory: who is home,
// which category takes a log, equal scores sharing a place, corrections, club totals.

#include "crosscheck/rankings.h"

#include <gtest/gtest.h>

#include "crosscheck/club_table.h"

namespace tarno::score {
namespace {

const char kCountries[] =
    "Hungary:                  15:  28:  EU:   47.12:   -19.28:    -1.0:  HA:\n"
    "    HA,HG;\n"
    "Czech Republic:           15:  28:  EU:   50.00:   -15.00:    -1.0:  OK:\n"
    "    OK,OL;\n";

struct Entrant {
  const char* call;
  long long checked;
  const char* op;
  const char* power;
  const char* club;
};

class RankingsTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(m_countries.Parse(kCountries, &error)) << error;
  }

  // The entrants' rows, ranked as the cross-check ranks them; "" is a missing header value.
  std::vector<RankedLog> Place(std::initializer_list<Entrant> entrants, const SponsorFiles& files) {
    for (const Entrant& entrant : entrants) {
      EntrantLog log;
      log.call = entrant.call;
      log.file = std::string(entrant.call) + ".cbr";
      log.checked = entrant.checked;
      log.header.present = true;
      log.header.values[kOperatorField] = entrant.op;
      log.header.values[kPowerField] = entrant.power;
      log.header.club = entrant.club;
      m_set.logs.push_back(log);
    }
    std::vector<RankedLog> ranking = RankLogs(m_set);
    m_standings = PlaceInCategories(m_set, files, m_countries, &ranking, &m_notes);
    return ranking;
  }

  // "category: place call, place call | ..." in the order published, then "unranked: ...".
  std::string Tables(const std::vector<RankedLog>& ranking) const {
    std::string text;
    for (const CategoryTable& table : m_standings.tables) {
      text += table.name + ":";
      for (size_t row : table.rows)
        text += " " + std::to_string(ranking[row].categoryRank) + " " +
                m_set.logs[ranking[row].log].call;
      text += " | ";
    }
    text += "unranked:";
    for (size_t row : m_standings.unranked) text += " " + m_set.logs[ranking[row].log].call;
    return text;
  }

  CountryFile m_countries;
  ContestSet m_set;
  Standings m_standings;
  std::vector<FileProblem> m_notes;
};

TEST_F(RankingsTest, EqualScoresShareAPlaceAndHomeComesFirst) {
  const std::vector<RankedLog> ranking = Place({{"OK1AA", 500, "SINGLE-OP", "LOW", ""},
                                                {"HA1AA", 300, "SINGLE-OP", "LOW", ""},
                                                {"HG2BB", 300, "SINGLE-OP", "LOW", ""},
                                                {"HA3CC", 100, "SINGLE-OP", "LOW", ""},
                                                {"HA4DD", 900, "CHECKLOG", "", ""},
                                                {"HA5EE", 50, "SINGLE-OP", "", ""}},
                                               SponsorFiles{});
  EXPECT_EQ(
      "SINGLE-OP mode not given band not given LOW, Hungary: 1 HA1AA 1 HG2BB 3 HA3CC | "
      "SINGLE-OP mode not given band not given power not given, Hungary: 1 HA5EE | "
      "SINGLE-OP mode not given band not given LOW, outside Hungary: 1 OK1AA | "
      "unranked: HA4DD",
      Tables(ranking));
  EXPECT_EQ("CHECKLOG", ranking[0].category) << "the best score is a check log's";
  EXPECT_EQ(0, ranking[0].categoryRank);
  EXPECT_EQ("Czech Republic", ranking[1].country);
}

TEST_F(RankingsTest, TheFirstFittingCategoryTakesALogAndACorrectionWins) {
  SponsorFiles files;
  std::string error;
  ASSERT_TRUE(
      ParseCategories("category: Low, home\n stations: home\n power: LOW QRP\n"
                      "category: Everybody\n operator: SINGLE-OP MULTI-OP\n",
                      &files.rules, &error))
      << error;
  files.entrants = {{"HA3CC", "Everybody", "", "Club A", 1},
                    {"HA5EE", "power:high", "", "", 2},
                    {"OK9ZZ", "low", "", "", 3}};
  files.entrants[1].category = "MULTI-OP";
  files.entrants[2].category = "";
  const std::vector<RankedLog> ranking = Place({{"OK1AA", 500, "SINGLE-OP", "LOW", "club a"},
                                                {"HA1AA", 300, "SINGLE-OP", "QRP", "Club  B"},
                                                {"HA3CC", 100, "SINGLE-OP", "LOW", ""},
                                                {"HA5EE", 50, "", "", "CLUB B"}},
                                               files);
  EXPECT_EQ("Low, home: 1 HA1AA | Everybody: 1 OK1AA 2 HA3CC 3 HA5EE | unranked:", Tables(ranking));
  const std::vector<ClubRow> clubs = ClubTotals(m_set, ranking);
  ASSERT_EQ(2u, clubs.size());
  EXPECT_EQ("Club A", clubs[0].club) << "spelled as the first member by call";
  EXPECT_EQ(600, clubs[0].score);
  EXPECT_EQ("Club  B", clubs[1].club);
  EXPECT_EQ(350, clubs[1].score);
  std::string notes;
  for (const FileProblem& note : m_notes) notes += note.file + ": " + note.message + "\n";
  EXPECT_EQ(
      "HA5EE.cbr: no CATEGORY-POWER: shown as not given\n"
      "entrants file line 3: no log of OK9ZZ was checked\n",
      notes)
      << "power decides a category here; the operator the sponsor gave does not need telling";
}

}  // namespace
}  // namespace tarno::score
