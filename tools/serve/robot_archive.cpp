#include "serve/robot_archive.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>

namespace tarno::score {
namespace {

la_ssize_t Append(struct archive*, void* target, const void* data, size_t size) {
  static_cast<std::string*>(target)->append(static_cast<const char*>(data), size);
  return static_cast<la_ssize_t>(size);
}

}  // namespace

bool ZipOfLogs(const std::vector<UploadRecord>& logs, std::string* zip) {
  zip->clear();
  struct archive* out = archive_write_new();
  bool ok = archive_write_set_format_zip(out) == ARCHIVE_OK &&
            archive_write_open(out, zip, nullptr, Append, nullptr) == ARCHIVE_OK;
  for (const UploadRecord& log : logs) {
    if (!ok) break;
    // The call is letters, digits and "/" (checked when it came in); "/" would make a folder.
    std::string name = log.call.empty() ? "upload-" + std::to_string(log.id) : log.call;
    std::replace(name.begin(), name.end(), '/', '-');
    struct archive_entry* entry = archive_entry_new();
    archive_entry_set_pathname(entry, (name + "." + log.kind).c_str());
    archive_entry_set_size(entry, static_cast<la_int64_t>(log.bytes.size()));
    archive_entry_set_filetype(entry, AE_IFREG);
    archive_entry_set_perm(entry, 0644);
    archive_entry_set_mtime(entry, static_cast<time_t>(log.receivedUnix), 0);
    ok = archive_write_header(out, entry) == ARCHIVE_OK &&
         archive_write_data(out, log.bytes.data(), log.bytes.size()) ==
             static_cast<la_ssize_t>(log.bytes.size());
    archive_entry_free(entry);
  }
  ok = archive_write_close(out) == ARCHIVE_OK && ok;
  archive_write_free(out);
  return ok;
}

}  // namespace tarno::score
