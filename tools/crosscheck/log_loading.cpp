#include "crosscheck/log_loading.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <thread>
#include <tuple>

#include "contest/ascii_text.h"
#include "logs/adif_reader.h"
#include "logs/cabrillo_reader.h"
#include "logs/log_text.h"

namespace tarno::score {
namespace {

namespace fs = std::filesystem;

// In blocks: a log of a million lines is read as fast as the disk gives it.
bool ReadWholeFile(const std::string& path, std::string* text, std::string* error) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) {
    *error = std::string("cannot be read: ") + std::strerror(errno);
    return false;
  }
  text->clear();
  char block[1 << 16];
  size_t got;
  while ((got = std::fread(block, 1, sizeof block, file)) > 0) text->append(block, got);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) {
    *error = "cannot be read to the end";
    return false;
  }
  return true;
}

bool HasCabrilloStart(const std::string& text) {
  const size_t probe = std::min<size_t>(text.size(), 4096);
  return UpperAscii(std::string_view(text).substr(0, probe)).find("START-OF-LOG:") !=
         std::string::npos;
}

long long ClaimedOf(const std::string& text) {
  if (text.empty() || text.size() > 15) return -1;
  for (char c : text) {
    if (c < '0' || c > '9') return -1;
  }
  return std::stoll(text);
}

// A text from a log as a message shows it: quoted, what a terminal would act on blanked,
// cut short.
std::string Shown(std::string_view text) {
  std::string shown = "\"";
  for (size_t i = 0; i < text.size() && i < 40; ++i)
    shown += text[i] >= ' ' && text[i] <= '~' ? text[i] : '?';
  return shown + (text.size() > 40 ? "...\"" : "\"");
}

// Whether the parsed file can be used; the reason when it cannot.
bool UsableLog(bool adif, bool cabrilloStart, const ReadLog& log, std::string* call,
               std::string* reason) {
  if (log.qsos.empty() && log.skipped.empty() && (adif || !cabrilloStart)) {
    *reason = "is not a log: it holds no QSO";
    return false;
  }
  const std::string contest = UpperAscii(TrimAscii(log.contest));
  if (!contest.empty() && contest.rfind("TARNO", 0) != 0) {
    *reason = "is a log of another contest (CONTEST: " + log.contest + ")";
    return false;
  }
  *call = log.ownCall;
  if (call->empty() && adif && !log.qsos.empty()) *call = log.qsos.front().stationCall;
  *call = UpperAscii(TrimAscii(*call));
  if (call->empty()) {
    *reason = adif ? "does not say the own call (no STATION_CALLSIGN)" : "has no CALLSIGN: line";
    return false;
  }
  if (!IsCallShaped(*call)) {
    *reason = "has an own call that is not a call: " + Shown(*call) +
              " (letters, digits and /, at least one letter and one digit, at most " +
              std::to_string(kLongestCall) + ")";
    return false;
  }
  return true;
}

// A log made compact on its reader's thread, its texts in a pool of its own; storing it
// then only interns each distinct text once (see StoreLog).
struct CompactLog {
  StringPool texts;
  std::vector<QsoRecord> qsos;
};

// Most fields repeat from one line to the next (the own call, band, mode, reports): a text
// equal to the one before keeps its id without a look-up.
class RepeatedField {
 public:
  uint32_t Id(const std::string& text, StringPool* texts) {
    if (!m_seen || texts->Text(m_id) != text) m_id = texts->Intern(text);
    m_seen = true;
    return m_id;
  }

 private:
  bool m_seen = false;
  uint32_t m_id = 0;
};

struct LineFields {
  RepeatedField stationCall, band, mode, rstSent, rstRcvd, exchSent, continent;
};

bool HasLowerCase(const std::string& text) {
  for (char c : text) {
    if (c >= 'a' && c <= 'z') return true;
  }
  return false;
}

QsoRecord RecordOf(const LogQso& qso, LineFields* fields, StringPool* texts) {
  QsoRecord record;
  record.oleDays = qso.oleDays;
  record.line = static_cast<uint32_t>(qso.source);
  record.workedAsLogged = texts->Intern(qso.call);
  record.worked =
      HasLowerCase(qso.call) ? texts->Intern(UpperAscii(qso.call)) : record.workedAsLogged;
  record.stationCall = fields->stationCall.Id(qso.stationCall, texts);
  record.freqHz = qso.freqHz;
  record.band = fields->band.Id(qso.band, texts);
  record.mode = fields->mode.Id(qso.mode, texts);
  record.rstSent = fields->rstSent.Id(qso.rstSent, texts);
  record.rstRcvd = fields->rstRcvd.Id(qso.rstRcvd, texts);
  record.exchSent = fields->exchSent.Id(qso.exchSent, texts);
  record.exchRcvd = texts->Intern(qso.exchRcvd);
  record.continent = fields->continent.Id(qso.continent, texts);
  return record;
}

// The log's QSOs and its unreadable lines, in time order: the plug-in judges dupes in the
// order it is given QSOs, and a log whose lines are out of order (a QSO typed in later, a
// logger that writes the newest first) would make the real QSO the dupe of a later one.
void Compact(const ReadLog& read, CompactLog* log) {
  // Most lines bring a call and an exchange of their own; the rest repeat.
  log->texts.Reserve(2 * (read.qsos.size() + read.skipped.size()) + 16);
  log->qsos.reserve(read.qsos.size() + read.skipped.size());
  LineFields fields;
  size_t next = 0;
  size_t refused = 0;  // the reader's readings of refused lines, in their order
  for (const LogProblem& problem : read.skipped) {
    for (; next < read.qsos.size() && read.qsos[next].source < problem.source; ++next)
      log->qsos.push_back(RecordOf(read.qsos[next], &fields, &log->texts));
    while (refused < read.refusedReadings.size() &&
           read.refusedReadings[refused].source < problem.source) {
      ++refused;
    }
    QsoRecord record;
    // A line refused for a doubt keeps its reading as evidence of the contact for the
    // other side, but is never replayed.
    const bool reading = refused < read.refusedReadings.size() &&
                         read.refusedReadings[refused].source == problem.source;
    if (reading) record = RecordOf(read.refusedReadings[refused], &fields, &log->texts);
    record.refused = reading;
    record.line = static_cast<uint32_t>(problem.source);
    record.readable = reading;
    record.verdict = Verdict::kInvalid;
    record.note = log->texts.Intern("not read: " + problem.reason);
    log->qsos.push_back(record);
  }
  for (; next < read.qsos.size(); ++next)
    log->qsos.push_back(RecordOf(read.qsos[next], &fields, &log->texts));
  // Unreadable lines have no time; they go first, where they disturb nothing.
  const auto byTime = [](const QsoRecord& a, const QsoRecord& b) {
    return (a.readable ? a.oleDays : -1.0) < (b.readable ? b.oleDays : -1.0);
  };
  if (!std::is_sorted(log->qsos.begin(), log->qsos.end(), byTime))
    std::stable_sort(log->qsos.begin(), log->qsos.end(), byTime);
}

void StoreLog(const std::string& file, size_t fileOrder, fs::file_time_type modified,
              const std::string& call, bool adif, const ReadLog& read, const CompactLog& compact,
              EntrantHeader header, ContestSet* set) {
  EntrantLog log;
  log.adif = adif;
  log.file = file;
  log.fileOrder = fileOrder;
  log.modified = modified;
  log.call = call;
  log.callId = set->texts.Intern(call);
  log.contest = read.contest;
  log.claimedHeader = ClaimedOf(std::string(TrimAscii(read.claimedScore)));
  log.header = std::move(header);
  log.firstQso = set->qsos.size();
  log.qsoCount = compact.qsos.size();
  std::vector<uint32_t> id(compact.texts.Size());
  for (uint32_t i = 0; i < id.size(); ++i)
    id[i] = set->texts.Intern(compact.texts.Text(i), compact.texts.HashOf(i));
  const uint32_t logIndex = static_cast<uint32_t>(set->logs.size());
  for (QsoRecord record : compact.qsos) {
    record.log = logIndex;
    for (uint32_t* text : {&record.worked, &record.workedAsLogged, &record.stationCall,
                           &record.band, &record.mode, &record.rstSent, &record.rstRcvd,
                           &record.exchSent, &record.exchRcvd, &record.continent, &record.note}) {
      *text = id[*text];
    }
    set->qsos.push_back(record);
  }
  set->logs.push_back(std::move(log));
}

// Of several logs of one call the one sent last is used: an entrant who sends a corrected
// log means it to replace the first, whatever the files are called.
void SettleSameCalls(ContestSet* set) {
  std::vector<size_t> order(set->logs.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    const EntrantLog& x = set->logs[a];
    const EntrantLog& y = set->logs[b];
    return std::tie(x.callId, x.modified, x.fileOrder) <
           std::tie(y.callId, y.modified, y.fileOrder);
  });
  set->logOfCall.assign(set->texts.Size(), -1);
  for (size_t first = 0, last; first < order.size(); first = last) {
    for (last = first + 1;
         last < order.size() && set->logs[order[last]].callId == set->logs[order[first]].callId;)
      ++last;
    EntrantLog& used = set->logs[order[last - 1]];
    set->logOfCall[used.callId] = static_cast<int32_t>(order[last - 1]);
    for (size_t i = first; i + 1 < last; ++i) {
      EntrantLog& log = set->logs[order[i]];
      log.used = false;
      used.setAside.push_back(log.file);
      const std::string message =
          log.modified < used.modified
              ? "is an earlier log of " + log.call + "; " + used.file + ", sent last, is used"
              : "is a log of " + log.call + " sent at the same time as " + used.file +
                    ", which is named later and used";
      set->problems.push_back({log.file, message + " instead", true});
    }
  }
}

// Whether `file` is one the cross-check writes into `outFolder` (crosscheck_main.cpp), or
// one of its folders there: a sponsor may point --out at the logs' own folder, or name its
// files among the logs.
bool IsOwnOutput(const fs::path& file, const std::string& outFolder) {
  const std::string name = UpperAscii(file.filename().string());
  const auto endsWith = [&](const char* tail) {
    const size_t size = std::char_traits<char>::length(tail);
    return name.size() > size && name.compare(name.size() - size, size, tail) == 0;
  };
  // Reports (.ubn) and pages (.html: the results' and every entrant's); the certificates'
  // archive, the Hungarian pages' and the certificates' folders.
  const bool entrantFile = endsWith(".UBN") || endsWith(".HTML") || endsWith(".ZIP") ||
                           name == "HU" || name == "CERTIFICATES";
  if (outFolder.empty() ||
      (!entrantFile && name != "VERDICTS.CSV" && name != "RESULTS.CSV" && name != "CLUBS.CSV" &&
       name != "REVIEW.CSV" && name != "RESULTS.JSON")) {
    return false;
  }
  std::error_code error;
  const fs::path folder = fs::absolute(file, error).parent_path();
  if (!error && fs::equivalent(folder, outFolder, error)) return true;
  // The pages in the other languages lie in their folders under --out (hu/).
  return endsWith(".HTML") && folder.filename() == "hu" &&
         fs::equivalent(folder.parent_path(), outFolder, error);
}

}  // namespace

bool IsCallShaped(std::string_view call) {
  bool letter = false, digit = false;
  for (char c : call) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
      letter = true;
    } else if (c >= '0' && c <= '9') {
      digit = true;
    } else if (c != '/') {
      return false;
    }
  }
  return letter && digit && call.size() <= kLongestCall;
}

std::vector<std::string> ListLogFiles(const std::vector<std::string>& paths,
                                      std::vector<FileProblem>* problems,
                                      const std::string& outFolder) {
  std::vector<std::string> files;
  for (const std::string& path : paths) {
    std::error_code error;
    if (fs::is_directory(path, error)) {
      if (IsOwnOutput(path, outFolder)) continue;
      std::vector<std::string> inFolder;
      fs::recursive_directory_iterator entries(path, error), end;
      const bool opened = !error;
      if (!opened) problems->push_back({path, "cannot be read: " + error.message(), true});
      for (; !error && entries != end; entries.increment(error)) {
        const fs::directory_entry& entry = *entries;
        const std::string name = entry.path().filename().string();
        const bool hidden = name.empty() || name[0] == '.';
        std::error_code kind;
        if (entry.is_directory(kind)) {
          if (hidden || (!outFolder.empty() && fs::equivalent(entry.path(), outFolder, kind)) ||
              IsOwnOutput(entry.path(), outFolder))
            entries.disable_recursion_pending();
        } else if (!hidden && entry.is_regular_file(kind) &&
                   !IsOwnOutput(entry.path(), outFolder)) {
          inFolder.push_back(entry.path().string());
        }
      }
      // A folder that stops being readable part way is told, with what was listed kept.
      if (error && opened)
        problems->push_back({path, "could not be read to the end: " + error.message(), true});
      std::sort(inFolder.begin(), inFolder.end());
      files.insert(files.end(), inFolder.begin(), inFolder.end());
    } else if (fs::exists(path, error)) {
      if (!IsOwnOutput(path, outFolder)) files.push_back(path);
    } else {
      problems->push_back({path, "does not exist", true});
    }
  }
  return files;
}

void LoadContestSet(const std::vector<std::string>& files, int threads, Progress* progress,
                    ContestSet* set) {
  // Room for the lines the files can hold (a QSO line takes some 80 bytes), so that the
  // records are never copied as they grow; room not filled takes no memory.
  uintmax_t bytes = 0;
  for (const std::string& file : files) {
    std::error_code unknown;
    const uintmax_t size = fs::file_size(file, unknown);
    if (!unknown) bytes += size;
  }
  set->qsos.reserve(static_cast<size_t>(std::min<uintmax_t>(bytes / 64, uintmax_t{1} << 26)));
  std::atomic<size_t> next{0};
  size_t stored = 0;  // files are stored in their order, so that every run numbers alike
  std::mutex store;
  std::condition_variable turn;
  auto work = [&]() {
    for (size_t i; (i = next++) < files.size();) {
      std::string text;
      std::string reason;
      std::string call;
      ReadLog read;
      CompactLog compact;
      bool adif = false;
      EntrantHeader header;
      std::error_code unknown;
      fs::file_time_type modified = fs::last_write_time(files[i], unknown);
      if (unknown) modified = fs::file_time_type::min();
      std::vector<std::string> notes;
      bool usable = ReadWholeFile(files[i], &text, &reason);
      if (usable) {
        const TextDecoding decoding = DecodeLogText(&text);
        if (!decoding.note.empty()) notes.push_back(decoding.note);
        adif = LooksLikeAdif(text);
        const bool cabrilloStart = !adif && HasCabrilloStart(text);
        read = adif ? ReadAdif(text) : ReadCabrillo(text);
        notes.insert(notes.end(), read.fileNotes.begin(), read.fileNotes.end());
        if (!adif) header = ReadEntrantHeader(text);
        std::string().swap(text);
        usable = UsableLog(adif, cabrilloStart, read, &call, &reason);
        if (usable) Compact(read, &compact);
        read.qsos = std::vector<LogQso>();
        read.skipped = std::vector<LogProblem>();
        read.refusedReadings = std::vector<LogQso>();
      }
      std::unique_lock<std::mutex> lock(store);
      turn.wait(lock, [&] { return stored == i; });
      for (std::string& note : notes) set->problems.push_back({files[i], std::move(note), false});
      if (usable) {
        StoreLog(files[i], i, modified, call, adif, read, compact, std::move(header), set);
      } else {
        set->problems.push_back({files[i], reason, true});
      }
      ++stored;
      turn.notify_all();
      progress->Show("reading logs", stored, files.size());
    }
  };
  std::vector<std::thread> workers;
  for (int t = 1; t < threads; ++t) workers.emplace_back(work);
  work();
  for (std::thread& worker : workers) worker.join();
  progress->Finish();
  SettleSameCalls(set);
}

}  // namespace tarno::score
