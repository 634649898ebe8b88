#include "gui/pictures.h"

#include <string>

#include "resources/embedded.h"

namespace tarn::gui {
namespace {

QPixmap Decode(std::span<const std::uint8_t> bytes) {
  QPixmap picture;
  if (!bytes.empty()) picture.loadFromData(bytes.data(), static_cast<uint>(bytes.size()));
  return picture;
}

}  // namespace

QPixmap EmbeddedPicture(std::string_view name) {
  QPixmap picture = Decode(res::Find(name));
  if (picture.isNull()) {
    const std::string_view stem = name.substr(0, name.rfind('.'));
    picture = Decode(res::Find(std::string(stem) + ".png"));
  }
  return picture;
}

QIcon AppIcon() {
  return QIcon(EmbeddedPicture(kIconPicture));
}

}  // namespace tarn::gui
