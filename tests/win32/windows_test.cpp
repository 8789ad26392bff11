// The module's own windows as the operator meets them, through the real DLL's entry points:
// the county window and its information window (opened by the statistics reset or SHOWINFO,
// closed by HIDEINFO, refreshed after each call check, reopened where they were left), and
// the setup dialog. Each case runs in a folder of its own holding the settings file. Every
// wait is bounded, and every case ends with the windows closed.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "helpers/host_calls.h"
#include "platform/windows_api.h"
#include "ui/win32/resource.h"
#include "window_probe.h"

namespace tarno {

const EntryPoints& TheEntryPoints();

namespace {

using tarno_test::FindDialogByCaption;
using tarno_test::FindProcessWindow;
using tarno_test::TextOf;
using tarno_test::TopLeftOf;
using tarno_test::WaitFor;
using tarno_test::WriteScreenshot;

struct Box {
  int id;
  const char* text;
};

// Row by row, left to right, as the window shows them.
const Box kCountyBoxes[4][5] = {
    {{1015, "ZA"}, {1033, "GY"}, {1051, "VA"}, {1087, "KO"}, {1081, "VE"}},
    {{1016, "SO"}, {1034, "TO"}, {1052, "BA"}, {1088, "HB"}, {1082, "FE"}},
    {{1017, "BP"}, {1035, "NG"}, {1070, "HE"}, {1089, "PE"}, {1086, "SZ"}},
    {{1018, "BE"}, {1038, "CS"}, {1069, "BN"}, {1053, "BO"}, {1071, "SA"}},
};

using Place = std::pair<int, int>;

Place PlaceOf(HWND window) {
  const POINT topLeft = TopLeftOf(window);
  return Place(topLeft.x, topLeft.y);
}

LONG StyleOf(HWND window) { return GetWindowLongA(window, GWL_STYLE); }

bool IsCountyWindow(HWND window) {
  HWND first = GetDlgItem(window, IDC_COUNTY_ZA);
  return tarno_test::ClassOf(window) == "#32770" && first != nullptr && TextOf(first) == "ZA";
}

bool IsInformationWindow(HWND window) {
  HWND table = GetDlgItem(window, IDC_INFO_TABLE);
  return tarno_test::ClassOf(window) == "#32770" && table != nullptr &&
         (StyleOf(table) & BS_TYPEMASK) == BS_OWNERDRAW;
}

HWND CountyWindow() { return FindProcessWindow(&IsCountyWindow); }
HWND InformationWindow() { return FindProcessWindow(&IsInformationWindow); }

// Whether a check box shows its whole text: the box, a gap of about a character, the text,
// and the focus rectangle drawn around it.
bool TextFits(HWND control) {
  const std::string text = TextOf(control);
  RECT room;
  GetClientRect(control, &room);
  HDC dc = GetDC(control);
  HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0));
  HGDIOBJ previous = SelectObject(dc, font);
  SIZE size{0, 0}, gap{0, 0};
  GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
  GetTextExtentPoint32A(dc, "0", 1, &gap);
  SelectObject(dc, previous);
  ReleaseDC(control, dc);
  const int needed = GetSystemMetrics(SM_CXMENUCHECK) + gap.cx + size.cx + 2;
  fprintf(stderr, "%s needed %d room %d text %d gap %d box %d\n", text.c_str(), needed, (int)room.right, (int)size.cx, (int)gap.cx, GetSystemMetrics(SM_CXMENUCHECK));
  return needed <= room.right && size.cy <= room.bottom;
}

// Visible controls outside the client area, on top of one another, or cutting their text.
std::vector<std::string> LayoutFaults(HWND window) {
  std::vector<std::string> faults;
  RECT client, box, other, common;
  GetClientRect(window, &client);
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
  for (HWND c = GetWindow(window, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
    if (!IsWindowVisible(c)) continue;
    const std::string name = std::to_string(GetDlgCtrlID(c)) + " \"" + TextOf(c) + "\"";
    GetWindowRect(c, &box);
    if (!IntersectRect(&common, &box, &client) || !EqualRect(&common, &box)) {
      faults.push_back(name + " sticks out");
    }
    for (HWND d = GetWindow(c, GW_HWNDNEXT); d != nullptr; d = GetWindow(d, GW_HWNDNEXT)) {
      GetWindowRect(d, &other);
      if (IsWindowVisible(d) && IntersectRect(&common, &box, &other)) {
        faults.push_back(name + " overlaps " + TextOf(d));
      }
    }
    if ((StyleOf(c) & BS_TYPEMASK) == BS_AUTOCHECKBOX && !TextFits(c)) {
      faults.push_back(name + " cuts its text");
    }
  }
  return faults;
}

// A folder of the case's own, made current for the case, with the module's settings folder
// in it; the windows are closed and the previous folder made current again at the end.
class ScratchFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GetCurrentDirectoryA(MAX_PATH, m_previous);
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    m_folder = std::filesystem::absolute(std::filesystem::path("windows_test") /
                                         (std::string(test->test_suite_name()) + "." + test->name()))
                   .string();
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
    GetPrivateProfileStringA("Settings", key, "(none)", value, sizeof value, SettingsPath().c_str());
    return value;
  }

  const EntryPoints& entry = TheEntryPoints();

 private:
  char m_previous[MAX_PATH] = "";
  std::string m_folder;
};

class CountyWindowTest : public ScratchFolderTest {
 protected:
  // Opens both windows with SHOWINFO and waits for the information window, which the first
  // refresh brings; false when either is missing.
  bool OpenWindows() {
    entry.runCommand(0, "SHOWINFO");
    return WaitForWindows();
  }

  bool WaitForWindows() {
    m_county = nullptr, m_info = nullptr;
    WaitFor([&] {
      m_county = CountyWindow(), m_info = InformationWindow();
      return m_county != nullptr && m_info != nullptr && IsWindowVisible(m_info);
    });
    return m_county != nullptr && m_info != nullptr;
  }

  bool Refreshed() { return TextOf(m_county).rfind(" TARNO CNT on ", 0) == 0; }

  HWND m_county = nullptr;
  HWND m_info = nullptr;
};

TEST_F(CountyWindowTest, ResetWithMultiplierOpensTheCountyWindowAndItsFirstRefreshTheInformation) {
  WriteSettings("Multiplier=1\r\n");
  COleDateTime start = HostQso::MakeDate(44576.0), end = HostQso::MakeDate(44577.0);
  ASSERT_EQ(1, CallResetStats(entry, "HA5TST", &start, &end, "EU"));
  HWND county = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (county = CountyWindow()) != nullptr; })) << "no county window";
  const std::string firstCaption = TextOf(county);
  EXPECT_TRUE(firstCaption == "Hungary County" || firstCaption.rfind(" TARNO CNT on ", 0) == 0)
      << firstCaption;
  ASSERT_TRUE(WaitForWindows()) << "no information window";

  const LONG kCountyStyle = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME |
                            WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
  EXPECT_EQ(kCountyStyle, StyleOf(m_county) & kCountyStyle);
  const LONG extended = GetWindowLongA(m_county, GWL_EXSTYLE);
  EXPECT_EQ(0, extended & WS_EX_TOPMOST);
  EXPECT_NE(0, extended & WS_EX_CLIENTEDGE);
  EXPECT_EQ(nullptr, GetParent(m_county));
  EXPECT_EQ(nullptr, GetParent(m_info));
  for (const auto& row : kCountyBoxes) {
    for (const Box& box : row) {
      HWND control = GetDlgItem(m_county, box.id);
      ASSERT_NE(nullptr, control) << box.text;
      EXPECT_EQ(box.text, TextOf(control));
      EXPECT_EQ(BS_AUTOCHECKBOX, StyleOf(control) & BS_TYPEMASK) << box.text;
      EXPECT_NE(0, StyleOf(control) & WS_TABSTOP) << box.text;
      EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(m_county, box.id)) << box.text;
    }
  }
  for (int row = 0; row < 4; ++row) {  // four rows of five, in reading order
    for (int column = 1; column < 5; ++column) {
      RECT left, right;
      GetWindowRect(GetDlgItem(m_county, kCountyBoxes[row][column - 1].id), &left);
      GetWindowRect(GetDlgItem(m_county, kCountyBoxes[row][column].id), &right);
      EXPECT_LT(left.right, right.left) << kCountyBoxes[row][column].text;
      if (row > 0) {
        RECT above;
        GetWindowRect(GetDlgItem(m_county, kCountyBoxes[row - 1][column].id), &above);
        EXPECT_LE(above.bottom, right.top) << kCountyBoxes[row][column].text;
      }
    }
  }
  for (const std::string& fault : LayoutFaults(m_county)) ADD_FAILURE() << fault;

  // The band is unknown without a host, so no county is counted; the year is the contest's.
  EXPECT_TRUE(WaitFor([&] { return TextOf(m_county) == " TARNO CNT on  0 of 20"; }))
      << TextOf(m_county);
  EXPECT_EQ("TARNO 2022", TextOf(m_info));
  EXPECT_EQ(Place(0, 0), PlaceOf(m_county)) << "no place saved yet";
  EXPECT_EQ(Place(10, 400), PlaceOf(m_info)) << "no place saved yet";

  EXPECT_TRUE(WriteScreenshot(m_county, TARNO_SCREENSHOT_DIR "/county-window.png"));
  // The information window's first place reaches below small screens; it is pictured higher.
  SetWindowPos(m_info, nullptr, 300, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_TRUE(WriteScreenshot(m_info, TARNO_SCREENSHOT_DIR "/info-window-empty.png"));
}

TEST_F(CountyWindowTest, HideinfoHasClosedBothWindowsWhenItReturns) {
  ASSERT_TRUE(OpenWindows());
  entry.runCommand(0, "HIDEINFO");
  EXPECT_FALSE(IsWindow(m_county));
  EXPECT_FALSE(IsWindow(m_info));
  const auto start = std::chrono::steady_clock::now();
  entry.runCommand(0, "HIDEINFO");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500))
      << "nothing open: HIDEINFO returns at once";
}

TEST_F(CountyWindowTest, ShowinfoOpensBothWindowsWhereTheirPlacesWereSaved) {
  WriteSettings("oblast_x=123\r\noblast_y=77\r\ndxcc_x=345\r\ndxcc_y=210\r\n");
  ASSERT_TRUE(OpenWindows());
  EXPECT_EQ(Place(123, 77), PlaceOf(m_county));
  EXPECT_EQ(Place(345, 210), PlaceOf(m_info));
  entry.runCommand(0, "HIDEINFO");

  // A 0 for the information window stands for its first place; not so for the county window.
  WriteSettings("oblast_x=0\r\noblast_y=5\r\ndxcc_x=0\r\ndxcc_y=0\r\n");
  ASSERT_TRUE(OpenWindows());
  EXPECT_EQ(Place(0, 5), PlaceOf(m_county));
  EXPECT_EQ(Place(10, 400), PlaceOf(m_info));
}

TEST_F(CountyWindowTest, AWindowMovedAnywhereSavesItsPlaceInFullAndReopensThere) {
  ASSERT_TRUE(OpenWindows());
  const UINT move = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
  SetWindowPos(m_county, nullptr, -1500, 12345, 0, 0, move);
  SetWindowPos(m_info, nullptr, 10020, -1001, 0, 0, move);
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
  // The caption is rewritten by every refresh: a stale one shows that none has run.
  SetWindowTextA(m_county, "stale");
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1200);
  bool refreshedMeanwhile = false;
  while (std::chrono::steady_clock::now() < end) {
    CallCheckCall(entry, "DL1ABC", "CW", "DL", "", "20m");
    Sleep(50);
    refreshedMeanwhile = refreshedMeanwhile || Refreshed();
  }
  EXPECT_FALSE(refreshedMeanwhile) << "a refresh ran 330 ms after a check though more followed";
  EXPECT_TRUE(WaitFor([&] { return Refreshed(); }, 3000)) << "no refresh after the last check";
}

TEST_F(CountyWindowTest, TheInformationWindowsCloseBoxOnlyHidesItUntilTheCountyWindowCloses) {
  ASSERT_TRUE(OpenWindows());
  PostMessageA(m_info, WM_SYSCOMMAND, SC_CLOSE, 0);
  ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(m_info); }));
  EXPECT_TRUE(IsWindow(m_info));
  SetWindowTextA(m_info, "stale");
  CallCheckCall(entry, "DL1ABC", "CW", "DL", "", "20m");
  EXPECT_TRUE(WaitFor([&] { return TextOf(m_info) != "stale"; })) << "refreshed while hidden";
  EXPECT_FALSE(IsWindowVisible(m_info)) << "a refresh does not show it again";
  EXPECT_EQ(m_info, InformationWindow()) << "no second one";

  // The operator closes the county window: both go, and HIDEINFO has nothing left to wait for.
  PostMessageA(m_county, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(m_county) && !IsWindow(m_info); }));
  const auto start = std::chrono::steady_clock::now();
  entry.runCommand(0, "HIDEINFO");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
}

TEST_F(CountyWindowTest, TheTableFillsTheInformationWindowLessAMarginWhenResized) {
  ASSERT_TRUE(OpenWindows());
  SetWindowPos(m_info, nullptr, 0, 0, 500, 300, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT client, table;
  GetClientRect(m_info, &client);
  HWND button = GetDlgItem(m_info, IDC_INFO_TABLE);
  GetWindowRect(button, &table);
  MapWindowPoints(nullptr, m_info, reinterpret_cast<POINT*>(&table), 2);
  EXPECT_EQ(5, table.left);
  EXPECT_EQ(5, table.top);
  EXPECT_EQ(client.right - 5, table.right);
  EXPECT_EQ(client.bottom - 5, table.bottom);
}

TEST_F(CountyWindowTest, ShowinfoWhileOpenReplacesTheWindowsWithNewOnes) {
  ASSERT_TRUE(OpenWindows());
  HWND first = m_county;
  ASSERT_TRUE(OpenWindows());
  EXPECT_FALSE(IsWindow(first));
  int counties = 0;
  FindProcessWindow([&](HWND w) { return IsCountyWindow(w) && ++counties > 1; });
  EXPECT_EQ(1, counties);
}

// Runs `script` on the setup dialog, which the constructing thread shows modally meanwhile;
// a dialog the script left open is cancelled so that the blocked call returns.
class SetupDriver {
 public:
  explicit SetupDriver(std::function<void(HWND)> script)
      : m_thread([this, script] { Run(script); }) {}
  ~SetupDriver() { Join(); }

  bool Join() {
    m_returned = true;
    if (m_thread.joinable()) m_thread.join();
    return m_found;
  }

 private:
  void Run(const std::function<void(HWND)>& script) {
    HWND dialog = nullptr;
    WaitFor([&] {
      dialog = FindDialogByCaption("Setup TARNO");
      return m_returned || (dialog != nullptr && IsWindowVisible(dialog));
    });
    if (dialog == nullptr || !IsWindowVisible(dialog)) return;
    m_found = true;
    script(dialog);
    WaitFor([&] { return m_returned || !IsWindow(dialog); });
    while (!m_returned) {
      if (HWND open = FindDialogByCaption("Setup TARNO")) PostMessageA(open, WM_COMMAND, IDCANCEL, 0);
      Sleep(50);
    }
  }

  std::atomic<bool> m_returned{false};
  std::atomic<bool> m_found{false};
  std::thread m_thread;
};

struct SetupView {
  bool masterChecked, masterVisible, masterEnabled, multiplierChecked, multiplierVisible;
};

SetupView ViewOf(HWND dialog) {
  HWND master = GetDlgItem(dialog, IDC_SETUP_MASTER);
  HWND multiplier = GetDlgItem(dialog, IDC_SETUP_MULTIPLIER);
  return {IsDlgButtonChecked(dialog, IDC_SETUP_MASTER) == BST_CHECKED,
          IsWindowVisible(master) != 0, IsWindowEnabled(master) != 0,
          IsDlgButtonChecked(dialog, IDC_SETUP_MULTIPLIER) == BST_CHECKED,
          IsWindowVisible(multiplier) != 0};
}

void ClickMultiplier(HWND dialog) {
  SendDlgItemMessageA(dialog, IDC_SETUP_MULTIPLIER, BM_CLICK, 0, 0);
}

void PressEsc(HWND dialog) {
  SetForegroundWindow(dialog);
  SendMessageA(dialog, WM_NEXTDLGCTL,
               reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDC_SETUP_MULTIPLIER)), TRUE);
  WaitFor([&] { return GetForegroundWindow() == dialog; });
  INPUT keys[2] = {};
  keys[0].type = keys[1].type = INPUT_KEYBOARD;
  keys[0].ki.wVk = keys[1].ki.wVk = VK_ESCAPE;
  keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, keys, sizeof(INPUT));
}

using SetupDialogTest = ScratchFolderTest;

TEST_F(SetupDialogTest, OkWritesMasterThenMultiplierAsTheBoxesShowThem) {
  SetupView view{};
  std::vector<std::string> faults;
  bool pictured = false;
  SetupDriver driver([&](HWND dialog) {
    view = ViewOf(dialog);
    ClickMultiplier(dialog);
    pictured = WriteScreenshot(dialog, TARNO_SCREENSHOT_DIR "/setup-dialog.png");
    faults = LayoutFaults(dialog);
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  });
  entry.setupSet();
  ASSERT_TRUE(driver.Join()) << "no setup dialog";
  EXPECT_FALSE(view.masterChecked);
  EXPECT_FALSE(view.masterVisible) << "the master-file box is kept hidden";
  EXPECT_FALSE(view.masterEnabled);
  EXPECT_FALSE(view.multiplierChecked);
  EXPECT_TRUE(view.multiplierVisible);
  EXPECT_EQ("[Settings]\r\nMaster=0\r\nMultiplier=1\r\n", SettingsText());
  for (const std::string& fault : faults) ADD_FAILURE() << fault;
  EXPECT_TRUE(pictured);
}

TEST_F(SetupDialogTest, ValuesABoxCannotShowOpenUncheckedAndOkWritesWhatTheBoxesShow) {
  WriteSettings("Master=2\r\nMultiplier=3\r\n");
  SetupView view{};
  SetupDriver driver([&](HWND dialog) {
    view = ViewOf(dialog);
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
  });
  entry.setupSet();
  ASSERT_TRUE(driver.Join());
  EXPECT_TRUE(view.masterChecked) << "2 is within what the box takes";
  EXPECT_FALSE(view.multiplierChecked) << "3 is not";
  EXPECT_EQ("1", Setting("Master"));
  EXPECT_EQ("0", Setting("Multiplier"));
}

TEST_F(SetupDialogTest, EscAndTheCloseBoxWriteNothing) {
  const std::string kept = "[Settings]\r\nMultiplier=1\r\nMaster=-4\r\n";
  for (bool esc : {true, false}) {
    WriteSettings("Multiplier=1\r\nMaster=-4\r\n");
    SetupView view{};
    SetupDriver driver([&](HWND dialog) {
      view = ViewOf(dialog);
      ClickMultiplier(dialog);
      if (esc) {
        PressEsc(dialog);
      } else {
        PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
      }
    });
    entry.setupSet();
    ASSERT_TRUE(driver.Join());
    EXPECT_TRUE(view.multiplierChecked);
    EXPECT_FALSE(view.masterChecked);
    EXPECT_EQ(kept, SettingsText()) << (esc ? "Esc" : "close box");
  }
}

}  // namespace
}  // namespace tarno
