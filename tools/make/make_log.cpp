// tarno-make-log: writes a made-up TARNO contest log in ADIF, for the sample and for
// the benchmarks. The same seed always gives the same bytes, on every platform.
//
//   tarno-make-log --qsos N [--seed S] [--clean] > log.adi
//
// Without --clean the log has what real logs have: dupes, QSOs on 17 m and in RTTY,
// missing exchanges, county codes typed every which way, an unknown county and a
// Sicilian station. With --clean every QSO is a new, valid contact.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "contest/county_rules.h"
#include "logs/band_plan.h"

namespace {

const char* const kOwnCall = "HA5TST";
const char* const kOwnCounty = "BP";

const char* const kForeignPrefixes[] = {"DL", "OK", "OM", "S5", "9A", "YU", "YO", "LZ", "SP",
                                        "UR", "G",  "F",  "I",  "EA", "ON", "PA", "OE", "HB9",
                                        "SM", "OH", "LY", "ES", "UA", "W",  "VE", "JA"};

class Maker {
 public:
  Maker(uint32_t seed, bool clean) : m_random(seed), m_clean(clean) {}

  uint32_t Below(uint32_t n) { return static_cast<uint32_t>(m_random() % n); }
  char Letter() { return static_cast<char>('A' + Below(26)); }

  std::string ForeignCall(uint32_t serial) {
    std::string call = kForeignPrefixes[Below(sizeof kForeignPrefixes / sizeof *kForeignPrefixes)];
    if (call.back() < '0' || call.back() > '9') call += static_cast<char>('0' + Below(10));
    // Distinct suffixes from the serial so that a clean log has no dupes.
    call += static_cast<char>('A' + serial % 26);
    call += static_cast<char>('A' + serial / 26 % 26);
    call += static_cast<char>('A' + serial / 676 % 26);
    if (serial >= 17576) call += std::to_string(serial / 17576);
    return call;
  }

  std::string HomeCall(uint32_t serial) {
    std::string call = Below(4) == 0 ? "HG" : "HA";
    call += static_cast<char>('0' + Below(10));
    call += static_cast<char>('A' + serial % 26);
    call += static_cast<char>('A' + serial / 26 % 26);
    if (serial >= 676) call += std::to_string(serial / 676);
    return call;
  }

  // A county as operators type it: mostly right, sometimes in lower case or with blanks.
  std::string TypedCounty() {
    std::string county = tarno::kCountyCodes[Below(20)];
    if (m_clean) return county;
    switch (Below(8)) {
      case 0:
        return std::string(1, static_cast<char>(county[0] + 32)) +
               static_cast<char>(county[1] + 32);
      case 1:
        return " " + county;
      case 2:
        return county.substr(0, 1) + static_cast<char>(county[1] + 32) + " ";
      default:
        return county;
    }
  }

  bool Chance(uint32_t percent) { return !m_clean && Below(100) < percent; }

 private:
  std::mt19937 m_random;
  bool m_clean;
};

struct Qso {
  std::string call, band, mode, submode, rstSent, rstRcvd, exchSent, exchRcvd, cont;
  uint32_t freqKHz = 0;
  uint32_t minute = 0;  // since the contest start
};

void Field(std::string* out, const char* name, const std::string& value) {
  if (value.empty()) return;
  *out += "<" + std::string(name) + ":" + std::to_string(value.size()) + ">" + value + " ";
}

std::string Record(const Qso& qso) {
  // The contest runs from 2026-01-17 12:00 UTC for 24 hours.
  const uint32_t day = 17 + (12 * 60 + qso.minute) / 1440;
  const uint32_t minuteOfDay = (12 * 60 + qso.minute) % 1440;
  char date[16];
  char time[16];
  char freq[32];
  std::snprintf(date, sizeof date, "202601%02u", day);
  std::snprintf(time, sizeof time, "%02u%02u%02u", minuteOfDay / 60, minuteOfDay % 60,
                qso.minute * 7 % 60);
  std::snprintf(freq, sizeof freq, "%u.%03u", qso.freqKHz / 1000, qso.freqKHz % 1000);
  std::string out;
  Field(&out, "CALL", qso.call);
  Field(&out, "QSO_DATE", date);
  Field(&out, "TIME_ON", time);
  Field(&out, "BAND", qso.band);
  Field(&out, "FREQ", freq);
  Field(&out, "MODE", qso.mode);
  Field(&out, "SUBMODE", qso.submode);
  Field(&out, "RST_SENT", qso.rstSent);
  Field(&out, "RST_RCVD", qso.rstRcvd);
  Field(&out, "STX_STRING", qso.exchSent);
  Field(&out, "SRX_STRING", qso.exchRcvd);
  Field(&out, "STATION_CALLSIGN", kOwnCall);
  Field(&out, "CONT", qso.cont);
  return out + "<EOR>\n";
}

Qso MakeQso(Maker& maker, uint32_t index, uint32_t count, std::vector<Qso>& made) {
  if (maker.Chance(3) && !made.empty()) {  // worked again: a dupe
    Qso again = made[maker.Below(static_cast<uint32_t>(made.size()))];
    again.minute = index * 1440 / count;
    return again;
  }
  Qso qso;
  const tarno::score::BandPlan& plan = tarno::score::kBandPlan[maker.Below(6)];
  const bool cw = maker.Below(2) == 0;
  qso.band = plan.band;
  qso.mode = cw ? "CW" : "SSB";
  if (!cw) qso.submode = plan.ssbKHz < 10000 ? "LSB" : "USB";
  qso.freqKHz = (cw ? plan.cwKHz : plan.ssbKHz) + maker.Below(20);
  qso.rstSent = cw ? "599" : "59";
  qso.rstRcvd = qso.rstSent;
  qso.exchSent = kOwnCounty;
  qso.minute = index * 1440 / count;
  if (maker.Below(3) == 0) {
    qso.call = maker.HomeCall(index);
    qso.exchRcvd = maker.TypedCounty();
  } else {
    qso.call = maker.ForeignCall(index);
    char serial[8];
    std::snprintf(serial, sizeof serial, "%03u", 1 + maker.Below(900));
    qso.exchRcvd = serial;
  }
  if (maker.Chance(2)) {
    qso.band = "17m";
    qso.freqKHz = 18080 + maker.Below(20);
  }
  if (maker.Chance(2)) {
    qso.mode = "RTTY";
    qso.submode.clear();
  }
  if (maker.Chance(2)) qso.exchRcvd.clear();
  if (maker.Chance(1)) {  // Sicily, whose prefix the contest counts as Italy's
    qso.call = std::string("IT9") + maker.Letter() + maker.Letter() + maker.Letter();
    qso.exchRcvd = "123";
  }
  if (maker.Chance(1)) {  // a home station whose county was mistyped
    qso.call = maker.HomeCall(index);
    qso.exchRcvd = "XX";
  }
  return qso;
}

}  // namespace

int main(int argc, char** argv) {
  uint32_t count = 300;
  uint32_t seed = 1;
  bool clean = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--qsos" && i + 1 < argc) {
      count = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 10));
    } else if (arg == "--seed" && i + 1 < argc) {
      seed = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 10));
    } else if (arg == "--clean") {
      clean = true;
    } else {
      std::fprintf(stderr, "usage: tarno-make-log --qsos N [--seed S] [--clean]\n");
      return 2;
    }
  }
  Maker maker(seed, clean);
  std::string out = "TARNO contest log made up for testing\n<ADIF_VER:5>3.1.4 <EOH>\n";
  std::vector<Qso> made;
  made.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    made.push_back(MakeQso(maker, i, count, made));
    out += Record(made.back());
    if (out.size() > (1u << 20)) {
      std::fwrite(out.data(), 1, out.size(), stdout);
      out.clear();
    }
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}
