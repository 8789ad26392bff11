#ifndef TARNO_CABRILLO_HEADER_VALUES_H_
#define TARNO_CABRILLO_HEADER_VALUES_H_

// The values of the Cabrillo header dialog, one per control, as the operator sees
// and edits them (multi-line values with real CR LF line breaks).

#include <string>

namespace tarno {

struct CabrilloHeaderValues {
  std::string contest;              // edit 1009
  std::string callsign;             // edit 1010
  std::string claimed;              // edit 1008; shown only, edits are dropped
  std::string categoryOperator;     // combo 1013: SINGLE-OP, MULTI-OP, CHECKLOG
  std::string location;             // edit 1121
  std::string categoryBand;         // combo 1118: ALL, 80M, 40M, 20M, 15M, 10M
  std::string categoryMode;         // combo 1123: MIXED, CW, SSB
  std::string categoryPower;        // combo 1125: HIGH, LOW, QRP
  std::string categoryTransmitter;  // combo 1122, sorted: ONE, TWO, UNLIMITED
  std::string name;                 // edit 1007
  std::string address;              // edit 1002
  std::string addressCity;          // edit 1003
  std::string addressPostalCode;    // edit 1011
  std::string addressCountry;       // edit 1012
  std::string operators;            // multi-line edit 1006; Enter confirms, Ctrl+Enter breaks
  std::string club;                 // edit 1005
  std::string soapbox;              // multi-line edit 1001; Enter breaks the line
  std::string email;                // edit 1004
};

}  // namespace tarno

#endif  // TARNO_CABRILLO_HEADER_VALUES_H_
