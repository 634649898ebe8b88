#include "live/connection_text.h"

#include "resources/embedded.h"

namespace tarn {

std::string_view CauseText(LinkOutcome outcome) {
  switch (outcome) {
    case LinkOutcome::Answered:
      return {};
    case LinkOutcome::PortGone:
      return "device removed";
    case LinkOutcome::NoAnswer:
      return "no answer";
    case LinkOutcome::BadReply:
      return "bad reply";
  }
  return {};
}

std::u16string ConnectionLostText(std::string_view port) {
  return u"Connection lost: " + res::DecodeUtf8(std::string(port)) + u" (" +
         res::DecodeUtf8(std::string(CauseText(LinkOutcome::PortGone))) +
         u") - waiting for the controller...";
}

std::u16string OtherControllerText(std::string_view port) {
  return u"Another controller on " + res::DecodeUtf8(std::string(port)) +
         u" - Read it before writing";
}

std::u16string OtherControllerMessage(std::string_view port) {
  return u"К порту " + res::DecodeUtf8(std::string(port)) +
         u" подключён другой контроллер. Прочитайте его данные (Read), прежде чем записывать.";
}

}  // namespace tarn
