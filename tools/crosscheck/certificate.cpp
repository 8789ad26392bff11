#include "crosscheck/certificate.h"

#include <cairo-pdf.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <new>

#include "crosscheck/certificate_image.h"
#include "crosscheck/certificate_text.h"

namespace tarno::score {
namespace {

// A4 landscape, in points.
constexpr double kPageWidth = 841.89;
constexpr double kPageHeight = 595.28;
constexpr double kCentre = kPageWidth / 2;
constexpr double kTextWidth = kPageWidth - 2 * 80;

// The image boxes on the page, in points, and the pixels they get: 200 dpi, which prints
// well; at 300 dpi, deflating the pixels made each certificate 60% slower and 30% larger.
constexpr double kLogoLeft = 52, kLogoTop = 48, kLogoWidth = 110, kLogoHeight = 100;
constexpr double kSignatureWidth = 220, kSignatureHeight = 56;
constexpr int PixelsFor(double points) { return static_cast<int>(points * 200 / 72); }

// Where the footer (signature, rule, sponsor) begins, and the text above it ends.
constexpr double kRuleTop = 488;
constexpr double kContentBottom = kRuleTop - kSignatureHeight - 8;

// The longest text of each kind kept; a line shows less than this at its least size.
constexpr size_t kMostCallChars = 40;
constexpr size_t kMostTextChars = 300;

struct Colour {
  double red, green, blue;
};
constexpr Colour kInk{0.10, 0.12, 0.18};
constexpr Colour kNavy{0.09, 0.20, 0.40};
constexpr Colour kGrey{0.33, 0.35, 0.40};
constexpr Colour kGold{0.70, 0.55, 0.22};

struct TextStyle {
  const char* family;
  PangoWeight weight;
  double sizePt;
  double leastSizePt;  // below this the text wraps rather than shrinks
  int mostLines;       // past these it is cut with an ellipsis
  Colour colour;
};
constexpr TextStyle kHeading{"DejaVu Serif", PANGO_WEIGHT_BOLD, 40, 20, 1, kNavy};
constexpr TextStyle kSubHeading{"DejaVu Serif", PANGO_WEIGHT_NORMAL, 20, 12, 1, kGrey};
constexpr TextStyle kTitle{"DejaVu Serif", PANGO_WEIGHT_BOLD, 24, 13, 2, kNavy};
constexpr TextStyle kCall{"DejaVu Sans", PANGO_WEIGHT_BOLD, 44, 20, 1, kInk};
constexpr TextStyle kName{"DejaVu Serif", PANGO_WEIGHT_NORMAL, 26, 12, 3, kInk};
constexpr TextStyle kPlace{"DejaVu Serif", PANGO_WEIGHT_BOLD, 24, 13, 1, kNavy};
constexpr TextStyle kDetail{"DejaVu Sans", PANGO_WEIGHT_NORMAL, 14, 9, 2, kInk};
constexpr TextStyle kSponsor{"DejaVu Serif", PANGO_WEIGHT_BOLD, 14, 9, 2, kInk};
constexpr TextStyle kCaption{"DejaVu Sans", PANGO_WEIGHT_NORMAL, 10, 8, 1, kGrey};

struct LayoutRelease {
  void operator()(PangoLayout* layout) const { g_object_unref(layout); }
};
using LayoutPtr = std::unique_ptr<PangoLayout, LayoutRelease>;

void SetFont(PangoLayout* layout, const TextStyle& style, double sizePt) {
  PangoFontDescription* font = pango_font_description_new();
  pango_font_description_set_family(font, style.family);
  pango_font_description_set_weight(font, style.weight);
  // Absolute: the PDF's units are points, whatever resolution pango assumes for screens.
  pango_font_description_set_absolute_size(font, sizePt * PANGO_SCALE);
  pango_layout_set_font_description(layout, font);
  pango_font_description_free(font);
}

double WidthOf(PangoLayout* layout) {
  int width = 0, height = 0;
  pango_layout_get_size(layout, &width, &height);
  return static_cast<double>(width) / PANGO_SCALE;
}

double HeightOf(PangoLayout* layout) {
  int width = 0, height = 0;
  pango_layout_get_size(layout, &width, &height);
  return static_cast<double>(height) / PANGO_SCALE;
}

// A text shrunk below this share of its size to fit one line reads worse than the same
// text wrapped, where its style lets it take more lines.
constexpr double kLeastShrink = 0.75;

// `text` centred in `width`: at its style's size when it fits; else one line a little
// smaller, or where that would be much smaller and the style has lines to spare, wrapped
// at the largest size that fits them; at the least size, what is still too long is cut
// with an ellipsis.
LayoutPtr FittedLayout(cairo_t* cr, const std::string& text, const TextStyle& style, double width) {
  LayoutPtr layout(pango_cairo_create_layout(cr));
  PangoLayout* shown = layout.get();
  pango_layout_set_text(shown, text.data(), static_cast<int>(text.size()));
  PangoAttrList* attributes = pango_attr_list_new();
  // A call or a name broken inside a word gets no hyphen it never had.
  pango_attr_list_insert(attributes, pango_attr_insert_hyphens_new(FALSE));
  pango_layout_set_attributes(shown, attributes);
  pango_attr_list_unref(attributes);
  double sizePt = style.sizePt;
  SetFont(shown, style, sizePt);
  const bool wraps = style.mostLines > 1 && WidthOf(shown) * kLeastShrink > width;
  // Widths do not scale quite in proportion (kerning, rounding): a few rounds settle it.
  for (int round = 0; !wraps && round < 4 && WidthOf(shown) > width && sizePt > style.leastSizePt;
       ++round) {
    sizePt = std::max(style.leastSizePt, sizePt * width / WidthOf(shown) * 0.99);
    SetFont(shown, style, sizePt);
  }
  pango_layout_set_alignment(shown, PANGO_ALIGN_CENTER);
  pango_layout_set_wrap(shown, PANGO_WRAP_WORD_CHAR);
  pango_layout_set_width(shown, static_cast<int>(width * PANGO_SCALE));
  while (wraps && sizePt > style.leastSizePt &&
         pango_layout_get_line_count(shown) > style.mostLines) {
    sizePt = std::max(style.leastSizePt, sizePt * 0.92);
    SetFont(shown, style, sizePt);
  }
  pango_layout_set_ellipsize(shown, PANGO_ELLIPSIZE_END);
  pango_layout_set_height(shown, -style.mostLines);
  return layout;
}

struct Line {
  std::string text;
  const TextStyle* style;
  double gapBeforePt;
};

struct Placed {
  LayoutPtr layout;
  const TextStyle* style;
  double gapBeforePt;
};

void Show(cairo_t* cr, PangoLayout* layout, const Colour& colour, double left, double top) {
  cairo_set_source_rgb(cr, colour.red, colour.green, colour.blue);
  cairo_move_to(cr, left, top);
  pango_cairo_show_layout(cr, layout);
}

// A text of the entrant's that the fonts lack a character of still prints, with boxes
// for those characters; the sponsor hears of it.
void NoteUnknownGlyphs(PangoLayout* layout, const std::string& call,
                       std::vector<std::string>* notes) {
  if (notes && pango_layout_get_unknown_glyphs_count(layout) > 0) {
    notes->push_back(call + ": the certificate's fonts lack some characters of \"" +
                     pango_layout_get_text(layout) + "\"; they print as boxes");
  }
}

// Lays `lines` out and centres them as one block between `top` and `bottom`, with their
// gaps shrunk when they do not all fit.
void ShowBlock(cairo_t* cr, const std::vector<Line>& lines, double top, double bottom,
               const std::string& call, std::vector<std::string>* notes) {
  std::vector<Placed> placed;
  double textHeight = 0, gaps = 0;
  for (const Line& line : lines) {
    if (line.text.empty()) continue;
    LayoutPtr layout = FittedLayout(cr, line.text, *line.style, kTextWidth);
    NoteUnknownGlyphs(layout.get(), call, notes);
    textHeight += HeightOf(layout.get());
    const double gap = placed.empty() ? 0 : line.gapBeforePt;
    gaps += gap;
    placed.push_back({std::move(layout), line.style, gap});
  }
  const double room = bottom - top;
  const double gapScale = gaps > 0 ? std::clamp((room - textHeight) / gaps, 0.0, 1.0) : 1.0;
  double y = top + std::max(0.0, (room - textHeight - gaps * gapScale) / 2);
  for (const Placed& line : placed) {
    y += line.gapBeforePt * gapScale;
    Show(cr, line.layout.get(), line.style->colour, kCentre - kTextWidth / 2, y);
    y += HeightOf(line.layout.get());
  }
}

// Hungarian first; one of them alone when the other is empty or says the same.
std::string Both(const std::string& hungarian, const std::string& english) {
  if (hungarian.empty() || hungarian == english) return english;
  if (english.empty()) return hungarian;
  return hungarian + " / " + english;
}

void DrawBorder(cairo_t* cr) {
  cairo_set_source_rgb(cr, kNavy.red, kNavy.green, kNavy.blue);
  cairo_set_line_width(cr, 2.5);
  cairo_rectangle(cr, 22, 22, kPageWidth - 44, kPageHeight - 44);
  cairo_stroke(cr);
  cairo_set_source_rgb(cr, kGold.red, kGold.green, kGold.blue);
  cairo_set_line_width(cr, 0.8);
  cairo_rectangle(cr, 30, 30, kPageWidth - 60, kPageHeight - 60);
  cairo_stroke(cr);
}

// `image` scaled to fit the box, keeping its shape, centred across it and set on its
// bottom edge when `onBottom` (a signature stands on its rule), else on its top.
void DrawImage(cairo_t* cr, cairo_surface_t* image, double left, double top, double width,
               double height, bool onBottom) {
  const double imageWidth = cairo_image_surface_get_width(image);
  const double imageHeight = cairo_image_surface_get_height(image);
  const double scale = std::min(width / imageWidth, height / imageHeight);
  const double x = left + (width - imageWidth * scale) / 2;
  const double y = onBottom ? top + height - imageHeight * scale : top;
  cairo_save(cr);
  cairo_translate(cr, x, y);
  cairo_scale(cr, scale, scale);
  cairo_set_source_surface(cr, image, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
  cairo_paint(cr);
  cairo_restore(cr);
}

cairo_status_t AppendToString(void* closure, const unsigned char* data, unsigned int length) {
  try {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  } catch (const std::bad_alloc&) {
    return CAIRO_STATUS_NO_MEMORY;
  }
  return CAIRO_STATUS_SUCCESS;
}

// The lines under the headings. `placed` says whether the certificate is for a place: a
// place that is none makes it one of participation, with a note.
std::vector<Line> ContentLines(const CertificateData& entrant, const CertificateOptions& options,
                               const std::string& call, bool* placed,
                               std::vector<std::string>* notes) {
  const CertificateWords& hu = options.hungarian;
  const CertificateWords& en = options.english;
  *placed = entrant.kind == CertificateKind::kPlace;
  if (*placed && entrant.place < 1) {
    if (notes) {
      notes->push_back(call + ": place " + std::to_string(entrant.place) +
                       " is no place; a certificate of participation instead");
    }
    *placed = false;
  }
  int count = entrant.placedCount;
  if (*placed && count != 0 && count < entrant.place) {
    if (notes) {
      notes->push_back(call + ": place " + std::to_string(entrant.place) + " of " +
                       std::to_string(count) + " does not add up; the count is left out");
    }
    count = 0;
  }
  std::vector<Line> lines;
  lines.push_back(
      {TitleWithYear(CertificateText(options.title, kMostTextChars), options.year), &kTitle, 0});
  lines.push_back({call, &kCall, 14});
  lines.push_back({CertificateText(entrant.name, kMostTextChars), &kName, 4});
  if (*placed) {
    const int place = entrant.place;
    lines.push_back(
        {Both(FilledIn(hu.place, place, count), FilledIn(en.place, place, count)), &kPlace, 16});
    if (count > 0) {
      lines.push_back({Both(FilledIn(hu.ofCount, place, count), FilledIn(en.ofCount, place, count)),
                       &kDetail, 4});
    }
  } else {
    lines.push_back(
        {entrant.checkLog ? Both(hu.sentCheckLog, en.sentCheckLog) : Both(hu.tookPart, en.tookPart),
         &kPlace, 16});
  }
  const std::string category = CertificateText(entrant.category, kMostTextChars);
  if (!category.empty()) {
    lines.push_back({Both(hu.category, en.category) + ": " + category, &kDetail, 8});
  }
  if (entrant.checkedScore >= 0 && (*placed || !entrant.checkLog)) {
    lines.push_back(
        {Both(hu.checkedScore, en.checkedScore) + ": " + std::to_string(entrant.checkedScore),
         &kDetail, 4});
  }
  return lines;
}

// The two headings at the top, clear of the logo's box, and a rule under them; returns
// where the lines under them may begin.
double DrawHeadings(cairo_t* cr, const std::string& hungarian, const std::string& english) {
  const double width = kPageWidth - 2 * (kLogoLeft + kLogoWidth + 10);
  const double left = kCentre - width / 2;
  double y = 56;
  if (!hungarian.empty()) {
    LayoutPtr first = FittedLayout(cr, hungarian, kHeading, width);
    Show(cr, first.get(), kHeading.colour, left, y);
    y += HeightOf(first.get());
  }
  if (!english.empty() && english != hungarian) {
    LayoutPtr second = FittedLayout(cr, english, kSubHeading, width);
    Show(cr, second.get(), kSubHeading.colour, left, y);
    y += HeightOf(second.get());
  }
  cairo_set_source_rgb(cr, kGold.red, kGold.green, kGold.blue);
  cairo_set_line_width(cr, 0.8);
  cairo_move_to(cr, kCentre - 90, y + 8);
  cairo_line_to(cr, kCentre + 90, y + 8);
  cairo_stroke(cr);
  return y + 14;
}

// The signature standing on a rule, the sponsor's name under it and what the sponsor is;
// nothing when there is neither signature nor sponsor.
void DrawFooter(cairo_t* cr, cairo_surface_t* signature, const std::string& sponsor,
                const std::string& caption, const std::string& call,
                std::vector<std::string>* notes) {
  if (!signature && sponsor.empty()) return;
  if (signature) {
    DrawImage(cr, signature, kCentre - kSignatureWidth / 2, kRuleTop - 2 - kSignatureHeight,
              kSignatureWidth, kSignatureHeight, true);
  }
  cairo_set_source_rgb(cr, kInk.red, kInk.green, kInk.blue);
  cairo_set_line_width(cr, 0.6);
  cairo_move_to(cr, kCentre - 120, kRuleTop);
  cairo_line_to(cr, kCentre + 120, kRuleTop);
  cairo_stroke(cr);
  const double width = 420;
  double y = kRuleTop + 5;
  if (!sponsor.empty()) {
    LayoutPtr name = FittedLayout(cr, sponsor, kSponsor, width);
    NoteUnknownGlyphs(name.get(), call, notes);
    Show(cr, name.get(), kSponsor.colour, kCentre - width / 2, y);
    y += HeightOf(name.get()) + 1;
  }
  LayoutPtr captionLayout = FittedLayout(cr, caption, kCaption, width);
  Show(cr, captionLayout.get(), kCaption.colour, kCentre - width / 2, y);
}

CertificateWords CleanWords(CertificateWords words) {
  for (std::string* text :
       {&words.heading, &words.participationHeading, &words.place, &words.ofCount, &words.category,
        &words.checkedScore, &words.tookPart, &words.sentCheckLog, &words.sponsorCaption}) {
    *text = CertificateText(*text, kMostTextChars);
  }
  return words;
}

}  // namespace

struct CertificateDrawer::Art {
  SurfacePtr logo;
  SurfacePtr signature;
};

CertificateDrawer::CertificateDrawer(const CertificateOptions& options,
                                     std::vector<std::string>* problems)
    : m_options(options), m_art(std::make_unique<Art>()) {
  // The words may come from a translator's file: they are shown as the entrant's texts are.
  m_options.hungarian = CleanWords(options.hungarian);
  m_options.english = CleanWords(options.english);
  std::string reason;
  if (!options.logoPath.empty()) {
    m_art->logo = LoadCertificateImage(options.logoPath, PixelsFor(kLogoWidth),
                                       PixelsFor(kLogoHeight), &reason);
    if (!m_art->logo && problems) problems->push_back(reason + "; certificates have no logo");
  }
  if (!options.signaturePath.empty()) {
    m_art->signature = LoadCertificateImage(options.signaturePath, PixelsFor(kSignatureWidth),
                                            PixelsFor(kSignatureHeight), &reason);
    if (!m_art->signature && problems) {
      problems->push_back(reason + "; certificates have no signature");
    }
  }
}

CertificateDrawer::~CertificateDrawer() = default;

bool CertificateDrawer::Draw(const CertificateData& entrant, std::string* pdf, std::string* error,
                             std::vector<std::string>* notes) const {
  const std::string call = CertificateText(entrant.call, kMostCallChars);
  bool placed = false;
  const std::vector<Line> lines = ContentLines(entrant, m_options, call, &placed, notes);
  const CertificateWords& hu = m_options.hungarian;
  const CertificateWords& en = m_options.english;

  pdf->clear();
  cairo_surface_t* surface =
      cairo_pdf_surface_create_for_stream(AppendToString, pdf, kPageWidth, kPageHeight);
  const std::string heading = placed ? Both(hu.heading, en.heading)
                                     : Both(hu.participationHeading, en.participationHeading);
  cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_TITLE,
                                 (heading + ": " + call).c_str());
  cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATOR, "tarno-score");
  cairo_t* cr = cairo_create(surface);
  DrawBorder(cr);
  if (m_art->logo) {
    DrawImage(cr, m_art->logo.get(), kLogoLeft, kLogoTop, kLogoWidth, kLogoHeight, false);
  }
  const double contentTop = DrawHeadings(cr, placed ? hu.heading : hu.participationHeading,
                                         placed ? en.heading : en.participationHeading);
  ShowBlock(cr, lines, contentTop, kContentBottom, call, notes);
  DrawFooter(cr, m_art->signature.get(), CertificateText(m_options.sponsor, kMostTextChars),
             Both(hu.sponsorCaption, en.sponsorCaption), call, notes);
  cairo_destroy(cr);
  cairo_surface_finish(surface);
  const cairo_status_t status = cairo_surface_status(surface);
  cairo_surface_destroy(surface);
  if (status != CAIRO_STATUS_SUCCESS) {
    *error = call + ": the certificate could not be drawn: " + cairo_status_to_string(status);
    pdf->clear();
    return false;
  }
  return true;
}

}  // namespace tarno::score
