#include "contest/error_file.h"

#include "contest/ascii_text.h"

namespace tarno {

const char kErrorFileName[] = "err.txt";
const char kErrorFileHeading[] = "TARNO Contest UBN file \r\n";

const char kTailNoContestBand[] = "   NO CONTEST BAND !!!";
const char kTailNoContestMode[] = "   NO CONTEST MODE !!!";
const char kTailNoExchange[] = "   NO RX NUMBER !!!";
const char kTailDupe[] = "   DUPE !!!";

std::string ErrorLineBody(const QsoParams& qso) {
  const char* kGap = "  ";
  std::string body = "QSO:  ";
  body += std::to_string(qso.freqHz / 1000);
  body += kGap + OneLine(qso.mode);
  body += kGap + FormatOleDate(qso.time, "%Y-%m-%d %H%M");
  body += kGap + OneLine(qso.ownCall);
  body += kGap + OneLine(qso.rstSent);
  body += kGap + OneLine(qso.exchSent);
  body += kGap + OneLine(qso.call);
  body += kGap + OneLine(qso.rstRcvd);
  body += kGap + OneLine(qso.exchRcvd);
  return body;
}

std::string UnknownCountyTail(const std::string& normalisedCode) {
  return "  " + OneLine(normalisedCode) + "  Hungarian Code Area is not acceptable !!!";
}

}  // namespace tarno
