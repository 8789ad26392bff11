// Our profile-file store: the bytes each write leaves, what survives a failure, and the
// reading rules the profile API was seen to follow (tests/win32/settings_compare_test.cpp
// holds both to the API itself under Wine).
#include "stats/ini_file_settings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <iterator>
#include <string>
#include <utility>

#include "helpers/mem_env.h"
#include "stats/ini_text.h"

namespace {

using namespace std::string_literals;
using tarno::IfPresent;
using tarno::IniFileSettings;
using tarno::MemEnv;
using tarno::Status;

const char kFile[] = "Plugins\\TARNO-Contest.ini";

struct Edit {
  const char* behaviour;
  std::string before;
  std::string section, key, value;
  std::string after;
};

// clang-format off
const Edit kEdits[] = {
  {"a new file gets the section and CR LF", "<none>", "Settings", "Call", "HA1AB",
   "[Settings]\r\nCall=HA1AB\r\n"},
  {"only the value's bytes change",
   "; mine\r\n[A]\r\nx=1\r\n\r\n[Settings]\r\n  Call = old ; not a comment \r\nMode=CW\r\n",
   "settings", "CALL", "HG5X",
   "; mine\r\n[A]\r\nx=1\r\n\r\n[Settings]\r\n  Call = HG5X \r\nMode=CW\r\n"},
  {"a new key goes before blank lines and comments that end its section",
   "[Settings]\nCall=HA1AB\n\n; the next one\n[B]\ny=2\n", "Settings", "Mode", "CW",
   "[Settings]\nCall=HA1AB\nMode=CW\n\n; the next one\n[B]\ny=2\n"},
  {"a new key follows the header of an empty section", "[Settings]\r\n[B]\r\n", "Settings",
   "Mode", "CW", "[Settings]\r\nMode=CW\r\n[B]\r\n"},
  {"a new section goes at the end in the file's line ends", "[A]\nx=1\n", "Settings", "Mode",
   "CW", "[A]\nx=1\n[Settings]\nMode=CW\n"},
  {"a missing last line end comes before a new key", "[S]\rA=1", "S", "B", "2",
   "[S]\rA=1\rB=2\r"},
  {"a missing last line end comes before a new section", "[S]\r\nA=1", "T", "B", "2",
   "[S]\r\nA=1\r\n[T]\r\nB=2\r\n"},
  {"the first of duplicate sections and keys takes the value",
   "[S]\r\nA=1\r\n[S]\r\nA=2\r\n", "S", "A", "3", "[S]\r\nA=3\r\n[S]\r\nA=2\r\n"},
  {"a key line without '=' gets one", "[S]\r\nflag\r\n", "S", "flag", "on",
   "[S]\r\nflag=on\r\n"},
  {"an empty value is filled after the '='", "[S]\r\nA=   \r\n", "S", "A", "v",
   "[S]\r\nA=v   \r\n"},
  {"line ends in a value become blanks", "", "S", "A", "one\r\ntwo\nthree",
   "[S]\r\nA=one  two three\r\n"},
  {"a value ends at NUL", "", "S", "A", "cut\0here"s, "[S]\r\nA=cut\r\n"},
  {"names lose their blanks", "", " S\t", " A ", "v", "[S]\r\nA=v\r\n"},
  {"a UTF-8 file gets UTF-8", "\xEF\xBB\xBF[S]\r\n", "\xE9", "A", "\xE9\x80",
   "\xEF\xBB\xBF[S]\r\n[\xC3\xA9]\r\nA=\xC3\xA9\xE2\x82\xAC\r\n"},
};
// clang-format on

TEST(IniFileSettingsTest, WritesChangeOnlyWhatTheyMust) {
  for (const Edit& edit : kEdits) {
    MemEnv env;
    if (edit.before != "<none>") env.WriteFile(kFile, edit.before);
    IniFileSettings store(&env);
    Status status = store.Write(kFile, edit.section, edit.key, edit.value);
    ASSERT_TRUE(status.ok()) << edit.behaviour << ": " << status.reason();
    EXPECT_EQ(env.Content(kFile), edit.after) << edit.behaviour;
  }
}

TEST(IniFileSettingsTest, WrittenValueReadsBack) {
  MemEnv env;
  IniFileSettings store(&env);
  const std::pair<std::string, std::string> kWrittenAndRead[] = {
      {"HA1AB", "HA1AB"}, {"", ""},   {"'quoted'", "quoted"},       {" padded ", "padded"},
      {"a=b", "a=b"},     {"x", "x"}, {"line\r\nend", "line  end"}, {"\xE9t\xE9", "\xE9t\xE9"}};
  for (const auto& [written, read] : kWrittenAndRead) {
    ASSERT_TRUE(store.Write(kFile, "Settings", "Key", written).ok());
    EXPECT_EQ(store.Read(kFile, "SETTINGS", "key"), read);
  }
}

TEST(IniFileSettingsTest, SameValueLeavesTheFileAlone) {
  MemEnv env;
  ASSERT_TRUE(env.WriteFile(kFile, "[Settings]\r\nCall=HA1AB\r\n").ok());
  int writes = env.writeCount();
  IniFileSettings store(&env);
  EXPECT_TRUE(store.Write(kFile, "Settings", "Call", "HA1AB").ok());
  EXPECT_EQ(env.writeCount(), writes);
}

TEST(IniFileSettingsTest, FailedWriteIsReportedAndKeepsTheOldContent) {
  MemEnv env;
  ASSERT_TRUE(env.WriteFile(kFile, "[Settings]\r\nCall=HA1AB\r\n").ok());
  env.FailWrites(kFile);
  env.FailWrites("Missing\\TARNO-Contest.ini");  // as a missing folder does
  IniFileSettings store(&env);
  EXPECT_FALSE(store.Write(kFile, "Settings", "Call", "HG5X").ok());
  EXPECT_EQ(env.Content(kFile), "[Settings]\r\nCall=HA1AB\r\n");
  EXPECT_FALSE(store.Write("Missing\\TARNO-Contest.ini", "Settings", "Call", "HG5X").ok());
  EXPECT_FALSE(env.Exists("Missing\\TARNO-Contest.ini"));
}

TEST(IniFileSettingsTest, UnreadableFileIsNotReplacedByOneHoldingOnlyTheNewKey) {
  MemEnv env;
  ASSERT_TRUE(env.WriteFile(kFile, "[Settings]\r\nCall=HA1AB\r\n").ok());
  env.FailReads(kFile);
  IniFileSettings store(&env);
  Status status = store.Write(kFile, "Settings", "Mode", "CW");
  EXPECT_FALSE(status.ok());
  EXPECT_NE(status.reason().find("injected read failure"), std::string::npos) << status.reason();
  EXPECT_EQ(env.Content(kFile), "[Settings]\r\nCall=HA1AB\r\n");
}

TEST(IniFileSettingsTest, NamesThatWouldBreakTheFileAreRefused) {
  MemEnv env;
  IniFileSettings store(&env);
  EXPECT_FALSE(store.Write(kFile, "Settings", "a=b", "v").ok());
  EXPECT_FALSE(store.Write(kFile, "Settings", "[x]", "v").ok());
  EXPECT_FALSE(store.Write(kFile, "Settings", "a\nb", "v").ok());
  EXPECT_FALSE(store.Write(kFile, "Sett\r\nings", "a", "v").ok());
  EXPECT_FALSE(env.Exists(kFile));
}

TEST(IniFileSettingsTest, Utf16FileIsNeitherReadNorChanged) {
  MemEnv env;
  std::string utf16 = "\xFF\xFE[\0S\0]\0\r\0\n\0A\0=\0001\0"s;
  ASSERT_TRUE(env.WriteFile(kFile, utf16).ok());
  IniFileSettings store(&env);
  EXPECT_EQ(store.Read(kFile, "S", "A"), "");
  EXPECT_FALSE(store.Write(kFile, "S", "A", "2").ok());
  EXPECT_EQ(env.Content(kFile), utf16);
}

struct Lookup {
  std::string content, section, key, value;
};

// The API's rules as seen under Wine, for the builds that cannot ask it.
// clang-format off
const Lookup kLookups[] = {
  {"[Settings]\r\nCall=HA1AB\r\n", " SETTINGS\t", "call\x1a", "HA1AB"},
  {"[S]\r\nA=1\r\nA=2\r\n[S]\r\nB=3\r\n", "S", "A", "1"},
  {"[S]\r\nA=1\r\nA=2\r\n[S]\r\nB=3\r\n", "S", "B", ""},
  {"[S]\r\nE\r\nE=shadowed\r\n", "S", "E", ""},
  {"[S]\r\nA=\xA0x\x1A\r\n", "S", "A", "\xA0x"},
  {"[\xC9]\r\nA=1\r\n", "\xE9", "A", ""},
  {"[S\r\nA=1\r\n", "", "A", "1"},
  {"[a]b] tail\rA= \"x\" \r", "a]b", "A", "x"},
  {"[S]\nA=x\0y\n"s, "S", "A", "x"},
  {"[S]\nA=\"" + std::string(99, 'q') + "\"\n", "S", "A", std::string(98, 'q')},
  {"[S]\nA=\"" + std::string(100, 'q') + "\"\n", "S", "A", std::string(99, 'q')},
  {"\xEF\xBB\xBF[S]\nA=\xC3\xA9\xE4\xB8\xAD\xF0\x9F\x98\x80\n", "S", "A", "\xE9???"},
};
// clang-format on

TEST(IniFileSettingsTest, ReadsAsTheProfileApiDoes) {
  for (const Lookup& lookup : kLookups) {
    EXPECT_EQ(tarno::IniValue(lookup.content, lookup.section, lookup.key, 100), lookup.value)
        << lookup.content << " [" << lookup.section << "] " << lookup.key;
  }
}

// Another writer's rewrite of a whole file (the profile API's) is taken only when it reads as
// our own edit would; on a full disk it is cut short, wherever the cut falls.
TEST(IniFileSettingsTest, RewriteIsTakenOnlyWhenItReadsAsTheEdit) {
  const std::string before = "[Settings]\r\nCall=HA1AB\r\n;c\r\n[B]\r\nMode = CW\r\nPower=\r\n";
  // Reformatted, as a writer that keeps no layout would write it: still the same settings.
  const std::string rewritten = "[Settings]\r\nCall=HA1AB\r\n;c\r\n[B]\r\nMode=CW\r\nPower=LOW\r\n";
  auto takes = [&](const std::string& candidate) {
    return tarno::IniRewriteReadsAsWithValue(before, candidate, "b", "POWER", "LOW");
  };
  EXPECT_TRUE(takes(rewritten));
  EXPECT_TRUE(takes(rewritten + "\r\n"));
  for (size_t cut = 0; cut + 2 < rewritten.size(); ++cut) {
    EXPECT_FALSE(takes(rewritten.substr(0, cut))) << "cut at " << cut;
  }
  EXPECT_FALSE(takes("[Settings]\r\nCall=HA1AB\r\n[B]\r\nPower=LOW\r\n")) << "a key lost";
  EXPECT_FALSE(takes(rewritten + "Extra=1\r\n")) << "a key added";
  EXPECT_FALSE(takes("[Settings]\r\nCall=HA1AC\r\n[B]\r\nMode=CW\r\nPower=LOW\r\n"));
  EXPECT_FALSE(tarno::IniRewriteReadsAsWithValue("", "[S]\r\nA=x\r\nB=y\r\n", "S", "A=", "x"))
      << "a name our own edit refuses";
}

// ---- The POSIX ReplaceFileAtomically, on real files ----

class ReplaceFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_folder =
        std::filesystem::temp_directory_path() / ("tarno_replace_" + std::to_string(::getpid()));
    std::filesystem::remove_all(m_folder);
    std::filesystem::create_directories(m_folder);
  }
  void TearDown() override { std::filesystem::remove_all(m_folder); }

  std::string PathOf(const std::string& name) const { return (m_folder / name).string(); }
  size_t FileCount() const {
    auto files = std::filesystem::directory_iterator(m_folder);
    return static_cast<size_t>(std::distance(begin(files), end(files)));
  }
  static std::string ContentOf(const std::string& path) {
    std::string bytes;
    return tarno::Env::Default()->ReadFile(path, &bytes).ok() ? bytes : "<missing>";
  }

  std::filesystem::path m_folder;
};

TEST_F(ReplaceFileTest, ReplacesWholeKeepsPermissionsAndLeavesNoTemporary) {
  std::string path = PathOf("a.ini");
  ASSERT_TRUE(tarno::Env::Default()->WriteFile(path, "old, and longer").ok());
  ::chmod(path.c_str(), 0600);
  ASSERT_TRUE(
      tarno::Env::Default()->ReplaceFileAtomically(path, "new\0"s, IfPresent::kReplace).ok());
  EXPECT_EQ(ContentOf(path), "new\0"s);
  struct stat status;
  ASSERT_EQ(::stat(path.c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0600u);
  EXPECT_EQ(FileCount(), 1u);
}

TEST_F(ReplaceFileTest, FailuresChangeNothingAndLeaveNoTemporary) {
  tarno::Env* env = tarno::Env::Default();
  std::string path = PathOf("a.ini");
  EXPECT_FALSE(
      env->ReplaceFileAtomically(PathOf("no folder/a.ini"), "x", IfPresent::kReplace).ok());
  EXPECT_FALSE(std::filesystem::exists(PathOf("no folder")));
  ASSERT_TRUE(env->ReplaceFileAtomically(path, "first", IfPresent::kFail).ok());
  EXPECT_FALSE(env->ReplaceFileAtomically(path, "second", IfPresent::kFail).ok());
  EXPECT_EQ(ContentOf(path), "first");
  EXPECT_FALSE(env->ReplaceFileAtomically(m_folder.string(), "x", IfPresent::kReplace).ok());
  EXPECT_EQ(FileCount(), 1u);
}

TEST_F(ReplaceFileTest, ReadOnlyFileIsRefused) {
  if (::geteuid() == 0) GTEST_SKIP() << "root may write any file";
  std::string path = PathOf("a.ini");
  ASSERT_TRUE(tarno::Env::Default()->WriteFile(path, "old").ok());
  ::chmod(path.c_str(), 0444);
  EXPECT_FALSE(tarno::Env::Default()->ReplaceFileAtomically(path, "new", IfPresent::kReplace).ok());
  EXPECT_EQ(ContentOf(path), "old");
  EXPECT_EQ(FileCount(), 1u);
}

}  // namespace
