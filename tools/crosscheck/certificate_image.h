#ifndef TARNO_TOOLS_CROSSCHECK_CERTIFICATE_IMAGE_H_
#define TARNO_TOOLS_CROSSCHECK_CERTIFICATE_IMAGE_H_

// The sponsor's logo and signature: PNG files read once for all the certificates.

#include <cairo.h>

#include <memory>
#include <string>

namespace tarno::score {

struct SurfaceRelease {
  void operator()(cairo_surface_t* surface) const { cairo_surface_destroy(surface); }
};
using SurfacePtr = std::unique_ptr<cairo_surface_t, SurfaceRelease>;

// The PNG at `path`, scaled down (never up) to fit `mostWidth` x `mostHeight` pixels.
// Null with the reason, which names the file, when it is missing, unreadable, no PNG, or
// larger than certificate.h allows; its size is judged from its header before a pixel is
// decoded, so a small file that claims a huge picture costs nothing.
SurfacePtr LoadCertificateImage(const std::string& path, int mostWidth, int mostHeight,
                                std::string* reason);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_CERTIFICATE_IMAGE_H_
