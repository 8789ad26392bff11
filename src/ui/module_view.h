#ifndef TARNO_UI_MODULE_VIEW_H_
#define TARNO_UI_MODULE_VIEW_H_

// What the windows see of the module that drives them: the host link, the settings file they
// keep their places in, and one refresh's worth of the contest, taken under the module's lock.
// The windows know nothing else of the module; it gives them its one view
// (plugin/module_view.cpp), tests may give another. Used on the county window's thread.

#include <string>

#include "host/host_link.h"
#include "stats/settings.h"
#include "ui/county_refresh.h"

namespace tarno {

class ModuleView {
 public:
  virtual ~ModuleView() = default;

  virtual HostLink& Host() = 0;
  virtual Settings WindowSettings() = 0;

  // The frequency in Hz that "<SP1>" was last sent for; the window thread's alone.
  virtual double LastSp1FreqHz() = 0;
  virtual void SetLastSp1FreqHz(double freqHz) = 0;

  // Holding the module's lock: takes the snapshot of the contest for the typed call and the
  // radio's band (-1 for none), computes the refresh from it (ComputeCountyRefresh), and keeps
  // the call, the band and the worked-before rows as the module's last refresh.
  virtual CountyRefresh Refresh(const std::string& call, int band) = 0;
};

}  // namespace tarno

#endif  // TARNO_UI_MODULE_VIEW_H_
