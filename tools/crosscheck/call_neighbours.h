#ifndef TARNO_TOOLS_CROSSCHECK_CALL_NEIGHBOURS_H_
#define TARNO_TOOLS_CROSSCHECK_CALL_NEIGHBOURS_H_

// The calls of a set within two characters (changed, added or lost) of any call, found
// without comparing it with each: every call is indexed under each text that one or two
// deletions make of it, and two calls within two edits always share such a text. The
// index holds a hash and an id per text: a few dozen bytes per call.

#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "crosscheck/string_pool.h"

namespace tarno::score {

class CallNeighbours {
 public:
  // `calls` are text ids of `texts`, which must outlive the index.
  CallNeighbours(const StringPool& texts, const std::vector<uint32_t>& calls);

  // The indexed calls within two edits of `call` (itself, when indexed), in id order.
  std::vector<uint32_t> Within2(std::string_view call) const;
  // The same with each one's distance, closest first, then by text.
  std::vector<std::pair<int, uint32_t>> Within2ByDistance(std::string_view call) const;

 private:
  // The calls that share a text of one or two deletions with `call`, by id: a superset.
  std::vector<uint32_t> Candidates(std::string_view call) const;

  std::vector<std::pair<uint64_t, uint32_t>> m_keys;  // sorted
  // Where in m_keys the hashes of each top-bits value start: a query looks up a few dozen
  // hashes, each then one step from its place instead of a search through all keys.
  std::vector<uint32_t> m_starts;
  int m_shift = 64;
  const StringPool& m_texts;
};

}  // namespace tarno::score

#endif  // TARNO_TOOLS_CROSSCHECK_CALL_NEIGHBOURS_H_
