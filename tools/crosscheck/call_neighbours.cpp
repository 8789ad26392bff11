#include "crosscheck/call_neighbours.h"

#include <algorithm>
#include <functional>
#include <string>

#include "crosscheck/matching.h"

namespace tarno::score {
namespace {

// The hashes of the call and of every text one or two deletions make of it.
void DeletionHashes(std::string_view call, std::vector<uint64_t>* hashes) {
  hashes->clear();
  const std::hash<std::string_view> hash;
  hashes->push_back(hash(call));
  std::string text;
  for (size_t i = 0; i < call.size(); ++i) {
    text.assign(call.substr(0, i)).append(call.substr(i + 1));
    hashes->push_back(hash(text));
    for (size_t j = i; j + 1 < call.size(); ++j) {
      std::string twice = text;
      twice.erase(j, 1);
      hashes->push_back(hash(twice));
    }
  }
  std::sort(hashes->begin(), hashes->end());
  hashes->erase(std::unique(hashes->begin(), hashes->end()), hashes->end());
}

}  // namespace

CallNeighbours::CallNeighbours(const StringPool& texts, const std::vector<uint32_t>& calls)
    : m_texts(texts) {
  std::vector<uint64_t> hashes;
  for (uint32_t call : calls) {
    DeletionHashes(texts.Text(call), &hashes);
    for (uint64_t h : hashes) m_keys.emplace_back(h, call);
  }
  std::sort(m_keys.begin(), m_keys.end());
  m_keys.erase(std::unique(m_keys.begin(), m_keys.end()), m_keys.end());
}

std::vector<uint32_t> CallNeighbours::Within2(std::string_view call) const {
  std::vector<uint64_t> hashes;
  DeletionHashes(call, &hashes);
  std::vector<uint32_t> found;
  for (uint64_t h : hashes) {
    auto at = std::lower_bound(m_keys.begin(), m_keys.end(), std::make_pair(h, uint32_t{0}));
    for (; at != m_keys.end() && at->first == h; ++at) found.push_back(at->second);
  }
  std::sort(found.begin(), found.end());
  found.erase(std::unique(found.begin(), found.end()), found.end());
  found.erase(
      std::remove_if(found.begin(), found.end(),
                     [&](uint32_t id) { return CallDistance(m_texts.Text(id), call, 2) > 2; }),
      found.end());
  return found;
}

}  // namespace tarno::score
