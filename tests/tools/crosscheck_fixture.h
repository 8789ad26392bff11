#ifndef TARNO_TESTS_TOOLS_CROSSCHECK_FIXTURE_H_
#define TARNO_TESTS_TOOLS_CROSSCHECK_FIXTURE_H_

// A scratch folder per test and the programs run as a sponsor runs them.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "run_command.h"

namespace tarno::testing {

namespace fs = std::filesystem;

inline std::string Slurp(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class CrosscheckFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name =
        std::string("tarno-crosscheck-") + test->test_suite_name() + "-" + test->name();
    for (char& c : name) {
      if (c == '/') c = '-';
    }
    // The process id keeps runs of the suite at the same moment (other worktrees, say) apart.
    m_folder = fs::temp_directory_path() / (name + "-" + std::to_string(getpid()));
    fs::remove_all(m_folder);
    fs::create_directories(m_folder);
  }
  void TearDown() override { fs::remove_all(m_folder); }

  // Runs a shell command; its exit status, with standard output and error in `output`.
  static int Run(const std::string& command, std::string* output) {
    return tarno::testing::RunCommand(command, output);
  }

  int Crosscheck(const std::string& arguments, std::string* output) const {
    return Run(
        std::string(TARNO_SCORE_PROGRAM) + " crosscheck --out " + Out().string() + " " + arguments,
        output);
  }

  fs::path Out() const { return m_folder / "out"; }

  // A made-up contest (tarno-make-contest with `makeOptions`) checked with the sponsor's
  // files it writes beside its logs.
  ::testing::AssertionResult CheckMadeContestWithSponsorFiles(const std::string& makeOptions,
                                                              std::string* output) const {
    if (Run(std::string(TARNO_MAKE_CONTEST_PROGRAM) + " --out " + m_folder.string() + " " +
                makeOptions,
            output) != 0) {
      return ::testing::AssertionFailure() << "tarno-make-contest failed:\n" << *output;
    }
    if (Crosscheck("--categories " + (m_folder / "categories.txt").string() + " --entrants " +
                       (m_folder / "entrants.csv").string() + " " + (m_folder / "logs").string(),
                   output) != 0) {
      return ::testing::AssertionFailure() << "the cross-check failed:\n" << *output;
    }
    return ::testing::AssertionSuccess();
  }

  fs::path Write(const std::string& name, const std::string& bytes) const {
    fs::create_directories((m_folder / name).parent_path());
    std::ofstream(m_folder / name, std::ios::binary) << bytes;
    return m_folder / name;
  }

  fs::path m_folder;
};

}  // namespace tarno::testing

#endif  // TARNO_TESTS_TOOLS_CROSSCHECK_FIXTURE_H_
