// Unloading the module while its windows are open, as a host may do: FreeLibrary closes
// both windows and returns, the module leaves the process, and the process goes on and can
// load it again. This program loads the DLL through its own LoadLibrary calls only, so that
// every reference to the module is the test's own.
//
// Run with --exit-with-windows-open it ends the process with the windows open, which must
// end as any other: exit status 0.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>

#include "fake_host/fake_host_object.h"
#include "fake_host/fake_host_registration.h"
#include "helpers/host_calls.h"
#include "platform/windows_api.h"
#include "plugin/entry_point_table.h"
#include "window_probe.h"

namespace {

using Clock = std::chrono::steady_clock;
using tarno_test::WaitFor;

bool IsLoaded() { return GetModuleHandleA("TARNO-Contest.dll") != nullptr; }

tarno::EntryPoints EntriesOf(HMODULE module) {
  tarno::EntryPoints entry;
  const char* missing = nullptr;
  tarno::FillEntryPoints(
      [module](const char* name) {
        return reinterpret_cast<void*>(GetProcAddress(module, name));
      },
      &entry, &missing);
  return entry;
}

HWND WindowWithControl(int id) {
  return tarno_test::FindProcessWindow([id](HWND w) { return GetDlgItem(w, id) != nullptr; });
}

struct Windows {
  HWND county = nullptr;
  HWND info = nullptr;
  bool Shown() const { return county != nullptr && info != nullptr && IsWindowVisible(info); }
  static Windows Find() { return {WindowWithControl(1015), WindowWithControl(1003)}; }
};

// SHOWINFO, and both windows once the first refresh has shown the information window.
Windows ShowInfo(HMODULE module) {
  EntriesOf(module).runCommand(0, "SHOWINFO");
  Windows open;
  WaitFor([&] { return (open = Windows::Find()).Shown(); });
  return open;
}

// FreeLibrary, and how long it took.
Clock::duration TimedFreeLibrary(HMODULE module) {
  const Clock::time_point start = Clock::now();
  EXPECT_TRUE(FreeLibrary(module));
  return Clock::now() - start;
}

TEST(UnloadTest, FreeLibraryWithTheWindowsOpenClosesThemAndTheModuleCanComeBack) {
  for (int round = 0; round < 2; ++round) {
    HMODULE module = LoadLibraryA(TARNO_PLUGIN_DLL_PATH);
    ASSERT_NE(nullptr, module);
    const Windows open = ShowInfo(module);
    ASSERT_TRUE(open.Shown()) << "round " << round;

    EXPECT_LT(TimedFreeLibrary(module), std::chrono::seconds(3)) << "round " << round;
    EXPECT_FALSE(IsLoaded()) << "round " << round;
    EXPECT_FALSE(IsWindow(open.county)) << "round " << round;
    EXPECT_FALSE(IsWindow(open.info)) << "round " << round;
  }
}

// A thread starting up, or making its first window, may wait for the loader's lock, which
// the unloading thread holds: SHOWINFO returns only once the window is up, so that an unload
// right after it closes the window as any other.
TEST(UnloadTest, FreeLibraryRightAfterShowInfoClosesTheNewWindow) {
  for (int round = 0; round < 3; ++round) {
    HMODULE module = LoadLibraryA(TARNO_PLUGIN_DLL_PATH);
    ASSERT_NE(nullptr, module);
    EntriesOf(module).runCommand(0, "SHOWINFO");
    EXPECT_NE(nullptr, Windows::Find().county) << "round " << round;
    EXPECT_LT(TimedFreeLibrary(module), std::chrono::seconds(3)) << "round " << round;
    EXPECT_FALSE(IsLoaded()) << "round " << round;
    const Windows left = Windows::Find();
    EXPECT_EQ(nullptr, left.county) << "round " << round;
    EXPECT_EQ(nullptr, left.info) << "round " << round;
  }
}

// {7DC0C7BB-DA42-4E35-992E-EA73C56EA20E}
const CLSID kHostClassId = {
    0x7dc0c7bb, 0xda42, 0x4e35, {0x99, 0x2e, 0xea, 0x73, 0xc5, 0x6e, 0xa2, 0x0e}};

bool SawCall(tarno_test::FakeHostObject& host, size_t from) {
  return host.Calls().size() > from;
}

// The host's object on this thread, as a logger's UI thread publishes it. The host unloads
// the module while a refresh waits for it to answer a call: the unload must let that call
// through, or neither thread could go on.
TEST(UnloadTest, FreeLibraryWhileARefreshWaitsForTheHostLetsTheCallThroughAndClosesTheWindows) {
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  // The object lives to the end of the process, whatever a thread still holds of it.
  static auto* host = new tarno_test::FakeHostObject;
  ASSERT_TRUE(tarno_test::RegisterProgId(L"Zelk2.Application", kHostClassId));
  {
    tarno_test::ActiveObject active(host, kHostClassId);
    ASSERT_TRUE(active.registered());

    HMODULE module = LoadLibraryA(TARNO_PLUGIN_DLL_PATH);
    ASSERT_NE(nullptr, module);
    const tarno::EntryPoints entry = EntriesOf(module);
    entry.runCommand(0, "SHOWINFO");
    Windows open;
    ASSERT_TRUE(tarno_test::PumpUntil([&] {
      return (open = Windows::Find()).Shown() && SawCall(*host, 0) && !tarno_test::ComCallWaiting();
    }));
    const size_t callsBefore = host->Calls().size();
    CallCheckCall(entry, "DL1ABC", "CW", "DL", "", "20m");
    // Not pumping, so that the refresh due 330 ms after the check has to wait for us.
    ASSERT_TRUE(WaitFor(tarno_test::ComCallWaiting)) << "the refresh never called the host";

    EXPECT_LT(TimedFreeLibrary(module), std::chrono::seconds(3));
    EXPECT_FALSE(IsLoaded());
    EXPECT_FALSE(IsWindow(open.county));
    EXPECT_FALSE(IsWindow(open.info));
    EXPECT_GT(host->Calls().size(), callsBefore) << "the waiting call was never answered";
    // The process goes on, COM and all.
    module = LoadLibraryA(TARNO_PLUGIN_DLL_PATH);
    ASSERT_NE(nullptr, module);
    const size_t callsAgain = host->Calls().size();
    EntriesOf(module).runCommand(0, "SHOWINFO");
    EXPECT_TRUE(tarno_test::PumpUntil([&] { return SawCall(*host, callsAgain); }));
    EntriesOf(module).runCommand(0, "HIDEINFO");
    EXPECT_TRUE(FreeLibrary(module));
    EXPECT_FALSE(IsLoaded());
  }
  CoDisconnectObject(host, 0);
  tarno_test::UnregisterProgId(L"Zelk2.Application");
  CoUninitialize();
}

int ExitWithWindowsOpen() {
  HMODULE module = LoadLibraryA(TARNO_PLUGIN_DLL_PATH);
  if (module == nullptr) return 2;
  if (!ShowInfo(module).Shown()) return 3;
  std::printf("windows open; the process ends now\n");
  std::fflush(stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--exit-with-windows-open") == 0) {
    return ExitWithWindowsOpen();
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
