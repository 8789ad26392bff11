#include "adif_reader.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <map>

namespace tarno::score {
namespace {

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return upper;
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

bool AllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

using Fields = std::map<std::string, std::string>;

// One "<NAME:LEN[:TYPE]>data" field starting at `at` (just after "<"); false with a
// reason when it is malformed.
bool ReadField(std::string_view text, size_t* at, std::string* name, std::string* data,
               std::string* reason) {
  const size_t close = text.find('>', *at);
  if (close == std::string_view::npos) {
    *reason = "a field tag has no closing '>'";
    return false;
  }
  std::string_view tag = text.substr(*at, close - *at);
  const size_t colon = tag.find(':');
  *name = Upper(tag.substr(0, colon));
  *at = close + 1;
  data->clear();
  if (colon == std::string_view::npos) return true;  // <EOR>, <EOH> and the like
  std::string_view length = tag.substr(colon + 1);
  length = length.substr(0, length.find(':'));
  if (!AllDigits(length) || length.size() > 9) {
    *reason = "field " + *name + " has a bad length \"" + std::string(length) + "\"";
    return false;
  }
  const size_t bytes = std::strtoul(std::string(length).c_str(), nullptr, 10);
  if (bytes > text.size() - *at) {
    *reason = "field " + *name + " runs past the end of the file";
    return false;
  }
  *data = std::string(text.substr(*at, bytes));
  *at += bytes;
  return true;
}

bool TimeOf(const Fields& fields, double* days) {
  auto date = fields.find("QSO_DATE");
  if (date == fields.end() || date->second.size() != 8 || !AllDigits(date->second)) return false;
  std::string time = "000000";
  auto timeOn = fields.find("TIME_ON");
  if (timeOn != fields.end()) {
    if ((timeOn->second.size() != 4 && timeOn->second.size() != 6) || !AllDigits(timeOn->second)) {
      return false;
    }
    time = timeOn->second + std::string(6 - timeOn->second.size(), '0');
  }
  const std::string& d = date->second;
  return OleDaysOf(std::stoi(d.substr(0, 4)), std::stoi(d.substr(4, 2)), std::stoi(d.substr(6, 2)),
                   std::stoi(time.substr(0, 2)), std::stoi(time.substr(2, 2)),
                   std::stoi(time.substr(4, 2)), days);
}

std::string Field(const Fields& fields, const char* name) {
  auto found = fields.find(name);
  return found == fields.end() ? std::string() : found->second;
}

// The string form wins over the number: it is what the operator logged.
std::string Exchange(const Fields& fields, const char* stringName, const char* numberName) {
  std::string text = Field(fields, stringName);
  return text.empty() ? Field(fields, numberName) : text;
}

std::string ModeOf(const Fields& fields) {
  const std::string mode = Upper(Field(fields, "MODE"));
  const std::string submode = Upper(Field(fields, "SUBMODE"));
  if (mode == "SSB" || submode == "USB" || submode == "LSB") return "SSB";
  return mode;
}

bool ToQso(const Fields& fields, int number, LogQso* qso, std::string* reason) {
  qso->source = number;
  qso->call = Upper(Field(fields, "CALL"));
  if (qso->call.empty()) {
    *reason = "no CALL";
    return false;
  }
  const std::string freq = Field(fields, "FREQ");
  if (!freq.empty()) {
    char* end = nullptr;
    const double mhz = std::strtod(freq.c_str(), &end);
    if (end == freq.c_str() || *end != '\0' || !(mhz > 0.0) || mhz >= 4294.0) {
      *reason = "FREQ \"" + freq + "\" is not a frequency in MHz";
      return false;
    }
    qso->freqHz = static_cast<uint32_t>(std::llround(mhz * 1e6));
  }
  qso->band = Lower(Field(fields, "BAND"));
  if (qso->band.empty() && qso->freqHz != 0) qso->band = BandOfFrequency(qso->freqHz);
  if (qso->band.empty()) {
    *reason = freq.empty() ? "neither BAND nor FREQ" : "FREQ " + freq + " is on no band";
    return false;
  }
  if (qso->freqHz == 0) qso->freqHz = BandEdgeHz(qso->band);
  qso->hasTime = TimeOf(fields, &qso->oleDays);
  if (!qso->hasTime) {
    *reason = "QSO_DATE/TIME_ON missing or not a valid date and time";
    return false;
  }
  qso->mode = ModeOf(fields);
  qso->rstSent = Field(fields, "RST_SENT");
  qso->rstRcvd = Field(fields, "RST_RCVD");
  qso->exchSent = Exchange(fields, "STX_STRING", "STX");
  qso->exchRcvd = Exchange(fields, "SRX_STRING", "SRX");
  qso->stationCall = Upper(Field(fields, "STATION_CALLSIGN"));
  if (qso->stationCall.empty()) qso->stationCall = Upper(Field(fields, "OPERATOR"));
  qso->continent = Upper(Field(fields, "CONT"));
  return true;
}

}  // namespace

bool LooksLikeAdif(std::string_view text) {
  const std::string head = Upper(text.substr(0, 1 << 16));
  if (head.find("<EOR>") != std::string::npos || head.find("<EOH>") != std::string::npos) {
    return true;
  }
  return head.find("START-OF-LOG") == std::string::npos && head.find("QSO:") == std::string::npos &&
         head.find("<CALL:") != std::string::npos;
}

ReadLog ReadAdif(std::string_view text) {
  ReadLog log;
  // The header ends at the first <EOH> read as a tag: one that a field's data quotes (a
  // comment about the format) ends nothing. The header's free text may hold what reads as a
  // broken tag; there, unlike in a record, the reader goes on at the header's <EOH>.
  const std::string upper = Upper(text.substr(0, std::min<size_t>(text.size(), 1 << 20)));
  bool inHeader = true;  // until the first <EOH> or <EOR>
  Fields fields;
  int number = 1;
  std::string reason;
  size_t at = 0;
  while ((at = text.find('<', at)) != std::string_view::npos) {
    const size_t tagStart = at++;
    std::string name;
    std::string data;
    if (!ReadField(text, &at, &name, &data, &reason)) {
      const size_t eoh = inHeader ? upper.find("<EOH>", tagStart) : std::string::npos;
      if (eoh == std::string::npos) {
        log.skipped.push_back({number, reason + "; the rest of the file cannot be read"});
        return log;
      }
      at = eoh + 5;
      name = "EOH";
    }
    if (inHeader && name == "EOH") {
      inHeader = false;
      fields.clear();  // the header's own fields
    } else if (name == "EOR") {
      inHeader = false;
      LogQso qso;
      if (ToQso(fields, number, &qso, &reason)) {
        log.qsos.push_back(std::move(qso));
      } else {
        log.skipped.push_back({number, reason});
      }
      fields.clear();
      ++number;
    } else if (!name.empty()) {
      fields[name] = data;
    }
  }
  if (!fields.empty()) log.skipped.push_back({number, "the last record has no <EOR>"});
  return log;
}

}  // namespace tarno::score
