// What the link, the loader and the pages need of the user interface: message
// boxes by string-table id and the main window's status line. The GUI, the
// command-line companion and the tests each supply their own.
#pragma once

#include <string>
#include <string_view>

namespace tarn {

enum class MsgButtons { Ok, OkCancel, YesNo, RetryCancel };
enum class MsgIcon { None, Exclamation, Question };
enum class MsgAnswer { Ok, Cancel, Yes, No, Retry };

// String-table ids of the messages.
inline constexpr int kMsgConfigFailed = 147;        // OK, exclamation
inline constexpr int kMsgNoController = 149;        // Retry/Cancel, no icon
inline constexpr int kMsgReadFailed = 151;          // Retry/Cancel, no icon
inline constexpr int kMsgWriteFailed = 152;         // Retry/Cancel, no icon
inline constexpr int kMsgWriteDone = 153;           // OK, exclamation
inline constexpr int kMsgQuitQuestion = 154;        // OK/Cancel, question
inline constexpr int kMsgQuitUnwritten = 176;       // Yes/No, question, No by default
inline constexpr int kMsgStartWarning = 158;        // Yes/No, question
inline constexpr int kMsgIdentityMismatch = 161;    // OK, exclamation
inline constexpr int kMsgIdentityUnreadable = 163;  // OK, exclamation

class Prompter {
 public:
  virtual ~Prompter() = default;
  // A modal message box with the text of string-table entry `id`.
  virtual MsgAnswer ShowMessage(int id, MsgButtons buttons, MsgIcon icon) = 0;
  // A modal message box with a text built by the caller (the range message).
  virtual MsgAnswer ShowText(std::u16string_view text, MsgButtons buttons, MsgIcon icon) = 0;
  // The box of string-table entry `id` with a detail text under the message
  // (message 149 lists what each port gave). Hosts without a place for
  // details show the message alone.
  virtual MsgAnswer ShowMessageWithDetails(int id, std::u16string_view details,
                                           MsgButtons buttons, MsgIcon icon) {
    static_cast<void>(details);
    return ShowMessage(id, buttons, icon);
  }
};

// What the main window's status line reports: the outcome of the last Read
// or Write. Its text and its colour both follow from this value.
enum class TransferOutcome { ReadSuccess, ReadFailure, WriteSuccess, WriteFailure };

class StatusLine {
 public:
  virtual ~StatusLine() = default;
  virtual void SetStatus(TransferOutcome outcome) = 0;
};

inline constexpr std::u16string_view kStatusReadSuccess = u"Read success!";
inline constexpr std::u16string_view kStatusReadFailure = u"Read failure!";
inline constexpr std::u16string_view kStatusWriteSuccess = u"Write success!";
inline constexpr std::u16string_view kStatusWriteFailure = u"Write failure!";

constexpr std::u16string_view StatusText(TransferOutcome outcome) {
  switch (outcome) {
    case TransferOutcome::ReadSuccess:
      return kStatusReadSuccess;
    case TransferOutcome::ReadFailure:
      return kStatusReadFailure;
    case TransferOutcome::WriteSuccess:
      return kStatusWriteSuccess;
    case TransferOutcome::WriteFailure:
      return kStatusWriteFailure;
  }
  return {};
}

constexpr bool Succeeded(TransferOutcome outcome) {
  return outcome == TransferOutcome::ReadSuccess || outcome == TransferOutcome::WriteSuccess;
}

}  // namespace tarn
