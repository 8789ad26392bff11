#include "crosscheck/plugin_judge.h"

#include <algorithm>
#include <bitset>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <tuple>
#include <unordered_map>

#include "contest/county_rules.h"
#include "contest/ole_date_time.h"
#include "logs/log_qso.h"
#include "stats/score.h"

namespace tarno::score {
namespace {

// How many copies of one contact a statistics run holds at most. At every further copy the
// plug-in builds one error line per earlier one, so a run holding all of a contact's copies
// would take time with the square of their number; a copy past the bound can only be a
// dupe or refused, which AdmitRepeats asks in runs of their own.
constexpr int kCopiesPerRun = 32;

// A contact as the plug-in tells dupes apart: the call as logged, band and mode, each
// exactly as handed over, so equal ids of the contest set's texts.
struct Contact {
  uint32_t call;
  uint32_t band;
  uint32_t mode;
  bool operator==(const Contact& other) const {
    return call == other.call && band == other.band && mode == other.mode;
  }
  bool operator<(const Contact& other) const {
    return std::tie(call, band, mode) < std::tie(other.call, other.band, other.mode);
  }
};

struct ContactHash {
  size_t operator()(const Contact& contact) const {
    // Mixed, since the open addressing below takes the low bits of the hash.
    uint64_t bits = (uint64_t{contact.call} << 32) ^ (uint64_t{contact.band} << 16) ^ contact.mode;
    bits ^= bits >> 33;
    bits *= 0xff51afd7ed558ccdULL;
    bits ^= bits >> 33;
    return static_cast<size_t>(bits);
  }
};

Contact ContactOf(const QsoRecord& qso) { return {qso.workedAsLogged, qso.band, qso.mode}; }

// The contacts of one statistics run, asked for every line: open addressing in a table of
// twice the lines, so that a run allocates once.
class ContactSet {
 public:
  explicit ContactSet(size_t lines) {
    size_t size = 16;
    while (size < 2 * lines) size <<= 1;
    m_slots.assign(size, kEmpty);
  }
  bool Contains(const Contact& contact) const { return m_slots[Find(contact)] == contact; }
  // False when it was there already.
  bool Insert(const Contact& contact) {
    Contact& slot = m_slots[Find(contact)];
    if (slot == contact) return false;
    slot = contact;
    if (++m_used * 2 > m_slots.size()) Grow();
    return true;
  }

 private:
  static constexpr Contact kEmpty{UINT32_MAX, UINT32_MAX, UINT32_MAX};
  size_t Find(const Contact& contact) const {
    const size_t mask = m_slots.size() - 1;
    size_t at = ContactHash()(contact) & mask;
    while (!(m_slots[at] == kEmpty) && !(m_slots[at] == contact)) at = (at + 1) & mask;
    return at;
  }
  void Grow() {
    std::vector<Contact> old(m_slots.size() * 2, kEmpty);
    old.swap(m_slots);
    for (const Contact& contact : old) {
      if (!(contact == kEmpty)) m_slots[Find(contact)] = contact;
    }
  }
  std::vector<Contact> m_slots;
  size_t m_used = 0;
};

// How many copies of each contact a statistics run holds, of those it is told of.
class HeldCopies {
 public:
  bool Full(const QsoRecord& qso) const {
    if (m_counts.empty()) return false;  // a log without repeats, nearly every one
    const auto found = m_counts.find(ContactOf(qso));
    return found != m_counts.end() && found->second >= kCopiesPerRun;
  }
  void Add(const QsoRecord& qso) { ++m_counts[ContactOf(qso)]; }

 private:
  std::unordered_map<Contact, int, ContactHash> m_counts;
};

const char* RefusalOf(const ContestSet& set, const QsoRecord& qso) {
  if (IsRefusedBand(set.texts.Text(qso.band))) return "refused: NO CONTEST BAND";
  if (!IsContestMode(set.texts.Text(qso.mode))) return "refused: NO CONTEST MODE";
  return "refused: NO RX NUMBER";
}

bool CountsAsAdmitted(const QsoRecord& qso) {
  return qso.readable && qso.verdict != Verdict::kInvalid && qso.verdict != Verdict::kDupe &&
         qso.verdict != Verdict::kOutside;
}

// Each DUPE line of the log gets the line of the first admitted record of its contact,
// which comes before it in the order the plug-in took them.
void NoteDupes(const EntrantLog& log, ContestSet* set) {
  std::unordered_map<Contact, uint32_t, ContactHash> firstLines;
  for (size_t i = log.firstQso; i < log.firstQso + log.qsoCount; ++i) {
    QsoRecord& qso = set->qsos[i];
    if (CountsAsAdmitted(qso)) firstLines.try_emplace(ContactOf(qso), qso.line);
    if (qso.verdict != Verdict::kDupe || qso.note != 0 || !qso.readable) continue;
    const auto first = firstLines.find(ContactOf(qso));
    const uint32_t line = first == firstLines.end() ? 0 : first->second;
    qso.note = set->texts.Intern("dupe of line " + std::to_string(line));
  }
}

}  // namespace

void NoteAdmission(ContestSet* set) {
  // Which logs hold dupes is seen on the one pass through every line.
  std::vector<bool> hasDupes(set->logs.size());
  for (QsoRecord& qso : set->qsos) {
    if (qso.verdict == Verdict::kDupe) hasDupes[qso.log] = true;
    if (!qso.readable || qso.note != 0 || !set->logs[qso.log].used) continue;
    if (qso.verdict == Verdict::kInvalid) qso.note = set->texts.Intern(RefusalOf(*set, qso));
  }
  for (size_t i = 0; i < set->logs.size(); ++i) {
    if (set->logs[i].used && hasDupes[i]) NoteDupes(set->logs[i], set);
  }
}

SheetScore ScoreLineOf(const std::string& sheet) {
  SheetScore result;
  const size_t line = sheet.rfind("Score:");
  if (line == std::string::npos) return result;
  const char* at = sheet.c_str() + line + 6;
  char* end = nullptr;
  result.points = std::strtoll(at, &end, 10);
  if (end == at || *end != '*') return result;
  at = end + 1;
  result.counties = std::strtoll(at, &end, 10);
  if (end == at) return result;
  while (*end == ' ') ++end;
  if (*end != '=') return result;
  at = end + 1;
  result.score = std::strtoll(at, &end, 10);
  result.read = end != at;
  return result;
}

std::vector<BandFigures> BandRowsOf(const std::string& sheet) {
  static const char kHeading[] = "\tQSOs\tPoints\tCounty\r\n";
  std::vector<BandFigures> rows;
  size_t at = sheet.find(kHeading);
  if (at == std::string::npos) return rows;
  at += sizeof(kHeading) - 1;
  for (size_t end; (end = sheet.find("\r\n", at)) != std::string::npos; at = end + 2) {
    const std::string row = sheet.substr(at, end - at);
    if (row.compare(0, 6, "Total\t") == 0) return rows;
    BandFigures band;
    const size_t label = row.find("\t ");
    long long* figures[] = {&band.qsos, &band.points, &band.counties};
    const char* cursor = row.c_str() + (label == std::string::npos ? row.size() : label);
    for (long long* figure : figures) {
      if (cursor[0] != '\t' || cursor[1] != ' ') return {};
      char* after = nullptr;
      *figure = std::strtoll(cursor + 2, &after, 10);
      if (after == cursor + 2) return {};
      cursor = after;
    }
    if (*cursor != '\0') return {};
    band.band = row.substr(0, label);
    rows.push_back(std::move(band));
  }
  return {};
}

PluginJudge::PluginJudge(const EntryPoints& entries, const CountryFile& countries,
                         const ContestPeriod& period)
    : m_entries(entries), m_countries(countries), m_period(period) {}

const CallCountry& PluginJudge::CountryOf(const ContestSet& set, uint32_t call) {
  if (call < set.countryOfCall.size()) return set.countryOfCall[call];
  static const CallCountry kNone;  // a call FindCountries did not see: no country
  return kNone;
}

void PluginJudge::Reset(const ContestSet& set, const EntrantLog& log) {
  (void)set;
  COleDateTime start = OleDate(std::floor(m_period.startSeconds / 86400.0));
  COleDateTime end = OleDate(std::floor(m_period.endSeconds / 86400.0));
  m_entries.resetStats("", 0, log.call.c_str(), &start, &end, "", "", "", "", "", "", "", "", "",
                       "", 0, 0, 0, 0.0, 0.0, "", log.ownContinent.c_str(), "");
}

const char* PluginJudge::RepeatedText::Of(const ContestSet& set, uint32_t id) {
  if (id != m_id) {
    m_id = id;
    m_text = set.texts.Text(id).c_str();
  }
  return m_text;
}

int PluginJudge::Add(const ContestSet& set, const EntrantLog& log, const QsoRecord& qso) {
  // The call as logged: the plug-in compares calls exactly as the logger hands them over.
  const CallCountry& country = CountryOf(set, qso.workedAsLogged);
  const char* ownCall =
      qso.stationCall ? m_texts.ownCall.Of(set, qso.stationCall) : log.call.c_str();
  COleDateTime when = OleDate(qso.oleDays);
  COleDateTime unused = OleDate(0.0);
  return m_entries.addData(
      ownCall, set.texts.Text(qso.workedAsLogged).c_str(), &when, &unused, &unused, &unused, 0,
      qso.freqHz, m_texts.mode.Of(set, qso.mode), m_texts.rstSent.Of(set, qso.rstSent),
      m_texts.rstRcvd.Of(set, qso.rstRcvd), m_texts.exchSent.Of(set, qso.exchSent),
      set.texts.Text(qso.exchRcvd).c_str(), "", "", "", "", "", "", "", "", "",
      m_texts.prefix.Of(set, country.prefix), 0, 0, 0, 0.0, 0.0, "",
      m_texts.continent.Of(set, qso.continent ? qso.continent : country.continent), "",
      m_texts.band.Of(set, qso.band), "");
}

bool PluginJudge::IsDupe(const ContestSet& set, const QsoRecord& qso) {
  const CallCountry& country = CountryOf(set, qso.workedAsLogged);
  char unusedBuffer[2] = {0, 0};
  return m_entries.checkCall(set.texts.Text(qso.workedAsLogged).c_str(), 0, 0,
                             set.texts.Text(qso.mode).c_str(), "", "", "", "", "", "", "", "", "",
                             set.texts.Text(country.prefix).c_str(), 0, 0, 0, 0.0, 0.0, "", "", "",
                             "", set.texts.Text(qso.exchRcvd).c_str(),
                             set.texts.Text(qso.band).c_str(), "", unusedBuffer, unusedBuffer) == 0;
}

SheetScore PluginJudge::Result() {
  int flag = 0;
  const char* text = m_entries.getResult(&flag);
  const std::string sheet = text ? text : "";
  SheetScore score = ScoreLineOf(sheet);
  score.bands = BandRowsOf(sheet);
  return score;
}

SheetScore PluginJudge::Admit(uint32_t logIndex, ContestSet* set) {
  const EntrantLog& log = set->logs[logIndex];
  Reset(*set, log);
  HeldCopies held;
  std::vector<size_t> repeats;
  // The plug-in takes a contact for a repeat only when it holds one of that call, band and
  // mode as handed over: it is asked only about contacts it was given before.
  ContactSet given(log.qsoCount);
  for (size_t i = log.firstQso; i < log.firstQso + log.qsoCount; ++i) {
    QsoRecord& qso = set->qsos[i];
    if (qso.verdict != Verdict::kPending) continue;
    if (held.Full(qso)) {
      repeats.push_back(i);
      continue;
    }
    const bool dupe = given.Contains(ContactOf(qso)) && IsDupe(*set, qso);
    if (!Add(*set, log, qso)) {
      qso.verdict = Verdict::kInvalid;
      continue;
    }
    given.Insert(ContactOf(qso));
    if (dupe) {
      // Only dupes are counted, the first copy never being one: a full contact is held
      // once more than the bound, which keeps a log without repeats free of the count.
      qso.verdict = Verdict::kDupe;
      held.Add(qso);
    }
  }
  const SheetScore admitted = Result();
  AdmitRepeats(log, std::move(repeats), set);
  return admitted;
}

void PluginJudge::AdmitRepeats(const EntrantLog& log, std::vector<size_t> repeats,
                               ContestSet* set) {
  // The copies of each contact together, in the order the plug-in would have taken them.
  std::stable_sort(repeats.begin(), repeats.end(), [&](size_t a, size_t b) {
    return ContactOf(set->qsos[a]) < ContactOf(set->qsos[b]);
  });
  struct Copies {
    size_t next;
    size_t end;
  };
  std::vector<Copies> contacts;
  for (size_t i = 0, j; i < repeats.size(); i = j) {
    for (j = i + 1;
         j < repeats.size() && ContactOf(set->qsos[repeats[j]]) == ContactOf(set->qsos[repeats[i]]);
         ++j) {
    }
    contacts.push_back({i, j});
  }
  // Each run takes the next copies of every contact, up to the bound of admitted ones; the
  // plug-in's answer to AddData0 is all that counts, as a dupe is admitted like any QSO.
  while (!contacts.empty()) {
    Reset(*set, log);
    for (Copies& copies : contacts) {
      for (int held = 0; held < kCopiesPerRun && copies.next < copies.end; ++copies.next) {
        QsoRecord& qso = set->qsos[repeats[copies.next]];
        const bool admitted = Add(*set, log, qso) != 0;
        qso.verdict = admitted ? Verdict::kDupe : Verdict::kInvalid;
        held += admitted ? 1 : 0;
      }
    }
    contacts.erase(std::remove_if(contacts.begin(), contacts.end(),
                                  [](const Copies& copies) { return copies.next == copies.end; }),
                   contacts.end());
  }
}

bool PluginJudge::RefusedBandOrMode(const ContestSet& set, uint32_t band, uint32_t mode) {
  const uint64_t key = (uint64_t{band} << 32) | mode;
  const auto [found, isNew] = m_refusedBandMode.try_emplace(key, false);
  if (isNew) {
    found->second = IsRefusedBand(set.texts.Text(band)) || !IsContestMode(set.texts.Text(mode));
  }
  return found->second;
}

int PluginJudge::CountyOf(const ContestSet& set, uint32_t exchRcvd) {
  const auto [found, isNew] = m_countyOfExchange.try_emplace(exchRcvd, -1);
  if (!isNew) return found->second;
  const std::string code = NormaliseCounty(set.texts.Text(exchRcvd));
  for (int c = 0; c < kCountyCount && IsCountyCode(code); ++c) {
    if (code == kCountyCodes[c]) found->second = static_cast<int8_t>(c);
  }
  return found->second;
}

PluginJudge::Modelled PluginJudge::ModelLine(const ContestSet& set, const EntrantLog& log,
                                             const QsoRecord& qso) {
  Modelled modelled;
  // Text id 0 is the empty text.
  modelled.refused =
      RefusedBandOrMode(set, qso.band, qso.mode) || qso.exchRcvd == 0 || qso.exchSent == 0;
  if (modelled.refused) return modelled;
  const CallCountry& country = CountryOf(set, qso.workedAsLogged);
  const uint32_t continent = qso.continent ? qso.continent : country.continent;
  modelled.points = country.ha ? 6 : continent == log.ownContinentId ? 1 : 3;
  modelled.county = country.home ? CountyOf(set, qso.exchRcvd) : -1;
  return modelled;
}

namespace {

// The model's band rows as the plug-in's score keeps them.
class ModelledBands {
 public:
  void Count(const ContestSet& set, const QsoRecord& qso, int points, int county, bool repeat) {
    auto band = std::find_if(m_bands.begin(), m_bands.end(),
                             [&](const Band& b) { return b.id == qso.band; });
    if (band == m_bands.end()) {
      m_bands.push_back({qso.band, {set.texts.Text(qso.band), 0, 0, 0}, {}});
      band = m_bands.end() - 1;
    }
    if (repeat) return;
    ++band->figures.qsos;
    band->figures.points += points;
    if (county >= 0 && !band->counties.test(county)) {
      band->counties.set(county);
      ++band->figures.counties;
    }
  }
  SheetScore Sheet() const;

 private:
  struct Band {
    uint32_t id;
    BandFigures figures;
    std::bitset<kCountyCount> counties;
  };
  std::vector<Band> m_bands;  // in the order the plug-in's band list takes them
};

SheetScore ModelledBands::Sheet() const {
  const std::vector<Band>& bands = m_bands;
  std::vector<std::string> names;
  for (const Band& band : bands) names.push_back(band.figures.band);
  SheetScore sheet;
  sheet.read = true;
  // The plug-in's sums are 32-bit, as the host's score has always been.
  const auto wrapped = [](long long value) {
    return static_cast<long long>(static_cast<int32_t>(static_cast<uint32_t>(value)));
  };
  for (const std::string& name : SortBandsForScore(names)) {
    for (const Band& band : bands) {
      if (band.figures.band != name) continue;
      sheet.bands.push_back(band.figures);
      sheet.points = wrapped(sheet.points + band.figures.points);
      sheet.counties = wrapped(sheet.counties + band.figures.counties);
    }
  }
  sheet.score = wrapped(sheet.points * sheet.counties);
  return sheet;
}

}  // namespace

bool PluginJudge::ModelScores(uint32_t logIndex, const ContestSet& set, const SheetScore& admitted,
                              const std::function<bool(const QsoRecord&)>& take, SheetScore* taken,
                              SheetScore* all) {
  const EntrantLog& log = set.logs[logIndex];
  // One pass for the three runs: each takes its own lines, with repeats among them.
  ContactSet heldAdmitted(log.qsoCount), heldTaken(taken ? log.qsoCount : 0),
      heldAll(all ? log.qsoCount : 0);
  ModelledBands admittedBands, takenBands, allBands;
  bool agrees = admitted.read;
  for (size_t i = log.firstQso; i < log.firstQso + log.qsoCount && agrees; ++i) {
    const QsoRecord& qso = set.qsos[i];
    if (!qso.readable || qso.refused) continue;
    const Modelled m = ModelLine(set, log, qso);
    if (qso.verdict != Verdict::kOutside) {
      agrees = m.refused == (qso.verdict == Verdict::kInvalid);
      if (!m.refused) {
        const bool repeat = !heldAdmitted.Insert(ContactOf(qso));
        agrees = agrees && repeat == (qso.verdict == Verdict::kDupe);
        admittedBands.Count(set, qso, m.points, m.county, repeat);
      }
    }
    if (m.refused) continue;
    if (taken && take(qso))
      takenBands.Count(set, qso, m.points, m.county, !heldTaken.Insert(ContactOf(qso)));
    if (all) allBands.Count(set, qso, m.points, m.county, !heldAll.Insert(ContactOf(qso)));
  }
  if (!agrees) return false;
  const SheetScore model = admittedBands.Sheet();
  if (model.points != admitted.points || model.counties != admitted.counties ||
      model.score != admitted.score || model.bands.size() != admitted.bands.size()) {
    return false;
  }
  for (size_t i = 0; i < model.bands.size(); ++i) {
    const BandFigures& a = model.bands[i];
    const BandFigures& b = admitted.bands[i];
    if (a.band != b.band || a.qsos != b.qsos || a.points != b.points || a.counties != b.counties)
      return false;
  }
  if (taken) *taken = takenBands.Sheet();
  if (all) *all = allBands.Sheet();
  return true;
}

SheetScore PluginJudge::Score(uint32_t logIndex, const ContestSet& set,
                              const std::function<bool(const QsoRecord&)>& take) {
  const EntrantLog& log = set.logs[logIndex];
  Reset(set, log);
  HeldCopies held;
  for (size_t i = log.firstQso; i < log.firstQso + log.qsoCount; ++i) {
    const QsoRecord& qso = set.qsos[i];
    // A copy past the bound is a dupe or refused, and scores nothing either way.
    if (!qso.readable || qso.refused || !take(qso) || held.Full(qso)) continue;
    if (Add(set, log, qso)) held.Add(qso);
  }
  return Result();
}

}  // namespace tarno::score
