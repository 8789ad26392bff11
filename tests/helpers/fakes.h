#ifndef TARNO_TESTS_HELPERS_FAKES_H_
#define TARNO_TESTS_HELPERS_FAKES_H_

// Stand-ins for the services the module works through, recording what it asks of
// them, and a guard that puts them in the module's place for one test.

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "host/host_link.h"
#include "platform/desktop.h"
#include "platform/settings_store.h"
#include "ui/county_window_control.h"

namespace tarno {

// Settings kept in a map; `available` false acts as a missing "Plugins" folder.
class MapSettings : public SettingsStore {
 public:
  std::string Read(const std::string& file, const std::string& section,
                   const std::string& key) override;
  std::string ReadOr(const std::string& file, const std::string& section, const std::string& key,
                     const std::string& fallback) override;
  Status Write(const std::string& file, const std::string& section, const std::string& key,
               const std::string& value) override;

  // "key=value" for every write, in order.
  std::vector<std::string> writes;
  std::map<std::string, std::string> values;
  bool available = true;
};

class RecordingCountyWindow : public CountyWindowControl {
 public:
  bool IsOpen() override { return open; }
  void Start() override {
    ++starts;
    open = true;
  }
  void Close() override {
    ++closes;
    open = false;
  }
  void RequestRefresh() override { ++refreshes; }

  bool open = false;
  int starts = 0;
  int closes = 0;
  int refreshes = 0;
};

// A host that answers with the call and frequency a test sets and keeps every command.
class RecordingHostLink : public HostLink {
 public:
  bool SetUpFromScore() override {
    ++setUps;
    return reachable;
  }
  void SetUpFromRefresh() override { ++refreshSetUps; }
  std::string EnteredCall() override { return call; }
  double FrequencyHz() override { return freqHz; }
  void Command(const std::string& text) override { commands.push_back(text); }
  void EndWindowThread() override {}

  bool reachable = false;
  int setUps = 0;
  int refreshSetUps = 0;
  std::string call;
  double freqHz = 0.0;
  std::vector<std::string> commands;
};

// Plays the operator: edits the header dialog's values with `edit` and confirms
// (or cancels), and keeps every message shown.
class ScriptedDesktop : public Desktop {
 public:
  bool RunCabrilloHeaderDialog(CabrilloHeaderValues* values) override {
    shown.push_back(*values);
    if (!confirm) return false;
    if (edit) edit(values);
    return true;
  }
  void ShowOutputMessage(const std::string& text) override { messages.push_back(text); }
  std::string HostVersion() override { return hostVersion; }

  std::function<void(CabrilloHeaderValues*)> edit;
  bool confirm = true;
  std::vector<CabrilloHeaderValues> shown;
  std::vector<std::string> messages;
  std::string hostVersion;
};

class ScopedFakeServices {
 public:
  ScopedFakeServices();
  ~ScopedFakeServices();

  MapSettings settings;
  RecordingCountyWindow window;
  RecordingHostLink host;
  ScriptedDesktop desktop;

 private:
  SettingsStore* m_previousSettings;
  CountyWindowControl* m_previousWindow;
  HostLink* m_previousHost;
  Desktop* m_previousDesktop;
};

}  // namespace tarno

#endif  // TARNO_TESTS_HELPERS_FAKES_H_
