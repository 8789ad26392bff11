#include "logs/log_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>

namespace tarno::score {

bool ReadRegularFile(const std::string& path, std::string* text, std::string* error) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    *error = "cannot read " + path + ": " + std::strerror(errno);
    return false;
  }
  if (!S_ISREG(info.st_mode)) {
    *error = path + " is " + (S_ISDIR(info.st_mode) ? "a folder" : "not a regular file") +
             ", not a log file";
    return false;
  }
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) {
    *error = "cannot read " + path + ": " + std::strerror(errno);
    return false;
  }
  text->clear();
  bool ok = true;
  try {
    // Room for the whole file at once: grown by doubling, a 20 MB log would take 32.
    text->reserve(static_cast<size_t>(info.st_size));
    char buffer[1 << 16];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
      text->append(buffer, got);
    }
  } catch (const std::exception&) {  // no memory for it, or more than a string can hold
    *error = path + " is too large to read into memory";
    ok = false;
  }
  if (ok && std::ferror(file)) {
    *error = "reading " + path + " failed: " + std::strerror(errno);
    ok = false;
  }
  std::fclose(file);
  return ok;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace tarno::score
