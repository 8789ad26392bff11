#ifndef TARNO_TOOLS_CROSSCHECK_CERTIFICATE_H_
#define TARNO_TOOLS_CROSSCHECK_CERTIFICATE_H_

// Certificates for the published results: one A4 landscape PDF page per entrant, in
// Hungarian and English on the same page, drawn with cairo and laid out with pango (Linux
// only: the Windows build has no certificates).
//
// Everything in CertificateData and the contest's texts is shown as text, never read as
// markup or used as a path; text that is not UTF-8 has its bad bytes replaced first, and
// a text too long for its line is set smaller, then wrapped, then cut with "...". The only
// paths are the sponsor's image files and the output folder.

#include <memory>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"

namespace tarno::score {

enum class CertificateKind {
  kPlace,          // a place in a category
  kParticipation,  // a log in no category, not ranked, or a check log
};

// One entrant's certificate.
struct CertificateData {
  CertificateKind kind = CertificateKind::kParticipation;
  std::string call;      // the own call; a certificate is written only for one IsCallShaped takes
  std::string name;      // NAME: or the sponsor's correction; may be empty, any UTF-8
  std::string category;  // the published category's name; shown when not empty
  int place = 0;         // kPlace: 1 for the first; equal scores share a place
  int placedCount = 0;   // kPlace: entrants ranked in the category; 0 leaves "of N" out
  long long checkedScore = -1;  // -1: not shown (a check log has none to show)
  bool checkLog = false;        // kParticipation: says a check log was sent
};

// The words of one language. "{place}" and "{count}" stand for the numbers, "{ordinal}"
// for the English ordinal ending of the place (st, nd, rd, th).
struct CertificateWords {
  std::string heading;               // a certificate for a place
  std::string participationHeading;  // a certificate of participation
  std::string place;                 // "{place}. helyezés"
  std::string ofCount;               // "a kategória {count} indulója közül"
  std::string category;              // the label before the category's name
  std::string checkedScore;          // the label before the score
  std::string tookPart;              // a participation certificate's line
  std::string sentCheckLog;          // a check log's line instead
  std::string sponsorCaption;        // under the sponsor's name
};
// From the catalogue's "certificate.*" texts; Hungarian's place has no {ordinal}.
CertificateWords CertificateWordsOf(const Catalogue& catalogue);
CertificateWords HungarianCertificateWords();
CertificateWords EnglishCertificateWords();

// The same for every certificate of a contest.
struct CertificateOptions {
  std::string title;  // the contest's title, e.g. from --title
  int year = 0;       // shown after the title unless 0 or the title already holds it
  std::string sponsor;
  std::string logoPath;       // PNG; empty for none; drawn at the top left
  std::string signaturePath;  // PNG; empty for none; drawn above the sponsor's name
  CertificateWords hungarian = HungarianCertificateWords();  // first on the page
  CertificateWords english = EnglishCertificateWords();
  // The archive of all certificates, beside their folder: a plain file name.
  std::string zipName = "certificates.zip";
};

// Images larger than these are refused as not meant for a certificate; a larger one that
// is taken is scaled down once on loading, so that no certificate carries more pixels
// than it prints (200 dpi at its size on the page).
constexpr long long kLargestImageFileBytes = 16LL << 20;
constexpr long long kLargestImagePixels = 16'000'000;
constexpr int kLargestImageSide = 8000;

// Draws certificates one at a time; the images are read once, when it is made. Not for
// use from two threads at once (pango's font map is per thread: make one per thread).
class CertificateDrawer {
 public:
  // Each image that cannot be used (missing, unreadable, not a PNG, too large) is added
  // to `problems` (when not null) with its path, and the certificates are drawn without it.
  CertificateDrawer(const CertificateOptions& options, std::vector<std::string>* problems);
  ~CertificateDrawer();
  CertificateDrawer(const CertificateDrawer&) = delete;
  CertificateDrawer& operator=(const CertificateDrawer&) = delete;

  // One certificate as a one-page PDF in `pdf`. False with the reason in `error` when
  // cairo could not make it. Something the entrant should know but that does not stop
  // the drawing (a character no font has, a place that does not add up) goes to
  // `notes` (when not null), naming the call.
  bool Draw(const CertificateData& entrant, std::string* pdf, std::string* error,
            std::vector<std::string>* notes) const;

 private:
  struct Art;
  CertificateOptions m_options;
  std::unique_ptr<Art> m_art;
};

// The certificate's file name: the call as the reports name it ("/" as "_": HA1AA_P.pdf);
// empty for a call IsCallShaped (log_loading.h) refuses, which then gets no file.
std::string CertificateFileName(const std::string& call);

// Writes `outFolder`/certificates/<CALL>.pdf for every entrant and `outFolder`/<zipName>
// (certificates.zip where the name is no plain file name) holding the same files under
// "certificates/". The certificates are drawn on `threads` threads (at least one) and
// written in the entrants' order, a few at most held at once, so memory stays that of a
// few certificates whatever their number. Entrants whose call is no call, or whose file name
// another entrant already took, get no certificate and a problem each; .pdf files in the
// certificates folder from an earlier run that this run did not write are removed, so a
// log since withdrawn keeps no certificate. The zip is written under a temporary name
// and takes its own only when complete. False when a certificate could not be drawn or a
// file written (each named in `problems`; writing stops at the first file that cannot be
// written); a problem that leaves out one image or one entrant does not make it false.
// `problems` must not be null.
bool WriteCertificates(const std::vector<CertificateData>& entrants,
                       const CertificateOptions& options, const std::string& outFolder,
                       std::vector<std::string>* problems, int threads = 1);

// WriteCertificates where this build draws certificates, null where it does not (the
// Windows build): the cross-check runs on both, and learns it here rather than by #ifdef.
using CertificateWriter = bool (*)(const std::vector<CertificateData>& entrants,
                                   const CertificateOptions& options, const std::string& outFolder,
                                   std::vector<std::string>* problems, int threads);
CertificateWriter CertificateWriterOfThisBuild();

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_CERTIFICATE_H_
