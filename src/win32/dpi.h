// The screen scaling a window is drawn at, on every Windows from 7 on.
// GetDpiForWindow came with Windows 10 1607; importing it would stop the
// program from starting on anything older, so it is looked up at run time.
#pragma once

#include <windows.h>

namespace tarn::win32 {

// The window's dots per inch: GetDpiForWindow where the system has it,
// otherwise the logical pixels per inch of the window's screen (the system
// DPI, which is what Windows 7 and 8 scale every window by).
UINT WindowDpi(HWND window);

// Whether WindowDpi found GetDpiForWindow, for the tests.
bool HasPerWindowDpi();

}  // namespace tarn::win32
