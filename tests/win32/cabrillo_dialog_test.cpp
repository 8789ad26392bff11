// The Cabrillo header dialog as the operator meets it: the real template from the built DLL,
// driven from a second thread with texts, key strokes and buttons while the tested call
// blocks; the host's version read from stand-in programs; and the Cabrillo steps of a
// statistics run through the entry points. Every wait is bounded, and a dialog still open
// when its call should have returned is closed, so that no fault can hang the suite.
#include "ui/win32/cabrillo_dialog.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "dll_harness.h"
#include "helpers/host_calls.h"
#include "platform/desktop.h"
#include "platform/windows_api.h"
#include "ui/win32/resource.h"
#include "window_probe.h"

namespace tarno {

const EntryPoints& TheEntryPoints();

namespace {

using tarno_test::TextOf;
using tarno_test::WaitFor;
using tarno_test::WriteScreenshot;

struct DialogSearch {
  const char* caption;
  HWND found;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<DialogSearch*>(param);
  char text[64] = "", kind[16] = "";
  GetWindowTextA(window, text, sizeof text);
  GetClassNameA(window, kind, sizeof kind);
  if (std::string(kind) != "#32770" || std::string(text) != search->caption) return TRUE;
  search->found = window;
  return FALSE;
}

// Only the tested thread's dialogs: windows of other processes on the display are not ours.
HWND FindDialogOf(DWORD thread, const char* caption) {
  DialogSearch search{caption, nullptr};
  EnumThreadWindows(thread, &MatchDialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Runs `script` on the next dialog of that caption the constructing thread shows.
class DialogDriver {
 public:
  DialogDriver(const char* caption, std::function<void(HWND)> script)
      : m_owner(GetCurrentThreadId()), m_thread([=] { Run(caption, script); }) {}
  ~DialogDriver() { Join(); }

  // Call when the blocking call has returned; true when the dialog had appeared.
  bool Join() {
    m_returned = true;
    if (m_thread.joinable()) m_thread.join();
    return m_found;
  }

 private:
  void Run(const char* caption, const std::function<void(HWND)>& script) {
    HWND dialog = nullptr;
    // A modal dialog turns visible once it is set up and its thread waits for input.
    WaitFor([&] {
      dialog = FindDialogOf(m_owner, caption);
      return m_returned || (dialog != nullptr && IsWindowVisible(dialog));
    });
    if (dialog == nullptr || !IsWindowVisible(dialog)) return;
    m_found = true;
    script(dialog);
    WaitFor([&] { return m_returned || !IsWindow(dialog); });
    while (!m_returned) {  // the script failed to close it
      if (HWND open = FindDialogOf(m_owner, caption)) PostMessageA(open, WM_COMMAND, IDCANCEL, 0);
      Sleep(50);
    }
  }

  const DWORD m_owner;
  std::atomic<bool> m_returned{false};
  std::atomic<bool> m_found{false};
  std::thread m_thread;
};

std::string ItemText(HWND dialog, int id) { return TextOf(GetDlgItem(dialog, id)); }

void Click(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// Real key strokes through the system's input queue, to the control with the focus.
void Key(WORD key, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &input, sizeof input);
}
void Press(WORD key) { Key(key, false), Key(key, true); }
void PressWithCtrl(WORD key) { Key(VK_CONTROL, false), Press(key), Key(VK_CONTROL, true); }

void FocusOn(HWND dialog, int id) {
  SetForegroundWindow(dialog);
  SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, id)), TRUE);
  WaitFor([&] { return GetForegroundWindow() == dialog; });
}

// Also tells that the keys pressed before have been handled.
bool Shows(HWND dialog, int id, const std::string& text) {
  return WaitFor([&] { return ItemText(dialog, id) == text; });
}

// The texts a control shows in a room of fixed size, with that room.
std::vector<std::string> FixedTexts(HWND control, RECT* room) {
  char kind[16] = "";
  GetClassNameA(control, kind, sizeof kind);
  GetClientRect(control, room);
  if (lstrcmpiA(kind, "Static") == 0 || lstrcmpiA(kind, "Button") == 0) return {TextOf(control)};
  std::vector<std::string> entries;
  if (lstrcmpiA(kind, "ComboBox") != 0) return entries;
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  GetComboBoxInfo(control, &info);
  *room = info.rcItem;
  for (int i = 0; i < SendMessageA(control, CB_GETCOUNT, 0, 0); ++i) {
    char entry[64] = "";
    SendMessageA(control, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(entry));
    entries.push_back(entry);
  }
  return entries;
}

bool Fits(HWND control, const std::string& text, const RECT& room) {
  SIZE size{0, 0};
  HDC dc = GetDC(control);
  HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0));
  HGDIOBJ previous = SelectObject(dc, font);
  GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, previous);
  ReleaseDC(control, dc);
  return size.cx <= room.right - room.left && size.cy <= room.bottom - room.top;
}

// Controls outside the dialog or on top of one another, and texts wider than their room.
std::vector<std::string> LayoutFaults(HWND dialog) {
  std::vector<std::string> faults;
  RECT client, box, other, common, room;
  GetClientRect(dialog, &client);
  MapWindowPoints(dialog, nullptr, reinterpret_cast<POINT*>(&client), 2);
  for (HWND c = GetWindow(dialog, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
    const std::string name = std::to_string(GetDlgCtrlID(c)) + " \"" + TextOf(c) + "\"";
    GetWindowRect(c, &box);
    if (!IntersectRect(&common, &box, &client) || !EqualRect(&common, &box)) {
      faults.push_back(name + " sticks out");
    }
    for (HWND d = GetWindow(c, GW_HWNDNEXT); d != nullptr; d = GetWindow(d, GW_HWNDNEXT)) {
      GetWindowRect(d, &other);
      if (IntersectRect(&common, &box, &other)) faults.push_back(name + " overlaps " + TextOf(d));
    }
    for (const std::string& text : FixedTexts(c, &room)) {
      if (!Fits(c, text, room)) faults.push_back(name + " cuts \"" + text + "\"");
    }
  }
  return faults;
}

CabrilloHeaderValues SomeValues() {
  CabrilloHeaderValues v;
  v.contest = "TARNO", v.callsign = "HA5TST", v.claimed = "1234";
  v.categoryOperator = "SINGLE-OP", v.location = "JN97", v.categoryBand = "ALL";
  v.categoryMode = "MIXED", v.categoryPower = "HIGH", v.categoryTransmitter = "ONE";
  v.name = "Kovacs Janos", v.address = "Fo utca 1", v.addressCity = "Budapest";
  v.addressPostalCode = "1011", v.addressCountry = "Hungary", v.operators = "HA5TST";
  v.club = "TARNO RC", v.soapbox = "first line\r\nsecond line", v.email = "ha5tst@example.org";
  return v;
}

// Every value, in a form whose comparison shows the ones that differ.
auto All(const CabrilloHeaderValues& v) {
  return std::make_tuple(v.contest, v.callsign, v.claimed, v.categoryOperator, v.location,
                         v.categoryBand, v.categoryMode, v.categoryPower, v.categoryTransmitter,
                         v.name, v.address, v.addressCity, v.addressPostalCode, v.addressCountry,
                         v.operators, v.club, v.soapbox, v.email);
}

class HeaderDialogTest : public ::testing::Test {
 protected:
  // The dialog from the DLL's template, driven by `script`.
  bool Run(CabrilloHeaderValues* values, std::function<void(HWND)> script) {
    DialogDriver driver("TARNO Contest", std::move(script));
    bool confirmed = Dialog_CabrilloHeader(nullptr, m_dll.module(), values);
    EXPECT_TRUE(driver.Join()) << "the dialog never appeared";
    return confirmed;
  }

  tarno_test::PluginDll m_dll;
};

TEST_F(HeaderDialogTest, OpensWithTheValuesLaidOutWholeAndApart) {
  CabrilloHeaderValues values = SomeValues();
  values.categoryOperator = "multi", values.categoryBand = "160M", values.categoryMode = "";
  values.categoryTransmitter = "u";
  const CabrilloHeaderValues before = values;
  std::vector<std::string> shown, faults;
  LRESULT bandSelection = 0;
  bool pictured = false;
  bool confirmed = Run(&values, [&](HWND dialog) {
    for (int id :
         {IDC_HEADER_CALLSIGN, IDC_HEADER_CLAIMED, IDC_HEADER_SOAPBOX, IDC_HEADER_CATEGORY_OPERATOR,
          IDC_HEADER_CATEGORY_BAND, IDC_HEADER_CATEGORY_MODE, IDC_HEADER_CATEGORY_TRANSMITTER}) {
      shown.push_back(ItemText(dialog, id));
    }
    bandSelection = SendDlgItemMessageA(dialog, IDC_HEADER_CATEGORY_BAND, CB_GETCURSEL, 0, 0);
    pictured = WriteScreenshot(dialog, TARNO_SCREENSHOT_DIR "/cabrillo-header.png");
    faults = LayoutFaults(dialog);
    Click(dialog, IDCANCEL);
  });
  // A combo box picks the first entry that begins with its value, whatever the case.
  EXPECT_EQ(shown, (std::vector<std::string>{"HA5TST", "1234", "first line\r\nsecond line",
                                             "MULTI-OP", "160M", "MIXED", "UNLIMITED"}));
  EXPECT_EQ(CB_ERR, bandSelection) << "no entry begins with 160M";
  EXPECT_FALSE(confirmed);
  EXPECT_EQ(All(before), All(values));
  for (const std::string& fault : faults) ADD_FAILURE() << fault;
  EXPECT_TRUE(pictured) << "no screenshot in " TARNO_SCREENSHOT_DIR;
}

TEST_F(HeaderDialogTest, OkTakesEveryFieldAsTypedExceptClaimed) {
  CabrilloHeaderValues values = SomeValues();
  const std::string longName(40000, 'x');  // beyond the edit control's own limit
  bool confirmed = Run(&values, [&](HWND dialog) {
    SetDlgItemTextA(dialog, IDC_HEADER_CLAIMED, "999999");
    SetDlgItemTextA(dialog, IDC_HEADER_NAME, longName.c_str());
    SetDlgItemTextA(dialog, IDC_HEADER_CATEGORY_BAND, "160M");
    SendDlgItemMessageA(dialog, IDC_HEADER_CATEGORY_POWER, CB_SETCURSEL, 2, 0);
    SetDlgItemTextA(dialog, IDC_HEADER_EMAIL, "");
    Click(dialog, IDOK);
  });
  CabrilloHeaderValues expected = SomeValues();
  expected.name = longName, expected.categoryBand = "160M", expected.categoryPower = "QRP";
  expected.email = "";
  EXPECT_TRUE(confirmed);
  EXPECT_EQ(All(expected), All(values));
}

TEST_F(HeaderDialogTest, EscAndTheCloseBoxKeepTheValues) {
  for (bool esc : {true, false}) {
    CabrilloHeaderValues values = SomeValues();
    bool confirmed = Run(&values, [&](HWND dialog) {
      SetDlgItemTextA(dialog, IDC_HEADER_CLUB, "changed");
      if (esc) {
        FocusOn(dialog, IDC_HEADER_CLUB), Press(VK_ESCAPE);
      } else {
        PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
      }
    });
    EXPECT_FALSE(confirmed) << (esc ? "Esc" : "close box");
    EXPECT_EQ(All(SomeValues()), All(values));
  }
}

TEST_F(HeaderDialogTest, EnterBreaksSoapboxLinesCtrlEnterOperatorsLinesAndEnterThereConfirms) {
  CabrilloHeaderValues values = SomeValues();
  bool confirmed = Run(&values, [&](HWND dialog) {
    SetDlgItemTextA(dialog, IDC_HEADER_SOAPBOX, "");
    SetDlgItemTextA(dialog, IDC_HEADER_OPERATORS, "");
    FocusOn(dialog, IDC_HEADER_SOAPBOX);
    Press('1'), Press(VK_RETURN), Press('2');
    if (!Shows(dialog, IDC_HEADER_SOAPBOX, "1\r\n2")) return;
    FocusOn(dialog, IDC_HEADER_OPERATORS);
    Press('3'), PressWithCtrl(VK_RETURN), Press('4');
    if (Shows(dialog, IDC_HEADER_OPERATORS, "3\r\n4")) Press(VK_RETURN);
  });
  EXPECT_TRUE(confirmed) << "Enter in OPERATORS confirms";
  EXPECT_EQ("1\r\n2", values.soapbox);
  EXPECT_EQ("3\r\n4", values.operators);
}

TEST(HeaderDialogWithoutTemplateTest, IsNotConfirmedAndKeepsTheValues) {
  CabrilloHeaderValues values = SomeValues();
  // This program has no dialog templates, unlike the DLL.
  EXPECT_FALSE(Dialog_CabrilloHeader(nullptr, GetModuleHandleA(nullptr), &values));
  EXPECT_EQ(All(SomeValues()), All(values));
}

// Each case copies stand-in programs, under the names given, into an empty folder of its
// own and asks from there.
class HostVersionTest : public ::testing::Test {
 protected:
  std::string VersionAmong(const std::vector<std::pair<const char*, const char*>>& programs) {
    const std::string folder = "host_version_test\\case" + std::to_string(++m_cases);
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    for (const auto& [built, name] : programs) {
      EXPECT_TRUE(CopyFileA(built, (folder + "\\" + name).c_str(), FALSE)) << built;
    }
    char previous[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, previous);
    if (!SetCurrentDirectoryA(folder.c_str())) return "cannot enter " + folder;
    std::string version = Desktop::Default()->HostVersion();
    SetCurrentDirectoryA(previous);
    return version;
  }

  const char* const kVersion2 = TARNO_HOST_STUB_2_20;
  const char* const kVersion3 = TARNO_HOST_STUB_3_1_4;
  int m_cases = 0;
};

TEST_F(HostVersionTest, MajorVersionTwoIsMajorAndMinorOthersAddTheBuild) {
  EXPECT_EQ("2.20", VersionAmong({{kVersion2, "Zelk-old.exe"}}));
  EXPECT_EQ("3.1.4", VersionAmong({{kVersion3, "Zelk-new.exe"}}));
  EXPECT_EQ("3.1.4", VersionAmong({{kVersion3, "MyZelkLogger.exe"}}));
  EXPECT_EQ("2.20", VersionAmong({{kVersion3, "Logger.exe"}, {kVersion2, "Zelk-old.exe"}}));
}

TEST_F(HostVersionTest, NoProgramNamedZelkSoOrNoVersionGivesNothing) {
  EXPECT_EQ("", VersionAmong({}));
  EXPECT_EQ("", VersionAmong({{kVersion3, "zelk.exe"}, {kVersion3, "ZELK-new.exe"}}));
  EXPECT_EQ("", VersionAmong({{kVersion3, "Zelk.dll"}}));
  EXPECT_EQ("", VersionAmong({{TARNO_HOST_STUB_NO_VERSION, "Zelk.exe"}}));
}

TEST(CabrilloRunTest, ResetAsksForTheHeaderAndTheResultWritesAndAnnouncesTheFile) {
  const EntryPoints& entry = TheEntryPoints();
  DeleteFileA("HA5TST.cbr");
  COleDateTime start = HostQso::MakeDate(44576.0), end = HostQso::MakeDate(44577.0);
  {
    DialogDriver driver("TARNO Contest", [](HWND dialog) { Click(dialog, IDOK); });
    CallResetStats(entry, "HA5TST", &start, &end, "EU", /*cabrilloMode=*/1);
    EXPECT_TRUE(driver.Join()) << "no header dialog at the statistics reset";
  }
  ASSERT_EQ(1, CallAddData(entry, HostQso()));
  std::string message;
  int flag = 0;
  {
    DialogDriver driver("Output", [&](HWND box) {
      message = ItemText(box, 0xFFFF);
      Click(box, IDOK);
    });
    entry.getResult(&flag);
    EXPECT_TRUE(driver.Join()) << "no Output message after the score";
  }
  EXPECT_EQ("File produced: HA5TST.cbr", message);
  EXPECT_EQ(-1, flag);
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA("HA5TST.cbr"));
}

}  // namespace
}  // namespace tarno
