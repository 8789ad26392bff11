#include "crosscheck/string_pool.h"

namespace tarno::score {

uint32_t StringPool::Intern(std::string_view text) {
  auto found = m_ids.find(text);
  if (found != m_ids.end()) return found->second;
  const uint32_t id = static_cast<uint32_t>(m_texts.size());
  m_texts.emplace_back(text);
  m_ids.emplace(m_texts.back(), id);
  return id;
}

}  // namespace tarno::score
