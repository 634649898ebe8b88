// Window text of the dialog layer (UTF-16) as Qt's strings.
#pragma once

#include <QString>
#include <string_view>

namespace tarn::gui {

inline QString ToQString(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace tarn::gui
