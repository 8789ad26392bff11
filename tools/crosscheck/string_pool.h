#ifndef TARNO_TOOLS_CROSSCHECK_STRING_POOL_H_
#define TARNO_TOOLS_CROSSCHECK_STRING_POOL_H_

// Every text of a contest's logs (calls, exchanges, reports, bands, modes) is kept once
// and named by a small number, so that millions of QSO lines cost a few integers each.
// The texts are found again by an open-addressed table of their ids (a few bytes per text,
// against the nodes of a hash map). Not thread-safe: the loaders take turns (see
// log_loading.h).

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace tarno::score {

class StringPool {
 public:
  StringPool() { Intern(""); }  // id 0 is the empty text

  uint32_t Intern(std::string_view text) { return Intern(text, Hash(text)); }
  // With the text's Hash, as another pool gives it (HashOf), to take its texts over.
  uint32_t Intern(std::string_view text, uint64_t hash);
  // The text of an id that Intern returned; the reference stays valid as long as the pool.
  const std::string& Text(uint32_t id) const { return m_texts[id]; }
  uint64_t HashOf(uint32_t id) const { return m_hashes[id]; }
  // Room for `texts` texts in all, so that the table is not built again as they come.
  void Reserve(size_t texts);
  size_t Size() const { return m_texts.size(); }

  static uint64_t Hash(std::string_view text);

 private:
  size_t Slot(std::string_view text, uint64_t hash) const;
  void Grow();
  void Rehash(size_t slots);

  std::deque<std::string> m_texts;  // a deque never moves what it holds
  std::vector<uint64_t> m_hashes;   // by id
  std::vector<uint64_t> m_slots;    // see SlotOf; 0 for none
};

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_STRING_POOL_H_
