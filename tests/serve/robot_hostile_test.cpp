// Uploads from strangers: markup where a page shows text, path names, 30 MB with and
// without a length, binary bytes, a client that stalls, and one that uploads too often.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "gtest/gtest.h"
#include "serve/robot_fixture.h"

namespace tarno::testing {
namespace {

namespace fs = std::filesystem;

// Starts counting the robot's peak memory afresh (its start hashes the password in 64 MB).
void ResetPeakMemory(pid_t pid) {
  std::ofstream("/proc/" + std::to_string(pid) + "/clear_refs") << "5";
}

// Sanitizers keep freed memory aside and shadow all of it, so memory is only measured
// without them.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kMemoryMeasured = false;
#else
constexpr bool kMemoryMeasured = true;
#endif

// The robot's peak resident memory in kB (VmHWM).
long PeakMemoryKb(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

class RobotHostileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_folder = FreshFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
    ASSERT_TRUE(m_robot.Start(m_folder, {"--timeout", "1", "--upload-limit", "50"}));
  }
  std::string m_folder;
  RobotProcess m_robot;
};

TEST_F(RobotHostileTest, MarkupInTheLogIsShownAsText) {
  auto client = m_robot.Client();
  const std::string markup = "<script>alert(1)</script>";
  const std::string log = MadeLog("HA5AA", 3, "CATEGORY-OPERATOR: " + markup + "\n") +
                          "QSO: 14025 CW 2026-01-17 1300 HA5AA 599 BP " + markup + " 599 1\n";
  auto receipt = Upload(client, log, "\"><img src=x onerror=alert(2)>.cbr",
                        "<script>" + std::string(1 << 20, 'x') + "@example.org");
  ASSERT_EQ(receipt->status, 200) << receipt->body;
  auto refused = Upload(client, MadeLog(markup, 2));
  ASSERT_EQ(refused->status, 400);
  const SponsorLogin login = LogIn(client);
  auto sponsor = client.Get("/sponsor", {{"Cookie", login.cookie}});
  for (const std::string& page :
       {receipt->body, refused->body, sponsor->body, client.Get("/")->body}) {
    EXPECT_EQ(page.find("<script"), std::string::npos) << page;
    EXPECT_EQ(page.find("<img"), std::string::npos);
  }
  EXPECT_NE(receipt->body.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
  // Cut one byte past the longest address, so that the cut one is never taken for one.
  const std::string email = "&lt;script&gt;" + std::string(193, 'x') + "</td>";
  EXPECT_NE(sponsor->body.find(email), std::string::npos) << "the e-mail, escaped and cut";
  EXPECT_NE(receipt->get_header_value("Content-Security-Policy").find("default-src 'none'"),
            std::string::npos);
}

TEST_F(RobotHostileTest, NothingFromAnUploadBecomesAPath) {
  auto client = m_robot.Client();
  for (const char* name : {"../../../../tmp/tarno-escaped.cbr", "/etc/passwd", "..", "a/../../b"})
    ASSERT_EQ(Upload(client, MadeLog("HA5AA", 2), name)->status, 200);
  ASSERT_EQ(Upload(client, MadeLog("../../x1", 2), "x")->status, 400);
  EXPECT_FALSE(fs::exists("/tmp/tarno-escaped.cbr"));
  std::vector<std::string> kept;
  for (const auto& entry : fs::recursive_directory_iterator(m_folder))
    kept.push_back(entry.path().filename().string());
  // The scoring workers' folders hold the plug-in's settings, named by the robot alone.
  for (const std::string& name : kept) {
    EXPECT_TRUE(name.rfind("robot.sqlite", 0) == 0 || name == "scratch" ||
                name.rfind("worker-", 0) == 0 || name == "Plugins" || name == "TARNO-Contest.ini" ||
                name == "err.txt")
        << name;
  }
}

TEST_F(RobotHostileTest, ThirtyMegabytesAreRefusedWithoutBeingHeld) {
  auto client = m_robot.Client();
  ResetPeakMemory(m_robot.pid());
  const long before = PeakMemoryKb(m_robot.pid());
  const std::string huge(30 * 1024 * 1024, 'Q');
  auto sized = Upload(client, huge);
  ASSERT_TRUE(sized);
  EXPECT_EQ(sized->status, 413);
  EXPECT_NE(ElementText(sized->body, "refused").find("over 10 MB"), std::string::npos);
  if (kMemoryMeasured) {
    EXPECT_LT(PeakMemoryKb(m_robot.pid()) - before, 4 * 1024) << "the robot held the upload";
  }

  // Without a length (chunked), the limit is counted as the bytes come.
  size_t sent = 0;
  auto chunked = client.Post(
      "/upload",
      [&](size_t, httplib::DataSink& sink) {
        const std::string head =
            "--B\r\nContent-Disposition: form-data; name=\"log\"; filename=\"x\"\r\n\r\n";
        if (sent == 0) sink.write(head.data(), head.size());
        const std::string block(1 << 20, 'Q');
        if (sent < huge.size() && sink.write(block.data(), block.size())) {
          sent += block.size();
        } else {
          sink.done();
        }
        return true;
      },
      "multipart/form-data; boundary=B");
  if (chunked) {
    EXPECT_EQ(chunked->status, 413);
  }
  // At most the 10 MB it takes, however much more comes.
  if (kMemoryMeasured) {
    EXPECT_LT(PeakMemoryKb(m_robot.pid()) - before, 20 * 1024) << "the robot held the upload";
  }
  EXPECT_EQ(Upload(client, MadeLog("HA5AA", 2))->status, 200) << "and goes on serving";
}

TEST_F(RobotHostileTest, BinaryBytesAreNoLog) {
  auto client = m_robot.Client();
  std::mt19937 random(19);
  std::string bytes(200000, '\0');
  for (char& byte : bytes) byte = static_cast<char>(random());
  auto res = Upload(client, bytes);
  EXPECT_EQ(res->status, 400);
  EXPECT_NE(ElementText(res->body, "refused").find("not a log"), std::string::npos);
}

TEST_F(RobotHostileTest, AStalledClientIsDroppedWhileOthersAreServed) {
  const int slow = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(m_robot.port()));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(connect(slow, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  const std::string start = "POST /upload HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Le";
  ASSERT_EQ(send(slow, start.data(), start.size(), 0), static_cast<ssize_t>(start.size()));

  auto client = m_robot.Client();
  EXPECT_EQ(Upload(client, MadeLog("HA5AA", 2))->status, 200);
  timeval wait{5, 0};
  setsockopt(slow, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
  char buffer[256];
  const auto before = std::chrono::steady_clock::now();
  std::string answer;
  for (ssize_t got; (got = recv(slow, buffer, sizeof buffer, 0)) > 0;) answer.append(buffer, got);
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(4)) << "not dropped";
  EXPECT_EQ(answer.find("200 OK"), std::string::npos) << answer;
  close(slow);
}

// Fifty entrants pressing "send" at once are queued by the kernel, not refused: the listen
// queue (ss's Send-Q of a listening socket) is deep enough.
TEST_F(RobotHostileTest, TheListenQueueHoldsFiftyClientsAtOnce) {
  const std::string command =
      "ss -ltnH 'sport = :" + std::to_string(m_robot.port()) + "' 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  char line[256] = {};
  const bool got = pipe && std::fgets(line, sizeof line, pipe);
  if (pipe) pclose(pipe);
  if (!got) GTEST_SKIP() << "no ss to read the listen queue with";
  char state[32];
  int queued = 0, backlog = 0;
  ASSERT_EQ(std::sscanf(line, "%31s %d %d", state, &queued, &backlog), 3) << line;
  EXPECT_GE(backlog, 50);
}

TEST(RobotLimitTest, UploadsPerAddressAreLimited) {
  RobotProcess robot;
  ASSERT_TRUE(robot.Start(FreshFolder("limit"), {"--upload-limit", "3/600"}));
  auto client = robot.Client();
  EXPECT_EQ(Upload(client, MadeLog("HA5AA", 2))->status, 200);
  EXPECT_EQ(Upload(client, "not a log")->status, 400);
  EXPECT_EQ(Upload(client, MadeLog("HA5AA", 2))->status, 200);
  auto res = Upload(client, MadeLog("HA5AA", 2));
  EXPECT_EQ(res->status, 429);
  EXPECT_NE(ElementText(res->body, "refused").find("too many uploads"), std::string::npos);
}

// Runs `work(i)` on `count` threads that start together; what each returned.
std::vector<int> AllAtOnce(int count, const std::function<int(int)>& work) {
  std::vector<int> results(static_cast<size_t>(count));
  std::atomic<int> ready{0};
  std::vector<std::thread> threads;
  for (int i = 0; i < count; ++i) {
    threads.emplace_back([&, i] {
      ++ready;
      while (ready.load() < count) std::this_thread::yield();
      results[static_cast<size_t>(i)] = work(i);
    });
  }
  for (std::thread& thread : threads) thread.join();
  return results;
}

TEST(RobotLimitTest, UploadsAndLoginsSentAtOnceAreCountedBeforeTheWork) {
  RobotProcess robot;
  ASSERT_TRUE(robot.Start(FreshFolder("at-once"),
                          {"--upload-limit", "20/600", "--connections-per-address", "100"}));
  const std::vector<int> uploads = AllAtOnce(60, [&robot](int i) {
    auto client = robot.Client();
    auto res = Upload(client, MadeLog("HA" + std::to_string(i) + "AA", 2));
    return res ? res->status : -1;
  });
  EXPECT_EQ(std::count(uploads.begin(), uploads.end(), 200), 20);
  EXPECT_EQ(std::count(uploads.begin(), uploads.end(), 429), 40);

  // Sixteen wrong passwords from one address at once: one is looked at, the rest must wait.
  std::vector<std::pair<std::string, std::string>> forms;
  auto client = robot.Client();
  for (int i = 0; i < 16; ++i) {
    auto form = client.Get("/sponsor");
    forms.emplace_back(CookieOf(form, "tarno_login"), HiddenCsrf(form->body));
  }
  const std::vector<int> logins = AllAtOnce(16, [&robot, &forms](int i) {
    auto client = robot.Client();
    const auto& [cookie, csrf] = forms[static_cast<size_t>(i)];
    auto res = client.Post("/sponsor/login", {{"Cookie", cookie}},
                           httplib::Params{{"csrf", csrf}, {"password", "wrong"}});
    return res ? res->status : -1;
  });
  EXPECT_EQ(std::count(logins.begin(), logins.end(), 403), 1) << "passwords looked at";
  EXPECT_EQ(std::count(logins.begin(), logins.end(), 429), 15);
}

}  // namespace
}  // namespace tarno::testing
