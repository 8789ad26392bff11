#include "replay/packed_qsos.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace tarno::score {
namespace {

// The host's texts end at their first NUL, and so does what the plug-in is handed.
std::string_view AsHostText(const std::string& text) { return std::string_view(text.c_str()); }

}  // namespace

void PackedQsos::Store(const std::string& text, uint32_t* offset) {
  *offset = static_cast<uint32_t>(m_texts.size());
  m_texts += AsHostText(text);
  m_texts += '\0';
}

void PackedQsos::StoreRepeated(const std::string& text, Repeated* field, uint32_t* offset) {
  if (!field->seen || AsHostText(text) != field->last) {
    field->seen = true;
    field->last = AsHostText(text);
    Store(text, &field->offset);
  }
  *offset = field->offset;
}

bool PackedQsos::Add(const LogQso& qso, const std::string& runOwnCall,
                     const CountryFile& countries) {
  const CountryInfo country = countries.Lookup(qso.call);
  const std::string& ownCall = qso.stationCall.empty() ? runOwnCall : qso.stationCall;
  const std::string& continent = qso.continent.empty() ? country.continent : qso.continent;
  size_t bytes = 0;
  for (const std::string* text :
       {&qso.call, &ownCall, &qso.band, &qso.mode, &qso.rstSent, &qso.rstRcvd, &qso.exchSent,
        &qso.exchRcvd, &country.prefix, &continent}) {
    bytes += text->size() + 1;
  }
  if (bytes > UINT32_MAX - m_texts.size()) return false;
  PackedQso packed;
  packed.oleDays = qso.oleDays;
  packed.freqHz = qso.freqHz;
  packed.source = qso.source;
  packed.countryFound = country.found;
  Store(qso.call, &packed.call);
  Store(qso.exchRcvd, &packed.exchRcvd);
  StoreRepeated(ownCall, &m_ownCall, &packed.ownCall);
  StoreRepeated(qso.band, &m_band, &packed.band);
  StoreRepeated(qso.mode, &m_mode, &packed.mode);
  StoreRepeated(qso.rstSent, &m_rstSent, &packed.rstSent);
  StoreRepeated(qso.rstRcvd, &m_rstRcvd, &packed.rstRcvd);
  StoreRepeated(qso.exchSent, &m_exchSent, &packed.exchSent);
  StoreRepeated(country.prefix, &m_prefix, &packed.prefix);
  StoreRepeated(continent, &m_continent, &packed.continent);
  m_qsos.push_back(packed);
  return true;
}

void PackedQsos::SortByTime() {
  const auto earlier = [](const PackedQso& a, const PackedQso& b) { return a.oleDays < b.oleDays; };
  if (!std::is_sorted(m_qsos.begin(), m_qsos.end(), earlier))
    std::stable_sort(m_qsos.begin(), m_qsos.end(), earlier);
}

void PackedQsos::NumberSentExchanges() {
  int number = 0;
  for (PackedQso& qso : m_qsos) {
    char serial[16];
    std::snprintf(serial, sizeof serial, "%03d", ++number);
    Store(serial, &qso.exchSent);
  }
}

PackedQsos Pack(const std::vector<LogQso>& qsos, const std::string& runOwnCall,
                const CountryFile& countries) {
  PackedQsos packed;
  packed.Reserve(qsos.size());
  for (const LogQso& qso : qsos) {
    if (!packed.Add(qso, runOwnCall, countries)) break;
  }
  return packed;
}

}  // namespace tarno::score
