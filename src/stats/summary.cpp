#include "stats/summary.h"

namespace tarno {
namespace {

std::string Row(const std::string& label, int32_t qsos, int32_t points, int32_t counties) {
  return label + "\t " + std::to_string(qsos) + "\t " + std::to_string(points) + "\t " +
         std::to_string(counties) + "\r\n";
}

}  // namespace

std::string FormatSummary(const std::string& startText, const std::string& endText,
                          const std::string& ownCall, const ScoreTally& tally) {
  std::string sheet = "    TARNO-CONTEST " + startText + "-" + endText +
                      "\r\n\tContestant: " + ownCall + " \r\n\tQSOs\tPoints\tCounty\r\n";
  for (const BandTally& band : tally.bands) {
    sheet += Row(band.band, band.qsos, band.points, band.counties);
  }
  sheet += Row("Total", tally.totalQsos, tally.totalPoints, tally.totalCounties);
  sheet += "\r\nScore: " + std::to_string(tally.totalPoints) + "*" +
           std::to_string(tally.totalCounties) + " = " + std::to_string(tally.score);
  return sheet;
}

}  // namespace tarno
