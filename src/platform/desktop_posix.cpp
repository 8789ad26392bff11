#include <cstdio>

#include "platform/desktop.h"

namespace tarno {
namespace {

class HeadlessDesktop : public Desktop {
 public:
  bool RunCabrilloHeaderDialog(CabrilloHeaderValues*) override { return true; }

  void ShowOutputMessage(const std::string& text) override {
    std::fprintf(stderr, "Output: %s\n", text.c_str());
  }

  std::string HostVersion() override { return std::string(); }
};

}  // namespace

Desktop* Desktop::Default() {
  static HeadlessDesktop* desktop = new HeadlessDesktop;  // used until the very end
  return desktop;
}

}  // namespace tarno
