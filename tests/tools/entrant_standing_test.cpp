// Where each entrant stands: places shared by equal scores, the entrant its page compares it
// with, no places and no one to compare with for a check log or a log in no category, and
// the figures read against the contest's means.

#include "crosscheck/entrant_standing.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

namespace tarno::score {
namespace {

struct Entrant {
  std::string call;
  long long checked;
  std::string category;  // "CHECKLOG", or "" for none
  int categoryRank;      // as PlaceInCategories numbers it
  bool home;
};

// The logs and their ranking as RankLogs and PlaceInCategories leave them: by checked
// score, equal scores by call.
struct Contest {
  ContestSet set;
  std::vector<RankedLog> ranking;
  std::map<std::string, uint32_t> logOf;

  explicit Contest(const std::vector<Entrant>& entrants) {
    for (const Entrant& entrant : entrants) {
      EntrantLog log;
      log.call = entrant.call;
      log.checked = entrant.checked;
      logOf[entrant.call] = static_cast<uint32_t>(set.logs.size());
      set.logs.push_back(log);
      RankedLog row{};
      row.rank = 0;
      row.log = logOf[entrant.call];
      row.category = entrant.category;
      row.categoryRank = entrant.categoryRank;
      row.home = entrant.home;
      ranking.push_back(row);
    }
  }
  const Standing& Of(const ContestStanding& standing, const std::string& call) {
    return standing.byLog[logOf.at(call)];
  }
};

TEST(EntrantStandingTest, PlacesTiesAndRivals) {
  Contest contest({{"X1", 100, "A", 1, true},
                   {"X2", 90, "A", 2, true},
                   {"X3", 90, "A", 2, false},
                   {"X4", 80, "A", 4, false},
                   {"Z1", 70, "CHECKLOG", 0, true},
                   {"N1", 60, "", 0, false},
                   {"Y1", 50, "B", 1, false},
                   {"W1", 10, "C", 1, true},
                   {"W2", 10, "C", 1, true}});
  CountryFile countries;
  const ContestStanding standing = StandingOf(contest.set, contest.ranking, countries, false, 2);
  struct Expected {
    const char* call;
    Place category, group, overall;
    std::vector<std::string> sharing;
    const char* rival;  // "" for none
    int rivalPlace;
  };
  const Expected table[] = {
      // The first of a category is compared with the one after it.
      {"X1", {1, 4}, {1, 4}, {1, 7}, {}, "X2", 1},
      // Equal scores share the place, each naming the other, and look up to the one above.
      {"X2", {2, 4}, {2, 4}, {2, 7}, {"X3"}, "X1", -1},
      {"X3", {2, 4}, {1, 3}, {2, 7}, {"X2"}, "X1", -1},
      // The one above a shared place is the last of those sharing it.
      {"X4", {4, 4}, {2, 3}, {4, 7}, {}, "X3", -1},
      {"Y1", {1, 1}, {3, 3}, {5, 7}, {}, "", 0},
      // A category of equals: each is compared with the other.
      {"W1", {1, 2}, {3, 4}, {6, 7}, {"W2"}, "W2", 0},
      {"W2", {1, 2}, {3, 4}, {6, 7}, {"W1"}, "W1", 0},
      // A check log and a log in no category take no place and are compared with no one.
      {"Z1", {0, 0}, {0, 0}, {0, 0}, {}, "", 0},
      {"N1", {0, 0}, {0, 0}, {0, 0}, {}, "", 0},
  };
  for (const Expected& want : table) {
    SCOPED_TRACE(want.call);
    const Standing& got = contest.Of(standing, want.call);
    EXPECT_EQ(want.category.place, got.category.place);
    EXPECT_EQ(want.category.of, got.category.of);
    EXPECT_EQ(want.group.place, got.group.place);
    EXPECT_EQ(want.group.of, got.group.of);
    EXPECT_EQ(want.overall.place, got.overall.place);
    EXPECT_EQ(want.overall.of, got.overall.of);
    std::vector<std::string> sharing;
    for (uint32_t log : got.sharing) sharing.push_back(contest.set.logs[log].call);
    EXPECT_EQ(want.sharing, sharing);
    EXPECT_EQ(static_cast<int>(want.sharing.size()), got.sharingCount);
    EXPECT_EQ(want.rival, got.rival == kNoRecord ? "" : contest.set.logs[got.rival].call);
    if (got.rival != kNoRecord) {
      EXPECT_EQ(want.rivalPlace, got.rivalPlace);
    }
  }
}

TEST(EntrantStandingTest, AManyWayTieNamesAFewAndCountsTheRest) {
  std::vector<Entrant> entrants;
  for (int i = 0; i < 40; ++i) entrants.push_back({"T" + std::to_string(100 + i), 0, "A", 1, true});
  Contest contest(entrants);
  CountryFile countries;
  const ContestStanding standing = StandingOf(contest.set, contest.ranking, countries, false, 1);
  const Standing& one = contest.Of(standing, "T120");
  EXPECT_EQ(39, one.sharingCount);
  EXPECT_EQ(5u, one.sharing.size());
  EXPECT_EQ(one.rivalPlace, 0);
}

TEST(EntrantStandingTest, ErrorRateAndScoreReduction) {
  EntrantLog log;
  log.qsoCount = 100;
  log.counts[static_cast<int>(Verdict::kDupe)] = 5;
  log.counts[static_cast<int>(Verdict::kOutside)] = 3;
  log.counts[static_cast<int>(Verdict::kInvalid)] = 2;
  log.counts[static_cast<int>(Verdict::kNil)] = 6;
  log.counts[static_cast<int>(Verdict::kBustedCall)] = 2;
  log.counts[static_cast<int>(Verdict::kModeMismatch)] = 1;
  log.counts[static_cast<int>(Verdict::kUnique)] = 4;
  log.counts[static_cast<int>(Verdict::kNotInPartialLog)] = 3;
  // 90 lines judged; 9 lost, and the 4 uniques besides where uniques are dropped.
  EXPECT_DOUBLE_EQ(10.0, ErrorPercent(log, false));
  EXPECT_DOUBLE_EQ(1300.0 / 90, ErrorPercent(log, true));
  EXPECT_DOUBLE_EQ(0.0, ErrorPercent(EntrantLog(), false)) << "no line judged";
  log.claimed = 200;
  log.checked = 150;
  EXPECT_DOUBLE_EQ(25.0, ReductionPercent(log));
  log.checked = 250;
  EXPECT_DOUBLE_EQ(-25.0, ReductionPercent(log)) << "a checked score above the claim";
  log.claimed = 0;
  EXPECT_DOUBLE_EQ(0.0, ReductionPercent(log)) << "nothing claimed";
}

TEST(EntrantStandingTest, NearestWorkersAboveFirstThenBelow) {
  ContestStanding standing;
  for (uint32_t log = 0; log < 10; ++log) {
    standing.byScore.push_back(log);
    standing.positionOf.push_back(log);
  }
  standing.credited.assign(10, BandCounties());
  for (uint32_t log : {2u, 5u, 8u}) standing.credited[log].set(1 * kCountyCount + 3);
  EXPECT_EQ((std::vector<uint32_t>{5, 2, 8}), NearestWorkers(standing, 6, 1, 3, 3));
  EXPECT_EQ((std::vector<uint32_t>{5, 2}), NearestWorkers(standing, 6, 1, 3, 2));
  EXPECT_EQ((std::vector<uint32_t>{2, 5, 8}), NearestWorkers(standing, 0, 1, 3, 3));
  EXPECT_TRUE(NearestWorkers(standing, 6, 1, 4, 3).empty()) << "another county";
}

// The walk over the places of a county's workers finds whom the walk over every place
// finds, near the ends of the ranking and past the reach of the search alike.
TEST(EntrantStandingTest, NearestWorkersByTheirPlacesFindWhomTheWalkOverAllFinds) {
  ContestStanding walked;
  const uint32_t logs = 700;
  std::mt19937 random(11);
  for (uint32_t place = 0; place < logs; ++place) {
    const uint32_t log = (place * 37) % logs;  // logs in another order than their places
    walked.byScore.push_back(log);
  }
  walked.positionOf.assign(logs, 0);
  for (uint32_t place = 0; place < logs; ++place) walked.positionOf[walked.byScore[place]] = place;
  walked.credited.assign(logs, BandCounties());
  for (uint32_t log = 0; log < logs; ++log) {
    // County 0 is worked by one log in 400, county 1 by a third, county 2 by everyone.
    if (random() % 400 == 0) walked.credited[log].set(0);
    if (random() % 3 == 0) walked.credited[log].set(1);
    walked.credited[log].set(2);
  }
  ContestStanding placed = walked;
  placed.workerPlaces.assign(kBandCount * kCountyCount, {});
  for (uint32_t place = 0; place < logs; ++place) {
    for (size_t bit : {0, 1, 2}) {
      if (placed.credited[placed.byScore[place]].test(bit))
        placed.workerPlaces[bit].push_back(place);
    }
  }
  for (uint32_t log = 0; log < logs; ++log) {
    for (int county : {0, 1, 2, 3}) {
      for (size_t most : {1, 3, 400}) {
        ASSERT_EQ(NearestWorkers(walked, log, 0, county, most),
                  NearestWorkers(placed, log, 0, county, most))
            << "log " << log << ", county " << county << ", most " << most;
      }
    }
  }
}

}  // namespace
}  // namespace tarno::score
