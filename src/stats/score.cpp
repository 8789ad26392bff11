#include "stats/score.h"

#include <algorithm>
#include <unordered_map>

namespace tarno {
namespace {

constexpr size_t kPaddedWidth = 20;

std::string Padded(const std::string& band) {
  if (band.size() >= kPaddedWidth) return band;
  return std::string(kPaddedWidth - band.size(), '0') + band;
}

// The exchange sort as the score has always done it; its result for ties depends
// on its exact steps, so it stays as it is for any list a real log can have.
void ExchangeSortDescending(std::vector<std::string>& bands) {
  std::vector<std::string> keys;
  keys.reserve(bands.size());
  for (const std::string& band : bands) keys.push_back(Padded(band));
  for (size_t i = 0; i + 1 < bands.size(); ++i) {
    for (size_t j = i + 1; j < bands.size(); ++j) {
      if (keys[i] < keys[j]) {
        std::swap(keys[i], keys[j]);
        std::swap(bands[i], bands[j]);
      }
    }
  }
}

// Beyond this many band texts (only a misbehaving host sends them) the quadratic
// exchange sort would stall the host; a stable sort gives the same order whenever
// no two texts tie.
constexpr size_t kExchangeSortLimit = 512;

int32_t Wrapped(int64_t value) { return static_cast<int32_t>(static_cast<uint32_t>(value)); }

}  // namespace

std::vector<std::string> SortBandsForScore(std::vector<std::string> bands) {
  if (bands.size() <= kExchangeSortLimit) {
    ExchangeSortDescending(bands);
    return bands;
  }
  std::vector<std::pair<std::string, std::string>> keyed;
  keyed.reserve(bands.size());
  for (std::string& band : bands) keyed.emplace_back(Padded(band), std::move(band));
  std::stable_sort(keyed.begin(), keyed.end(),
                   [](const auto& a, const auto& b) { return a.first > b.first; });
  for (size_t i = 0; i < keyed.size(); ++i) bands[i] = std::move(keyed[i].second);
  return bands;
}

ScoreTally TallyScore(const ContestLog& log, const std::vector<std::string>& bands,
                      const std::string& ownContinent) {
  ScoreTally tally;
  std::unordered_map<std::string, size_t> bandSlot;
  for (const std::string& band : bands) {
    bandSlot.emplace(band, tally.bands.size());
    tally.bands.emplace_back();
    tally.bands.back().band = band;
  }
  for (size_t i = 0; i < log.Size(); ++i) {
    const CInfo& record = log[i];
    if (record.m_call.empty() || record.m_dupe != 0) continue;
    auto slot = bandSlot.find(record.m_band);
    if (slot == bandSlot.end()) continue;
    BandTally& band = tally.bands[slot->second];
    band.qsos = Wrapped(int64_t{band.qsos} + 1);
    const int points = record.m_prefix == "HA" ? 6 : record.m_continent == ownContinent ? 1 : 3;
    band.points = Wrapped(int64_t{band.points} + points);
    if (!record.m_county.empty() && std::find(band.countyList.begin(), band.countyList.end(),
                                              record.m_county) == band.countyList.end()) {
      band.countyList.push_back(record.m_county);
      ++band.counties;
    }
  }
  tally.totalQsos = Wrapped(static_cast<int64_t>(log.Size()));
  for (const BandTally& band : tally.bands) {
    tally.totalPoints = Wrapped(int64_t{tally.totalPoints} + band.points);
    tally.totalCounties = Wrapped(int64_t{tally.totalCounties} + band.counties);
  }
  tally.score = Wrapped(int64_t{tally.totalPoints} * tally.totalCounties);
  return tally;
}

}  // namespace tarno
