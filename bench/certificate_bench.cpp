// tarno_certificate_bench: the entrants' certificates of a whole contest, written as the
// cross-check will write them (see docs/benchmarks.md, "Certificates").
//
//   tarno_certificate_bench [COUNT...]     (default: 200 2000)
//
// For each count in turn, WriteCertificates in this process for that many made-up entrants
// (four in five placed in one of eight categories, the rest participants or check logs,
// names with Hungarian accents), with a logo and a signature: wall and processor time,
// the certificates' and the zip's size, and the process's peak resident memory after the
// run, which shows whether memory grows with the count. Then the largest count once more
// without logo and signature. The work goes to a scratch folder under $TMPDIR (or /tmp),
// removed at the end.

#include <cairo.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "crosscheck/certificate.h"

namespace {

namespace fs = std::filesystem;
using tarno::score::CertificateData;
using tarno::score::CertificateKind;

double SelfCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
         usage.ru_stime.tv_usec / 1e6;
}

long PeakResidentKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// A logo of flat colours and a signature of strokes on a transparent ground, the sizes a
// sponsor's scanner gives.
void WriteArt(const fs::path& logo, const fs::path& signature) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 600, 600);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 0.09, 0.2, 0.4);
  cairo_arc(cr, 300, 300, 280, 0, 6.2832);
  cairo_fill(cr);
  cairo_set_source_rgb(cr, 0.85, 0.65, 0.2);
  cairo_arc(cr, 300, 300, 180, 0, 6.2832);
  cairo_set_line_width(cr, 40);
  cairo_stroke(cr);
  cairo_destroy(cr);
  cairo_surface_write_to_png(surface, logo.c_str());
  cairo_surface_destroy(surface);
  surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1800, 500);
  cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 0.05, 0.1, 0.35);
  cairo_set_line_width(cr, 9);
  cairo_move_to(cr, 60, 380);
  for (int i = 0; i < 12; ++i) {
    cairo_curve_to(cr, 120 + i * 130, 60, 160 + i * 130, 460, 190 + i * 130, 300 - (i % 3) * 60);
  }
  cairo_stroke(cr);
  cairo_destroy(cr);
  cairo_surface_write_to_png(surface, signature.c_str());
  cairo_surface_destroy(surface);
}

std::vector<CertificateData> Entrants(int count) {
  static const char* const kNames[] = {
      "Horváth Ödön Győző", "Kiss Éva", "Nagy Árpád", "Szűcs Őrs", "Tóth Ünige",
      "Fehér Zsófia",       ""};
  static const char* const kCategories[] = {"Egy operátor, kis teljesítmény, Magyarország",
                                            "Egy operátor, nagy teljesítmény",
                                            "Több operátor",
                                            "QRP",
                                            "CW",
                                            "SSB",
                                            "Külföldi állomások",
                                            "Egy sáv, 80 m"};
  std::vector<CertificateData> entrants;
  std::vector<int> placed(8, 0);
  for (int i = 0; i < count; ++i) {
    CertificateData data;
    data.call = "HA" + std::to_string(i % 10) + "A" + std::string(1, 'A' + i / 10 % 26) +
                std::string(1, 'A' + i / 260 % 26) + (i >= 6760 ? "/" + std::to_string(i) : "");
    data.name = kNames[i % 7];
    data.checkedScore = 250000 - i * 97;
    if (i % 5 != 4) {
      data.kind = CertificateKind::kPlace;
      data.category = kCategories[i % 8];
      data.place = ++placed[i % 8];
      data.placedCount = count * 4 / 5 / 8 + 1;
    } else {
      data.checkLog = i % 10 == 9;
    }
    entrants.push_back(data);
  }
  return entrants;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int> counts;
  for (int i = 1; i < argc; ++i) counts.push_back(std::atoi(argv[i]));
  if (counts.empty()) counts = {200, 2000};
  const fs::path scratch =
      fs::temp_directory_path() / ("tarno-certificate-bench-" + std::to_string(getpid()));
  fs::create_directories(scratch);
  tarno::score::CertificateOptions options;
  options.title = "TARNO Contest";
  options.year = 2026;
  options.sponsor = "Magyar Tarno Egyesület";
  options.logoPath = (scratch / "logo.png").string();
  options.signaturePath = (scratch / "signature.png").string();
  WriteArt(options.logoPath, options.signaturePath);

  std::printf(
      "| certificates | logo and signature | wall | processor | per certificate "
      "(processor) | PDFs | zip | peak resident after |\n"
      "|---|---|---|---|---|---|---|---|\n");
  counts.push_back(-*std::max_element(counts.begin(), counts.end()));
  for (int signedCount : counts) {
    const int count = std::abs(signedCount);
    if (signedCount < 0) options.logoPath = options.signaturePath = "";
    const fs::path out = scratch / ("out-" + std::to_string(count));
    const std::vector<CertificateData> entrants = Entrants(count);
    std::vector<std::string> problems;
    const double cpuBefore = SelfCpuSeconds();
    const auto wallBefore = std::chrono::steady_clock::now();
    const bool ok = tarno::score::WriteCertificates(entrants, options, out.string(), &problems);
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
    const double cpu = SelfCpuSeconds() - cpuBefore;
    for (const std::string& problem : problems) std::fprintf(stderr, "%s\n", problem.c_str());
    if (!ok) return 1;
    uintmax_t pdfBytes = 0;
    for (const auto& entry : fs::directory_iterator(out / "certificates")) {
      pdfBytes += entry.file_size();
    }
    const uintmax_t zipBytes = fs::file_size(out / "certificates.zip");
    std::printf(
        "| %d | %s | %.1f s | %.1f s | %.1f ms | %.1f MB (%.0f KB each) | %.1f MB | "
        "%.0f MB |\n",
        count, signedCount < 0 ? "no" : "yes", wall, cpu, cpu * 1000 / count, pdfBytes / 1e6,
        pdfBytes / 1e3 / count, zipBytes / 1e6, PeakResidentKiB() / 1024.0);
    std::fflush(stdout);
    fs::remove_all(out);
  }
  fs::remove_all(scratch);
  return 0;
}
