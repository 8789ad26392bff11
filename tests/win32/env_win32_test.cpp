// The Windows file layer, on real files. Contents are read back independently of the Env so
// that a fault in its reading cannot hide one in its writing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/env.h"
#include "platform/windows_api.h"

namespace {

namespace fs = std::filesystem;
using tarno::Env;
using tarno::Status;

// Another program's handle on the same file, as the host or an editor would hold it.
class OtherHandle {
 public:
  OtherHandle(const std::string& path, DWORD share)
      : m_handle(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~OtherHandle() {
    if (valid()) CloseHandle(m_handle);
  }
  OtherHandle(const OtherHandle&) = delete;
  OtherHandle& operator=(const OtherHandle&) = delete;

  bool valid() const { return m_handle != INVALID_HANDLE_VALUE; }

  bool AppendAtEnd(const std::string& bytes) {
    DWORD written = 0;
    return SetFilePointer(m_handle, 0, nullptr, FILE_END) != INVALID_SET_FILE_POINTER &&
           ::WriteFile(m_handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                       nullptr) &&
           written == bytes.size();
  }

  std::string ReadFromStart() {
    std::string bytes;
    if (SetFilePointer(m_handle, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) {
      return bytes;
    }
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(m_handle, buffer, sizeof buffer, &got, nullptr) && got > 0) {
      bytes.append(buffer, got);
    }
    return bytes;
  }

 private:
  HANDLE m_handle;
};

class EnvWin32Test : public ::testing::Test {
 protected:
  // Each test works in a folder of its own under the current directory, emptied first, so
  // relative paths are exercised as the module uses them.
  void SetUp() override {
    m_folder = std::string("env_win32_test\\") +
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(m_folder);
    fs::create_directories(m_folder);
  }

  std::string PathOf(const std::string& name) const { return m_folder + "\\" + name; }

  static std::string ContentOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  Env* env() const { return Env::Default(); }

  long FileCount() const {
    return std::distance(fs::directory_iterator(m_folder), fs::directory_iterator());
  }

 private:
  std::string m_folder;
};

// Every byte value a careless text mode would touch: CR LF, a lone LF, NUL and Ctrl-Z.
const std::string kAwkwardBytes("line one\r\nline two\n\0\x1a end\r\n", 29);

TEST_F(EnvWin32Test, AppendCreatesTheFileAndKeepsEveryByte) {
  std::string path = PathOf("err.txt");
  ASSERT_TRUE(env()->AppendToFile(path, kAwkwardBytes).ok());
  ASSERT_TRUE(env()->AppendToFile(path, "next\r\n").ok());
  EXPECT_EQ(ContentOf(path), kAwkwardBytes + "next\r\n");
}

TEST_F(EnvWin32Test, AppendLandsAfterWhatAnotherWriterAddedMeanwhile) {
  std::string path = PathOf("err.txt");
  ASSERT_TRUE(env()->AppendToFile(path, "one\r\n").ok());
  OtherHandle other(path, FILE_SHARE_READ | FILE_SHARE_WRITE);
  ASSERT_TRUE(other.valid());
  ASSERT_TRUE(other.AppendAtEnd("two\r\n"));

  Status status = env()->AppendToFile(path, "three\r\n");
  ASSERT_TRUE(status.ok()) << status.reason();
  EXPECT_EQ(other.ReadFromStart(), "one\r\ntwo\r\nthree\r\n");
}

TEST_F(EnvWin32Test, WriteFileReplacesLongerContent) {
  std::string path = PathOf("summary.txt");
  ASSERT_TRUE(env()->WriteFile(path, "a first content, longer than the second").ok());
  ASSERT_TRUE(env()->WriteFile(path, "short\r\n").ok());
  EXPECT_EQ(ContentOf(path), "short\r\n");
}

TEST_F(EnvWin32Test, WriteFileWithNothingLeavesAnEmptyFile) {
  std::string path = PathOf("summary.txt");
  ASSERT_TRUE(env()->WriteFile(path, "old").ok());
  ASSERT_TRUE(env()->WriteFile(path, "").ok());
  EXPECT_TRUE(fs::exists(path));
  EXPECT_EQ(ContentOf(path), "");
}

TEST_F(EnvWin32Test, WriteFileSucceedsWhileAnotherProgramHoldsTheFileOpen) {
  std::string path = PathOf("summary.txt");
  OtherHandle other(path, FILE_SHARE_READ | FILE_SHARE_WRITE);
  ASSERT_TRUE(other.valid());
  Status status = env()->WriteFile(path, kAwkwardBytes);
  ASSERT_TRUE(status.ok()) << status.reason();
  EXPECT_EQ(other.ReadFromStart(), kAwkwardBytes);
}

TEST_F(EnvWin32Test, ReadFileSucceedsWhileAnotherProgramWritesTheFile) {
  std::string path = PathOf("log.txt");
  OtherHandle other(path, FILE_SHARE_READ | FILE_SHARE_WRITE);
  ASSERT_TRUE(other.valid());
  ASSERT_TRUE(other.AppendAtEnd(kAwkwardBytes));
  std::string bytes;
  Status status = env()->ReadFile(path, &bytes);
  ASSERT_TRUE(status.ok()) << status.reason();
  EXPECT_EQ(bytes, kAwkwardBytes);
}

TEST_F(EnvWin32Test, LargeContentRoundTripsWhole) {
  // Larger than any single buffer the implementation reads with.
  std::string content;
  for (int i = 0; content.size() < (3u << 20); ++i) content += std::to_string(i) + "\r\n";
  std::string path = PathOf("large.txt");
  ASSERT_TRUE(env()->WriteFile(path, content).ok());
  std::string bytes = "stale";
  ASSERT_TRUE(env()->ReadFile(path, &bytes).ok());
  EXPECT_EQ(bytes.size(), content.size());
  EXPECT_TRUE(bytes == content);
}

TEST_F(EnvWin32Test, SlashAndBackslashNameTheSameFile) {
  ASSERT_TRUE(env()->WriteFile(PathOf("both.txt"), "x").ok());
  std::string forward = PathOf("both.txt");
  for (char& c : forward) {
    if (c == '\\') c = '/';
  }
  ASSERT_TRUE(env()->AppendToFile(forward, "y").ok());
  std::string bytes;
  ASSERT_TRUE(env()->ReadFile(forward, &bytes).ok());
  EXPECT_EQ(bytes, "xy");
}

TEST_F(EnvWin32Test, FileInAMissingFolderIsAnErrorNamingPathAndCause) {
  std::string path = PathOf("no such folder\\err.txt");
  Status status = env()->AppendToFile(path, "lost?");
  ASSERT_FALSE(status.ok());
  EXPECT_NE(status.reason().find(path), std::string::npos) << status.reason();
  EXPECT_NE(status.reason().find("(error 3)"), std::string::npos) << status.reason();
  EXPECT_FALSE(env()->WriteFile(path, "lost?").ok());
  std::string bytes;
  EXPECT_FALSE(env()->ReadFile(path, &bytes).ok());
}

TEST_F(EnvWin32Test, FolderGivenAsTheFileIsAnError) {
  std::string folder = PathOf("folder");
  fs::create_directory(folder);
  Status append = env()->AppendToFile(folder, "x");
  EXPECT_FALSE(append.ok());
  EXPECT_NE(append.reason().find(folder), std::string::npos) << append.reason();
  EXPECT_FALSE(env()->WriteFile(folder, "x").ok());
  std::string bytes;
  EXPECT_FALSE(env()->ReadFile(folder, &bytes).ok());
  EXPECT_TRUE(fs::is_directory(folder));
}

TEST_F(EnvWin32Test, FileLockedByAnotherProgramIsAnErrorNotASilentSuccess) {
  std::string path = PathOf("locked.txt");
  OtherHandle exclusive(path, 0);
  ASSERT_TRUE(exclusive.valid());
  EXPECT_FALSE(env()->AppendToFile(path, "x").ok());
  EXPECT_FALSE(env()->WriteFile(path, "x").ok());
  std::string bytes;
  EXPECT_FALSE(env()->ReadFile(path, &bytes).ok());
}

TEST_F(EnvWin32Test, ReplaceFileReplacesTheWholeContentAndLeavesNoTemporary) {
  std::string path = PathOf("settings.ini");
  ASSERT_TRUE(env()->WriteFile(path, "old content, longer than the new").ok());
  Status status = env()->ReplaceFileAtomically(path, kAwkwardBytes, tarno::IfPresent::kReplace);
  ASSERT_TRUE(status.ok()) << status.reason();
  EXPECT_EQ(ContentOf(path), kAwkwardBytes);
  EXPECT_EQ(FileCount(), 1);
}

TEST_F(EnvWin32Test, ReplaceFileFailureChangesNothing) {
  std::string path = PathOf("settings.ini");
  ASSERT_TRUE(env()->ReplaceFileAtomically(path, "old", tarno::IfPresent::kFail).ok());
  EXPECT_FALSE(env()->ReplaceFileAtomically(path, "new", tarno::IfPresent::kFail).ok());
  ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
  Status status = env()->ReplaceFileAtomically(path, "new", tarno::IfPresent::kReplace);
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_FALSE(status.ok());
  EXPECT_NE(status.reason().find("read-only"), std::string::npos) << status.reason();
  EXPECT_EQ(ContentOf(path), "old");
  EXPECT_FALSE(
      env()
          ->ReplaceFileAtomically(PathOf("no folder\\a.ini"), "x", tarno::IfPresent::kReplace)
          .ok());
  EXPECT_EQ(FileCount(), 1);
}

TEST_F(EnvWin32Test, MissingFileIsAReadError) {
  std::string bytes;
  Status status = env()->ReadFile(PathOf("absent.txt"), &bytes);
  EXPECT_FALSE(status.ok());
  EXPECT_FALSE(fs::exists(PathOf("absent.txt")));
}

}  // namespace
