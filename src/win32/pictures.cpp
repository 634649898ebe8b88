#include "win32/pictures.h"

#include <cctype>

namespace tarn::win32 {

int PictureResourceId(std::string_view name) {
  const std::size_t underscore = name.rfind('_');
  if (underscore == std::string_view::npos) return 0;
  int id = 0;
  bool any = false;
  for (std::size_t i = underscore + 1; i < name.size() && std::isdigit(static_cast<unsigned char>(name[i])); ++i) {
    id = id * 10 + (name[i] - '0');
    any = true;
  }
  return any ? id : 0;
}

HICON LoadAppIcon(HINSTANCE instance, int size) {
  return static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(kIconResource), IMAGE_ICON, size, size, 0));
}

void DrawPicture(HDC dc, const RECT& rect, HBITMAP bitmap) {
  BITMAP info{};
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (bitmap == nullptr || width <= 0 || height <= 0 ||
      GetObjectW(bitmap, sizeof info, &info) == 0 || info.bmHeight == 0) {
    return;
  }
  // The part of the picture that fills the rectangle at the height's scale.
  const int sourceHeight = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
  const long long scaledWidth = static_cast<long long>(width) * sourceHeight / height;
  const int sourceWidth = scaledWidth < info.bmWidth ? static_cast<int>(scaledWidth) : info.bmWidth;

  HDC source = CreateCompatibleDC(dc);
  const HGDIOBJ old = SelectObject(source, bitmap);
  // Halftone averages the pixels a reduction drops, so the banner's text
  // stays smooth; it needs the brush origin set after the mode.
  const int oldMode = SetStretchBltMode(dc, HALFTONE);
  POINT oldOrigin{};
  SetBrushOrgEx(dc, 0, 0, &oldOrigin);
  StretchBlt(dc, rect.left, rect.top, width, height, source, 0, 0, sourceWidth, sourceHeight,
             SRCCOPY);
  SetBrushOrgEx(dc, oldOrigin.x, oldOrigin.y, nullptr);
  SetStretchBltMode(dc, oldMode);
  SelectObject(source, old);
  DeleteDC(source);
}

}  // namespace tarn::win32
