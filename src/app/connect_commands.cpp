#include "app/connect_commands.h"

#include "resources/embedded.h"

namespace tarn {
namespace {

constexpr std::chrono::milliseconds kWaitAfterConnect{100};

std::u16string OutcomeText(const PortAttempt& attempt) {
  switch (attempt.outcome) {
    case PortOutcome::NoSuchDevice:
      return u"нет такого устройства";
    case PortOutcome::NotSerial:
      return u"не последовательный порт";
    case PortOutcome::Busy:
      return u"занят другой программой";
    case PortOutcome::NoPermission:
      return u"нет прав доступа";
    case PortOutcome::NotOpened:
      return u"не удалось открыть";
    case PortOutcome::NoAnswer:
      return u"открыт, но контроллер не ответил";
    case PortOutcome::Refused:
      if (attempt.identifyByte == kNoIdentifyByte) {
        return u"ответ без байта данных 2, контроллер не принят";
      }
      return u"ответ с байтом данных 2 = " + res::DecodeUtf8(std::to_string(attempt.identifyByte)) +
             u", контроллер не принят";
    case PortOutcome::Connected:
      return u"контроллер найден";
  }
  return {};
}

}  // namespace

std::u16string DescribeScan(const std::vector<PortAttempt>& attempts) {
  if (attempts.empty()) return u"Последовательные порты не найдены.";
  std::u16string text;
  for (const PortAttempt& attempt : attempts) {
    if (!text.empty()) text += u'\n';
    text += res::DecodeUtf8(attempt.port) + u": " + OutcomeText(attempt);
    if (!attempt.systemText.empty()) text += u" (" + res::DecodeUtf8(attempt.systemText) + u")";
  }
  return text;
}

void Connection::ConfigurationFailed() {
  prompter_.ShowMessage(kMsgConfigFailed, MsgButtons::Ok, MsgIcon::Exclamation);
}

bool Connection::ConnectWithRetry() {
  Connect();
  SleepFor(kWaitAfterConnect);
  while (!connected) {
    if (prompter_.ShowMessageWithDetails(kMsgNoController, DescribeScan(scanResults),
                                         MsgButtons::RetryCancel,
                                         MsgIcon::None) != MsgAnswer::Retry) {
      break;
    }
    Connect();
  }
  return connected;
}

}  // namespace tarn
