// The Windows front end starts on Windows 7: nothing that came later is in
// its import table (such a function is looked up at run time instead).
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace tarn::win32 {
namespace {

// The functions this program imports by name, read from its own import
// table. The loader overwrites the first thunks with addresses; the original
// ones keep the names.
std::vector<std::string> ImportedFunctions() {
  const auto* base = reinterpret_cast<const BYTE*>(GetModuleHandleW(nullptr));
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  std::vector<std::string> names;
  if (imports.VirtualAddress == 0) return names;
  for (const auto* dll =
           reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
       dll->Name != 0; ++dll) {
    const DWORD thunks = dll->OriginalFirstThunk != 0 ? dll->OriginalFirstThunk : dll->FirstThunk;
    for (const auto* thunk = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + thunks);
         thunk->u1.AddressOfData != 0; ++thunk) {
      if (IMAGE_SNAP_BY_ORDINAL(thunk->u1.Ordinal)) continue;
      const auto* byName =
          reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + thunk->u1.AddressOfData);
      names.emplace_back(reinterpret_cast<const char*>(byName->Name));
    }
  }
  return names;
}

// Functions of the system DLLs that Windows 7 does not have, among those a
// front end reaches for: per-monitor scaling (Windows 8.1 and 10) and the
// newer time, thread and file calls (Windows 8 and 10).
constexpr const char* kNewerThanWindows7[] = {
    "GetDpiForWindow",
    "GetDpiForSystem",
    "GetSystemMetricsForDpi",
    "AdjustWindowRectExForDpi",
    "SystemParametersInfoForDpi",
    "SetThreadDpiAwarenessContext",
    "GetThreadDpiAwarenessContext",
    "GetWindowDpiAwarenessContext",
    "EnableNonClientDpiScaling",
    "SetProcessDpiAwarenessContext",
    "GetDpiForMonitor",
    "SetProcessDpiAwareness",
    "GetSystemTimePreciseAsFileTime",
    "CreateFile2",
    "SetThreadDescription",
    "GetCurrentThreadStackLimits",
    "WaitOnAddress",
    "WakeByAddressSingle",
    "WakeByAddressAll",
};

TEST(Imports, NothingNewerThanWindows7IsImported) {
  const std::vector<std::string> imported = ImportedFunctions();
  ASSERT_FALSE(imported.empty());  // the table was found
  EXPECT_TRUE(std::find(imported.begin(), imported.end(), "CreateWindowExW") != imported.end());
  for (const char* newer : kNewerThanWindows7) {
    const bool found = std::find(imported.begin(), imported.end(), newer) != imported.end();
    EXPECT_FALSE(found) << newer << " is imported: look it up at run time instead";
  }
}

}  // namespace
}  // namespace tarn::win32
