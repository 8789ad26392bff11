#include "contest/county_rules.h"

#include <algorithm>

#include "contest/ascii_text.h"

namespace tarno {

const std::array<const char*, kBandCount> kBandNames = {"160m", "80m", "40m",
                                                        "20m",  "15m", "10m"};

const std::array<const char*, kCountyCount> kCountyCodes = {
    "ZA", "GY", "VA", "KO", "VE", "SO", "TO", "BA", "FE", "BP",
    "NG", "HE", "PE", "SZ", "BE", "CS", "BN", "BO", "SA", "HB"};

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

int BandIndex(std::string_view band) {
  for (int i = 0; i < kBandCount; ++i) {
    if (band == kBandNames[i]) return i;
  }
  return -1;
}

bool IsRefusedBand(std::string_view band) {
  return band == "30m" || band == "17m" || band == "12m";
}

bool IsContestMode(std::string_view mode) { return mode == "CW" || mode == "SSB"; }

bool IsHomePrefix(std::string_view prefix) { return prefix == "HA" || prefix == "HG"; }

bool IsCountyCode(std::string_view code) {
  return std::any_of(kCountyCodes.begin(), kCountyCodes.end(),
                     [code](const char* county) { return code == county; });
}

std::string NormaliseCounty(std::string_view typed) { return UpperAscii(TrimAscii(typed)); }

bool IsValidExchange(std::string_view exchange, std::string_view prefix) {
  if (exchange == "599") return false;
  if (IsHomePrefix(prefix)) return exchange.size() == 2 && IsCountyCode(exchange);
  return !exchange.empty() && exchange.size() <= 4 &&
         std::all_of(exchange.begin(), exchange.end(), IsDigit);
}

std::string StoredPrefix(std::string_view prefix) {
  if (prefix == "IT9" || prefix == "IG9" || prefix == "IH9") return "I";
  return std::string(prefix);
}

}  // namespace tarno
