// The host link against a fake host object published in this process. The test's main
// thread plays the logger's UI thread: the object lives in its apartment, and it pumps
// messages whenever it waits. Worker threads play the county window's thread. Every wait
// is bounded; a thread stuck in a call ends the program rather than hang the suite.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "fake_host/fake_host_object.h"
#include "fake_host/fake_host_registration.h"
#include "host/host_link_win32.h"

namespace tarno {
namespace {

using tarno_test::ActiveObject;
using tarno_test::FakeHostObject;
using tarno_test::PumpUntil;
using Texts = std::vector<std::wstring>;

// Not the logger's ProgID: a test run must not disturb a logger, nor the end-to-end test.
const wchar_t kFakeProgId[] = L"TarnoTest.HostLinkFake";
// {0BA92906-C247-4AFE-90E4-85275365DAB8}
const CLSID kFakeClassId = {
    0x0ba92906, 0xc247, 0x4afe, {0x90, 0xe4, 0x85, 0x27, 0x53, 0x65, 0xda, 0xb8}};

const Texts kStartUp = {L"<MODE:CW>", L"<BAUDRATE:27>"};

// A thread that runs one task after another, as the window thread runs refreshes, while
// the thread that hands it a task pumps messages, as the host's thread must.
class WorkerThread {
 public:
  // `atEnd` runs on the thread before it ends (the window thread's EndWindowThread).
  explicit WorkerThread(std::function<void()> atEnd = nullptr)
      : m_atEnd(std::move(atEnd)), m_thread([this] { Loop(); }) {}
  ~WorkerThread() { End(); }

  void Post(std::function<void()> task) {
    std::lock_guard<std::mutex> hold(m_mutex);
    m_task = std::move(task);
    m_pending = true;
    m_done = false;
    m_wake.notify_all();
  }

  void Wait() {
    if (PumpUntil([this] { return m_done.load(); }, std::chrono::seconds(20))) return;
    std::fprintf(stderr, "a worker thread's task did not finish: stuck in a call\n");
    std::abort();
  }

  void Run(std::function<void()> task) {
    Post(std::move(task));
    Wait();
  }

  void End() {
    if (!m_thread.joinable()) return;
    if (m_atEnd) Run(m_atEnd);
    Run(nullptr);
    m_thread.join();
  }

  DWORD id() const { return m_id; }

 private:
  void Loop() {
    m_id = GetCurrentThreadId();
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
      m_wake.wait(lock, [this] { return m_pending; });
      std::function<void()> task = std::move(m_task);
      m_task = nullptr;
      m_pending = false;
      lock.unlock();
      const bool last = task == nullptr;
      if (!last) task();
      lock.lock();
      m_done = true;
      if (last) return;
    }
  }

  std::function<void()> m_atEnd;
  std::mutex m_mutex;
  std::condition_variable m_wake;
  std::function<void()> m_task;  // null: end the thread
  bool m_pending = false;
  std::atomic<bool> m_done{true};
  std::atomic<DWORD> m_id{0};
  std::thread m_thread;
};

// Ends the program when still armed after 20 s: a call that hangs on the test's own
// thread cannot be waited for by that thread.
class Watchdog {
 public:
  explicit Watchdog(const char* what)
      : m_thread([this, what] {
          std::unique_lock<std::mutex> lock(m_mutex);
          if (m_wake.wait_for(lock, std::chrono::seconds(20), [this] { return m_disarmed; })) {
            return;
          }
          std::fprintf(stderr, "%s never returned\n", what);
          std::abort();
        }) {}
  ~Watchdog() {
    {
      std::lock_guard<std::mutex> hold(m_mutex);
      m_disarmed = true;
    }
    m_wake.notify_all();
    m_thread.join();
  }

 private:
  std::mutex m_mutex;
  std::condition_variable m_wake;
  bool m_disarmed = false;
  std::thread m_thread;
};

class HostLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(S_OK, CoInitialize(nullptr));
    ASSERT_TRUE(tarno_test::RegisterProgId(kFakeProgId, kFakeClassId));
    Publish();
  }

  void TearDown() override {
    m_active.reset();
    // The references given back from other threads reach the object through its thread.
    PumpUntil([this] { return m_host.References() == 0; }, std::chrono::seconds(2));
    CoDisconnectObject(&m_host, 0);
    CoUninitialize();
  }

  void Publish() {
    m_active = std::make_unique<ActiveObject>(&m_host, kFakeClassId);
    ASSERT_TRUE(m_active->registered()) << std::hex << m_active->status();
  }

  std::function<void()> EndOfWindowThread(HostLink& link) {
    return [&link] { link.EndWindowThread(); };
  }

  FakeHostObject m_host;
  std::unique_ptr<ActiveObject> m_active;
  HostLinkWin32 m_link{kFakeProgId};
};

TEST_F(HostLinkTest, WindowThreadReadsTheCallAndTheFrequencyOnTheHostsThread) {
  m_host.SetEnteredCall(L"HA1ABC");
  m_host.SetFrequencyHz(14025000.0);
  std::string call;
  double freqHz = -1.0;
  DWORD windowThread = 0;
  {
    WorkerThread window(EndOfWindowThread(m_link));
    window.Run([&] {
      call = m_link.EnteredCall();
      freqHz = m_link.FrequencyHz();
    });
    windowThread = window.id();
  }
  EXPECT_EQ("HA1ABC", call);
  EXPECT_EQ(14025000.0, freqHz);
  const std::vector<FakeHostObject::Call> calls = m_host.Calls();
  ASSERT_EQ(2u, calls.size());
  EXPECT_EQ(FakeHostObject::kEnteredCallId, calls[0].id);
  EXPECT_EQ(DISPATCH_METHOD, calls[0].kind);
  EXPECT_EQ(std::vector<VARTYPE>{VT_I4}, calls[0].argumentTypes);
  EXPECT_EQ(5, calls[0].firstInteger);
  EXPECT_EQ(FakeHostObject::kFrequencyId, calls[1].id);
  EXPECT_EQ(DISPATCH_PROPERTYGET, calls[1].kind);
  EXPECT_TRUE(calls[1].argumentTypes.empty());
  ASSERT_NE(GetCurrentThreadId(), windowThread);
  for (const FakeHostObject::Call& made : calls) {
    EXPECT_EQ(GetCurrentThreadId(), made.threadId)
        << "dispatch id " << made.id << " ran on the calling thread, not the object's";
  }
}

TEST_F(HostLinkTest, RefreshSetUpSendsTheStartUpCommandsOnceBeforeAnyOther) {
  for (int opened = 0; opened < 2; ++opened) {
    WorkerThread window(EndOfWindowThread(m_link));
    window.Run([&] {
      m_link.SetUpFromRefresh();
      m_link.SetUpFromRefresh();
      m_link.Command("<SP1>");
    });
  }
  EXPECT_EQ((Texts{L"<MODE:CW>", L"<BAUDRATE:27>", L"<SP1>", L"<SP1>"}), m_host.Commands());
  EXPECT_TRUE(m_link.SetUpFromScore()) << "the start-up commands went out already";
  EXPECT_EQ(4u, m_host.Commands().size());
}

TEST_F(HostLinkTest, ScoreSetUpSendsTheStartUpCommandsOnceAndTheRefreshNoMore) {
  EXPECT_TRUE(m_link.SetUpFromScore());
  EXPECT_TRUE(m_link.SetUpFromScore());
  EXPECT_EQ(kStartUp, m_host.Commands());
  WorkerThread window(EndOfWindowThread(m_link));
  window.Run([&] {
    m_link.SetUpFromRefresh();
    m_link.Command("<SP1>");
  });
  EXPECT_EQ((Texts{L"<MODE:CW>", L"<BAUDRATE:27>", L"<SP1>"}), m_host.Commands());
}

TEST_F(HostLinkTest, ScoreSetUpFailsUntilTheHostPublishesItsObject) {
  m_active->Revoke();
  EXPECT_FALSE(m_link.SetUpFromScore());
  EXPECT_FALSE(m_link.SetUpFromScore());
  EXPECT_TRUE(m_host.Commands().empty());
  Publish();
  EXPECT_TRUE(m_link.SetUpFromScore());
  EXPECT_EQ(kStartUp, m_host.Commands());
}

TEST_F(HostLinkTest, RefreshSetUpWithoutAnObjectCountsAsDoneAndAnswersNothing) {
  m_active->Revoke();
  m_host.SetEnteredCall(L"HA1ABC");
  m_host.SetFrequencyHz(14025000.0);
  std::string call = "unset";
  double freqHz = -1.0;
  WorkerThread window(EndOfWindowThread(m_link));
  window.Run([&] {
    m_link.SetUpFromRefresh();
    call = m_link.EnteredCall();
    freqHz = m_link.FrequencyHz();
    m_link.Command("<SP1>");
  });
  EXPECT_EQ("", call);
  EXPECT_EQ(0.0, freqHz);
  Publish();
  EXPECT_TRUE(m_link.SetUpFromScore()) << "the refresh's set-up has been done";
  EXPECT_TRUE(m_host.Commands().empty());
}

TEST_F(HostLinkTest, NoHostRegisteredAtAllAnswersNothingAndLeavesNoApartment) {
  HostLinkWin32 link(L"TarnoTest.NoSuchHost");
  EXPECT_FALSE(link.SetUpFromScore());
  std::string call = "unset";
  double freqHz = -1.0;
  HRESULT afterwards = E_FAIL;
  {
    WorkerThread window;
    window.Run([&] {
      link.SetUpFromRefresh();
      call = link.EnteredCall();
      freqHz = link.FrequencyHz();
      link.Command("<SP1>");
      link.EndWindowThread();
      afterwards = CoInitialize(nullptr);
      if (SUCCEEDED(afterwards)) CoUninitialize();
    });
  }
  EXPECT_EQ("", call);
  EXPECT_EQ(0.0, freqHz);
  EXPECT_EQ(S_OK, afterwards);
  EXPECT_TRUE(m_host.Calls().empty());
}

TEST_F(HostLinkTest, WindowThreadFindsAnObjectPublishedAfterItFirstLooked) {
  m_active->Revoke();
  m_host.SetEnteredCall(L"HA1ABC");
  WorkerThread window(EndOfWindowThread(m_link));
  std::string call = "unset";
  window.Run([&] { call = m_link.EnteredCall(); });
  EXPECT_EQ("", call);
  Publish();
  const bool found = PumpUntil(
      [&] {
        window.Run([&] { call = m_link.EnteredCall(); });
        return call == "HA1ABC";
      },
      std::chrono::seconds(5));
  EXPECT_TRUE(found) << "still \"" << call << "\"";
}

TEST_F(HostLinkTest, WindowThreadLooksAgainWhenItsObjectWentAway) {
  FakeHostObject restarted;
  restarted.SetEnteredCall(L"HA2NEW");
  m_host.SetEnteredCall(L"HA1OLD");
  std::vector<std::string> calls;
  {
    WorkerThread window(EndOfWindowThread(m_link));
    window.Run([&] { calls.push_back(m_link.EnteredCall()); });
    m_active->Revoke();
    CoDisconnectObject(&m_host, 0);
    ActiveObject republished(&restarted, kFakeClassId);
    ASSERT_TRUE(republished.registered());
    for (int i = 0; i < 2; ++i) window.Run([&] { calls.push_back(m_link.EnteredCall()); });
  }
  ASSERT_EQ(3u, calls.size());
  EXPECT_EQ("HA1OLD", calls[0]);
  EXPECT_EQ("HA2NEW", calls[2]) << "the call after the failed one looks the object up again";
  PumpUntil([&] { return restarted.References() == 0; }, std::chrono::seconds(2));
  CoDisconnectObject(&restarted, 0);
}

TEST_F(HostLinkTest, AnswersOfTheWrongKindGiveNoCallAndNoFrequency) {
  WorkerThread window(EndOfWindowThread(m_link));
  auto callFor = [&](VARTYPE type, LONG number) {
    VARIANT answer;
    VariantInit(&answer);
    answer.vt = type;
    answer.lVal = number;
    m_host.SetEnteredCallAnswer(answer);
    std::string call = "unset";
    window.Run([&] { call = m_link.EnteredCall(); });
    return call;
  };
  EXPECT_EQ("", callFor(VT_I4, 42));
  EXPECT_EQ("", callFor(VT_EMPTY, 0));
  EXPECT_EQ("", callFor(VT_NULL, 0));

  auto freqFor = [&](const VARIANT& answer) {
    m_host.SetFrequencyAnswer(answer);
    double freqHz = -1.0;
    window.Run([&] { freqHz = m_link.FrequencyHz(); });
    return freqHz;
  };
  VARIANT answer;
  VariantInit(&answer);
  answer.vt = VT_BSTR;
  answer.bstrVal = SysAllocString(L"fourteen");
  EXPECT_EQ(0.0, freqFor(answer));
  VariantClear(&answer);
  answer.vt = VT_R8;
  answer.dblVal = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(0.0, freqFor(answer));
  answer.vt = VT_I4;
  answer.lVal = 7050000;
  EXPECT_EQ(7050000.0, freqFor(answer)) << "a whole number of Hz is still a frequency";
}

TEST_F(HostLinkTest, FailingHostCallsGiveNoCallAndNoFrequency) {
  m_host.SetEnteredCall(L"HA1ABC");
  m_host.SetFrequencyHz(14025000.0);
  WorkerThread window(EndOfWindowThread(m_link));
  for (HRESULT failure : {DISP_E_EXCEPTION, E_FAIL, DISP_E_MEMBERNOTFOUND}) {
    m_host.FailCallsWith(failure);
    std::string call = "unset";
    double freqHz = -1.0;
    window.Run([&] {
      call = m_link.EnteredCall();
      freqHz = m_link.FrequencyHz();
      m_link.Command("<SP1>");
    });
    EXPECT_EQ("", call) << std::hex << failure;
    EXPECT_EQ(0.0, freqHz) << std::hex << failure;
  }
  m_host.FailCallsWith(S_OK);
  std::string call;
  window.Run([&] { call = m_link.EnteredCall(); });
  EXPECT_EQ("HA1ABC", call) << "failed calls do not lose the object";
}

TEST_F(HostLinkTest, CommandsAndTheCallAreConvertedThroughTheAnsiCodePage) {
  const std::string ansi = "<NAME:\xE9\x80>";
  wchar_t wide[16] = L"";
  const int length =
      MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide, 16);
  const std::wstring expected(wide, static_cast<size_t>(length));
  if (GetACP() == 1252) {
    EXPECT_EQ(L"<NAME:\u00E9\u20AC>", expected);
  }
  m_host.SetEnteredCall(expected);
  std::string call;
  WorkerThread window(EndOfWindowThread(m_link));
  window.Run([&] {
    m_link.Command(ansi);
    call = m_link.EnteredCall();
  });
  EXPECT_EQ((Texts{expected}), m_host.Commands());
  EXPECT_EQ(ansi, call);
}

TEST_F(HostLinkTest, WindowThreadLeavesOnlyTheApartmentItEntered) {
  for (bool ownApartment : {false, true}) {
    HRESULT afterwards = E_FAIL;
    WorkerThread window;
    window.Run([&] {
      if (ownApartment) CoInitialize(nullptr);
      m_link.EnteredCall();
      m_link.EndWindowThread();
      afterwards = CoInitialize(nullptr);
      if (SUCCEEDED(afterwards)) CoUninitialize();
      if (ownApartment) CoUninitialize();
    });
    EXPECT_EQ(ownApartment ? S_FALSE : S_OK, afterwards)
        << (ownApartment ? "the thread's own apartment was left" : "the apartment was kept");
  }
}

TEST_F(HostLinkTest, WindowThreadGivesTheObjectBackWhenItEnds) {
  // The thread stays in an apartment of its own meanwhile, so that leaving the apartment
  // cannot give the object back in the link's place.
  WorkerThread window;
  window.Run([&] {
    CoInitialize(nullptr);
    m_link.EnteredCall();
    m_link.EndWindowThread();
  });
  m_active->Revoke();
  EXPECT_TRUE(PumpUntil([&] { return m_host.References() == 0; }, std::chrono::seconds(5)))
      << m_host.References() << " references left";
  window.Run([] { CoUninitialize(); });
}

TEST_F(HostLinkTest, ScoreSetUpOnAnotherThreadLeavesOnlyTheApartmentItEntered) {
  enum class Before { kNone, kSingleThreaded, kMultiThreaded };
  for (Before before : {Before::kNone, Before::kSingleThreaded, Before::kMultiThreaded}) {
    HostLinkWin32 link(kFakeProgId);
    const size_t sent = m_host.Commands().size();
    bool reached = false;
    HRESULT afterwards = E_FAIL;
    WorkerThread hostThread;
    hostThread.Run([&] {
      if (before == Before::kSingleThreaded) CoInitialize(nullptr);
      if (before == Before::kMultiThreaded) CoInitializeEx(nullptr, COINIT_MULTITHREADED);
      reached = link.SetUpFromScore();
      afterwards = before == Before::kMultiThreaded ? CoInitializeEx(nullptr, COINIT_MULTITHREADED)
                                                    : CoInitialize(nullptr);
      if (SUCCEEDED(afterwards)) CoUninitialize();
      if (before != Before::kNone) CoUninitialize();
    });
    const int kind = static_cast<int>(before);
    EXPECT_TRUE(reached) << kind;
    EXPECT_EQ(sent + 2, m_host.Commands().size()) << kind;
    EXPECT_EQ(before == Before::kNone ? S_OK : S_FALSE, afterwards) << kind;
  }
}

TEST_F(HostLinkTest, ScoreAndRefreshSetUpsAtOnceSendTheStartUpCommandsOnce) {
  for (int round = 0; round < 10; ++round) {
    HostLinkWin32 link(kFakeProgId);
    WorkerThread window(EndOfWindowThread(link));
    window.Post([&] { link.SetUpFromRefresh(); });
    const Watchdog watchdog("the score's set-up");
    EXPECT_TRUE(link.SetUpFromScore());
    window.Wait();
  }
  Texts expected;
  for (int round = 0; round < 10; ++round)
    expected.insert(expected.end(), {kStartUp[0], kStartUp[1]});
  EXPECT_EQ(expected, m_host.Commands());
}

TEST_F(HostLinkTest, ScoreSetUpWhileTheWindowThreadLooksTheHostUpEndsAndAnswers) {
  m_host.SetEnteredCall(L"HA1ABC");
  for (int round = 0; round < 3; ++round) {
    HostLinkWin32 link(kFakeProgId);
    WorkerThread window(EndOfWindowThread(link));
    std::string call;
    window.Post([&] { call = link.EnteredCall(); });
    // Not pumping: the window thread's look-up now waits for this thread to answer.
    Sleep(200);
    const Watchdog watchdog("the score's set-up");
    EXPECT_TRUE(link.SetUpFromScore());
    window.Wait();
    EXPECT_EQ("HA1ABC", call);
  }
}

}  // namespace
}  // namespace tarno
