#ifndef TARNO_UI_COUNTY_REFRESH_H_
#define TARNO_UI_COUNTY_REFRESH_H_

// What one refresh of the county window computes, on the window thread: it reads the call
// and the frequency from the host, fills the worked-before rows of that call, finds the
// radio's band, and gives the window its caption, its twenty boxes and the information
// window's title. The window applies the result to its controls.

#include <array>
#include <string>
#include <vector>

#include "contest/qso_record.h"
#include "contest/removal.h"
#include "ui/info_table.h"

namespace tarno {

class ModuleView;

// The twenty county boxes in the window's own order.
extern const std::array<const char*, 20> kCountyBoxOrder;  // ZA GY KO VE SO TO BA HB FE BP ...

struct CountyRefresh {
  std::string caption;                // " TARNO CNT on 20m 2 of 20"
  std::array<int, 20> countyFlags{};  // in kCountyBoxOrder
  std::string infoTitle;              // the information window's title
  InfoTableData table;                // what the information window paints, rows included
};

// What one refresh reads of the module, copied under the module's lock.
struct RefreshSnapshot {
  std::string yearText;                   // the contest's year
  BandTextLists workedRows;               // as the module keeps them: cell 0 names the band
  std::vector<CInfo> callRecords;         // the log's records with the typed call, in log order
  std::vector<std::string> bandCounties;  // the radio band's counties; none for no band
};

// What the window shows for the typed call with the radio on `band` (-1 for none). Rows not
// yet built by a statistics reset are built with their band's name.
CountyRefresh ComputeCountyRefresh(const std::string& call, int band,
                                   const RefreshSnapshot& snapshot);

// One refresh on the window thread: asks the host for the typed call and the radio's
// frequency (telling it to read the radio again when it has moved), then has the module
// compute the rest under its lock. The host is never asked while the lock is held.
CountyRefresh RefreshCountyWindow(ModuleView& module);

// The band the county window shows for the radio's frequency in Hz: its index by the whole
// MHz alone (1, 3, 7, 14, 21, 28), -1 for any other. Not the bands' edges: 3.9 MHz is 80 m
// and 29.5 MHz no band, as the window has always counted them.
int WindowBandOfFrequency(double freqHz);

}  // namespace tarno

#endif  // TARNO_UI_COUNTY_REFRESH_H_
