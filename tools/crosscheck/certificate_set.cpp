#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

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
    m_open = archive_write_set_format_zip(m_archive) == ARCHIVE_OK;
    // The PDFs inside are deflated already: the default, thorough pass over them saved
    // one per cent of the archive for a tenth of a contest's processor time. A library
    // that lacks the option keeps its default.
    if (m_open) archive_write_set_options(m_archive, "zip:compression-level=1");
    m_open = m_open && archive_write_open_filename(m_archive, m_partPath.c_str()) == ARCHIVE_OK;
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

// One entrant's certificate as a drawing thread left it.
struct Drawn {
  bool ready = false;
  bool ok = false;
  std::string pdf;
  std::string error;
  std::vector<std::string> notes;
};

// Certificates drawn ahead on threads of their own, each thread with a drawer of its own
// (pango's font map is per thread, and cairo may mark a source image as it draws it), and
// handed back in order. At most two per thread wait to be taken, so memory stays that of a
// few certificates whatever their number.
class DrawingPool {
 public:
  // The image problems are told once, by the first drawer.
  DrawingPool(const std::vector<const CertificateData*>& work, const CertificateOptions& options,
              int threads, std::vector<std::string>* problems)
      : m_work(work), m_slots(2 * static_cast<size_t>(std::max(threads, 1))) {
    for (int t = 0; t < std::max(threads, 1); ++t)
      m_drawers.push_back(
          std::make_unique<CertificateDrawer>(options, t == 0 ? problems : nullptr));
    for (const auto& drawer : m_drawers)
      m_threads.emplace_back([this, one = drawer.get()] { Work(*one); });
  }
  ~DrawingPool() {
    {
      std::lock_guard<std::mutex> hold(m_mutex);
      m_stop = true;
    }
    m_changed.notify_all();
    for (std::thread& thread : m_threads) thread.join();
  }
  DrawingPool(const DrawingPool&) = delete;
  DrawingPool& operator=(const DrawingPool&) = delete;

  // The certificate of work[position], once drawn; positions are taken in order.
  Drawn Take(size_t position) {
    std::unique_lock<std::mutex> hold(m_mutex);
    Drawn& slot = m_slots[position % m_slots.size()];
    m_changed.wait(hold, [&slot] { return slot.ready; });
    Drawn certificate = std::move(slot);
    slot = Drawn();
    m_taken = position + 1;
    m_changed.notify_all();
    return certificate;
  }

 private:
  void Work(const CertificateDrawer& drawer) {
    for (;;) {
      size_t position = 0;
      {
        std::unique_lock<std::mutex> hold(m_mutex);
        // A slot is free again once the certificate a round earlier is taken.
        m_changed.wait(hold, [this] {
          return m_stop || m_next >= m_work.size() || m_next < m_taken + m_slots.size();
        });
        if (m_stop || m_next >= m_work.size()) return;
        position = m_next++;
      }
      Drawn certificate;
      certificate.ok =
          drawer.Draw(*m_work[position], &certificate.pdf, &certificate.error, &certificate.notes);
      certificate.ready = true;
      {
        std::lock_guard<std::mutex> hold(m_mutex);
        m_slots[position % m_slots.size()] = std::move(certificate);
      }
      m_changed.notify_all();
    }
  }

  const std::vector<const CertificateData*>& m_work;
  std::vector<std::unique_ptr<CertificateDrawer>> m_drawers;
  std::vector<std::thread> m_threads;
  std::mutex m_mutex;
  std::condition_variable m_changed;
  std::vector<Drawn> m_slots;
  size_t m_next = 0;   // the next position a thread draws
  size_t m_taken = 0;  // positions taken so far
  bool m_stop = false;
};

}  // namespace

CertificateWriter CertificateWriterOfThisBuild() { return &WriteCertificates; }

bool WriteCertificates(const std::vector<CertificateData>& entrants,
                       const CertificateOptions& options, const std::string& outFolder,
                       std::vector<std::string>* problems, int threads) {
  const fs::path folder = fs::path(outFolder) / kFolderName;
  std::error_code failure;
  fs::create_directories(folder, failure);
  if (failure) {
    problems->push_back("cannot make " + folder.string() + ": " + failure.message());
    return false;
  }
  // Each entrant's file name, or why it gets none, is settled before any drawing.
  std::vector<std::string> names(entrants.size()), refused(entrants.size());
  std::vector<const CertificateData*> drawn;
  std::set<std::string> lowerNames;
  for (size_t i = 0; i < entrants.size(); ++i) {
    const std::string name = CertificateFileName(entrants[i].call);
    const std::string shown = "\"" + CertificateText(entrants[i].call, kLongestCall + 4) + "\"";
    if (name.empty()) {
      refused[i] = shown + " is not a call; no certificate for it";
    } else if (!lowerNames.insert(Lower(name)).second) {
      // Where file names ignore case (and in a zip unpacked there) two would be one file.
      refused[i] = shown + ": a certificate " + name +
                   " is already written for another entrant; none for this one";
    } else {
      names[i] = name;
      drawn.push_back(&entrants[i]);
    }
  }
  DrawingPool pool(drawn, options, threads, problems);
  CertificateZip zip(fs::path(outFolder) / ZipNameOf(options.zipName, problems));
  std::set<std::string> written;
  std::string error;
  bool ok = true;
  size_t next = 0;
  for (size_t i = 0; i < entrants.size(); ++i) {
    if (names[i].empty()) {
      problems->push_back(refused[i]);
      continue;
    }
    Drawn certificate = pool.Take(next++);
    problems->insert(problems->end(), certificate.notes.begin(), certificate.notes.end());
    if (!certificate.ok) {
      problems->push_back(certificate.error);
      ok = false;
      continue;
    }
    if (!WriteFile(folder / names[i], certificate.pdf, &error) ||
        !zip.Add(names[i], certificate.pdf, &error)) {
      problems->push_back(error);
      return false;
    }
    written.insert(names[i]);
  }
  if (!zip.Finish(&error)) {
    problems->push_back(error);
    return false;
  }
  RemoveStale(folder, written);
  return ok;
}

}  // namespace tarno::score
