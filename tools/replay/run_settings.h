#ifndef TARNO_TOOLS_REPLAY_RUN_SETTINGS_H_
#define TARNO_TOOLS_REPLAY_RUN_SETTINGS_H_

// The plug-in's settings for one run of tarno-score: one run, one station. The Cabrillo
// header's personal fields (name, operators, soapbox, ...) go where the plug-in reads
// them, its settings file; the category fields, which the plug-in takes only from its
// header dialog, become the answers the autopilot types into that dialog.

#include <string>
#include <utility>
#include <vector>

#include "replay/desktop_autopilot.h"

namespace tarno::score {

// The Cabrillo header as the options and the header file give it: each field by its
// Cabrillo tag ("CATEGORY-POWER", "NAME", "SOAPBOX"), multi-line fields with CR LF.
using HeaderFields = std::vector<std::pair<std::string, std::string>>;

// Reads a header file of Cabrillo header lines ("NAME: Jo Smith", "CATEGORY-POWER: LOW");
// repeated OPERATORS and SOAPBOX lines make one value of several lines. False with the
// reason, naming the line, for a file that cannot be read or a tag the header has not.
bool ReadHeaderFile(const std::string& path, HeaderFields* fields, std::string* error);

// Whether the tool can set the header field of this Cabrillo tag ("NAME", "CATEGORY-POWER").
bool IsHeaderTag(const std::string& tag);

// The header file's fields with the options' fields over them.
HeaderFields MergedHeader(const HeaderFields& file, const HeaderFields& options);

// Writes Plugins/TARNO-Contest.ini in the current folder: a new file (or, with `keep`,
// the one already there) that says Master=1, so that scoring never reaches for a logger
// running on the same desktop, holding the header's personal fields. Each value is read
// back. False with the reason when the file cannot be written; `warnings` gets values
// the plug-in will cut short.
bool WriteRunSettings(const HeaderFields& header, bool keep, std::vector<std::string>* warnings,
                      std::string* error);

// The header's category fields, upper-cased, for the header dialog.
DialogAnswers CategoryAnswers(const HeaderFields& header);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_REPLAY_RUN_SETTINGS_H_
