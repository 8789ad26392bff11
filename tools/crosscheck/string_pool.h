#ifndef TARNO_TOOLS_CROSSCHECK_STRING_POOL_H_
#define TARNO_TOOLS_CROSSCHECK_STRING_POOL_H_

// Every text of a contest's logs (calls, exchanges, reports, bands, modes) is kept once
// and named by a small number, so that millions of QSO lines cost a few integers each.
// Not thread-safe: the loaders take turns (see log_loading.h).

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>

namespace tarno::score {

class StringPool {
 public:
  StringPool() { Intern(""); }  // id 0 is the empty text

  uint32_t Intern(std::string_view text);
  // The text of an id that Intern returned; the reference stays valid as long as the pool.
  const std::string& Text(uint32_t id) const { return m_texts[id]; }
  size_t Size() const { return m_texts.size(); }

 private:
  std::deque<std::string> m_texts;  // a deque never moves what it holds
  std::unordered_map<std::string_view, uint32_t> m_ids;
};

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_STRING_POOL_H_
