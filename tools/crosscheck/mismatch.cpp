#include "crosscheck/mismatch.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "crosscheck/contest_period.h"
#include "crosscheck/matching.h"
#include "crosscheck/verdict_text.h"
#include "logs/bands.h"

namespace tarno::score {
namespace {

constexpr long long kNeighbourhood = 30 * 60;
constexpr size_t kMostNeighbours = 200;  // each way: a dense log stays linear
constexpr size_t kMostCandidates = 64;

// Where a band's CW part ends and its phone part begins, in kHz. 160 m is worked in either
// mode across it.
struct Segments {
  const char* band;
  uint32_t lowKHz;
  uint32_t cwTopKHz;
  uint32_t phoneFromKHz;
};
constexpr Segments kSegments[] = {{"80m", 3500, 3580, 3600},
                                  {"40m", 7000, 7040, 7050},
                                  {"20m", 14000, 14070, 14100},
                                  {"15m", 21000, 21070, 21150},
                                  {"10m", 28000, 28070, 28300}};

struct Side {
  long long seconds;
  uint32_t record;
};

bool Eligible(const QsoRecord& qso, bool outside) {
  return qso.partner == kNoRecord &&
         qso.verdict == (outside ? Verdict::kOutside : Verdict::kPending);
}

// Exactly one of band and mode differs.
MatchKind MismatchOf(const QsoRecord& a, const QsoRecord& b) {
  const bool band = a.band != b.band, mode = a.mode != b.mode;
  if (band == mode) return MatchKind::kNone;
  return band ? MatchKind::kBand : MatchKind::kMode;
}

void PairSides(const std::vector<Side>& mine, const std::vector<Side>& theirs, bool mineOutside,
               bool theirsOutside, long long window, ContestSet* set) {
  size_t from = 0;
  for (const Side& a : mine) {
    if (!Eligible(set->qsos[a.record], mineOutside)) continue;
    while (from < theirs.size() && theirs[from].seconds < a.seconds - window) ++from;
    uint32_t best = kNoRecord;
    long long bestGap = 0;
    MatchKind bestKind = MatchKind::kNone;
    for (size_t j = from;
         j < theirs.size() && j < from + kMostCandidates && theirs[j].seconds <= a.seconds + window;
         ++j) {
      const QsoRecord& b = set->qsos[theirs[j].record];
      const MatchKind kind = MismatchOf(set->qsos[a.record], b);
      if (!Eligible(b, theirsOutside) || kind == MatchKind::kNone) continue;
      const long long gap = std::llabs(theirs[j].seconds - a.seconds);
      if (best == kNoRecord || gap < bestGap) {
        best = theirs[j].record;
        bestGap = gap;
        bestKind = kind;
      }
    }
    if (best == kNoRecord) continue;
    Pair(set, a.record, best, bestKind);
    Judge(&set->qsos[a.record], Verdict::kOk);
    Judge(&set->qsos[best], Verdict::kOk);
  }
}

// What one side's evidence shows against its own line: the kinds of evidence (1 to 3) that
// show it wrong, and why, in the entrant's words.
struct Evidence {
  bool shown[4] = {};
  std::string why[4];
};

std::string KHz(uint32_t freqHz) { return std::to_string(freqHz / 1000) + " kHz"; }

// The frequency against the line's own band or mode.
bool FrequencyContradicts(const ContestSet& set, const QsoRecord& qso, MatchKind kind,
                          std::string* why) {
  if (qso.freqHz == 0) return false;
  const std::string& band = set.texts.Text(qso.band);
  if (kind == MatchKind::kBand) {
    if (AdifBandOfFrequency(qso.freqHz) == band) return false;
    *why = "your frequency, " + KHz(qso.freqHz) + ", is not on " + band;
    return true;
  }
  const uint32_t kHz = qso.freqHz / 1000;
  const std::string& mode = set.texts.Text(qso.mode);
  for (const Segments& segments : kSegments) {
    if (band != segments.band || kHz == segments.lowKHz) continue;
    if (mode == "CW" && kHz >= segments.phoneFromKHz) {
      *why = "your frequency, " + KHz(qso.freqHz) + ", is in the phone part of " + band;
      return true;
    }
    if (mode == "SSB" && kHz <= segments.cwTopKHz) {
      *why = "your frequency, " + KHz(qso.freqHz) + ", is in the CW part of " + band;
      return true;
    }
  }
  return false;
}

uint32_t AxisOf(const QsoRecord& qso, MatchKind kind) {
  return kind == MatchKind::kBand ? qso.band : qso.mode;
}

std::string Where(const ContestSet& set, const QsoRecord& qso, MatchKind kind) {
  return (kind == MatchKind::kBand ? "on " : "in ") + set.texts.Text(AxisOf(qso, kind));
}

Evidence EvidenceOf(const ContestSet& set, uint32_t record, MatchKind kind) {
  Evidence evidence;
  const QsoRecord& qso = set.qsos[record];
  const QsoRecord& other = set.qsos[qso.partner];
  evidence.shown[1] = FrequencyContradicts(set, qso, kind, &evidence.why[1]);
  const EntrantLog& log = set.logs[qso.log];
  const long long t = CorrectedSeconds(set, qso);
  const uint32_t own = AxisOf(qso, kind), theirs = AxisOf(other, kind);
  int exactOwn = 0, exactTheirs = 0, mismatchOwn = 0;
  const auto count = [&](const QsoRecord& line) {
    if (!line.readable || line.partner == kNoRecord) return;
    if (line.match == MatchKind::kExact) {
      exactOwn += AxisOf(line, kind) == own;
      exactTheirs += AxisOf(line, kind) == theirs;
    } else if (line.match == kind) {
      mismatchOwn += AxisOf(line, kind) == own;
    }
  };
  for (size_t i = record, n = 0; i > log.firstQso && n < kMostNeighbours; ++n) {
    const QsoRecord& line = set.qsos[--i];
    if (line.readable && CorrectedSeconds(set, line) < t - kNeighbourhood) break;
    count(line);
  }
  for (size_t i = record + 1, n = 0; i < log.firstQso + log.qsoCount && n < kMostNeighbours;
       ++i, ++n) {
    const QsoRecord& line = set.qsos[i];
    if (line.readable && CorrectedSeconds(set, line) > t + kNeighbourhood) break;
    count(line);
  }
  if (mismatchOwn >= 2 && mismatchOwn + 1 > exactOwn) {
    evidence.shown[2] = true;
    evidence.why[2] = std::to_string(mismatchOwn) + " more of your QSOs " + Where(set, qso, kind) +
                      " within 30 minutes were logged " +
                      (kind == MatchKind::kBand ? "on another band" : "in another mode") +
                      " by their partners";
  }
  if (exactTheirs >= 1 && exactOwn == 0) {
    evidence.shown[3] = true;
    evidence.why[3] = "your other QSOs within 30 minutes were " + Where(set, other, kind) +
                      ", none " + Where(set, qso, kind);
  }
  return evidence;
}

std::string Logged(const ContestSet& set, const QsoRecord& other, MatchKind kind) {
  return OwnerOf(set, other) + " logged it " + Where(set, other, kind) + " (" +
         ItsLine(set, other) + ")";
}

void JudgePair(const ContestRules& rules, uint32_t a, ContestSet* set) {
  QsoRecord& qa = set->qsos[a];
  QsoRecord& qb = set->qsos[qa.partner];
  const MatchKind kind = qa.match;
  const Verdict lost = kind == MatchKind::kBand ? Verdict::kBandMismatch : Verdict::kModeMismatch;
  const Evidence ea = EvidenceOf(*set, a, kind), eb = EvidenceOf(*set, qa.partner, kind);
  int tier = 1;
  while (tier <= 3 && !ea.shown[tier] && !eb.shown[tier]) ++tier;
  const bool decided = tier <= 2 || (tier == 3 && ea.shown[3] != eb.shown[3]);
  if (!decided) {
    const std::string undecided =
        std::string("; the logs cannot tell which ") +
        (kind == MatchKind::kBand ? "band" : "mode") + " is right" +
        (rules.undecidedBothLose ? "" : ", and the contest's rules credit both sides");
    for (auto [self, other] : {std::pair{&qa, &qb}, std::pair{&qb, &qa}}) {
      if (self->verdict == Verdict::kOutside) continue;
      if (rules.undecidedBothLose) self->verdict = lost;
      self->note = set->texts.Intern(Logged(*set, *other, kind) + undecided);
    }
    return;
  }
  for (auto [self, other, mine] : {std::tuple{&qa, &qb, &ea}, std::tuple{&qb, &qa, &eb}}) {
    if (self->verdict == Verdict::kOutside) continue;
    if (mine->shown[tier]) {
      self->verdict = lost;
      self->note = set->texts.Intern(Logged(*set, *other, kind) + ", and your " +
                                     (kind == MatchKind::kBand ? "band" : "mode") +
                                     " is shown wrong: " + mine->why[tier]);
    } else {
      self->note = set->texts.Intern(Logged(*set, *other, kind) + ": its error, not yours");
    }
  }
}

}  // namespace

void PairMismatches(const PairIndex& index, long long window, ContestSet* set) {
  const auto& entries = index.entries();
  std::vector<Side> low, high;
  // Each record the index names is a miss of the cache: the one some entries ahead is asked
  // for while this one is read.
  constexpr size_t kAhead = 24;
  for (size_t first = 0, last; first < entries.size(); first = last) {
    last = first;
    low.clear();
    high.clear();
    for (; last < entries.size() && entries[last].low == entries[first].low &&
           entries[last].high == entries[first].high;
         ++last) {
      if (last + kAhead < entries.size())
        __builtin_prefetch(&set->qsos[entries[last + kAhead].record]);
      const QsoRecord& qso = set->qsos[entries[last].record];
      if (qso.partner != kNoRecord ||
          (qso.verdict != Verdict::kPending && qso.verdict != Verdict::kOutside)) {
        continue;
      }
      (entries[last].fromHigh ? high : low)
          .push_back({CorrectedSeconds(*set, qso), entries[last].record});
    }
    if (low.empty() || high.empty() || entries[first].low == entries[first].high) continue;
    const auto byTime = [](const Side& a, const Side& b) {
      return a.seconds != b.seconds ? a.seconds < b.seconds : a.record < b.record;
    };
    std::sort(low.begin(), low.end(), byTime);
    std::sort(high.begin(), high.end(), byTime);
    PairSides(low, high, false, false, window, set);
    PairSides(low, high, false, true, window, set);
    PairSides(high, low, false, true, window, set);
  }
}

void JudgeMismatches(const ContestRules& rules, ContestSet* set) {
  for (uint32_t i = 0; i < set->qsos.size(); ++i) {
    const QsoRecord& qso = set->qsos[i];
    if ((qso.match == MatchKind::kBand || qso.match == MatchKind::kMode) && i < qso.partner)
      JudgePair(rules, i, set);
  }
}

}  // namespace tarno::score
