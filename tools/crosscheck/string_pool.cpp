#include "crosscheck/string_pool.h"

#include <functional>

namespace tarno::score {
namespace {

// A slot holds the text's id + 1 in its low half and the top of its hash in the high half,
// so that a probe compares texts only where the hashes agree.
uint64_t SlotOf(uint32_t id, uint64_t hash) { return (hash & 0xffffffff00000000ULL) | (id + 1ULL); }
uint32_t IdIn(uint64_t slot) { return static_cast<uint32_t>(slot) - 1; }

}  // namespace

uint64_t StringPool::Hash(std::string_view text) { return std::hash<std::string_view>()(text); }

size_t StringPool::Slot(std::string_view text, uint64_t hash) const {
  const size_t mask = m_slots.size() - 1;
  const uint64_t top = hash & 0xffffffff00000000ULL;
  for (size_t at = hash & mask;; at = (at + 1) & mask) {
    const uint64_t slot = m_slots[at];
    if (slot == 0 || ((slot & 0xffffffff00000000ULL) == top && m_texts[IdIn(slot)] == text))
      return at;
  }
}

void StringPool::Grow() { Rehash(m_slots.empty() ? 64 : m_slots.size() * 2); }

void StringPool::Reserve(size_t texts) {
  size_t slots = m_slots.empty() ? 64 : m_slots.size();
  while (texts * 2 >= slots) slots *= 2;
  if (slots > m_slots.size()) Rehash(slots);
  m_hashes.reserve(texts);
}

void StringPool::Rehash(size_t slots) {
  std::vector<uint64_t> old(slots, 0);
  old.swap(m_slots);
  const size_t mask = m_slots.size() - 1;
  for (uint64_t slot : old) {
    if (slot == 0) continue;
    size_t at = m_hashes[IdIn(slot)] & mask;
    while (m_slots[at] != 0) at = (at + 1) & mask;
    m_slots[at] = slot;
  }
}

uint32_t StringPool::Intern(std::string_view text, uint64_t hash) {
  if (m_texts.size() * 2 >= m_slots.size()) Grow();
  const size_t at = Slot(text, hash);
  if (m_slots[at] != 0) return IdIn(m_slots[at]);
  const uint32_t id = static_cast<uint32_t>(m_texts.size());
  m_texts.emplace_back(text);
  m_hashes.push_back(hash);
  m_slots[at] = SlotOf(id, hash);
  return id;
}

}  // namespace tarno::score
