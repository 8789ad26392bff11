// tarno-score's readers on any bytes: the ADIF and Cabrillo log readers, the format guess,
// the Cabrillo checker and the country file with its lookup.
//
// The whole input goes to every reader. For the country file, the input up to the first NUL
// is the file and the lines after it are the calls looked up; without a NUL, a fixed list of
// calls is looked up. Checks, beyond "no crash, no hang":
// - every record a reader leaves out is listed with its number and a reason, and the numbers
//   of the records read and left out are the records of the file, each once;
// - every <EOR> an ADIF file marks is a record read or left out;
// - a QSO that was read has a call, a band of the band list, a time and, from Cabrillo, the
//   frequency its line gives;
// - the checker's problems come in line order, on lines the file has, each one printable
//   line; the formatted report has one line per problem or note, and says "no problems
//   found" exactly when all it found are notes;
// - a country file that fails to parse says why and changes nothing; a lookup gives a
//   complete answer or an empty one, and does not care about letter case or blanks;
// - the text every command reads is valid UTF-8 whatever the bytes were, a conversion is
//   said, valid UTF-8 without a byte-order mark is left as it was, and the readers and the
//   checker hold all of the above on the converted text too.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "logs/adif_reader.h"
#include "logs/bands.h"
#include "logs/cabrillo_check.h"
#include "logs/cabrillo_reader.h"
#include "logs/country_file.h"
#include "logs/log_qso.h"
#include "logs/log_text.h"

namespace {

using namespace tarno::score;

[[noreturn]] void Broken(const char* invariant) {
  std::fprintf(stderr, "broken invariant: %s\n", invariant);
  std::abort();
}

void Require(bool holds, const char* invariant) {
  if (!holds) Broken(invariant);
}

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string Upper(std::string_view text) {
  std::string upper(text);
  for (char& c : upper) c = UpperAscii(c);
  return upper;
}

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

void CheckQsoFields(const LogQso& qso) {
  Require(!qso.call.empty(), "a QSO read has a call");
  Require(!qso.band.empty(), "a QSO read has a band");
  Require(qso.hasTime && std::isfinite(qso.oleDays), "a QSO read has a time");
}

void CheckSkipped(const ReadLog& log) {
  for (const LogProblem& problem : log.skipped) {
    Require(problem.source > 0, "a record left out has its number");
    Require(!problem.reason.empty(), "a record left out has a reason");
  }
}

// ---- ADIF ----

void CheckAdif(std::string_view text) {
  const ReadLog log = ReadAdif(text);
  CheckSkipped(log);
  std::vector<int> numbers;
  const bool utf8 = IsValidUtf8(text);
  for (const LogQso& qso : log.qsos) {
    CheckQsoFields(qso);
    for (const std::string* field : {&qso.call, &qso.mode, &qso.rstSent, &qso.rstRcvd,
                                     &qso.exchSent, &qso.exchRcvd, &qso.state, &qso.stationCall})
      Require(!utf8 || IsValidUtf8(*field), "the fields of UTF-8 text are UTF-8");
    // Without FREQ the band's lower edge stands in; only bands above 4.29 GHz, whose Hz the
    // logger's 32 bits cannot hold, go without.
    Require(BandLowerEdgeHz(qso.band) != 0, "an ADIF QSO is on a band of the list");
    Require(qso.freqHz != 0 || BandLowerEdgeHz(qso.band) > UINT32_MAX,
            "an ADIF QSO read has a frequency");
    numbers.push_back(qso.source);
  }
  for (const LogProblem& problem : log.skipped) numbers.push_back(problem.source);
  Require(numbers.size() >= log.recordsFound, "every <EOR> of the file is read or reported");
  std::sort(numbers.begin(), numbers.end());
  for (size_t i = 0; i < numbers.size(); ++i) {
    Require(numbers[i] == static_cast<int>(i) + 1,
            "ADIF records are numbered 1, 2, 3... each once");
  }
  (void)LooksLikeAdif(text);
}

// ---- Cabrillo ----

std::vector<std::string_view> LinesAtLf(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    lines.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return lines;
}

std::vector<std::string> Words(std::string_view line) {
  std::vector<std::string> words;
  size_t at = 0;
  while (at < line.size()) {
    while (at < line.size() && IsSpace(line[at])) ++at;
    size_t end = at;
    while (end < line.size() && !IsSpace(line[end])) ++end;
    if (end > at) words.emplace_back(line.substr(at, end - at));
    at = end;
  }
  return words;
}

// The words after "QSO:" (blanks before it, none needed after it); false for another line.
bool QsoLineWords(std::string_view line, std::vector<std::string>* words) {
  size_t at = 0;
  while (at < line.size() && IsSpace(line[at])) ++at;
  if (Upper(line.substr(at, 4)) != "QSO:") return false;
  *words = Words(line.substr(at + 4));
  return true;
}

void CheckCabrilloReader(std::string_view text) {
  const ReadLog log = ReadCabrillo(text);
  CheckSkipped(log);
  const std::vector<std::string_view> lines = LinesAtLf(text);
  size_t qsoLines = 0;
  std::vector<std::string> words;
  for (std::string_view line : lines) {
    if (QsoLineWords(line, &words)) ++qsoLines;
  }
  Require(log.qsos.size() + log.skipped.size() == qsoLines,
          "every Cabrillo QSO line is read or left out with a reason");
  for (const LogQso& qso : log.qsos) {
    CheckQsoFields(qso);
    Require(qso.source >= 1 && static_cast<size_t>(qso.source) <= lines.size(),
            "a Cabrillo QSO names its line");
    Require(QsoLineWords(lines[qso.source - 1], &words) && !words.empty(),
            "a Cabrillo QSO's line has a frequency");
    // The line's frequency, exactly: one that does not fit the logger's 32 bits must not
    // come out as another, and the band is the one that frequency or designator names.
    std::string band;
    uint64_t hz = 0;
    Require(CabrilloBand(words[0], &band, &hz) && band == qso.band,
            "a Cabrillo QSO is on the band of its line");
    Require(uint64_t{qso.freqHz} == (hz <= UINT32_MAX ? hz : 0),
            "a Cabrillo QSO has the frequency of its line");
  }
}

void CheckCabrilloChecker(std::string_view text) {
  const std::vector<CabrilloProblem> problems = CheckCabrillo(text);
  // A line ends at CR LF, LF or CR; the last one need not end.
  size_t lineCount = 0;
  for (size_t at = 0; at < text.size();) {
    ++lineCount;
    const size_t end = text.find_first_of("\r\n", at);
    if (end == std::string_view::npos) break;
    at = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  int previous = 0;
  for (const CabrilloProblem& problem : problems) {
    Require(problem.line >= previous, "the checker lists problems in line order");
    Require(static_cast<size_t>(problem.line) <= std::max<size_t>(lineCount, 1),
            "a problem names a line of the file");
    Require(!problem.message.empty(), "a problem says what it is");
    for (char c : problem.message) {
      const unsigned char byte = static_cast<unsigned char>(c);
      Require(byte >= 0x20 && byte < 0x7F, "a problem is one printable line");
    }
    previous = problem.line;
  }
  const std::string report = FormatProblems(problems);
  const bool sound = IsSound(problems);
  const std::string kSound = "no problems found";
  Require(sound == (report.size() >= kSound.size() &&
                    report.compare(report.size() - kSound.size(), kSound.size(), kSound) == 0),
          "a sound file, and only a sound one, is reported as sound");
  Require(static_cast<size_t>(std::count(report.begin(), report.end(), '\n')) + 1 ==
              problems.size() + (sound ? 1 : 0),
          "the report has one line per problem or note");
}

// ---- Country file ----

const char* const kCalls[] = {"HA5TST",  "hg5a",    "IT9ABC",   "DL1ABC", "W1AW/KH6", "F/DL1ABC",
                              "HC2AB/8", "HA1X/MM", "HA1X/P",   "/",      "",         " ha1x ",
                              "9A1AA",   "1A0KM",   "KH6/W1AW", "A",      "CON",      "/QRP"};

void CheckLookup(const CountryFile& countries, std::string_view call) {
  const CountryInfo info = countries.Lookup(call);
  if (info.found) {
    Require(!info.prefix.empty() && !info.entity.empty(), "a country found is complete");
    static const char* const kContinents[] = {"EU", "AS", "AF", "NA", "SA", "OC", "AN"};
    Require(std::find(std::begin(kContinents), std::end(kContinents), info.continent) !=
                std::end(kContinents),
            "a country found has a continent");
  } else {
    Require(info.prefix.empty() && info.continent.empty() && info.entity.empty(),
            "a call not found gives nothing");
  }
  std::string lower(call);
  for (char& c : lower) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  const CountryInfo again = countries.Lookup(" " + lower + "\t");
  Require(again.found == info.found && again.prefix == info.prefix &&
              again.continent == info.continent && again.entity == info.entity,
          "a lookup ignores letter case and blanks around the call");
}

void CheckCountryFile(std::string_view input) {
  const size_t nul = input.find('\0');
  const std::string_view file = input.substr(0, nul);
  CountryFile countries;
  std::string error;
  if (!countries.Parse(file, &error)) {
    Require(!error.empty(), "a country file refused says why");
    Require(countries.EntityCount() == 0, "a refused country file changes nothing");
    Require(!countries.Lookup("HA5TST").found, "an empty country list finds nothing");
    return;
  }
  Require(countries.EntityCount() > 0, "a country file read has entities");
  // A second, broken parse must leave the first one's answers alone.
  const CountryInfo kept = countries.Lookup("HA5TST");
  Require(!countries.Parse("broken", &error), "a file of one word is no country file");
  const CountryInfo still = countries.Lookup("HA5TST");
  Require(
      kept.found == still.found && kept.prefix == still.prefix && kept.continent == still.continent,
      "a refused country file keeps the one before");
  if (nul == std::string_view::npos) {
    for (const char* call : kCalls) CheckLookup(countries, call);
    return;
  }
  size_t checked = 0;
  for (std::string_view call : LinesAtLf(input.substr(nul + 1))) {
    if (++checked > 256) break;
    CheckLookup(countries, call);
  }
}

// ---- Encodings ----

// The decoded text, which the readers are then run on when it differs from the bytes.
std::string CheckDecoding(std::string_view bytes) {
  std::string text(bytes);
  const TextDecoding decoding = DecodeLogText(&text);
  Require(IsValidUtf8(text), "the decoded text is valid UTF-8");
  Require(decoding.note.empty() ==
              (text == bytes && IsValidUtf8(bytes) && bytes.substr(0, 3) != "\xEF\xBB\xBF"),
          "a conversion is said, and only a conversion");
  Require(!decoding.damaged || !decoding.note.empty(), "damage is said");
  for (char c : decoding.note) {
    const unsigned char byte = static_cast<unsigned char>(c);
    Require(byte >= 0x20 && byte < 0x7F, "the note is one printable line");
  }
  const std::string valid = ValidUtf8(bytes);
  Require(IsValidUtf8(valid) && (valid == bytes) == IsValidUtf8(bytes),
          "ValidUtf8 mends what is not UTF-8 and leaves the rest");
  const size_t cut = Utf8PrefixLength(text, text.size() / 2);
  Require(cut <= text.size() / 2 && IsValidUtf8(std::string_view(text).substr(0, cut)),
          "a UTF-8 text cut between characters stays valid");
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  CheckAdif(text);
  CheckCabrilloReader(text);
  CheckCabrilloChecker(text);
  CheckCountryFile(text);
  const std::string decoded = CheckDecoding(text);
  if (decoded != text) {
    CheckAdif(decoded);
    CheckCabrilloReader(decoded);
    CheckCabrilloChecker(decoded);
  }
  return 0;
}
