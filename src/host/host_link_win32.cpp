#include "host/host_link.h"

namespace tarno {

HostLink* HostLink::Default() {
  static NoHostLink link;
  return &link;
}

}  // namespace tarno
