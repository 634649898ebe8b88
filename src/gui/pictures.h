// The pictures the program carries: the application icon and the banner.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <string_view>

namespace tarn::gui {

inline constexpr std::string_view kIconPicture = "icon_148.png";
inline constexpr std::string_view kBannerPicture = "bitmap_149.png";

// The embedded picture with this name; a null pixmap when there is none. A
// name whose file is not embedded finds the .png of the same stem (the
// templates name the banner by its original bitmap file).
QPixmap EmbeddedPicture(std::string_view name);

QIcon AppIcon();

}  // namespace tarn::gui
