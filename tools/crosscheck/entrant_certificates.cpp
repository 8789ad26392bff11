#include "crosscheck/entrant_certificates.h"

#include <map>

#include "cabrillo/cabrillo_log.h"
#include "crosscheck/contest_title.h"
#include "crosscheck/log_loading.h"

namespace tarno::score {

std::string CertificateFileName(const std::string& call) {
  return IsCallShaped(call) ? FileCallOf(call) + ".pdf" : std::string();
}

std::vector<CertificateData> CertificatesOf(const ContestSet& set,
                                            const std::vector<RankedLog>& ranking,
                                            const Standings& standings) {
  std::map<std::string, int> ranked;
  for (const CategoryTable& table : standings.tables)
    ranked[table.name] = static_cast<int>(table.rows.size());
  std::map<std::string, CertificateData> byCall;
  for (const RankedLog& row : ranking) {
    const EntrantLog& log = set.logs[row.log];
    CertificateData data;
    data.call = log.call;
    data.name = row.name;
    data.category = row.category;
    data.checkedScore = log.checked;
    const auto category = ranked.find(row.category);
    if (row.categoryRank > 0 && category != ranked.end()) {
      data.kind = CertificateKind::kPlace;
      data.place = row.categoryRank;
      data.placedCount = category->second;
    } else if (row.category == "CHECKLOG") {
      data.category.clear();
      data.checkLog = true;
      data.checkedScore = -1;
    }
    byCall[log.call] = std::move(data);
  }
  std::vector<CertificateData> entrants;
  entrants.reserve(byCall.size());
  for (auto& [call, data] : byCall) entrants.push_back(std::move(data));
  return entrants;
}

CertificateOptions CertificateOptionsOf(const CrosscheckOptions& options,
                                        const std::string& contestName, int year) {
  CertificateOptions certificate;
  certificate.title = contestName;
  certificate.year = year;
  certificate.sponsor = options.sponsor;
  certificate.logoPath = options.certificateLogo;
  certificate.signaturePath = options.certificateSignature;
  certificate.hungarian = CertificateWordsOf(Catalogue::Of(Language::kHungarian));
  certificate.english = CertificateWordsOf(Catalogue::Of(Language::kEnglish));
  certificate.zipName = CertificateArchiveName(ContestTitle(contestName, year));
  return certificate;
}

bool WriteEntrantCertificates(CertificateWriter writer,
                              const std::vector<CertificateData>& entrants,
                              const CertificateOptions& options, const std::string& folder,
                              int threads, std::vector<FileProblem>* notes, std::string* error) {
  if (!writer) {
    notes->push_back({"certificates",
                      "not drawn: this build has no certificates (the Linux "
                      "build draws them)",
                      false});
    return true;
  }
  std::vector<std::string> problems;
  const bool written = writer(entrants, options, folder, &problems, threads);
  for (const std::string& problem : problems) notes->push_back({"certificates", problem, false});
  if (written) return true;
  *error = "the certificates could not all be written";
  for (size_t i = 0; i < problems.size() && i < 3; ++i) *error += (i ? "; " : ": ") + problems[i];
  return false;
}

}  // namespace tarno::score
