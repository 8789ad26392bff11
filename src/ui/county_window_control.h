#ifndef TARNO_UI_COUNTY_WINDOW_CONTROL_H_
#define TARNO_UI_COUNTY_WINDOW_CONTROL_H_

// How the host's thread opens and closes the county window, which lives on a thread
// of its own. Called on the host's thread only.

namespace tarno {

class ModuleView;

class CountyWindowControl {
 public:
  virtual ~CountyWindowControl() = default;

  // The platform's county window: real windows on Windows, a window-less stand-in with
  // the same thread, timer and refresh elsewhere, showing `module`, which must outlive it.
  // Closed before the module goes away.
  static CountyWindowControl* Default(ModuleView& module);

  virtual bool IsOpen() = 0;
  // Closes an open county window first, then starts a new one; does not wait for it.
  virtual void Start() = 0;
  // Returns when the county window is gone (at once when none is open).
  virtual void Close() = 0;
  // Asks an open window to refresh itself soon (after each call check).
  virtual void RequestRefresh() = 0;
};

// A control for a module without windows: nothing is ever open.
class NoCountyWindow : public CountyWindowControl {
 public:
  bool IsOpen() override { return false; }
  void Start() override {}
  void Close() override {}
  void RequestRefresh() override {}
};

}  // namespace tarno

#endif  // TARNO_UI_COUNTY_WINDOW_CONTROL_H_
