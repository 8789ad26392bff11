#ifndef TARNO_TOOLS_LOGS_BANDS_H_
#define TARNO_TOOLS_LOGS_BANDS_H_

// The amateur bands as logs name them: ADIF's band list (names such as "20m" and
// "70cm", with their edges in Hz) and Cabrillo's band designators ("50", "1.2G").
// The plug-in is handed a band's name in ADIF's lower-case spelling.

#include <cstdint>
#include <string>
#include <string_view>

namespace tarno::score {

// The band of a frequency in Hz ("20m"), or "" outside every band.
std::string AdifBandOfFrequency(uint64_t freqHz);

// The band a log's BAND text names, in ADIF's spelling, whatever its case ("40M" gives
// "40m"); "" when it names no band of the list ("40", "20 m").
std::string CanonicalBand(std::string_view text);

// A band's lower edge in Hz, the frequency a QSO logged without one is put on; 0 for
// a text that is no canonical band name.
uint64_t BandLowerEdgeHz(std::string_view band);

// Cabrillo's frequency field: kHz on the bands below 30 MHz (also kHz above), or a
// designator for the bands from 6 m up ("50", "144", "1.2G", "LIGHT"). The band in
// ADIF's spelling and a frequency on it in Hz; false when the field names no band.
bool CabrilloBand(std::string_view field, std::string* band, uint64_t* freqHz);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_LOGS_BANDS_H_
