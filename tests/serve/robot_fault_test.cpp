// The robot killed in the middle of concurrent uploads (kill -9, as a power cut would):
// every upload it acknowledged is there, byte for byte, after a restart, and the database
// is sound.

#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "gtest/gtest.h"
#include "serve/robot_fixture.h"

namespace tarno::testing {
namespace {

struct Acknowledged {
  std::string token;
  std::string call;
  std::string bytes;
};

std::string TokenOf(const std::string& receipt) {
  const size_t link = receipt.find("href=\"/receipt/");
  return link == std::string::npos ? std::string() : receipt.substr(link + 15, 64);
}

std::string StoredBytes(sqlite3* db, const std::string& token) {
  sqlite3_stmt* select = nullptr;
  sqlite3_prepare_v2(db, "SELECT bytes FROM uploads WHERE token = ?", -1, &select, nullptr);
  sqlite3_bind_text(select, 1, token.c_str(), -1, SQLITE_TRANSIENT);
  std::string bytes = "(missing)";
  if (sqlite3_step(select) == SQLITE_ROW) {
    bytes.assign(static_cast<const char*>(sqlite3_column_blob(select, 0)),
                 static_cast<size_t>(sqlite3_column_bytes(select, 0)));
  }
  sqlite3_finalize(select);
  return bytes;
}

std::string IntegrityCheck(sqlite3* db) {
  sqlite3_stmt* check = nullptr;
  sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr);
  std::string verdict;
  while (sqlite3_step(check) == SQLITE_ROW)
    verdict += reinterpret_cast<const char*>(sqlite3_column_text(check, 0));
  sqlite3_finalize(check);
  return verdict;
}

// Uploads from `clients` threads until stopped; what was acknowledged is collected.
void UploadUntilStopped(int port, int clients, std::atomic<bool>* stop,
                        std::vector<Acknowledged>* acknowledged, std::mutex* mutex) {
  std::vector<std::thread> threads;
  for (int t = 0; t < clients; ++t) {
    threads.emplace_back([=] {
      httplib::Client client("127.0.0.1", port);
      client.set_read_timeout(30, 0);
      for (int i = 0; !*stop; ++i) {
        const std::string call = "HA" + std::to_string(t) + "/" + std::to_string(i);
        const std::string bytes = MadeLog(call, 3 + i % 7);
        auto res = Upload(client, bytes);
        if (!res || res->status != 200) continue;  // cut off by the kill: not acknowledged
        std::lock_guard<std::mutex> lock(*mutex);
        acknowledged->push_back({TokenOf(res->body), call, bytes});
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
}

TEST(RobotFaultTest, KillDuringConcurrentUploadsLosesNoAcknowledgedLog) {
  const std::string folder = FreshFolder("kill");
  RobotProcess robot;
  ASSERT_TRUE(robot.Start(folder, {"--upload-limit", "100000"}));
  std::atomic<bool> stop{false};
  std::vector<Acknowledged> acknowledged;
  std::mutex mutex;
  std::thread uploads(UploadUntilStopped, robot.port(), 8, &stop, &acknowledged, &mutex);
  for (int i = 0; i < 400; ++i) {
    {
      std::lock_guard<std::mutex> lock(mutex);
      if (acknowledged.size() >= 24) break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  robot.Kill();
  stop = true;
  uploads.join();
  ASSERT_GE(acknowledged.size(), 8u);

  RobotProcess restarted;
  ASSERT_TRUE(restarted.Start(folder));
  auto client = restarted.Client();
  for (const Acknowledged& upload : acknowledged) {
    auto receipt = client.Get(("/receipt/" + upload.token).c_str());
    ASSERT_TRUE(receipt);
    EXPECT_EQ(receipt->status, 200) << upload.call;
    EXPECT_EQ(ElementText(receipt->body, "call"), upload.call);
  }
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2((folder + "/robot.sqlite").c_str(), &db, SQLITE_OPEN_READONLY, nullptr),
            SQLITE_OK);
  for (const Acknowledged& upload : acknowledged)
    EXPECT_EQ(StoredBytes(db, upload.token), upload.bytes) << upload.call;
  EXPECT_EQ(IntegrityCheck(db), "ok");
  sqlite3_close(db);
  EXPECT_EQ(restarted.Stop(), 0);
}

// SIGTERM while the cross-check runs: the robot asks the check to end, exits 0 within
// seconds, leaves no run folder behind, and the run is shown as interrupted, not as results.
TEST(RobotFaultTest, AStopDuringTheCheckEndsItAndMarksTheRunInterrupted) {
  const std::string folder = FreshFolder("stop-during-check");
  const std::string contest = folder + "-contest";
  ASSERT_EQ(std::system((std::string(TARNO_MAKE_CONTEST_PROGRAM) + " --out " + contest +
                         " --logs 4 --qsos 25000 >/dev/null")
                            .c_str()),
            0);
  RobotProcess robot;
  ASSERT_TRUE(robot.Start(folder));
  auto client = robot.Client();
  for (const auto& entry : std::filesystem::directory_iterator(contest + "/logs")) {
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(Upload(client, bytes)->status, 200) << entry.path();
  }
  const SponsorLogin login = LogIn(client);
  const httplib::Headers session = {{"Cookie", login.cookie}};
  ASSERT_EQ(client.Post("/sponsor/check", session, httplib::Params{{"csrf", login.csrf}})->status,
            303);
  const auto before = std::chrono::steady_clock::now();
  EXPECT_EQ(robot.Stop(), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(6));
  EXPECT_FALSE(std::filesystem::exists(folder + "/runs/1"));

  ASSERT_TRUE(robot.Start(folder));
  auto again = robot.Client();
  const SponsorLogin back = LogIn(again);
  const httplib::Headers resumed = {{"Cookie", back.cookie}};
  const std::string progress = ElementText(again.Get("/sponsor", resumed)->body, "progress");
  EXPECT_NE(progress.find("interrupted"), std::string::npos) << progress;
  EXPECT_EQ(again.Post("/sponsor/publish", resumed, httplib::Params{{"csrf", back.csrf}})->status,
            409);
  EXPECT_EQ(robot.Stop(), 0);
}

}  // namespace
}  // namespace tarno::testing
