// The module's own windows as the operator meets them, through the real DLL's entry points:
// the county window and its information window (opened by the statistics reset or SHOWINFO,
// closed by HIDEINFO, refreshed after call checks, reopened where they were left), the setup
// dialog, and the off-screen surface the table is painted through. Each case runs in a folder
// of its own holding the settings file; every wait is bounded; every case closes the windows.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "helpers/host_calls.h"
#include "ui/win32/gdi_canvas.h"
#include "ui/win32/mem_dc.h"
#include "ui/win32/resource.h"
#include "window_probe.h"

namespace tarno {

const EntryPoints& TheEntryPoints();

namespace {

using tarno_test::ClassOf;
using tarno_test::FindProcessWindow;
using tarno_test::TextOf;
using tarno_test::WaitFor;
using tarno_test::WriteFramedScreenshot;
using Place = std::pair<int, int>;
using Clock = std::chrono::steady_clock;

// Row by row, left to right.
const std::pair<int, const char*> kCountyBoxes[] = {
    {1015, "ZA"}, {1033, "GY"}, {1051, "VA"}, {1087, "KO"}, {1081, "VE"},
    {1016, "SO"}, {1034, "TO"}, {1052, "BA"}, {1088, "HB"}, {1082, "FE"},
    {1017, "BP"}, {1035, "NG"}, {1070, "HE"}, {1089, "PE"}, {1086, "SZ"},
    {1018, "BE"}, {1038, "CS"}, {1069, "BN"}, {1053, "BO"}, {1071, "SA"},
};

LONG StyleOf(HWND window) { return GetWindowLongA(window, GWL_STYLE); }

Place PlaceOf(HWND window) {
  const POINT topLeft = tarno_test::TopLeftOf(window);
  return Place(topLeft.x, topLeft.y);
}

bool IsCountyWindow(HWND window) {
  return ClassOf(window) == "#32770" && TextOf(GetDlgItem(window, IDC_COUNTY_ZA)) == "ZA";
}

HWND CountyWindow() { return FindProcessWindow(&IsCountyWindow); }

HWND InformationWindow() {
  return FindProcessWindow([](HWND w) {
    HWND table = GetDlgItem(w, IDC_INFO_TABLE);
    return ClassOf(w) == "#32770" && table && (StyleOf(table) & BS_TYPEMASK) == BS_OWNERDRAW;
  });
}

// Visible controls on top of one another, and check boxes too narrow for the box, a gap of
// about a character, their text and the focus rectangle around it (a pixel on either side).
std::vector<std::string> LayoutFaults(HWND window) {
  std::vector<std::string> faults;
  for (HWND c = GetWindow(window, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
    if (!IsWindowVisible(c)) continue;
    const std::string text = TextOf(c);
    RECT box, other, common, room;
    GetWindowRect(c, &box);
    for (HWND d = GetWindow(c, GW_HWNDNEXT); d != nullptr; d = GetWindow(d, GW_HWNDNEXT)) {
      GetWindowRect(d, &other);
      if (IsWindowVisible(d) && IntersectRect(&common, &box, &other)) {
        faults.push_back(text + " overlaps " + TextOf(d));
      }
    }
    if ((StyleOf(c) & BS_TYPEMASK) != BS_AUTOCHECKBOX) continue;
    HDC dc = GetDC(c);
    HGDIOBJ previous =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(c, WM_GETFONT, 0, 0)));
    SIZE size{0, 0}, gap{0, 0};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    GetTextExtentPoint32A(dc, "0", 1, &gap);
    SelectObject(dc, previous);
    ReleaseDC(c, dc);
    GetClientRect(c, &room);
    if (GetSystemMetrics(SM_CXMENUCHECK) + gap.cx + size.cx + 2 > room.right) {
      faults.push_back(text + " is cut");
    }
  }
  return faults;
}

// A folder of the case's own with the module's settings folder in it, current for the case.
class ScratchFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GetCurrentDirectoryA(MAX_PATH, m_previous);
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    m_folder = std::filesystem::absolute("windows_test\\" + std::string(test->name())).string();
    std::filesystem::remove_all(m_folder);
    std::filesystem::create_directories(m_folder + "\\Plugins");
    ASSERT_TRUE(SetCurrentDirectoryA(m_folder.c_str())) << m_folder;
  }

  void TearDown() override {
    entry.runCommand(0, "HIDEINFO");
    SetCurrentDirectoryA(m_previous);
  }

  std::string SettingsPath() const { return m_folder + "\\Plugins\\TARNO-Contest.ini"; }

  void WriteSettings(const std::string& keyLines) {
    std::ofstream(SettingsPath(), std::ios::binary) << "[Settings]\r\n" << keyLines;
  }

  std::string SettingsText() const {
    std::ifstream in(SettingsPath(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  std::string Setting(const char* key) const {
    char value[100] = "";
    GetPrivateProfileStringA("Settings", key, "", value, sizeof value, SettingsPath().c_str());
    return value;
  }

  const EntryPoints& entry = TheEntryPoints();

 private:
  char m_previous[MAX_PATH] = "";
  std::string m_folder;
};

class CountyWindowTest : public ScratchFolderTest {
 protected:
  // Both windows: the information window comes with the first refresh.
  bool WaitForWindows() {
    WaitFor([&] {
      m_county = CountyWindow(), m_info = InformationWindow();
      return m_county != nullptr && m_info != nullptr && IsWindowVisible(m_info);
    });
    return m_county != nullptr && m_info != nullptr;
  }

  bool OpenWindows() {
    entry.runCommand(0, "SHOWINFO");
    return WaitForWindows();
  }

  bool Refreshed() { return TextOf(m_county).rfind(" TARNO CNT on ", 0) == 0; }

  HWND m_county = nullptr;
  HWND m_info = nullptr;
};

TEST_F(CountyWindowTest, ResetWithMultiplierOpensTheCountyWindowAndItsFirstRefreshTheInformation) {
  WriteSettings("Multiplier=1\r\n");
  COleDateTime start = HostQso::MakeDate(44576.0), end = HostQso::MakeDate(44577.0);
  ASSERT_EQ(1, CallResetStats(entry, "HA5TST", &start, &end, "EU"));
  ASSERT_TRUE(WaitForWindows());

  const LONG kFrame = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MAXIMIZEBOX;
  EXPECT_EQ(kFrame, StyleOf(m_county) & kFrame);
  EXPECT_EQ(0, GetWindowLongA(m_county, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(nullptr, GetParent(m_county));
  EXPECT_EQ(nullptr, GetParent(m_info));
  for (const auto& [id, text] : kCountyBoxes) {
    HWND box = GetDlgItem(m_county, id);
    EXPECT_EQ(text, TextOf(box));
    EXPECT_EQ(BS_AUTOCHECKBOX | WS_TABSTOP, StyleOf(box) & (BS_TYPEMASK | WS_TABSTOP)) << text;
    EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(m_county, id)) << text;
  }
  for (const std::string& fault : LayoutFaults(m_county)) ADD_FAILURE() << fault;

  // No host: no band, no county counted; the year is the contest's.
  EXPECT_TRUE(WaitFor([&] { return TextOf(m_county) == " TARNO CNT on  0 of 20"; }));
  EXPECT_EQ("TARNO 2022", TextOf(m_info));
  EXPECT_EQ(Place(0, 0), PlaceOf(m_county)) << "no place saved yet";
  EXPECT_EQ(Place(10, 400), PlaceOf(m_info)) << "no place saved yet";

  EXPECT_TRUE(WriteFramedScreenshot(m_county, TARNO_SCREENSHOT_DIR "/county-window.png"));
  // The information window's first place reaches below small screens; it is pictured higher.
  SetWindowPos(m_info, nullptr, 300, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_TRUE(WriteFramedScreenshot(m_info, TARNO_SCREENSHOT_DIR "/info-window-empty.png"));
}

TEST_F(CountyWindowTest, HideinfoHasClosedBothWindowsWhenItReturns) {
  ASSERT_TRUE(OpenWindows());
  entry.runCommand(0, "HIDEINFO");
  EXPECT_FALSE(IsWindow(m_county));
  EXPECT_FALSE(IsWindow(m_info));
  const auto start = Clock::now();
  entry.runCommand(0, "HIDEINFO");
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500)) << "none open: at once";
}

TEST_F(CountyWindowTest, ShowinfoRightAfterShowinfoOrHideinfoLeavesOneWindowOrNone) {
  for (int round = 0; round < 5; ++round) {
    entry.runCommand(0, "SHOWINFO");
    entry.runCommand(0, "HIDEINFO");  // before the window thread has made its window
    EXPECT_EQ(nullptr, CountyWindow()) << "round " << round;
  }
  entry.runCommand(0, "SHOWINFO");
  entry.runCommand(0, "SHOWINFO");
  Sleep(600);  // time for a window that escaped to show itself
  int counties = 0;
  FindProcessWindow([&](HWND w) { return IsCountyWindow(w) && ++counties > 1; });
  EXPECT_EQ(1, counties);
}

TEST_F(CountyWindowTest, ShowinfoOpensBothWindowsWhereTheirPlacesWereSaved) {
  WriteSettings("oblast_x=123\r\noblast_y=77\r\ndxcc_x=345\r\ndxcc_y=210\r\n");
  ASSERT_TRUE(OpenWindows());
  EXPECT_EQ(Place(123, 77), PlaceOf(m_county));
  EXPECT_EQ(Place(345, 210), PlaceOf(m_info));
  entry.runCommand(0, "HIDEINFO");

  // A 0 stands for the information window's first place; not so for the county window.
  WriteSettings("oblast_x=0\r\noblast_y=5\r\ndxcc_x=0\r\ndxcc_y=0\r\n");
  ASSERT_TRUE(OpenWindows());
  EXPECT_EQ(Place(0, 5), PlaceOf(m_county));
  EXPECT_EQ(Place(10, 400), PlaceOf(m_info));
}

TEST_F(CountyWindowTest, AWindowMovedAnywhereSavesItsPlaceInFullAndReopensThere) {
  ASSERT_TRUE(OpenWindows());
  SetWindowPos(m_county, nullptr, -1500, 12345, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(m_info, nullptr, 10020, -1001, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  // The windows look where they are whenever the mouse passes over them.
  SendMessageA(m_county, WM_SETCURSOR, reinterpret_cast<WPARAM>(m_county), HTCLIENT);
  SendMessageA(m_info, WM_SETCURSOR, reinterpret_cast<WPARAM>(m_info), HTCLIENT);
  EXPECT_EQ("-1500", Setting("oblast_x"));
  EXPECT_EQ("12345", Setting("oblast_y"));
  EXPECT_EQ("10020", Setting("dxcc_x"));
  EXPECT_EQ("-1001", Setting("dxcc_y"));

  entry.runCommand(0, "HIDEINFO");
  ASSERT_TRUE(OpenWindows());
  EXPECT_EQ(Place(-1500, 12345), PlaceOf(m_county));
  EXPECT_EQ(Place(10020, -1001), PlaceOf(m_info));
}

TEST_F(CountyWindowTest, EachCallCheckPushesTheNextRefreshBack) {
  ASSERT_TRUE(OpenWindows());
  ASSERT_TRUE(WaitFor([&] { return Refreshed(); }));
  SetWindowTextA(m_county, "stale");  // every refresh rewrites the caption
  bool refreshedMeanwhile = false;
  for (const auto end = Clock::now() + std::chrono::milliseconds(1200); Clock::now() < end;) {
    CallCheckCall(entry, "DL1ABC", "CW", "DL", "", "20m");
    Sleep(50);
    refreshedMeanwhile = refreshedMeanwhile || Refreshed();
  }
  EXPECT_FALSE(refreshedMeanwhile) << "refreshed 330 ms after a check that others followed";
  EXPECT_TRUE(WaitFor([&] { return Refreshed(); }, 3000)) << "no refresh after the last check";
}

TEST_F(CountyWindowTest, TheInformationWindowsCloseBoxHidesItTillTheCountyWindowCloses) {
  ASSERT_TRUE(OpenWindows());
  PostMessageA(m_info, WM_SYSCOMMAND, SC_CLOSE, 0);
  ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(m_info); }));
  SetWindowTextA(m_info, "stale");
  CallCheckCall(entry, "DL1ABC", "CW", "DL", "", "20m");
  EXPECT_TRUE(WaitFor([&] { return TextOf(m_info) != "stale"; })) << "refreshed while hidden";
  EXPECT_FALSE(IsWindowVisible(m_info)) << "and left hidden";

  PostMessageA(m_county, WM_SYSCOMMAND, SC_CLOSE, 0);  // the operator closes the county window
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(m_county) && !IsWindow(m_info); }));
}

// Real key strokes through the system's input queue to the window in front.
void PressKey(HWND window, WORD key) {
  SetForegroundWindow(window);
  WaitFor([&] { return GetForegroundWindow() == window; });
  INPUT keys[2] = {};
  keys[0].type = keys[1].type = INPUT_KEYBOARD;
  keys[0].ki.wVk = keys[1].ki.wVk = key;
  keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, keys, sizeof(INPUT));
}

TEST_F(CountyWindowTest, EnterAndEscCloseTheCountyWindowAsInAnyDialog) {
  for (WORD key : {VK_RETURN, VK_ESCAPE}) {
    ASSERT_TRUE(OpenWindows());
    PressKey(m_county, key);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(m_county) && !IsWindow(m_info); }, 3000))
        << "key " << key;
    entry.runCommand(0, "HIDEINFO");
  }
}

// While HIDEINFO waits for the window thread, the host's own messages (input among them)
// must wait for the host's loop: handled inside the call, they could call the module again.
std::atomic<bool> inCall{false};
std::atomic<int> handledInCall{0}, handledAfter{0};

LRESULT CALLBACK HostProbeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_APP) ++(inCall ? handledInCall : handledAfter);
  return DefWindowProcA(window, message, wParam, lParam);
}

TEST_F(CountyWindowTest, HideinfoLeavesTheHostsPostedMessagesToItsLoop) {
  WNDCLASSA kind{};
  kind.lpszClassName = "TarnoHostProbe";
  kind.lpfnWndProc = &HostProbeProc;
  RegisterClassA(&kind);
  HWND host =
      CreateWindowA("TarnoHostProbe", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, host);
  ASSERT_TRUE(OpenWindows());
  PostMessageA(host, WM_APP, 0, 0);
  inCall = true;
  entry.runCommand(0, "HIDEINFO");
  inCall = false;
  EXPECT_FALSE(IsWindow(m_county)) << "HIDEINFO waited for the window";
  for (MSG message; PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE);) DispatchMessageA(&message);
  DestroyWindow(host);
  EXPECT_EQ(0, handledInCall.load());
  EXPECT_EQ(1, handledAfter.load());
}

TEST_F(CountyWindowTest, TheTableFillsTheInformationWindowLessAMarginWhenResized) {
  ASSERT_TRUE(OpenWindows());
  SetWindowPos(m_info, nullptr, 0, 0, 500, 300, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT client, table;
  GetClientRect(m_info, &client);
  GetWindowRect(GetDlgItem(m_info, IDC_INFO_TABLE), &table);
  MapWindowPoints(nullptr, m_info, reinterpret_cast<POINT*>(&table), 2);
  EXPECT_EQ(Place(5, 5), Place(table.left, table.top));
  EXPECT_EQ(Place(client.right - 5, client.bottom - 5), Place(table.right, table.bottom));
}

// Runs `script` on the setup dialog while this thread runs SetupSet0, and cancels a dialog
// the script left open, so that the call returns; false when no dialog appeared.
class SetupDialogTest : public ScratchFolderTest {
 protected:
  bool RunSetup(const std::function<void(HWND)>& script) {
    std::atomic<bool> returned{false}, found{false};
    std::thread driver([&] {
      HWND dialog = nullptr;
      WaitFor([&] {
        dialog = tarno_test::FindDialogByCaption("Setup TARNO");
        return returned || (dialog != nullptr && IsWindowVisible(dialog));
      });
      if (returned || dialog == nullptr) return;
      found = true;
      script(dialog);
      for (WaitFor([&] { return returned || !IsWindow(dialog); }); !returned; Sleep(50)) {
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
      }
    });
    entry.setupSet();
    returned = true;
    driver.join();
    return found;
  }

  static bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
  static void Click(HWND dialog, int id) { SendDlgItemMessageA(dialog, id, BM_CLICK, 0, 0); }
};

TEST_F(SetupDialogTest, OkWritesMasterThenMultiplierAsTheBoxesShowThem) {
  HWND master = nullptr;
  bool masterShown = true, masterEnabled = true, multiplierChecked = true, pictured = false;
  Place multiplierSize, designSize(-1, -1);
  std::vector<std::string> faults;
  ASSERT_TRUE(RunSetup([&](HWND dialog) {
    master = GetDlgItem(dialog, IDC_SETUP_MASTER);
    masterShown = IsWindowVisible(master), masterEnabled = IsWindowEnabled(master);
    multiplierChecked = Checked(dialog, IDC_SETUP_MULTIPLIER);
    RECT box, units{0, 0, 88, 12};
    GetWindowRect(GetDlgItem(dialog, IDC_SETUP_MULTIPLIER), &box);
    MapDialogRect(dialog, &units);
    multiplierSize = Place(box.right - box.left, box.bottom - box.top);
    designSize = Place(units.right, units.bottom);
    Click(dialog, IDC_SETUP_MULTIPLIER);
    pictured = WriteFramedScreenshot(dialog, TARNO_SCREENSHOT_DIR "/setup-dialog.png");
    faults = LayoutFaults(dialog);
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  }));
  EXPECT_FALSE(masterShown) << "the master-file box is kept out of reach";
  EXPECT_FALSE(masterEnabled);
  EXPECT_FALSE(multiplierChecked);
  EXPECT_EQ(designSize, multiplierSize) << "88 by 12 dialog units";
  EXPECT_EQ("[Settings]\r\nMaster=0\r\nMultiplier=1\r\n", SettingsText());
  for (const std::string& fault : faults) ADD_FAILURE() << fault;
  EXPECT_TRUE(pictured);
}

TEST_F(SetupDialogTest, ValuesABoxCannotShowOpenUncheckedAndEscOrTheCloseBoxWriteNothing) {
  for (bool esc : {true, false}) {
    WriteSettings("Multiplier=1\r\nMaster=-4\r\n");
    bool masterChecked = true, multiplierChecked = false;
    ASSERT_TRUE(RunSetup([&](HWND dialog) {
      masterChecked = Checked(dialog, IDC_SETUP_MASTER);
      multiplierChecked = Checked(dialog, IDC_SETUP_MULTIPLIER);
      Click(dialog, IDC_SETUP_MULTIPLIER);
      if (!esc) {
        PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        return;
      }
      SetForegroundWindow(dialog);
      WaitFor([&] { return GetForegroundWindow() == dialog; });
      INPUT keys[2] = {};
      keys[0].type = keys[1].type = INPUT_KEYBOARD;
      keys[0].ki.wVk = keys[1].ki.wVk = VK_ESCAPE;
      keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
      SendInput(2, keys, sizeof(INPUT));
    }));
    EXPECT_FALSE(masterChecked) << "-4 is no box's state";
    EXPECT_TRUE(multiplierChecked);
    EXPECT_EQ("[Settings]\r\nMultiplier=1\r\nMaster=-4\r\n", SettingsText()) << esc;
  }
}

// The table painted through the surface onto a recording of a device that is no screen: it
// lands at the item's place, drawn directly, and leaves the target's own state as it was.
TEST(OffScreenSurfaceTest, ATargetThatIsNoScreenIsPaintedDirectlyAtTheItemsPlace) {
  HDC recorder = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
  {
    CMemDC surface(recorder, RECT{10, 5, 60, 45});
    EXPECT_FALSE(surface.offScreen());
    GdiCanvas canvas(surface.dc());
    canvas.FillRect(0, 0, 50, 40, Rgb{255, 250, 198});
    canvas.DrawText(2, 2, "HA5TST");
  }
  POINT origin{-1, -1};
  GetViewportOrgEx(recorder, &origin);
  EXPECT_EQ(Place(0, 0), Place(origin.x, origin.y));
  EXPECT_EQ(OPAQUE, GetBkMode(recorder));
  HENHMETAFILE recording = CloseEnhMetaFile(recorder);
  ENHMETAHEADER header{};
  GetEnhMetaFileHeader(recording, sizeof header, &header);
  DeleteEnhMetaFile(recording);
  EXPECT_EQ(Place(10, 5), Place(header.rclBounds.left, header.rclBounds.top));
  EXPECT_EQ(Place(59, 44), Place(header.rclBounds.right, header.rclBounds.bottom));
}

}  // namespace
}  // namespace tarno
