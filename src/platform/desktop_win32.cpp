#include <cstdio>
#include <string>
#include <vector>

#include "platform/desktop.h"
#include "platform/windows_api.h"
#include "ui/win32/cabrillo_dialog.h"

namespace tarno {
namespace {

// The dialog templates are in the module this code was linked into, which is not the
// host's program: the module is found from an address inside it.
HINSTANCE ThisModule() {
  HMODULE module = nullptr;
  GetModuleHandleExA(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCSTR>(&ThisModule), &module);
  return module;
}

// The first "*.exe" of the current directory, in listing order, whose name contains "Zelk"
// (letter case as written); empty when there is none.
std::string FindHostExecutable() {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA("*.exe", &found);
  if (search == INVALID_HANDLE_VALUE) return std::string();
  std::string name;
  do {
    // A folder named like a program has no version to read.
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
    if (std::string(found.cFileName).find("Zelk") != std::string::npos) {
      name = found.cFileName;
      break;
    }
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return name;
}

// The fixed part of the file's version resource; false when it has none that can be read.
bool ReadFixedVersion(const std::string& path, VS_FIXEDFILEINFO* version) {
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  if (size == 0) return false;
  std::vector<char> block(size);
  if (!GetFileVersionInfoA(path.c_str(), 0, size, block.data())) return false;
  void* fixed = nullptr;
  UINT fixedBytes = 0;
  if (!VerQueryValueA(block.data(), "\\", &fixed, &fixedBytes)) return false;
  if (fixed == nullptr || fixedBytes < sizeof(VS_FIXEDFILEINFO)) return false;
  *version = *static_cast<const VS_FIXEDFILEINFO*>(fixed);
  return version->dwSignature == VS_FFI_SIGNATURE;
}

std::string VersionText(const VS_FIXEDFILEINFO& version) {
  int major = HIWORD(version.dwFileVersionMS);
  int minor = LOWORD(version.dwFileVersionMS);
  int build = HIWORD(version.dwFileVersionLS);
  char text[32];
  if (major == 2) {
    std::snprintf(text, sizeof text, "%d.%d", major, minor);
  } else {
    std::snprintf(text, sizeof text, "%d.%d.%d", major, minor, build);
  }
  return text;
}

class Win32Desktop : public Desktop {
 public:
  // The active window is the host's main window when the host calls in; a dialog owned by
  // it keeps the host's windows disabled until it closes.
  bool RunCabrilloHeaderDialog(CabrilloHeaderValues* values) override {
    return Dialog_CabrilloHeader(GetActiveWindow(), ThisModule(), values);
  }

  void ShowOutputMessage(const std::string& text) override {
    MessageBoxA(GetActiveWindow(), text.c_str(), "Output", MB_OK | MB_ICONINFORMATION);
  }

  std::string HostVersion() override {
    std::string name = FindHostExecutable();
    VS_FIXEDFILEINFO version;
    if (name.empty() || !ReadFixedVersion(name, &version)) return std::string();
    return VersionText(version);
  }
};

}  // namespace

Desktop* Desktop::Default() {
  static Win32Desktop* desktop = new Win32Desktop;  // used until the very end
  return desktop;
}

}  // namespace tarno
