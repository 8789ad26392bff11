// The Windows build draws no certificates: cairo and pango are not part of it. The
// cross-check learns it from the missing writer and tells the sponsor.

#include "crosscheck/certificate.h"

namespace tarno::score {

CertificateWriter CertificateWriterOfThisBuild() { return nullptr; }

}  // namespace tarno::score
