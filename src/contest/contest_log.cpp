#include "contest/contest_log.h"

namespace tarno {
namespace {

// Host texts are zero-terminated, so a NUL can never be part of one: it separates
// the parts of a key without any chance of two different pairs colliding.
std::string Key(std::string_view first, std::string_view second) {
  std::string key;
  key.reserve(first.size() + second.size() + 1);
  key.append(first).push_back('\0');
  key.append(second);
  return key;
}

std::string Key(std::string_view first, std::string_view second, std::string_view third) {
  std::string key = Key(first, second);
  key.push_back('\0');
  key.append(third);
  return key;
}

int Lookup(const std::unordered_map<std::string, int>& counts, const std::string& key) {
  auto found = counts.find(key);
  return found == counts.end() ? 0 : found->second;
}

void Decrement(std::unordered_map<std::string, int>& counts, const std::string& key) {
  auto found = counts.find(key);
  if (found == counts.end()) return;
  if (--found->second <= 0) counts.erase(found);
}

}  // namespace

std::string ContestLog::ContactKey(const CInfo& record) {
  return Key(record.m_call, record.m_band, record.m_mode);
}

void ContestLog::Clear() {
  m_records.clear();
  m_contacts.clear();
  m_prefixes.clear();
  m_counties.clear();
}

void ContestLog::Append(CInfo record) {
  // Everything that can fail comes first; the counts change only once nothing can.
  // An index entry left at zero by a failure below reads exactly like a missing one.
  int& contacts = m_contacts.try_emplace(ContactKey(record), 0).first->second;
  int& prefixes = m_prefixes.try_emplace(Key(record.m_band, record.m_prefix), 0).first->second;
  int& counties = m_counties.try_emplace(Key(record.m_band, record.m_county), 0).first->second;
  m_records.push_back(std::move(record));
  ++contacts;
  ++prefixes;
  ++counties;
}

void ContestLog::RemoveAt(size_t index) {
  if (index >= m_records.size()) return;
  const CInfo& record = m_records[index];
  Decrement(m_contacts, ContactKey(record));
  Decrement(m_prefixes, Key(record.m_band, record.m_prefix));
  Decrement(m_counties, Key(record.m_band, record.m_county));
  m_records.erase(m_records.begin() + static_cast<std::ptrdiff_t>(index));
}

int ContestLog::CountContacts(std::string_view call, std::string_view band,
                              std::string_view mode) const {
  return Lookup(m_contacts, Key(call, band, mode));
}

long ContestLog::FindFirstContact(std::string_view call, std::string_view band,
                                  std::string_view mode) const {
  if (CountContacts(call, band, mode) == 0) return -1;
  for (size_t i = 0; i < m_records.size(); ++i) {
    const CInfo& record = m_records[i];
    if (record.m_call == call && record.m_band == band && record.m_mode == mode) {
      return static_cast<long>(i);
    }
  }
  return -1;
}

int ContestLog::CountPrefixOnBand(std::string_view band, std::string_view prefix) const {
  return Lookup(m_prefixes, Key(band, prefix));
}

int ContestLog::CountCountyOnBand(std::string_view band, std::string_view county) const {
  return Lookup(m_counties, Key(band, county));
}

void BandList::Clear() {
  m_bands.clear();
  m_seen.clear();
}

bool BandList::AppendIfNew(const std::string& band) {
  if (Contains(band)) return false;
  m_bands.push_back(band);
  try {
    m_seen.insert(band);
  } catch (...) {
    m_bands.pop_back();
    throw;
  }
  return true;
}

void BandList::Assign(std::vector<std::string> bands) {
  std::unordered_set<std::string> seen(bands.begin(), bands.end());
  m_bands = std::move(bands);
  m_seen = std::move(seen);
}

}  // namespace tarno

