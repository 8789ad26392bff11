#include "png_writer.h"

#include <algorithm>
#include <array>
#include <fstream>

namespace tarno_test {
namespace {

// A stored deflate block carries at most this many bytes.
constexpr size_t kMaxStoredBlock = 65535;

const std::array<uint32_t, 256>& CrcTable() {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> entries{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      entries[n] = c;
    }
    return entries;
  }();
  return table;
}

// Of every chunk's type and data.
uint32_t Crc32(const void* bytes, size_t count) {
  const auto* p = static_cast<const uint8_t*>(bytes);
  uint32_t c = 0xFFFFFFFFu;
  for (size_t i = 0; i < count; ++i) c = CrcTable()[(c ^ p[i]) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

// Of the uncompressed bytes, at the end of the zlib stream.
uint32_t Adler32(const void* bytes, size_t count) {
  const auto* p = static_cast<const uint8_t*>(bytes);
  uint32_t a = 1, b = 0;
  for (size_t i = 0; i < count; ++i) {
    a = (a + p[i]) % 65521;
    b = (b + a) % 65521;
  }
  return (b << 16) | a;
}

void AppendBigEndian32(std::string* out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out->push_back(static_cast<char>(value >> shift));
}

void AppendChunk(std::string* out, const char type[4], const std::string& data) {
  AppendBigEndian32(out, static_cast<uint32_t>(data.size()));
  std::string typed(type, 4);
  typed += data;
  out->append(typed);
  AppendBigEndian32(out, Crc32(typed.data(), typed.size()));
}

// Every row starts with its filter type; 0 leaves the row as it is.
std::string FilteredRows(int width, int height, const std::vector<uint8_t>& rgb) {
  const size_t rowBytes = static_cast<size_t>(width) * 3;
  std::string rows;
  rows.reserve((rowBytes + 1) * static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) {
    rows.push_back('\0');
    rows.append(reinterpret_cast<const char*>(rgb.data()) + y * rowBytes, rowBytes);
  }
  return rows;
}

// A zlib stream of stored blocks: header, blocks, Adler-32 of the uncompressed bytes.
std::string StoredZlib(const std::string& raw) {
  std::string out("\x78\x01", 2);
  size_t offset = 0;
  do {
    size_t length = std::min(kMaxStoredBlock, raw.size() - offset);
    bool last = offset + length == raw.size();
    out.push_back(last ? '\x01' : '\x00');
    out.push_back(static_cast<char>(length & 0xFF));
    out.push_back(static_cast<char>(length >> 8));
    out.push_back(static_cast<char>(~length & 0xFF));
    out.push_back(static_cast<char>((~length >> 8) & 0xFF));
    out.append(raw, offset, length);
    offset += length;
  } while (offset < raw.size());
  AppendBigEndian32(&out, Adler32(raw.data(), raw.size()));
  return out;
}

}  // namespace

std::string EncodePng(int width, int height, const std::vector<uint8_t>& rgb) {
  if (width <= 0 || height <= 0 ||
      rgb.size() != static_cast<size_t>(width) * static_cast<size_t>(height) * 3) {
    return std::string();
  }
  std::string header;
  AppendBigEndian32(&header, static_cast<uint32_t>(width));
  AppendBigEndian32(&header, static_cast<uint32_t>(height));
  // Bit depth 8, colour type 2 (RGB), deflate, no filtering method, not interlaced.
  header.append("\x08\x02\x00\x00\x00", 5);

  std::string png("\x89PNG\r\n\x1a\n", 8);
  AppendChunk(&png, "IHDR", header);
  AppendChunk(&png, "IDAT", StoredZlib(FilteredRows(width, height, rgb)));
  AppendChunk(&png, "IEND", std::string());
  return png;
}

bool WritePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb) {
  std::string png = EncodePng(width, height, rgb);
  if (png.empty()) return false;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(png.data(), static_cast<std::streamsize>(png.size()));
  out.close();
  return !out.fail();
}

}  // namespace tarno_test
