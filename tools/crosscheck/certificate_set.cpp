#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <set>

#include "cabrillo/cabrillo_log.h"
#include "crosscheck/certificate.h"
#include "crosscheck/certificate_text.h"
#include "crosscheck/log_loading.h"

namespace tarno::score {
namespace {

namespace fs = std::filesystem;

constexpr char kFolderName[] = "certificates";
constexpr char kDefaultZipName[] = "certificates.zip";

// The archive's name as given where it is a plain name of this folder, never a path.
std::string ZipNameOf(const std::string& name, std::vector<std::string>* problems) {
  const bool plain = !name.empty() && name[0] != '.' && name.size() <= 200 &&
                     name.find_first_of("/\\:") == std::string::npos &&
                     std::none_of(name.begin(), name.end(),
                                  [](char c) { return static_cast<unsigned char>(c) < 0x20; });
  if (plain) return name;
  problems->push_back("the certificates' archive cannot be called \"" + CertificateText(name, 60) +
                      "\"; it is " + kDefaultZipName);
  return kDefaultZipName;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool WriteFile(const fs::path& path, const std::string& bytes, std::string* error) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (out) return true;
  *error = "cannot write " + path.string() + ": " + std::strerror(errno);
  return false;
}

// The zip, written as the certificates are drawn; it takes its own name only when
// complete, so a run that stops leaves no archive that looks whole.
class CertificateZip {
 public:
  explicit CertificateZip(const fs::path& path)
      : m_path(path), m_partPath(path.string() + ".part"), m_archive(archive_write_new()) {
    m_open = archive_write_set_format_zip(m_archive) == ARCHIVE_OK &&
             archive_write_open_filename(m_archive, m_partPath.c_str()) == ARCHIVE_OK;
  }
  ~CertificateZip() {
    archive_write_free(m_archive);
    if (!m_done) {
      std::error_code ignored;
      fs::remove(m_partPath, ignored);
    }
  }
  CertificateZip(const CertificateZip&) = delete;
  CertificateZip& operator=(const CertificateZip&) = delete;

  bool Add(const std::string& name, const std::string& bytes, std::string* error) {
    if (!m_open) return Failed(error);
    struct archive_entry* entry = archive_entry_new();
    archive_entry_set_pathname(entry, (std::string(kFolderName) + "/" + name).c_str());
    archive_entry_set_size(entry, static_cast<la_int64_t>(bytes.size()));
    archive_entry_set_filetype(entry, AE_IFREG);
    archive_entry_set_perm(entry, 0644);
    archive_entry_set_mtime(entry, m_now, 0);
    const bool ok = archive_write_header(m_archive, entry) == ARCHIVE_OK &&
                    archive_write_data(m_archive, bytes.data(), bytes.size()) ==
                        static_cast<la_ssize_t>(bytes.size());
    archive_entry_free(entry);
    return ok || Failed(error);
  }

  bool Finish(std::string* error) {
    if (!m_open || archive_write_close(m_archive) != ARCHIVE_OK) return Failed(error);
    std::error_code failure;
    fs::rename(m_partPath, m_path, failure);
    if (failure) {
      *error = "cannot write " + m_path.string() + ": " + failure.message();
      return false;
    }
    m_done = true;
    return true;
  }

 private:
  bool Failed(std::string* error) {
    const char* reason = archive_error_string(m_archive);
    *error = "cannot write " + m_partPath + ": " + (reason ? reason : "archive error");
    return false;
  }

  fs::path m_path;
  std::string m_partPath;
  struct archive* m_archive;
  time_t m_now = std::time(nullptr);
  bool m_open = false;
  bool m_done = false;
};

// Certificates of an earlier run whose entrant this run has none for.
void RemoveStale(const fs::path& folder, const std::set<std::string>& written) {
  std::error_code failure;
  for (fs::directory_iterator it(folder, failure), end; !failure && it != end;
       it.increment(failure)) {
    const fs::path& path = it->path();
    std::error_code ignored;
    if (path.extension() == ".pdf" && it->is_regular_file(ignored) &&
        written.count(path.filename().string()) == 0) {
      fs::remove(path, ignored);
    }
  }
}

}  // namespace

CertificateWriter CertificateWriterOfThisBuild() { return &WriteCertificates; }

bool WriteCertificates(const std::vector<CertificateData>& entrants,
                       const CertificateOptions& options, const std::string& outFolder,
                       std::vector<std::string>* problems) {
  const fs::path folder = fs::path(outFolder) / kFolderName;
  std::error_code failure;
  fs::create_directories(folder, failure);
  if (failure) {
    problems->push_back("cannot make " + folder.string() + ": " + failure.message());
    return false;
  }
  CertificateDrawer drawer(options, problems);
  CertificateZip zip(fs::path(outFolder) / ZipNameOf(options.zipName, problems));
  std::set<std::string> written, writtenLower;
  std::string pdf, error;
  bool ok = true;
  for (const CertificateData& entrant : entrants) {
    const std::string name = CertificateFileName(entrant.call);
    const std::string shown = "\"" + CertificateText(entrant.call, kLongestCall + 4) + "\"";
    if (name.empty()) {
      problems->push_back(shown + " is not a call; no certificate for it");
      continue;
    }
    // Where file names ignore case (and in a zip unpacked there) two would be one file.
    if (!writtenLower.insert(Lower(name)).second) {
      problems->push_back(shown + ": a certificate " + name +
                          " is already written for another entrant; none for this one");
      continue;
    }
    if (!drawer.Draw(entrant, &pdf, &error, problems)) {
      problems->push_back(error);
      ok = false;
      continue;
    }
    if (!WriteFile(folder / name, pdf, &error) || !zip.Add(name, pdf, &error)) {
      problems->push_back(error);
      return false;
    }
    written.insert(name);
  }
  if (!zip.Finish(&error)) {
    problems->push_back(error);
    return false;
  }
  RemoveStale(folder, written);
  return ok;
}

}  // namespace tarno::score
