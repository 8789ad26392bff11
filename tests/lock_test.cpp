// The host's thread and the window thread share the log. Run under ThreadSanitizer
// (the native-tsan preset), any access that skips g_lock is reported as a race.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "helpers/host_calls.h"
#include "helpers/mem_env.h"
#include "plugin/module_state.h"
#include "plugin/module_view.h"
#include "ui/county_refresh.h"

namespace tarno {

const EntryPoints& TheEntryPoints();

namespace {

// What the window's refresh does with the shared lists, in the same lock.
size_t ReadLikeTheWindow() {
  std::lock_guard<std::mutex> hold(g_lock);
  size_t seen = g_yearText.size();
  for (size_t i = 0; i < g_log.Size(); ++i) {
    const CInfo& record = g_log[i];
    seen += record.m_call.size() + record.m_county.size() + record.m_exchRcvd.size();
    const int band = BandIndex(record.m_band);
    if (band >= 0 && g_workedRows[band].size() == 4) g_workedRows[band][2] = record.m_mode;
  }
  for (const auto& counties : g_bandCounties) seen += counties.size();
  return seen;
}

TEST(LockTest, HostCallsAndWindowReadsDoNotRace) {
  ScopedMemEnv files;
  const EntryPoints& entry = TheEntryPoints();
  std::atomic<bool> done{false};
  std::thread window([&] {
    size_t total = 0;
    while (!done.load()) total += ReadLikeTheWindow();
    EXPECT_GE(total, 0u);
  });

  COleDateTime start = HostQso::MakeDate(44576.0);
  COleDateTime end = HostQso::MakeDate(44577.0);
  const char* const calls[] = {"HA1AA", "HA2BB", "DL1ABC", "W1AW"};
  const char* const bands[] = {"20m", "40m", "6m"};
  for (int round = 0; round < 20; ++round) {
    CallResetStats(entry, "HA5TST", &start, &end, "EU");
    for (int i = 0; i < 60; ++i) {
      HostQso qso;
      qso.call = calls[i % 4];
      qso.prefix = i % 2 ? "HA" : "DL";
      qso.exchRcvd = i % 2 ? "BP" : "001";
      qso.band = bands[i % 3];
      CallAddData(entry, qso);
      CallCheckCall(entry, qso.call, "CW", qso.prefix, "BP", qso.band);
      if (i % 5 == 0) CallRemoveData(entry, qso);
    }
  }
  done = true;
  window.join();
}

TEST(LockTest, RefreshesOnTheWindowThreadDoNotRaceWithHostCalls) {
  ScopedMemEnv files;
  const EntryPoints& entry = TheEntryPoints();
  COleDateTime start = HostQso::MakeDate(44576.0);
  COleDateTime end = HostQso::MakeDate(44577.0);
  CallResetStats(entry, "HA5TST", &start, &end, "EU");
  std::atomic<bool> done{false};
  std::thread window([&] {
    while (!done.load()) RefreshCountyWindow(ModuleWindowView());
  });
  for (int i = 0; i < 400; ++i) {
    HostQso qso;
    qso.call = i % 2 ? "HA1AA" : "DL1ABC";
    qso.prefix = i % 2 ? "HA" : "DL";
    qso.exchRcvd = i % 2 ? "BP" : "001";
    CallAddData(entry, qso);
    if (i % 7 == 0) CallRemoveData(entry, qso);
    if (i % 50 == 0) entry.getResult(nullptr);
    if (i % 100 == 0) CallResetStats(entry, "HA5TST", &start, &end, "EU");
  }
  done = true;
  window.join();
}

}  // namespace
}  // namespace tarno
