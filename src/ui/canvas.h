#ifndef TARNO_UI_CANVAS_H_
#define TARNO_UI_CANVAS_H_

// What the information window's table painter draws on: GDI on Windows (through an
// off-screen surface), a recording canvas in tests. Pixels, origin top left.

#include <cstdint>
#include <string>

namespace tarno {

struct Rgb {
  uint8_t red, green, blue;
  bool operator==(const Rgb& other) const {
    return red == other.red && green == other.green && blue == other.blue;
  }
};

class Canvas {
 public:
  virtual ~Canvas() = default;
  virtual void FillRect(int left, int top, int right, int bottom, Rgb colour) = 0;
  // Transparent background, the surface's default font, black; (x, y) is the top left.
  virtual void DrawText(int x, int y, const std::string& text) = 0;
};

}  // namespace tarno

#endif  // TARNO_UI_CANVAS_H_
