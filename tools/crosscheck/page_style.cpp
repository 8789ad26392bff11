#include "crosscheck/page_style.h"

namespace tarno::score {

const char kPageStyle[] =
    "*{box-sizing:border-box}"
    "body{font:14px/1.4 sans-serif;margin:1.2em;color:#222}"
    "h1{font-size:1.5em;margin:0 0 .2em}h2{font-size:1.15em;margin:1em 0 .3em}"
    "h3{font-size:1em;margin:1em 0 .3em}a{color:#0b57a4}"
    ".top{display:flex;flex-wrap:wrap;justify-content:space-between;gap:0 1em;color:#444;"
    "border-bottom:1px solid #bbb;margin:0 0 .6em;padding:0 0 .2em}"
    ".scroll{overflow-x:auto;max-width:100%;margin:.5em 0 1em}"
    "table.results{border-collapse:separate;border-spacing:0;font-size:13px}"
    ".results th,.results td{border:1px solid #bbb;border-width:0 1px 1px 0;padding:2px 5px;"
    "text-align:right;white-space:nowrap;background:#fff}"
    ".results thead th{white-space:normal;vertical-align:bottom;background:#e8eef6;"
    "border-top-width:1px}"
    ".results tr>:first-child{border-left-width:1px}"
    ".results tbody th{text-align:left;position:sticky;left:0;z-index:1}"
    ".results thead th:first-child{position:sticky;left:0;z-index:2}"
    ".results tbody tr:nth-child(even)>*{background:#f4f4f4}"
    ".results .t,.entrants td:nth-last-child(-n+4){text-align:left;white-space:normal;"
    "min-width:11em}"
    ".results thead th::first-letter{text-transform:uppercase}"
    // A ranked table holds its place column and its call column, the call beside the place.
    ".ranked tr>:first-child{position:sticky;left:0;z-index:1;width:3.3em;min-width:3.3em;"
    "max-width:3.3em}"
    ".ranked tbody th,.ranked thead th:nth-child(2){position:sticky;left:3.3em;z-index:1}"
    ".ranked thead th:nth-child(-n+2){z-index:2}"
    ".key .k{display:inline-block;white-space:nowrap;margin-right:12px}"
    ".key svg{width:16px;height:12px;vertical-align:-1px;margin-right:4px}"
    ".muted{color:#555}"
    "details{margin:.3em 0 1em}summary{cursor:pointer;color:#0b57a4}"
    "@media (max-width:600px){body{margin:.6em}}"
    "@page{size:A4;margin:12mm}"
    "@media print{body{margin:0;font-size:11px}.scroll{overflow:visible;margin:.3em 0}"
    ".results th,.results td{position:static!important;padding:1px 3px}"
    "table.results{font-size:9px}tr,svg,.keep{break-inside:avoid}"
    "h2,h3{break-after:avoid}a{color:inherit;text-decoration:none}}";

std::string PageLanguage::Folder() const {
  return words.language() == Language::kEnglish ? "" : std::string(words.Code()) + "/";
}

std::string PageLanguage::Up() const { return Folder().empty() ? "" : "../"; }

std::string PageLanguage::TwinLink(const std::string& fileName) const {
  if (!Folder().empty()) return "../" + fileName;
  return std::string(Catalogue::Of(Language::kHungarian).Code()) + "/" + fileName;
}

PageLanguage PagesIn(Language language, const std::string& title) {
  return PageLanguage{Catalogue::Of(language), title};
}

std::string PageStart(const PageLanguage& page, const std::string& heading,
                      const std::string& fileName, const char* extraStyle) {
  const Catalogue& twin = Catalogue::Of(
      page.words.language() == Language::kEnglish ? Language::kHungarian : Language::kEnglish);
  return std::string("<!DOCTYPE html>\n<html lang=\"") + page.words.Code() +
         "\"><head><meta charset=\"utf-8\">"
         "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\"><title>" +
         HtmlEscaped(heading) + " \xE2\x80\x93 " + HtmlEscaped(page.title) + "</title><style>" +
         kPageStyle + extraStyle +
         "</style></head><body>\n<div class=\"top\"><span id=\"contest\">" +
         HtmlEscaped(page.title) + "</span><a id=\"twin\" href=\"" + page.TwinLink(fileName) +
         "\" hreflang=\"" + twin.Code() + "\" lang=\"" + twin.Code() + "\">" +
         HtmlEscaped(page.words.Text("language.switch")) + "</a></div>\n";
}

std::string PageStart(const std::string& title) {
  return "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
         "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\"><title>" +
         HtmlEscaped(title) + "</title><style>" + kPageStyle + "</style></head><body>\n";
}

}  // namespace tarno::score
