// The certificate's words come from the message catalogues, so that a translator edits
// them with every other word the contest shows.

#include "catalogue/catalogue.h"
#include "crosscheck/certificate.h"

namespace tarno::score {

CertificateWords CertificateWordsOf(const Catalogue& catalogue) {
  CertificateWords words;
  words.heading = catalogue.Text("certificate.heading");
  words.participationHeading = catalogue.Text("certificate.participation_heading");
  words.place = catalogue.Text("certificate.place");
  words.ofCount = catalogue.Text("certificate.of_count");
  words.category = catalogue.Text("certificate.category");
  words.checkedScore = catalogue.Text("certificate.checked_score");
  words.tookPart = catalogue.Text("certificate.took_part");
  words.sentCheckLog = catalogue.Text("certificate.sent_check_log");
  words.sponsorCaption = catalogue.Text("certificate.sponsor_caption");
  return words;
}

CertificateWords HungarianCertificateWords() {
  return CertificateWordsOf(Catalogue::Of(Language::kHungarian));
}

CertificateWords EnglishCertificateWords() {
  return CertificateWordsOf(Catalogue::Of(Language::kEnglish));
}

}  // namespace tarno::score
