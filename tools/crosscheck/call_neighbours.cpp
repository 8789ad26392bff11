#include "crosscheck/call_neighbours.h"

#include <algorithm>

#include "crosscheck/matching.h"

namespace tarno::score {
namespace {

// FNV-1a of the call with the characters at `skip1` and `skip2` left out (npos for none):
// the hash of the text those deletions make, without making it.
uint64_t HashWithout(std::string_view call, size_t skip1, size_t skip2) {
  uint64_t hash = 14695981039346656037ULL;
  for (size_t i = 0; i < call.size(); ++i) {
    if (i == skip1 || i == skip2) continue;
    hash = (hash ^ static_cast<unsigned char>(call[i])) * 1099511628211ULL;
  }
  return hash;
}

// The hashes of the call and of every text one or two deletions make of it.
void DeletionHashes(std::string_view call, std::vector<uint64_t>* hashes) {
  constexpr size_t kNone = std::string_view::npos;
  hashes->clear();
  hashes->push_back(HashWithout(call, kNone, kNone));
  for (size_t i = 0; i < call.size(); ++i) {
    hashes->push_back(HashWithout(call, i, kNone));
    for (size_t j = i + 1; j < call.size(); ++j) hashes->push_back(HashWithout(call, i, j));
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
  int bits = 1;
  while (bits < 24 && (size_t{1} << bits) < m_keys.size()) ++bits;
  m_shift = 64 - bits;
  m_starts.assign((size_t{1} << bits) + 1, 0);
  for (const auto& key : m_keys) ++m_starts[(key.first >> m_shift) + 1];
  for (size_t i = 1; i < m_starts.size(); ++i) m_starts[i] += m_starts[i - 1];
}

std::vector<std::pair<int, uint32_t>> CallNeighbours::Within2ByDistance(
    std::string_view call) const {
  struct Found {
    int distance;
    std::string_view text;
    uint32_t id;
  };
  std::vector<Found> found;
  for (uint32_t id : Candidates(call)) {
    const std::string& text = m_texts.Text(id);
    const int distance = CallDistance(text, call, 2);
    if (distance <= 2) found.push_back({distance, text, id});
  }
  std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
    return a.distance != b.distance ? a.distance < b.distance : a.text < b.text;
  });
  std::vector<std::pair<int, uint32_t>> sorted;
  sorted.reserve(found.size());
  for (const Found& f : found) sorted.emplace_back(f.distance, f.id);
  return sorted;
}

std::vector<uint32_t> CallNeighbours::Within2(std::string_view call) const {
  std::vector<uint32_t> found = Candidates(call);
  found.erase(
      std::remove_if(found.begin(), found.end(),
                     [&](uint32_t id) { return CallDistance(m_texts.Text(id), call, 2) > 2; }),
      found.end());
  return found;
}

std::vector<uint32_t> CallNeighbours::Candidates(std::string_view call) const {
  std::vector<uint64_t> hashes;
  DeletionHashes(call, &hashes);
  std::vector<uint32_t> found;
  for (uint64_t h : hashes) {
    const size_t top = h >> m_shift;
    const auto first = m_keys.begin() + m_starts[top], last = m_keys.begin() + m_starts[top + 1];
    for (auto at = std::lower_bound(first, last, std::make_pair(h, uint32_t{0}));
         at != last && at->first == h; ++at) {
      found.push_back(at->second);
    }
  }
  std::sort(found.begin(), found.end());
  found.erase(std::unique(found.begin(), found.end()), found.end());
  return found;
}

}  // namespace tarno::score
