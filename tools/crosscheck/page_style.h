#ifndef TARNO_TOOLS_CROSSCHECK_PAGE_STYLE_H_
#define TARNO_TOOLS_CROSSCHECK_PAGE_STYLE_H_

// What every page of the results shares: one style sheet, the page's head, and the
// language it speaks; texts are escaped by the shared HtmlEscaped (replay/html_text.h).
// The pages need nothing but themselves (no script, no font, no picture from elsewhere)
// and read on a phone: a wide table scrolls inside its own box (<div class="scroll">)
// with its row headers (the call, <th scope="row">) held in place, and in a ranked table
// (class "ranked") the place before them too; a legend (<p class="key">, one
// <span class="k"> per label) wraps between labels, never inside one. They print on A4:
// nothing scrolls on paper, and a table row, a chart or a short table is not split.
//
// The English pages lie at the top of the results folder, beside the one copy of every
// file that is not a page (the CSV files, the reports); each other language's pages lie
// under a folder named by its code ("hu/"), with the same names, each page linking to its
// twin.

#include <string>

#include "catalogue/catalogue.h"
#include "replay/html_text.h"

namespace tarno::score {

extern const char kPageStyle[];

// The language a page is written in, and the contest it belongs to.
struct PageLanguage {
  const Catalogue& words;
  std::string title;  // the contest's title and year (ReportContext::title), not escaped

  // Where this language's pages lie in the results folder: "" or "hu/".
  std::string Folder() const;
  // The way from one of this language's pages up to the top of the results folder.
  std::string Up() const;
  // The link from this language's page `fileName` to the same page in the other language.
  std::string TwinLink(const std::string& fileName) const;
};

// The language's pages for `language`, of the contest titled `title`.
PageLanguage PagesIn(Language language, const std::string& title);

// "<!DOCTYPE html>" to the end of the page's top line: charset, viewport, the page's title
// (`heading` and the contest's title, escaped here), the style with `extraStyle` after it,
// and a line with the contest's title and the link to the twin of `fileName`.
std::string PageStart(const PageLanguage& page, const std::string& heading,
                      const std::string& fileName, const char* extraStyle = "");

// A page of the sponsor's alone, in English: the title escaped here.
std::string PageStart(const std::string& title);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_PAGE_STYLE_H_
