// What the desktop program and tarn-cli say about the link's state: the
// cause of a failed exchange and the status-bar lines while a port is gone.
#pragma once

#include <string>
#include <string_view>

#include "link/controller_link.h"

namespace tarn {

// "device removed", "no answer", "bad reply"; empty for an answered exchange.
std::string_view CauseText(LinkOutcome outcome);

// "Connection lost: /dev/ttyUSB0 (device removed) - waiting for the controller..."
std::u16string ConnectionLostText(std::string_view port);
inline constexpr std::u16string_view kConnectionRestored = u"Connection restored";
// The status bar after another controller answered on the returned port.
std::u16string OtherControllerText(std::string_view port);

// The message boxes of a changed controller and of a write cut short.
std::u16string OtherControllerMessage(std::string_view port);
inline constexpr std::u16string_view kReadBeforeWriteMessage =
    u"Подключён другой контроллер. Прочитайте его данные (Read), прежде чем записывать.";
inline constexpr std::u16string_view kPartlyWrittenMessage =
    u"Запись прервана: в контроллере может остаться частично записанный образ. "
    u"Данные в программе и все незаписанные изменения сохранены; повторите запись, "
    u"когда контроллер снова будет на связи.";

}  // namespace tarn
