// Unloading the module while its windows are open, as a host may do: FreeLibrary returns at
// once and the process goes on; the windows keep working, and the module leaves the process
// when they close. This program loads the DLL through its own LoadLibrary calls only, so
// that the module's references are all the test's own or the window thread's.
//
// Run with --exit-with-windows-open it frees the module with the windows open and ends the
// process at once, which must end as any other: exit status 0.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstring>

#include "platform/windows_api.h"
#include "plugin/entry_point_table.h"
#include "window_probe.h"

namespace {

using tarno_test::WaitFor;

bool IsLoaded() { return GetModuleHandleA("TARNO-Contest.dll") != nullptr; }

const char* RunCommand(HMODULE module, const char* command) {
  auto run = reinterpret_cast<const char* (*)(int, const char*)>(
      reinterpret_cast<void (*)()>(GetProcAddress(module, TARNO_RUN_COMMAND_EXPORT)));
  return run != nullptr ? run(0, command) : "no such export";
}

HWND WindowWithControl(int id) {
  return tarno_test::FindProcessWindow([id](HWND w) { return GetDlgItem(w, id) != nullptr; });
}

struct Windows {
  HWND county = nullptr;
  HWND info = nullptr;
};

// SHOWINFO, and both windows once the first refresh has shown the information window.
Windows ShowInfo(HMODULE module) {
  RunCommand(module, "SHOWINFO");
  Windows open;
  WaitFor([&] {
    open.county = WindowWithControl(1015), open.info = WindowWithControl(1003);
    return open.county != nullptr && open.info != nullptr && IsWindowVisible(open.info);
  });
  return open;
}

bool Answers(HWND window) {
  DWORD_PTR answer = 0;
  return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer) != 0;
}

TEST(UnloadTest, FreeLibraryWithTheWindowsOpenReturnsAndTheModuleLeavesWhenTheyClose) {
  HMODULE module = LoadLibraryA(TARNO_PLUGIN_DLL_PATH);
  ASSERT_NE(nullptr, module);
  const Windows open = ShowInfo(module);
  ASSERT_NE(nullptr, open.info);

  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(FreeLibrary(module));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_TRUE(IsLoaded()) << "the window thread holds the module while its windows are open";
  EXPECT_TRUE(Answers(open.county));
  EXPECT_TRUE(Answers(open.info));

  PostMessageA(open.county, WM_SYSCOMMAND, SC_CLOSE, 0);  // the operator closes it
  EXPECT_TRUE(WaitFor([] { return !IsLoaded(); })) << "the module stayed after its windows";
  EXPECT_FALSE(IsWindow(open.county));
  EXPECT_FALSE(IsWindow(open.info));

  HMODULE again = LoadLibraryA(TARNO_PLUGIN_DLL_PATH);  // the process goes on
  ASSERT_NE(nullptr, again);
  EXPECT_STREQ("", RunCommand(again, "HIDEINFO"));
  EXPECT_TRUE(FreeLibrary(again));
  EXPECT_FALSE(IsLoaded());
}

TEST(UnloadTest, LoadedAgainWhileItsWindowsAreOpenTheModuleClosesThemAndCanLeave) {
  HMODULE module = LoadLibraryA(TARNO_PLUGIN_DLL_PATH);
  ASSERT_NE(nullptr, module);
  const Windows open = ShowInfo(module);
  ASSERT_NE(nullptr, open.info);
  EXPECT_TRUE(FreeLibrary(module));

  HMODULE again = LoadLibraryA(TARNO_PLUGIN_DLL_PATH);
  EXPECT_EQ(module, again) << "the same module, windows and all";
  RunCommand(again, "HIDEINFO");
  EXPECT_FALSE(IsWindow(open.county));
  EXPECT_FALSE(IsWindow(open.info));
  EXPECT_TRUE(FreeLibrary(again));
  EXPECT_FALSE(IsLoaded()) << "no window left to hold it";
}

int ExitWithWindowsOpen() {
  HMODULE module = LoadLibraryA(TARNO_PLUGIN_DLL_PATH);
  if (module == nullptr) return 2;
  const Windows open = ShowInfo(module);
  if (open.info == nullptr) return 3;
  if (!FreeLibrary(module) || !Answers(open.county)) return 4;
  std::printf("module freed with its windows open; the process ends now\n");
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
