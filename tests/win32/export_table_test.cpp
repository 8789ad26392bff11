// The host finds the module's functions by name, some by their decorated C++ names, and
// loads the DLL on machines that have nothing but Windows itself: both are properties of
// the built file, checked here on the loaded image.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "dll_harness.h"

namespace {

using tarno_test::PluginDll;

// Plain name -> decorated name of the implementing function (32-bit MSVC, __cdecl).
// An empty plain name: the host knows that entry only by its decorated name.
const std::vector<std::pair<std::string, std::string>>& ExpectedExports() {
  static const auto* exports = new std::vector<std::pair<std::string, std::string>>{
      {"GetNumberOfSets", "?GetNumberOfSets@@YAHXZ"},
      {"GetSetName", "?GetSetName@@YAPBDH@Z"},
      {"GetExchgCount0", "?StatsGetExchgCount0@@YAHPBD00@Z"},
      {"IsValidExchg0", "?StatsIsValidExchg0@@YAHPBD000HHH@Z"},
      {"SetupSet0", "?SetupSet0@@YAXXZ"},
      {"ResetStats0", "?ResetStats0@@YAHPBDH0PAVCOleDateTime@@10000000000HHHNN000@Z"},
      {"AddData0", "?AddData0@@YAHPBD0PAVCOleDateTime@@111II000000000000000HHHNN00000@Z"},
      {"RemoveData0", "?RemoveData0@@YAHPBD0PAVCOleDateTime@@111II000000000000000HHHNN00000@Z"},
      {"CheckCall0", "?CheckCallFunc0@@YAHPBDII00000000000HHHNN0000000PAD1@Z"},
      {"GetResult0", "?GetResult0@@YAPBDPAH@Z"},
      {"", "?RunCommand0@@YAPBDHPBD@Z"},
  };
  return *exports;
}

const BYTE* ImageBase(HMODULE module) { return reinterpret_cast<const BYTE*>(module); }

const IMAGE_DATA_DIRECTORY& Directory(HMODULE module, int index) {
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(ImageBase(module));
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(ImageBase(module) + dos->e_lfanew);
  return nt->OptionalHeader.DataDirectory[index];
}

std::set<std::string> ExportedNames(HMODULE module) {
  const IMAGE_DATA_DIRECTORY& directory = Directory(module, IMAGE_DIRECTORY_ENTRY_EXPORT);
  std::set<std::string> names;
  if (directory.VirtualAddress == 0) return names;
  const auto* exports =
      reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(ImageBase(module) + directory.VirtualAddress);
  const auto* name_rvas =
      reinterpret_cast<const DWORD*>(ImageBase(module) + exports->AddressOfNames);
  for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
    names.insert(reinterpret_cast<const char*>(ImageBase(module) + name_rvas[i]));
  }
  return names;
}

std::vector<std::string> ImportedDllNames(HMODULE module) {
  const IMAGE_DATA_DIRECTORY& directory = Directory(module, IMAGE_DIRECTORY_ENTRY_IMPORT);
  std::vector<std::string> names;
  if (directory.VirtualAddress == 0) return names;
  const auto* descriptor = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(
      ImageBase(module) + directory.VirtualAddress);
  for (; descriptor->Name != 0; ++descriptor) {
    names.push_back(reinterpret_cast<const char*>(ImageBase(module) + descriptor->Name));
  }
  return names;
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

TEST(ExportTableTest, ExportsExactlyThePlainAndDecoratedNames) {
  PluginDll dll;
  ASSERT_TRUE(dll.loaded()) << dll.error();
  std::set<std::string> expected;
  for (const auto& [plain, decorated] : ExpectedExports()) {
    if (!plain.empty()) expected.insert(plain);
    expected.insert(decorated);
  }
  EXPECT_EQ(ExportedNames(dll.module()), expected);
}

TEST(ExportTableTest, PlainAndDecoratedNamesReachTheSameFunction) {
  PluginDll dll;
  ASSERT_TRUE(dll.loaded()) << dll.error();
  for (const auto& [plain, decorated] : ExpectedExports()) {
    FARPROC by_decorated = dll.Proc(decorated.c_str());
    EXPECT_NE(by_decorated, nullptr) << decorated;
    if (!plain.empty()) {
      EXPECT_EQ(dll.Proc(plain.c_str()), by_decorated) << plain;
    }
  }
}

TEST(ExportTableTest, ImportsOnlyWindowsOwnDlls) {
  // A MinGW run-time DLL here (libstdc++, libgcc, winpthread) would stop the module from
  // loading on a machine that has only Windows.
  const std::set<std::string> allowed = {
      "advapi32.dll", "comctl32.dll", "comdlg32.dll", "gdi32.dll",   "kernel32.dll",
      "msvcrt.dll",   "ole32.dll",    "oleaut32.dll", "shell32.dll", "shlwapi.dll",
      "user32.dll",   "uxtheme.dll",  "version.dll",  "winmm.dll",
  };
  PluginDll dll;
  ASSERT_TRUE(dll.loaded()) << dll.error();
  std::vector<std::string> imports = ImportedDllNames(dll.module());
  EXPECT_FALSE(imports.empty());
  for (const std::string& name : imports) {
    EXPECT_EQ(allowed.count(Lower(name)), 1u) << "imports " << name;
  }
}

}  // namespace
