// The module's exported entry points, called directly, as a host gone wrong might call them:
// any order, any texts (NULL, empty, long, high bytes, CR and LF inside), any dates (NaN,
// infinities, huge, negative, every status). Files live in memory and the services (settings,
// county window, host link, dialogs) are stand-ins, so nothing touches the disk or opens a
// window.
//
// The input is a byte script (byte_script.h): each step's first byte picks the entry point
// (modulo 11: 0 ResetStats0, 1-3 AddData0, 4 RemoveData0, 5-6 CheckCall0, 7 GetResult0,
// 8 RunCommand0, 9 a change to the stand-ins or one of the small entry points, 10 a refresh
// of the county window as its thread would run it), the following bytes its arguments; texts
// are picked from field-like lists, decorated, or given literally (see ReadText). After every
// step the module is held to the rules in entry_point_checks.h.

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "byte_script.h"
#include "entry_point_checks.h"
#include "fuzz_env.h"
#include "helpers/fakes.h"
#include "plugin/entry_points.h"
#include "plugin/module_state.h"
#include "plugin/module_view.h"
#include "ui/county_refresh.h"

namespace tarno::fuzz {
namespace {

// ---- Texts and dates as the host might pass them ----

const std::string_view kCalls[] = {"DL1ABC", "HA1X",   "HG2Y", "IT9Z",   "W1AW",  "HA5TST",
                                   "ha1x",   "HA1X/P", "",     "OE6GAA", "HA1X ", "HG2Y\r\n"};
const std::string_view kBands[] = {"160m",  "80m",  "40m", "20m",  "15m",    "10m", "30m",
                                   "17m",   "12m",  "6m",  "2m",   "60m",    "20M", "020m",
                                   "0020m", " 20m", "",    "70cm", "20m\r\n"};
const std::string_view kModes[] = {"CW", "SSB", "FM", "RTTY", "cw", "ssb", "CW ", "PH", "DIGI", ""};
const std::string_view kPrefixes[] = {"HA", "HG", "IT9", "IG9", "IH9", "I", "DL",
                                      "W",  "ha", "HA ", "OE",  "F",   ""};
const std::string_view kExchanges[] = {
    "ZA", "GY",  "VA",   "KO",    "VE",       "SO",       "TO",     "BA",    "FE", "BP",
    "NG", "HE",  "PE",   "SZ",    "BE",       "CS",       "BN",     "BO",    "SA", "HB",
    "bp", "za",  " BP",  "BP ",   "\tHB\r\n", "B P",      "Bp",     "xx",    "XX", "001",
    "5",  "599", "1234", "12345", "",         "\xC1\xC9", "ZA\x85", "\vsz\f"};
const std::string_view kContinents[] = {"EU", "NA", "AS", "AF", "OC", "SA", "AN", "eu", ""};
const std::string_view kOwnCalls[] = {"HA5TST", "HG5A",       "DL1ABC",   " HA5TST ", "HA5TST/P",
                                      "CON",    "nul.x",      "COM1",     "LPT9.txt", "a\\b:c",
                                      "",       "HA5TST\r\n", "HA\r5TST", "HA5TST\t", "prn"};
const std::string_view kReports[] = {"599", "59", "5NN", "", "5", "59 9"};
const std::string_view kCommands[] = {"SHOWINFO", "HIDEINFO", "showinfo", "SHOWINFO ", "", "HIDE"};
const std::string_view kSettingKeys[] = {"Master", "Multiplier", "Start",   "Operators",
                                         "Name",   "SoapBox",    "Address", "Club",
                                         "Email",  "Loc",        "Claimed", "Address-City"};
const std::string_view kSettingValues[] = {"0",
                                           "1",
                                           "-1",
                                           "2147483648",
                                           " 7x",
                                           "",
                                           "HA5TST<CR>HA5XYZ",
                                           "one<CR><LF>two",
                                           "<LF>",
                                           "<CR>",
                                           "Joe",
                                           "a<CR",
                                           "\"q\"",
                                           "  spaced  ",
                                           "<CR><CR>"};
const std::string_view kFreeTexts[] = {
    "Joe", "", "line one\r\nline two", "<CR>", "a\rb\nc", "\x01\x1f\x7f", "\xC1\xC9", "  "};

const double kDates[] = {44576.5,
                         46039.5,
                         0.0,
                         -0.0,
                         -1.25,
                         1e-300,
                         std::numeric_limits<double>::quiet_NaN(),
                         std::numeric_limits<double>::infinity(),
                         -std::numeric_limits<double>::infinity(),
                         1e300,
                         -1e300,
                         std::numeric_limits<double>::max(),
                         2958465.999994,
                         2958465.5,
                         -657434.0,
                         -657434.5,
                         -657435.0,
                         44576.9999999,
                         1.0 / 3};
const int32_t kStatuses[] = {COleDateTime::kValid,
                             COleDateTime::kValid,
                             COleDateTime::kValid,
                             COleDateTime::kInvalid,
                             COleDateTime::kNull,
                             -1,
                             3,
                             INT32_MAX,
                             INT32_MIN};
const uint32_t kFrequencies[] = {14025000, 1836000, 3525000, 7010000,    21030000,   28500000,
                                 50100000, 0,       999,     UINT32_MAX, 2147483648u};

template <size_t N>
std::string_view Pick(const std::string_view (&pool)[N], uint8_t byte) {
  return pool[byte % N];
}

// A text the host passes: NULL, or the bytes up to the first NUL.
struct HostText {
  bool null = false;
  std::string bytes;
  const char* Get() const { return null ? nullptr : bytes.c_str(); }
  std::string Value() const { return null ? std::string() : std::string(bytes.c_str()); }
};

std::string Decorated(std::string text, uint8_t how) {
  static const char kBlanks[] = " \t\r\n\v\f";
  for (char& c : text) {
    if ((how & 1) && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if ((how & 2) && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  if (how & 4) text.insert(text.begin(), kBlanks[(how >> 5) % 6]);
  if (how & 8) text.push_back(kBlanks[(how >> 4) % 6]);
  if (how & 16) text += "\xE9\x80";
  if (how & 32) text.insert(text.size() / 2, "\r\n");
  if (how & 64) text += text;
  return text;
}

// 0 NULL, 1 empty, 2 literal bytes, 3 a long repetition, 4 a decorated pick, else a pick.
template <size_t N>
HostText ReadText(ByteScript& script, const std::string_view (&pool)[N]) {
  HostText text;
  const uint8_t kind = script.Byte();
  switch (kind) {
    case 0:
      text.null = true;
      break;
    case 1:
      break;
    case 2:
      text.bytes = script.Bytes(script.Byte());
      break;
    case 3: {
      const size_t length = (size_t{script.Byte()} + 1) * 64;
      std::string_view unit = Pick(pool, script.Byte());
      if (unit.empty()) unit = "\xFF";
      while (text.bytes.size() < length) text.bytes += unit;
      break;
    }
    case 4: {
      const std::string_view picked = Pick(pool, script.Byte());
      text.bytes = Decorated(std::string(picked), script.Byte());
      break;
    }
    default:
      text.bytes = std::string(Pick(pool, static_cast<uint8_t>(kind - 5)));
      break;
  }
  return text;
}

struct HostDate {
  bool null = false;
  COleDateTime date;
  COleDateTime* Get() { return null ? nullptr : &date; }
  COleDateTime Value() const {
    if (!null) return date;
    COleDateTime none;
    none.m_status = COleDateTime::kNull;
    return none;
  }
};

HostDate ReadDate(ByteScript& script) {
  HostDate date;
  const uint8_t kind = script.Byte();
  if (kind == 0) {
    date.null = true;
    return date;
  }
  date.date.m_dt = kind < 0x80 ? kDates[kind % std::size(kDates)] : script.Double();
  const uint8_t status = script.Byte();
  date.date.m_status = status == 0xFF ? static_cast<int32_t>(script.Word())
                                      : kStatuses[status % std::size(kStatuses)];
  return date;
}

uint32_t ReadFrequency(ByteScript& script) {
  const uint8_t kind = script.Byte();
  return kind == 0xFF ? script.Word() : kFrequencies[kind % std::size(kFrequencies)];
}

struct HostQsoArgs {
  HostText ownCall, call, mode, rstSent, rstRcvd, exchSent, exchRcvd, prefix, continent, band;
  HostDate time;
  uint32_t freqHz = 0;
  HostText filler;  // every parameter the module ignores

  QsoParams Params() const {
    QsoParams qso;
    qso.ownCall = ownCall.Value();
    qso.call = call.Value();
    qso.time = time.Value();
    qso.freqHz = freqHz;
    qso.mode = mode.Value();
    qso.rstSent = rstSent.Value();
    qso.rstRcvd = rstRcvd.Value();
    qso.exchSent = exchSent.Value();
    qso.exchRcvd = exchRcvd.Value();
    qso.prefix = prefix.Value();
    qso.continent = continent.Value();
    qso.band = band.Value();
    return qso;
  }
};

HostQsoArgs ReadQso(ByteScript& script) {
  HostQsoArgs q;
  q.call = ReadText(script, kCalls);
  q.band = ReadText(script, kBands);
  q.mode = ReadText(script, kModes);
  q.prefix = ReadText(script, kPrefixes);
  q.exchRcvd = ReadText(script, kExchanges);
  q.exchSent = ReadText(script, kExchanges);
  q.time = ReadDate(script);
  q.freqHz = ReadFrequency(script);
  q.continent = ReadText(script, kContinents);
  q.ownCall = ReadText(script, kOwnCalls);
  q.rstSent = ReadText(script, kReports);
  q.rstRcvd = ReadText(script, kReports);
  q.filler = ReadText(script, kFreeTexts);
  return q;
}

// ---- The stand-in world ----

struct World {
  FuzzEnv env;
  MapSettings settings;
  RecordingCountyWindow window;
  RecordingHostLink host;
  ScriptedDesktop desktop;
  std::vector<HostQsoArgs> recent;  // QSOs passed before, for dupes and removals
  size_t step = 0;
};

World& TheWorld() {
  static World* world = new World;  // outlives every input
  return *world;
}

// The module as freshly loaded, with the stand-ins in place of its services.
void StartFresh(World& world) {
  world.env.Clear();
  world.settings = MapSettings();
  world.window = RecordingCountyWindow();
  world.host = RecordingHostLink();
  world.desktop = ScriptedDesktop();
  world.recent.clear();
  world.step = 0;
  g_env = &world.env;
  g_settingsStore = &world.settings;
  g_countyWindowControl = &world.window;
  g_hostLink = &world.host;
  g_desktop = &world.desktop;
  g_log.Clear();
  g_bands.Clear();
  g_workedRows = BandTextLists();
  g_bandCounties = BandTextLists();
  g_ownContinent.clear();
  g_ownCall.clear();
  g_startText.clear();
  g_endText.clear();
  g_yearText.clear();
  g_cabrilloMode = 0;
  g_settingMaster = 0;
  g_settingMultiplier = 0;
  g_claimedScore = 0;
  g_resultText.clear();
  g_hostLinkReady = 0;
  g_cabrilloLog = CCabrilloLog();
  g_enteredCall.clear();
  g_currentBand = -1;
  g_lastSp1Freq = 0.0;
  g_bandNames.clear();
}

void RequireNoWrites(World& world) {
  Require(world.env.TakeWrites().empty(), "this entry point writes no file");
}

std::string PaddedBand(const std::string& band) {
  return band.size() >= 20 ? band : std::string(20 - band.size(), '0') + band;
}

// ---- The steps ----

void StepResetStats(World& world, ByteScript& script) {
  static const int kCabrilloModes[] = {0, 0, 1, -1, 2, INT_MIN};
  const int cabrilloMode = kCabrilloModes[script.Byte() % std::size(kCabrilloModes)];
  const HostText ownCall = ReadText(script, kOwnCalls);
  HostDate start = ReadDate(script);
  HostDate end = ReadDate(script);
  const HostText continent = ReadText(script, kContinents);
  const HostText filler = ReadText(script, kFreeTexts);
  const size_t dialogsBefore = world.desktop.shown.size();
  const char* f = filler.Get();

  const int answer = ResetStats0(f, cabrilloMode, ownCall.Get(), start.Get(), end.Get(), f, f, f, f,
                                 f, f, f, f, f, f, 16, 17, 18, 19.0, 20.0, f, continent.Get(), f);
  Require(answer == 1, "ResetStats0 answers 1");
  Require(g_log.Size() == 0 && g_bands.Size() == 0, "a reset empties the log and the band list");
  static const char* const kSixBands[] = {"160m", "80m", "40m", "20m", "15m", "10m"};
  for (int band = 0; band < 6; ++band) {
    Require(g_workedRows[band] == std::vector<std::string>{kSixBands[band], "-", "-", "-"},
            "a reset leaves the six dashed rows");
  }
  Require(g_ownCall == ownCall.Value() && g_ownContinent == continent.Value() &&
              g_cabrilloMode == cabrilloMode,
          "a reset keeps the values of the run");
  const bool cabrillo = cabrilloMode != 0;
  Require(world.desktop.shown.size() == dialogsBefore + (cabrillo ? 1 : 0),
          "the header dialog shows exactly in Cabrillo mode");
  if (cabrillo) CheckFileCall(g_cabrilloLog.m_fileCall);

  const std::vector<FuzzEnv::WriteRecord> writes = world.env.TakeWrites();
  Require(writes.size() == 1 && writes[0].path == "err.txt" &&
              writes[0].kind == FuzzEnv::WriteKind::kWrite &&
              writes[0].bytes == "TARNO Contest UBN file \r\n",
          "a reset starts the error file with its heading, and writes nothing else");
}

HostQsoArgs ReadOrRecallQso(World& world, ByteScript& script, uint8_t recallBelow) {
  const uint8_t choice = script.Byte();
  if (choice < recallBelow && !world.recent.empty()) {
    HostQsoArgs q = world.recent[choice % world.recent.size()];
    // A changed exchange or mode on the same call is what edits and removals get wrong.
    const uint8_t change = script.Byte();
    if (change & 1) q.exchRcvd = ReadText(script, kExchanges);
    if (change & 2) q.mode = ReadText(script, kModes);
    return q;
  }
  HostQsoArgs q = ReadQso(script);
  if (world.recent.size() < 16) {
    world.recent.push_back(q);
  } else {
    world.recent[choice % 16] = q;
  }
  return q;
}

void StepAddData(World& world, ByteScript& script, QsoParams* probe) {
  HostQsoArgs q = ReadOrRecallQso(world, script, 0x60);
  const QsoParams qso = q.Params();
  *probe = qso;
  const plain::Admission expected = plain::Admit(g_log, qso);
  const bool earlier = plain::CountContacts(g_log, qso.call, qso.band, qso.mode) > 0;
  const size_t sizeBefore = g_log.Size();
  const char* f = q.filler.Get();

  const int answer =
      AddData0(q.ownCall.Get(), q.call.Get(), q.time.Get(), nullptr, nullptr, nullptr, 7u, q.freqHz,
               q.mode.Get(), q.rstSent.Get(), q.rstRcvd.Get(), q.exchSent.Get(), q.exchRcvd.Get(),
               f, f, f, f, f, f, f, f, f, q.prefix.Get(), 24, 25, 26, 27.0, 28.0, f,
               q.continent.Get(), f, q.band.Get(), f);
  Require(answer == (expected.admitted ? 1 : 0), "AddData0 answers 1 exactly when it admits");
  Require(g_log.Size() == sizeBefore + (expected.admitted ? 1 : 0),
          "an admitted QSO adds one record, a refused one none");
  if (expected.admitted) {
    CInfo record = ExpectedRecord(qso);
    record.m_dupe = earlier ? 1 : 0;
    Require(SameRecord(g_log[g_log.Size() - 1], record), "the record keeps what the host sent");
  }
  const std::vector<FuzzEnv::WriteRecord> writes = world.env.TakeWrites();
  if (expected.errorLines == 0) {
    Require(writes.empty(), "a QSO with no problem touches no file");
    return;
  }
  Require(writes.size() == 1 && writes[0].path == "err.txt" &&
              writes[0].kind == FuzzEnv::WriteKind::kAppend,
          "a QSO's problems are appended to the error file in one write");
  CheckAppendedErrorLines(writes[0].bytes, expected.errorLines);
}

void StepRemoveData(World& world, ByteScript& script, QsoParams* probe) {
  HostQsoArgs q = ReadOrRecallQso(world, script, 0xC0);
  const QsoParams qso = q.Params();
  *probe = qso;
  const int expected = plain::RemoveAnswer(qso);
  const long first = expected == 1 ? plain::FirstContact(g_log, qso.call, qso.band, qso.mode) : -1;
  std::vector<CInfo> records;
  for (size_t i = 0; i < g_log.Size(); ++i) {
    if (static_cast<long>(i) != first) records.push_back(g_log[i]);
  }
  BandTextLists counties = g_bandCounties;
  const char* f = q.filler.Get();

  const int answer =
      RemoveData0(q.ownCall.Get(), q.call.Get(), q.time.Get(), nullptr, nullptr, nullptr, 7u,
                  q.freqHz, q.mode.Get(), q.rstSent.Get(), q.rstRcvd.Get(), q.exchSent.Get(),
                  q.exchRcvd.Get(), f, f, f, f, f, f, f, f, f, q.prefix.Get(), 24, 25, 26, 27.0,
                  28.0, f, q.continent.Get(), f, q.band.Get(), f);
  Require(answer == expected, "RemoveData0 answers as the removal rules say");
  Require(g_log.Size() == records.size(), "a removal takes out the first record of the contact");
  for (size_t i = 0; i < records.size(); ++i) {
    Require(SameRecord(g_log[i], records[i]), "a removal leaves the other records as they were");
  }
  const int band = plain::BandIndex(qso.band);
  const std::string code = plain::NormalisedCounty(qso.exchRcvd);
  if (first >= 0 && plain::IsHomePrefix(qso.prefix) && band >= 0 &&
      plain::CountCountedCountyOnBand(g_log, qso.band, code) == 0) {
    std::vector<std::string>& list = counties[band];
    auto listed = std::find(list.begin(), list.end(), code);
    if (listed != list.end()) list.erase(listed);
  }
  Require(g_bandCounties == counties,
          "a county leaves its band's list once no record of the band that counts holds it");
  RequireNoWrites(world);
}

void StepCheckCall(World& world, ByteScript& script, QsoParams* probe) {
  const HostText call = ReadText(script, kCalls);
  const HostText mode = ReadText(script, kModes);
  const HostText prefix = ReadText(script, kPrefixes);
  const HostText county = ReadText(script, kExchanges);
  const HostText band = ReadText(script, kBands);
  const HostText filler = ReadText(script, kFreeTexts);
  probe->call = call.Value();
  probe->mode = mode.Value();
  probe->prefix = prefix.Value();
  probe->exchRcvd = county.Value();
  probe->band = band.Value();
  const int expected = plain::CallCheckAnswer(g_log, call.Value(), mode.Value(), prefix.Value(),
                                              county.Value(), band.Value());
  const int refreshesBefore = world.window.refreshes;
  char out1[8] = "mine";
  char out2[8] = "mine";
  const char* f = filler.Get();

  const int answer =
      CheckCall0(call.Get(), 2u, 3u, mode.Get(), f, f, f, f, f, f, f, f, f, prefix.Get(), 15, 16,
                 17, 18.0, 19.0, f, f, f, f, county.Get(), band.Get(), f, out1, out2);
  Require(answer == expected, "CheckCall0 answers as a scan of the log");
  Require(std::string(out1) == "mine" && std::string(out2) == "mine",
          "CheckCall0 leaves the host's buffers alone");
  Require(world.window.refreshes == refreshesBefore + 1, "every call check asks for a refresh");
  RequireNoWrites(world);
}

void StepGetResult(World& world, ByteScript& script) {
  const bool withFlag = script.Byte() & 1;
  int flag = 7;
  const std::vector<std::string> bandsBefore = g_bands.Texts();
  const BandTextLists countiesBefore = g_bandCounties;
  const size_t messagesBefore = world.desktop.messages.size();

  const char* sheet = GetResult0(withFlag ? &flag : nullptr);
  Require(sheet != nullptr, "GetResult0 answers a text");
  const std::vector<std::string>& bands = g_bands.Texts();
  Require(std::is_permutation(bands.begin(), bands.end(), bandsBefore.begin(), bandsBefore.end()),
          "the score sorts the band list, neither adding nor dropping a band");
  for (size_t i = 0; i + 1 < bands.size(); ++i) {
    Require(!(PaddedBand(bands[i]) < PaddedBand(bands[i + 1])),
            "the score lists the bands from 160m down");
  }
  const plain::Tally tally =
      plain::Score(g_log, bands, g_ownContinent, g_startText, g_endText, g_ownCall, countiesBefore);
  CheckSummarySheet(sheet,
                    "    TARNO-CONTEST " + g_startText + "-" + g_endText +
                        "\r\n\tContestant: " + g_ownCall + " \r\n\tQSOs\tPoints\tCounty\r\n",
                    bands, g_log.Size());
  Require(std::string(sheet) == tally.sheet, "the summary sheet is the score of a plain scan");
  Require(g_claimedScore == tally.score, "the claimed score is the sheet's score");
  Require(g_bandCounties == tally.bandCounties,
          "the score rebuilds the county list of every contest band it lists");
  if (world.settings.available) {
    Require(world.settings.values["Claimed"] == std::to_string(tally.score),
            "the claimed score is stored");
  }

  const std::vector<FuzzEnv::WriteRecord> writes = world.env.TakeWrites();
  if (g_cabrilloMode == 0) {
    Require(writes.empty() && flag == 7, "without Cabrillo mode the score writes no file");
    return;
  }
  const std::string fileName = g_cabrilloLog.FileName();
  Require(writes.size() == 1 && writes[0].path == fileName &&
              writes[0].kind == FuzzEnv::WriteKind::kReplace,
          "a Cabrillo export replaces its file once, in one step");
  CheckFileCall(g_cabrilloLog.m_fileCall);
  CheckCabrilloFile(writes[0].bytes, g_log, tally.score);
  Require(!withFlag || flag == -1, "a Cabrillo export sets the host's flag to -1");
  Require(world.desktop.messages.size() == messagesBefore + 1 &&
              world.desktop.messages.back() ==
                  (writes[0].failed ? "File could not be written: " : "File produced: ") + fileName,
          "the operator is told whether the file was written");
}

void StepRunCommand(World& world, ByteScript& script) {
  const HostText command = ReadText(script, kCommands);
  const int number = static_cast<int8_t>(script.Byte());
  const char* answer = RunCommand0(number, command.Get());
  Require(answer != nullptr && *answer == '\0', "RunCommand0 answers an empty text");
  if (command.Value() == "SHOWINFO") Require(world.window.open, "SHOWINFO opens the window");
  if (command.Value() == "HIDEINFO") Require(!world.window.open, "HIDEINFO closes the window");
  RequireNoWrites(world);
}

// A profile line cannot hold a line end, so neither can a stored value.
std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return text;
}

// A multi-line edit control gives its line breaks as CR LF.
std::string EditLines(const std::string& text) {
  std::string lines;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      lines += "\r\n";
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      lines += c;
    }
  }
  return lines;
}

bool PlainIsValidExchange(const std::string& exchange, const std::string& prefix) {
  if (exchange == "599") return false;
  if (plain::IsHomePrefix(prefix)) return exchange.size() == 2 && plain::IsCountyCode(exchange);
  if (exchange.empty() || exchange.size() > 4) return false;
  for (char c : exchange) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

void StepServices(World& world, ByteScript& script) {
  switch (script.Byte() % 8) {
    case 0: {
      const std::string key(Pick(kSettingKeys, script.Byte()));
      world.settings.values[key] = OneLine(ReadText(script, kSettingValues).Value());
      break;
    }
    case 1:
      world.settings.available = !world.settings.available;
      break;
    case 2:
      world.desktop.confirm = !world.desktop.confirm;
      break;
    case 3: {
      const std::string soapbox = EditLines(ReadText(script, kFreeTexts).Value());
      const std::string operators = EditLines(ReadText(script, kSettingValues).Value());
      const std::string name = OneLine(ReadText(script, kFreeTexts).Value());
      world.desktop.edit = [soapbox, operators, name](CabrilloHeaderValues* values) {
        values->soapbox = soapbox;
        values->operators = operators;
        values->name = name;
        values->club = name;
      };
      break;
    }
    case 4:
      world.env.FailWrites(script.Byte() & 1 ? "err.txt" : g_cabrilloLog.FileName());
      break;
    case 5:
      world.host.reachable = !world.host.reachable;
      break;
    case 6: {
      const HostText exchange = ReadText(script, kExchanges);
      const HostText prefix = ReadText(script, kPrefixes);
      const int answer = IsValidExchg0(exchange.Get(), nullptr, prefix.Get(), nullptr, 0, 0, 0);
      Require(answer == (PlainIsValidExchange(exchange.Value(), prefix.Value()) ? 1 : 0),
              "IsValidExchg0 answers as the exchange rules say");
      break;
    }
    default: {
      Require(GetNumberOfSets() == 1, "one set");
      const int set = static_cast<int8_t>(script.Byte());
      const char* name = GetSetName(set);
      Require(name != nullptr && (set == 0) == (*name != '\0'), "only set 0 has a name");
      Require(GetExchgCount0(nullptr, nullptr, nullptr) == 1, "one exchange");
      SetupSet0();
      break;
    }
  }
  RequireNoWrites(world);
}

const double kRadioFrequencies[] = {0.0,
                                    1836000.0,
                                    3525000.0,
                                    7010000.0,
                                    14025000.0,
                                    21030000.0,
                                    28500000.0,
                                    29999999.9,
                                    999999.99,
                                    14000150.0,
                                    -14025000.0,
                                    1e300,
                                    std::numeric_limits<double>::quiet_NaN(),
                                    std::numeric_limits<double>::infinity()};

// The radio's band by whole MHz: 1, 3, 7, 14, 21 and 28 are the six contest bands.
int RadioBand(double freqHz) {
  const double mhz = std::trunc(freqHz / 1e6);
  const double kBandMHz[] = {1, 3, 7, 14, 21, 28};
  for (int band = 0; band < 6; ++band) {
    if (mhz == kBandMHz[band]) return band;
  }
  return -1;
}

// What the county window's thread does after a call check, run here on the fuzzer's thread:
// the host answers with a typed call and the radio's frequency.
void StepRefresh(World& world, ByteScript& script) {
  static const char* const kSixBands[] = {"160m", "80m", "40m", "20m", "15m", "10m"};
  world.host.call = ReadText(script, kCalls).Value();
  const uint8_t kind = script.Byte();
  world.host.freqHz = kind == 0xFF ? script.Double() : kRadioFrequencies[kind % 14];
  const std::string call = world.host.call;
  const double freqHz = world.host.freqHz;
  const double lastSp1 = g_lastSp1Freq;
  const size_t commandsBefore = world.host.commands.size();

  const CountyRefresh refresh = RefreshCountyWindow(ModuleWindowView());
  const bool moved = std::fabs(freqHz - lastSp1) > 300.0;
  Require(world.host.commands.size() == commandsBefore + (moved ? 1 : 0) &&
              (!moved || world.host.commands.back() == "<SP1>"),
          "the host is told to read the radio again exactly when it moved");
  const int band = RadioBand(freqHz);
  Require(refresh.table.currentBand == band && g_currentBand == band,
          "the radio's band is found by whole MHz");
  const std::vector<std::string> none;
  const std::vector<std::string>& counties = band >= 0 ? g_bandCounties[band] : none;
  Require(refresh.caption == " TARNO CNT on " + std::string(band >= 0 ? kSixBands[band] : "") +
                                 " " + std::to_string(counties.size()) + " of 20",
          "the caption names the band and counts its counties");
  for (size_t box = 0; box < kCountyBoxOrder.size(); ++box) {
    const bool worked =
        std::find(counties.begin(), counties.end(), kCountyBoxOrder[box]) != counties.end();
    Require(refresh.countyFlags[box] == (worked ? 1 : 0), "a box is marked for a worked county");
  }
  Require(refresh.infoTitle == "TARNO " + g_yearText + (call.empty() ? "" : " worked with " + call),
          "the information window's title names the typed call");
  Require(refresh.table.enteredCall == call && g_enteredCall == call, "the typed call is kept");
  for (int b = 0; b < 6; ++b) {
    std::vector<std::string> row = {kSixBands[b], "   -", "   -", " -"};
    for (size_t i = 0; !call.empty() && i < g_log.Size(); ++i) {
      const CInfo& r = g_log[i];
      if (r.m_call != call || r.m_band != kSixBands[b]) continue;
      row = {kSixBands[b], FormatOleDate(r.m_time, "%H:%M"), r.m_mode,
             plain::IsHomePrefix(r.m_prefix) ? r.m_county : r.m_exchRcvd};
    }
    Require(g_workedRows[b] == row && refresh.table.workedRows[b] == row,
            "a band's row shows the last QSO with the typed call on it");
  }
  RequireNoWrites(world);
}

void CheckAfterStep(World& world, const QsoParams* probe) {
  const size_t size = g_log.Size();
  std::vector<size_t> records;
  if (size > 0) records = {0, size - 1, size / 2, world.step % size};
  CheckLog(g_log, g_bands, probe, records);
}

}  // namespace
}  // namespace tarno::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarno::fuzz;
  World& world = TheWorld();
  StartFresh(world);
  ByteScript script(data, size);
  constexpr size_t kMaxSteps = 2000;
  while (!script.Done() && world.step < kMaxSteps) {
    ++world.step;
    tarno::QsoParams probe;
    bool probed = true;
    switch (script.Byte() % 11) {
      case 0:
        StepResetStats(world, script);
        probed = false;
        break;
      case 1:
      case 2:
      case 3:
        StepAddData(world, script, &probe);
        break;
      case 4:
        StepRemoveData(world, script, &probe);
        break;
      case 5:
      case 6:
        StepCheckCall(world, script, &probe);
        break;
      case 7:
        StepGetResult(world, script);
        probed = false;
        break;
      case 8:
        StepRunCommand(world, script);
        probed = false;
        break;
      case 9:
        StepServices(world, script);
        probed = false;
        break;
      default:
        StepRefresh(world, script);
        probed = false;
        break;
    }
    CheckAfterStep(world, probed ? &probe : nullptr);
  }
  if (const std::string* errors = world.env.Find("err.txt")) CheckErrorFile(*errors);
  return 0;
}
