#ifndef TARNO_TOOLS_CROSSCHECK_ENTRANT_CERTIFICATES_H_
#define TARNO_TOOLS_CROSSCHECK_ENTRANT_CERTIFICATES_H_

// Every checked entrant's certificate (certificate.h draws them): a place for a log
// ranked in a published category, participation for the others, check logs included.

#include <string>
#include <vector>

#include "crosscheck/certificate.h"
#include "crosscheck/contest_set.h"
#include "crosscheck/crosscheck_options.h"
#include "crosscheck/rankings.h"
#include "crosscheck/result_table.h"

namespace tarno::score {

// What each entrant's certificate says, by call. A log ranked in a published category has
// its place there "of" the logs ranked in it; a check log takes part without a score;
// every other log takes part with its checked score.
std::vector<CertificateData> CertificatesOf(const ContestSet& set,
                                            const std::vector<RankedLog>& ranking,
                                            const Standings& standings);

// The options' sponsor and images, the contest's title and year, and the words of both
// catalogues.
CertificateOptions CertificateOptionsOf(const CrosscheckOptions& options,
                                        const std::string& contestName, int year);

// Writes the certificates with `writer`, drawn on `threads` threads; where the build has none, a
// note says so and nothing is written. Problems that leave out an image or an entrant go to
// `notes`; false with the reason in `error` where a certificate could not be drawn or written.
bool WriteEntrantCertificates(CertificateWriter writer,
                              const std::vector<CertificateData>& entrants,
                              const CertificateOptions& options, const std::string& folder,
                              int threads, std::vector<FileProblem>* notes, std::string* error);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_ENTRANT_CERTIFICATES_H_
