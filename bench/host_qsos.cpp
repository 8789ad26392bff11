#include "host_qsos.h"

#include <random>

#include "contest/county_rules.h"

namespace tarno::bench {

const char kBenchOwnCall[] = "HA5TST";
const char kBenchOwnContinent[] = "EU";

namespace {

struct PrefixInfo {
  const char* prefix;
  const char* continent;
};

// Home prefixes first, then the foreign ones a log holds, then prefixes no made-up
// log holds (new multipliers for the call check).
constexpr PrefixInfo kPrefixes[] = {
    {"HA", "EU"}, {"HG", "EU"},  {"DL", "EU"}, {"OK", "EU"}, {"OM", "EU"}, {"S5", "EU"},
    {"9A", "EU"}, {"YU", "EU"},  {"YO", "EU"}, {"LZ", "EU"}, {"SP", "EU"}, {"UR", "EU"},
    {"G", "EU"},  {"F", "EU"},   {"I", "EU"},  {"EA", "EU"}, {"ON", "EU"}, {"PA", "EU"},
    {"OE", "EU"}, {"HB9", "EU"}, {"SM", "EU"}, {"OH", "EU"}, {"LY", "EU"}, {"ES", "EU"},
    {"UA", "EU"}, {"W", "NA"},   {"VE", "NA"}, {"JA", "AS"}, {"ZS", "AF"}, {"VK", "OC"},
    {"PY", "SA"}, {"LU", "SA"},  {"ZL", "OC"}, {"4X", "AS"}};
constexpr uint32_t kHomePrefixes = 2;
constexpr uint32_t kLoggedPrefixes = 28;
constexpr uint32_t kAllPrefixes = sizeof kPrefixes / sizeof *kPrefixes;

struct BandPlan {
  uint32_t cwKHz;
  uint32_t ssbKHz;
};
constexpr BandPlan kPlans[kBandCount] = {{1820, 1850},   {3520, 3700},   {7010, 7080},
                                         {14020, 14200}, {21020, 21250}, {28020, 28450}};

const char* const kModes[] = {"CW", "SSB"};

// 2026-01-17 12:00 UTC as the host counts days; the contest lasts 24 hours.
constexpr double kContestStartDays = 46039.5;

// Prefix, a digit, then four letters from the serial: distinct serials give distinct
// calls, so a made-up log has no dupes however long it is.
void WriteCall(BenchQso* qso, uint32_t serial) {
  std::string call = kPrefixes[qso->prefixIndex].prefix;
  call += static_cast<char>('0' + serial % 10);
  uint32_t rest = serial / 10;
  for (int i = 0; i < 4; ++i, rest /= 26) call += static_cast<char>('A' + rest % 26);
  call.copy(qso->call, sizeof qso->call - 1);
}

void WriteBandAndMode(BenchQso* qso, std::mt19937& random) {
  qso->bandIndex = static_cast<uint8_t>(random() % kBandCount);
  qso->modeIndex = static_cast<uint8_t>(random() % 2);
  const BandPlan& plan = kPlans[qso->bandIndex];
  qso->freqHz = ((qso->modeIndex == 0 ? plan.cwKHz : plan.ssbKHz) + random() % 20) * 1000;
}

}  // namespace

const char* BenchQso::band() const { return kBandNames[bandIndex]; }
const char* BenchQso::mode() const { return kModes[modeIndex]; }
const char* BenchQso::prefix() const { return kPrefixes[prefixIndex].prefix; }
const char* BenchQso::continent() const { return kPrefixes[prefixIndex].continent; }
const char* BenchQso::rst() const { return modeIndex == 0 ? "599" : "59"; }

std::vector<BenchQso> MakeCleanQsos(size_t count, uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<BenchQso> qsos(count);
  for (size_t i = 0; i < count; ++i) {
    BenchQso& qso = qsos[i];
    WriteBandAndMode(&qso, random);
    if (random() % 3 == 0) {
      qso.prefixIndex = random() % 4 == 0 ? 1 : 0;
      std::string county = kCountyCodes[random() % kCountyCount];
      county.copy(qso.exchRcvd, 2);
      county.copy(qso.county, 2);
    } else {
      qso.prefixIndex =
          static_cast<uint8_t>(kHomePrefixes + random() % (kLoggedPrefixes - kHomePrefixes));
      std::string serial = std::to_string(1 + random() % 900);
      serial.insert(0, 3 - serial.size(), '0');
      serial.copy(qso.exchRcvd, 3);
    }
    WriteCall(&qso, static_cast<uint32_t>(i));
    qso.time.m_dt = kContestStartDays + static_cast<double>(i) / static_cast<double>(count);
  }
  return qsos;
}

std::vector<BenchQso> MakeCheckProbes(const std::vector<BenchQso>& logQsos, size_t count) {
  std::mt19937 random(7);
  std::vector<BenchQso> probes(count);
  uint32_t newSerial = static_cast<uint32_t>(logQsos.size());
  for (size_t i = 0; i < count; ++i) {
    BenchQso& probe = probes[i];
    probe = logQsos[random() % logQsos.size()];
    switch (i % 3) {
      case 0:  // the same contact again
        break;
      case 1:  // a new station of a prefix or county already worked on the band
        WriteCall(&probe, newSerial++);
        break;
      default:  // a new station of a prefix worked nowhere
        probe.prefixIndex =
            static_cast<uint8_t>(kLoggedPrefixes + random() % (kAllPrefixes - kLoggedPrefixes));
        probe.county[0] = '\0';
        WriteCall(&probe, newSerial++);
        break;
    }
  }
  return probes;
}

CInfo RecordOf(const BenchQso& qso) {
  CInfo record;
  record.m_call = qso.call;
  record.m_band = qso.band();
  record.m_mode = qso.mode();
  record.m_continent = qso.continent();
  record.m_rstRcvd = qso.rst();
  record.m_rstSent = qso.rst();
  record.m_exchRcvd = qso.exchRcvd;
  record.m_exchSent = "BP";
  record.m_freqKHz = static_cast<int32_t>(qso.freqHz / 1000);
  record.m_time = qso.time;
  record.m_prefix = StoredPrefix(qso.prefix());
  if (IsHomePrefix(qso.prefix())) record.m_county = NormaliseCounty(qso.exchRcvd);
  return record;
}

QsoParams ParamsOf(const BenchQso& qso) {
  QsoParams params;
  params.ownCall = kBenchOwnCall;
  params.call = qso.call;
  params.time = qso.time;
  params.freqHz = qso.freqHz;
  params.mode = qso.mode();
  params.rstSent = qso.rst();
  params.rstRcvd = qso.rst();
  params.exchSent = "BP";
  params.exchRcvd = qso.exchRcvd;
  params.prefix = qso.prefix();
  params.continent = qso.continent();
  params.band = qso.band();
  return params;
}

}  // namespace tarno::bench
