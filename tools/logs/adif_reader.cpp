#include "logs/adif_reader.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "contest/ascii_text.h"
#include "logs/bands.h"
#include "logs/log_text.h"

namespace tarno::score {
namespace {

// The fields of one record a QSO is made of, their data where it stands in the file; the
// other fields of a record are passed over. A fixed list keeps every tag's cost the same,
// however many fields a record holds.
class Fields {
 public:
  // `chosen`: the field --exchange-field names, upper case, when it is none of the list.
  explicit Fields(std::string chosen) : m_chosen(std::move(chosen)) {}

  void Clear() {
    for (bool& present : m_present) present = false;
  }
  // A field given twice keeps its later data.
  void Set(std::string_view name, std::string_view data) {
    const int slot = SlotOf(name);
    if (slot < 0) return;
    m_data[slot] = data;
    m_present[slot] = true;
  }
  const std::string_view* Find(std::string_view name) const {
    const int slot = SlotOf(name);
    return slot >= 0 && m_present[slot] ? &m_data[slot] : nullptr;
  }
  bool Has(std::string_view name) const { return Find(name) != nullptr; }

 private:
  static constexpr std::string_view kKept[] = {
      "CALL",     "QSO_DATE",         "TIME_ON",    "FREQ", "BAND",       "MODE", "SUBMODE",
      "RST_SENT", "RST_RCVD",         "STX_STRING", "STX",  "SRX_STRING", "SRX",  "STATE",
      "MY_STATE", "STATION_CALLSIGN", "OPERATOR",   "CONT"};
  static constexpr int kSlots = static_cast<int>(sizeof kKept / sizeof *kKept) + 1;

  int SlotOf(std::string_view name) const {
    for (int slot = 0; slot + 1 < kSlots; ++slot) {
      if (name == kKept[slot]) return slot;
    }
    return !m_chosen.empty() && name == m_chosen ? kSlots - 1 : -1;
  }

  std::string m_chosen;
  std::string_view m_data[kSlots];
  bool m_present[kSlots] = {};
};

bool AllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

bool IsNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// Loggers also name fields outside ADIF's letters (<9A/F4MYH:8>, an award's reference):
// such a name holds no blank, control character or tag delimiter.
bool IsWideNameChar(char c) {
  const unsigned char byte = static_cast<unsigned char>(c);
  return byte > ' ' && byte != 0x7F && c != '<' && c != '>' && c != ':' && c != ',';
}

// Where the ':' of a complete field tag, <NAME:LEN> or <NAME:LEN:TYPE>, of any name
// starting at `at` stands; npos when none starts there.
size_t FieldTagColon(std::string_view text, size_t at) {
  size_t end = at + 1;
  while (end < text.size() && IsWideNameChar(text[end])) ++end;
  if (end == at + 1 || end >= text.size() || text[end] != ':') return std::string_view::npos;
  const size_t colon = end;
  size_t digits = ++end;
  while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
  if (end == digits || end >= text.size()) return std::string_view::npos;
  if (text[end] == ':') {
    ++end;
    while (end < text.size() && IsNameChar(text[end])) ++end;
  }
  return end < text.size() && text[end] == '>' ? colon : std::string_view::npos;
}

// Whether `text` at `at` holds the tag <NAME> (any case, no length), e.g. <EOR>.
bool IsBareTag(std::string_view text, size_t at, std::string_view name) {
  return at + name.size() + 2 <= text.size() && text[at] == '<' &&
         EqualsIgnoringCase(text.substr(at + 1, name.size()), name) &&
         text[at + 1 + name.size()] == '>';
}

size_t FindBareTag(std::string_view text, size_t from, std::string_view name) {
  for (size_t at = text.find('<', from); at != std::string_view::npos;
       at = text.find('<', at + 1)) {
    if (IsBareTag(text, at, name)) return at;
  }
  return std::string_view::npos;
}

// Whether a complete field tag, <NAME:LEN> or <NAME:LEN:TYPE>, of any name starts at `at`.
bool IsFieldTag(std::string_view text, size_t at) {
  return FieldTagColon(text, at) != std::string_view::npos;
}

// Whether a field tag (<NAME:LEN...>) or <EOR> starts at `at`, after blanks.
bool TagFollows(std::string_view text, size_t at) {
  while (at < text.size() && IsAsciiBlank(text[at])) ++at;
  if (at >= text.size()) return true;
  if (text[at] != '<') return false;
  if (IsBareTag(text, at, "EOR") || IsFieldTag(text, at)) return true;
  size_t name = at + 1;
  while (name < text.size() && IsNameChar(text[name])) ++name;
  return name > at + 1 && name < text.size() && text[name] == ':';
}

enum class TagResult { kField, kNotATag, kBroken };

// Where the data of a field that starts at `dataStart` runs into a tag that begins in it
// and ends after it (<OPERATOR:7>M0NOM <MY_GRIDSQUARE:6>): the tag's '<', or npos. Tags
// wholly inside the data (a comment quoting <EOR>) are passed over: the one cut in half
// may come after them, and missing it would lose that tag, an <EOR> among them.
size_t TagCutByDataEnd(std::string_view text, size_t dataStart, size_t dataEnd) {
  for (size_t tag = text.find('<', dataStart); tag < dataEnd; tag = text.find('<', tag + 1)) {
    if ((IsFieldTag(text, tag) || IsBareTag(text, tag, "EOR")) && text.find('>', tag) >= dataEnd) {
      return tag;
    }
  }
  return std::string_view::npos;
}

// Whether the data from `*at` to `dataEnd` swallows what follows the field: the end of
// its record (and with it the records after it), or the fields after it in its record.
bool SwallowsWhatFollows(std::string_view text, size_t* at, size_t dataEnd, const std::string& name,
                         std::string_view length, std::string* reason) {
  // A length that counts too many bytes swallows the end of the record, and with it
  // the records after it: their <EOR> then starts inside the data, before a next tag.
  const std::string_view reach = text.substr(0, dataEnd);
  const size_t first = FindBareTag(reach, *at, "EOR");
  for (size_t eor = first; eor < dataEnd; eor = FindBareTag(reach, eor + 1, "EOR")) {
    if (TagFollows(text, eor + 5)) {
      *reason =
          "field " + name + "'s length " + std::string(length) + " runs past the end of its record";
      *at = first;  // reading goes on at the first record mark it swallowed
      return true;
    }
  }
  // Within its record it swallows the fields after it, whose tags then stand in the data.
  for (size_t tag = text.find('<', *at); tag < dataEnd; tag = text.find('<', tag + 1)) {
    if (IsFieldTag(reach, tag)) {
      *reason =
          "field " + name + "'s length " + std::string(length) + " runs over the fields after it";
      return true;
    }
  }
  return false;
}

// One "<NAME:LEN[:TYPE]>data" field or "<NAME>" mark starting at `*at` (a '<'). A '<'
// that does not start a name is stray text; a tag that starts like a field but is not
// closed before the next '<', or whose length is not a number, is broken. A complete
// field tag is a field whatever its name; `*wide` says its name is not of ADIF's letters.
// A length that runs into the tag after it is cut there, with a note, so that tag is read
// next.
TagResult ReadTag(std::string_view text, size_t* at, std::string* name, std::string_view* data,
                  std::string* reason, std::string* note, bool* wide) {
  const size_t start = *at;
  size_t end = start + 1;
  while (end < text.size() && IsNameChar(text[end])) ++end;
  *wide = false;
  if (end < text.size() && text[end] != ':' && text[end] != '>') {
    const size_t colon = FieldTagColon(text, start);
    *wide = colon != std::string_view::npos;
    if (*wide) end = colon;
  }
  if (end == start + 1) {
    *at = start + 1;
    return TagResult::kNotATag;
  }
  name->assign(text.substr(start + 1, end - start - 1));  // in the buffer the last tag left
  for (char& c : *name) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  const size_t close = text.find_first_of("<>", end);
  if (close == std::string_view::npos || text[close] == '<') {
    *reason = "the tag of field " + *name + " is not closed";
    return TagResult::kBroken;
  }
  std::string_view rest = text.substr(end, close - end);
  *at = close + 1;
  *data = std::string_view();
  if (rest.empty()) return TagResult::kField;  // <EOR>, <EOH> and the like
  if (rest.front() != ':') {
    *reason = "the tag <" + std::string(text.substr(start + 1, close - start - 1)) +
              "> is not a field tag";
    return TagResult::kBroken;
  }
  std::string_view length = rest.substr(1);
  length = length.substr(0, length.find(':'));
  if (!AllDigits(length) || length.size() > 9) {
    *reason = "field " + *name + " has a bad length \"" + std::string(length) + "\"";
    return TagResult::kBroken;
  }
  const size_t bytes = std::strtoul(std::string(length).c_str(), nullptr, 10);
  if (bytes > text.size() - *at) {
    *reason =
        "field " + *name + "'s length " + std::string(length) + " runs past the end of the file";
    return TagResult::kBroken;
  }
  // Counted a few bytes too many (a character counted twice, a blank before the next tag):
  // the data ends where that tag starts, unless it swallowed more than that tag.
  const size_t cut = TagCutByDataEnd(text, *at, *at + bytes);
  size_t dataEnd = cut == std::string_view::npos ? *at + bytes : cut;
  // A length counted in characters, or in the bytes of a file's own code page, can end
  // inside a letter of the UTF-8 text: the data takes the whole letter.
  while (dataEnd > *at && dataEnd < text.size() &&
         (static_cast<unsigned char>(text[dataEnd]) & 0xC0) == 0x80) {
    ++dataEnd;
  }
  if (SwallowsWhatFollows(text, at, dataEnd, *name, length, reason)) return TagResult::kBroken;
  *data = text.substr(*at, dataEnd - *at);
  *at = dataEnd;
  if (cut != std::string_view::npos) {
    const std::string_view tag = text.substr(cut, text.find('>', cut) + 1 - cut);
    *note = "field " + *name + "'s length " + std::string(length) + " runs into the tag " +
            std::string(tag) + " after it; read as \"" + std::string(*data) + "\", and " +
            std::string(tag) + " after it";
  }
  return TagResult::kField;
}

// A QSO's time needs both its date and its time of day: a record without TIME_ON is not
// put at midnight, where it would be scored as a QSO the operator never made then.
bool TimeOf(const Fields& fields, double* days, std::string* reason) {
  const std::string_view* date = fields.Find("QSO_DATE");
  const std::string_view* timeOn = fields.Find("TIME_ON");
  if (!date || !timeOn) {
    *reason = !date ? "no QSO_DATE" : "no TIME_ON";
    *reason += ": the QSO's time is not known";
    return false;
  }
  const std::string d(*date);
  const std::string t(*timeOn);
  if (d.size() == 8 && AllDigits(d) && (t.size() == 4 || t.size() == 6) && AllDigits(t) &&
      OleDaysOf(std::stoi(d.substr(0, 4)), std::stoi(d.substr(4, 2)), std::stoi(d.substr(6, 2)),
                std::stoi(t.substr(0, 2)), std::stoi(t.substr(2, 2)),
                t.size() == 6 ? std::stoi(t.substr(4, 2)) : 0, days)) {
    return true;
  }
  *reason = "QSO_DATE/TIME_ON \"" + d + " " + t + "\" is not a valid date and time";
  return false;
}

std::string Field(const Fields& fields, const char* name) {
  const std::string_view* found = fields.Find(name);
  return found ? std::string(*found) : std::string();
}

// The first of the fields that is not blank, and its name.
void FirstOf(const Fields& fields, std::initializer_list<const char*> names, std::string* value,
             std::string* from) {
  for (const char* name : names) {
    std::string text = Field(fields, name);
    if (!TrimAscii(text).empty()) {
      *value = std::move(text);
      *from = name;
      return;
    }
  }
}

std::string ModeOf(const Fields& fields) {
  const std::string mode = ContestMode(Field(fields, "MODE"));
  const std::string submode = ContestMode(Field(fields, "SUBMODE"));
  return submode == "SSB" ? submode : mode;
}

std::string MHzText(uint64_t hz) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g MHz", static_cast<double>(hz) / 1e6);
  return text;
}

// The band and frequency of a record. The frequency is what the radio said; a BAND
// that is no band, or that contradicts it, is noted and the frequency's band taken.
bool BandOf(const Fields& fields, LogQso* qso, std::vector<LogProblem>* notes,
            std::string* reason) {
  const std::string freq = Field(fields, "FREQ");
  const std::string bandText = Field(fields, "BAND");
  uint64_t freqHz = 0;
  std::string freqBand;
  if (!TrimAscii(freq).empty()) {
    char* end = nullptr;
    const std::string trimmed(TrimAscii(freq));
    const double mhz = std::strtod(trimmed.c_str(), &end);
    if (end == trimmed.c_str() || *end != '\0' || !(mhz > 0.0) || mhz > 1e7) {
      notes->push_back({qso->source, "FREQ \"" + freq + "\" is not a frequency in MHz"});
    } else {
      freqHz = static_cast<uint64_t>(std::llround(mhz * 1e6));
      freqBand = AdifBandOfFrequency(freqHz);
      if (freqBand.empty()) notes->push_back({qso->source, "FREQ " + freq + " is on no band"});
    }
  }
  const std::string band = CanonicalBand(TrimAscii(bandText));
  if (!TrimAscii(bandText).empty() && band.empty()) {
    notes->push_back({qso->source, "BAND \"" + bandText + "\" is no band" +
                                       (freqBand.empty() ? "" : "; the band of FREQ is used")});
  } else if (!band.empty() && !freqBand.empty() && band != freqBand) {
    notes->push_back({qso->source, "BAND " + bandText + " contradicts FREQ " + MHzText(freqHz) +
                                       "; the band of FREQ, " + freqBand + ", is used"});
  }
  qso->band = !freqBand.empty() ? freqBand : band;
  if (qso->band.empty()) {
    *reason = TrimAscii(bandText).empty() && TrimAscii(freq).empty()
                  ? "neither BAND nor FREQ"
                  : "no band: neither BAND nor FREQ names one";
    return false;
  }
  if (freqBand.empty()) freqHz = BandLowerEdgeHz(qso->band);
  if (freqHz > UINT32_MAX) {
    notes->push_back(
        {qso->source, MHzText(freqHz) + " does not fit the logger's frequency; 0 is given"});
    freqHz = 0;
  }
  qso->freqHz = static_cast<uint32_t>(freqHz);
  return true;
}

bool ToQso(const Fields& fields, int number, const AdifOptions& options, LogQso* qso,
           std::vector<LogProblem>* notes, std::string* reason) {
  qso->source = number;
  qso->call = UpperAscii(TrimAscii(Field(fields, "CALL")));
  if (qso->call.empty()) {
    *reason = "no CALL";
    return false;
  }
  if (!BandOf(fields, qso, notes, reason)) return false;
  qso->hasTime = TimeOf(fields, &qso->oleDays, reason);
  if (!qso->hasTime) return false;
  qso->mode = ModeOf(fields);
  qso->rstSent = Field(fields, "RST_SENT");
  qso->rstRcvd = Field(fields, "RST_RCVD");
  FirstOf(fields, {"STX_STRING", "STX"}, &qso->exchSent, &qso->exchSentField);
  if (options.exchangeField.empty()) {
    FirstOf(fields, {"SRX_STRING", "SRX"}, &qso->exchRcvd, &qso->exchRcvdField);
  } else {
    FirstOf(fields, {options.exchangeField.c_str()}, &qso->exchRcvd, &qso->exchRcvdField);
  }
  qso->state = Field(fields, "STATE");
  qso->myState = Field(fields, "MY_STATE");
  qso->stationCall = UpperAscii(TrimAscii(Field(fields, "STATION_CALLSIGN")));
  if (qso->stationCall.empty()) qso->stationCall = UpperAscii(TrimAscii(Field(fields, "OPERATOR")));
  qso->continent = UpperAscii(TrimAscii(Field(fields, "CONT")));
  return true;
}

// Where the records start: after the header's <EOH>, if the file has a header. The
// header is free text up to the first <EOH> read as a tag; one that a field's data
// quotes ends nothing.
size_t BodyStart(std::string_view text) {
  size_t at = 0;
  while ((at = text.find('<', at)) != std::string_view::npos) {
    if (IsBareTag(text, at, "EOH")) return at + 5;
    if (IsBareTag(text, at, "EOR")) return 0;  // records without a header
    std::string name;
    std::string_view data;
    std::string reason;
    std::string note;
    bool wide = false;
    if (ReadTag(text, &at, &name, &data, &reason, &note, &wide) == TagResult::kBroken) {
      // The header's free text may hold what reads as a broken tag: its <EOH> decides.
      const size_t eoh = FindBareTag(text, at + 1, "EOH");
      return eoh == std::string_view::npos ? 0 : eoh + 5;
    }
  }
  return 0;
}

size_t CountBareTags(std::string_view text, size_t from, std::string_view name) {
  size_t count = 0;
  for (size_t at = FindBareTag(text, from, name); at != std::string_view::npos;
       at = FindBareTag(text, at + name.size() + 2, name)) {
    ++count;
  }
  return count;
}

// The fields read since the last <EOR>. More than one CALL among them is more than one
// QSO whose <EOR> is missing: the later would silently take the earlier one's place.
struct RecordBeingRead {
  explicit RecordBeingRead(const AdifOptions& options) : fields(options.exchangeField) {}

  void Add(const std::string& name, std::string_view data) {
    if (name == "CALL") ++calls;
    fields.Set(name, data);
  }
  void Clear() {
    fields.Clear();
    calls = 0;
  }

  Fields fields;
  size_t calls = 0;
};

std::string QsosWorth(size_t calls) {
  return std::to_string(calls) + " CALL fields, " + std::to_string(calls) + " QSOs' worth";
}

void EndRecord(const RecordBeingRead& record, int number, const AdifOptions& options,
               ReadLog* log) {
  std::string reason;
  LogQso qso;
  if (record.calls > 1) {
    log->skipped.push_back(
        {number, "one record holds " + QsosWorth(record.calls) +
                     ": the <EOR> marks between them are missing; none is read"});
  } else if (ToQso(record.fields, number, options, &qso, &log->notes, &reason)) {
    log->qsos.push_back(std::move(qso));
  } else {
    log->skipped.push_back({number, reason});
  }
}

// Fields after the last <EOR> that name no part of a QSO are no record: an application
// marks the end of its download so (<APP_..._EOF:1>Y), and nothing is lost with them.
bool HoldsQsoFields(const RecordBeingRead& record) {
  for (const char* name : {"CALL", "QSO_DATE", "TIME_ON", "BAND", "FREQ", "MODE"}) {
    if (record.fields.Has(name)) return true;
  }
  return false;
}

// Why the fields after the last <EOR> are not read.
std::string UnendedRecord(const RecordBeingRead& record, const ReadLog& log) {
  std::string reason =
      log.recordsFound == 0 ? "the file has no <EOR> at all" : "the last record has no <EOR>";
  if (record.calls > 1) reason += ": its " + QsosWorth(record.calls) + ", are not read";
  return reason;
}

// <EOF>, which some loggers write last, ends the log. Records the file marks after it are
// not read, and said so.
void EndAtEof(std::string_view text, size_t after, int number, RecordBeingRead* record,
              ReadLog* log) {
  const size_t marksAfter = CountBareTags(text, after, "EOR");
  log->recordsFound -= marksAfter;
  if (HoldsQsoFields(*record)) log->skipped.push_back({number++, UnendedRecord(*record, *log)});
  if (marksAfter > 0) {
    log->skipped.push_back({number, std::to_string(marksAfter) +
                                        " records follow <EOF>, which ends the log: not read"});
  }
}

// Fields whose names are not of ADIF's letters (<9A/F4MYH:8>): each record keeps its
// QSO, and the log is told once which names were passed over, never record by record.
class PassedOver {
 public:
  void Add(const std::string& name, int record) {
    ++m_names.try_emplace(name, Seen{record, 0}).first->second.times;
  }

  void Tell(ReadLog* log) const {
    if (m_names.empty()) return;
    constexpr size_t kNamesShown = 10;
    constexpr size_t kNameShownMax = 40;
    std::string text = "fields of names ADIF does not know, passed over: ";
    size_t shown = 0;
    for (const auto& [name, seen] : m_names) {
      if (shown++ == kNamesShown) {
        text += ", and " + std::to_string(m_names.size() - kNamesShown) + " names more";
        break;
      }
      const size_t cut = Utf8PrefixLength(name, kNameShownMax);
      text += (shown > 1 ? ", " : "") + name.substr(0, cut) + (cut < name.size() ? "..." : "") +
              " (" + std::to_string(seen.times) +
              (seen.times == 1 ? " time, record " : " times, first in record ") +
              std::to_string(seen.firstRecord) + ")";
    }
    log->fileNotes.push_back(text);
  }

 private:
  struct Seen {
    int firstRecord;
    size_t times;
  };
  std::map<std::string, Seen> m_names;
};

// Whether `text` holds `upper`, an upper-case word, with its letters in any case. Every
// log's head is asked a few of these: no copy of it is made, and a word that starts with a
// mark (the tags) is found at the speed of looking for that byte.
bool HoldsIgnoringCase(std::string_view text, std::string_view upper) {
  const char first = upper.front();
  const bool letter = first >= 'A' && first <= 'Z';
  for (size_t at = 0; at + upper.size() <= text.size(); ++at) {
    if (!letter) {
      at = text.find(first, at);
      if (at == std::string_view::npos || at + upper.size() > text.size()) return false;
    } else if (text[at] != first && text[at] != first - 'A' + 'a') {
      continue;
    }
    if (EqualsIgnoringCase(text.substr(at, upper.size()), upper)) return true;
  }
  return false;
}

}  // namespace

bool LooksLikeAdif(std::string_view text) {
  const std::string_view head = text.substr(0, 1 << 16);
  if (HoldsIgnoringCase(head, "<EOR>") || HoldsIgnoringCase(head, "<EOH>")) return true;
  return !HoldsIgnoringCase(head, "START-OF-LOG") && !HoldsIgnoringCase(head, "QSO:") &&
         HoldsIgnoringCase(head, "<CALL:");
}

ReadLog ReadAdif(std::string_view text, const AdifOptions& options) {
  ReadLog log;
  const size_t body = BodyStart(text);
  log.recordsFound = CountBareTags(text, body, "EOR");
  // Room for every QSO at once, as a list grown by doubling would need half as much again
  // while it moves; a file of bare <EOR> marks, though, gets no more than its bytes allow.
  constexpr size_t kShortestQsoRecordBytes = 60;  // CALL, QSO_DATE, TIME_ON, BAND, <EOR>
  log.qsos.reserve(std::min(log.recordsFound, text.size() / kShortestQsoRecordBytes));
  RecordBeingRead record(options);
  int number = 1;
  std::string reason;
  std::string note;
  size_t at = body;
  PassedOver passedOver;
  std::string name;
  while ((at = text.find('<', at)) != std::string_view::npos) {
    std::string_view data;
    note.clear();
    bool wide = false;
    const TagResult tag = ReadTag(text, &at, &name, &data, &reason, &note, &wide);
    if (tag == TagResult::kNotATag) continue;
    if (tag == TagResult::kBroken) {
      const size_t eor = FindBareTag(text, at, "EOR");
      log.skipped.push_back({number++, reason});
      record.Clear();
      if (eor == std::string_view::npos) break;
      at = eor + 5;
      continue;
    }
    if (!note.empty()) log.notes.push_back({number, note});
    if (name == "EOF") {
      EndAtEof(text, at, number, &record, &log);
      passedOver.Tell(&log);
      return log;
    }
    if (wide) passedOver.Add(name, number);
    if (name == "EOR") {
      EndRecord(record, number++, options, &log);
      record.Clear();
    } else {
      // An <EOR> that a field's data quotes (a comment about the format) ends nothing.
      log.recordsFound -= CountBareTags(data, 0, "EOR");
      record.Add(name, data);
    }
  }
  if (HoldsQsoFields(record)) log.skipped.push_back({number, UnendedRecord(record, log)});
  passedOver.Tell(&log);
  return log;
}

}  // namespace tarno::score
