#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "platform/desktop.h"

namespace tarno {
namespace {

// Nobody sits at this desktop, but a program driving the module (a command-line host)
// may answer the header dialog's category boxes as an operator would, through the
// environment: TARNO_HEADER_ANSWERS holds "TAG=value" lines.
void TypeAnswers(const char* answers, CabrilloHeaderValues* values) {
  const struct {
    const char* tag;
    std::string CabrilloHeaderValues::*field;
  } kBoxes[] = {
      {"CATEGORY-OPERATOR", &CabrilloHeaderValues::categoryOperator},
      {"CATEGORY-BAND", &CabrilloHeaderValues::categoryBand},
      {"CATEGORY-MODE", &CabrilloHeaderValues::categoryMode},
      {"CATEGORY-POWER", &CabrilloHeaderValues::categoryPower},
      {"CATEGORY-TRANSMITTER", &CabrilloHeaderValues::categoryTransmitter},
  };
  std::string_view text = answers;
  while (!text.empty()) {
    std::string_view line = text.substr(0, text.find('\n'));
    text.remove_prefix(std::min(text.size(), line.size() + 1));
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    for (const auto& box : kBoxes) {
      if (line.substr(0, equals) == box.tag) values->*box.field = line.substr(equals + 1);
    }
  }
}

class HeadlessDesktop : public Desktop {
 public:
  bool RunCabrilloHeaderDialog(CabrilloHeaderValues* values) override {
    if (const char* answers = std::getenv("TARNO_HEADER_ANSWERS")) TypeAnswers(answers, values);
    return true;
  }

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
