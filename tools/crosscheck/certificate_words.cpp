// The certificate's words in each language, kept apart from the drawing so that a
// translator edits these lines alone.

#include "crosscheck/certificate.h"

namespace tarno::score {

CertificateWords HungarianCertificateWords() {
  CertificateWords words;
  words.heading = "Oklevél";
  words.participationHeading = "Részvételi oklevél";
  words.place = "{place}. helyezés";
  words.ofCount = "a kategória {count} indulója közül";
  words.category = "Kategória";
  words.checkedScore = "Ellenőrzött pontszám";
  words.tookPart = "részt vett a versenyen";
  words.sentCheckLog = "ellenőrző naplót küldött";
  words.sponsorCaption = "a verseny rendezője";
  return words;
}

CertificateWords EnglishCertificateWords() {
  CertificateWords words;
  words.heading = "Certificate";
  words.participationHeading = "Certificate of participation";
  words.place = "{place}{ordinal} place";
  words.ofCount = "of {count} in the category";
  words.category = "Category";
  words.checkedScore = "Checked score";
  words.tookPart = "took part in the contest";
  words.sentCheckLog = "sent a check log";
  words.sponsorCaption = "contest sponsor";
  return words;
}

}  // namespace tarno::score
