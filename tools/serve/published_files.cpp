#include "serve/published_files.h"

#include <deque>
#include <vector>

#include "contest/ascii_text.h"

namespace tarno::score {
namespace {

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The few entities a page may write inside an attribute.
std::string Unescaped(const std::string& text) {
  static const std::pair<const char*, const char*> kEntities[] = {
      {"&amp;", "&"}, {"&quot;", "\""}, {"&#39;", "'"}, {"&lt;", "<"}, {"&gt;", ">"}};
  std::string out;
  for (size_t i = 0; i < text.size();) {
    bool replaced = false;
    for (const auto& [entity, plain] : kEntities) {
      const std::string name(entity);
      if (text.compare(i, name.size(), name) == 0) {
        out += plain;
        i += name.size();
        replaced = true;
        break;
      }
    }
    if (!replaced) out += text[i++];
  }
  return out;
}

// `link` read from a page named `page`, as a run's file name; empty when it leaves the run.
std::string Resolved(const std::string& page, std::string link) {
  link = link.substr(0, link.find_first_of("#?"));
  if (link.empty() || link[0] == '/' || link.find(':') != std::string::npos) return "";
  std::vector<std::string> parts;
  const size_t slash = page.rfind('/');
  std::string path = (slash == std::string::npos ? "" : page.substr(0, slash + 1)) + link;
  for (size_t from = 0; from <= path.size();) {
    size_t to = path.find('/', from);
    if (to == std::string::npos) to = path.size();
    const std::string part = path.substr(from, to - from);
    from = to + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (parts.empty()) return "";
      parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  std::string name;
  for (const std::string& part : parts) name += (name.empty() ? "" : "/") + part;
  return name;
}

std::vector<std::string> Links(const std::string& html) {
  std::vector<std::string> links;
  static const std::string kHref = "href=\"";
  for (size_t at = html.find(kHref); at != std::string::npos; at = html.find(kHref, at)) {
    at += kHref.size();
    const size_t end = html.find('"', at);
    if (end == std::string::npos) break;
    links.push_back(Unescaped(html.substr(at, end - at)));
    at = end;
  }
  return links;
}

}  // namespace

std::set<std::string> LinkedFiles(const std::string& start, const std::set<std::string>& names,
                                  const Fetch& fetch) {
  std::set<std::string> found;
  std::deque<std::string> pages;
  if (!names.count(start)) return found;
  found.insert(start);
  if (EndsWith(start, ".html")) pages.push_back(start);
  while (!pages.empty()) {
    const std::string page = pages.front();
    pages.pop_front();
    const auto html = fetch(page);
    if (!html) continue;
    for (const std::string& link : Links(*html)) {
      const std::string name = Resolved(page, link);
      if (name.empty() || found.count(name) || !names.count(name)) continue;
      found.insert(name);
      if (EndsWith(name, ".html")) pages.push_back(name);
    }
  }
  return found;
}

std::string ContentTypeOf(const std::string& name) {
  const std::string lower = LowerAscii(name);
  if (EndsWith(lower, ".html")) return "text/html; charset=utf-8";
  if (EndsWith(lower, ".ubn") || EndsWith(lower, ".txt")) return "text/plain; charset=utf-8";
  if (EndsWith(lower, ".csv")) return "text/csv; charset=utf-8";
  if (EndsWith(lower, ".json")) return "application/json";
  if (EndsWith(lower, ".pdf")) return "application/pdf";
  if (EndsWith(lower, ".zip")) return "application/zip";
  if (EndsWith(lower, ".png")) return "image/png";
  return "application/octet-stream";
}

bool PublishedFiles::Allowed(int64_t run, const std::string& name,
                             const std::function<std::set<std::string>()>& names,
                             const Fetch& fetch) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto known = m_runs.find(run);
    if (known != m_runs.end()) return known->second.count(name) > 0;
  }
  // Worked out outside the lock: a first visitor's crawl does not hold up the others' pages.
  std::set<std::string> linked = LinkedFiles("results.html", names(), fetch);
  std::lock_guard<std::mutex> lock(m_mutex);
  const bool allowed = linked.count(name) > 0;
  m_runs.emplace(run, std::move(linked));
  return allowed;
}

}  // namespace tarno::score
