#ifndef TARNO_TOOLS_SERVE_PAGE_LANGUAGE_H_
#define TARNO_TOOLS_SERVE_PAGE_LANGUAGE_H_

// The language the robot answers a request in: the one the visitor chose with the link on
// every page (a GET with ?lang=hu or ?lang=en, kept in the cookie "lang"), else the first
// the browser asks for (Accept-Language) among those there are, else English. A parameter
// or cookie that names no language there is counts as none. Any thread.

#include "catalogue/catalogue.h"
#include "serve/http_server.h"

namespace tarno::score {

const Catalogue& WordsOf(const HttpRequest& req);

// What every answer says of its language: Vary, since one address answers in either; and
// after a GET that chose one, the cookie that keeps the choice for a year (Secure when
// `secure`, the robot being reached over TLS).
void SetLanguageHeaders(const HttpRequest& req, bool secure, HttpResponse* res);

}  // namespace tarno::score

#endif  // TARNO_TOOLS_SERVE_PAGE_LANGUAGE_H_
