// What the main window's status line reports: the outcome of the last Read
// or Write. Its text and its colour both follow from this value.
#pragma once

#include <string_view>

namespace tarn {

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
