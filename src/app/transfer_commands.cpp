#include "app/transfer_commands.h"

namespace tarn {

void ReadCommand(ControllerLink& link, ParameterImage& image, TransferFlags& flags,
                 Prompter& prompter, StatusLine& status) {
  flags.imageRead = ReadImage(link, image);
  while (!flags.imageRead && prompter.ShowMessage(kMsgReadFailed, MsgButtons::RetryCancel,
                                                  MsgIcon::None) == MsgAnswer::Retry) {
    flags.imageRead = ReadImage(link, image);
  }
  status.SetStatus(flags.imageRead ? TransferOutcome::ReadSuccess : TransferOutcome::ReadFailure);
}

void WriteCommand(ControllerLink& link, const ParameterImage& image, TransferFlags& flags,
                  Prompter& prompter, StatusLine& status) {
  switch (CheckIdentity(link, image)) {
    case Identity::Unreadable:
      prompter.ShowMessage(kMsgIdentityUnreadable, MsgButtons::Ok, MsgIcon::Exclamation);
      return;
    case Identity::Different:
      prompter.ShowMessage(kMsgIdentityMismatch, MsgButtons::Ok, MsgIcon::Exclamation);
      return;
    case Identity::Same:
      break;
  }
  flags.imageWritten = WriteImage(link, image);
  while (!flags.imageWritten && prompter.ShowMessage(kMsgWriteFailed, MsgButtons::RetryCancel,
                                                     MsgIcon::None) == MsgAnswer::Retry) {
    flags.imageWritten = WriteImage(link, image);
  }
  if (!flags.imageWritten) {
    status.SetStatus(TransferOutcome::WriteFailure);
    return;
  }
  status.SetStatus(TransferOutcome::WriteSuccess);
  prompter.ShowMessage(kMsgWriteDone, MsgButtons::Ok, MsgIcon::Exclamation);
}

}  // namespace tarn
