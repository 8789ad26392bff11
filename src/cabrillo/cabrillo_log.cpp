#include "cabrillo/cabrillo_log.h"

#include <algorithm>

#include "contest/ascii_text.h"

namespace tarno {
namespace {

bool IsControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

std::string PadRight(std::string value, size_t width) {
  if (value.size() < width) value.append(width - value.size(), ' ');
  return value;
}

std::string PadLeft(std::string value, size_t width) {
  if (value.size() < width) value.insert(0, width - value.size(), ' ');
  return value;
}

bool IsFileNameForbidden(char c) {
  return IsControl(c) || std::string_view("/\\<>:\"|?*").find(c) != std::string_view::npos;
}

// Windows opens these names as devices whatever extension follows, and it judges only the
// part before the first dot, without the blanks at its end ("NUL.X.cbr", "CON .cbr").
bool IsDeviceName(std::string name) {
  name = name.substr(0, name.find('.'));
  while (!name.empty() && name.back() == ' ') name.pop_back();
  name = UpperAscii(name);
  if (name == "CON" || name == "PRN" || name == "AUX" || name == "NUL") return true;
  return name.size() == 4 && (name.rfind("COM", 0) == 0 || name.rfind("LPT", 0) == 0) &&
         name[3] >= '1' && name[3] <= '9';
}

// Stored form (one line in the settings file) and back.
std::string StoredForm(const std::string& editForm) {
  return ReplaceAll(ReplaceAll(editForm, "\r", "<CR>"), "\n", "<LF>");
}

std::string EditForm(const std::string& storedForm) {
  return ReplaceAll(ReplaceAll(storedForm, "<CR>", "\r"), "<LF>", "\n");
}

// Each typed line break becomes a further tagged header line.
std::string OutputForm(const std::string& storedForm, const std::string& tag) {
  return ReplaceAll(ReplaceAll(storedForm, "<CR>", "\r\n" + tag), "<LF>", "");
}

// A line end inside a value would start a line without a tag, which a log robot reads as a
// broken log; the own call comes from the host and may hold anything.
std::string HeaderLine(const char* tag, const std::string& value) {
  return std::string(tag) + PrintableField(value) + "\r\n";
}

// A multi-line field in output form: its line breaks already start tagged lines.
std::string TaggedLines(const char* tag, const std::string& outputForm) {
  return std::string(tag) + outputForm + "\r\n";
}

}  // namespace

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  if (from.empty()) return text;
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
    text.replace(at, from.size(), to);
    at += to.size();
  }
  return text;
}

std::string FileCallOf(const std::string& ownCall) {
  std::string fileCall(TrimAscii(ownCall));
  std::replace_if(fileCall.begin(), fileCall.end(), IsFileNameForbidden, '_');
  if (fileCall.empty()) return "XOTL";
  if (IsDeviceName(fileCall)) fileCall.insert(std::min(fileCall.find('.'), fileCall.size()), "_");
  return fileCall;
}

void CCabrilloLog::EditHeader(const std::string& ownCall, const Settings& settings,
                              Desktop& desktop) {
  LoadStoredHeader(ownCall, settings);
  CabrilloHeaderValues values = DialogValues();
  if (desktop.RunCabrilloHeaderDialog(&values)) {
    TakeConfirmedValues(values);
    m_qsoLines.clear();
    m_operators = StoredForm(m_operators);
    m_soapbox = StoredForm(m_soapbox);
    StoreHeader(settings);
  } else {
    // Cancelled: the stored operators and the edited soapbox still go out tagged
    // line by line, never as bare lines or literal markers. The operators are the own
    // call when none are stored, and that may hold line ends of its own.
    m_operators = StoredForm(m_operators);
    m_soapbox = StoredForm(m_soapbox);
  }
  m_operators = OutputForm(m_operators, "OPERATORS: ");
  m_soapbox = OutputForm(m_soapbox, "SOAPBOX: ");
}

void CCabrilloLog::LoadStoredHeader(const std::string& ownCall, const Settings& settings) {
  m_callsign = ownCall;
  m_fileCall = FileCallOf(ownCall);
  m_operators = settings.ReadText("Operators", ownCall);
  m_name = settings.ReadText("Name");
  m_address = settings.ReadText("Address");
  m_addressCity = settings.ReadText("Address-City");
  m_addressPostalCode = settings.ReadText("Address-PostalCode");
  m_addressCountry = settings.ReadText("Address-Country");
  m_claimed = settings.ReadText("Claimed");
  m_location = settings.ReadText("Loc");
  m_contest = "TARNO";
  m_categoryOperator = "SINGLE-OP";
  m_categoryBand = "ALL";
  m_categoryTransmitter = "ONE";
  m_categoryPower = "HIGH";
  m_categoryMode = "MIXED";
  m_email = settings.ReadText("Email");
  m_club = settings.ReadText("Club");
  // The operators show as stored, markers and all; the soapbox shows its lines.
  m_soapbox = EditForm(settings.ReadText("SoapBox"));
}

namespace {

// Which field of the log each control of the header dialog shows. CLAIMED is shown but
// never taken back, so it is not here.
struct HeaderField {
  std::string CCabrilloLog::*log;
  std::string CabrilloHeaderValues::*dialog;
};

const HeaderField kEditableFields[] = {
    {&CCabrilloLog::m_contest, &CabrilloHeaderValues::contest},
    {&CCabrilloLog::m_callsign, &CabrilloHeaderValues::callsign},
    {&CCabrilloLog::m_categoryOperator, &CabrilloHeaderValues::categoryOperator},
    {&CCabrilloLog::m_location, &CabrilloHeaderValues::location},
    {&CCabrilloLog::m_categoryBand, &CabrilloHeaderValues::categoryBand},
    {&CCabrilloLog::m_categoryMode, &CabrilloHeaderValues::categoryMode},
    {&CCabrilloLog::m_categoryPower, &CabrilloHeaderValues::categoryPower},
    {&CCabrilloLog::m_categoryTransmitter, &CabrilloHeaderValues::categoryTransmitter},
    {&CCabrilloLog::m_name, &CabrilloHeaderValues::name},
    {&CCabrilloLog::m_address, &CabrilloHeaderValues::address},
    {&CCabrilloLog::m_addressCity, &CabrilloHeaderValues::addressCity},
    {&CCabrilloLog::m_addressPostalCode, &CabrilloHeaderValues::addressPostalCode},
    {&CCabrilloLog::m_addressCountry, &CabrilloHeaderValues::addressCountry},
    {&CCabrilloLog::m_operators, &CabrilloHeaderValues::operators},
    {&CCabrilloLog::m_club, &CabrilloHeaderValues::club},
    {&CCabrilloLog::m_soapbox, &CabrilloHeaderValues::soapbox},
    {&CCabrilloLog::m_email, &CabrilloHeaderValues::email},
};

}  // namespace

CabrilloHeaderValues CCabrilloLog::DialogValues() const {
  CabrilloHeaderValues values;
  for (const HeaderField& field : kEditableFields) values.*field.dialog = this->*field.log;
  values.claimed = m_claimed;
  return values;
}

void CCabrilloLog::TakeConfirmedValues(const CabrilloHeaderValues& values) {
  for (const HeaderField& field : kEditableFields) this->*field.log = values.*field.dialog;
}

void CCabrilloLog::StoreHeader(const Settings& settings) const {
  settings.WriteText("Band", m_categoryBand);
  settings.WriteText("Power", m_categoryPower);
  settings.WriteText("Operators", m_operators);
  settings.WriteText("Name", m_name);
  settings.WriteText("Address", m_address);
  settings.WriteText("Address-City", m_addressCity);
  settings.WriteText("Address-PostalCode", m_addressPostalCode);
  settings.WriteText("Address-Country", m_addressCountry);
  settings.WriteText("Category", m_categoryOperator);
  settings.WriteText("Contest", m_contest);
  settings.WriteText("Email", m_email);
  settings.WriteText("Club", m_club);
  settings.WriteText("SoapBox", m_soapbox);
  settings.WriteText("Loc", m_location);
}

void CCabrilloLog::AddQso(const std::string& call, int freqKHz, const std::string& modeCode,
                          const COleDateTime& time, const std::string& rstSent,
                          const std::string& exchSent, const std::string& rstRcvd,
                          const std::string& exchRcvd) {
  std::string line = "QSO: " + PadLeft(std::to_string(freqKHz), 5);
  line += " " + PadLeft(PrintableField(modeCode), 2);
  line += " " + FormatOleDate(time, "%Y-%m-%d %H%M");
  line += " " + PadRight(PrintableField(m_callsign), 13);
  line += " " + PadRight(PrintableField(rstSent), 3);
  line += " " + PadRight(PrintableField(exchSent), 6);
  line += " " + PadRight(PrintableField(call), 13);
  line += " " + PadRight(PrintableField(rstRcvd), 3);
  line += " " + PrintableField(exchRcvd) + "\r\n";
  m_qsoLines.push_back(std::move(line));
}

std::string CCabrilloLog::Content(int claimedScore, const std::string& hostVersion) const {
  std::string content = "START-OF-LOG: 3.0\r\nCONTEST: TARNO\r\n";
  content += HeaderLine("CALLSIGN: ", m_callsign);
  content += HeaderLine("CATEGORY-OPERATOR: ", m_categoryOperator);
  content += HeaderLine("CATEGORY-BAND: ", m_categoryBand);
  content += HeaderLine("CATEGORY-POWER: ", m_categoryPower);
  content += HeaderLine("CATEGORY-MODE: ", m_categoryMode);
  content += HeaderLine("CATEGORY-TRANSMITTER: ", m_categoryTransmitter);
  content += TaggedLines("OPERATORS: ", m_operators);
  content += HeaderLine("LOCATION: ", m_location);
  content += HeaderLine("CLAIMED-SCORE: ", std::to_string(claimedScore));
  content += HeaderLine("CLUB: ", m_club);
  content += HeaderLine("CREATED-BY: Zelk ", hostVersion);
  content += HeaderLine("NAME: ", m_name);
  content += HeaderLine("ADDRESS: ", m_address);
  content += HeaderLine("ADDRESS-CITY: ", m_addressCity);
  content += HeaderLine("ADDRESS-POSTALCODE: ", m_addressPostalCode);
  content += HeaderLine("ADDRESS-COUNTRY: ", m_addressCountry);
  content += HeaderLine("E-MAIL: ", m_email);
  content += TaggedLines("SOAPBOX: ", m_soapbox);
  size_t bodySize = 0;
  for (const std::string& line : m_qsoLines) bodySize += line.size();
  content.reserve(content.size() + bodySize + 16);
  for (const std::string& line : m_qsoLines) content += line;
  content += "END-OF-LOG:\r\n";
  return content;
}

std::string CCabrilloLog::WriteLog(Env& env, int claimedScore,
                                   const std::string& hostVersion) const {
  // A new file takes the old one's place in one step: an export that fails half-way
  // (a full disk) leaves the last good file for the sponsor, not a cut one.
  const Status written = env.ReplaceFileAtomically(FileName(), Content(claimedScore, hostVersion),
                                                   IfPresent::kReplace);
  if (!written.ok()) return "File could not be written: " + FileName();
  return "File produced: " + FileName();
}

}  // namespace tarno
