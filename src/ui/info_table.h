#ifndef TARNO_UI_INFO_TABLE_H_
#define TARNO_UI_INFO_TABLE_H_

// The worked-before table of the information window: for the call being typed, one row
// per contest band (time, mode, county or serial of the last QSO with it), the radio's
// band highlighted.

#include <array>
#include <string>
#include <vector>

#include "contest/county_rules.h"
#include "ui/canvas.h"

namespace tarno {

constexpr Rgb kCountyWindowColour = {255, 250, 198};  // no call typed
constexpr Rgb kTableColour = {255, 255, 198};
constexpr Rgb kRadioBandColour = {198, 255, 255};

// What the painter needs, copied under the module's lock by the window thread.
struct InfoTableData {
  std::string enteredCall;
  int currentBand = -1;                                         // 0..5, -1 for none
  std::array<std::vector<std::string>, kBandCount> workedRows;  // 4 cells each when built
};

// Paints the whole item rectangle (0, 0) to (width, height).
void PaintInfoTable(const InfoTableData& data, int width, int height, Canvas& canvas);

}  // namespace tarno

#endif  // TARNO_UI_INFO_TABLE_H_
