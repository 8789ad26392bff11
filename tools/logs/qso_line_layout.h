#ifndef TARNO_TOOLS_LOGS_QSO_LINE_LAYOUT_H_
#define TARNO_TOOLS_LOGS_QSO_LINE_LAYOUT_H_

// Which of a Cabrillo QSO line's words after the time is which: own call, reports,
// exchanges, worked call, transmitter number. A log keeps one layout from line to line;
// LayoutVote finds it from all the lines, and LayoutOfLine reads each line by it. Values
// only; any thread.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarno::score {

// Some of a line's words, in place in the line: where they start counts, in a log
// written in columns. The words outlive the view.
class QsoFields {
 public:
  QsoFields() = default;
  QsoFields(const std::string_view* first, size_t count) : m_first(first), m_count(count) {}
  size_t size() const { return m_count; }
  bool empty() const { return m_count == 0; }
  std::string_view operator[](size_t index) const { return m_first[index]; }
  const std::string_view* begin() const { return m_first; }
  const std::string_view* end() const { return m_first + m_count; }

 private:
  const std::string_view* m_first = nullptr;
  size_t m_count = 0;
};

// Where each part of a QSO line stands among its words after the time, -1 where the
// line has none.
struct QsoLayout {
  int myCall, rstSent, exchSent, call, rstRcvd, exchRcvd, transmitter;
  const char* name;
};

// The word at `index`, or an empty text for -1.
std::string_view FieldAt(const QsoFields& fields, int index);

constexpr int kQsoLayoutCount = 6;  // with or without reports, transmitter, one report
constexpr int kNoLayout = -1;

// The log's layout (an index of the known layouts, or kNoLayout), and where it is written
// in columns (as this module writes it, each field padded to its width) the character
// each field starts at, counted from the own call's; empty for a log written otherwise.
struct LogLayout {
  int layout = kNoLayout;
  std::vector<size_t> starts;
  // False for a log none of whose lines has a report: there a 59 or 599 where an exchange
  // stands is a serial, and no line is refused for it.
  bool reportsAnywhere = true;
};

// The layout of the log as a whole: the one most of its lines are read by. A line that
// fits one layout by the shape of every field votes for it; only when no line does, the
// lines that fit one layout by their columns alone vote. Memory stays small whatever the
// log: a few counts per layout.
class LayoutVote {
 public:
  // One QSO line's words after the time.
  void Count(const QsoFields& fields);
  LogLayout Chosen() const;

 private:
  using Starts = std::array<size_t, 7>;  // a layout has seven fields at most
  struct CountedStarts {
    Starts starts;
    size_t lines;
  };

  void CountStarts(int layout, const QsoFields& fields);

  size_t m_strict[kQsoLayoutCount] = {};
  size_t m_byColumns[kQsoLayoutCount] = {};
  std::vector<CountedStarts> m_starts[kQsoLayoutCount];
};

// The layout a line is read by; false with the reason. Field by field first: the log's
// layout where the line fits it; in a log written in columns, the columns its fields
// stand in; else the one layout the line fits (a logger leaves out a report it has not
// got). Then by the columns of own call, reports and transmitter alone, the log's first,
// so that a busted call or an odd exchange is read where it stands. A line that fits
// neither way, or more than one layout, is refused, never read with its fields shifted.
// Where one side has no report and its exchange reads as one (59, 599, 5NN) in a log with
// reports elsewhere, the line is refused too, with `doubtful` (when given) set and the
// reading in `found`: the line may as well have lost its exchange.
bool LayoutOfLine(const QsoFields& fields, const LogLayout& log, QsoLayout* found,
                  std::string* reason, bool* doubtful = nullptr);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_LOGS_QSO_LINE_LAYOUT_H_
