#ifndef TARNO_TESTS_WIN32_PNG_WRITER_H_
#define TARNO_TESTS_WIN32_PNG_WRITER_H_

// A PNG encoder small enough to need no library: 8-bit RGB, no filtering, the image data
// in stored (uncompressed) deflate blocks. Screenshots of the module's windows are written
// with it so that they can be looked at after a test run.

#include <cstdint>
#include <string>
#include <vector>

namespace tarno_test {

// The whole file; `rgb` holds width * height pixels of three bytes (red, green, blue), top
// row first. Empty when the sizes do not match or are not positive.
std::string EncodePng(int width, int height, const std::vector<uint8_t>& rgb);

// Encodes and writes the file, replacing any; false when that fails.
bool WritePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb);

}  // namespace tarno_test

#endif  // TARNO_TESTS_WIN32_PNG_WRITER_H_
