#include "logs/bands.h"

#include "contest/ascii_text.h"

namespace tarno::score {
namespace {

struct Band {
  const char* name;
  uint64_t lowHz;
  uint64_t highHz;
  const char* designator;  // Cabrillo's, for the bands it names by designator
};

constexpr uint64_t kKHz = 1000;
constexpr uint64_t kMHz = 1000 * kKHz;
constexpr uint64_t kGHz = 1000 * kMHz;

// ADIF's band enumeration, edges included; Cabrillo 3.0 names 6 m and up by designator.
const Band kBands[] = {
    {"2190m", 136 * kKHz, 137 * kKHz, nullptr},   {"630m", 472 * kKHz, 479 * kKHz, nullptr},
    {"560m", 501 * kKHz, 504 * kKHz, nullptr},    {"160m", 1800 * kKHz, 2000 * kKHz, nullptr},
    {"80m", 3500 * kKHz, 4000 * kKHz, nullptr},   {"60m", 5060 * kKHz, 5450 * kKHz, nullptr},
    {"40m", 7000 * kKHz, 7300 * kKHz, nullptr},   {"30m", 10100 * kKHz, 10150 * kKHz, nullptr},
    {"20m", 14000 * kKHz, 14350 * kKHz, nullptr}, {"17m", 18068 * kKHz, 18168 * kKHz, nullptr},
    {"15m", 21000 * kKHz, 21450 * kKHz, nullptr}, {"12m", 24890 * kKHz, 24990 * kKHz, nullptr},
    {"10m", 28000 * kKHz, 29700 * kKHz, nullptr}, {"8m", 40 * kMHz, 45 * kMHz, nullptr},
    {"6m", 50 * kMHz, 54 * kMHz, "50"},           {"5m", 54 * kMHz + 1, 69900 * kKHz, nullptr},
    {"4m", 70 * kMHz, 71 * kMHz, "70"},           {"2m", 144 * kMHz, 148 * kMHz, "144"},
    {"1.25m", 222 * kMHz, 225 * kMHz, "222"},     {"70cm", 420 * kMHz, 450 * kMHz, "432"},
    {"33cm", 902 * kMHz, 928 * kMHz, "902"},      {"23cm", 1240 * kMHz, 1300 * kMHz, "1.2G"},
    {"13cm", 2300 * kMHz, 2450 * kMHz, "2.3G"},   {"9cm", 3300 * kMHz, 3500 * kMHz, "3.4G"},
    {"6cm", 5650 * kMHz, 5925 * kMHz, "5.7G"},    {"3cm", 10 * kGHz, 10500 * kMHz, "10G"},
    {"1.25cm", 24 * kGHz, 24250 * kMHz, "24G"},   {"6mm", 47 * kGHz, 47200 * kMHz, "47G"},
    {"4mm", 75500 * kMHz, 81 * kGHz, "75G"},      {"2.5mm", 119980 * kMHz, 123 * kGHz, "122G"},
    {"2mm", 134 * kGHz, 149 * kGHz, "134G"},      {"1mm", 241 * kGHz, 250 * kGHz, "241G"},
    {"submm", 300 * kGHz, 7500 * kGHz, "LIGHT"},
};

bool AllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

}  // namespace

std::string AdifBandOfFrequency(uint64_t freqHz) {
  for (const Band& band : kBands) {
    if (freqHz >= band.lowHz && freqHz <= band.highHz) return band.name;
  }
  return std::string();
}

std::string CanonicalBand(std::string_view text) {
  for (const Band& band : kBands) {
    if (EqualsIgnoringCase(text, band.name)) return band.name;
  }
  return std::string();
}

uint64_t BandLowerEdgeHz(std::string_view band) {
  for (const Band& known : kBands) {
    if (band == known.name) return known.lowHz;
  }
  return 0;
}

bool CabrilloBand(std::string_view field, std::string* band, uint64_t* freqHz) {
  // Every designator is shorter than four characters or holds a letter, so a frequency of
  // four digits or more, nearly every line's, is read as one without looking at them.
  const bool kHzOnly = field.size() >= 4 && AllDigits(field);
  for (const Band& known : kBands) {
    if (kHzOnly) break;
    if (known.designator && EqualsIgnoringCase(field, known.designator)) {
      *band = known.name;
      *freqHz = known.lowHz;
      return true;
    }
  }
  // Beyond nine digits the kHz are no radio frequency, and would overflow below.
  if (!AllDigits(field) || field.size() > 9) return false;
  uint64_t kHz = 0;
  for (char c : field) kHz = kHz * 10 + static_cast<uint64_t>(c - '0');
  *band = AdifBandOfFrequency(kHz * kKHz);
  *freqHz = kHz * kKHz;
  return !band->empty();
}

}  // namespace tarno::score
