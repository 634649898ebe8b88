// The dialog layer's colours as GDI takes them.
#pragma once

#include <windows.h>

#include "ui/control_data.h"

namespace tarn::win32 {

inline COLORREF ToColorRef(ui::Rgb rgb) {
  constexpr int kRedShift = 16;
  constexpr int kGreenShift = 8;
  constexpr ui::Rgb kByte = 0xFF;
  return RGB((rgb >> kRedShift) & kByte, (rgb >> kGreenShift) & kByte, rgb & kByte);
}

}  // namespace tarn::win32
