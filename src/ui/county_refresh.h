#ifndef TARNO_UI_COUNTY_REFRESH_H_
#define TARNO_UI_COUNTY_REFRESH_H_

// What one refresh of the county window computes, on the window thread: it reads the call
// and the frequency from the host, fills the worked-before rows of that call, finds the
// radio's band, and gives the window its caption, its twenty boxes and the information
// window's title. The window applies the result to its controls.

#include <array>
#include <string>

#include "host/host_link.h"
#include "ui/info_table.h"

namespace tarno {

// The twenty county boxes in the window's own order.
extern const std::array<const char*, 20> kCountyBoxOrder;  // ZA GY KO VE SO TO BA HB FE BP ...

struct CountyRefresh {
  std::string caption;                // " TARNO CNT on 20m 2 of 20"
  std::array<int, 20> countyFlags{};  // in kCountyBoxOrder
  std::string infoTitle;              // the information window's title
  InfoTableData table;                // what the information window paints
};

// The state a refresh keeps between refreshes (g_enteredCall, g_currentBand,
// g_lastSp1Freq, g_bandNames live in the module; this is their window-thread view).
// Takes g_lock for the log and the lists, never while it calls the host.
CountyRefresh RefreshCountyWindow(HostLink& host);

// The band the county window shows for the radio's frequency in Hz: its index by the whole
// MHz alone (1, 3, 7, 14, 21, 28), -1 for any other. Not the bands' edges: 3.9 MHz is 80 m
// and 29.5 MHz no band, as the window has always counted them.
int WindowBandOfFrequency(double freqHz);

}  // namespace tarno

#endif  // TARNO_UI_COUNTY_REFRESH_H_
