// Small contests, each built to provoke one rule where a plausible mistake would change a
// verdict: wrong clocks, the contest period, the choice of a busted call's station, what
// counts as "in other logs", ADIF beside Cabrillo, claimed scores and ranks.

#include <algorithm>
#include <vector>

#include "crosscheck_fixture.h"

namespace tarno::testing {
namespace {

struct LogFile {
  std::string name;
  std::string text;
};

// A Cabrillo log in the plug-in's layout; `qsos` are "FREQ MO DATE TIME SENT CALL RCVD".
LogFile Cabrillo(const char* call, const std::vector<std::string>& qsos,
                 const std::string& claimed = "") {
  std::string text = "START-OF-LOG: 3.0\r\nCONTEST: TARNO\r\nCALLSIGN: " + std::string(call) +
                     "\r\n" + (claimed.empty() ? "" : "CLAIMED-SCORE: " + claimed + "\r\n");
  for (const std::string& qso : qsos) {
    // Splice the own call and reports into "FREQ MO DATE TIME | SENT CALL RCVD".
    size_t at = 0;
    for (int field = 0; field < 4; ++field) at = qso.find(' ', at + 1);
    const std::string head = qso.substr(0, at);
    const std::string rest = qso.substr(at + 1);
    const size_t sent = rest.find(' ');
    const size_t worked = rest.find(' ', sent + 1);
    text += "QSO: " + head + " " + call + " 599 " + rest.substr(0, sent) + " " +
            rest.substr(sent + 1, worked - sent - 1) + " 599 " + rest.substr(worked + 1) + "\r\n";
  }
  return {std::string(call) + ".cbr", text + "END-OF-LOG:\r\n"};
}

struct Scenario {
  const char* name;
  std::vector<LogFile> logs;
  const char* options;
  std::vector<const char*> rows;      // rows verdicts.csv must hold, whole
  std::vector<const char*> results;   // texts results.csv must hold
  std::vector<const char*> messages;  // texts the command's output must hold
  int status = 0;
};

void PrintTo(const Scenario& scenario, std::ostream* out) { *out << scenario.name; }

class CrosscheckScenarioTest : public CrosscheckFixture,
                               public ::testing::WithParamInterface<Scenario> {};

TEST_P(CrosscheckScenarioTest, VerdictsFollowTheRule) {
  const Scenario& scenario = GetParam();
  for (const LogFile& log : scenario.logs) Write("logs/" + log.name, log.text);
  std::string output;
  ASSERT_EQ(scenario.status,
            Crosscheck(std::string(scenario.options) + " " + (m_folder / "logs").string(), &output))
      << output;
  const std::string verdicts = Slurp(Out() / "verdicts.csv");
  for (const char* row : scenario.rows)
    EXPECT_NE(std::string::npos, verdicts.find(std::string("\n") + row + "\n")) << row << "\n"
                                                                                << verdicts;
  const std::string results = Slurp(Out() / "results.csv");
  for (const char* text : scenario.results)
    EXPECT_NE(std::string::npos, results.find(text)) << text << "\n" << results;
  for (const char* text : scenario.messages)
    EXPECT_NE(std::string::npos, output.find(text)) << text << "\n" << output;
  // Every entrant has a visible report of its own.
  long reports = 0;
  for (const fs::directory_entry& file : fs::directory_iterator(Out())) {
    if (file.path().extension() != ".ubn") continue;
    ++reports;
    EXPECT_NE('.', file.path().filename().string()[0]) << file.path();
  }
  EXPECT_EQ(std::count(results.begin(), results.end(), '\n') - 1, reports);
}

const char kDay[] = " 2026-03-07 ";

std::string Q(const char* freqMode, const char* time, const char* sent, const char* call,
              const char* received) {
  return std::string(freqMode) + kDay + time + " " + sent + " " + call + " " + received;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, CrosscheckScenarioTest,
    ::testing::Values(
        // OK1AB's clock runs an hour behind its three partners'.
        Scenario{"ClockBehindIsCorrected",
                 {Cabrillo("OK1AB", {Q(" 3525 CW", "0800", "001", "DL1AA", "001"),
                                     Q(" 7025 CW", "0810", "002", "S51AA", "001"),
                                     Q("14025 CW", "0820", "003", "YU1AA", "001")}),
                  Cabrillo("DL1AA", {Q(" 3525 CW", "0900", "001", "OK1AB", "001"),
                                     Q("21025 CW", "1000", "002", "S51AA", "002")}),
                  Cabrillo("S51AA", {Q(" 7025 CW", "0910", "001", "OK1AB", "002"),
                                     Q("21025 CW", "1001", "002", "DL1AA", "002")}),
                  Cabrillo("YU1AA", {Q("14025 CW", "0921", "001", "OK1AB", "003")})},
                 "",
                 {"OK1AB,4,OK,DL1AA,", "OK1AB,6,OK,YU1AA,", "YU1AA,4,OK,OK1AB,"},
                 {",OK1AB,0,0,3,3,0,0,0,0,0,0,0,3,0,3,0,0,-60,"},
                 {"OK1AB: clock 60 minutes behind the other logs'"}},
        // Two minutes off is what clocks are; the window takes it without a correction.
        Scenario{"SmallClockErrorIsLeftAlone",
                 {Cabrillo("OK1AB", {Q(" 3525 CW", "0902", "001", "DL1AA", "001"),
                                     Q(" 7025 CW", "0912", "002", "S51AA", "001"),
                                     Q("14025 CW", "0922", "003", "YU1AA", "001")}),
                  Cabrillo("DL1AA", {Q(" 3525 CW", "0900", "001", "OK1AB", "001")}),
                  Cabrillo("S51AA", {Q(" 7025 CW", "0910", "001", "OK1AB", "002")}),
                  Cabrillo("YU1AA", {Q("14025 CW", "0920", "001", "OK1AB", "003")})},
                 "",
                 {"OK1AB,4,OK,DL1AA,", "YU1AA,4,OK,OK1AB,"},
                 {",0,OK1AB.cbr"},
                 {}},
        // The plug-in knows no contest period: a contact before the start must not make the
        // same contact in the contest a dupe.
        Scenario{"ContactBeforeTheStartMakesNoDupe",
                 {Cabrillo("HA5AA", {std::string(" 3525 CW 2026-03-06 2350 BP DL1AA 001"),
                                     Q(" 3525 CW", "0900", "BP", "DL1AA", "002")}),
                  Cabrillo("DL1AA", {Q(" 3525 CW", "0900", "002", "HA5AA", "BP")})},
                 "--start 2026-03-07 --end 2026-03-07",
                 {"HA5AA,4,OUTSIDE,DL1AA,2026-03-06 2350 is outside the contest period",
                  "HA5AA,5,OK,DL1AA,"},
                 {},
                 {"(as given)"}},
        // Two stations logged HA5AA on 20 m CW at 09:00 that HA5AA did not log; its "HA5XB"
        // is a busted copy of the nearer call, and the other stays NIL.
        Scenario{"NearestCallTakesTheBustedCall",
                 {Cabrillo("HA5AA", {Q("14025 CW", "0900", "BP", "HA5XB", "PE")}),
                  Cabrillo("HA6XA", {Q("14025 CW", "0900", "SO", "HA5AA", "BP")}),
                  Cabrillo("HA5XA", {Q("14025 CW", "0901", "PE", "HA5AA", "BP")})},
                 "",
                 {"HA5AA,4,BUSTED-CALL,HA5XB,right call HA5XA",
                  "HA5XA,4,OK,HA5AA,\"HA5AA logged your call as \"\"HA5XB\"\"\"",
                  "HA6XA,4,NIL,HA5AA,not in HA5AA's log"},
                 {},
                 {}},
        // Calls copied without a digit or in an odd shape are read by their column: the
        // copier's line is the busted call, the partner's stays OK.
        Scenario{"BustedCallOfAnyShapeIsReadByItsColumn",
                 {Cabrillo("S51AA", {Q(" 3525 CW", "0900", "001", "DLOWX", "001"),
                                     Q(" 7025 CW", "0910", "002", "OKSWR", "001"),
                                     Q("14025 CW", "0920", "003", "HAJRTZ", "BP")}),
                  Cabrillo("DL0WX", {Q(" 3525 CW", "0900", "001", "S51AA", "001")}),
                  Cabrillo("OK5WR", {Q(" 7025 CW", "0910", "001", "S51AA", "002")}),
                  Cabrillo("HA1RTZ", {Q("14025 CW", "0920", "BP", "S51AA", "003")})},
                 "",
                 {"S51AA,4,BUSTED-CALL,DLOWX,right call DL0WX",
                  "S51AA,5,BUSTED-CALL,OKSWR,right call OK5WR",
                  "S51AA,6,BUSTED-CALL,HAJRTZ,right call HA1RTZ",
                  "DL0WX,4,OK,S51AA,\"S51AA logged your call as \"\"DLOWX\"\"\"",
                  "OK5WR,4,OK,S51AA,\"S51AA logged your call as \"\"OKSWR\"\"\"",
                  "HA1RTZ,4,OK,S51AA,\"S51AA logged your call as \"\"HAJRTZ\"\"\""},
                 {},
                 {}},
        // Tags without a blank after the colon are tags all the same: the log is OK1AB's
        // TARNO entry, its QSO line read.
        Scenario{"TagsWithoutABlankAreRead",
                 {{"ok1ab.cbr",
                   "START-OF-LOG:3.0\r\nCONTEST:TARNO\r\nCALLSIGN:OK1AB\r\n"
                   "QSO:3525 CW 2026-03-07 0900 OK1AB 599 001 DL1AA 599 001\r\nEND-OF-LOG:\r\n"},
                  Cabrillo("DL1AA", {Q(" 3525 CW", "0900", "001", "OK1AB", "001")})},
                 "",
                 {"OK1AB,4,OK,DL1AA,", "DL1AA,4,OK,OK1AB,"},
                 {},
                 {}},
        // A station without a log is credited as NO-LOG only when another log holds it too;
        // two bands of one log are still one log.
        Scenario{"NoLogNeedsASecondLog",
                 {Cabrillo("HA5AA", {Q(" 3525 CW", "0900", "BP", "S52ZZ", "001"),
                                     Q(" 7025 CW", "0910", "BP", "S52ZZ", "002"),
                                     Q("14025 CW", "0920", "BP", "9A1ZZ", "005")}),
                  Cabrillo("DL1AA", {Q("14025 CW", "0930", "001", "9A1ZZ", "006")})},
                 "",
                 {"HA5AA,4,UNIQUE,S52ZZ,in no other log", "HA5AA,5,UNIQUE,S52ZZ,in no other log",
                  "HA5AA,6,NO-LOG,9A1ZZ,sent no log; in 2 logs",
                  "DL1AA,4,NO-LOG,9A1ZZ,sent no log; in 2 logs"},
                 {},
                 {}},
        // A code copied as typed would read as a word ("copied to"): quoted, upper-cased.
        Scenario{"CodesInDetailsAreQuotedAndUpperCased",
                 {Cabrillo("HA5AA", {Q(" 3525 CW", "0900", "BP", "HG7BB", "to")}),
                  Cabrillo("HG7BB", {Q(" 3525 CW", "0900", "pe", "HA5AA", "BP")})},
                 "",
                 {"HA5AA,4,BUSTED-EXCHANGE,HG7BB,\"copied \"\"TO\"\", sent \"\"PE\"\"\"",
                  "HG7BB,4,OK,HA5AA,\"HA5AA copied your exchange as \"\"TO\"\"\""},
                 {},
                 {}},
        // ADIF beside Cabrillo: its records are its lines.
        Scenario{"AdifLogIsMatchedRecordByRecord",
                 {{"ha5aa.adi",
                   "made by hand<EOH>\n"
                   "<CALL:5>DL1AA<QSO_DATE:8>20260307<TIME_ON:4>0900<FREQ:5>3.525<MODE:2>CW"
                   "<STX_STRING:2>BP<SRX_STRING:3>001<STATION_CALLSIGN:5>HA5AA<EOR>\n"
                   "<CALL:5>OK1AB<QSO_DATE:8>20260307<TIME_ON:4>0910<FREQ:5>7.025<MODE:2>CW"
                   "<STX_STRING:2>BP<SRX_STRING:1>9<STATION_CALLSIGN:5>HA5AA<EOR>\n"},
                  Cabrillo("DL1AA", {Q(" 3525 CW", "0900", "001", "HA5AA", "BP")}),
                  Cabrillo("OK1AB", {Q(" 7025 CW", "0910", "001", "HA5AA", "BP")})},
                 "",
                 {"HA5AA,1,OK,DL1AA,",
                  "HA5AA,2,BUSTED-EXCHANGE,OK1AB,\"copied \"\"9\"\", sent \"\"001\"\"\""},
                 {},
                 {}},
        // Without CLAIMED-SCORE the claim is the plug-in's score of every line, outside ones
        // included (6 + 6 + 1 points x BP on two bands); equal checked scores share a rank.
        Scenario{"ClaimCountsEveryLineAndTiesShareARank",
                 {Cabrillo("DL1AA", {std::string("14025 CW 2026-03-08 0100 001 HA5AA BP"),
                                     Q(" 3525 CW", "0900", "002", "HA5AA", "BP"),
                                     Q(" 7025 CW", "0910", "003", "OK1AB", "001")}),
                  Cabrillo("HA5AA", {Q(" 3525 CW", "0900", "BP", "DL1AA", "002")}, "6"),
                  Cabrillo("OK1AB", {Q(" 7025 CW", "0910", "001", "DL1AA", "003")}, "0")},
                 "--end 2026-03-07",
                 {"DL1AA,4,OUTSIDE,HA5AA,2026-03-08 0100 is outside the contest period"},
                 {"1,DL1AA,26,7,3,2,", "2,HA5AA,6,0,1,1,", "2,OK1AB,0,0,1,1,"},
                 {}},
        // The period is judged per side: a partner that logged the QSO a minute after the
        // end (or before the start) loses it, the side inside the period does not, and a
        // call busted at the edge is still busted, whichever side copied it.
        Scenario{"PeriodIsJudgedPerSide",
                 {Cabrillo("HA5AA", {Q(" 3525 CW", "1800", "BP", "DL1AA", "001"),
                                     Q(" 7025 CW", "1800", "BP", "OK1AX", "001"),
                                     Q("14025 CW", "0600", "BP", "S51AA", "001")}),
                  Cabrillo("DL1AA", {Q(" 3525 CW", "1801", "001", "HA5AA", "BP")}),
                  Cabrillo("OK1AB", {Q(" 7025 CW", "1801", "001", "HA5AA", "BP")}),
                  Cabrillo("S51AA", {Q("14025 CW", "0559", "001", "HA5AB", "BP")})},
                 "--start 2026-03-07T06:00 --end 2026-03-07T18:00",
                 {"HA5AA,4,OK,DL1AA,",
                  "DL1AA,4,OUTSIDE,HA5AA,2026-03-07 1801 is outside the contest period",
                  "HA5AA,5,BUSTED-CALL,OK1AX,right call OK1AB",
                  "OK1AB,4,OUTSIDE,HA5AA,2026-03-07 1801 is outside the contest period",
                  "HA5AA,6,OK,S51AA,",
                  "S51AA,4,OUTSIDE,HA5AB,2026-03-07 0559 is outside the contest period"},
                 {},
                 {}},
        // A QSO typed in later stands before the real one in the file: the real one is
        // judged first, as it was made, and the repeat is the dupe.
        Scenario{"LinesOutOfTimeOrderAreJudgedInTimeOrder",
                 {Cabrillo("HA5AA", {Q(" 3525 CW", "0930", "BP", "DL1AA", "001"),
                                     Q(" 3525 CW", "0900", "BP", "DL1AA", "001")}),
                  Cabrillo("DL1AA", {Q(" 3525 CW", "0900", "001", "HA5AA", "BP")})},
                 "",
                 {"HA5AA,4,DUPE,DL1AA,dupe of line 5", "HA5AA,5,OK,DL1AA,", "DL1AA,4,OK,HA5AA,"},
                 {},
                 {}},
        // The own call names the report file and stands in every published file: what is
        // no call leaves its log out. Worked calls stay as logged.
        Scenario{"OwnCallMustLookLikeACall",
                 {{"dot.cbr", Cabrillo("../x", {Q(" 3525 CW", "0900", "BP", "DL1AA", "001")}).text},
                  {"markup.cbr",
                   Cabrillo("<b>HA5AA</b>", {Q(" 3525 CW", "0901", "BP", "DL1AA", "001")}).text},
                  {"blank.adi",
                   "x<EOH><CALL:5>DL1AA<QSO_DATE:8>20260307<TIME_ON:4>0902<FREQ:5>3.525"
                   "<MODE:2>CW<STX_STRING:2>BP<SRX_STRING:3>001<STATION_CALLSIGN:6>HA5 AA<EOR>"},
                  {"long.cbr",
                   Cabrillo("HA5AAAAAAAAAAAAAAAAAA", {Q(" 3525 CW", "0903", "BP", "DL1AA", "001")})
                       .text},
                  {"dl1aa.adi",
                   "x<EOH><CALL:4>../x<QSO_DATE:8>20260307<TIME_ON:4>0900<FREQ:5>3.525"
                   "<MODE:2>CW<STX_STRING:3>001<SRX_STRING:2>BP<STATION_CALLSIGN:5>DL1AA<EOR>"}},
                 "",
                 {"DL1AA,1,UNIQUE,../X,in no other log"},
                 {},
                 {"dot.cbr: has an own call that is not a call: \"../X\" (letters, digits and /",
                  "markup.cbr: has an own call that is not a call: \"<B>HA5AA</B>\"",
                  "blank.adi: has an own call that is not a call: \"HA5 AA\"",
                  "long.cbr: has an own call that is not a call: \"HA5AAAAAAAAAAAAAAAAAA\"",
                  "1 logs checked"},
                 1},
        // A portable call gets a report of its own; a call no call can collide with it.
        Scenario{"SlashedCallGetsItsOwnReport",
                 {{"ha1aa-p.cbr",
                   Cabrillo("HA1AA/P", {Q(" 3525 CW", "0900", "SO", "HA1AA", "SO")}).text},
                  {"ha1aa_p.cbr",
                   Cabrillo("HA1AA_P", {Q(" 3525 CW", "0910", "SO", "HA1AA", "SO")}).text},
                  Cabrillo("HA1AA", {Q(" 3525 CW", "0900", "SO", "HA1AA/P", "SO")})},
                 "",
                 {"HA1AA/P,4,OK,HA1AA,", "HA1AA,4,OK,HA1AA/P,"},
                 {",ha1aa-p.cbr,HA1AA_P.ubn,", ",HA1AA.cbr,HA1AA.ubn,"},
                 {"ha1aa_p.cbr: has an own call that is not a call"},
                 1},
        // Only the side whose own frequency shows its mode wrong loses the QSO; the other
        // keeps it, told of its partner's error.
        Scenario{"ModeShownWrongByItsFrequencyLosesOnlyThere",
                 {Cabrillo("HA5AA", {Q(" 3705 CW", "0900", "BP", "DL1AA", "001")}),
                  Cabrillo("DL1AA", {Q(" 3705 PH", "0901", "001", "HA5AA", "BP")})},
                 "",
                 {"HA5AA,4,MODE-MISMATCH,DL1AA,\"DL1AA logged it in SSB (its line 4), and your "
                  "mode is shown wrong: your frequency, 3705 kHz, is in the phone part of 80m\"",
                  "DL1AA,4,OK,HA5AA,\"HA5AA logged it in CW (its line 4): its error, not yours\""},
                 {},
                 {}},
        // HA5AA logged a run on 80 m that its partners logged on 40 m: the run shows its band
        // wrong, each partner keeps the QSO.
        Scenario{
            "RunOnTheWrongBandLosesOnlyThere",
            {Cabrillo("HA5AA", {Q(" 3525 CW", "0900", "BP", "DL1AA", "001"),
                                Q(" 3525 CW", "0903", "BP", "OK1AB", "001"),
                                Q(" 3525 CW", "0906", "BP", "S51AA", "001")}),
             Cabrillo("DL1AA", {Q(" 7025 CW", "0900", "001", "HA5AA", "BP")}),
             Cabrillo("OK1AB", {Q(" 7025 CW", "0903", "001", "HA5AA", "BP")}),
             Cabrillo("S51AA", {Q(" 7025 CW", "0906", "001", "HA5AA", "BP")})},
            "",
            {"HA5AA,5,BAND-MISMATCH,OK1AB,\"OK1AB logged it on 40m (its line 4), and your band "
             "is shown wrong: 2 more of your QSOs on 80m within 30 minutes were logged on "
             "another band by their partners\"",
             "OK1AB,4,OK,HA5AA,\"HA5AA logged it on 80m (its line 5): its error, not yours\""},
            {"Hungary,EU,,,3,0,0,0,0,0\n"},
            {}},
        // One QSO logged on the band the station was not on: its other QSOs then, which
        // their partners confirm, were all on the partner's band.
        Scenario{
            "SlipToAnotherBandIsShownByTheNeighbouringQsos",
            {Cabrillo("HA5AA", {Q(" 7025 CW", "0850", "BP", "OK1AB", "001"),
                                Q(" 3525 CW", "0900", "BP", "DL1AA", "001"),
                                Q(" 7025 CW", "0910", "BP", "S51AA", "001")}),
             Cabrillo("DL1AA", {Q(" 7025 CW", "0900", "001", "HA5AA", "BP"),
                                Q("14025 CW", "0920", "002", "S51AA", "002")}),
             Cabrillo("OK1AB", {Q(" 7025 CW", "0850", "001", "HA5AA", "BP")}),
             Cabrillo("S51AA", {Q(" 7025 CW", "0910", "001", "HA5AA", "BP"),
                                Q("14025 CW", "0920", "002", "DL1AA", "002")})},
            "",
            {"HA5AA,5,BAND-MISMATCH,DL1AA,\"DL1AA logged it on 40m (its line 4), and your band "
             "is shown wrong: your other QSOs within 30 minutes were on 40m, none on 80m\"",
             "DL1AA,4,OK,HA5AA,\"HA5AA logged it on 80m (its line 5): its error, not yours\""},
            {},
            {}},
        // Both frequencies contradict their own modes: both sides are shown wrong.
        Scenario{"BothShownWrongBothLose",
                 {Cabrillo("HA5AA", {Q(" 3705 CW", "0900", "BP", "DL1AA", "001")}),
                  Cabrillo("DL1AA", {Q(" 3525 PH", "0901", "001", "HA5AA", "BP")})},
                 "",
                 {"HA5AA,4,MODE-MISMATCH,DL1AA,\"DL1AA logged it in SSB (its line 4), and your "
                  "mode is shown wrong: your frequency, 3705 kHz, is in the phone part of 80m\"",
                  "DL1AA,4,MODE-MISMATCH,HA5AA,\"HA5AA logged it in CW (its line 4), and your "
                  "mode is shown wrong: your frequency, 3525 kHz, is in the CW part of 80m\""},
                 {},
                 {}},
        // A repeat the plug-in refuses as a dupe (the band logged wrong) still shows the QSO
        // is in that log.
        Scenario{"RepeatOnAWrongBandStillHoldsTheQso",
                 {Cabrillo("HA5AA", {Q(" 3525 CW", "0900", "BP", "DL1AA", "001"),
                                     Q(" 3525 CW", "1000", "BP", "DL1AA", "002")}),
                  Cabrillo("DL1AA", {Q(" 3525 CW", "0900", "001", "HA5AA", "BP"),
                                     Q(" 7025 CW", "1000", "002", "HA5AA", "BP")})},
                 "",
                 {"HA5AA,5,DUPE,DL1AA,dupe of line 4",
                  "DL1AA,5,OK,HA5AA,\"in HA5AA's log as DUPE, its line 5\""},
                 {},
                 {}},
        // In a log with reports, a line whose exchange reads as a report is refused; its
        // partner keeps the QSO. In a log without reports on any line, 599 is a serial.
        Scenario{"ReportLikeExchangesCostNoPartnerAQso",
                 {{"ha5aa.cbr",
                   "START-OF-LOG: 3.0\r\nCONTEST: TARNO\r\nCALLSIGN: HA5AA\r\n"
                   "QSO:  3525 CW 2026-03-07 0900 HA5AA 599 BP DL1AA 599 001\r\n"
                   "QSO:  7025 CW 2026-03-07 0910 HA5AA 599 BP OK1AB 599\r\n"},
                  {"ok1ab.cbr",
                   "START-OF-LOG: 3.0\r\nCONTEST: TARNO\r\nCALLSIGN: OK1AB\r\n"
                   "QSO:  7025 CW 2026-03-07 0910 OK1AB 598 HA5AA BP\r\n"
                   "QSO: 14025 CW 2026-03-07 0920 OK1AB 599 DL1AA 007\r\n"},
                  Cabrillo("DL1AA", {Q(" 3525 CW", "0900", "001", "HA5AA", "BP"),
                                     Q("14025 CW", "0920", "007", "OK1AB", "599")})},
                 "",
                 {"OK1AB,4,OK,HA5AA,\"in HA5AA's log as INVALID, its line 5\"", "OK1AB,5,OK,DL1AA,",
                  "DL1AA,5,OK,OK1AB,"},
                 {},
                 {}},
        // Two stations that busted each other's call made one QSO: both lose it, each
        // naming the other; of two such stations, the one whose exchange was copied. The
        // other's line is unique, with the calls close to it that were on the air then.
        Scenario{"MutualBustPairsTheLinesWhoseExchangesAgree",
                 {Cabrillo("HA5AA", {Q("14025 CW", "0900", "BP", "HA5XB", "PE")}),
                  Cabrillo("HA5XA", {Q("14025 CW", "0900", "PE", "HA5AB", "BP")}),
                  Cabrillo("HA5XC", {Q("14025 CW", "0901", "SO", "HA5AC", "BP")})},
                 "",
                 {"HA5AA,4,BUSTED-CALL,HA5XB,right call HA5XA",
                  "HA5XA,4,BUSTED-CALL,HA5AB,right call HA5AA",
                  "HA5XC,4,UNIQUE,HA5AC,\"in no other log; active then on 20m CW within two "
                  "characters: HA5AA, HA5XA\""},
                 {},
                 {}},
        // A spreadsheet runs a cell that starts with = + - @ as a formula; worked calls and
        // file names come from strangers.
        Scenario{"FormulasInCellsAreNeutralised",
                 {{"=1+2.adi",
                   "x<EOH>\n"
                   "<CALL:22>=HYPERLINK(\"HTTP://X\")<QSO_DATE:8>20260307<TIME_ON:4>0900"
                   "<FREQ:5>3.525<MODE:2>CW<STX_STRING:2>BP<SRX_STRING:3>001"
                   "<STATION_CALLSIGN:5>HA5AA<EOR>\n"
                   "<CALL:4>-2+3<QSO_DATE:8>20260307<TIME_ON:4>0901<FREQ:5>3.525<MODE:2>CW"
                   "<STX_STRING:2>BP<SRX_STRING:3>001<STATION_CALLSIGN:5>HA5AA<EOR>\n"}},
                 "",
                 {"HA5AA,1,UNIQUE,\"'=HYPERLINK(\"\"HTTP://X\"\")\",in no other log",
                  "HA5AA,2,UNIQUE,'-2+3,in no other log"},
                 {",'=1+2.adi,HA5AA.ubn,,"},
                 {}}),
    [](const ::testing::TestParamInfo<Scenario>& info) { return info.param.name; });

}  // namespace
}  // namespace tarno::testing
