// Our profile-file reader and writer (IniFileSettings) against the Windows profile API on the
// same files: whatever the API reads, ours must read alike, and after the same writes the API
// must read the same from the file it wrote and from ours. Every case has files of its own,
// since the API caches the files it has read.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/env.h"
#include "platform/settings_store.h"
#include "platform/windows_api.h"
#include "stats/ini_file_settings.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using tarno::IniFileSettings;
using tarno::SettingsStore;

const char kFolder[] = "settings_compare";

struct Lookup {
  std::string section;
  std::string key;
};

struct ReadCase {
  const char* name;
  std::string content;
  std::vector<Lookup> lookups;
};

struct Write {
  std::string section;
  std::string key;
  std::string value;
};

struct WriteCase {
  const char* name;
  bool fileExists;
  std::string content;
  std::vector<Write> writes;
  std::vector<std::string> changing;  // lines of `content` the writes may change
};

std::vector<Lookup> Keys(const std::string& section, const std::vector<std::string>& keys) {
  std::vector<Lookup> lookups;
  for (const std::string& key : keys) lookups.push_back({section, key});
  return lookups;
}

std::vector<Lookup> Join(std::vector<Lookup> a, const std::vector<Lookup>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Names the long-value keys by the value's length, so a failure says which cut went wrong.
std::string LongValues() {
  std::string lines = "[S]\r\n";
  for (int length : {97, 98, 99, 100, 101, 150}) {
    std::string body(length, static_cast<char>('a' + length % 26));
    std::string n = std::to_string(length);
    lines += "Plain" + n + "=" + body + "\r\n";
    lines += "Quoted" + n + "=\"" + body + "\"\r\n";
    lines += "Open" + n + "=\"" + body + "\r\n";
    lines += "Padded" + n + "= '" + body + "'  \r\n";
  }
  return lines;
}

std::vector<Lookup> LongValueKeys() {
  std::vector<Lookup> lookups;
  for (const char* kind : {"Plain", "Quoted", "Open", "Padded"}) {
    for (int length : {97, 98, 99, 100, 101, 150}) {
      lookups.push_back({"S", kind + std::to_string(length)});
    }
  }
  return lookups;
}

// One case to a few lines, not one name to a line.
// clang-format off
const std::vector<ReadCase>& ReadCases() {
  static const std::vector<ReadCase> cases = {
    {"names match in any case and without blanks around them", "[Settings]\r\nKey=Value\r\n",
     {{"Settings", "Key"}, {"settings", "KEY"}, {" Settings ", "  Key  "},
      {"\tSettings\v", "\fKey\t"}, {"\rSettings\n", "Key\x1a"}, {"\xa0Settings", "Key"},
      {"Settings", "\xa0Key"}, {"Settings", "\x1cKey\x1f"}, {"Settings", "Nope"},
      {"Nope", "Key"}, {"Settings", ""}, {"", "Key"}}},
    {"blanks around names and values in the file",
     "  [ Settings ]  \r\n  Key  =   Value with  spaces   \r\n\tK2\t=\tV2\t\r\n"
     "K3=\v\f v \x1a\r\nK4=\xa0v\xa0\r\nK5=\x1cv\x1f\r\nK6=\x85v\x85\r\nK7=\x01v\x01\r\n",
     Keys("settings", {"Key", "K2", "K3", "K4", "K5", "K6", "K7"})},
    {"quotes",
     "[S]\r\nA=\"quoted\"\r\nB='single'\r\nC=\"mis'\r\nD=\"open\r\nE=close\"\r\n"
     "F= \" spaced \" \r\nG=\"\"\r\nH=\"\r\nI='\r\nJ=\"a\"b\"\r\nK=\"\"x\"\"\r\nL='a\"\r\n"
     "M= \"\"  \r\n\"N\"=1\r\n'O' = 2\r\n",
     Keys("S", {"A", "B", "C", "D", "E", "F", "G", "H", "I", "J", "K", "L", "M", "N", "\"N\"",
                "O", "'O'"})},
    {"comment lines and lines without an equals sign",
     "[S]\r\n;A=commented\r\n ;B=commented2\r\nA=real\r\nnoequals\r\n#C=hash\r\n=emptykey\r\n"
     "D=x;y\r\nE\r\nE=shadowed\r\n",
     Keys("S", {"A", ";A", "B", ";B", "noequals", "#C", "", "D", "E"})},
    {"the first of duplicate sections and keys wins",
     "[S]\r\nA=first\r\nA=second\r\n[T]\r\nB=t1\r\n[S]\r\nA=third\r\nC=c2\r\n[s]\r\nD=d\r\n",
     Join(Keys("S", {"A", "C", "D"}), Keys("T", {"B"}))},
    {"LF line ends and a missing last line end", "[S]\nA=1\n\n[T]\nB=2",
     Join(Keys("S", {"A", "B"}), Keys("T", {"B"}))},
    {"CR line ends, also inside a CR LF file", "[S]\rA=1\rB=2\r[T]\r\nC=x\ry=z\r\nD=4\n\rE=5",
     Join(Keys("S", {"A", "B"}), Keys("T", {"C", "y", "D", "E"}))},
    {"section lines",
     "[S\r\nA=1\r\n[T] trailing\r\nB=2\r\n[U]]\r\nC=3\r\n [V] \r\nD=4\r\n[a]b]c\r\nE=5\r\n"
     "[W]x=1\r\nF=6\r\n[\tX \x1a]\r\nG=7\r\n[]\r\nH=8\r\n",
     {{"", "A"}, {"S", "A"}, {"[S", "A"}, {"T", "B"}, {"U", "C"}, {"U]", "C"}, {"V", "D"},
      {"a", "E"}, {"a]b", "E"}, {"W", "F"}, {"W", "x"}, {"X", "G"}, {"", "H"}}},
    {"keys before any section", "top=1\r\n[S]\r\nB=2\r\n",
     {{"", "top"}, {" ", "top"}, {"S", "top"}, {"S", "B"}, {"", "B"}}},
    {"equals signs and inner blanks", "[My Section]\r\nMy Key = a=b=c\r\nK2==v\r\n",
     {{"My Section", "My Key"}, {"my section", "MY KEY"}, {"My  Section", "My Key"},
      {"My Section", "K2"}}},
    {"empty values", "[S]\r\nA=\r\nB=   \r\nC=\r\n=\r\n", Keys("S", {"A", "B", "C", "", "D"})},
    {"NUL bytes end names and values",
     "[S]\r\nA=\"x\"\0\"\r\nB \0 =1\r\nC=\0  x\r\n \0D=2\r\nE=x\0y=z\r\nF\0=3\r\n[T\0x]\r\nG=4\r\n"s,
     Join(Keys("S", {"A", "B", "C", "", "D", "E", "y", "F"}), Keys("T", {"G"}))},
    {"Ctrl-Z is a blank", "[S]\r\nA=x\x1a\r\nB=\x1ay\r\nC=x\x1ay\r\n\x1a\r\nD\x1a=4\r\n",
     Keys("S", {"A", "B", "C", "D"})},
    {"long values are cut to 99 characters, quotes and all", LongValues(), LongValueKeys()},
    {"Windows-1252 bytes match only exactly",
     "[S]\r\nA=\xe9t\xe9 \x80 \x9f \xff\r\n\xc9t\xe9=upper key\r\n[\xc9T\xc9]\r\nB=sec\r\n"
     "[\x8a\x8c\x8e\x9f]\r\nC=sec2\r\n[\xdf\xb5\xd7]\r\nD=sec3\r\n",
     {{"S", "A"}, {"S", "\xc9t\xe9"}, {"s", "\xc9T\xe9"}, {"S", "\xe9t\xe9"}, {"\xc9T\xc9", "B"},
      {"\xc9t\xc9", "B"}, {"\xe9t\xe9", "B"}, {"\x8a\x8c\x8e\x9f", "C"},
      {"\x9a\x9c\x9e\xff", "C"}, {"\xdf\xb5\xd7", "D"}}},
    {"UTF-8 without a byte-order mark is taken byte by byte", "[S]\r\nA=\xc3\xa9\r\n",
     Keys("S", {"A"})},
    {"UTF-8 after a byte-order mark",
     "\xef\xbb\xbf[\xc3\xa9]\r\n\xc3\x89=1\r\nA=\xe2\x82\xac \xc3\xa9 \xe4\xb8\xad\r\n"
     "B=\xf0\x9f\x98\x80x\r\nC=\xe2\x82x\r\nD=\xc0\xafx\r\nE=\x80\x80x\r\nF=\xe9t\xe9\r\n"
     "G=\"\xc3\xa9\xc3\xa9\"\r\n[S]\r\nH=plain\r\n",
     Join(Keys("\xe9", {"\xc9", "\xe9", "A", "B", "C", "D", "E", "F", "G"}), Keys("S", {"H"}))},
    {"a UTF-8 byte-order mark alone", "\xef\xbb\xbf", Keys("S", {"A"})},
    {"an empty file", "", {{"S", "A"}, {"", "A"}}},
  };
  return cases;
}

const std::vector<WriteCase>& WriteCases() {
  static const std::vector<WriteCase> cases = {
    {"a new file", false, "",
     {{"Settings", "Key", "Value"}, {"Settings", "Key2", "  spaced  "}, {"Other", " K3 ", "v"},
      {"settings", "KEY", "NewV"}}, {}},
    {"an LF file with comments, blank lines and no last line end", true,
     "; top comment\n\n[A]\nx=1\n\n; c\n[Settings]\n  Key = old  \nnoeq\n\n\n[B]\ny=2",
     {{"Settings", "Key", "new"}, {"Settings", "Added", "v"}, {"New", "Z", "z"},
      {"Settings", "noeq", "now"}}, {"  Key = old  ", "noeq"}},
    {"a CR LF file with separators and a comment before a section", true,
     "[A]\r\nx=1\r\n\r\n[Settings]\r\nCall=HA1AB\r\n\r\n; about B\r\n[B]\r\ny=2\r\n",
     {{"Settings", "Mode", "CW"}, {"Settings", "Call", "HG5X"}, {"B", "z", "3"}, {"A", "x", "1"}},
     {"Call=HA1AB"}},
    {"duplicate sections and keys", true, "[S]\r\nA=1\r\nA=2\r\n[T]\r\n[S]\r\nB=2\r\n",
     {{"S", "B", "new"}, {"S", "A", "n2"}}, {"A=1"}},
    {"values with quotes, blanks, symbols and length", true, "[S]\r\nOld=1\r\n",
     {{"S", "A", "\"q\""}, {"S", "B", "'x'"}, {"S", "C", " padded "}, {"S", "D", ""},
      {"S", "E", std::string(150, 'e')}, {"S", "F", "\xe9t\xe9 \x80"}, {"S", "G", "a=b;c[d]"},
      {"S", "Old", "\"\""}}, {"Old=1"}},
    {"keys before any section and a broken section line", true,
     "top=1\r\n[S\r\nA=1\r\n[T]\r\nB=2\r\n",
     {{"S", "A", "x"}, {"T", "C", "y"}, {"", "top", "2"}}, {"top=1"}},
    {"CR line ends", true, "[S]\rA=1\r", {{"S", "B", "2"}, {"S", "A", "3"}}, {"A=1"}},
    {"a key without a value", true, "[S]\r\nflag\r\n", {{"S", "flag", "on"}}, {"flag"}},
    {"an empty file", true, "", {{"S", "A", "1"}}, {}},
    {"the last section without a last line end", true, "[S]\r\nA=1",
     {{"S", "B", "2"}, {"T", "C", "3"}}, {}},
    {"a value of blanks", true, "[S]\r\nA=   \r\nB=same\r\n",
     {{"S", "A", "v"}, {"S", "B", "same"}}, {"A=   "}},
    {"a UTF-8 file with a byte-order mark", true, "\xef\xbb\xbf[S]\r\nA=\xc3\xa9\r\n",
     {{"S", "A", "\xe9\x80"}, {"S", "B", "\xc9t\xe9"}, {"\xe9", "C", "1"}}, {"A=\xc3\xa9"}},
  };
  return cases;
}
// clang-format on

class SettingsCompareTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    fs::remove_all(kFolder);
    fs::create_directories(kFolder);
  }

  static std::string PathOf(const std::string& name) { return std::string(kFolder) + "\\" + name; }

  static void Put(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary);
    out << content;
  }

  static std::string ContentOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  SettingsStore* api() { return SettingsStore::Default(); }
  IniFileSettings& ours() { return m_ours; }

 private:
  IniFileSettings m_ours{tarno::Env::Default()};
};

// Splits at NUL bytes: the API's lists of names.
std::vector<std::string> NameList(const std::vector<char>& buffer, DWORD length) {
  std::vector<std::string> names;
  for (size_t at = 0; at < length;) {
    std::string name(&buffer[at]);
    names.push_back(name);
    at += name.size() + 1;
  }
  return names;
}

// Every section, key and value the API reads from a file, one line each.
std::vector<std::string> EverythingTheApiReads(const std::string& path) {
  std::vector<char> buffer(1 << 16);
  DWORD size = static_cast<DWORD>(buffer.size());
  DWORD length = GetPrivateProfileSectionNamesA(buffer.data(), size, path.c_str());
  std::vector<std::string> sections = NameList(buffer, length);
  sections.push_back("");
  std::vector<std::string> lines;
  for (const std::string& section : sections) {
    length =
        GetPrivateProfileStringA(section.c_str(), nullptr, "", buffer.data(), size, path.c_str());
    for (const std::string& key : NameList(buffer, length)) {
      lines.push_back("[" + section + "] " + key + " = " +
                      SettingsStore::Default()->Read(path, section, key));
    }
  }
  return lines;
}

// The lines' texts, without their line ends.
std::vector<std::string> LinesOf(const std::string& content) {
  std::vector<std::string> lines;
  size_t begin = 0;
  while (begin < content.size()) {
    size_t end = content.find_first_of("\r\n", begin);
    if (end == std::string::npos) end = content.size();
    lines.push_back(content.substr(begin, end - begin));
    begin = content.compare(end, 2, "\r\n") == 0 ? end + 2 : end + 1;
  }
  return lines;
}

// Whether `kept` holds every line of `before` outside `changing`, in order and byte for byte.
bool KeepsLines(const std::string& before, const std::string& kept,
                const std::vector<std::string>& changing) {
  std::vector<std::string> keptLines = LinesOf(kept);
  size_t at = 0;
  for (const std::string& line : LinesOf(before)) {
    if (std::find(changing.begin(), changing.end(), line) != changing.end()) continue;
    while (at < keptLines.size() && keptLines[at] != line) ++at;
    if (at == keptLines.size()) return false;
    ++at;
  }
  return true;
}

TEST_F(SettingsCompareTest, DefaultStoreIsTheProfileApi) {
  EXPECT_EQ(dynamic_cast<IniFileSettings*>(SettingsStore::Default()), nullptr);
}

TEST_F(SettingsCompareTest, OursReadsWhatTheApiReads) {
  int caseNumber = 0;
  for (const ReadCase& readCase : ReadCases()) {
    std::string path = PathOf("read" + std::to_string(++caseNumber) + ".ini");
    Put(path, readCase.content);
    for (const Lookup& lookup : readCase.lookups) {
      EXPECT_EQ(ours().Read(path, lookup.section, lookup.key),
                api()->Read(path, lookup.section, lookup.key))
          << readCase.name << ": [" << lookup.section << "] " << lookup.key;
      // A default stands in exactly where the API finds no value.
      const std::string fallbacks[] = {"Q1ABC", "\"Q1 \"  ", std::string(120, 'd')};
      for (const std::string& fallback : fallbacks) {
        EXPECT_EQ(ours().ReadOr(path, lookup.section, lookup.key, fallback),
                  api()->ReadOr(path, lookup.section, lookup.key, fallback))
            << readCase.name << ": [" << lookup.section << "] " << lookup.key << " or " << fallback;
      }
    }
  }
}

TEST_F(SettingsCompareTest, MissingFileReadsEmptyThroughBoth) {
  for (const std::string& path : {PathOf("absent.ini"), PathOf("no folder\\absent.ini")}) {
    EXPECT_EQ(api()->Read(path, "Settings", "Key"), "");
    EXPECT_EQ(ours().Read(path, "Settings", "Key"), "");
  }
}

TEST_F(SettingsCompareTest, TheApiReadsTheSameAfterTheSameWrites) {
  int caseNumber = 0;
  for (const WriteCase& writeCase : WriteCases()) {
    std::string stem = PathOf("write" + std::to_string(++caseNumber));
    std::string apiPath = stem + "_api.ini", oursPath = stem + "_ours.ini";
    if (writeCase.fileExists) {
      Put(apiPath, writeCase.content);
      Put(oursPath, writeCase.content);
    }
    for (const Write& write : writeCase.writes) {
      ASSERT_TRUE(api()->Write(apiPath, write.section, write.key, write.value).ok());
      tarno::Status status = ours().Write(oursPath, write.section, write.key, write.value);
      ASSERT_TRUE(status.ok()) << writeCase.name << ": " << status.reason();
    }
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, apiPath.c_str());

    std::vector<std::string> fromApi = EverythingTheApiReads(apiPath);
    EXPECT_EQ(EverythingTheApiReads(oursPath), fromApi) << writeCase.name;
    for (const Write& write : writeCase.writes) {
      EXPECT_EQ(ours().Read(oursPath, write.section, write.key),
                api()->Read(oursPath, write.section, write.key))
          << writeCase.name << ": " << write.key;
    }
    std::string written = ContentOf(oursPath);
    EXPECT_TRUE(KeepsLines(writeCase.content, written, writeCase.changing))
        << writeCase.name << ":\n"
        << written;
  }
}

TEST_F(SettingsCompareTest, NeitherCreatesAMissingFolder) {
  std::string path = PathOf("no such folder\\TARNO-Contest.ini");
  EXPECT_FALSE(api()->Write(path, "Settings", "Key", "v").ok());
  EXPECT_FALSE(ours().Write(path, "Settings", "Key", "v").ok());
  EXPECT_FALSE(fs::exists(PathOf("no such folder")));
}

}  // namespace
