#ifndef TARNO_TOOLS_LOGS_LOG_FILE_H_
#define TARNO_TOOLS_LOGS_LOG_FILE_H_

// Reading a whole input file safely: only a regular file is read (a folder, a device
// or a pipe that never ends is refused), and a file that vanishes or cannot be read
// gives a reason, never an exception.

#include <string>

namespace tarno::score {

bool ReadRegularFile(const std::string& path, std::string* text, std::string* error);

// Writes `bytes` to `path`, replacing it; false when the file did not take them all.
bool WriteWholeFile(const std::string& path, const std::string& bytes);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_LOGS_LOG_FILE_H_
