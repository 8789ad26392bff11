#ifndef TARNO_TOOLS_SERVE_ROBOT_ARCHIVE_H_
#define TARNO_TOOLS_SERVE_ROBOT_ARCHIVE_H_

// All current logs in one zip archive (libarchive), for the sponsor to take home.

#include <string>
#include <vector>

#include "serve/robot_store.h"

namespace tarno::score {

// One entry per log, named by its call ("/" made "-") and kind: "HA5X-P.cbr". False when
// the archive could not be made.
bool ZipOfLogs(const std::vector<UploadRecord>& logs, std::string* zip);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_SERVE_ROBOT_ARCHIVE_H_
