#include "serve/page_language.h"

#include "serve/sponsor_auth.h"

namespace tarno::score {
namespace {

constexpr char kCookie[] = "lang";
constexpr int kYearSeconds = 365 * 24 * 3600;

// The language the request's link chose: only a GET's, as the switch is a link.
bool Chosen(const HttpRequest& req, Language* language) {
  return req.method == "GET" && LanguageOfCode(req.Param("lang"), language);
}

}  // namespace

const Catalogue& WordsOf(const HttpRequest& req) {
  Language language = Language::kEnglish;
  if (!Chosen(req, &language) &&
      !LanguageOfCode(CookieValue(req.Header("Cookie"), kCookie), &language)) {
    language = LanguageOfAccept(req.Header("Accept-Language"));
  }
  return Catalogue::Of(language);
}

void SetLanguageHeaders(const HttpRequest& req, bool secure, HttpResponse* res) {
  res->SetHeader("Vary", "Accept-Language, Cookie");
  Language language;
  if (!Chosen(req, &language)) return;
  res->AddHeader("Set-Cookie", std::string(kCookie) + "=" + Catalogue::Of(language).Code() +
                                   "; Path=/; HttpOnly; SameSite=Lax; Max-Age=" +
                                   std::to_string(kYearSeconds) + (secure ? "; Secure" : ""));
}

}  // namespace tarno::score
