#include "byte_script.h"

#include <cstring>

namespace tarno::fuzz {

uint8_t ByteScript::Byte() { return m_at < m_size ? m_data[m_at++] : 0; }

uint32_t ByteScript::Word() {
  uint32_t word = 0;
  for (int shift = 0; shift < 32; shift += 8) word |= uint32_t{Byte()} << shift;
  return word;
}

double ByteScript::Double() {
  uint8_t bytes[sizeof(double)];
  for (uint8_t& byte : bytes) byte = Byte();
  double value;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

std::string ByteScript::Bytes(size_t count) {
  const size_t available = m_at < m_size ? m_size - m_at : 0;
  if (count > available) count = available;
  std::string bytes(reinterpret_cast<const char*>(m_data + m_at), count);
  m_at += count;
  return bytes;
}

}  // namespace tarno::fuzz
