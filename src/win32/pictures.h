// The pictures the program carries as Windows resources: the application icon
// (several sizes in one icon resource) and the banner bitmap.
#pragma once

#include <windows.h>

#include <string_view>

namespace tarn::win32 {

inline constexpr int kIconResource = 148;
inline constexpr int kBannerResource = 149;

// The bitmap resource that stands for a template's picture name: the number
// in "bitmap_149.png" is the resource id. 0 when the name carries none.
int PictureResourceId(std::string_view name);

// The application icon at `size` x `size` pixels, picked from the sizes the
// icon resource holds; owned by the caller (DestroyIcon).
HICON LoadAppIcon(HINSTANCE instance, int size);

// Draws `bitmap` into `rect` scaled to the rectangle's height. A picture wider
// than the rectangle at that scale is cut at its right edge, so that its text
// is never squeezed; a narrower one is stretched to fill.
void DrawPicture(HDC dc, const RECT& rect, HBITMAP bitmap);

}  // namespace tarn::win32
