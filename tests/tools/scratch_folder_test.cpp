// Scratch folders: which names say whose they are, and that only what a process that is
// gone left behind is ever removed.

#include "replay/scratch_folder.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <string>
#include <vector>

namespace tarno::score {
namespace {

namespace fs = std::filesystem;

TEST(ScratchFolderTest, OwnerIsReadOnlyFromANameOfThePrefix) {
  const struct {
    const char* name;
    unsigned long owner;
  } kNames[] = {
      {"tarno-crosscheck-p4242-0badcafe0001", 4242},
      {"tarno-crosscheck-p7-x-1.so", 7},
      {"tarno-crosscheck-p4242", 0},                     // no random part: not one we make
      {"tarno-crosscheck-p-12-x", 0},                    // no digits
      {"tarno-crosscheck-p12a-x", 0},                    // not digits to the dash
      {"tarno-crosscheck-1850408846505-2130559861", 0},  // the old names, owner unknown
      {"tarno-crosscheck-p99999999999999999999-x", 0},   // no such process id
      {"tarno-score-p4242-x", 0},
      {"", 0},
  };
  for (const auto& name : kNames)
    EXPECT_EQ(name.owner, ScratchOwner(name.name, "tarno-crosscheck")) << name.name;
  const std::string mine = ScratchName("tarno-crosscheck");
  EXPECT_EQ(CurrentProcessId(), ScratchOwner(mine, "tarno-crosscheck")) << mine;
  EXPECT_NE(mine, ScratchName("tarno-crosscheck"));
}

TEST(ScratchFolderTest, OnlyWhatAGoneProcessLeftIsRemoved) {
  const fs::path root = fs::temp_directory_path() / "tarno-scratch-folder-test";
  fs::remove_all(root);
  fs::create_directories(root / "kept");
  std::ofstream(root / "kept" / "file") << "x";
  const pid_t gone = fork();
  if (gone == 0) _exit(0);
  waitpid(gone, nullptr, 0);
  const std::string dead = "tarno-crosscheck-p" + std::to_string(gone);
  const std::string alive = "tarno-crosscheck-p" + std::to_string(getppid());
  const std::string mine = ScratchName("tarno-crosscheck");
  // Windows gives a new process the id of one gone before it, often.
  const std::string earlierOfMyId = "tarno-crosscheck-p" + std::to_string(getpid()) + "-0";
  fs::create_directories(root / (dead + "-folder") / "Plugins");
  std::ofstream(root / (dead + "-folder") / "Plugins" / "TARNO-Contest.ini") << "[Settings]";
  std::ofstream(root / (dead + "-copy-1.so")) << "a copy of the plug-in";
  fs::create_directory_symlink(root / "kept", root / (dead + "-link"));
  fs::create_directories(root / (alive + "-folder"));
  fs::create_directories(root / "tarno-crosscheck-elsewhere");
  fs::create_directories(root / mine);
  std::ofstream(root / (mine + "-1.so")) << "this run's copy";
  fs::create_directories(root / earlierOfMyId);

  RemoveAbandoned(root, "tarno-crosscheck");
  EXPECT_FALSE(fs::exists(root / (dead + "-folder")));
  EXPECT_FALSE(fs::exists(root / (dead + "-copy-1.so")));
  EXPECT_FALSE(fs::is_symlink(root / (dead + "-link")));
  EXPECT_TRUE(fs::exists(root / "kept" / "file"));  // a link goes, not what it points to
  EXPECT_TRUE(fs::exists(root / (alive + "-folder")));
  EXPECT_TRUE(fs::exists(root / "tarno-crosscheck-elsewhere"));
  EXPECT_TRUE(fs::exists(root / mine));
  EXPECT_TRUE(fs::exists(root / (mine + "-1.so")));
  EXPECT_FALSE(fs::exists(root / earlierOfMyId));
  fs::remove_all(root);
}

// A signal at the instant a settings file is being replaced once left its temporary file,
// and so the folder, behind: the signal takes what nobody named, a link's target aside.
TEST(ScratchFolderTest, ASignalTakesTheFolderWithWhatNobodyNamed) {
  const fs::path root = fs::temp_directory_path() / ("tarno-signal-" + std::to_string(getpid()));
  fs::remove_all(root);
  fs::create_directories(root / "kept");
  std::ofstream(root / "kept" / "file") << "not the scratch folder's";
  const pid_t child = fork();
  ASSERT_NE(-1, child);
  if (child == 0) {
    ScratchFolder scratch;
    std::string error;
    if (!scratch.Make(root, "tarno-crosscheck", &error) ||
        !scratch.RemoveOnInterrupt({"Plugins/TARNO-Contest.ini", "Plugins"}))
      _exit(2);
    const fs::path made = scratch.path();
    fs::create_directories(made / "Plugins" / "deeper");
    std::ofstream(made / "Plugins" / "TARNO-Contest.ini") << "[Settings]";
    std::ofstream(made / "Plugins" / "TARNO-Contest.ini.77.1.tmp") << "[Sett";
    std::ofstream(made / "Plugins" / "deeper" / "more") << "x";
    for (int i = 0; i < 300; ++i) std::ofstream(made / ("file-" + std::to_string(i))) << i;
    fs::create_directory_symlink(root / "kept", made / "link");
    raise(SIGTERM);
    _exit(3);
  }
  int status = 0;
  ASSERT_EQ(child, waitpid(child, &status, 0));
  ASSERT_TRUE(WIFSIGNALED(status)) << "exit status " << WEXITSTATUS(status);
  EXPECT_EQ(SIGTERM, WTERMSIG(status));
  std::vector<std::string> left;
  for (const auto& entry : fs::directory_iterator(root)) left.push_back(entry.path().string());
  EXPECT_EQ(std::vector<std::string>{(root / "kept").string()}, left);
  EXPECT_TRUE(fs::exists(root / "kept" / "file"));
  fs::remove_all(root);
}

}  // namespace
}  // namespace tarno::score
