#include "ui/info_table.h"

namespace tarno {
namespace {

constexpr int kRowCount = 7;  // a heading and one row per band
constexpr int kCellX[] = {20, 100, 180, 270};

}  // namespace

void PaintInfoTable(const InfoTableData& data, int width, int height, Canvas& canvas) {
  if (data.enteredCall.empty()) {
    canvas.FillRect(0, 0, width, height, kCountyWindowColour);
    return;
  }
  canvas.FillRect(0, 0, width, height, kTableColour);
  const int rowHeight = height / kRowCount;
  if (data.currentBand >= 0 && data.currentBand < kBandCount) {
    canvas.FillRect(0, (data.currentBand + 1) * rowHeight, width,
                    (data.currentBand + 2) * rowHeight, kRadioBandColour);
  }
  canvas.DrawText(180, 0, data.enteredCall);
  canvas.DrawText(100, 18, "TIME");
  canvas.DrawText(180, 18, "MODE");
  canvas.DrawText(250, 18, "COUNTY/NR");
  for (int band = 0; band < kBandCount; ++band) {
    const std::vector<std::string>& cells = data.workedRows[band];
    for (size_t cell = 0; cell < cells.size() && cell < 4; ++cell) {
      canvas.DrawText(kCellX[cell], (band + 1) * rowHeight, cells[cell]);
    }
  }
}

}  // namespace tarno
