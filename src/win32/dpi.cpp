#include "win32/dpi.h"

namespace tarn::win32 {
namespace {

using GetDpiForWindowCall = UINT(WINAPI*)(HWND);

GetDpiForWindowCall PerWindowDpiCall() {
  static const GetDpiForWindowCall call = [] {
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    if (user32 == nullptr) return GetDpiForWindowCall{};
    // GetProcAddress hands back a generic pointer to be cast to the real type.
    return reinterpret_cast<GetDpiForWindowCall>(
        reinterpret_cast<void*>(GetProcAddress(user32, "GetDpiForWindow")));
  }();
  return call;
}

UINT ScreenDpi(HWND window) {
  const HDC dc = GetDC(window);
  if (dc == nullptr) return USER_DEFAULT_SCREEN_DPI;
  const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(window, dc);
  return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

}  // namespace

UINT WindowDpi(HWND window) {
  if (const GetDpiForWindowCall call = PerWindowDpiCall()) {
    const UINT dpi = call(window);
    if (dpi != 0) return dpi;
  }
  return ScreenDpi(window);
}

bool HasPerWindowDpi() {
  return PerWindowDpiCall() != nullptr;
}

}  // namespace tarn::win32
