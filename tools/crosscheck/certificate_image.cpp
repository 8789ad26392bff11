#include "crosscheck/certificate_image.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "crosscheck/certificate.h"

namespace tarno::score {
namespace {

namespace fs = std::filesystem;

struct PngBytes {
  const std::string& bytes;
  size_t at = 0;
};

cairo_status_t ReadPng(void* closure, unsigned char* data, unsigned int length) {
  PngBytes* source = static_cast<PngBytes*>(closure);
  if (source->bytes.size() - source->at < length) return CAIRO_STATUS_READ_ERROR;
  std::memcpy(data, source->bytes.data() + source->at, length);
  source->at += length;
  return CAIRO_STATUS_SUCCESS;
}

unsigned long BigEndian32(const std::string& bytes, size_t at) {
  unsigned long value = 0;
  for (size_t i = 0; i < 4; ++i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

// Width and height from the IHDR chunk, which a PNG must begin with; false when the
// bytes are no PNG.
bool PngSize(const std::string& bytes, unsigned long* width, unsigned long* height) {
  static const char kSignature[] = "\x89PNG\r\n\x1a\n";
  if (bytes.size() < 24 || bytes.compare(0, 8, kSignature, 8) != 0 ||
      bytes.compare(12, 4, "IHDR") != 0) {
    return false;
  }
  *width = BigEndian32(bytes, 16);
  *height = BigEndian32(bytes, 20);
  return true;
}

SurfacePtr ScaledDown(SurfacePtr image, int mostWidth, int mostHeight) {
  const int width = cairo_image_surface_get_width(image.get());
  const int height = cairo_image_surface_get_height(image.get());
  const double scale = std::min(
      {1.0, static_cast<double>(mostWidth) / width, static_cast<double>(mostHeight) / height});
  if (scale >= 1.0) return image;
  const int newWidth = std::max(1, static_cast<int>(std::lround(width * scale)));
  const int newHeight = std::max(1, static_cast<int>(std::lround(height * scale)));
  SurfacePtr scaled(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, newWidth, newHeight));
  cairo_t* cr = cairo_create(scaled.get());
  cairo_scale(cr, static_cast<double>(newWidth) / width, static_cast<double>(newHeight) / height);
  cairo_set_source_surface(cr, image.get(), 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
  cairo_paint(cr);
  cairo_destroy(cr);
  if (cairo_surface_status(scaled.get()) != CAIRO_STATUS_SUCCESS) return image;
  return scaled;
}

}  // namespace

SurfacePtr LoadCertificateImage(const std::string& path, int mostWidth, int mostHeight,
                                std::string* reason) {
  const std::string named = "the image " + path;
  std::error_code failure;
  if (!fs::is_regular_file(path, failure)) {
    *reason = named + (fs::exists(path, failure) ? " is not a file" : " does not exist");
    return nullptr;
  }
  const auto fileBytes = fs::file_size(path, failure);
  if (failure || fileBytes > static_cast<uintmax_t>(kLargestImageFileBytes)) {
    *reason = named +
              (failure ? " cannot be read"
                       : " is larger than " + std::to_string(kLargestImageFileBytes >> 20) + " MB");
    return nullptr;
  }
  std::ifstream in(path, std::ios::binary);
  std::string bytes(std::istreambuf_iterator<char>(in), {});
  if (!in && !in.eof()) {
    *reason = named + " cannot be read";
    return nullptr;
  }
  unsigned long width = 0, height = 0;
  if (!PngSize(bytes, &width, &height)) {
    *reason = named + " is not a PNG image";
    return nullptr;
  }
  if (width == 0 || height == 0 || width > kLargestImageSide || height > kLargestImageSide ||
      static_cast<unsigned long long>(width) * height >
          static_cast<unsigned long long>(kLargestImagePixels)) {
    *reason = named + " is " + std::to_string(width) + " x " + std::to_string(height) +
              " pixels; at most " + std::to_string(kLargestImageSide) + " on a side and " +
              std::to_string(kLargestImagePixels / 1'000'000) + " million in all";
    return nullptr;
  }
  PngBytes source{bytes};
  SurfacePtr image(cairo_image_surface_create_from_png_stream(ReadPng, &source));
  const cairo_status_t status = cairo_surface_status(image.get());
  if (status != CAIRO_STATUS_SUCCESS) {
    *reason = named + " cannot be read as a PNG image: " + cairo_status_to_string(status);
    return nullptr;
  }
  return ScaledDown(std::move(image), mostWidth, mostHeight);
}

}  // namespace tarno::score
