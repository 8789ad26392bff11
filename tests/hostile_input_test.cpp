// A host gone wrong: a few thousand entry-point calls in a fixed pseudo-random order, with
// NULL, empty, 100 KB and control-laden texts, bytes of 128 and above, dates that are NaN,
// infinite, huge or negative with every status, and wild numbers. Every answer, every returned
// text and the files left at the end go into a transcript that must equal, byte for byte, the
// one in tests/data. The same source runs in the native test program and, against the real
// DLL, in the Windows one (each supplies TheEntryPoints() and TARNO_TEST_DATA_DIR), so the two
// builds must answer alike to the last byte.
//
// To write the transcript anew after a deliberate change: run the native test with
// TARNO_UPDATE_TRANSCRIPT=1 in the environment, then run the Windows suite to see it agree.

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "helpers/host_calls.h"

namespace tarno {

const EntryPoints& TheEntryPoints();

namespace {

namespace fs = std::filesystem;

const char kTranscriptName[] = "hostile-transcript.txt";
constexpr uint64_t kSeed = 0x5441524E4F2D3031;  // "TARNO-01"
constexpr int kCalls = 4000;

// SplitMix64: the same numbers from every compiler and library, unlike the standard
// distributions, whose results are left to each implementation.
class Sequence {
 public:
  explicit Sequence(uint64_t seed) : m_state(seed) {}

  uint64_t Next() {
    uint64_t z = (m_state += 0x9E3779B97F4A7C15);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EB;
    return z ^ (z >> 31);
  }
  uint32_t Below(uint32_t bound) { return static_cast<uint32_t>(Next() % bound); }
  bool OneIn(uint32_t odds) { return Below(odds) == 0; }

 private:
  uint64_t m_state;
};

// FNV-1a, 64 bits: a fingerprint for texts too long to write out.
std::string Fingerprint(const std::string& bytes) {
  uint64_t hash = 0xCBF29CE484222325;
  for (unsigned char c : bytes) hash = (hash ^ c) * 0x100000001B3;
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
  return text;
}

std::string Escaped(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\\' || c == '"' || c < 0x20 || c >= 0x7F) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
  return out;
}

// A text as the transcript shows it: whole up to `limit` bytes, else its length, fingerprint
// and start.
std::string Shown(const char* text, size_t limit = 160) {
  if (text == nullptr) return "NULL";
  const std::string bytes(text);
  if (bytes.size() <= limit) return "\"" + Escaped(bytes) + "\"";
  return "len=" + std::to_string(bytes.size()) + " fnv=" + Fingerprint(bytes) + " head=\"" +
         Escaped(bytes.substr(0, 48)) + "\"";
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<missing>";
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ShownFile(const std::string& path) {
  const std::string bytes = Slurp(path);
  return path + ": " + Shown(bytes.c_str());
}

// Texts by kind, the plausible ones a host sends and the hostile ones it should not; the
// index of each in all() names it in the transcript ("t12").
class Texts {
 public:
  Texts() {
    std::string high, hugeHigh, hugeBreaks;
    for (int c = 128; c < 256; ++c) high.push_back(static_cast<char>(c));
    while (hugeHigh.size() < 100 * 1024) hugeHigh += high;
    while (hugeBreaks.size() < 100 * 1024) hugeBreaks += "HA1AA\r\n\t";
    m_huge = {Add(std::string(100 * 1024, 'W')), Add(hugeHigh), Add(hugeBreaks)};
    // One kind to a few lines, not one text to a line.
    // clang-format off
    m_hostile = {Add(""), Add(" "), Add("\t"), Add("\r\n"), Add("\r"), Add("\n"), Add("A\rB\nC\tD"),
                 Add(high), Add("\xff\xfe"), Add("\x7f\x01\x1f"), Add("%s%n%x%d"), Add("<CR><LF>"),
                 Add("SHOWINFO "), Add("showinfo"), Add("HIDEINFO"), Add("\xe9\xe1\xf5\xfb"),
                 Add(std::string(300, 'Q')), Add("CON"), Add("..\\..\\x")};
    // clang-format on
    m_calls = {Add("HA1AA"), Add("HG2BB"), Add("DL1ABC"), Add("W1AW"),     Add("IT9XYZ"),
               Add("OK1AB"), Add("hA1aa"), Add("HA1AA "), Add("SP9ZZZ/P"), Add("JA1\xb3")};
    m_modes = {Add("CW"), Add("SSB"), Add("cw"), Add("RTTY"), Add("CW ")};
    m_bands = {Add("160m"), Add("80m"), Add("40m"), Add("20m"), Add("15m"), Add("10m"),
               Add("17m"),  Add("30m"), Add("12m"), Add("6m"),  Add("20M"), Add("2m")};
    m_prefixes = {Add("HA"), Add("HG"), Add("DL"), Add("IT9"), Add("W"), Add("ha"), Add("I")};
    m_exchanges = {Add("BP"),  Add("bp "),  Add(" ZA\t"), Add("XX"),  Add("HB"), Add("599"),
                   Add("001"), Add("0599"), Add("12345"), Add("b p"), Add("SO")};
    m_continents = {Add("EU"), Add("NA"), Add("AS"), Add("eu")};
  }

  // A text for a parameter of the given kind: mostly of that kind, sometimes anything,
  // rarely NULL or 100 KB long. Returns the pointer and appends its name to `shown`.
  const char* Pick(Sequence& random, const std::vector<size_t>& kind, std::string* shown) {
    size_t index;
    const uint32_t roll = random.Below(400);
    if (roll == 0) {
      *shown += " -";
      return nullptr;
    }
    if (roll <= 2) {
      index = m_huge[random.Below(static_cast<uint32_t>(m_huge.size()))];
    } else if (roll <= 60) {
      index = m_hostile[random.Below(static_cast<uint32_t>(m_hostile.size()))];
    } else if (roll <= 80) {
      index = m_huge.size() + random.Below(static_cast<uint32_t>(m_texts.size() - m_huge.size()));
    } else {
      index = kind[random.Below(static_cast<uint32_t>(kind.size()))];
    }
    *shown += " t" + std::to_string(index);
    return m_texts[index].c_str();
  }

  const std::vector<size_t>& calls() const { return m_calls; }
  const std::vector<size_t>& modes() const { return m_modes; }
  const std::vector<size_t>& bands() const { return m_bands; }
  const std::vector<size_t>& prefixes() const { return m_prefixes; }
  const std::vector<size_t>& exchanges() const { return m_exchanges; }
  const std::vector<size_t>& continents() const { return m_continents; }
  const std::vector<size_t>& hostile() const { return m_hostile; }
  const std::vector<std::string>& all() const { return m_texts; }

 private:
  size_t Add(std::string text) {
    m_texts.push_back(std::move(text));
    return m_texts.size() - 1;
  }

  std::vector<std::string> m_texts;
  std::vector<size_t> m_huge, m_hostile, m_calls, m_modes, m_bands, m_prefixes, m_exchanges,
      m_continents;
};

// Dates as exact bit patterns (hexadecimal literals), not as sums: a 32-bit x87 build may
// work out a sum differently, and the inputs must be the same on both. The calls pick among
// these and among exact day-and-fraction values.
constexpr double kDateValues[] = {
    44576.5,                // 2022-01-15 12:00
    0x1.5c40ffff3dd1cp+15,  // 44576 + 43199.5/86400: half a second before noon
    0x1.5c41ffff3dd1cp+15,  // 44576 + 86399.5/86400: rounds into the next day
    0x1.5c401554931d2p+15,  // 44576 + 3599.4999/86400: just below a half second
    -1.5,                   // before day zero: the fraction counts forward
    -657434.0,              // the first valid day
    -657435.0,              // the day before it
    0x1.69240ffffcdabp+21,  // 2958465.999994, the last second of the last valid day
    2958466.0,              // after it
    0.0,
    5e-324,
    1e300,
    -1e300,
    std::numeric_limits<double>::infinity(),
    -std::numeric_limits<double>::infinity(),
    std::numeric_limits<double>::quiet_NaN(),
    -std::numeric_limits<double>::quiet_NaN(),
};
constexpr int32_t kStatuses[] = {0, 1, 2, 3, 4, 5, 6, 7, -1};

class DatePicker {
 public:
  // A date the module reads through a pointer; NULL now and then.
  COleDateTime* Pick(Sequence& random, std::string* shown) {
    if (random.OneIn(30)) {
      *shown += " -";
      return nullptr;
    }
    COleDateTime& date = m_dates[m_next++ % 8];
    const uint32_t statusRoll = random.Below(24);
    date.m_status = statusRoll < 9 ? kStatuses[statusRoll] : 0;
    if (random.OneIn(3)) {
      const uint32_t which = random.Below(sizeof kDateValues / sizeof kDateValues[0]);
      date.m_dt = kDateValues[which];
      *shown += " d" + std::to_string(which);
    } else {
      // A whole day near the contest plus a fraction in steps of 2^-20: exact in a double.
      const int64_t steps = (int64_t{44570} << 20) + static_cast<int64_t>(random.Below(12u << 20));
      date.m_dt = static_cast<double>(steps) / 1048576.0;
      *shown += " f" + std::to_string(steps);
    }
    *shown += "/" + std::to_string(date.m_status);
    return &date;
  }

 private:
  COleDateTime m_dates[8];
  unsigned m_next = 0;
};

unsigned int PickFrequencyHz(Sequence& random, std::string* shown) {
  static const unsigned int kFrequencies[] = {0u,        999u,        1000u,      1999999u,
                                              3500000u,  7025000u,    14025000u,  14025999u,
                                              28500000u, 4294967295u, 2147483648u};
  const uint32_t roll = random.Below(16);
  const unsigned int hz = roll < 11 ? kFrequencies[roll] : static_cast<unsigned int>(random.Next());
  *shown += " " + std::to_string(hz);
  return hz;
}

int PickInt(Sequence& random) {
  static const int kInts[] = {0, 1, -1, 2, 7, INT_MAX, INT_MIN};
  const uint32_t roll = random.Below(9);
  return roll < 7 ? kInts[roll] : static_cast<int>(static_cast<uint32_t>(random.Next()));
}

double PickUnusedDouble(Sequence& random) {
  return random.OneIn(2) ? std::numeric_limits<double>::quiet_NaN() : -1e308;
}

// Drives the module and writes what it answers.
class HostileHost {
 public:
  explicit HostileHost(const EntryPoints& entry) : m_entry(entry), m_random(kSeed) {}

  std::string Run() {
    m_out << "hostile-input transcript, seed " << kSeed << ", " << kCalls << " calls\n";
    for (size_t i = 0; i < m_texts.all().size(); ++i) {
      m_out << "t" << i << " = " << Shown(m_texts.all()[i].c_str()) << "\n";
    }
    ResetStats(/*plausible=*/true);
    for (int call = 1; call <= kCalls; ++call) {
      m_out << call << " ";
      OneCall();
      if (call % 500 == 0) m_out << "  " << ShownFile("err.txt") << "\n";
    }
    m_out << "end\n";
    int flag = 7;
    m_out << "GetResult0 -> " << Shown(m_entry.getResult(&flag), 4096) << " flag " << flag << "\n";
    m_out << ShownFile("err.txt") << "\n";
    m_out << "err.txt ends: " << Shown(Tail(Slurp("err.txt")).c_str(), 400) << "\n";
    m_out << ShownFile("Plugins/TARNO-Contest.ini") << "\n";
    return m_out.str();
  }

 private:
  static std::string Tail(const std::string& bytes) {
    return bytes.substr(bytes.size() > 300 ? bytes.size() - 300 : 0);
  }

  const char* Text(const std::vector<size_t>& kind, std::string* shown) {
    return m_texts.Pick(m_random, kind, shown);
  }
  const char* AnyText(std::string* shown) { return Text(m_texts.hostile(), shown); }

  void OneCall() {
    const uint32_t roll = m_random.Below(1000);
    if (roll < 420) return AddOrRemove(/*add=*/true);
    if (roll < 520) return AddOrRemove(/*add=*/false);
    if (roll < 800) return CheckCall();
    if (roll < 880) return IsValidExchange();
    if (roll < 900) return GetResult();
    if (roll < 912) return ResetStats(/*plausible=*/false);
    if (roll < 940) return RunCommand();
    if (roll < 970) return SetName();
    if (roll < 990) return ExchangeCount();
    m_out << "GetNumberOfSets -> " << m_entry.getNumberOfSets() << "\n";
  }

  // The texts that tell one contact from another, kept from admitted QSOs so that later
  // calls meet dupes, removals and worked multipliers, not only strangers.
  struct Contact {
    const char* call;
    const char* mode;
    const char* prefix;
    const char* exchange;
    const char* band;
  };

  // The contact of the next call: a new draw, or one admitted before (shown as "=" and its
  // slot), which still consumes the new draw so that the sequence does not depend on it.
  Contact PickContact(std::string* shown, bool* recalled) {
    Contact fresh;
    std::string drawn;
    fresh.call = Text(m_texts.calls(), &drawn);
    fresh.mode = Text(m_texts.modes(), &drawn);
    fresh.prefix = Text(m_texts.prefixes(), &drawn);
    fresh.exchange = Text(m_texts.exchanges(), &drawn);
    fresh.band = Text(m_texts.bands(), &drawn);
    *recalled = !m_recent.empty() && m_random.OneIn(3);
    if (!*recalled) {
      *shown += drawn;
      return fresh;
    }
    const uint32_t slot = m_random.Below(static_cast<uint32_t>(m_recent.size()));
    *shown += " =" + std::to_string(slot);
    return m_recent[slot];
  }

  void Remember(const Contact& contact) {
    if (m_recent.size() < 32) {
      m_recent.push_back(contact);
    } else {
      m_recent[m_random.Below(32)] = contact;
    }
  }

  void AddOrRemove(bool add) {
    std::string a;
    bool recalled = false;
    const Contact contact = PickContact(&a, &recalled);
    const char* ownCall = Text(m_texts.calls(), &a);
    COleDateTime* time = m_datePicker.Pick(m_random, &a);
    const unsigned int hz = PickFrequencyHz(m_random, &a);
    const char* rstSent = Text(m_texts.exchanges(), &a);
    const char* rstRcvd = Text(m_texts.exchanges(), &a);
    const char* exchSent = Text(m_texts.exchanges(), &a);
    const char* continent = Text(m_texts.continents(), &a);
    // What the module must not read: hostile too, so that reading one shows.
    const char* unused = m_random.OneIn(2) ? nullptr : "\xff";
    COleDateTime* unusedDate = m_random.OneIn(2) ? nullptr : &m_spareDate;
    const unsigned int unusedNumber = static_cast<unsigned int>(m_random.Next());
    const int i1 = PickInt(m_random), i2 = PickInt(m_random), i3 = PickInt(m_random);
    const double d1 = PickUnusedDouble(m_random), d2 = PickUnusedDouble(m_random);
    auto entry = add ? m_entry.addData : m_entry.removeData;
    const int result =
        entry(ownCall, contact.call, time, unusedDate, unusedDate, unusedDate, unusedNumber, hz,
              contact.mode, rstSent, rstRcvd, exchSent, contact.exchange, unused, unused, unused,
              unused, unused, unused, unused, unused, unused, contact.prefix, i1, i2, i3, d1, d2,
              unused, continent, unused, contact.band, unused);
    m_out << (add ? "AddData0" : "RemoveData0") << a << " -> " << result << "\n";
    if (add && result == 1 && !recalled) Remember(contact);
  }

  void CheckCall() {
    std::string a;
    bool recalled = false;
    const Contact contact = PickContact(&a, &recalled);
    char out1[16] = "untouched", out2[16] = "untouched";
    const char* unused = m_random.OneIn(2) ? nullptr : "\xff";
    const int result = m_entry.checkCall(
        contact.call, static_cast<unsigned int>(m_random.Next()), 0u, contact.mode, unused, unused,
        unused, unused, unused, unused, unused, unused, unused, contact.prefix, PickInt(m_random),
        0, 0, PickUnusedDouble(m_random), 0.0, unused, unused, unused, unused, contact.exchange,
        contact.band, unused, out1, out2);
    m_out << "CheckCall0" << a << " -> " << result;
    if (std::string(out1) != "untouched" || std::string(out2) != "untouched") {
      m_out << " and wrote into the host's buffers";
    }
    m_out << "\n";
  }

  void IsValidExchange() {
    std::string a;
    const char* exchange = Text(m_texts.exchanges(), &a);
    const char* prefix = Text(m_texts.prefixes(), &a);
    const char* unused = m_random.OneIn(2) ? nullptr : "\xff";
    const int result = m_entry.isValidExchg(exchange, unused, prefix, unused, PickInt(m_random),
                                            PickInt(m_random), PickInt(m_random));
    m_out << "IsValidExchg0" << a << " -> " << result << "\n";
  }

  void GetResult() {
    int flag = 7;
    const bool withFlag = !m_random.OneIn(4);
    const char* sheet = m_entry.getResult(withFlag ? &flag : nullptr);
    m_out << "GetResult0" << (withFlag ? "" : " -") << " -> " << Shown(sheet);
    if (withFlag) m_out << " flag " << flag;
    m_out << "\n";
  }

  // The Cabrillo mode stays 0: any other value opens the header dialog, which nobody would
  // answer in the Windows program.
  void ResetStats(bool plausible) {
    std::string a;
    const char* ownCall = plausible ? "HA5TST" : Text(m_texts.calls(), &a);
    COleDateTime* start = m_datePicker.Pick(m_random, &a);
    COleDateTime* end = m_datePicker.Pick(m_random, &a);
    const char* continent = plausible ? "EU" : Text(m_texts.continents(), &a);
    const char* unused = m_random.OneIn(2) ? nullptr : "\xff";
    const int result = m_entry.resetStats(
        unused, 0, ownCall, start, end, unused, unused, unused, unused, unused, unused, unused,
        unused, unused, unused, PickInt(m_random), PickInt(m_random), PickInt(m_random),
        PickUnusedDouble(m_random), PickUnusedDouble(m_random), unused, continent, unused);
    m_out << "ResetStats0" << a << " -> " << result << " " << ShownFile("err.txt") << "\n";
  }

  void RunCommand() {
    std::string a;
    const char* command = AnyText(&a);
    m_out << "RunCommand0" << a << " -> " << Shown(m_entry.runCommand(PickInt(m_random), command))
          << "\n";
  }

  void SetName() {
    const int number = PickInt(m_random);
    m_out << "GetSetName " << number << " -> " << Shown(m_entry.getSetName(number)) << "\n";
  }

  void ExchangeCount() {
    std::string a;
    const char* first = AnyText(&a);
    const char* second = AnyText(&a);
    const char* third = AnyText(&a);
    m_out << "GetExchgCount0" << a << " -> " << m_entry.getExchgCount(first, second, third) << "\n";
  }

  const EntryPoints& m_entry;
  Sequence m_random;
  Texts m_texts;
  DatePicker m_datePicker;
  std::vector<Contact> m_recent;
  COleDateTime m_spareDate = HostQso::MakeDate(44576.5);
  std::ostringstream m_out;
};

// The number of the first line where the two differ, with both lines.
std::string FirstDifference(const std::string& expected, const std::string& actual) {
  std::istringstream a(expected), b(actual);
  std::string lineA, lineB;
  for (int number = 1;; ++number) {
    const bool moreA = static_cast<bool>(std::getline(a, lineA));
    const bool moreB = static_cast<bool>(std::getline(b, lineB));
    if (!moreA && !moreB) return "no line differs";
    if (!moreA || !moreB || lineA != lineB) {
      return "line " + std::to_string(number) + "\n  expected: " + (moreA ? lineA : "<end>") +
             "\n  actual:   " + (moreB ? lineB : "<end>");
    }
  }
}

TEST(HostileInputTest, ThousandsOfHostileCallsGiveTheRecordedTranscript) {
  const fs::path home = fs::current_path();
  // A name of its own, since two runs of the suite may share a build folder.
  const fs::path scratch =
      home / ("hostile-input-" +
              std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  fs::remove_all(scratch);
  fs::create_directories(scratch / "Plugins");
  fs::current_path(scratch);
  const std::string transcript = HostileHost(TheEntryPoints()).Run();
  EXPECT_EQ(1, TheEntryPoints().getNumberOfSets()) << "the module still answers";
  fs::current_path(home);
  fs::remove_all(scratch);

  const std::string golden = std::string(TARNO_TEST_DATA_DIR) + "/" + kTranscriptName;
  const char* update = std::getenv("TARNO_UPDATE_TRANSCRIPT");
  if (update != nullptr && std::string(update) == "1") {
    std::ofstream(golden, std::ios::binary) << transcript;
    GTEST_SKIP() << "wrote " << golden;
  }
  const std::string expected = Slurp(golden);
  if (expected != transcript) {
    std::ofstream(home / "hostile-transcript.actual.txt", std::ios::binary) << transcript;
    ADD_FAILURE() << "the transcript differs from " << golden << " at "
                  << FirstDifference(expected, transcript) << "\n(the whole one is in "
                  << (home / "hostile-transcript.actual.txt").string() << ")";
  }
}

}  // namespace
}  // namespace tarno
