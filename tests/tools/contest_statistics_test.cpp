// The contest's statistics and results.json's texts over a contest held in memory: who
// counts as active, what is counted per hour, county and band, where an error rate falls,
// how a hostile text stays one JSON string, and the contest's title.

#include "crosscheck/contest_statistics.h"

#include <gtest/gtest.h>

#include "crosscheck/contest_title.h"
#include "crosscheck/json_text.h"

namespace tarno::score {
namespace {

const char kCountries[] =
    "Hungary:                  15:  28:  EU:   47.12:   -19.28:    -1.0:  HA:\n"
    "    HA,HG;\n"
    "Czech Republic:           15:  28:  EU:   50.00:   -15.00:    -1.0:  OK:\n"
    "    OK,OL;\n";

struct Line {
  const char* worked;
  const char* band;
  const char* exchange;  // received
  Verdict verdict;
  int minute;  // from 2026-03-07 0000 UTC
};

struct Log {
  const char* call;
  std::vector<Line> lines;
};

class StatisticsTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(m_countries.Parse(kCountries, &error)) << error;
    ASSERT_TRUE(ParsePeriodTime("2026-03-07", false, &m_context.period.startSeconds));
    ASSERT_TRUE(ParsePeriodTime("2026-03-07", true, &m_context.period.endSeconds));
  }

  // Every log used, its lines as given, its verdicts tallied; then gathered as published.
  ContestStatistics Gather(const std::vector<Log>& logs) {
    for (const Log& entrant : logs) {
      EntrantLog log;
      log.call = entrant.call;
      log.callId = m_set.texts.Intern(entrant.call);
      log.firstQso = m_set.qsos.size();
      log.qsoCount = entrant.lines.size();
      for (const Line& line : entrant.lines) {
        QsoRecord qso;
        qso.log = static_cast<uint32_t>(m_set.logs.size());
        qso.worked = m_set.texts.Intern(line.worked);
        qso.band = m_set.texts.Intern(line.band);
        qso.exchRcvd = m_set.texts.Intern(line.exchange);
        qso.verdict = line.verdict;
        qso.oleDays = (m_context.period.startSeconds + 60.0 * line.minute) / 86400.0;
        ++log.counts[static_cast<int>(line.verdict)];
        m_set.qsos.push_back(qso);
      }
      m_set.logs.push_back(std::move(log));
    }
    m_set.logOfCall.assign(m_set.texts.Size(), -1);
    for (size_t i = 0; i < m_set.logs.size(); ++i)
      m_set.logOfCall[m_set.logs[i].callId] = static_cast<int32_t>(i);
    m_ranking = RankLogs(m_set);
    for (RankedLog& row : m_ranking)
      row.country = m_countries.Lookup(m_set.logs[row.log].call).entity;
    return GatherStatistics(m_set, m_ranking, m_standings, m_countries, m_context);
  }

  CountryFile m_countries;
  ReportContext m_context;
  ContestSet m_set;
  std::vector<RankedLog> m_ranking;
  Standings m_standings;
};

constexpr Verdict kOk = Verdict::kOk;

TEST_F(StatisticsTest, StationsInThreeLogsAreActiveAndThoseWithoutALogAreListed) {
  const ContestStatistics stats = Gather({
      {"HA1AA",
       {{"HA9ZZ", "80m", "BP", kOk, 0},
        {"HA9ZZ", "40m", "BP", kOk, 1},
        {"HA8YY", "80m", "PE", kOk, 2},
        {"HA7XX", "80m", "PE", Verdict::kOutside, 3},
        {"HA1AA", "80m", "BP", Verdict::kInvalid, 4},
        {"OK1CC", "80m", "1", kOk, 5}}},
      {"HA2BB",
       {{"HA9ZZ", "80m", "BP", kOk, 0},
        {"HA8YY", "80m", "PE", kOk, 1},
        {"HA7XX", "80m", "PE", kOk, 2},
        {"HA1AA", "80m", "BP", kOk, 3}}},
      {"OK1CC", {{"HA9ZZ", "80m", "BP", kOk, 0}, {"HA7XX", "80m", "PE", kOk, 1}}},
  });
  // HA9ZZ is in three logs (twice in one); HA8YY in two; HA7XX in two within the period;
  // HA1AA's line with itself counts for nobody.
  EXPECT_EQ(3, stats.logsReceived);
  EXPECT_EQ(4, stats.activeStations);
  EXPECT_EQ(1, stats.activeWithoutLog);
  ASSERT_EQ(1u, stats.withoutLog.size());
  EXPECT_EQ("HA9ZZ", stats.withoutLog[0].call);
  EXPECT_EQ(3, stats.withoutLog[0].logs);
  ASSERT_EQ(2u, stats.countries.size());
  EXPECT_EQ("Hungary", stats.countries[0].country);
  EXPECT_EQ(3, stats.countries[0].active);
  EXPECT_EQ(2, stats.countries[0].logs);
  EXPECT_EQ(1, stats.countries[1].logs);
}

TEST_F(StatisticsTest, LinesCountPerHourAndBandWithTheShareBothLogsHold) {
  const ContestStatistics stats = Gather({
      {"HA1AA",
       {{"OK1CC", "80m", "1", kOk, 0},
        {"OK1CC", "80m", "2", Verdict::kNil, 59},
        {"DL1XX", "80m", "3", Verdict::kNoLog, 60},
        {"DL1XX", "40m", "4", kOk, 23 * 60 + 59},
        {"DL2XX", "30m", "5", Verdict::kInvalid, 70},
        {"DL3XX", "40m", "6", Verdict::kOutside, 80}}},
      {"OK1CC", {{"HA1AA", "80m", "BP", kOk, 0}}},
  });
  ASSERT_EQ(24u, stats.hours.labels.size());
  const size_t k80 = 1, k40 = 2;
  EXPECT_EQ(3, stats.linesPerHour[k80][0]);  // HA1AA's two lines and OK1CC's one
  EXPECT_EQ(1, stats.linesPerHour[k80][1]);
  EXPECT_EQ(1, stats.linesPerHour[k40][23]);
  EXPECT_EQ(4, stats.lines[k80]);
  EXPECT_EQ(3, stats.checkable[k80]);
  EXPECT_EQ(1, stats.lines[k40]);
  EXPECT_EQ(0, stats.checkable[k40]);
  EXPECT_EQ(1, stats.lines[kBandCount]);  // 30 m, the outside line left out
}

TEST_F(StatisticsTest, CountiesCountCreditedQsosWithHomeStations) {
  const ContestStatistics stats = Gather({
      {"OK1CC",
       {{"HA9ZZ", "80m", "bp ", kOk, 0},
        {"HA9ZZ", "40m", "PE", kOk, 1},
        {"HA8YY", "80m", "BP", Verdict::kNil, 2},
        {"OK2DD", "80m", "BP", kOk, 3},
        {"HG7YY", "20m", "BP", Verdict::kNoLog, 4},
        {"HA6WW", "20m", "XX", kOk, 5}}},
  });
  const auto index = [](const char* code) {
    for (int c = 0; c < kCountyCount; ++c) {
      if (std::string(kCountyCodes[c]) == code) return c;
    }
    return -1;
  };
  const CountyActivity& budapest = stats.counties[index("BP")];
  EXPECT_EQ(1, budapest.qsos[1]);
  EXPECT_EQ(1, budapest.qsos[3]);
  EXPECT_EQ(2, budapest.total);
  EXPECT_EQ(2, budapest.stations);
  EXPECT_EQ(1, stats.counties[index("PE")].total);
  EXPECT_EQ(1, stats.counties[index("PE")].stations);
}

TEST_F(StatisticsTest, ErrorRatesFallInTheirClassesWithTheMeanAndMedian) {
  const struct {
    double percent;
    int errorClass;
    double position;
  } cases[] = {{0, 0, 0.5},  {0.5, 1, 1.5},    {1, 2, 2},    {2.5, 3, 3.5},  {9.99, 10, 10.99},
               {10, 11, 11}, {12.5, 11, 11.5}, {15, 12, 12}, {20, 13, 13.5}, {100, 13, 13.5}};
  for (const auto& c : cases) {
    EXPECT_EQ(c.errorClass, ErrorClassOf(c.percent)) << c.percent;
    EXPECT_NEAR(c.position, ErrorClassPosition(c.percent), 1e-9) << c.percent;
  }
  EXPECT_EQ("0", ErrorClassLabel(0));
  EXPECT_EQ("0\u20131", ErrorClassLabel(1));
  EXPECT_EQ("10\u201315", ErrorClassLabel(11));
  EXPECT_EQ("20+", ErrorClassLabel(kErrorClassCount - 1));

  const ContestStatistics stats = Gather({
      {"HA1AA",
       {{"OK1CC", "80m", "1", Verdict::kBustedCall, 0},
        {"OK1CC", "40m", "1", kOk, 1},
        {"OK2DD", "80m", "1", Verdict::kUnique, 2},
        {"OK3EE", "80m", "1", kOk, 3}}},
      {"OK1CC", {{"HA1AA", "80m", "BP", kOk, 0}, {"HA1AA", "40m", "BP", kOk, 1}}},
      {"OK9ZZ", {}},
  });
  EXPECT_EQ(2, stats.ratedLogs);  // a log of no lines has no rate
  EXPECT_EQ(1, stats.errorClasses[0]);
  EXPECT_EQ(1, stats.errorClasses[ErrorClassOf(25)]);
  EXPECT_DOUBLE_EQ(12.5, stats.meanErrorPercent);
  EXPECT_DOUBLE_EQ(12.5, stats.medianErrorPercent);
}

TEST(ResultsJsonText, HostileTextsStayOneValidJsonString) {
  const struct {
    std::string text;
    std::string json;
  } cases[] = {
      {"HA5AA", "\"HA5AA\""},
      {"say \"hi\" \\ bye", "\"say \\\"hi\\\" \\\\ bye\""},
      {"a\nb\rc\td", "\"a\\nb\\rc\\td\""},
      {std::string("nul\0x\x01\x1f\x7f", 8), "\"nul\\u0000x\\u0001\\u001f\\u007f\""},
      {"line\u2028para\u2029", "\"line\\u2028para\\u2029\""},
      {"Kővári Ödön </script>", "\"Kővári Ödön </script>\""},
      {"bad \xff\xc3", "\"bad \xef\xbf\xbd\xef\xbf\xbd\""},
      {"\xe2\x80", "\"\xef\xbf\xbd\xef\xbf\xbd\""},
  };
  for (const auto& c : cases) EXPECT_EQ(c.json, JsonString(c.text)) << c.text;
}

TEST(ContestTitleText, TheYearFollowsTheNameUnlessItHoldsIt) {
  EXPECT_EQ("TARNO 2026", ContestTitle("TARNO", 2026));
  EXPECT_EQ("TARNO 2026 CW", ContestTitle("TARNO 2026 CW", 2026));
  EXPECT_EQ("TARNO-2026", ContestTitle("TARNO-2026", 2026));
  EXPECT_EQ("TARNO20261 2026", ContestTitle("TARNO20261", 2026));
  EXPECT_EQ("TARNO", ContestTitle("TARNO", 0));
}

// An archive's name must be a plain file name on every system a sponsor downloads to,
// and still say which contest and year it holds.
TEST(ContestTitleText, AnArchiveIsNamedByTheTitleInPlainLetters) {
  const struct {
    const char* title;
    const char* name;
  } kCases[] = {
      {"Próba Kupa 2026", "Proba-Kupa-2026-logs.zip"},
      {"\xC3\x81RV\xC3\x8DZT\xC5\xB0R\xC5\x90 t\xC3\xBCk\xC3\xB6rf\xC3\xBAr\xC3\xB3g\xC3\xA9p",
       "ARVIZTURO-tukorfurogep-logs.zip"},
      {"  ../TARNO\\2026 / \"CW\"  ", "TARNO-2026-CW-logs.zip"},
      {"\xE6\x97\xA5\xE6\x9C\xAC 2026", "2026-logs.zip"},  // letters it cannot write plainly
      {"", "logs.zip"},
      {"---", "logs.zip"},
      {"\xC3", "logs.zip"},  // a letter cut short
  };
  for (const auto& c : kCases) EXPECT_EQ(c.name, ArchiveName(c.title, "logs")) << c.title;
  const std::string longest = ArchiveName(std::string(500, 'A'), "certificates");
  EXPECT_EQ(std::string(60, 'A') + "-certificates.zip", longest);
}

TEST(ContestTitleText, TheNameIsWhatMostLogsSayKeptShort) {
  ContestSet set;
  for (const char* contest : {" tarno ", "TARNO", "TARNO-CW", "TARNO-CW", "TARNO-CW"}) {
    EntrantLog log;
    log.contest = contest;
    set.logs.push_back(log);
  }
  set.logs.back().used = false;  // a log replaced by a later one has no say
  EXPECT_EQ("TARNO", ContestName(set));
  EntrantLog loud;
  loud.contest = "TARNO\t" + std::string(300, 'x');
  for (int i = 0; i < 3; ++i) set.logs.push_back(loud);
  EXPECT_EQ("TARNO " + std::string(54, 'X'), ContestName(set));
  EXPECT_EQ("TARNO", ContestName(ContestSet()));
}

}  // namespace
}  // namespace tarno::score
