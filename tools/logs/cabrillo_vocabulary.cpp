#include "logs/cabrillo_vocabulary.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "contest/ascii_text.h"

namespace tarno::score {
namespace {

template <size_t N>
constexpr ValueList ListOf(const std::string_view (&values)[N]) {
  return {values, N};
}

constexpr std::string_view kAssistedValues[] = {"ASSISTED", "NON-ASSISTED"};
constexpr std::string_view kBandValues[] = {
    "ALL", "160M", "80M", "40M",  "20M",  "15M",  "10M",   "6M",         "4M",
    "2M",  "222",  "432", "902",  "1.2G", "2.3G", "3.4G",  "5.7G",       "10G",
    "24G", "47G",  "75G", "122G", "134G", "241G", "LIGHT", "VHF-3-BAND", "VHF-FM-ONLY"};
constexpr std::string_view kModeValues[] = {"CW", "DIGI", "FM", "RTTY", "SSB", "MIXED"};
constexpr std::string_view kOperatorValues[] = {"SINGLE-OP", "MULTI-OP", "CHECKLOG"};
constexpr std::string_view kPowerValues[] = {"HIGH", "LOW", "QRP"};
constexpr std::string_view kStationValues[] = {
    "DISTRIBUTED",     "FIXED",      "MOBILE", "PORTABLE", "ROVER",   "ROVER-LIMITED",
    "ROVER-UNLIMITED", "EXPEDITION", "HQ",     "SCHOOL",   "EXPLORER"};
constexpr std::string_view kTimeValues[] = {"6-HOURS", "8-HOURS", "12-HOURS", "24-HOURS"};
constexpr std::string_view kTransmitterValues[] = {"ONE", "TWO", "LIMITED", "UNLIMITED", "SWL"};
constexpr std::string_view kOverlayValues[] = {"CLASSIC", "ROOKIE",      "TB-WIRES",
                                               "YOUTH",   "NOVICE-TECH", "OVER-50"};
constexpr std::string_view kYesNo[] = {"YES", "NO"};
constexpr std::string_view kQsoModes[] = {"CW", "PH", "FM", "RY", "DG"};
// Above 30 MHz a QSO line may name the band instead of giving the frequency.
constexpr std::string_view kBandDesignators[] = {"50",   "70",   "144",  "222",  "432",  "902",
                                                 "1.2G", "2.3G", "3.4G", "5.7G", "10G",  "24G",
                                                 "47G",  "75G",  "122G", "134G", "241G", "LIGHT"};

struct KHzRange {
  uint32_t lowKHz;
  uint32_t highKHz;
};

// The widest edges any region or country gives each band: a legal QSO must never be
// refused; what this catches is a frequency written in Hz or MHz instead of kHz.
constexpr KHzRange kAmateurBands[] = {
    {135, 138},              // 2200 m
    {472, 479},              // 630 m
    {1800, 2000},            // 160 m
    {3500, 4000},            // 80 m
    {5250, 5450},            // 60 m
    {7000, 7300},            // 40 m
    {10100, 10150},          // 30 m
    {14000, 14350},          // 20 m
    {18068, 18168},          // 17 m
    {21000, 21450},          // 15 m
    {24890, 24990},          // 12 m
    {28000, 29700},          // 10 m
    {50000, 54000},          // 6 m
    {70000, 71000},          // 4 m
    {144000, 148000},        // 2 m
    {219000, 225000},        // 1.25 m
    {420000, 450000},        // 70 cm
    {902000, 928000},        // 33 cm
    {1240000, 1300000},      // 23 cm
    {2300000, 2450000},      // 13 cm
    {3300000, 3500000},      // 9 cm
    {5650000, 5925000},      // 6 cm
    {10000000, 10500000},    // 3 cm
    {24000000, 24250000},    // 1.2 cm
    {47000000, 47200000},    // 6 mm
    {75500000, 81000000},    // 4 mm
    {122250000, 123000000},  // 2.5 mm
    {134000000, 149000000},  // 2 mm
    {241000000, 250000000},  // 1 mm
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool AllDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), IsDigit);
}

int SmallNumber(std::string_view digits) {
  int number = 0;
  for (char c : digits) number = number * 10 + (c - '0');
  return number;
}

int DaysInMonth(int year, int month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

bool IsAmateurFrequencyKHz(std::string_view text) {
  if (!AllDigits(text) || text.size() > 9) return false;  // 9 digits cannot overflow
  uint32_t freqKHz = 0;
  for (char c : text) freqKHz = freqKHz * 10 + static_cast<uint32_t>(c - '0');
  return std::any_of(std::begin(kAmateurBands), std::end(kAmateurBands),
                     [freqKHz](const KHzRange& band) {
                       return freqKHz >= band.lowKHz && freqKHz <= band.highKHz;
                     });
}

}  // namespace

// START-OF-LOG and END-OF-LOG have their places checked apart, so they may "occur any
// number" here. E-MAIL is the older spelling the module still writes.
const TagRule kTagRules[] = {
    {"START-OF-LOG", TagKind::kStartOfLog, Occurs::kAnyNumber, {}},
    {"END-OF-LOG", TagKind::kEndOfLog, Occurs::kAnyNumber, {}},
    {"CALLSIGN", TagKind::kCall, Occurs::kOnceRequired, {}},
    {"CONTEST", TagKind::kRequiredText, Occurs::kOnceRequired, {}},
    {"CATEGORY-ASSISTED", TagKind::kChoice, Occurs::kOnce, ListOf(kAssistedValues)},
    {"CATEGORY-BAND", TagKind::kChoice, Occurs::kOnce, ListOf(kBandValues)},
    {"CATEGORY-MODE", TagKind::kChoice, Occurs::kOnce, ListOf(kModeValues)},
    {"CATEGORY-OPERATOR", TagKind::kChoice, Occurs::kOnce, ListOf(kOperatorValues)},
    {"CATEGORY-POWER", TagKind::kChoice, Occurs::kOnce, ListOf(kPowerValues)},
    {"CATEGORY-STATION", TagKind::kChoice, Occurs::kOnce, ListOf(kStationValues)},
    {"CATEGORY-TIME", TagKind::kChoice, Occurs::kOnce, ListOf(kTimeValues)},
    {"CATEGORY-TRANSMITTER", TagKind::kChoice, Occurs::kOnce, ListOf(kTransmitterValues)},
    {"CATEGORY-OVERLAY", TagKind::kChoiceOrNone, Occurs::kOnce, ListOf(kOverlayValues)},
    {"CERTIFICATE", TagKind::kChoice, Occurs::kOnce, ListOf(kYesNo)},
    {"CLAIMED-SCORE", TagKind::kWholeNumber, Occurs::kOnce, {}},
    {"CLUB", TagKind::kText, Occurs::kOnce, {}},
    {"CREATED-BY", TagKind::kText, Occurs::kOnce, {}},
    {"EMAIL", TagKind::kText, Occurs::kOnce, {}},
    {"E-MAIL", TagKind::kText, Occurs::kOnce, {}},
    {"GRID-LOCATOR", TagKind::kText, Occurs::kOnce, {}},
    {"LOCATION", TagKind::kText, Occurs::kOnce, {}},
    {"NAME", TagKind::kText, Occurs::kOnce, {}},
    {"ADDRESS", TagKind::kAddress, Occurs::kAnyNumber, {}},
    {"ADDRESS-CITY", TagKind::kText, Occurs::kOnce, {}},
    {"ADDRESS-STATE-PROVINCE", TagKind::kText, Occurs::kOnce, {}},
    {"ADDRESS-POSTALCODE", TagKind::kText, Occurs::kOnce, {}},
    {"ADDRESS-COUNTRY", TagKind::kText, Occurs::kOnce, {}},
    {"OPERATORS", TagKind::kText, Occurs::kAnyNumber, {}},
    {"OFFTIME", TagKind::kText, Occurs::kAnyNumber, {}},
    {"SOAPBOX", TagKind::kText, Occurs::kAnyNumber, {}},
    {"QSO", TagKind::kQso, Occurs::kAnyNumber, {}},
    {"QTC", TagKind::kQtc, Occurs::kAnyNumber, {}},
};

const size_t kTagRuleCount = std::size(kTagRules);

const TagRule* FindTagRule(std::string_view tag) {
  for (const TagRule& rule : kTagRules) {
    if (EqualsIgnoringCase(rule.tag, tag)) return &rule;
  }
  return nullptr;
}

bool IsPrivateTag(std::string_view tag) {
  return tag.size() >= 2 && EqualsIgnoringCase(tag.substr(0, 2), "X-");
}

bool IsWellFormedTag(std::string_view tag) {
  const auto isLetter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  return !tag.empty() && isLetter(tag[0]) && std::all_of(tag.begin(), tag.end(), [&](char c) {
    return isLetter(c) || IsDigit(c) || c == '-';
  });
}

bool Contains(ValueList list, std::string_view value, bool ignoringCase) {
  for (size_t i = 0; i < list.count; ++i) {
    if (ignoringCase ? EqualsIgnoringCase(list.values[i], value) : list.values[i] == value) {
      return true;
    }
  }
  return false;
}

std::string ListText(ValueList list) {
  std::string text;
  for (size_t i = 0; i < list.count; ++i) {
    if (i > 0) text += ", ";
    text += list.values[i];
  }
  return text;
}

ValueList QsoModes() { return ListOf(kQsoModes); }

bool IsQsoFrequency(std::string_view text) {
  return Contains(ListOf(kBandDesignators), text, false) || IsAmateurFrequencyKHz(text);
}

bool IsCalendarDate(std::string_view text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
  const std::string_view year = text.substr(0, 4), month = text.substr(5, 2),
                         day = text.substr(8, 2);
  if (!AllDigits(year) || !AllDigits(month) || !AllDigits(day)) return false;
  const int monthNumber = SmallNumber(month);
  if (monthNumber < 1 || monthNumber > 12) return false;
  const int dayNumber = SmallNumber(day);
  return dayNumber >= 1 && dayNumber <= DaysInMonth(SmallNumber(year), monthNumber);
}

bool IsTimeOfDay(std::string_view text) {
  return text.size() == 4 && AllDigits(text) && SmallNumber(text.substr(0, 2)) < 24 &&
         SmallNumber(text.substr(2, 2)) < 60;
}

bool IsTransmitterNumber(std::string_view text) { return text == "0" || text == "1"; }

}  // namespace tarno::score
