#ifndef TARNO_TOOLS_CROSSCHECK_PAGE_STYLE_H_
#define TARNO_TOOLS_CROSSCHECK_PAGE_STYLE_H_

// What every page of the results shares: one style sheet, the page's head; texts are
// escaped by the shared HtmlEscaped (replay/html_text.h).
// The pages need nothing but themselves (no script, no font, no picture from elsewhere)
// and read on a phone: a wide table scrolls inside its own box (<div class="scroll">)
// with its call column (class "call") held in place, and a legend (<p class="key">, one
// <span class="k"> per label) wraps between labels, never inside one.

#include <string>

#include "replay/html_text.h"

namespace tarno::score {

extern const char kPageStyle[];

// "<!DOCTYPE html>" to "<body>": charset, viewport, the title (escaped) and the style.
std::string PageStart(const std::string& title);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_PAGE_STYLE_H_
