// The module in a stand-in logger process, from a statistics reset to HIDEINFO. The test's
// main thread plays the logger's UI thread: it publishes a fake automation object as
// "Zelk2.Application" and pumps messages whenever it waits, as a logger's message loop
// would, while the real DLL opens its county and information windows on a thread of their
// own and asks the fake from there. Every wait is bounded.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "fake_host/fake_host_object.h"
#include "fake_host/fake_host_registration.h"
#include "helpers/host_calls.h"
#include "platform/windows_api.h"
#include "ui/win32/resource.h"
#include "window_probe.h"

namespace tarno {

const EntryPoints& TheEntryPoints();

namespace {

using Clock = std::chrono::steady_clock;
using tarno_test::FakeHostObject;
using tarno_test::PumpUntil;
using tarno_test::TextOf;
using Texts = std::vector<std::wstring>;

const wchar_t kHostProgId[] = L"Zelk2.Application";
// {7DC0C7BB-DA42-4E35-992E-EA73C56EA20E}
const CLSID kHostClassId = {
    0x7dc0c7bb, 0xda42, 0x4e35, {0x99, 0x2e, 0xea, 0x73, 0xc5, 0x6e, 0xa2, 0x0e}};

const int kCountyBoxIds[] = {IDC_COUNTY_ZA, IDC_COUNTY_SO, IDC_COUNTY_BP, IDC_COUNTY_BE,
                             IDC_COUNTY_GY, IDC_COUNTY_TO, IDC_COUNTY_NG, IDC_COUNTY_CS,
                             IDC_COUNTY_VA, IDC_COUNTY_BA, IDC_COUNTY_BO, IDC_COUNTY_BN,
                             IDC_COUNTY_HE, IDC_COUNTY_SA, IDC_COUNTY_VE, IDC_COUNTY_FE,
                             IDC_COUNTY_SZ, IDC_COUNTY_KO, IDC_COUNTY_HB, IDC_COUNTY_PE};

// The information table's rows: a heading, then 160, 80, 40, 20, 15 and 10 m.
constexpr int kTableRows = 7;
constexpr int kBand40m = 2;
constexpr int kBand20m = 3;
constexpr int kTimeColumnLeft = 100;
constexpr int kTimeColumnRight = 175;

struct Rgb {
  uint8_t red, green, blue;
  bool operator==(const Rgb& o) const { return red == o.red && green == o.green && blue == o.blue; }
};
constexpr Rgb kTableColour = {255, 255, 198};
constexpr Rgb kRadioBandColour = {198, 255, 255};

std::ostream& operator<<(std::ostream& out, const Rgb& c) {
  return out << "RGB(" << int(c.red) << "," << int(c.green) << "," << int(c.blue) << ")";
}

// The county window has the county boxes, the information window the table.
HWND CountyWindow() {
  return tarno_test::FindProcessWindow([](HWND w) {
    return tarno_test::ClassOf(w) == "#32770" && GetDlgItem(w, IDC_COUNTY_ZA) != nullptr;
  });
}

HWND InfoWindow() {
  return tarno_test::FindProcessWindow([](HWND w) {
    return tarno_test::ClassOf(w) == "#32770" && GetDlgItem(w, IDC_INFO_TABLE) != nullptr &&
           GetDlgItem(w, IDC_COUNTY_ZA) == nullptr;
  });
}

std::set<int> CheckedBoxes(HWND county) {
  std::set<int> checked;
  for (int id : kCountyBoxIds) {
    if (IsDlgButtonChecked(county, id) == BST_CHECKED) checked.insert(id);
  }
  return checked;
}

// A window's client area as the screen shows it.
class Pixels {
 public:
  explicit Pixels(HWND window) {
    RECT area;
    GetClientRect(window, &area);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&area), 2);
    m_width = area.right - area.left, m_height = area.bottom - area.top;
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), m_width, -m_height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    if (bitmap && BitBlt(memory, 0, 0, m_width, m_height, screen, area.left, area.top, SRCCOPY)) {
      const auto* bgrx = static_cast<const uint8_t*>(bits);
      m_bgrx.assign(bgrx, bgrx + 4 * m_width * m_height);
    }
    SelectObject(memory, previous);
    if (bitmap) DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
  }

  int width() const { return m_width; }
  int height() const { return m_height; }
  bool empty() const { return m_bgrx.empty(); }

  Rgb At(int x, int y) const {
    const uint8_t* p = &m_bgrx[4 * (static_cast<size_t>(y) * m_width + x)];
    return Rgb{p[2], p[1], p[0]};
  }

  // Dark pixels in the rectangle: how much text it holds.
  int InkIn(int left, int top, int right, int bottom) const {
    int ink = 0;
    for (int y = top; y < bottom && y < m_height; ++y) {
      for (int x = left; x < right && x < m_width; ++x) {
        const Rgb c = At(x, y);
        if (c.red + c.green + c.blue < 3 * 128) ++ink;
      }
    }
    return ink;
  }

 private:
  int m_width = 0, m_height = 0;
  std::vector<uint8_t> m_bgrx;
};

HostQso Qso(const char* call, const char* prefix, const char* band, unsigned int freqHz,
            const char* mode, const char* exchRcvd, double minutesAfterNoon) {
  HostQso qso;
  qso.call = call, qso.prefix = prefix, qso.band = band, qso.freqHz = freqHz, qso.mode = mode;
  qso.exchRcvd = exchRcvd;
  qso.continent = "EU";
  qso.rstSent = qso.rstRcvd = std::string(mode) == "CW" ? "599" : "59";
  qso.time = HostQso::MakeDate(44576.5 + minutesAfterNoon / (24 * 60));  // 2022-01-15
  return qso;
}

// The logger's object lives on to the end of the process: a window thread may still give
// back its proxy while the module is being unloaded.
FakeHostObject* TheHost() {
  static FakeHostObject* host = new FakeHostObject;
  return host;
}

bool SawCall(DISPID id, size_t from = 0) {
  const std::vector<FakeHostObject::Call> calls = TheHost()->Calls();
  for (size_t i = from; i < calls.size(); ++i) {
    if (calls[i].id == id) return true;
  }
  return false;
}

class EndToEndTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_comEntered = SUCCEEDED(CoInitialize(nullptr));
    // A county window at every statistics reset; the settings file is the host's folder's.
    std::filesystem::create_directories("Plugins");
    std::ofstream("Plugins/TARNO-Contest.ini", std::ios::binary | std::ios::trunc)
        << "[Settings]\r\nMultiplier=1\r\nStart=0\r\n";
    s_progIdRegistered = tarno_test::RegisterProgId(kHostProgId, kHostClassId);
    s_active = new tarno_test::ActiveObject(TheHost(), kHostClassId);
  }

  static void TearDownTestSuite() {
    delete s_active;
    s_active = nullptr;
    CoDisconnectObject(TheHost(), 0);
    tarno_test::UnregisterProgId(kHostProgId);
    if (s_comEntered) CoUninitialize();
  }

  void SetUp() override {
    ASSERT_TRUE(s_comEntered);
    ASSERT_TRUE(s_progIdRegistered) << "cannot write HKEY_CLASSES_ROOT";
    ASSERT_TRUE(s_active->registered()) << std::hex << s_active->status();
  }

  static bool s_comEntered;
  static bool s_progIdRegistered;
  static tarno_test::ActiveObject* s_active;
};

bool EndToEndTest::s_comEntered = false;
bool EndToEndTest::s_progIdRegistered = false;
tarno_test::ActiveObject* EndToEndTest::s_active = nullptr;

TEST_F(EndToEndTest, TypedCallShowsItsBandsCountiesAndWorkedRowsAndHideInfoClosesBoth) {
  const EntryPoints& entry = TheEntryPoints();
  COleDateTime start = HostQso::MakeDate(44576.0), end = HostQso::MakeDate(44577.0);
  ASSERT_EQ(1, CallResetStats(entry, "HA5TST", &start, &end, "EU"));
  HWND county = nullptr;
  ASSERT_TRUE(PumpUntil([&] { return (county = CountyWindow()) != nullptr; }))
      << "no county window after a reset with Multiplier=1";
  // The opening refresh sends the start-up commands and asks the host once.
  ASSERT_TRUE(PumpUntil([] { return SawCall(FakeHostObject::kFrequencyId); }))
      << "the opening refresh never reached the host";
  EXPECT_EQ((Texts{L"<MODE:CW>", L"<BAUDRATE:27>"}), TheHost()->Commands());

  for (const HostQso& qso : {Qso("HA1ZZZ", "HA", "20m", 14020000, "CW", "ZA", 0),
                             Qso("HA2BBB", "HA", "20m", 14030000, "CW", "BP", 5),
                             Qso("DL1ABC", "DL", "20m", 14025000, "CW", "001", 10),
                             Qso("DL1ABC", "DL", "40m", 7050000, "SSB", "002", 30)}) {
    EXPECT_EQ(1, CallAddData(entry, qso)) << qso.call << " on " << qso.band;
  }
  int flag = 0;
  entry.getResult(&flag);

  TheHost()->SetEnteredCall(L"DL1ABC");
  TheHost()->SetFrequencyHz(14025000.0);
  const size_t callsBefore = TheHost()->Calls().size();
  const Clock::time_point checked = Clock::now();
  CallCheckCall(entry, "DL1ABC", "CW", "DL", "", "20m");
  const std::string kTitle = "TARNO 2022 worked with DL1ABC";
  HWND info = nullptr;
  ASSERT_TRUE(PumpUntil([&] {
    info = InfoWindow();
    return TextOf(county) == " TARNO CNT on 20m 2 of 20" && info != nullptr &&
           TextOf(info) == kTitle;
  })) << "caption \""
      << TextOf(county) << "\", information window \"" << TextOf(InfoWindow()) << "\"";
  const std::vector<FakeHostObject::Call> calls = TheHost()->Calls();
  ASSERT_GT(calls.size(), callsBefore);
  EXPECT_GE(calls[callsBefore].at - checked, std::chrono::milliseconds(300))
      << "the refresh came before its delay";

  EXPECT_EQ((Texts{L"<MODE:CW>", L"<BAUDRATE:27>", L"<SP1>"}), TheHost()->Commands());
  EXPECT_EQ((std::set<int>{IDC_COUNTY_ZA, IDC_COUNTY_BP}), CheckedBoxes(county));
  EXPECT_TRUE(IsWindowVisible(county));
  EXPECT_TRUE(IsWindowVisible(info));

  EXPECT_TRUE(tarno_test::WriteScreenshot(county, TARNO_SCREENSHOT_DIR "/end-to-end-county.png"));
  EXPECT_TRUE(tarno_test::WriteScreenshot(info, TARNO_SCREENSHOT_DIR "/end-to-end-info.png"));

  const Pixels table(GetDlgItem(info, IDC_INFO_TABLE));
  ASSERT_FALSE(table.empty());
  const int rowHeight = table.height() / kTableRows;
  ASSERT_GT(rowHeight, 4);
  auto rowTop = [&](int band) { return (band + 1) * rowHeight; };
  // Left of the band names, where no text is: the row's own colour.
  EXPECT_EQ(kTableColour, table.At(5, rowHeight / 2)) << "heading";
  for (int band = 0; band < 6; ++band) {
    EXPECT_EQ(band == kBand20m ? kRadioBandColour : kTableColour,
              table.At(5, rowTop(band) + rowHeight / 2))
        << "band row " << band;
  }
  // The bands the call was worked on show a time; the others a dash.
  auto timeInk = [&](int band) {
    return table.InkIn(kTimeColumnLeft, rowTop(band), kTimeColumnRight, rowTop(band) + rowHeight);
  };
  for (int band = 0; band < 6; ++band) {
    if (band == kBand20m || band == kBand40m) continue;
    EXPECT_GT(timeInk(kBand20m), timeInk(band)) << "20 m against band row " << band;
    EXPECT_GT(timeInk(kBand40m), timeInk(band)) << "40 m against band row " << band;
  }

  entry.runCommand(0, "HIDEINFO");
  EXPECT_FALSE(IsWindow(county)) << "the county window is still there";
  EXPECT_FALSE(IsWindow(info)) << "the information window is still there";
}

TEST_F(EndToEndTest, HideInfoWhileARefreshWaitsForTheHostClosesBothWindows) {
  const EntryPoints& entry = TheEntryPoints();
  const size_t callsBefore = TheHost()->Calls().size();
  entry.runCommand(0, "SHOWINFO");
  HWND county = nullptr, info = nullptr;
  ASSERT_TRUE(PumpUntil([&] {
    county = CountyWindow(), info = InfoWindow();
    return county != nullptr && info != nullptr &&
           SawCall(FakeHostObject::kFrequencyId, callsBefore);
  })) << "SHOWINFO opened no window that asked the host";

  std::atomic<bool> hiding{false};
  std::atomic<int> callsWhileHiding{0};
  TheHost()->OnCall([&](DISPID) {
    if (hiding) ++callsWhileHiding;
  });
  CallCheckCall(entry, "DL1ABC", "CW", "DL", "", "20m");
  // Not pumping, so that the refresh due 330 ms after the check has to wait for us.
  ASSERT_TRUE(tarno_test::WaitFor(tarno_test::ComCallWaiting)) << "the refresh never called the host";
  hiding = true;
  entry.runCommand(0, "HIDEINFO");
  hiding = false;
  TheHost()->OnCall(nullptr);

  EXPECT_GE(callsWhileHiding.load(), 1) << "no refresh was waiting for the host";
  // Windows still there would mean HIDEINFO gave up waiting for the window thread. (How
  // long it took tells nothing here: without a window manager, Wine waits two seconds
  // for each window it hides to be withdrawn.)
  EXPECT_FALSE(IsWindow(county)) << "the county window is still there";
  EXPECT_FALSE(IsWindow(info)) << "the information window is still there";
}

}  // namespace
}  // namespace tarno
