#ifndef TARNO_FUZZ_BYTE_SCRIPT_H_
#define TARNO_FUZZ_BYTE_SCRIPT_H_

// A fuzzer's input read as a script of choices. Every read takes the next bytes; past the
// end every read gives zeros, so any input, however short, is a complete script.

#include <cstddef>
#include <cstdint>
#include <string>

namespace tarno::fuzz {

class ByteScript {
 public:
  ByteScript(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

  bool Done() const { return m_at >= m_size; }
  uint8_t Byte();
  uint32_t Word();                  // four bytes, least significant first
  double Double();                  // eight bytes as they lie: NaNs and infinities included
  std::string Bytes(size_t count);  // fewer when the script ends first

 private:
  const uint8_t* m_data;
  size_t m_size;
  size_t m_at = 0;
};

}  // namespace tarno::fuzz

#endif  // TARNO_FUZZ_BYTE_SCRIPT_H_
